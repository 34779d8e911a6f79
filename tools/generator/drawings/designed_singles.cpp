// The designed single patterns of velmora_initial and velmora_expansion: control shapes,
// rhythm studies, the elastic ease, the AKWF waveforms and the two funk excerpts.
//
// House style: rhythmic events are raised-cosine bumps that peak on their onset pip and
// come to rest at their edges; holds and glides are smootherstep keyframes. Negative y
// is downward, so hits dip.

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "drawings/drawings.hpp"
#include "data/akwf_waveforms.hpp"
#include "framework/primitives.hpp"
#include "framework/drawing.hpp"
#include "framework/seeded_controls.hpp"

namespace velmora::generator {

namespace {

Offset3 scaled(Offset3 amplitude, double factor) {
    return {amplitude.x * factor, amplitude.y * factor, amplitude.z * factor};
}

// Multiplies every component so that the table's largest magnitude becomes `peak`.
std::vector<Offset3> scaled_to(std::vector<Offset3> samples, double peak) {
    const double scale = peak / peak_magnitude(samples);
    for (Offset3& s : samples) {
        s = scaled(s, scale);
    }
    return samples;
}

// ---------------------------------------------------------------------------------------
// Control shapes

// Four eighth-note hits decaying by about a third each, then two beats of rest. Each bump
// is 32 pips wide, so one hit has settled to zero exactly where the next begins.
std::vector<Offset3> lfo_ratchet() {
    constexpr double strengths[] = {1.0, 0.7, 0.48, 0.32};
    std::vector<Bump> bumps;
    for (int hit = 0; hit < 4; ++hit) {
        bumps.push_back({32.0 * hit, 16.0, scaled(Offset3{0.82, -0.3, 0.0}, strengths[hit])});
    }
    return render_bumps(256, bumps);
}

// A triangle of the given rise fraction, from -1 up to 1 and back, with its two corners
// rounded by parabolic fillets of half-width `fillet` (in cycles) so that it is C1.
double rounded_skew_triangle(double u, double rise, double fillet) {
    u -= std::floor(u);
    const double up = 2.0 / rise;
    const double down = -2.0 / (1.0 - rise);
    auto line = [&](double v) {
        v -= std::floor(v);
        return v < rise ? -1.0 + up * v : 1.0 + down * (v - rise);
    };
    // Corner at the crest (u = rise) and at the trough (u = 0 = 1).
    for (const auto& [corner, slope_in, slope_out] :
         {std::tuple{rise, up, down}, std::tuple{0.0, down, up}, std::tuple{1.0, down, up}}) {
        const double d = u - corner;
        if (std::fabs(d) < fillet) {
            const double start = line(corner - fillet);
            const double s = d + fillet;
            return start + slope_in * s + (slope_out - slope_in) / (4.0 * fillet) * s * s;
        }
    }
    return line(u);
}

// Four cycles over eight beats. The blend runs from a pure sine at the loop's start to a
// skewed (slow rise, quick fall) triangle at mid-phrase and back, while y keeps a plain
// quarter-cycle-late sine: the XY loop is an ellipse at the start and a leaning, bent
// loop at mid-phrase.
std::vector<Offset3> lfo_morph() {
    auto wave = [](double u, double blend) {
        const double sine = std::sin(TWO_PI * u);
        // The triangle's crest and trough line up with the sine's at u = 0.25 and 0.75
        // when shifted so its trough sits at the sine's trough.
        const double triangle = rounded_skew_triangle(u - 0.75, 0.7, 0.04);
        return (1.0 - blend) * sine + blend * triangle;
    };
    return trace(512, [&](double theta) {
        const double blend = (1.0 - std::cos(theta)) / 2.0;
        const double u = 4.0 * theta / TWO_PI;
        return Offset3{0.8 * wave(u, blend), 0.3 * std::cos(TWO_PI * u), 0.0};
    });
}

// A slow lateral sweep across the field over five beats; during the last three beats x
// glides back while three decaying vertical ratchets fire, and all is still before the
// loop closes.
std::vector<Offset3> lfo_sweep_ratchet() {
    const KeyframeCurve sweep = KeyframeCurve::parse("0:-0.8 320:0.8 512:-0.8");
    const std::vector<Bump> ratchets{
        {336.0, 20.0, Offset3{0.0, -0.8, 0.0}},
        {384.0, 20.0, Offset3{0.0, -0.52, 0.0}},
        {432.0, 20.0, Offset3{0.0, -0.32, 0.0}},
    };
    std::vector<Offset3> samples = render_bumps(512, ratchets);
    for (std::uint32_t pip = 0; pip < 512; ++pip) {
        samples[pip].x = sweep.at(pip);
    }
    return samples;
}

// The controls of one lane with their mean removed, so the lane wanders around the centre.
std::vector<double> centred(std::vector<double> controls) {
    double mean = 0.0;
    for (const double c : controls) {
        mean += c;
    }
    mean /= static_cast<double>(controls.size());
    for (double& c : controls) {
        c -= mean;
    }
    return controls;
}

// Two lanes, x through nine and y through thirteen digest controls (seeded by the lane
// names "x" and "y"), each a closed C2 B-spline: irregular, but a pure function of the pip.
std::vector<Offset3> lfo_seeded_drift() {
    const std::vector<double> x = centred(signed_controls("lfo_seeded_drift", "x", 9));
    const std::vector<double> y = centred(signed_controls("lfo_seeded_drift", "y", 13));
    return normalised(trace(1024, [&](double theta) {
        const double t = theta / TWO_PI;
        return Offset3{closed_bspline(x, t), closed_bspline(y, t), 0.0};
    }));
}

// The oscillation grows and decays inside the window t^2 (1 - t)^4, whose value and slope
// vanish at both ends, so the loop starts and ends at rest on 0. Seven cycles; the
// window peaks a third of the way in, giving a quick build and a long ring-out.
std::vector<Offset3> ease_elastic() {
    return scaled_to(trace(256,
                           [](double theta) {
                               const double t = theta / TWO_PI;
                               const double window = t * t * std::pow(1.0 - t, 4);
                               return Offset3{window * std::sin(7.0 * theta), 0.0, 0.0};
                           }),
                     0.8);
}

// One cycle of 256 samples becomes one pip each: the waveform slowed to four beats,
// scaled so that its largest sample reaches the house peak.
Renderer akwf_waveform(std::string_view waveform_name) {
    return [waveform_name](const RenderRequest&) {
        const auto found = std::find_if(akwf::waveforms.begin(), akwf::waveforms.end(),
                                        [&](const akwf::Waveform& w) { return w.name == waveform_name; });
        if (found == akwf::waveforms.end()) {
            throw std::invalid_argument("no AKWF waveform named " + std::string(waveform_name));
        }
        std::vector<Offset3> samples;
        for (const std::int16_t v : found->samples) {
            samples.push_back({v / 32767.0, 0.0, 0.0});
        }
        return normalised(std::move(samples));
    };
}

// ---------------------------------------------------------------------------------------
// Rhythm studies

// Three horizontal gestures on the triplet division of the bar (alternating, the first
// the strongest) against two vertical ones on beats one (a dip) and three (a lift).
std::vector<Offset3> rhythm_three_two() {
    std::vector<Bump> bumps{
        {0.0, 28.0, Offset3{0.8, 0.0, 0.0}},
        {256.0 / 3.0, 28.0, Offset3{-0.65, 0.0, 0.0}},
        {512.0 / 3.0, 28.0, Offset3{0.65, 0.0, 0.0}},
        {0.0, 36.0, Offset3{0.0, -0.7, 0.0}},
        {128.0, 36.0, Offset3{0.0, 0.6, 0.0}},
    };
    return render_bumps(256, bumps);
}

// The deepest dip of the catalogue on the downbeat (y = -0.92) and its widest lateral
// crack on beat three (x = 1.0); between them, four small swung offbeat shuffles at two
// thirds of each beat. Neighbouring events never overlap at a peak, so both extremes are
// reached exactly.
std::vector<Offset3> rhythm_half_time() {
    std::vector<Bump> bumps{
        {0.0, 24.0, Offset3{0.3, -0.92, 0.0}},
        {128.0, 20.0, Offset3{1.0, -0.35, 0.0}},
    };
    for (int beat = 0; beat < 4; ++beat) {
        const Offset3 shuffle{beat % 2 == 0 ? -0.22 : 0.22, -0.14, 0.0};
        bumps.push_back({64.0 * beat + 128.0 / 3.0, 10.0, shuffle});
    }
    return render_bumps(256, bumps);
}

// Flam accents in triplets: each beat is a group of three strokes, lead accented, the
// sticking RLR LRL RLR LRL; a grace gesture of the opposite hand leads each accent by
// eight pips, far wider than a played flam so that it reads as its own motion.
std::vector<Offset3> rudiment_flam_accent() {
    std::vector<Bump> bumps;
    for (int group = 0; group < 4; ++group) {
        const double lead_side = group % 2 == 0 ? 1.0 : -1.0;
        const double lead = 64.0 * group;
        bumps.push_back({lead - 8.0, 6.0, Offset3{-lead_side * 0.3, -0.12, 0.0}});
        bumps.push_back({lead, 28.0 / 3.0, Offset3{lead_side * 0.82, -0.42, 0.0}});
        bumps.push_back({lead + 64.0 / 3.0, 28.0 / 3.0, Offset3{-lead_side * 0.45, -0.22, 0.0}});
        bumps.push_back({lead + 128.0 / 3.0, 28.0 / 3.0, Offset3{lead_side * 0.45, -0.22, 0.0}});
    }
    return render_bumps(256, bumps);
}

// `lateral` hits per bar spread evenly across two bars, alternating left and right; since
// the count is odd the second bar starts on the other side, which is why the loop spans two
// bars. Four vertical hits per bar on the beats alternate down and up, beat one strongest.
std::vector<Offset3> lateral_against_four(int lateral, double lateral_half_width) {
    std::vector<Bump> bumps;
    for (int hit = 0; hit < 2 * lateral; ++hit) {
        const double strength = hit % lateral == 0 ? 0.85 : 0.7;
        bumps.push_back({256.0 * hit / lateral, lateral_half_width, Offset3{hit % 2 == 0 ? strength : -strength, 0.0, 0.0}});
    }
    for (int beat = 0; beat < 8; ++beat) {
        const double strength = beat % 4 == 0 ? 0.6 : 0.45;
        bumps.push_back({64.0 * beat, 20.0, Offset3{0.0, beat % 2 == 0 ? -strength : strength, 0.0}});
    }
    return render_bumps(512, bumps);
}

// The offbeat of a 2:1 swung eighth pair falls two thirds into the beat, at 42 2/3 pips;
// it is placed on pip 43, the nearest stored sample, so that each gesture's peak is a
// sample. Call on the right over beats one and two, the same figure answered on the left.
std::vector<Offset3> rhythm_swung_answer() {
    std::vector<Bump> bumps;
    for (int beat = 0; beat < 4; ++beat) {
        const double side = beat < 2 ? 1.0 : -1.0;
        bumps.push_back({64.0 * beat, 14.0, Offset3{side * 0.8, -0.3, 0.0}});
        bumps.push_back({64.0 * beat + 43.0, 10.0, Offset3{side * 0.5, -0.18, 0.0}});
    }
    return render_bumps(256, bumps);
}

// Eighth-note groups: each group start leans alternately right and left, every other
// eighth is a small vertical tick. `bar_start_strength` lifts the group starting a bar.
std::vector<Offset3> grouped_eighths(const std::vector<int>& groups, double group_strength, double bar_start_strength,
                                     int eighths_per_bar) {
    int eighths = 0;
    for (const int g : groups) {
        eighths += g;
    }
    std::vector<bool> starts(static_cast<std::size_t>(eighths), false);
    for (int at = 0; const int g : groups) {
        starts[static_cast<std::size_t>(at)] = true;
        at += g;
    }
    std::vector<Bump> bumps;
    int group = 0;
    for (int eighth = 0; eighth < eighths; ++eighth) {
        const double pip = 32.0 * eighth;
        if (starts[static_cast<std::size_t>(eighth)]) {
            const double strength = eighth % eighths_per_bar == 0 ? bar_start_strength : group_strength;
            bumps.push_back({pip, 20.0, Offset3{group % 2 == 0 ? strength : -strength, -0.4 * strength, 0.0}});
            ++group;
        } else {
            bumps.push_back({pip, 10.0, Offset3{0.0, -0.14, 0.0}});
        }
    }
    return render_bumps(static_cast<std::uint32_t>(32 * eighths), bumps);
}

// Three X, four Y and five Z gestures over eight beats, each at its exact rational time
// (512 i / n pips, so 170 2/3 and 102 2/5 are not rounded to a pip).
std::vector<Offset3> rhythm_three_four_five() {
    std::vector<Bump> bumps;
    for (int i = 0; i < 3; ++i) {
        bumps.push_back({512.0 * i / 3.0, 40.0, Offset3{i == 0 ? 0.8 : (i % 2 == 0 ? 0.6 : -0.6), 0.0, 0.0}});
    }
    for (int i = 0; i < 4; ++i) {
        bumps.push_back({128.0 * i, 32.0, Offset3{0.0, i % 2 == 0 ? -0.7 : 0.7, 0.0}});
    }
    for (int i = 0; i < 5; ++i) {
        bumps.push_back({512.0 * i / 5.0, 26.0, Offset3{0.0, 0.0, i == 0 ? 0.6 : (i % 2 == 0 ? 0.45 : -0.45)}});
    }
    return render_bumps(512, bumps);
}

// ---------------------------------------------------------------------------------------
// Funk excerpts
//
// Two two-bar excerpts written for this catalogue, as the hits of a drum kit on a grid of
// 32 sixteenths (16 pips each). `late` is how many pips the played take sits off the grid
// (negative: ahead of it): a laid-back backbeat, eighth hats pushed slightly, ghost notes
// dragging, kicks a touch early. The grid takes drop `late`. Excerpt A is bars two to
// three of its groove (source beats 4 to 12), excerpt B bars ten to eleven (36 to 44).
//
// Motion per drum: the kick dips (y down); the snare throws right (x) and the hats tick
// the same way, smaller, with the same width, so a hat that lands with a snare only
// strengthens its throw instead of notching it; the open hat also lifts.

enum class Drum { kick, snare, hat, open_hat };

struct DrumHit {
    int sixteenth;  // 0 to 31 across the two bars
    Drum drum;
    double velocity;  // 0 to 1
    int late;         // pips off the grid in the played take
};

// clang-format off
//              bar 1: 1 e + a 2 e + a 3 e + a 4 e + a | bar 2
// kick               X . . x . . . x . . X . . . . .  | X . x . . . . x . . X x . . . .
// snare              . . . . X . g . . g . . X . . g  | . . . . X g . . . g . . X . g g
// hat (o = open)     x . x . x . x . x . x . x . x .  | x . x . x . x . x . x . x . o .
const std::vector<DrumHit> funk_excerpt_a{
    {0, Drum::kick, 1.0, -1}, {3, Drum::kick, 0.65, 0}, {7, Drum::kick, 0.8, -2}, {10, Drum::kick, 0.9, -1},
    {4, Drum::snare, 1.0, 3}, {6, Drum::snare, 0.3, 2}, {9, Drum::snare, 0.25, 3}, {12, Drum::snare, 1.0, 4},
    {15, Drum::snare, 0.35, 2},
    {0, Drum::hat, 0.8, 0}, {2, Drum::hat, 0.5, 2}, {4, Drum::hat, 0.75, 1}, {6, Drum::hat, 0.5, 3},
    {8, Drum::hat, 0.8, 0}, {10, Drum::hat, 0.5, 2}, {12, Drum::hat, 0.75, 1}, {14, Drum::hat, 0.55, 3},
    {16, Drum::kick, 1.0, -1}, {18, Drum::kick, 0.6, 1}, {23, Drum::kick, 0.75, -2}, {26, Drum::kick, 0.85, -1},
    {27, Drum::kick, 0.5, 0},
    {20, Drum::snare, 1.0, 3}, {21, Drum::snare, 0.25, 3}, {25, Drum::snare, 0.3, 2}, {28, Drum::snare, 1.0, 4},
    {30, Drum::snare, 0.3, 2}, {31, Drum::snare, 0.4, 1},
    {16, Drum::hat, 0.8, 0}, {18, Drum::hat, 0.5, 2}, {20, Drum::hat, 0.75, 1}, {22, Drum::hat, 0.5, 3},
    {24, Drum::hat, 0.8, 0}, {26, Drum::hat, 0.5, 2}, {28, Drum::hat, 0.75, 1}, {30, Drum::open_hat, 0.7, 2},
};

//              bar 1: 1 e + a 2 e + a 3 e + a 4 e + a | bar 2
// kick               X . . . . . x . X . . x . . . .  | X . . x . . x . . . X . . . . .
// snare              . . g . X . . g . . g . X . . .  | . g . . X . . g . . . X x x X .
// hat (o = open)     x x x x x x x x x x x x x x o .  | x x x x x x x x x x x . . . . .
const std::vector<DrumHit> funk_excerpt_b{
    {0, Drum::kick, 1.0, -1}, {6, Drum::kick, 0.7, -2}, {8, Drum::kick, 0.85, -1}, {11, Drum::kick, 0.6, 0},
    {2, Drum::snare, 0.25, 3}, {4, Drum::snare, 1.0, 3}, {7, Drum::snare, 0.3, 2}, {10, Drum::snare, 0.25, 3},
    {12, Drum::snare, 1.0, 4},
    {16, Drum::kick, 1.0, -1}, {19, Drum::kick, 0.7, -1}, {22, Drum::kick, 0.6, -2}, {26, Drum::kick, 0.9, -1},
    {17, Drum::snare, 0.3, 2}, {20, Drum::snare, 1.0, 3}, {23, Drum::snare, 0.3, 3}, {27, Drum::snare, 0.9, 3},
    {28, Drum::snare, 0.45, 2}, {29, Drum::snare, 0.6, 1}, {30, Drum::snare, 0.8, 2},
    {0, Drum::hat, 0.7, 0}, {1, Drum::hat, 0.35, 2}, {2, Drum::hat, 0.6, 1}, {3, Drum::hat, 0.35, 3},
    {4, Drum::hat, 0.7, 0}, {5, Drum::hat, 0.35, 2}, {6, Drum::hat, 0.6, 1}, {7, Drum::hat, 0.35, 3},
    {8, Drum::hat, 0.7, 0}, {9, Drum::hat, 0.35, 2}, {10, Drum::hat, 0.6, 1}, {11, Drum::hat, 0.35, 3},
    {12, Drum::hat, 0.7, 0}, {13, Drum::hat, 0.35, 2}, {14, Drum::open_hat, 0.65, 1},
    {16, Drum::hat, 0.7, 0}, {17, Drum::hat, 0.35, 2}, {18, Drum::hat, 0.6, 1}, {19, Drum::hat, 0.35, 3},
    {20, Drum::hat, 0.7, 0}, {21, Drum::hat, 0.35, 2}, {22, Drum::hat, 0.6, 1}, {23, Drum::hat, 0.35, 3},
    {24, Drum::hat, 0.7, 0}, {25, Drum::hat, 0.35, 2}, {26, Drum::hat, 0.6, 1},
};
// clang-format on

Bump drum_gesture(const DrumHit& hit, bool played) {
    const double pip = 16.0 * hit.sixteenth + (played ? hit.late : 0);
    switch (hit.drum) {
        case Drum::kick:
            return {pip, 12.0, scaled(Offset3{0.0, -0.7, 0.0}, hit.velocity)};
        case Drum::snare:
            return {pip, 12.0, scaled(Offset3{0.8, -0.2, 0.0}, hit.velocity)};
        case Drum::hat:
            return {pip, 12.0, scaled(Offset3{0.18, 0.0, 0.0}, hit.velocity)};
        case Drum::open_hat:
            return {pip, 12.0, scaled(Offset3{0.18, 0.25, 0.0}, hit.velocity)};
    }
    throw std::logic_error("unknown drum");
}

Renderer funk_excerpt(const std::vector<DrumHit>& hits, bool played) {
    return [&hits, played](const RenderRequest&) {
        std::vector<Bump> bumps;
        for (const DrumHit& hit : hits) {
            if (hit.sixteenth < 0 || hit.sixteenth >= 32 || hit.velocity <= 0.0 || hit.velocity > 1.0) {
                throw std::invalid_argument("a funk excerpt hit lies outside its two bars or has a bad velocity");
            }
            bumps.push_back(drum_gesture(hit, played));
        }
        return render_bumps(512, bumps);
    };
}

Renderer fixed(std::vector<Offset3> (*shape)()) {
    return [shape](const RenderRequest&) { return shape(); };
}

}  // namespace

Renderer draw_lfo_ratchet() { return fixed(lfo_ratchet); }
Renderer draw_lfo_morph() { return fixed(lfo_morph); }
Renderer draw_rhythm_three_two() { return fixed(rhythm_three_two); }
Renderer draw_rhythm_half_time() { return fixed(rhythm_half_time); }
Renderer draw_rudiment_flam_accent() { return fixed(rudiment_flam_accent); }
Renderer draw_ease_elastic() { return fixed(ease_elastic); }
Renderer draw_akwf_round_saw() { return akwf_waveform("AKWF_R_asym_saw_05"); }
Renderer draw_akwf_quick_return() { return akwf_waveform("AKWF_R_asym_saw_15"); }
Renderer draw_akwf_multi_lobe() { return akwf_waveform("AKWF_0001"); }
Renderer draw_akwf_plateau() { return akwf_waveform("AKWF_0010"); }
Renderer draw_groove_a_played() { return funk_excerpt(funk_excerpt_a, true); }
Renderer draw_groove_a_grid() { return funk_excerpt(funk_excerpt_a, false); }
Renderer draw_groove_b_played() { return funk_excerpt(funk_excerpt_b, true); }
Renderer draw_groove_b_grid() { return funk_excerpt(funk_excerpt_b, false); }
Renderer draw_lfo_sweep_ratchet() { return fixed(lfo_sweep_ratchet); }
Renderer draw_lfo_seeded_drift() { return fixed(lfo_seeded_drift); }
Renderer draw_rhythm_five_four() { return [](const RenderRequest&) { return lateral_against_four(5, 18.0); }; }
Renderer draw_rhythm_seven_four() { return [](const RenderRequest&) { return lateral_against_four(7, 14.0); }; }
Renderer draw_rhythm_swung_answer() { return fixed(rhythm_swung_answer); }

Renderer draw_rhythm_group_332() {
    return [](const RenderRequest&) { return grouped_eighths({3, 3, 2, 3, 3, 2}, 0.8, 0.8, 8); };
}

Renderer draw_rhythm_group_223() {
    return [](const RenderRequest&) { return grouped_eighths({2, 2, 3, 2, 2, 3}, 0.65, 0.85, 7); };
}

Renderer draw_rhythm_three_four_five() { return fixed(rhythm_three_four_five); }

}  // namespace velmora::generator
