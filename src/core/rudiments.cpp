#include <array>
#include <cmath>
#include <cstdint>

#include <velmora/patterns.hpp>
#include "core/offset3.hpp"

namespace velmora {
namespace {

constexpr std::int32_t R = 1;
constexpr std::int32_t L = -1;

struct Stroke {
    std::int32_t start;
    std::int32_t hand;
    double weight;
    std::int32_t length;
};

double clamp_unit(double value) noexcept {
    if (value > 1.0) {
        return 1.0;
    }
    if (value < -1.0) {
        return -1.0;
    }
    return value;
}

// Each stroke adds weight * sin^2(pi * u / length) for the u pips since its most recent
// start; x follows the hand, y dips by 0.72 of every pulse. The subtraction wraps in
// unsigned arithmetic so every pip, the 32-bit extremes included, is defined.
template <std::uint32_t Period, std::size_t Count>
Offset3 play(std::int32_t pip, const std::array<Stroke, Count>& strokes) noexcept {
    double x = 0.0;
    double y = 0.0;
    for (const Stroke& stroke : strokes) {
        const std::uint32_t since =
            (static_cast<std::uint32_t>(pip) - static_cast<std::uint32_t>(stroke.start)) & (Period - 1);
        // At since == 0 the pulse is exactly zero, so the sine is skipped there too.
        if (since == 0 || since >= static_cast<std::uint32_t>(stroke.length)) {
            continue;
        }
        const double s = std::sin((static_cast<double>(since) / static_cast<double>(stroke.length)) * PI);
        const double pulse = s * (s * stroke.weight);
        x = stroke.hand == R ? x + pulse : x - pulse;
        y = std::fma(pulse, -0.72, y);
    }
    return {clamp_unit(x), clamp_unit(y), 0.0};
}

constexpr std::array<Stroke, 8> single_stroke_strokes{{
    {0, R, 0.92, 8}, {8, L, 0.92, 8}, {16, R, 0.92, 8}, {24, L, 0.92, 8},
    {32, R, 0.92, 8}, {40, L, 0.92, 8}, {48, R, 0.92, 8}, {56, L, 0.92, 8},
}};

constexpr std::array<Stroke, 8> double_stroke_strokes{{
    {0, R, 0.88, 8}, {8, R, 0.72, 8}, {16, L, 0.88, 8}, {24, L, 0.72, 8},
    {32, R, 0.88, 8}, {40, R, 0.72, 8}, {48, L, 0.88, 8}, {56, L, 0.72, 8},
}};

constexpr std::array<Stroke, 8> multiple_bounce_strokes{{
    {0, R, 0.92, 6}, {6, R, 0.68, 6}, {12, R, 0.48, 6}, {18, R, 0.32, 6},
    {32, L, 0.92, 6}, {38, L, 0.68, 6}, {44, L, 0.48, 6}, {50, L, 0.32, 6},
}};

// RLRR LRLL twice; each group of four leads with an accent.
constexpr std::array<Stroke, 16> paradiddle_strokes{{
    {0, R, 1.0, 8}, {8, L, 0.72, 8}, {16, R, 0.72, 8}, {24, R, 0.72, 8},
    {32, L, 1.0, 8}, {40, R, 0.72, 8}, {48, L, 0.72, 8}, {56, L, 0.72, 8},
    {64, R, 1.0, 8}, {72, L, 0.72, 8}, {80, R, 0.72, 8}, {88, R, 0.72, 8},
    {96, L, 1.0, 8}, {104, R, 0.72, 8}, {112, L, 0.72, 8}, {120, L, 0.72, 8},
}};

constexpr std::array<Stroke, 4> flam_strokes{{
    {0, L, 0.34, 10}, {5, R, 0.9, 14}, {32, R, 0.34, 10}, {37, L, 0.9, 14},
}};

constexpr std::array<Stroke, 6> drag_strokes{{
    {0, L, 0.28, 8}, {5, L, 0.32, 8}, {10, R, 0.88, 14},
    {32, R, 0.28, 8}, {37, R, 0.32, 8}, {42, L, 0.88, 14},
}};

constexpr std::array<Stroke, 10> five_stroke_strokes{{
    {0, R, 0.72, 9}, {8, R, 0.62, 9}, {16, L, 0.72, 9}, {24, L, 0.62, 9}, {36, R, 1.0, 14},
    {64, L, 0.72, 9}, {72, L, 0.62, 9}, {80, R, 0.72, 9}, {88, R, 0.62, 9}, {100, L, 1.0, 14},
}};

}  // namespace

Offset3 single_stroke_roll(std::int32_t pip) noexcept { return play<64>(pip, single_stroke_strokes); }
Offset3 double_stroke_roll(std::int32_t pip) noexcept { return play<64>(pip, double_stroke_strokes); }
Offset3 multiple_bounce_roll(std::int32_t pip) noexcept { return play<64>(pip, multiple_bounce_strokes); }
Offset3 single_paradiddle(std::int32_t pip) noexcept { return play<128>(pip, paradiddle_strokes); }
Offset3 flam(std::int32_t pip) noexcept { return play<64>(pip, flam_strokes); }
Offset3 drag(std::int32_t pip) noexcept { return play<64>(pip, drag_strokes); }
Offset3 five_stroke_roll(std::int32_t pip) noexcept { return play<128>(pip, five_stroke_strokes); }

}  // namespace velmora
