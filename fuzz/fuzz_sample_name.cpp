// The built-in lookup by name with arbitrary bytes: a name that the catalogue holds must
// give a valid, periodic sample; every other name must fail with "Unknown velmora: " and
// the name exactly as passed. Nothing else may happen.

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <unordered_map>

#include "catalogue/catalogue.hpp"
#include "fuzz_support.hpp"

namespace {

using namespace velmora;
using namespace velmora::fuzz;

const std::unordered_map<std::string_view, const CatalogueEntry*>& entries_by_name() {
    static const auto map = [] {
        std::unordered_map<std::string_view, const CatalogueEntry*> by_name;
        for (const CatalogueEntry& entry : catalogue()) {
            require(by_name.emplace(entry.name, &entry).second, "catalogue names are distinct", entry.name);
        }
        return by_name;
    }();
    return map;
}

void check_known(const CatalogueEntry& entry, std::string_view name, std::int32_t pip) {
    const Offset3 value = sample(name, pip);
    require(unit(value), "sample stays finite and within [-1, 1]", name);
    require(entry.dimensions >= 3 || value.z == 0.0, "z is zero beyond the dimensions", name);
    require(entry.dimensions >= 2 || value.y == 0.0, "y is zero beyond the dimensions", name);
    // The same position one period on and one period back, wherever that still fits 32 bits.
    const std::int64_t period = entry.period_pips;
    for (const std::int64_t other : {std::int64_t{pip} + period, std::int64_t{pip} - period,
                                     std::int64_t{wrap_pip(pip, static_cast<std::int32_t>(period))}}) {
        if (other >= std::numeric_limits<std::int32_t>::min() && other <= std::numeric_limits<std::int32_t>::max()) {
            require(same_bits(value, sample(name, static_cast<std::int32_t>(other))), "sample is periodic", name);
        }
    }
}

void check_unknown(std::string_view name, std::int32_t pip) {
    try {
        sample(name, pip);
    } catch (const UnknownPatternName& error) {
        const std::string expected = std::string("Unknown velmora: ").append(name);
        require(error.message() == expected, "whole message carries the name", name);
        require(std::string_view(error.what()) == std::string_view(expected.c_str()), "what() agrees", name);
        return;
    }
    fail("an unknown name is refused", name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::int32_t pip = in.ConsumeIntegral<std::int32_t>();  // from the end of the input
    const std::string name = in.ConsumeRemainingBytesAsString();
    const auto& by_name = entries_by_name();
    if (const auto found = by_name.find(name); found != by_name.end()) {
        check_known(*found->second, name, pip);
    } else {
        check_unknown(name, pip);
    }
    return 0;
}
