#pragma once

#include <cstddef>
#include <cstdint>

// CatalogueEntry, UnknownPatternName, catalogue() and sample() are public; the pre-rendered
// store's row type is the catalogue's own.
#include <velmora/catalogue.hpp>

#include "core/offset3.hpp"

namespace velmora {

using Sampler = Offset3 (*)(std::int32_t pip) noexcept;

// One row of the pre-rendered table: the entry and the sampler that reads its samples.
struct PrerenderedEntry : CatalogueEntry {
    Sampler sampler;
};

// How many core patterns open the catalogue; the pre-rendered rows follow them.
std::size_t core_pattern_count() noexcept;

// The sampler of catalogue entry `index` (the order of catalogue()), or nullptr past the end.
Sampler sampler_at(std::size_t index) noexcept;

}  // namespace velmora
