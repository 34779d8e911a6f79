#pragma once

// A user pattern given as data: one sample per pip, looping for ever.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <velmora/catalogue.hpp>
#include <velmora/offset3.hpp>

namespace velmora {

// A looping pattern supplied as data: one sample per pip, repeating for ever.
// Validated once by the constructor and never changed afterwards.
class SampledPattern {
public:
    static constexpr std::size_t MAX_NAME_BYTES = 128;
    static constexpr std::size_t MAX_SAMPLES = 65535;

    // Takes ownership of the arguments before any test, so they are consumed
    // whether or not construction succeeds.
    SampledPattern(std::string name, std::string description, std::vector<Offset3> samples);

    SampledPattern(const SampledPattern&) = default;
    SampledPattern& operator=(const SampledPattern&) = default;
    // The source is left without samples and with empty strings, but keeps its
    // dimensions; such a pattern refuses to sample and a library refuses it.
    SampledPattern(SampledPattern&& other) noexcept;
    SampledPattern& operator=(SampledPattern&& other) noexcept;
    ~SampledPattern() = default;

    const std::string& name() const noexcept { return name_; }
    const std::string& description() const noexcept { return description_; }
    const std::vector<Offset3>& samples() const noexcept { return samples_; }
    std::size_t sample_count() const noexcept { return samples_.size(); }
    std::uint8_t dimensions() const noexcept { return dimensions_; }

    // Views into this pattern's own strings: valid while it is neither moved nor destroyed.
    CatalogueEntry info() const noexcept;

    // The sample at the pip's position in the loop; any pip, negative ones included.
    // Throws std::logic_error on a moved-from pattern.
    Offset3 sample(std::int32_t pip) const;

private:
    std::string name_;
    std::string description_;
    std::vector<Offset3> samples_;
    std::uint8_t dimensions_ = 1;
};

}  // namespace velmora
