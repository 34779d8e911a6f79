#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "catalogue/catalogue.hpp"

// The pre-rendered store, produced at build time by tools/generator.
namespace velmora::prerendered {

// Every pre-rendered row, in table order (collection by collection).
extern const std::span<const PrerenderedEntry> rows;

// What the generator knows of each row beyond its catalogue entry, in the order of `rows`:
// its collection ("velmora_atlas"), its family (the shared name prefix, "polar_rose_"),
// and for the groove grid the score's key and title and the motion's key (else empty).
struct RowFacts {
    std::string_view collection;
    std::string_view family;
    std::string_view groove;
    std::string_view groove_title;
    std::string_view motion;
};
extern const std::span<const RowFacts> facts;

// Positions into `rows`, ordered so that the names they designate ascend bytewise.
extern const std::span<const std::uint64_t> name_index;

// name_prefix of each name in `name_index` order, so that most steps of the name search
// compare one integer instead of reaching for the name's bytes.
extern const std::span<const std::uint64_t> name_prefixes;

// The first eight bytes of a name, big-endian, zero-padded: integer order on these agrees
// with the bytewise name order wherever two prefixes differ.
constexpr std::uint64_t name_prefix(std::string_view name) noexcept {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const std::uint64_t byte = i < name.size() ? static_cast<unsigned char>(name[i]) : 0U;
        prefix = (prefix << 8) | byte;
    }
    return prefix;
}

}  // namespace velmora::prerendered
