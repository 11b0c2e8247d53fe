#pragma once
// Counts the heap allocations of the whole process, Qt's and the C++ library's included: the
// program that includes this header (once, in its one source file) puts its own malloc family in
// front of the C library's, which every shared library then calls.
#include <atomic>
#include <cstddef>
#include <cstdint>

extern "C" {
void* __libc_malloc(size_t Size);
void* __libc_calloc(size_t Count, size_t Size);
void* __libc_realloc(void* Block, size_t Size);
void* __libc_memalign(size_t Alignment, size_t Size);
void __libc_free(void* Block);
}

namespace benchalloc {

inline std::atomic<uint64_t> Count{0};

// Allocations made so far, reallocations that may move a block included.
inline uint64_t Allocations() {
    return Count.load(std::memory_order_relaxed);
}

} // namespace benchalloc

extern "C" {

void* malloc(size_t Size) noexcept {
    benchalloc::Count.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(Size);
}

void* calloc(size_t Count, size_t Size) noexcept {
    benchalloc::Count.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(Count, Size);
}

void* realloc(void* Block, size_t Size) noexcept {
    benchalloc::Count.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(Block, Size);
}

void* memalign(size_t Alignment, size_t Size) noexcept {
    benchalloc::Count.fetch_add(1, std::memory_order_relaxed);
    return __libc_memalign(Alignment, Size);
}

void* aligned_alloc(size_t Alignment, size_t Size) noexcept {
    return memalign(Alignment, Size);
}

int posix_memalign(void** Result, size_t Alignment, size_t Size) noexcept {
    void* Block = memalign(Alignment, Size);
    if (!Block) return 12; // ENOMEM
    *Result = Block;
    return 0;
}

void free(void* Block) noexcept {
    __libc_free(Block);
}

} // extern "C"
