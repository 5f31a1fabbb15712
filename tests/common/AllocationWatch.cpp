#include "AllocationWatch.h"

#include <atomic>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__GLIBC__)

bool AllocationWatch::isOn() {
    return false;
}
void AllocationWatch::reset() {}
std::size_t AllocationWatch::largest() {
    return 0;
}

#else

namespace {
std::atomic<std::size_t> largestSeen{0};

void note(std::size_t bytes) {
    std::size_t seen = largestSeen.load(std::memory_order_relaxed);
    while (bytes > seen && !largestSeen.compare_exchange_weak(seen, bytes))
        ;
}
} // namespace

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);

void* malloc(std::size_t bytes) {
    note(bytes);
    return __libc_malloc(bytes);
}
void* calloc(std::size_t count, std::size_t size) {
    std::size_t bytes = 0;
    note(__builtin_mul_overflow(count, size, &bytes) ? std::size_t(-1) : bytes);
    return __libc_calloc(count, size);
}
void* realloc(void* block, std::size_t bytes) {
    note(bytes);
    return __libc_realloc(block, bytes);
}
}

bool AllocationWatch::isOn() {
    return true;
}
void AllocationWatch::reset() {
    largestSeen = 0;
}
std::size_t AllocationWatch::largest() {
    return largestSeen;
}

#endif
