#include <array>
#include <cmath>
#include <cstdint>

#include <velmora/patterns.hpp>
#include "core/offset3.hpp"

namespace velmora {
namespace {

// Exact phase of a masked index within a power-of-two length.
template <std::uint32_t Length>
double phase(std::int32_t pip) noexcept {
    return static_cast<double>(mask_pip<Length>(pip)) / static_cast<double>(Length);
}

// Cubic ease u^2 (3 - 2u), with the inner term fused.
double smooth(double u) noexcept {
    return (u * u) * std::fma(u, -2.0, 3.0);
}

double ease_between(double from, double to, double eased) noexcept {
    return std::fma(to - from, eased, from);
}

constexpr std::array<double, 4> side_step_positions{-1.0, 0.0, 1.0, 0.0};

struct Corner {
    double x;
    double y;
};
constexpr std::array<Corner, 4> box_corners{{{-1.0, -1.0}, {1.0, -1.0}, {1.0, 1.0}, {-1.0, 1.0}}};

struct Keyframe {
    std::int32_t pip;
    double x;
    double y;
};
// The last keyframe closes the loop one period after the first.
constexpr std::array<Keyframe, 14> drift_keyframes{{
    {0, 0.0 / 14.0, 0.0},
    {23, 2.0 / 14.0, -0.1},
    {33, 13.0 / 14.0, -0.8},
    {49, 5.0 / 14.0, -0.4},
    {87, -3.0 / 14.0, 0.2},
    {100, -14.0 / 14.0, 0.9},
    {118, -5.0 / 14.0, 0.5},
    {154, 1.0 / 14.0, 0.0},
    {169, 12.0 / 14.0, 1.0},
    {187, 4.0 / 14.0, 0.5},
    {215, -2.0 / 14.0, -0.2},
    {228, -10.0 / 14.0, -0.9},
    {243, -3.0 / 14.0, -0.3},
    {256, 0.0 / 14.0, 0.0},
}};

// Filled once while the module loads, before any call can read it; read-only afterwards.
std::array<Offset3, 256> drift_table{};

void fill_drift_table() noexcept {
    std::size_t segment = 0;
    for (std::int32_t i = 0; i < 256; ++i) {
        // A pip on a keyframe ends the segment before it, so index 0 uses segment 0.
        while (segment < 13 && i > drift_keyframes[segment + 1].pip) {
            ++segment;
        }
        const Keyframe& from = drift_keyframes[segment];
        const Keyframe& to = drift_keyframes[segment + 1];
        const double t = static_cast<double>(i - from.pip) / static_cast<double>(to.pip - from.pip);
        const double eased = smooth(t);
        drift_table[static_cast<std::size_t>(i)] =
            Offset3{ease_between(from.x, to.x, eased), ease_between(from.y, to.y, eased), 0.0};
    }
}

const bool drift_table_filled = (fill_drift_table(), true);

}  // namespace

Offset3 bounce(std::int32_t pip) noexcept {
    const double u = phase<64>(pip);
    return {std::fma(std::fabs(u - 0.5), -4.0, 1.0), 0.0, 0.0};
}

Offset3 sway(std::int32_t pip) noexcept {
    const double u = phase<128>(pip);
    return {std::sin(u * TWO_PI), 0.0, 0.0};
}

Offset3 circle(std::int32_t pip) noexcept {
    const double u = phase<64>(pip);
    const double theta = std::fma(u, TWO_PI, -1.5707963267948966);
    return {std::cos(theta), std::sin(theta), 0.0};
}

Offset3 figure_eight(std::int32_t pip) noexcept {
    const double theta = phase<128>(pip) * TWO_PI;
    return {std::sin(theta), std::sin(theta + theta), 0.0};
}

Offset3 step_touch(std::int32_t pip) noexcept {
    const std::uint32_t step = (static_cast<std::uint32_t>(pip) >> 5) & 3U;
    const double u = phase<32>(pip);
    const double from = side_step_positions[step];
    const double to = side_step_positions[(step + 1) & 3U];
    return {ease_between(from, to, smooth(u)), std::sin(u * PI) * -0.35, 0.0};
}

Offset3 box_step(std::int32_t pip) noexcept {
    const std::uint32_t side = (static_cast<std::uint32_t>(pip) >> 6) & 3U;
    const double eased = smooth(phase<64>(pip));
    const Corner& from = box_corners[side];
    const Corner& to = box_corners[(side + 1) & 3U];
    return {ease_between(from.x, to.x, eased), ease_between(from.y, to.y, eased), 0.0};
}

Offset3 helix(std::int32_t pip) noexcept {
    const double u = phase<256>(pip);
    const double turn = u * 12.566370614359172;
    return {std::cos(turn), std::sin(turn), std::sin(u * TWO_PI)};
}

Offset3 clay_background(std::int32_t pip) noexcept {
    return drift_table[mask_pip<256>(pip)];
}

}  // namespace velmora
