// What the SampledRecording constructor itself allocates at the size limit: its peak heap
// use above its already converted input, and how many allocations it makes. Every
// allocation of this program is counted through the global operator new.
#include <malloc.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "recording/sampled_recording.hpp"

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
        const std::size_t rows = velmora::SampledRecording::MAX_VALUES / axes;
        std::vector<std::string> names;
        for (std::size_t a = 0; a < axes; ++a) {
            std::string name = "a";
            name += std::to_string(a);
            names.push_back(std::move(name));
        }
        const std::vector<std::vector<double>> samples(rows, std::vector<double>(axes, 0.5));
        const std::size_t input = live_bytes;
        peak_bytes = live_bytes;
        allocations = 0;
        {
            const velmora::SampledRecording recording("take", std::move(names), samples, 120.0, 0.0, 0);
            std::printf("constructor, %zu rows x %zu axes: peak +%.1f MiB above its input, %zu allocations, "
                        "%d rows kept\n",
                        rows, axes, static_cast<double>(peak_bytes - input) / MiB, allocations,
                        recording.sample_count());
        }
    }
    return 0;
}
