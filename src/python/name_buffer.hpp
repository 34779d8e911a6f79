#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace velmora::python {

// Storage for the pattern name of one call. A name longer than the string's inline room
// would otherwise cost a heap allocation and release on every lookup; this one buffer per
// thread serves the name of the call in progress (a nested call on the same thread, made
// while converting a later argument, falls back to the heap).
template <typename T>
struct NameBufferAllocator {
    using value_type = T;

    NameBufferAllocator() noexcept = default;
    template <typename U>
    NameBufferAllocator(const NameBufferAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        Buffer& buffer = thread_buffer();
        if (!buffer.in_use && count * sizeof(T) <= sizeof buffer.bytes) {
            buffer.in_use = true;
            return reinterpret_cast<T*>(buffer.bytes);
        }
        return std::allocator<T>().allocate(count);
    }

    void deallocate(T* pointer, std::size_t count) noexcept {
        Buffer& buffer = thread_buffer();
        if (pointer == reinterpret_cast<T*>(buffer.bytes)) {
            buffer.in_use = false;
        } else {
            std::allocator<T>().deallocate(pointer, count);
        }
    }

    template <typename U>
    bool operator==(const NameBufferAllocator<U>&) const noexcept {
        return true;
    }

private:
    struct Buffer {
        // Room for any name a pattern can have (128 bytes) and its terminator.
        alignas(16) unsigned char bytes[160];
        bool in_use = false;
    };
    static Buffer& thread_buffer() noexcept {
        thread_local Buffer buffer;
        return buffer;
    }
};

// A pattern name as pybind11 converts it (str as UTF-8, bytes, bytearray), held in the
// per-thread buffer above.
using PatternName = std::basic_string<char, std::char_traits<char>, NameBufferAllocator<char>>;

}  // namespace velmora::python
