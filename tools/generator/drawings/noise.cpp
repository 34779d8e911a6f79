// The noise_ family: closed 16-beat paths whose control points come from indexed SHA-256
// digests (see seeded_controls.hpp for the digest inputs), so every member is exactly
// periodic and needs no random state.
//
//   noise_drift_n   x and y each a smootherstep keyframe curve through n digest controls
//                   at pips 1024*j/n, the loop normalised to 0.82: a wandering point that
//                   settles briefly at every control.
//   noise_depth_n   the same with a third lane on z.
//   noise_orbit_n   one irregular turn around the centre: radius and a phase wobble are
//                   closed B-splines through n digest controls, the phase always advancing.
//   noise_ripple_n  an ellipse carrying n ripples whose depths are digest controls and
//                   whose phase is one more digest value.

#include <array>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

#include "drawings/drawings.hpp"
#include "framework/primitives.hpp"
#include "framework/drawing.hpp"
#include "framework/seeded_controls.hpp"
#include "framework/sha256.hpp"

namespace velmora::generator {

double digest_unit(std::string_view key) {
    const std::array<std::uint8_t, 32> digest = sha256(key);
    std::uint64_t leading = 0;
    for (int i = 0; i < 8; ++i) {
        leading = (leading << 8) | digest[static_cast<std::size_t>(i)];
    }
    // 53 bits convert to a double exactly, so the unit value never rounds up to 1.
    return std::ldexp(static_cast<double>(leading >> 11), -53);
}

std::vector<double> unit_controls(std::string_view pattern, std::string_view lane, int count) {
    std::vector<double> values;
    for (int index = 0; index < count; ++index) {
        values.push_back(digest_unit(std::string(pattern) + ":" + std::string(lane) + ":" + std::to_string(index)));
    }
    return values;
}

std::vector<double> signed_controls(std::string_view pattern, std::string_view lane, int count) {
    std::vector<double> values = unit_controls(pattern, lane, count);
    for (double& v : values) {
        v = 2.0 * v - 1.0;
    }
    return values;
}

double closed_bspline(const std::vector<double>& controls, double t) {
    const std::size_t n = controls.size();
    if (n < 3) {
        throw std::invalid_argument("a closed B-spline needs at least three controls");
    }
    const double position = t * static_cast<double>(n);
    const double segment = std::floor(position);
    const double f = position - segment;
    const std::size_t i = static_cast<std::size_t>(segment) % n;
    const double c0 = controls[(i + n - 1) % n];
    const double c1 = controls[i];
    const double c2 = controls[(i + 1) % n];
    const double c3 = controls[(i + 2) % n];
    const double g = 1.0 - f;
    return (c0 * g * g * g + c1 * (3.0 * f * f * f - 6.0 * f * f + 4.0) + c2 * (-3.0 * f * f * f + 3.0 * f * f + 3.0 * f + 1.0) +
            c3 * f * f * f) /
           6.0;
}

namespace {

constexpr std::uint32_t NOISE_PERIOD = 1024;

int control_count(const RenderRequest& request) {
    const int n = parse_numbers(request.suffix).at(0);
    if (n < 3 || n > 64) {
        throw std::invalid_argument("control count outside 3 to 64");
    }
    return n;
}

// A smootherstep keyframe lane through the controls, spread evenly over the loop.
KeyframeCurve drift_lane(std::string_view pattern, std::string_view lane, int n) {
    const std::vector<double> controls = signed_controls(pattern, lane, n);
    std::vector<Keyframe> keyframes;
    for (int j = 0; j < n; ++j) {
        keyframes.push_back({NOISE_PERIOD * static_cast<double>(j) / n, controls[static_cast<std::size_t>(j)]});
    }
    keyframes.push_back({static_cast<double>(NOISE_PERIOD), controls.front()});
    return KeyframeCurve(std::move(keyframes));
}

std::vector<Offset3> drift(const RenderRequest& request, bool with_depth) {
    const int n = control_count(request);
    const KeyframeCurve x = drift_lane(request.name, "x", n);
    const KeyframeCurve y = drift_lane(request.name, "y", n);
    const std::optional<KeyframeCurve> z = with_depth ? std::optional(drift_lane(request.name, "z", n)) : std::nullopt;
    std::vector<Offset3> samples;
    for (std::uint32_t pip = 0; pip < NOISE_PERIOD; ++pip) {
        samples.push_back({x.at(pip), y.at(pip), z ? z->at(pip) : 0.0});
    }
    return normalised(std::move(samples));
}

std::vector<Offset3> orbit(const RenderRequest& request) {
    const int n = control_count(request);
    std::vector<double> radius = unit_controls(request.name, "radius", n);
    for (double& r : radius) {
        r = 0.4 + 0.6 * r;  // never closer to the centre than 0.4 of the widest reach
    }
    // The wobble's spline slope stays below pi per loop while the base phase turns 2 pi,
    // so the point never stops or backs up.
    std::vector<double> wobble = signed_controls(request.name, "phase", n);
    for (double& w : wobble) {
        w *= 0.25 * TWO_PI / n;
    }
    return normalised(trace(NOISE_PERIOD, [&](double theta) {
        const double t = theta / TWO_PI;
        const double r = closed_bspline(radius, t);
        const double phi = theta + closed_bspline(wobble, t);
        return Offset3{r * std::cos(phi), r * std::sin(phi), 0.0};
    }));
}

std::vector<Offset3> ripple(const RenderRequest& request) {
    const int n = control_count(request);
    std::vector<double> depth = unit_controls(request.name, "depth", n);
    for (double& d : depth) {
        d = 0.05 + 0.17 * d;
    }
    const double phase = TWO_PI * digest_unit(std::string(request.name) + ":phase:0");
    return normalised(trace(NOISE_PERIOD, [&](double theta) {
        const double swell = 1.0 + closed_bspline(depth, theta / TWO_PI) * std::sin(n * theta + phase);
        return Offset3{swell * std::cos(theta), 0.62 * swell * std::sin(theta), 0.0};
    }));
}

}  // namespace

Renderer draw_noise_drift_family() { return [](const RenderRequest& request) { return drift(request, false); }; }
Renderer draw_noise_depth_family() { return [](const RenderRequest& request) { return drift(request, true); }; }
Renderer draw_noise_orbit_family() { return orbit; }
Renderer draw_noise_ripple_family() { return ripple; }

}  // namespace velmora::generator
