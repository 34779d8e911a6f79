// The C API: each function turns C arguments into the C++ library's own calls and every
// exception into a status code and a per-thread message, so nothing C++ crosses the ABI.

#include <velmora/velmora.h>

#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.hpp"
#include <velmora/pattern_library.hpp>
#include <velmora/sampled_pattern.hpp>
#include <velmora/sampled_recording.hpp>

#ifndef VELMORA_VERSION
#error "VELMORA_VERSION must be defined by the build"
#endif

struct velmora_library {
    velmora::PatternLibrary library;
};

struct velmora_recording {
    velmora::SampledRecording recording;
};

namespace {

// The last failure's message on this thread. Storing it can itself run out of memory;
// then a fixed text stands in, so reporting never fails.
struct LastError {
    std::string text;
    bool out_of_memory = false;
};
thread_local LastError last_error;

constexpr std::string_view OUT_OF_MEMORY_TEXT = "std::bad_alloc";

velmora_status fail(velmora_status status, std::string_view message) noexcept {
    try {
        last_error.text.assign(message.data(), message.size());
        last_error.out_of_memory = false;
    } catch (...) {
        last_error.out_of_memory = true;
    }
    return status;
}

// The status and message of the exception being handled. UnknownPatternName is read
// through message(), since what() would stop at a zero byte inside the name.
velmora_status fail_with_current_exception() noexcept {
    try {
        throw;
    } catch (const velmora::UnknownPatternName& error) {
        return fail(VELMORA_INVALID_ARGUMENT, error.message());
    } catch (const std::invalid_argument& error) {
        return fail(VELMORA_INVALID_ARGUMENT, error.what());
    } catch (const std::length_error& error) {
        return fail(VELMORA_INVALID_ARGUMENT, error.what());
    } catch (const std::out_of_range& error) {
        return fail(VELMORA_OUT_OF_RANGE, error.what());
    } catch (const std::bad_alloc& error) {
        return fail(VELMORA_OUT_OF_MEMORY, error.what());
    } catch (const std::exception& error) {
        return fail(VELMORA_INTERNAL_ERROR, error.what());
    } catch (...) {
        return fail(VELMORA_INTERNAL_ERROR, "unknown exception");
    }
}

// Runs `body`, which returns nothing and reports through its arguments, behind the wall
// that keeps every exception on this side.
template <typename Body>
velmora_status guarded(Body&& body) noexcept {
    try {
        body();
        return VELMORA_OK;
    } catch (...) {
        return fail_with_current_exception();
    }
}

velmora_status null_argument(std::string_view function, std::string_view argument) noexcept {
    try {
        return fail(VELMORA_INVALID_ARGUMENT,
                    std::string(function) + ": " + std::string(argument) + " must not be NULL");
    } catch (...) {
        return fail(VELMORA_OUT_OF_MEMORY, OUT_OF_MEMORY_TEXT);
    }
}

velmora_status index_past_end(std::string_view function, std::size_t index, std::size_t count) noexcept {
    try {
        return fail(VELMORA_OUT_OF_RANGE, std::string(function) + ": index must be below " + std::to_string(count) +
                                              ", got " + std::to_string(index));
    } catch (...) {
        return fail(VELMORA_OUT_OF_MEMORY, OUT_OF_MEMORY_TEXT);
    }
}

void write_offset(const velmora::Offset3& position, double out[3]) noexcept {
    out[0] = position.x;
    out[1] = position.y;
    out[2] = position.z;
}

void write_entry(const velmora::CatalogueEntry& source, velmora_catalogue_entry* entry) noexcept {
    entry->name = source.name.data();
    entry->name_length = source.name.size();
    entry->description = source.description.data();
    entry->description_length = source.description.size();
    entry->period_pips = source.period_pips;
    entry->dimensions = source.dimensions;
}

velmora_status sample_builtin(const char* function, const char* name, std::size_t length, std::int32_t pip,
                              double out[3]) noexcept {
    if (name == nullptr && length != 0) {
        return null_argument(function, "name");
    }
    if (out == nullptr) {
        return null_argument(function, "out");
    }
    return guarded([&] { write_offset(velmora::sample(std::string_view(name, length), pip), out); });
}

velmora_status sample_library(const char* function, const velmora_library* library, const char* name,
                              std::size_t length, std::int32_t pip, double out[3]) noexcept {
    if (library == nullptr) {
        return null_argument(function, "library");
    }
    if (name == nullptr && length != 0) {
        return null_argument(function, "name");
    }
    if (out == nullptr) {
        return null_argument(function, "out");
    }
    return guarded([&] { write_offset(library->library.sample(std::string_view(name, length), pip), out); });
}

// Each input becomes a SampledPattern, checked by its own constructor in input order.
// Copying stops after the pattern that carries the sample total past the library's limit:
// the library refuses the pack there at the latest, and a pack of 1,024 patterns of 65,535
// samples would otherwise copy 1.5 GB first.
std::vector<velmora::SampledPattern> copy_patterns(const velmora_pattern_data* inputs, std::size_t count) {
    std::vector<velmora::SampledPattern> patterns;
    patterns.reserve(count);
    std::uint64_t total_samples = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const velmora_pattern_data& input = inputs[i];
        std::vector<velmora::Offset3> samples;
        // A count the pattern refuses anyway is not copied: no samples draw the same refusal,
        // after the name has been checked as it would have been.
        if (input.sample_count <= velmora::SampledPattern::MAX_SAMPLES) {
            samples.resize(input.sample_count);
            for (std::size_t s = 0; s < input.sample_count; ++s) {
                samples[s] = velmora::Offset3{input.samples[3 * s], input.samples[3 * s + 1], input.samples[3 * s + 2]};
            }
        }
        patterns.emplace_back(input.name, input.description, std::move(samples));
        total_samples += input.sample_count;
        if (total_samples > velmora::PatternLibrary::MAX_TOTAL_SAMPLES) {
            break;
        }
    }
    return patterns;
}

