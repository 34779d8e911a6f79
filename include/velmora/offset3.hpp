#pragma once

// The pip model: time in pips (64 to the beat) and the position sample every pattern returns.

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

}  // namespace velmora
