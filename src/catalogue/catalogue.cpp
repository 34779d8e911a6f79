#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <string>

#include "catalogue/catalogue.hpp"
#include "catalogue/prerendered.hpp"
#include <velmora/patterns.hpp>
#include "core/offset3.hpp"

namespace velmora {
namespace {

struct CorePattern {
    CatalogueEntry entry;
    Sampler sampler;
};

constexpr std::array<CorePattern, 15> core_patterns{{
    {{"bounce", "One-beat vertical bounce", 64, 1}, &bounce},
    {{"sway", "Two-beat side-to-side sway", 128, 1}, &sway},
    {{"circle", "One-beat circular orbit", 64, 2}, &circle},
    {{"figure_eight", "Two-beat figure eight", 128, 2}, &figure_eight},
    {{"step_touch", "Two-beat side step with a small lift", 128, 2}, &step_touch},
    {{"box_step", "Four-beat softened square path", 256, 2}, &box_step},
    {{"helix", "Four-beat double-turn helix", 256, 3}, &helix},
    {{"clay_background", "Clay/Stars four-beat accented background drift", 256, 2}, &clay_background},
    {{"single_stroke_roll", "Alternating R/L strokes with smooth attack and decay", 64, 2}, &single_stroke_roll},
    {{"double_stroke_roll", "RRLL strokes with a softer second motion", 64, 2}, &double_stroke_roll},
    {{"multiple_bounce_roll", "Decaying same-hand bounce clusters", 64, 2}, &multiple_bounce_roll},
    {{"single_paradiddle", "RLRR LRLL with accented lead strokes", 128, 2}, &single_paradiddle},
    {{"flam", "Grace motion flowing into an opposite-hand primary motion", 64, 2}, &flam},
    {{"drag", "Two grace motions flowing into an opposite-hand primary motion", 64, 2}, &drag},
    {{"five_stroke_roll", "Two diddles resolving to an accented fifth motion", 128, 2}, &five_stroke_roll},
}};

// Only these lengths can name a core pattern; any other name skips the comparisons.
constexpr bool core_name_length(std::size_t length) noexcept {
    switch (length) {
        case 4: case 5: case 6: case 8: case 10: case 12:
        case 15: case 16: case 17: case 18: case 20:
            return true;
        default:
            return false;
    }
}

// Plain bytewise order: unsigned bytes of the common prefix, then the shorter first.
bool name_less(std::string_view a, std::string_view b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    if (common != 0) {
        const int order = std::memcmp(a.data(), b.data(), common);
        if (order != 0) {
            return order < 0;
        }
    }
    return a.size() < b.size();
}

const CorePattern* find_core(std::string_view name) noexcept {
    if (!core_name_length(name.size())) {
        return nullptr;
    }
    for (const CorePattern& core : core_patterns) {
        if (core.entry.name == name) {
            return &core;
        }
    }
    return nullptr;
}

const PrerenderedEntry* find_prerendered(std::string_view name) noexcept {
    const auto& index = prerendered::name_index;
    const auto& prefixes = prerendered::name_prefixes;
    const auto& rows = prerendered::rows;
    const std::uint64_t prefix = prerendered::name_prefix(name);
    // Lower bound: the first position whose name is not smaller than `name`. Differing
    // prefixes decide the comparison alone; equal ones leave it to the whole names.
    std::size_t first = 0;
    std::size_t count = index.size();
    while (count > 0) {
        const std::size_t half = count / 2;
        const std::size_t middle = first + half;
        const bool middle_less = prefixes[middle] != prefix ? prefixes[middle] < prefix
                                                            : name_less(rows[index[middle]].name, name);
        if (middle_less) {
            first = middle + 1;
            count -= half + 1;
        } else {
            count = half;
        }
    }
    if (first == index.size()) {
        return nullptr;
    }
    const PrerenderedEntry& row = rows[index[first]];
    return row.name == name ? &row : nullptr;
}

std::vector<CatalogueEntry> build_catalogue() {
    std::vector<CatalogueEntry> entries;
    entries.reserve(core_patterns.size() + prerendered::rows.size());
    for (const CorePattern& core : core_patterns) {
        entries.push_back(core.entry);
    }
    for (const PrerenderedEntry& row : prerendered::rows) {
        entries.push_back(static_cast<const CatalogueEntry&>(row));
    }
    return entries;
}

std::shared_ptr<const std::string> unknown_name_message(std::string_view name) {
    auto message = std::make_shared<std::string>(name);
    message->insert(0, "Unknown velmora: ");
    return message;
}

}  // namespace

UnknownPatternName::UnknownPatternName(std::string_view name) : UnknownPatternName(unknown_name_message(name)) {}

UnknownPatternName::UnknownPatternName(std::shared_ptr<const std::string> message)
    : std::invalid_argument(*message), message_(std::move(message)) {}

const std::vector<CatalogueEntry>& catalogue() {
    static const std::vector<CatalogueEntry> entries = build_catalogue();
    return entries;
}

std::size_t core_pattern_count() noexcept {
    return core_patterns.size();
}

Sampler sampler_at(std::size_t index) noexcept {
    if (index < core_patterns.size()) {
        return core_patterns[index].sampler;
    }
    index -= core_patterns.size();
    return index < prerendered::rows.size() ? prerendered::rows[index].sampler : nullptr;
}

Offset3 sample(std::string_view name, std::int32_t pip) {
    if (const CorePattern* core = find_core(name)) {
        return core->sampler(pip);
    }
    if (const PrerenderedEntry* row = find_prerendered(name)) {
        return row->sampler(pip);
    }
    throw UnknownPatternName(name);
}

}  // namespace velmora