std::string input_field(std::size_t index, std::string_view field) {
    return "patterns[" + std::to_string(index) + "]." + std::string(field);
}

}  // namespace

extern "C" {

const char* velmora_last_error(size_t* length) noexcept {
    const LastError& error = last_error;
    const std::string_view text = error.out_of_memory ? OUT_OF_MEMORY_TEXT : std::string_view(error.text);
    if (length != nullptr) {
        *length = text.size();
    }
    return text.data();  // both the fixed text and the string end with a zero byte
}

const char* velmora_version(void) noexcept {
    return VELMORA_VERSION;
}

velmora_status velmora_sample(const char* name, int32_t pip, double out[3]) noexcept {
    if (name == nullptr) {
        return null_argument("velmora_sample", "name");
    }
    return sample_builtin("velmora_sample", name, std::strlen(name), pip, out);
}

velmora_status velmora_sample_n(const char* name, size_t length, int32_t pip, double out[3]) noexcept {
    return sample_builtin("velmora_sample_n", name, length, pip, out);
}

velmora_status velmora_catalogue_size(size_t* count) noexcept {
    if (count == nullptr) {
        return null_argument("velmora_catalogue_size", "count");
    }
    return guarded([&] { *count = velmora::catalogue().size(); });
}

velmora_status velmora_catalogue_entry_at(size_t index, velmora_catalogue_entry* entry) noexcept {
    if (entry == nullptr) {
        return null_argument("velmora_catalogue_entry_at", "entry");
    }
    const std::vector<velmora::CatalogueEntry>* entries = nullptr;
    if (const velmora_status status = guarded([&] { entries = &velmora::catalogue(); }); status != VELMORA_OK) {
        return status;
    }
    if (index >= entries->size()) {
        return index_past_end("velmora_catalogue_entry_at", index, entries->size());
    }
    write_entry((*entries)[index], entry);
    return VELMORA_OK;
}

velmora_status velmora_library_create(const velmora_pattern_data* patterns, size_t count,
                                      velmora_library** library) noexcept {
    constexpr const char* function = "velmora_library_create";
    if (library == nullptr) {
        return null_argument(function, "library");
    }
    *library = nullptr;
    if (patterns == nullptr && count != 0) {
        return null_argument(function, "patterns");
    }
    // The library's first rule, before any pattern is looked at.
    if (count > velmora::PatternLibrary::MAX_PATTERNS) {
        return fail(VELMORA_INVALID_ARGUMENT, "Too many patterns");
    }
    for (std::size_t i = 0; i < count; ++i) {
        const velmora_pattern_data& input = patterns[i];
        const char* missing = input.name == nullptr          ? "name"
                              : input.description == nullptr ? "description"
                              : input.samples == nullptr && input.sample_count != 0 ? "samples"
                                                                                   : nullptr;
        if (missing != nullptr) {
            try {
                return null_argument(function, input_field(i, missing));
            } catch (...) {
                return fail(VELMORA_OUT_OF_MEMORY, OUT_OF_MEMORY_TEXT);
            }
        }
    }
    return guarded([&] { *library = new velmora_library{velmora::PatternLibrary(copy_patterns(patterns, count))}; });
}

void velmora_library_free(velmora_library* library) noexcept {
    delete library;
}

velmora_status velmora_library_sample(const velmora_library* library, const char* name, int32_t pip,
                                      double out[3]) noexcept {
    if (name == nullptr) {
        return null_argument("velmora_library_sample", "name");
    }
    return sample_library("velmora_library_sample", library, name, std::strlen(name), pip, out);
}

velmora_status velmora_library_sample_n(const velmora_library* library, const char* name, size_t length, int32_t pip,
                                        double out[3]) noexcept {
    return sample_library("velmora_library_sample_n", library, name, length, pip, out);
}

velmora_status velmora_library_catalogue_size(const velmora_library* library, size_t* count) noexcept {
    if (library == nullptr) {
        return null_argument("velmora_library_catalogue_size", "library");
    }
    if (count == nullptr) {
        return null_argument("velmora_library_catalogue_size", "count");
    }
    return guarded([&] { *count = velmora::catalogue().size() + library->library.patterns().size(); });
}

velmora_status velmora_library_catalogue_entry_at(const velmora_library* library, size_t index,
                                                  velmora_catalogue_entry* entry) noexcept {
    constexpr const char* function = "velmora_library_catalogue_entry_at";
    if (library == nullptr) {
        return null_argument(function, "library");
    }
    if (entry == nullptr) {
        return null_argument(function, "entry");
    }
    const std::vector<velmora::CatalogueEntry>* builtins = nullptr;
    if (const velmora_status status = guarded([&] { builtins = &velmora::catalogue(); }); status != VELMORA_OK) {
        return status;
    }
    // The same entries as PatternLibrary::catalogue(), without building its vector.
    const std::vector<velmora::SampledPattern>& stored = library->library.patterns();
    if (index < builtins->size()) {
        write_entry((*builtins)[index], entry);
    } else if (index - builtins->size() < stored.size()) {
        write_entry(stored[index - builtins->size()].info(), entry);
    } else {
        return index_past_end(function, index, builtins->size() + stored.size());
    }
    return VELMORA_OK;
}

velmora_status velmora_recording_create(const char* name, const char* const* axis_names, size_t axis_count,
                                        const double* values, size_t row_count, double bpm, double beat_zero_seconds,
                                        int32_t start_pip, velmora_recording** recording) noexcept {
    constexpr const char* function = "velmora_recording_create";
    if (recording == nullptr) {
        return null_argument(function, "recording");
    }
    *recording = nullptr;
    if (name == nullptr) {
        return null_argument(function, "name");
    }
    if (axis_names == nullptr && axis_count != 0) {
        return null_argument(function, "axis_names");
    }
    if (values == nullptr && axis_count != 0 && row_count != 0) {
        return null_argument(function, "values");
    }
    // Sizes the recording refuses anyway are not copied: no axes and no rows draw the same
    // refusal, after the name and the tempo have been checked as they would have been.
    constexpr std::uint64_t max_values = velmora::SampledRecording::MAX_VALUES;
    const bool within_limits = axis_count != 0 && axis_count <= max_values && row_count <= max_values / axis_count;
    if (within_limits) {
        for (std::size_t a = 0; a < axis_count; ++a) {
            if (axis_names[a] == nullptr) {
                try {
                    return null_argument(function, "axis_names[" + std::to_string(a) + "]");
                } catch (...) {
                    return fail(VELMORA_OUT_OF_MEMORY, OUT_OF_MEMORY_TEXT);
                }
            }
        }
    }
    return guarded([&] {
        std::vector<std::string> axes;
        std::vector<std::vector<double>> rows;
        if (within_limits) {
            axes.assign(axis_names, axis_names + axis_count);
            rows.reserve(row_count);
            for (std::size_t r = 0; r < row_count; ++r) {
                const double* row = values + r * axis_count;
                rows.emplace_back(row, row + axis_count);
            }
        }
        *recording = new velmora_recording{
            velmora::SampledRecording(name, std::move(axes), rows, bpm, beat_zero_seconds, start_pip)};
    });
}

void velmora_recording_free(velmora_recording* recording) noexcept {
    delete recording;
}

velmora_status velmora_recording_sample(const velmora_recording* recording, int32_t pip, double* out,
                                        size_t capacity) noexcept {
    constexpr const char* function = "velmora_recording_sample";
    if (recording == nullptr) {
        return null_argument(function, "recording");
    }
    if (out == nullptr) {
        return null_argument(function, "out");
    }
    const std::size_t axes = recording->recording.dimensions().size();
    if (capacity < axes) {
        try {
            return fail(VELMORA_INVALID_ARGUMENT, std::string(function) + ": capacity must hold the " +
                                                      std::to_string(axes) + " axes, got " + std::to_string(capacity));
        } catch (...) {
            return fail(VELMORA_OUT_OF_MEMORY, OUT_OF_MEMORY_TEXT);
        }
    }
    return guarded([&] {
        const std::vector<double> row = recording->recording.sample(pip);
        std::memcpy(out, row.data(), row.size() * sizeof(double));
    });
}

size_t velmora_recording_axis_count(const velmora_recording* recording) noexcept {
    return recording == nullptr ? 0 : recording->recording.dimensions().size();
}

const char* velmora_recording_axis_name(const velmora_recording* recording, size_t axis) noexcept {
    if (recording == nullptr || axis >= recording->recording.dimensions().size()) {
        return nullptr;
    }
    return recording->recording.dimensions()[axis].c_str();
}

const char* velmora_recording_name(const velmora_recording* recording) noexcept {
    return recording == nullptr ? "" : recording->recording.name().c_str();
}

int32_t velmora_recording_sample_count(const velmora_recording* recording) noexcept {
    return recording == nullptr ? 0 : recording->recording.sample_count();
}

int32_t velmora_recording_start_pip(const velmora_recording* recording) noexcept {
    return recording == nullptr ? 0 : recording->recording.start_pip();
}

double velmora_recording_bpm(const velmora_recording* recording) noexcept {
    return recording == nullptr ? 0.0 : recording->recording.bpm();
}

double velmora_recording_beat_zero_seconds(const velmora_recording* recording) noexcept {
    return recording == nullptr ? 0.0 : recording->recording.beat_zero_seconds();
}

}  // extern "C"
