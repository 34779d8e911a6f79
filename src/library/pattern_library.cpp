#include <velmora/pattern_library.hpp>

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

// Keys are scanned in blocks of 32 (one 128-byte stretch, two cache lines); the store is
// padded to whole blocks with a key that no lookup can ask for, because its length byte
// (255) exceeds the longest name a pattern may have.
constexpr std::size_t KEYS_PER_BLOCK = 32;
constexpr std::uint32_t PADDING_KEY = 0xFFFFFFFFu;
static_assert(SampledPattern::MAX_NAME_BYTES < (PADDING_KEY >> 24));

// The first position from `first` on whose key equals `key`, or `count` if none does.
// Portable vector code: SSE2 on any x86-64.
std::size_t next_key_portable(const std::uint32_t* keys, std::size_t count, std::uint32_t key,
                              std::size_t first) noexcept {
    using KeyVector = std::uint32_t __attribute__((vector_size(16)));
    constexpr std::size_t keys_per_vector = sizeof(KeyVector) / sizeof(std::uint32_t);
    KeyVector wanted;
    for (std::size_t lane = 0; lane < keys_per_vector; ++lane) {
        wanted[lane] = key;
    }
    for (; first + KEYS_PER_BLOCK <= count; first += KEYS_PER_BLOCK) {
        KeyVector any = {};
        for (std::size_t v = 0; v < KEYS_PER_BLOCK; v += keys_per_vector) {
            KeyVector block;
            std::memcpy(&block, keys + first + v, sizeof block);
            any |= block == wanted;
        }
        // Lanes read back as plain words: a portable "is any lane set".
        std::uint64_t halves[2];
        std::memcpy(halves, &any, sizeof halves);
        if ((halves[0] | halves[1]) != 0) {
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

#if defined(__x86_64__) && defined(__GNUC__) && !defined(VELMORA_PORTABLE_KEY_SCAN)
#define VELMORA_AVX2_KEY_SCAN 1

// One bit per lane of an AVX2 compare result.
__attribute__((target("avx2"))) inline std::uint32_t lane_bits(__m256i equal) noexcept {
    return static_cast<std::uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(equal)));
}

// The same search with AVX2: a block costs four compares and one test, and the matching
// key inside it is located from the compare masks.
__attribute__((target("avx2"))) std::size_t next_key_avx2(const std::uint32_t* keys, std::size_t count,
                                                          std::uint32_t key, std::size_t first) noexcept {
    const __m256i wanted = _mm256_set1_epi32(static_cast<int>(key));
    for (; first + KEYS_PER_BLOCK <= count; first += KEYS_PER_BLOCK) {
        const std::uint32_t* block = keys + first;
        const __m256i e0 = _mm256_cmpeq_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block)), wanted);
        const __m256i e1 = _mm256_cmpeq_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 8)), wanted);
        const __m256i e2 = _mm256_cmpeq_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 16)), wanted);
        const __m256i e3 = _mm256_cmpeq_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 24)), wanted);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(e0, e1), _mm256_or_si256(e2, e3));
        if (!_mm256_testz_si256(any, any)) {
            const std::uint32_t hits = lane_bits(e0) | lane_bits(e1) << 8 | lane_bits(e2) << 16 | lane_bits(e3) << 24;
            return first + static_cast<std::size_t>(std::countr_zero(hits));
        }
    }
    return next_key_portable(keys, count, key, first);
}

// Read once at load time, so a lookup pays one predictable branch for the choice.
const bool cpu_has_avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

std::size_t next_key(const std::uint32_t* keys, std::size_t count, std::uint32_t key, std::size_t first) noexcept {
#ifdef VELMORA_AVX2_KEY_SCAN
    if (cpu_has_avx2) {
        return next_key_avx2(keys, count, key, first);
    }
#endif
    return next_key_portable(keys, count, key, first);
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
    const std::size_t blocks = (kept + KEYS_PER_BLOCK - 1) / KEYS_PER_BLOCK;
    patterns_.reserve(kept);
    name_keys_.reserve(blocks * KEYS_PER_BLOCK);
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        if (keep[i]) {
            name_keys_.push_back(name_key(patterns[i].name()));
            patterns_.push_back(std::move(patterns[i]));
        }
    }
    name_keys_.resize(blocks * KEYS_PER_BLOCK, PADDING_KEY);
}

const SampledPattern* PatternLibrary::find(std::string_view name) const noexcept {
    if (patterns_.empty() || name.size() > SampledPattern::MAX_NAME_BYTES) {
        return nullptr;
    }
    const std::uint32_t key = name_key(name);
    // The padding past the stored keys never matches, so the scan may run over it.
    const std::size_t count = patterns_.size();
    const std::size_t padded = name_keys_.size();
    const std::uint32_t* keys = name_keys_.data();
    // Keys are tested in stored order, so the scan finds the first stored pattern of that
    // name (there is never more than one).
    std::size_t index = next_key(keys, padded, key, 0);
    while (index < count) {
        // Equal keys mean equal lengths, so only the bytes are left to compare.
        if (std::memcmp(patterns_[index].name().data(), name.data(), name.size()) == 0) {
            return &patterns_[index];
        }
        ++index;
        // Names that share a key (same length, same last bytes) tend to stand together: the
        // next one is taken with one compare instead of restarting the vector scan, so a pack
        // of such names costs no more than the plain scan does.
        if (index < count && keys[index] != key) {
            index = next_key(keys, padded, key, index);
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
