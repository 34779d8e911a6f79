#include "library/pattern_library.hpp"

#include <algorithm>
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

// The length in the top byte and up to the last three bytes below it. Equal names give
// equal keys, so a different key proves a different name. Trailing bytes are where
// numbered names differ. Only names that could be stored (at most 128 bytes) are keyed.
std::uint32_t name_key(std::string_view name) noexcept {
    std::uint32_t key = static_cast<std::uint32_t>(name.size()) << 24;
    const std::size_t tail = std::min<std::size_t>(name.size(), 3);
    for (std::size_t i = 0; i < tail; ++i) {
        key |= static_cast<std::uint32_t>(static_cast<unsigned char>(name[name.size() - 1 - i])) << (8 * i);
    }
    return key;
}

// Where the compiler can, the scan below is also built for AVX2 and the better copy is
// chosen once at load time; otherwise the generic vector code (SSE2 on x86-64) serves.
// Not under ThreadSanitizer: the chooser runs while the program is being relocated, before
// the race detector's runtime exists, and its instrumented code crashes the program there.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
#define VELMORA_KEY_SCAN_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VELMORA_KEY_SCAN_CLONES
#endif

// Eight keys per vector; the scan tests 64 keys per branch, then narrows a block that
// holds the key down to its vector and finally its key.
using KeyVector = std::uint32_t __attribute__((vector_size(32)));
constexpr std::size_t KEYS_PER_VECTOR = 8;
constexpr std::size_t VECTORS_PER_BLOCK = 8;

// The first position from `first` on whose key equals `key`, or `count` if none does.
VELMORA_KEY_SCAN_CLONES
std::size_t next_key(const std::uint32_t* keys, std::size_t count, std::uint32_t key, std::size_t first) noexcept {
    KeyVector wanted;
    for (std::size_t lane = 0; lane < KEYS_PER_VECTOR; ++lane) {
        wanted[lane] = key;
    }
    constexpr std::size_t block_keys = KEYS_PER_VECTOR * VECTORS_PER_BLOCK;
    // Vector lanes are read back as plain words: a portable "is any lane set".
    std::uint64_t quarters[4];
    for (; first + block_keys <= count; first += block_keys) {
        KeyVector any = {};
        for (std::size_t v = 0; v < block_keys; v += KEYS_PER_VECTOR) {
            KeyVector block;
            std::memcpy(&block, keys + first + v, sizeof block);
            any |= block == wanted;
        }
        std::memcpy(quarters, &any, sizeof quarters);
        if ((quarters[0] | quarters[1] | quarters[2] | quarters[3]) != 0) {
            break;
        }
    }
    for (; first + KEYS_PER_VECTOR <= count; first += KEYS_PER_VECTOR) {
        KeyVector block;
        std::memcpy(&block, keys + first, sizeof block);
        const KeyVector equal = block == wanted;
        std::memcpy(quarters, &equal, sizeof quarters);
        if ((quarters[0] | quarters[1] | quarters[2] | quarters[3]) != 0) {
            break;
        }
    }
    for (; first < count; ++first) {
        if (keys[first] == key) {
            return first;
        }
    }
    return count;
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
    const std::uint32_t key = name_key(name);
    const std::size_t count = name_keys_.size();
    // Keys are tested in stored order, so the scan finds the first stored pattern of that
    // name (there is never more than one).
    const std::uint32_t* keys = name_keys_.data();
    std::size_t index = next_key(keys, count, key, 0);
    while (index < count) {
        if (same_name(patterns_[index].name(), name)) {
            return &patterns_[index];
        }
        ++index;
        // Names that share a key (same length, same last bytes) tend to stand together: the
        // next one is taken with one compare instead of restarting the vector scan, so a pack
        // of such names costs no more than the plain scan does.
        if (index < count && keys[index] != key) {
            index = next_key(keys, count, key, index);
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
