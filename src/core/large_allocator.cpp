#include "core/large_allocator.h"

#include <sys/mman.h>

#include <cstdint>

namespace pelko {
namespace {

constexpr std::size_t kHugePage = std::size_t(1) << 21;

constexpr std::size_t kPage = 4096;

std::size_t mappedSize(std::size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

std::size_t populatedSize(std::size_t bytes) {
    return (bytes + kPage - 1) & ~(kPage - 1);
}

}  // namespace

void* allocateLarge(std::size_t bytes) {
    if (bytes < kPopulatedBlock) {
        return ::operator new(bytes);
    }
    if (bytes < kLargeBlock) {
        // Every page present from the start: one call instead of a fault at each first touch.
        void* block = mmap(nullptr, populatedSize(bytes), PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (block == MAP_FAILED) {
            throw std::bad_alloc();
        }
        return block;
    }
    const std::size_t size = mappedSize(bytes);
    if (size < bytes || size + kHugePage < size) {
        throw std::bad_alloc();
    }
    // Map a huge page more than needed and cut the ends off, so that the block starts on a huge
    // page boundary.
    void* mapped =
        mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1);
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    const std::size_t tail = (start + size + kHugePage) - (aligned + size);
    if (tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    }
    void* block = reinterpret_cast<void*>(aligned);
    madvise(block, size, MADV_HUGEPAGE);  // advice only: without huge pages it works the same
    return block;
}

void freeLarge(void* block, std::size_t bytes) noexcept {
    if (!block) {
        return;
    }
    if (bytes < kPopulatedBlock) {
        ::operator delete(block);
        return;
    }
    munmap(block, bytes < kLargeBlock ? populatedSize(bytes) : mappedSize(bytes));
}

}  // namespace pelko
