#pragma once
// Names built to make a lookup work as hard as it can, shared by the lookup-cost test and
// the benchmarks: equal lengths, long shared prefixes, the same final bytes.

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <velmora/pattern_library.hpp>
#include <velmora/sampled_pattern.hpp>

namespace velmora::hostile {

// 1,024 names of the longest allowed length (128 bytes) that agree in every byte but four
// digits placed just before the last three bytes: a byte comparison runs through 121 equal
// bytes before it can tell two of them apart.
inline std::string shared_prefix_name(int index) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", index);
    return std::string(121, 'q') + digits + "end";
}

// Names that differ early: the ordinary shape of a user's pack.
inline std::string plain_name(int index) {
    return "user_pattern_" + std::to_string(10000 + index);
}

template <typename Name>
std::vector<SampledPattern> pack_of(Name name, int count = 1024) {
    std::vector<SampledPattern> pack;
    for (int i = 0; i < count; ++i) {
        pack.emplace_back(name(i), "", std::vector<Offset3>(16, Offset3{0.25, 0.0, 0.0}));
    }
    return pack;
}

// The lookup written as plainly as it is described: every stored name in order, length
// first, then the bytes. The library's own scan must never cost much more than this.
inline const SampledPattern* plain_scan(const PatternLibrary& library, std::string_view name) {
    for (const SampledPattern& pattern : library.patterns()) {
        if (pattern.name().size() == name.size() && std::memcmp(pattern.name().data(), name.data(), name.size()) == 0) {
            return &pattern;
        }
    }
    return nullptr;
}

}  // namespace velmora::hostile
