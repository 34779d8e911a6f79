#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/offset3.hpp"

namespace velmora {

// Describes one pattern. For built-in entries the views point into static text.
struct CatalogueEntry {
    std::string_view name;
    std::string_view description;
    std::uint16_t period_pips;
    std::uint8_t dimensions;
};

using Sampler = Offset3 (*)(std::int32_t pip) noexcept;

// One row of the pre-rendered table: the entry and the sampler that reads its samples.
struct PrerenderedEntry : CatalogueEntry {
    Sampler sampler;
};

// The 15 core entries followed by every pre-rendered entry, in table order.
// Built on first use; the same vector is returned on every call.
const std::vector<CatalogueEntry>& catalogue();

// Evaluates the built-in pattern called `name` at `pip`.
// Throws std::invalid_argument("Unknown velmora: " + name) for any other name.
Offset3 sample(std::string_view name, std::int32_t pip);

}  // namespace velmora
