#pragma once

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

}  // namespace velmora
