#pragma once

// Rendering primitives shared by every renderer: phase angles, raised-cosine bumps on a
// cyclic time line, quintic keyframe curves, normalisation to a common peak and the
// 12-decimal rounding of stored samples.

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/offset3.hpp"

namespace velmora::generator {

// The peak that normalised shapes are scaled to.
inline constexpr double NORMALISED_PEAK = 0.82;

// The double nearest to `value` rounded to 12 decimal places, with zero always +0.
double round_to_12_decimals(double value);

// theta = 2*pi*pip/period: one full turn over the loop.
double phase_angle(double pip, double period) noexcept;

// A shape as a function of the phase angle theta.
using Curve = std::function<Offset3(double theta)>;

// The samples of `curve` at pips 0 .. period - 1.
std::vector<Offset3> trace(std::uint32_t period, const Curve& curve);

// Largest absolute component over all samples.
double peak_magnitude(const std::vector<Offset3>& samples) noexcept;

// Multiplies every component by NORMALISED_PEAK / raw_peak.
void scale_to_peak(std::vector<Offset3>& samples, double raw_peak);

// Scales the table so that its own largest component is exactly NORMALISED_PEAK.
std::vector<Offset3> normalised(std::vector<Offset3> samples);

// `curve` traced at `period` pips but scaled by its peak over `fine_points` evenly spaced
// points of the loop, so that the stored peak may fall slightly short of NORMALISED_PEAK.
std::vector<Offset3> normalised_over_fine_grid(std::uint32_t period, const Curve& curve, std::uint32_t fine_points);

// The signed distance from `onset` to `pip` on a loop of `period`, in (-period/2, period/2],
// so an event near the end of the loop also reaches the pips after its start.
double cyclic_distance(double pip, double onset, double period) noexcept;

// (1 + cos(pi * d / half_width)) / 2 inside the half-width, 0 outside: a bump
// 2*half_width wide that peaks at 1 where d = 0.
double raised_cosine(double distance, double half_width) noexcept;

// A raised-cosine event on the loop, possibly at a fractional pip.
struct Bump {
    double onset;
    double half_width;
    Offset3 amplitude;
};

// The sum, at each pip of the loop, of every bump's amplitude times its weight there.
std::vector<Offset3> render_bumps(std::uint32_t period, const std::vector<Bump>& bumps);

// Quintic smootherstep t^3 (6t^2 - 15t + 10): zero velocity and acceleration at 0 and 1.
double smootherstep(double t) noexcept;

struct Keyframe {
    double pip;
    double value;
};

// A closed curve through keyframes eased by smootherstep: the first keyframe at pip 0,
// the last at the period with the first value again, pips strictly increasing (they may
// be fractional). Two equal neighbouring values make a hold.
class KeyframeCurve {
public:
    explicit KeyframeCurve(std::vector<Keyframe> keyframes);

    // Parses "pip:value pip:value ..." as written in the pattern tables.
    static KeyframeCurve parse(std::string_view text);

    double period() const noexcept { return keyframes_.back().pip; }
    double at(double pip) const;

private:
    std::vector<Keyframe> keyframes_;
};

// The integers of a name suffix such as "3_2_2"; throws unless it is digits and single
// underscores only.
std::vector<int> parse_numbers(std::string_view suffix);

// ceil(numerator / denominator) for non-negative numerator and positive denominator.
constexpr int ceil_div(int numerator, int denominator) noexcept {
    return (numerator + denominator - 1) / denominator;
}

}  // namespace velmora::generator
