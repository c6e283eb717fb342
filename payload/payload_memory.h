// Where extraction gets its memory. Tests replace payloadAllocate to make an
// allocation fail; whatever it returns must be released by free().
#pragma once

#include <cstddef>

typedef void* (*PayloadAllocateFunc)(size_t bytes);

// malloc unless a test has put another function here.
extern PayloadAllocateFunc payloadAllocate;
