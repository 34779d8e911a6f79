// Keyframe curves: each used axis passes through its keyframes, eased by the quintic
// smootherstep so that every keyframe is a point of rest.

#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

#include "drawings/drawings.hpp"
#include "framework/primitives.hpp"
#include "framework/drawing.hpp"

namespace velmora::generator {

namespace {

// One optional keyframe curve per axis; an absent axis is zero throughout.
struct AxisCurves {
    std::optional<KeyframeCurve> x;
    std::optional<KeyframeCurve> y;
};

Renderer keyframed(AxisCurves curves) {
    return [curves = std::move(curves)](const RenderRequest& request) {
        for (const auto* curve : {&curves.x, &curves.y}) {
            if (*curve && (*curve)->period() != request.period) {
                throw std::invalid_argument("keyframes end at pip " + std::to_string((*curve)->period()) +
                                            ", not at the period");
            }
        }
        std::vector<Offset3> samples;
        for (std::uint32_t pip = 0; pip < request.period; ++pip) {
            samples.push_back({curves.x ? curves.x->at(pip) : 0.0, curves.y ? curves.y->at(pip) : 0.0, 0.0});
        }
        return samples;
    };
}

Renderer x_keyframes(std::string_view x) {
    return keyframed({KeyframeCurve::parse(x), std::nullopt});
}

Renderer y_keyframes(std::string_view y) {
    return keyframed({std::nullopt, KeyframeCurve::parse(y)});
}

Renderer xy_keyframes(std::string_view x, std::string_view y) {
    return keyframed({KeyframeCurve::parse(x), KeyframeCurve::parse(y)});
}

// The shared vertical line of the even sequences: a keyframe every 64 pips on one sine
// period of amplitude 0.287, closed on its first value.
KeyframeCurve sequence_lift() {
    std::vector<Keyframe> keyframes;
    for (int k = 0; k < 8; ++k) {
        keyframes.push_back({64.0 * k, 0.287 * std::sin(PI * k / 4)});
    }
    keyframes.push_back({512.0, keyframes.front().value});
    return KeyframeCurve(std::move(keyframes));
}

Renderer sequence(std::string_view x) {
    return keyframed({KeyframeCurve::parse(x), sequence_lift()});
}

}  // namespace

Renderer draw_env_lift_hold_drop() { return y_keyframes("0:0 64:-0.8 192:-0.8 256:0.2 320:0 512:0"); }
Renderer draw_env_inhale_exhale() { return y_keyframes("0:0 320:-0.8 384:0.1 448:0 512:0"); }
Renderer draw_env_triple_swell() { return y_keyframes("0:0 64:-0.8 128:0 192:-0.5 256:0 384:-0.3 512:0"); }
Renderer draw_env_rising_echo() { return y_keyframes("0:0 64:-0.25 128:0 192:-0.5 256:0 320:-0.8 384:0 512:0"); }
Renderer draw_env_falling_echo() { return y_keyframes("0:0 64:-0.8 128:0 192:-0.45 256:0 320:-0.15 512:0"); }
Renderer draw_env_anticipation() { return y_keyframes("0:0 64:0.35 128:0 192:-0.82 256:-0.82 384:0.12 512:0"); }
Renderer draw_env_plateau_scoop() { return y_keyframes("0:0 64:-0.7 256:-0.7 320:-0.3 384:0.4 512:0"); }
Renderer draw_env_hesitant() { return y_keyframes("0:0 64:-0.3 128:-0.2 192:-0.5 256:-0.4 320:-0.8 512:0"); }
Renderer draw_env_double_hold() { return y_keyframes("0:0 64:-0.4 192:-0.4 256:-0.8 384:-0.8 512:0"); }
Renderer draw_env_swell_recoil() { return y_keyframes("0:0 192:-0.8 256:0.5 320:-0.2 384:0.08 512:0"); }
Renderer draw_env_late_release() { return y_keyframes("0:0 256:-0.8 384:-0.8 448:0.25 512:0"); }
Renderer draw_env_split_attack() { return y_keyframes("0:0 32:-0.6 64:-0.2 128:-0.8 320:-0.2 512:0"); }
Renderer draw_env_suspended() { return y_keyframes("0:0 64:-0.75 128:0 256:0 384:-0.55 448:-0.55 512:0"); }
Renderer draw_env_valley_peaks() { return y_keyframes("0:0 64:-0.7 192:-0.3 256:-0.82 384:0.2 512:0"); }

Renderer draw_env_four_breaths() {
    return y_keyframes("0:0 64:-0.7 128:0 192:-0.5 256:0 320:-0.8 384:0 448:-0.3 512:0");
}

Renderer draw_env_return_stair() {
    return y_keyframes("0:0 128:-0.8 192:-0.8 256:-0.5 320:-0.5 384:-0.2 448:-0.2 512:0");
}

Renderer draw_lfo_surge() { return x_keyframes("0:-0.8 192:0.8 256:-0.8"); }
Renderer draw_lfo_soft_gate() { return x_keyframes("0:-0.8 32:0.8 128:0.8 160:-0.8 256:-0.8"); }
Renderer draw_lfo_double_pump() { return y_keyframes("0:0 32:-0.85 64:0 96:-0.55 128:0 256:0"); }
Renderer draw_lfo_glide_stair() { return x_keyframes("0:-0.8 32:-0.8 64:-0.4 96:0 128:0.4 160:0.8 192:0.8 256:-0.8"); }

Renderer draw_lfo_twin_swell() {
    return xy_keyframes("0:0 128:0.2 256:0 384:-0.32 512:0", "0:0 128:-0.85 256:0 384:-0.45 512:0");
}

Renderer draw_lfo_pulse_hold() { return x_keyframes("0:0 32:0.8 128:0.8 160:-0.35 192:0 256:0"); }

Renderer draw_lfo_reverse_swell() {
    return xy_keyframes("0:0 192:-0.24 224:0.24 384:0 512:0",
                                                   "0:0 192:-0.82 224:0 256:-0.38 288:0 320:-0.18 352:0 512:0");
}

Renderer draw_seq_pendulum_even() {
    return sequence("0:0 64:0.82 128:0 192:-0.82 256:0 320:0.41 384:0 448:-0.41 512:0");
}

Renderer draw_seq_octave_even() {
    return sequence("0:0 64:0.82 128:0.205 192:0.66625 256:-0.205 320:-0.82 384:-0.41 448:-0.66625 512:0");
}

Renderer draw_seq_ratchet_even() {
    return sequence("0:0 64:0.3075 128:0 192:0.615 256:0 320:0.82 384:0 448:-0.3075 512:0");
}

Renderer draw_seq_stairs_even() {
    return sequence("0:-0.82 64:-0.41 128:0 192:0.41 256:0.82 320:0.82 384:0 448:-0.82 512:-0.82");
}

}  // namespace velmora::generator
