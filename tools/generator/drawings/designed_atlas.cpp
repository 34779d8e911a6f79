// The designed families of velmora_atlas: the shaped waves without a closed formula, the
// programmed sequences, the scalloped loops; the mechanisms and the gestures live in
// render_atlas_mechanisms.cpp and render_atlas_gestures.cpp.

#include <array>
#include <optional>
#include <cmath>
#include <stdexcept>
#include <string>

#include "drawings/drawings.hpp"
#include "drawings/designed_atlas.hpp"

namespace velmora::generator {

std::vector<Offset3> render_axis_keyframes(std::uint32_t period, const AxisKeyframes& axes) {
    std::array<std::optional<KeyframeCurve>, 3> curves;
    const std::array<std::string_view, 3> texts{axes.x, axes.y, axes.z};
    for (std::size_t axis = 0; axis < 3; ++axis) {
        if (texts[axis].empty()) {
            continue;
        }
        curves[axis] = KeyframeCurve::parse(texts[axis]);
        if (curves[axis]->period() != period) {
            throw std::invalid_argument("keyframes end at pip " + std::to_string(curves[axis]->period()) + ", not at " +
                                        std::to_string(period));
        }
    }
    std::vector<Offset3> samples;
    samples.reserve(period);
    for (std::uint32_t pip = 0; pip < period; ++pip) {
        std::array<double, 3> value{0.0, 0.0, 0.0};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            if (curves[axis]) {
                value[axis] = curves[axis]->at(pip);
            }
        }
        samples.push_back({value[0], value[1], value[2]});
    }
    return samples;
}

namespace {

constexpr std::array<double Offset3::*, 3> AXES{&Offset3::x, &Offset3::y, &Offset3::z};

struct Range {
    double low;
    double high;
};

Range range_of(const std::vector<Offset3>& samples, double Offset3::*axis) {
    Range range{samples.front().*axis, samples.front().*axis};
    for (const Offset3& s : samples) {
        range.low = std::fmin(range.low, s.*axis);
        range.high = std::fmax(range.high, s.*axis);
    }
    return range;
}

}  // namespace

std::vector<Offset3> centred_ranges(std::vector<Offset3> samples) {
    for (double Offset3::*axis : AXES) {
        const Range range = range_of(samples, axis);
        for (Offset3& s : samples) {
            s.*axis -= (range.low + range.high) / 2;
        }
    }
    return samples;
}

std::vector<Offset3> centred_on_each_axis(std::vector<Offset3> samples, Offset3 peak) {
    for (double Offset3::*axis : AXES) {
        const Range range = range_of(samples, axis);
        const double half_range = (range.high - range.low) / 2;
        for (Offset3& s : samples) {
            s.*axis = half_range > 0.0 ? peak.*axis * ((s.*axis - range.low) / half_range - 1.0) : 0.0;
        }
    }
    return samples;
}

namespace {

using std::cos;
using std::sin;

constexpr std::uint32_t WAVE_PERIOD = 512;
constexpr std::uint32_t SEQUENCE_PERIOD = 512;
constexpr std::uint32_t SCALLOP_PERIOD = 1024;

Renderer wave(double (*shape)(double theta)) {
    return [shape](const RenderRequest&) {
        return normalised(trace(WAVE_PERIOD, [shape](double theta) { return Offset3{shape(theta), 0.0, 0.0}; }));
    };
}

// A full-wave rectified sine whose valleys are rounded instead of cusped: two swells
// per loop that barely touch down between them.
double soft_rectified_swell(double t) {
    return std::sqrt(sin(t) * sin(t) + 0.01) - 0.55;
}

// An early crest, then a long sagging return that scoops below rest before coming home.
double scooped_return(double t) {
    return sin(t) + 0.55 * sin(2 * t) + 0.18 * sin(3 * t);
}

// -cos t + sin(2t)/2 has a stationary inflection at a quarter of the loop: the rise
// pauses on a shelf at the centre, then runs on to the crest and drops into a quick scoop.
double shelf_and_scoop(double t) {
    return -cos(t) + 0.5 * sin(2 * t);
}

// A broad, flat-shouldered body swell for about two thirds of the loop, then a narrower
// and shallower neck on the other side. The phase warp t - 0.55 (1 - cos t) keeps the
// positive half long; the factor (0.8 + 0.2 s) makes the neck shallower than the body.
double bottle_neck_swell(double t) {
    const double s = sin(t - 0.55 * (1 - cos(t)));
    return std::tanh(2 * s) * (0.8 + 0.2 * s);
}

// Three rounded sawtooth teeth: atan2(r sin u, 1 - r cos u) is the band-limited saw
// sum r^k sin(k u) / k, soft for r well below 1.
double soft_triple_teeth(double t) {
    const double u = 3 * t;
    return std::atan2(0.65 * sin(u), 1 - 0.65 * cos(u));
}

// A wave folder driven by a phase-skewed sine: the folds bunch up on the fast side.
double warped_wave_fold(double t) {
    return sin(3.0 * sin(t + 0.6 * sin(t)));
}

}  // namespace

Renderer draw_wave_soft_rectifier() { return wave(soft_rectified_swell); }
Renderer draw_wave_scoop_warp() { return wave(scooped_return); }
Renderer draw_wave_shelf_wave() { return wave(shelf_and_scoop); }
Renderer draw_wave_bottle() { return wave(bottle_neck_swell); }
Renderer draw_wave_soft_teeth() { return wave(soft_triple_teeth); }
Renderer draw_wave_warped_fold() { return wave(warped_wave_fold); }

