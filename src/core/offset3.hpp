#pragma once

#include <cstdint>

// Offset3, PIPS_PER_BEAT and wrap_pip are public; the helpers below are the core's own.
#include <velmora/offset3.hpp>

namespace velmora {

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
