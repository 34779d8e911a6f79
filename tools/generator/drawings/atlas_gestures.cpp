// The sixteen gestures of velmora_atlas: one point moving as a hand might over eight
// beats. Most are keyframed poses eased by smootherstep, so every pose is a moment of
// rest and equal neighbouring poses are holds; the swinging and spiralling ones are
// drawn from phase-warped curves. x is right, y is up, z is toward the viewer.

#include <cmath>

#include "drawings/drawings.hpp"
#include "drawings/designed_atlas.hpp"

namespace velmora::generator {

namespace {

using std::cos;
using std::sin;

constexpr std::uint32_t GESTURE_PERIOD = 512;

Renderer posed(AxisKeyframes axes) {
    return [axes](const RenderRequest&) { return render_axis_keyframes(GESTURE_PERIOD, axes); };
}

Renderer swept(Curve curve) {
    return [curve = std::move(curve)](const RenderRequest&) { return trace(GESTURE_PERIOD, curve); };
}

// Right across the scoop and back: phi = t - sin(2t)/2 stands still at both sides, so the
// point lingers there and swoops through the bottom. The outward pass dips deep, the
// return only a little, so the two passes do not retrace each other.
Offset3 low_scoop(double t) {
    const double phi = t - 0.5 * sin(2 * t);
    const double dip = sin(phi) * sin(phi) * (0.55 + 0.3 * sin(phi));
    return {-0.8 * cos(phi), 0.15 - dip, 0.0};
}

// Over the top and back underneath: phi = t + 0.35 sin(2t) slows to 0.3 of its mean
// speed at the apex, so the point hangs there, and hurries along the low return.
Offset3 high_arc(double t) {
    const double phi = t + 0.35 * sin(2 * t);
    return {-0.8 * cos(phi), -0.25 + sin(phi) * sin(phi) * (0.45 + 0.6 * sin(phi)), 0.0};
}

// Forward over the top and back underneath, a loop in depth with a slight sideways S;
// phi = t + 0.4 sin t hurries through the back and lingers at full reach in front.
Offset3 reach_through_depth(double t) {
    const double phi = t + 0.4 * sin(t);
    return {0.28 * sin(2 * phi), 0.42 * sin(phi), -0.78 * cos(phi)};
}

// A deep bow forward and down (three and a half beats, with a one-beat hold), a beat of
// rest, a full turn of the point around the vertical axis with a slight rise, and rest.
std::vector<Offset3> bow_and_turn() {
    const std::vector<Offset3> bow = render_axis_keyframes(
        GESTURE_PERIOD, {"", "0:0 96:-0.7 160:-0.7 224:0 512:0", "0:0.45 96:0.82 160:0.82 224:0.45 512:0.45"});
    std::vector<Offset3> samples;
    for (std::uint32_t pip = 0; pip < GESTURE_PERIOD; ++pip) {
        if (pip < 256 || pip >= 480) {
            samples.push_back(bow[pip]);
            continue;
        }
        const double turn = TWO_PI * smootherstep((pip - 256.0) / 224.0);
        const double half = sin(turn / 2);
        samples.push_back({0.45 * sin(turn), 0.2 * half * half, 0.45 * cos(turn)});
    }
    return samples;
}

// Heel presses (down) exactly on every beat and toe lifts exactly on every offbeat,
// while the point shuffles one step sideways per beat: four steps right, four back.
std::vector<Offset3> heel_toe() {
    std::vector<Bump> presses;
    for (int beat = 0; beat < 8; ++beat) {
        presses.push_back({64.0 * beat, 16.0, {0.0, -0.42, 0.0}});
        presses.push_back({64.0 * beat + 32, 20.0, {0.0, 0.5, 0.0}});
    }
    std::vector<Offset3> samples = render_bumps(GESTURE_PERIOD, presses);
    const KeyframeCurve travel = KeyframeCurve::parse("0:-0.6 64:-0.3 128:0 192:0.3 256:0.6 320:0.3 384:0 448:-0.3 512:-0.6");
    for (std::uint32_t pip = 0; pip < GESTURE_PERIOD; ++pip) {
        samples[pip].x = travel.at(pip);
    }
    return samples;
}

// Six beats spiralling out from the centre (two and a half turns) while reaching from
// behind to in front, then two beats drawing back along a sideways bow to the start.
std::vector<Offset3> spiral_reach() {
    std::vector<Offset3> samples;
    for (std::uint32_t pip = 0; pip < GESTURE_PERIOD; ++pip) {
        if (pip < 384) {
            const double u = smootherstep(pip / 384.0);
            const double angle = 5 * PI * u;
            samples.push_back({0.7 * u * sin(angle), 0.7 * u * cos(angle), -0.6 + 1.35 * u});
        } else {
            // The spiral ends at (0, -0.7, 0.75): 2.5 turns bring the angle to 5 pi.
            const double v = smootherstep((pip - 384.0) / 128.0);
            samples.push_back({0.3 * sin(PI * v), -0.7 * (1 - v), 0.75 - 1.35 * v});
        }
    }
    return samples;
}

}  // namespace

// Reach out right with a small lift, hold, come back under; the same to the left.
Renderer draw_gesture_side_reach() {
    return posed({"0:0 96:0.82 160:0.82 256:0 352:-0.82 416:-0.82 512:0",
                        "0:0 48:0.24 96:0.12 160:0.12 208:-0.08 256:0 304:0.24 352:0.12 416:0.12 464:-0.08 512:0", ""});
}

// Cross low to the far side, then reach high and wide to the near side, the lift leading
// the reach so the path hooks upward; mirrored.
Renderer draw_gesture_cross_reach() {
    return posed({"0:0 64:-0.5 96:-0.5 176:0.82 208:0.82 256:0 320:0.5 352:0.5 432:-0.82 464:-0.82 512:0",
                        "0:0 48:-0.32 96:-0.32 152:0.62 208:0.62 240:-0.05 256:0 304:-0.32 352:-0.32 408:0.62 464:0.62 "
                        "496:-0.05 512:0",
                        ""});
}

Renderer draw_gesture_low_scoop() { return swept(low_scoop); }
Renderer draw_gesture_high_arc() { return swept(high_arc); }

// Around a square, top left first, with a quick outward tap landing exactly on every
// second beat, a settle back onto the corner, a hold, and a glide to the next corner.
Renderer draw_gesture_corner_taps() {
    return posed({"0:-0.78 24:-0.6 64:-0.6 112:0.6 128:0.78 152:0.6 192:0.6 240:0.6 256:0.78 280:0.6 320:0.6 "
                        "368:-0.6 384:-0.78 408:-0.6 448:-0.6 496:-0.6 512:-0.78",
                        "0:0.78 24:0.6 64:0.6 112:0.6 128:0.78 152:0.6 192:0.6 240:-0.6 256:-0.78 280:-0.6 320:-0.6 "
                        "368:-0.6 384:-0.78 408:-0.6 448:-0.6 496:0.6 512:0.78",
                        ""});
}

// From the centre out along each diagonal in turn, a held touch, and back.
Renderer draw_gesture_diagonal_touch() {
    return posed({"0:0 48:0.7 80:0.7 128:0 176:-0.55 208:-0.55 256:0 304:-0.7 336:-0.7 384:0 432:0.55 464:0.55 512:0",
                        "0:0 48:0.7 80:0.7 128:0 176:-0.55 208:-0.55 256:0 304:0.7 336:0.7 384:0 432:-0.55 464:-0.55 512:0",
                        ""});
}

// Out of the centre to a corner, once around the box, back to the centre and rest.
Renderer draw_gesture_box_return() {
    return posed({"0:0 32:0 96:-0.6 160:0.6 224:0.6 288:-0.6 352:-0.6 448:0 512:0",
                                              "0:0 32:0 96:0.6 160:0.6 224:-0.6 288:-0.6 352:0.6 448:0 512:0", ""});
}

// Six zigzag strokes climbing from low to high, a hold at the top, then a bowed glide
// back down to the start.
Renderer draw_gesture_zigzag_lift() {
    return posed({"0:-0.6 56:0.6 112:-0.6 168:0.6 224:-0.6 280:0.6 320:0.6 392:0.78 512:-0.6",
                                               "0:-0.7 56:-0.42 112:-0.14 168:0.14 224:0.42 280:0.7 320:0.7 512:-0.7", ""});
}

// Duck down, sway twice from side to side like a pendulum (low through the middle,
// higher at the ends), and rise back up.
Renderer draw_gesture_duck_sway() {
    return posed({"0:0 64:0 112:-0.62 176:0.62 240:-0.62 304:0.62 352:0 448:0 512:0",
                        "0:0 64:-0.62 112:-0.45 144:-0.7 176:-0.45 208:-0.7 240:-0.45 272:-0.7 304:-0.45 352:-0.62 448:0 512:0", ""});
}

// A strong push forward and a short pull back, then a lighter push and a deeper pull,
// each push leaning slightly down and to one side.
Renderer draw_gesture_push_pull() {
    return posed({"0:0 64:0.18 128:0.18 192:-0.1 224:-0.1 256:0 320:-0.18 352:-0.18 416:0.1 464:0.1 512:0",
                        "0:0 64:-0.16 128:-0.16 192:0.12 224:0.12 256:0 320:-0.12 352:-0.12 416:0.14 464:0.14 512:0",
                        "0:0 64:0.82 128:0.82 192:-0.6 224:-0.6 256:0 320:0.55 352:0.55 416:-0.75 464:-0.75 512:0"});
}

Renderer draw_gesture_reach_depth() { return swept(reach_through_depth); }
Renderer draw_gesture_bow_turn() { return [](const RenderRequest&) { return bow_and_turn(); }; }
Renderer draw_gesture_heel_toe() { return [](const RenderRequest&) { return heel_toe(); }; }

// Two hops travelling right, each with a crouch, a hang at the top and a squash on
// landing; the second lower. The answer swings back left and home in two low scoops.
Renderer draw_gesture_hop_answer() {
    return posed({"0:0 24:0 104:0.3 152:0.3 232:0.6 256:0.6 352:-0.45 384:-0.45 480:0 512:0",
                        "0:0 24:-0.18 64:0.8 104:-0.18 128:0 152:-0.14 192:0.55 232:-0.14 256:0 304:-0.3 352:0 384:0 "
                        "432:-0.22 480:0 512:0",
                        ""});
}

Renderer draw_gesture_spiral_reach() { return [](const RenderRequest&) { return spiral_reach(); }; }

// A diamond in depth: front, right, back, left, resting at each vertex, low in front
// and high at the back.
Renderer draw_gesture_diamond_depth() {
    return posed({"0:0 128:0.7 256:0 384:-0.7 512:0", "0:-0.2 128:0 256:0.2 384:0 512:-0.2",
                                                 "0:0.82 128:0 256:-0.82 384:0 512:0.82"});
}

}  // namespace velmora::generator
