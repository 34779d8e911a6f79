#pragma once

#include <cstdint>

namespace velmora {

// One beat of music is this many pips; pip p lies p/64 beats after pip 0.
inline constexpr std::int32_t PIPS_PER_BEAT = 64;

// A position sample. Every producer keeps each coordinate finite and within [-1, 1].
struct Offset3 {
    double x;
    double y;
    double z;
};

// Euclidean remainder of pip by period, in [0, period); 0 for a non-positive period.
constexpr std::int32_t wrap_pip(std::int32_t pip, std::int32_t period) noexcept {
    if (period < 1) {
        return 0;
    }
    // period >= 1, so the truncating remainder cannot overflow, even for INT32_MIN.
    const std::int32_t remainder = pip % period;
    return remainder < 0 ? remainder + period : remainder;
}

// The pip's two's-complement bits masked into a power-of-two period: equal to
// wrap_pip(pip, Period) for every 32-bit pip, without a division.
template <std::uint32_t Period>
constexpr std::uint32_t mask_pip(std::int32_t pip) noexcept {
    static_assert(Period != 0 && (Period & (Period - 1)) == 0, "period must be a power of two");
    return static_cast<std::uint32_t>(pip) & (Period - 1);
}

// The doubles nearest pi and two pi; every angle in the core is built from these.
inline constexpr double PI = 3.141592653589793;
inline constexpr double TWO_PI = 6.283185307179586;

}  // namespace velmora
