#pragma once

#include <cstdint>
#include <span>

#include "catalogue/catalogue.hpp"

// The pre-rendered store, produced at build time by tools/generator.
namespace velmora::prerendered {

// Every pre-rendered row, in table order (collection by collection).
extern const std::span<const PrerenderedEntry> rows;

// Positions into `rows`, ordered so that the names they designate ascend bytewise.
extern const std::span<const std::uint64_t> name_index;

}  // namespace velmora::prerendered
