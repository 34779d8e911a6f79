#include <velmora/sampled_pattern.hpp>

#include "library/identifier.hpp"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace velmora {

namespace {

// NaN fails the comparison, infinities fail the bound.
bool is_unit_coordinate(double value) noexcept {
    return std::isfinite(value) && std::fabs(value) <= 1.0;
}

}  // namespace

SampledPattern::SampledPattern(std::string name, std::string description, std::vector<Offset3> samples)
    : name_(std::move(name)), description_(std::move(description)), samples_(std::move(samples)) {
    if (!is_identifier(name_, MAX_NAME_BYTES)) {
        throw std::invalid_argument("Invalid pattern name");
    }
    if (samples_.empty() || samples_.size() > MAX_SAMPLES) {
        throw std::invalid_argument("A pattern requires 1..65535 samples (one per pip)");
    }
    for (const Offset3& s : samples_) {
        if (!is_unit_coordinate(s.x) || !is_unit_coordinate(s.y) || !is_unit_coordinate(s.z)) {
            throw std::invalid_argument("Pattern samples must be finite and within [-1, 1]");
        }
        // -0.0 compares equal to zero, so a negative zero does not raise the count.
        if (s.z != 0.0) {
            dimensions_ = 3;
        } else if (s.y != 0.0 && dimensions_ != 3) {
            dimensions_ = 2;
        }
    }
}

SampledPattern::SampledPattern(SampledPattern&& other) noexcept
    : name_(std::exchange(other.name_, std::string())),
      description_(std::exchange(other.description_, std::string())),
      samples_(std::exchange(other.samples_, std::vector<Offset3>())),
      dimensions_(other.dimensions_) {}

SampledPattern& SampledPattern::operator=(SampledPattern&& other) noexcept {
    if (this != &other) {
        name_ = std::exchange(other.name_, std::string());
        description_ = std::exchange(other.description_, std::string());
        samples_ = std::exchange(other.samples_, std::vector<Offset3>());
        dimensions_ = other.dimensions_;
    }
    return *this;
}

CatalogueEntry SampledPattern::info() const noexcept {
    // The count never exceeds 65,535 for a constructed pattern and is 0 once moved from.
    return CatalogueEntry{name_, description_, static_cast<std::uint16_t>(samples_.size()), dimensions_};
}

Offset3 SampledPattern::sample(std::int32_t pip) const {
    if (samples_.empty()) {
        throw std::logic_error("Cannot sample a moved-from pattern");
    }
    return samples_[static_cast<std::size_t>(wrap_pip(pip, static_cast<std::int32_t>(samples_.size())))];
}

}  // namespace velmora