namespace {

// Programmed sequences: eight steps of x values, each reached with a smootherstep glide,
// and a vertical line that rises and falls once through the phrase (0.287 sin(pi k / 4)
// at step k). The even members give every step 64 pips. The lilting members walk the same
// steps in long-short pairs: the long step glides for a beat and rests for an eighth, the
// short one hops in the remaining eighth, so the steps arrive three eighths and one eighth
// apart. A lilt is this change of gait, not a delay: no shift of the even loop matches it.
constexpr double SEQUENCE_STEP = 64.0;

struct StepValues {
    std::array<double, 8> x;
};

double sequence_height(std::size_t step) {
    return step % 8 == 0 ? 0.0 : 0.287 * sin(PI * static_cast<double>(step) / 4);
}

Renderer sequence(StepValues steps, bool lilt) {
    return [steps, lilt](const RenderRequest&) {
        std::vector<Keyframe> x_keys;
        std::vector<Keyframe> y_keys;
        const auto key = [&](double pip, std::size_t step) {
            x_keys.push_back({pip, steps.x[step % 8]});
            y_keys.push_back({pip, sequence_height(step)});
        };
        for (std::size_t k = 0; k < 8; ++k) {
            const double start = SEQUENCE_STEP * static_cast<double>(k);
            if (!lilt) {
                key(start, k);
            } else if (k % 2 == 0) {
                key(start, k);
                key(start + SEQUENCE_STEP, k + 1);  // the long step: a beat's glide ...
            } else {
                key(start + SEQUENCE_STEP / 2, k);  // ... and an eighth's rest before the hop
            }
        }
        key(SEQUENCE_PERIOD, 0);
        const KeyframeCurve x(std::move(x_keys));
        const KeyframeCurve y(std::move(y_keys));
        std::vector<Offset3> samples;
        for (std::uint32_t pip = 0; pip < SEQUENCE_PERIOD; ++pip) {
            samples.push_back({x.at(pip), y.at(pip), 0.0});
        }
        return samples;
    };
}

// The values of the four even sequences whose keyframes are already fixed, repeated
// here so that their lilting versions follow the same steps.
const StepValues pendulum{{0, 0.82, 0, -0.82, 0, 0.41, 0, -0.41}};

const StepValues octave{{0, 0.82, 0.205, 0.66625, -0.205, -0.82, -0.41, -0.66625}};

const StepValues ratchet{{0, 0.3075, 0, 0.615, 0, 0.82, 0, -0.3075}};

const StepValues stairs{{-0.82, -0.41, 0, 0.41, 0.82, 0.82, 0, -0.82}};

// Up a scale of five positions and back down.
const StepValues up_down{{-0.82, -0.41, 0, 0.41, 0.82, 0.41, 0, -0.41}};

// Steps of deliberately unequal sizes: small nudges, a long leap, a full cross.
const StepValues unequal{{0, 0.2, 0.82, 0.5, -0.3, -0.2, 0.65, -0.82}};

// A climbing phrase that ends high and unresolved, falling home only at the loop.
const StepValues question{{0, 0.25, 0.1, 0.45, 0.3, 0.62, 0.45, 0.82}};

// Starts high, steps down and settles at the centre for the last two steps.
const StepValues answer{{0.82, 0.5, 0.62, 0.25, 0.38, -0.2, 0, 0}};

}  // namespace

Renderer draw_seq_up_down_even() { return sequence(up_down, false); }
Renderer draw_seq_up_down_lilt() { return sequence(up_down, true); }
Renderer draw_seq_pendulum_lilt() { return sequence(pendulum, true); }
Renderer draw_seq_octave_lilt() { return sequence(octave, true); }
Renderer draw_seq_unequal_even() { return sequence(unequal, false); }
Renderer draw_seq_unequal_lilt() { return sequence(unequal, true); }
Renderer draw_seq_question_even() { return sequence(question, false); }
Renderer draw_seq_question_lilt() { return sequence(question, true); }
Renderer draw_seq_answer_even() { return sequence(answer, false); }
Renderer draw_seq_answer_lilt() { return sequence(answer, true); }
Renderer draw_seq_ratchet_lilt() { return sequence(ratchet, true); }
Renderer draw_seq_stairs_lilt() { return sequence(stairs, true); }

namespace {

// A loop of n scallops: the radius follows |cos(psi)| (rounded by a small constant under
// the root so the notches between scallops stay smooth), one hump per scallop. With
// psi = n t / 2 + 0.22 (1 - cos(n t)) each scallop is bent: the warp is not odd about the
// crest, so a lobe swells over about 1.6 times the angle it takes to fall into the next
// notch. A once-around term pushes the loop further out on one side. The scallop depth
// shrinks with n so that many small scallops stay shallow arcs rather than star points.
// The radius never drops below 1 - depth - 0.07 > 0: the path never reaches the centre.
Renderer scalloped_loop() {
    return [](const RenderRequest& request) {
        const std::vector<int> n = parse_numbers(request.suffix);
        if (n.size() != 1 || n[0] < 2 || n[0] > 16) {
            throw std::invalid_argument("a scallop count from 2 to 16 expected");
        }
        const double lobes = n[0];
        const double depth = 1 / (1 + 0.4 * lobes);
        return normalised(trace(SCALLOP_PERIOD, [lobes, depth](double t) {
            const double psi = lobes * t / 2 + 0.22 * (1 - cos(lobes * t));
            const double radius = 1 - depth + depth * std::sqrt(cos(psi) * cos(psi) + 0.01) + 0.07 * cos(t - 0.9);
            return Offset3{radius * cos(t), 0.92 * radius * sin(t), 0.0};
        }));
    };
}

}  // namespace

Renderer draw_polar_scallop_family() { return scalloped_loop(); }

}  // namespace velmora::generator
