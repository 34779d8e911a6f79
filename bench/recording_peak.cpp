// What the SampledRecording constructor itself allocates at the size limit: its peak heap
// use above its already converted input, and how many allocations it makes. Every
// allocation of this program is counted through the global operator new.
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>

#include <velmora/sampled_recording.hpp>
#include "recording_input.hpp"

namespace {

std::size_t live_bytes = 0;
std::size_t peak_bytes = 0;
std::size_t allocations = 0;

void* counted_allocation(std::size_t size) {
    void* pointer = std::malloc(size == 0 ? 1 : size);
    if (pointer == nullptr) {
        throw std::bad_alloc();
    }
    live_bytes += malloc_usable_size(pointer);
    peak_bytes = live_bytes > peak_bytes ? live_bytes : peak_bytes;
    ++allocations;
    return pointer;
}

void counted_release(void* pointer) noexcept {
    if (pointer != nullptr) {
        live_bytes -= malloc_usable_size(pointer);
        std::free(pointer);
    }
}

}  // namespace

void* operator new(std::size_t size) { return counted_allocation(size); }
void* operator new[](std::size_t size) { return counted_allocation(size); }
void operator delete(void* pointer) noexcept { counted_release(pointer); }
void operator delete[](void* pointer) noexcept { counted_release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { counted_release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { counted_release(pointer); }

int main() {
    constexpr double MiB = 1024.0 * 1024.0;
    for (const std::size_t axes : {std::size_t{1024}, std::size_t{1}}) {
        velmora::bench::RecordingInput input = velmora::bench::recording_at_limit(axes);
        const std::size_t rows = input.rows.size();
        const std::size_t input_bytes = live_bytes;
        peak_bytes = live_bytes;
        allocations = 0;
        {
            const velmora::SampledRecording recording("take", std::move(input.axis_names), input.rows, 120.0, 0.0, 0);
            std::printf("constructor, %zu rows x %zu axes: peak +%.1f MiB above its input, %zu allocations, "
                        "%d rows kept\n",
                        rows, axes, static_cast<double>(peak_bytes - input_bytes) / MiB, allocations,
                        recording.sample_count());
        }
    }
    return 0;
}
