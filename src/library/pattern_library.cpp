#include "library/pattern_library.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>

namespace velmora {

namespace {

bool same_name(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

// The length in the top byte and up to the last seven bytes below it. Equal names give
// equal keys; different keys prove different names. Only names that could be stored
// (at most 128 bytes) are keyed.
std::uint64_t name_key(std::string_view name) noexcept {
    std::uint64_t key = static_cast<std::uint64_t>(name.size()) << 56;
    const std::size_t tail = std::min<std::size_t>(name.size(), 7);
    for (std::size_t i = 0; i < tail; ++i) {
        key |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[name.size() - 1 - i])) << (8 * i);
    }
    return key;
}

const CatalogueEntry* find_builtin(const std::vector<CatalogueEntry>& builtins, std::string_view name) noexcept {
    for (const CatalogueEntry& entry : builtins) {
        if (same_name(entry.name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

bool repeats_builtin(const SampledPattern& pattern, const CatalogueEntry& entry) {
    if (pattern.description() != entry.description) {
        return false;
    }
    if (pattern.sample_count() != entry.period_pips) {
        return false;
    }
    const std::vector<Offset3>& samples = pattern.samples();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Offset3 builtin = velmora::sample(entry.name, static_cast<std::int32_t>(i));
        if (samples[i].x != builtin.x || samples[i].y != builtin.y || samples[i].z != builtin.z) {
            return false;
        }
    }
    return true;
}

}  // namespace

PatternLibrary::PatternLibrary(std::vector<SampledPattern> patterns) {
    if (patterns.size() > MAX_PATTERNS) {
        throw std::invalid_argument("Too many patterns");
    }
    // Every check runs before anything is moved, so the set can view the input's names.
    std::vector<bool> keep(patterns.size(), false);
    std::size_t kept = 0;
    {
        std::unordered_set<std::string_view> seen;
        seen.reserve(patterns.size());
        std::uint64_t total_samples = 0;
        const std::vector<CatalogueEntry>& builtins = velmora::catalogue();
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            const SampledPattern& pattern = patterns[i];
            if (pattern.sample_count() == 0) {
                throw std::invalid_argument("Empty/moved-from pattern");
            }
            if (!seen.insert(pattern.name()).second) {
                throw std::invalid_argument("Duplicate pattern name: " + pattern.name());
            }
            // Repetitions of built-ins count too, although they are not stored.
            total_samples += pattern.sample_count();
            if (total_samples > MAX_TOTAL_SAMPLES) {
                throw std::invalid_argument("Pattern pack is too large");
            }
            if (const CatalogueEntry* builtin = find_builtin(builtins, pattern.name())) {
                if (!repeats_builtin(pattern, *builtin)) {
                    throw std::invalid_argument("Cannot override default pattern: " + pattern.name());
                }
                continue;
            }
            keep[i] = true;
            ++kept;
        }
    }
    patterns_.reserve(kept);
    name_keys_.reserve(kept);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        if (keep[i]) {
            name_keys_.push_back(name_key(patterns[i].name()));
            patterns_.push_back(std::move(patterns[i]));
        }
    }
}

const SampledPattern* PatternLibrary::find(std::string_view name) const noexcept {
    if (name.size() > SampledPattern::MAX_NAME_BYTES) {
        return nullptr;
    }
    const std::uint64_t key = name_key(name);
    const std::uint64_t* keys = name_keys_.data();
    const std::size_t count = name_keys_.size();
    // Blocks of eight keys without a branch per key; the compiler turns each block into
    // a few vector compares. Hits are resolved in stored order, so the first stored
    // pattern of that name wins (there is only ever one).
    constexpr std::size_t BLOCK = 8;
    std::size_t base = 0;
    for (; base + BLOCK <= count; base += BLOCK) {
        unsigned hits = 0;
        for (std::size_t j = 0; j < BLOCK; ++j) {
            hits |= static_cast<unsigned>(keys[base + j] == key) << j;
        }
        while (hits != 0) {
            const std::size_t index = base + static_cast<std::size_t>(std::countr_zero(hits));
            if (same_name(patterns_[index].name(), name)) {
                return &patterns_[index];
            }
            hits &= hits - 1;
        }
    }
    for (; base < count; ++base) {
        if (keys[base] == key && same_name(patterns_[base].name(), name)) {
            return &patterns_[base];
        }
    }
    return nullptr;
}

Offset3 PatternLibrary::sample(std::string_view name, std::int32_t pip) const {
    if (const SampledPattern* pattern = find(name)) {
        return pattern->sample(pip);
    }
    return velmora::sample(name, pip);
}

std::vector<CatalogueEntry> PatternLibrary::catalogue() const {
    const std::vector<CatalogueEntry>& builtins = velmora::catalogue();
    std::vector<CatalogueEntry> entries;
    entries.reserve(builtins.size() + patterns_.size());
    entries.insert(entries.end(), builtins.begin(), builtins.end());
    for (const SampledPattern& pattern : patterns_) {
        entries.push_back(pattern.info());
    }
    return entries;
}

}  // namespace velmora
