#pragma once

// The fifteen core patterns, computed from their formulas at every call.

#include <cstdint>

#include <velmora/offset3.hpp>

namespace velmora {

// Motion shapes. Each is pure, total over every 32-bit pip, and allocation-free.
Offset3 bounce(std::int32_t pip) noexcept;           // period 64, one axis
Offset3 sway(std::int32_t pip) noexcept;             // period 128, one axis
Offset3 circle(std::int32_t pip) noexcept;           // period 64
Offset3 figure_eight(std::int32_t pip) noexcept;     // period 128
Offset3 step_touch(std::int32_t pip) noexcept;       // period 128
Offset3 box_step(std::int32_t pip) noexcept;         // period 256
Offset3 helix(std::int32_t pip) noexcept;            // period 256, three axes
Offset3 clay_background(std::int32_t pip) noexcept;  // period 256, table read

// Drum rudiments: each stroke is a sin^2 pulse pushing x towards its hand and y down.
Offset3 single_stroke_roll(std::int32_t pip) noexcept;    // period 64
Offset3 double_stroke_roll(std::int32_t pip) noexcept;    // period 64
Offset3 multiple_bounce_roll(std::int32_t pip) noexcept;  // period 64
Offset3 single_paradiddle(std::int32_t pip) noexcept;     // period 128
Offset3 flam(std::int32_t pip) noexcept;                  // period 64
Offset3 drag(std::int32_t pip) noexcept;                  // period 64
Offset3 five_stroke_roll(std::int32_t pip) noexcept;      // period 128

}  // namespace velmora
