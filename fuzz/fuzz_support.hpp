#pragma once
// Shared helpers of the fuzz targets: turning fuzzer bytes into the inputs a caller could
// pass, and a check that stops the run with a message when an oracle disagrees.

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "core/offset3.hpp"

namespace velmora::fuzz {

// Reports and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] inline void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "oracle failed: %s [%.*s]\n", what, static_cast<int>(detail.size()), detail.data());
    std::abort();
}

inline void require(bool condition, const char* what, std::string_view detail = {}) {
    if (!condition) {
        fail(what, detail);
    }
}

inline bool same_bits(Offset3 a, Offset3 b) {
    return std::signbit(a.x) == std::signbit(b.x) && std::signbit(a.y) == std::signbit(b.y) &&
           std::signbit(a.z) == std::signbit(b.z) && a.x == b.x && a.y == b.y && a.z == b.z;
}

inline bool unit(double value) {
    return std::isfinite(value) && std::fabs(value) <= 1.0;
}

inline bool unit(Offset3 o) {
    return unit(o.x) && unit(o.y) && unit(o.z);
}

// Mostly the values at the edges of what is accepted, sometimes any bit pattern.
inline double pick_double(FuzzedDataProvider& in) {
    static constexpr double specials[] = {
        0.0, -0.0, 1.0, -1.0, 0.5, -0.25,
        1.0000000000000002, -1.0000000000000002, 0.9999999999999999,
        std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::denorm_min(),
        std::numeric_limits<double>::min(), std::numeric_limits<double>::max(), 3.0e-307, 120.0, 1e300,
    };
    const auto choice = in.ConsumeIntegral<std::uint8_t>();
    if (choice < 2 * std::size(specials)) {
        return specials[choice % std::size(specials)];
    }
    if (choice < 200) {
        // A value in [-1, 1] on a coarse grid, so repeats and exact zeros are common.
        return static_cast<double>(in.ConsumeIntegralInRange<int>(-64, 64)) / 64.0;
    }
    std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
    double value;
    static_assert(sizeof value == sizeof bits);
    __builtin_memcpy(&value, &bits, sizeof value);
    return value;
}

// Either raw bytes or a name built from the identifier alphabet, so that both the
// refusals and the accepted path (up to and past the 128-byte limit) are reached often.
inline std::string pick_name(FuzzedDataProvider& in) {
    if (in.ConsumeBool()) {
        return in.ConsumeRandomLengthString(160);
    }
    static constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyz0123456789_";
    const auto length = in.ConsumeIntegralInRange<std::size_t>(1, 130);
    std::string name;
    name.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const auto byte = in.ConsumeIntegral<std::uint8_t>();
        name.push_back(i == 0 ? static_cast<char>('a' + byte % 26) : alphabet[byte % alphabet.size()]);
    }
    return name;
}

// The naming rule, written out independently of the code under test.
inline bool reference_identifier(std::string_view text) {
    if (text.empty() || text.size() > 128) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool letter = c >= 'a' && c <= 'z';
        const bool other = (c >= '0' && c <= '9') || c == '_';
        if (!(letter || (i > 0 && other))) {
            return false;
        }
    }
    return true;
}

// Pips that matter for every periodic lookup: the extremes, around zero, and one from the input.
inline std::int32_t interesting_pip(FuzzedDataProvider& in) {
    static constexpr std::int32_t pips[] = {0, -1, 1, std::numeric_limits<std::int32_t>::min(),
                                            std::numeric_limits<std::int32_t>::max(), 63, 64, -64, 65535, -65536};
    const auto choice = in.ConsumeIntegral<std::uint8_t>();
    return choice < std::size(pips) ? pips[choice] : in.ConsumeIntegral<std::int32_t>();
}

}  // namespace velmora::fuzz
