#include <velmora/sampled_recording.hpp>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "library/identifier.hpp"

namespace velmora {

namespace {

bool valid_tempo_and_origin(double bpm, double beat_zero_seconds) noexcept {
    if (!std::isfinite(bpm) || !(bpm > 0.0)) {
        return false;
    }
    // A positive tempo this close to zero makes the beat length overflow.
    const double seconds_per_beat = 60.0 / bpm;
    if (!std::isfinite(seconds_per_beat)) {
        return false;
    }
    const double seconds_per_pip = seconds_per_beat * (1.0 / 64.0);
    if (!(seconds_per_pip > 0.0)) {
        return false;
    }
    return std::isfinite(beat_zero_seconds);
}

// Decided without multiplying, so no count can overflow before it is refused.
bool within_resource_limits(std::size_t axes, std::size_t rows, std::int32_t start_pip) noexcept {
    constexpr std::uint64_t max_values = SampledRecording::MAX_VALUES;
    if (axes == 0 || axes > max_values || rows == 0) {
        return false;
    }
    if (rows > max_values / axes) {
        return false;
    }
    // rows <= 2^23 here, so the sum cannot overflow 64 bits.
    const std::int64_t end_pip = static_cast<std::int64_t>(start_pip) + static_cast<std::int64_t>(rows);
    return end_pip <= std::numeric_limits<std::int32_t>::max();
}

bool is_unit_value(double value) noexcept {
    return std::isfinite(value) && std::fabs(value) <= 1.0;
}

}  // namespace

SampledRecording::SampledRecording(std::string name,
                                   std::vector<std::string> dimensions,
                                   const std::vector<std::vector<double>>& samples,
                                   double bpm,
                                   double beat_zero_seconds,
                                   std::int32_t start_pip)
    : name_(std::move(name)),
      axis_names_(std::move(dimensions)),
      bpm_(bpm),
      beat_zero_seconds_(beat_zero_seconds),
      start_pip_(start_pip) {
    if (!is_identifier(name_, MAX_NAME_BYTES)) {
        throw std::invalid_argument("Invalid identifier");
    }
    if (!valid_tempo_and_origin(bpm_, beat_zero_seconds_)) {
        throw std::invalid_argument("A finite positive BPM and beat origin are required");
    }
    const std::size_t axes = axis_names_.size();
    const std::size_t rows = samples.size();
    if (!within_resource_limits(axes, rows, start_pip_)) {
        throw std::invalid_argument("Empty recording or recording resource limit exceeded");
    }
    {
        std::unordered_set<std::string_view> seen;
        seen.reserve(axes);
        for (const std::string& axis : axis_names_) {
            if (!is_identifier(axis, MAX_NAME_BYTES)) {
                throw std::invalid_argument("Invalid identifier");
            }
            if (!seen.insert(axis).second) {
                throw std::invalid_argument("Duplicate axis");
            }
        }
    }
    values_.reserve(axes * rows);
    for (const std::vector<double>& row : samples) {
        if (row.size() != axes) {
            throw std::invalid_argument("Ragged recording");
        }
        for (const double value : row) {
            if (!is_unit_value(value)) {
                throw std::invalid_argument("Invalid sample");
            }
        }
        values_.insert(values_.end(), row.begin(), row.end());
    }
}

std::int32_t SampledRecording::sample_count() const noexcept {
    if (axis_names_.empty()) {
        return 0;
    }
    // At most 2^23 rows, so the count fits.
    return static_cast<std::int32_t>(values_.size() / axis_names_.size());
}

std::vector<double> SampledRecording::sample(std::int32_t pip) const {
    const std::int64_t row = static_cast<std::int64_t>(pip) - static_cast<std::int64_t>(start_pip_);
    if (row < 0 || row >= static_cast<std::int64_t>(sample_count())) {
        throw std::out_of_range("Pip outside non-looping recording");
    }
    const std::size_t axes = axis_names_.size();
    const auto first = values_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * axes);
    return std::vector<double>(first, first + static_cast<std::ptrdiff_t>(axes));
}

}  // namespace velmora
