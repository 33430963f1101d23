// Checks of the allocation counter: every kind of request is counted once, and charged to the program or the library that asked.
#include <SDL.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "alloc_hook.h"

// Kept out of line and exported, so the counter's record of where the program
// asked for memory can be checked by name.
extern "C" __attribute__((noinline)) void* allocateFromHere(size_t size) {
    void* block = malloc(size);
    asm volatile("" ::: "memory");  // no tail call: this function's own frame must be on the stack
    return block;
}

namespace {

// The compiler may drop a request whose memory is never used; this keeps each one.
void keep(const void* block) { asm volatile("" : : "g"(block) : "memory"); }

long chargedTo(const char* objectPrefix) {
    allocs::ObjectCount objects[allocs::MAX_OBJECTS];
    int count = allocs::objects(objects, allocs::MAX_OBJECTS);
    long sum = 0;
    for (int i = 0; i < count; i++) {
        const char* slash = strrchr(objects[i].name, '/');
        const char* name = slash ? slash + 1 : objects[i].name;
        if (strncmp(name, objectPrefix, strlen(objectPrefix)) == 0) sum += objects[i].count;
    }
    return sum;
}

}  // namespace

TEST(AllocationCounter, EveryKindOfRequestFromTheProgramIsChargedToItOnce) {
    allocs::arm();
    void* a = malloc(16);
    void* b = calloc(4, 8);
    b = realloc(b, 4096);
    char* c = strdup("through the C library");  // the runtime passes the request on
    int* d = new int[8];                         // through the C++ runtime
    void* e = nullptr;
    ASSERT_EQ(posix_memalign(&e, 64, 100), 0);
    void* f = aligned_alloc(64, 128);
    allocs::disarm();
    for (const void* block : {(const void*)a, (const void*)b, (const void*)c, (const void*)d, (const void*)e, (const void*)f})
        keep(block);
    free(a);
    free(b);
    free(c);
    delete[] d;
    free(e);
    free(f);

    EXPECT_EQ(allocs::total(), 7);
    EXPECT_EQ(allocs::inProgram(), 7);
    EXPECT_EQ(allocs::unattributed(), 0);
}

TEST(AllocationCounter, ALibraryAllocationIsChargedToTheLibraryNotTheProgram) {
    allocs::arm();
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 64, 24, 0xFF, 0xFF00, 0xFF0000, 0);
    allocs::disarm();
    ASSERT_NE(surface, nullptr);
    SDL_FreeSurface(surface);

    EXPECT_GT(allocs::total(), 0);
    EXPECT_EQ(allocs::inProgram(), 0);
    EXPECT_EQ(chargedTo("libSDL"), allocs::total());
}

TEST(AllocationCounter, CountsOnlyWhileArmedAndStartsAgainFromZero) {
    void* before = malloc(8);
    allocs::arm();
    void* during = malloc(8);
    allocs::disarm();
    void* after = malloc(8);
    keep(before);
    keep(during);
    keep(after);
    EXPECT_EQ(allocs::total(), 1);

    allocs::arm();
    allocs::disarm();
    EXPECT_EQ(allocs::total(), 0);
    EXPECT_EQ(allocs::inProgram(), 0);
    free(before);
    free(during);
    free(after);
}

TEST(AllocationCounter, SeesOtherThreadsAndNamesTheFunctionThatAsked) {
    allocs::arm();
    std::thread worker([] {
        for (int i = 0; i < 100; i++) free(allocateFromHere(32));
    });
    worker.join();
    allocs::disarm();

    EXPECT_GE(allocs::inProgram(), 100);
    const void* sites[allocs::MAX_SITES];
    int count = allocs::programSites(sites, allocs::MAX_SITES);
    bool named = false;
    for (int i = 0; i < count; i++) {
        Dl_info info;
        if (dladdr(sites[i], &info) && info.dli_sname && std::string(info.dli_sname) == "allocateFromHere") named = true;
    }
    EXPECT_TRUE(named) << "no recorded site lies in allocateFromHere";
}
