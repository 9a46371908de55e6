#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace pelko {

// Memory for large buffers (frames, colour tables of whole screens, compressed data), mapped on
// its own and unmapped when freed, so that a long-running program hands every frame's memory
// back instead of keeping it in the allocator's free lists. The first touch of a fresh 4 KiB
// page costs a fault of about 15 microseconds on a virtual machine, so blocks of at least
// kLargeBlock bytes are 2 MiB aligned and marked for huge pages (about 130 microseconds for
// each 2 MiB), and blocks from kPopulatedBlock on get all their pages at once when mapped
// (about 1 microsecond a page). Smaller blocks come from operator new.
void* allocateLarge(std::size_t bytes);
void freeLarge(void* block, std::size_t bytes) noexcept;

inline constexpr std::size_t kPopulatedBlock = std::size_t(1) << 16;
inline constexpr std::size_t kLargeBlock = std::size_t(1) << 19;

template <class T>
struct LargeAllocator {
    using value_type = T;

    LargeAllocator() noexcept = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(allocateLarge(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { freeLarge(p, n * sizeof(T)); }

    // Elements added without a value (resize) are default-initialised: a byte buffer that is
    // about to be written is not cleared first, which would touch every page twice. Types with
    // default member initialisers still get them.
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <class U>
    friend bool operator==(const LargeAllocator&, const LargeAllocator<U>&) noexcept {
        return true;
    }
};

// A byte buffer in such memory.
using ByteBuffer = std::vector<std::uint8_t, LargeAllocator<std::uint8_t>>;

}  // namespace pelko
