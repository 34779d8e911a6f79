// SampledPattern from arbitrary names, descriptions and sample values: either a valid
// pattern that samples as its data says, or std::invalid_argument with the message of the
// first rule broken, in the documented order.

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include <velmora/sampled_pattern.hpp>

namespace {

using namespace velmora;
using namespace velmora::fuzz;

constexpr const char* NAME_MESSAGE = "Invalid pattern name";
constexpr const char* COUNT_MESSAGE = "A pattern requires 1..65535 samples (one per pip)";
constexpr const char* VALUE_MESSAGE = "Pattern samples must be finite and within [-1, 1]";

std::size_t pick_count(FuzzedDataProvider& in) {
    const auto choice = in.ConsumeIntegral<std::uint8_t>();
    if (choice < 224) {
        return in.ConsumeIntegralInRange<std::size_t>(1, 64);
    }
    switch (choice % 4) {
        case 0: return 0;
        case 1: return 65535;
        case 2: return 65536;
        default: return in.ConsumeIntegralInRange<std::size_t>(0, 70000);
    }
}

// The expected outcome, from the rules written out here: nullptr for success.
const char* expected_message(const std::string& name, const std::vector<Offset3>& samples, std::uint8_t& dimensions) {
    if (!reference_identifier(name)) {
        return NAME_MESSAGE;
    }
    if (samples.empty() || samples.size() > 65535) {
        return COUNT_MESSAGE;
    }
    dimensions = 1;
    for (const Offset3& s : samples) {
        if (!unit(s)) {
            return VALUE_MESSAGE;
        }
        if (s.z != 0.0) {
            dimensions = 3;
        } else if (s.y != 0.0 && dimensions < 3) {
            dimensions = 2;
        }
    }
    return nullptr;
}

void check_pattern(const SampledPattern& pattern, const std::vector<Offset3>& samples, FuzzedDataProvider& in) {
    const std::int32_t count = static_cast<std::int32_t>(samples.size());
    for (int round = 0; round < 4; ++round) {
        const std::int32_t pip = interesting_pip(in);
        const Offset3 expected = samples[static_cast<std::size_t>(wrap_pip(pip, count))];
        require(same_bits(pattern.sample(pip), expected), "sample at the wrapped pip");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::string name = pick_name(in);
    std::string description = in.ConsumeRandomLengthString(64);
    std::vector<Offset3> samples(pick_count(in));
    // Only the first few samples vary; the rest repeat a value, so big counts stay cheap.
    const std::size_t varied = std::min<std::size_t>(samples.size(), 48);
    for (std::size_t i = 0; i < varied; ++i) {
        samples[i] = Offset3{pick_double(in), pick_double(in), pick_double(in)};
    }
    if (varied < samples.size()) {
        const Offset3 fill{pick_double(in), pick_double(in), pick_double(in)};
        const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(varied, samples.size() - 1);
        std::fill(samples.begin() + static_cast<std::ptrdiff_t>(varied), samples.end(), Offset3{0.125, 0.0, 0.0});
        samples[at] = fill;
    }
    std::uint8_t dimensions = 0;
    const char* expected = expected_message(name, samples, dimensions);

    try {
        SampledPattern pattern(name, description, samples);
        require(expected == nullptr, "accepted only when every rule holds", expected ? expected : "");
        const CatalogueEntry info = pattern.info();
        require(info.name == name && info.description == description, "info views the strings");
        require(info.period_pips == samples.size(), "period is the sample count");
        require(info.dimensions == dimensions, "dimensions from y and z");
        check_pattern(pattern, samples, in);

        const SampledPattern copy = pattern;
        check_pattern(copy, samples, in);
        SampledPattern moved = std::move(pattern);
        check_pattern(moved, samples, in);
        require(pattern.info().period_pips == 0 && pattern.info().dimensions == dimensions, "moved-from keeps dims");
        try {
            pattern.sample(in.ConsumeIntegral<std::int32_t>());
            fail("a moved-from pattern refuses to sample");
        } catch (const std::invalid_argument&) {
            fail("moved-from refusal is a logic_error, not invalid_argument");
        } catch (const std::logic_error& error) {
            require(std::string_view(error.what()) == "Cannot sample a moved-from pattern", "moved-from message");
        }
    } catch (const std::invalid_argument& error) {
        require(expected != nullptr, "refused only when a rule is broken", error.what());
        require(std::string_view(error.what()) == expected, "message of the first broken rule", error.what());
    }
    return 0;
}
