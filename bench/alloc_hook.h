// Heap allocation counter: while armed, every allocation is charged to the program object whose code asked for it.
//
// The counter replaces malloc and its relatives in the program that links it
// (the C library's own allocator still does the work), so it sees allocations
// made by the game, the OpenGL driver, freeglut, SDL and every thread alike. For
// each one it walks the stack outward from the allocator and skips the runtime
// libraries (C and C++ runtime, libm, the unwinder, the loader): the first object
// past them is the one charged. So the game calling strdup or operator new is
// charged to the game, and the driver calling them to the driver.
#pragma once

#include <cstddef>

namespace allocs {

// Per-object tallies, in the order the objects were first seen.
struct ObjectCount {
    const char* name;  // the object's file name, as the loader knows it
    long count;
    bool isProgram;    // the program itself (the statically linked game and its harness)
};

enum { MAX_OBJECTS = 48, MAX_SITES = 16 };

// Starts counting from zero.
void arm();
// Stops counting; the tallies stay until the next arm().
void disarm();

// Allocations seen while armed, in all.
long total();
// Of those, charged to the program itself.
long inProgram();
// Allocations seen while the counter was already busy with one on the same
// thread (charged to no object; always 0 unless the stack walk allocates).
long unattributed();

// The tallies; returns how many objects there are.
int objects(ObjectCount* out, int capacity);

// Code addresses in the program that asked for memory (the first few distinct
// ones), to find the line that allocates. Returns how many there are.
int programSites(const void** out, int capacity);

}  // namespace allocs
