// The C API when memory runs out at each allocation in turn: every call reports
// VELMORA_OUT_OF_MEMORY with the runtime's message, hands out no object, and works once
// memory is back. A C++ program only because it replaces the global operator new.

#include <velmora/velmora.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

long allocations_left = -1;  // below zero: no limit
int failures = 0;

void check(bool condition, const char* what, int line) {
    if (!condition) {
        std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, line, what);
        ++failures;
    }
}
#define CHECK(condition) check((condition), #condition, __LINE__)

bool out_of_memory(velmora_status status) {
    return status == VELMORA_OUT_OF_MEMORY && std::strcmp(velmora_last_error(nullptr), "std::bad_alloc") == 0;
}

// Runs `call` with 0, 1, 2, ... allocations allowed until it succeeds; each earlier run
// must fail for want of memory. Returns how many runs failed.
template <typename Call>
int until_enough_memory(Call call, int line) {
    for (long allowed = 0;; ++allowed) {
        allocations_left = allowed;
        const velmora_status status = call();
        allocations_left = -1;
        if (status == VELMORA_OK) {
            return static_cast<int>(allowed);
        }
        check(out_of_memory(status), "the failure is VELMORA_OUT_OF_MEMORY, \"std::bad_alloc\"", line);
        if (allowed > 10000) {
            check(false, "the call succeeds once memory suffices", line);
            return static_cast<int>(allowed);
        }
    }
}

}  // namespace

void* operator new(std::size_t size) {
    if (allocations_left == 0) {
        throw std::bad_alloc();
    }
    if (allocations_left > 0) {
        --allocations_left;
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

int main() {
    // The catalogue is built on first use; a failed build leaves it unbuilt, to be tried again.
    size_t count = 0;
    CHECK(until_enough_memory([&] { return velmora_catalogue_size(&count); }, __LINE__) > 0 && count == 1731);

    // The unknown-name error itself needs memory for its message.
    double out[3];
    allocations_left = 0;
    CHECK(out_of_memory(velmora_sample("nope", 0, out)));
    allocations_left = -1;

    const double wave[2 * 3] = {0.5, 0.0, 0.0, -0.5, 0.0, 0.0};
    const velmora_pattern_data inputs[2] = {{"wave", "two samples", wave, 2}, {"still", "", wave + 3, 1}};
    velmora_library* library = nullptr;
    CHECK(until_enough_memory(
              [&] {
                  const velmora_status status = velmora_library_create(inputs, 2, &library);
                  CHECK((status == VELMORA_OK) == (library != nullptr));
                  return status;
              },
              __LINE__) > 0);
    CHECK(velmora_library_sample(library, "wave", 1, out) == VELMORA_OK && out[0] == -0.5);
    velmora_library_free(library);

    const char* axes[2] = {"x", "y"};
    velmora_recording* recording = nullptr;
    CHECK(until_enough_memory(
              [&] {
                  const velmora_status status =
                      velmora_recording_create("take", axes, 2, wave, 3, 120.0, 0.0, 0, &recording);
                  CHECK((status == VELMORA_OK) == (recording != nullptr));
                  return status;
              },
              __LINE__) > 0);
    CHECK(until_enough_memory([&] { return velmora_recording_sample(recording, 2, out, 3); }, __LINE__) > 0 &&
          out[1] == 0.0);
    velmora_recording_free(recording);

    if (failures != 0) {
        std::fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    std::puts("C API out of memory: all checks passed");
    return 0;
}
