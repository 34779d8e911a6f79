#pragma once

// User patterns layered over the built-in catalogue.

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>
#include <vector>

#include <velmora/catalogue.hpp>
#include <velmora/offset3.hpp>
#include <velmora/sampled_pattern.hpp>

namespace velmora {

// Hands out storage aligned to a cache line, so that vector loads of the name keys never
// straddle two lines.
template <typename T>
struct CacheLineAllocator {
    using value_type = T;
    static constexpr std::align_val_t alignment{64};

    CacheLineAllocator() noexcept = default;
    template <typename U>
    CacheLineAllocator(const CacheLineAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) { return static_cast<T*>(::operator new(count * sizeof(T), alignment)); }
    void deallocate(T* pointer, std::size_t) noexcept { ::operator delete(pointer, alignment); }

    template <typename U>
    bool operator==(const CacheLineAllocator<U>&) const noexcept {
        return true;
    }
};

// User patterns layered over the built-in catalogue. Built-in patterns can never be
// replaced: a user pattern that bears a built-in name must repeat it exactly, and is
// then dropped. Validated once by the constructor, immutable afterwards.
class PatternLibrary {
public:
    static constexpr std::size_t MAX_PATTERNS = 1024;
    static constexpr std::uint64_t MAX_TOTAL_SAMPLES = std::uint64_t{1} << 20;

    // Accepted patterns are moved out of `patterns`; nothing is copied.
    explicit PatternLibrary(std::vector<SampledPattern> patterns = {});

    // A stored user pattern first, otherwise the built-in lookup (whose
    // "Unknown velmora: " error passes through unchanged).
    Offset3 sample(std::string_view name, std::int32_t pip) const;

    // Every built-in entry, then one entry per stored pattern in input order. The user
    // entries view this library's strings and stay valid as long as it lives.
    std::vector<CatalogueEntry> catalogue() const;

    const std::vector<SampledPattern>& patterns() const noexcept { return patterns_; }

private:
    const SampledPattern* find(std::string_view name) const noexcept;

    std::vector<SampledPattern> patterns_;
    // Parallel to patterns_: each name's length and last three bytes packed in one word,
    // so the lookup scans a dense array and compares whole names only where these agree.
    // Padded to whole scan blocks with a key that no name can have.
    std::vector<std::uint32_t, CacheLineAllocator<std::uint32_t>> name_keys_;
};

}  // namespace velmora
