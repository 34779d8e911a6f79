#pragma once

// Captured motion tied to a tempo: one row per pip, one value per named axis, no looping.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// Captured motion: one row per pip from a start pip on, one value per named axis,
// tied to the tempo and beat origin of the performance. It does not loop.
// Validated once by the constructor and never changed afterwards.
class SampledRecording {
public:
    static constexpr std::size_t MAX_NAME_BYTES = 128;
    // Caps the flat store at 64 MiB of doubles.
    static constexpr std::uint64_t MAX_VALUES = std::uint64_t{1} << 23;

    // Rows are copied, value by value, into one flat row-major store.
    SampledRecording(std::string name,
                     std::vector<std::string> dimensions,
                     const std::vector<std::vector<double>>& samples,
                     double bpm,
                     double beat_zero_seconds,
                     std::int32_t start_pip);

    const std::string& name() const noexcept { return name_; }
    const std::vector<std::string>& dimensions() const noexcept { return axis_names_; }
    std::int32_t sample_count() const noexcept;
    double bpm() const noexcept { return bpm_; }
    double beat_zero_seconds() const noexcept { return beat_zero_seconds_; }
    std::int32_t start_pip() const noexcept { return start_pip_; }

    // The row of that pip, one value per axis in axis order.
    // Throws std::out_of_range for a pip outside the recorded rows.
    std::vector<double> sample(std::int32_t pip) const;

private:
    std::string name_;
    std::vector<std::string> axis_names_;
    std::vector<double> values_;
    double bpm_;
    double beat_zero_seconds_;
    std::int32_t start_pip_;
};

}  // namespace velmora
