// Heap allocation counter: malloc and its relatives wrapped, each allocation charged to the first non-runtime object on its stack.
#include "alloc_hook.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace allocs {
namespace {

enum { STACK_DEPTH = 32, NAME_SIZE = 96 };

struct Entry {
    const void* base;  // load address of the object
    char name[NAME_SIZE];
    bool isRuntime;
    bool isProgram;
    std::atomic<long> count;
};

std::atomic<bool> armed{false};
std::atomic<long> seen{0};
std::atomic<long> busy{0};
Entry entries[MAX_OBJECTS];
std::atomic<int> entryCount{0};
const void* sites[MAX_SITES];
std::atomic<int> siteCount{0};
std::atomic_flag tableLock = ATOMIC_FLAG_INIT;
const void* programBase = nullptr;
thread_local bool inHook = false;

// Libraries that only pass a request on: the C and C++ runtime, libm, the
// unwinder and the loader. What called into them is what asked for the memory.
bool isRuntimeObject(const char* path) {
    const char* base = strrchr(path, '/');
    base = base ? base + 1 : path;
    static const char* const runtime[] = {"libc.so", "libstdc++.so", "libm.so", "libgcc_s.so", "ld-linux", "libpthread.so"};
    for (const char* prefix : runtime)
        if (strncmp(base, prefix, strlen(prefix)) == 0) return true;
    return false;
}

void lock() {
    while (tableLock.test_and_set(std::memory_order_acquire)) {
    }
}
void unlock() { tableLock.clear(std::memory_order_release); }

// The table entry of the object holding a code address; null when the loader does not know it (generated code).
Entry* entryFor(const void* address) {
    Dl_info info;
    if (!dladdr(address, &info) || !info.dli_fbase) return nullptr;
    int known = entryCount.load(std::memory_order_acquire);
    for (int i = 0; i < known; i++)
        if (entries[i].base == info.dli_fbase) return &entries[i];
    lock();
    Entry* found = nullptr;
    int count = entryCount.load(std::memory_order_relaxed);
    for (int i = 0; i < count && !found; i++)
        if (entries[i].base == info.dli_fbase) found = &entries[i];
    if (!found && count < MAX_OBJECTS) {
        found = &entries[count];
        found->base = info.dli_fbase;
        const char* name = info.dli_fname ? info.dli_fname : "?";
        strncpy(found->name, name, NAME_SIZE - 1);
        found->name[NAME_SIZE - 1] = 0;
        found->isProgram = info.dli_fbase == programBase;
        found->isRuntime = !found->isProgram && isRuntimeObject(name);
        found->count.store(0);
        entryCount.store(count + 1, std::memory_order_release);
    }
    unlock();
    return found;
}

void rememberSite(const void* address) {
    int count = siteCount.load();
    for (int i = 0; i < count; i++)
        if (sites[i] == address) return;
    lock();
    count = siteCount.load();
    if (count < MAX_SITES) {
        sites[count] = address;
        siteCount.store(count + 1);
    }
    unlock();
}

// Charges one allocation; caller is the return address into whoever called the allocator.
__attribute__((noinline)) void note(const void* caller) {
    if (!armed.load(std::memory_order_relaxed)) return;
    seen.fetch_add(1, std::memory_order_relaxed);
    if (inHook) {
        busy.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    inHook = true;
    void* frames[STACK_DEPTH];
    int depth = backtrace(frames, STACK_DEPTH);
    // Start at the allocator's caller; the frames before it are this counter's own.
    int first = 0;
    while (first < depth && frames[first] != caller) first++;
    if (first == depth) {
        frames[0] = (void*)caller;
        depth = 1;
        first = 0;
    }
    Entry* charged = nullptr;
    const void* chargedAt = caller;
    for (int i = first; i < depth; i++) {
        // A return address points just past its call; one byte back is the call itself.
        const void* at = (const char*)frames[i] - 1;
        Entry* entry = entryFor(at);
        if (entry && entry->isRuntime) continue;
        charged = entry;
        chargedAt = at;
        break;
    }
    if (charged) {
        charged->count.fetch_add(1, std::memory_order_relaxed);
        if (charged->isProgram) rememberSite(chargedAt);
    } else {
        // Code the loader does not know (the driver's generated code) or a stack of runtime frames only.
        Entry* unknown = nullptr;
        lock();
        int count = entryCount.load();
        for (int i = 0; i < count && !unknown; i++)
            if (entries[i].base == nullptr) unknown = &entries[i];
        if (!unknown && count < MAX_OBJECTS) {
            unknown = &entries[count];
            unknown->base = nullptr;
            strcpy(unknown->name, "(no object: generated code or runtime only)");
            unknown->isProgram = false;
            unknown->isRuntime = false;
            unknown->count.store(0);
            entryCount.store(count + 1);
        }
        unlock();
        if (unknown) unknown->count.fetch_add(1, std::memory_order_relaxed);
    }
    inHook = false;
}

void anchor() {}

}  // namespace

void arm() {
    // The first stack walk loads the unwinder, which allocates: done before counting starts.
    static bool primed = false;
    if (!primed) {
        void* frames[4];
        backtrace(frames, 4);
        Dl_info info;
        if (dladdr((const void*)&anchor, &info)) programBase = info.dli_fbase;
        primed = true;
    }
    armed.store(false);
    seen.store(0);
    busy.store(0);
    int count = entryCount.load();
    for (int i = 0; i < count; i++) entries[i].count.store(0);
    siteCount.store(0);
    armed.store(true);
}

void disarm() { armed.store(false); }

long total() { return seen.load(); }
long unattributed() { return busy.load(); }

long inProgram() {
    long sum = 0;
    int count = entryCount.load();
    for (int i = 0; i < count; i++)
        if (entries[i].isProgram) sum += entries[i].count.load();
    return sum;
}

int objects(ObjectCount* out, int capacity) {
    int count = entryCount.load();
    int written = 0;
    for (int i = 0; i < count && written < capacity; i++) {
        if (entries[i].isRuntime) continue;  // never charged
        out[written++] = ObjectCount{entries[i].name, entries[i].count.load(), entries[i].isProgram};
    }
    return written;
}

int programSites(const void** out, int capacity) {
    int count = siteCount.load();
    int written = 0;
    for (int i = 0; i < count && written < capacity; i++) out[written++] = sites[i];
    return written;
}

}  // namespace allocs

// ---- The C allocator, counted ---------------------------------------------------

extern "C" {

void* malloc(size_t size) {
    allocs::note(__builtin_return_address(0));
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    allocs::note(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

void* realloc(void* block, size_t size) {
    allocs::note(__builtin_return_address(0));
    return __libc_realloc(block, size);
}

void free(void* block) { __libc_free(block); }

void* memalign(size_t alignment, size_t size) {
    allocs::note(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    allocs::note(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size) {
    allocs::note(__builtin_return_address(0));
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    void* block = __libc_memalign(alignment, size);
    if (!block) return ENOMEM;
    *result = block;
    return 0;
}

void* valloc(size_t size) {
    allocs::note(__builtin_return_address(0));
    return __libc_memalign(4096, size);
}

}  // extern "C"
