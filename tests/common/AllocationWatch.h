#pragma once

#include <cstddef>

// The largest single allocation the process asked for since the last reset: malloc, calloc and
// realloc are wrapped around glibc's own (QImage, libpng, libtiff and libjpeg all allocate
// through them). Sanitizer builds have an allocator of their own, which checks sizes itself
// (ASAN_OPTIONS max_allocation_size_mb), or must see every allocation: there the watch is off.
namespace AllocationWatch {
bool isOn();
void reset();
std::size_t largest();
} // namespace AllocationWatch
