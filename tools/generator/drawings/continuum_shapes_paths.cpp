// The spatial families of velmora_continuum drawn as paths through timed points: cubic
// splines, vertex tours, serpentine scans, reaches from a centre and dwell phrases.

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>

#include "drawings/drawings.hpp"
#include "drawings/continuum_shapes.hpp"

namespace velmora::generator::continuum_shapes {

namespace {

using std::cos;
using std::sin;

constexpr std::uint32_t LOOP = 1024;

double degrees(double angle) noexcept {
    return angle * (PI / 180.0);
}

Offset3 operator+(const Offset3& a, const Offset3& b) noexcept {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Offset3 operator-(const Offset3& a, const Offset3& b) noexcept {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

Offset3 operator*(double k, const Offset3& a) noexcept {
    return {k * a.x, k * a.y, k * a.z};
}

// "scoop_3" -> "scoop" and 3.
struct WordMember {
    std::string_view word;
    int count;
};

WordMember word_member(const RenderRequest& request) {
    const std::size_t cut = request.suffix.rfind('_');
    if (cut == std::string_view::npos) {
        throw std::invalid_argument("expected a kind and a count in the name");
    }
    const std::vector<int> n = parse_numbers(request.suffix.substr(cut + 1));
    return {request.suffix.substr(0, cut), n.at(0)};
}

// ---------------------------------------------------------------------------------------
// spline_NAME: a periodic cubic through hand-placed, deliberately lopsided control points
// reached at unequal times. The tangent at each control is the time-weighted blend of the
// velocities of the two segments that meet there, so the speed carries across every
// control without a kink however unequal the segment times are.
struct SplineControl {
    double pip;
    Offset3 at;
};

struct SplineShape {
    std::string_view name;
    std::vector<SplineControl> controls;  // from pip 0; the loop closes back on the first at 512
};

const std::vector<SplineShape>& spline_shapes() {
    static const std::vector<SplineShape> shapes{
        {"kite",
         {{0, {0.04, 0.8, 0}}, {48, {0.3, 0.51, 0}}, {96, {0.56, 0.22, 0}}, {176, {0.25, -0.28, 0}},
          {256, {-0.06, -0.78, 0}}, {328, {-0.26, -0.31, 0}}, {400, {-0.46, 0.16, 0}}, {456, {-0.21, 0.48, 0}}}},
        {"hourglass",
         {{0, {-0.55, 0.74, 0}}, {80, {0.62, 0.7, 0}}, {168, {0.04, 0.02, 0}}, {248, {-0.66, -0.72, 0}},
          {352, {0.52, -0.76, 0}}, {440, {-0.04, -0.04, 0}}}},
        {"hook",
         {{0, {0.32, 0.8, 0}}, {120, {0.36, -0.2, 0}}, {184, {0.12, -0.68, 0}}, {232, {-0.3, -0.66, 0}},
          {276, {-0.5, -0.34, 0}}, {312, {-0.3, -0.28, 0}}, {352, {-0.04, -0.44, 0}}, {400, {0.14, -0.2, 0}},
          {464, {0.14, 0.6, 0}}}},
        {"crown",
         {{0, {-0.72, -0.55, 0}}, {120, {0.7, -0.5, 0}}, {200, {0.72, 0.62, 0}}, {248, {0.36, 0.08, 0}},
          {312, {0.02, 0.8, 0}}, {368, {-0.3, 0.1, 0}}, {440, {-0.66, 0.52, 0}}}},
        {"bow",
         {{0, {0.0, 0.82, 0}}, {64, {0.46, 0.5, 0}}, {136, {0.6, 0.0, 0}}, {200, {0.42, -0.52, 0}},
          {256, {-0.02, -0.8, 0}}, {316, {-0.14, -0.39, 0}}, {376, {-0.26, 0.02, 0}}, {444, {-0.13, 0.42, 0}}}},
        {"crooked_cross",
         {{0, {0.02, 0.0, 0}}, {40, {0.78, 0.1, 0}}, {96, {-0.04, 0.04, 0}}, {144, {0.06, 0.8, 0}},
          {216, {0.03, -0.03, 0}}, {272, {-0.7, -0.05, 0}}, {336, {-0.02, 0.02, 0}}, {416, {-0.1, -0.78, 0}}}},
        {"asymmetric_star",
         {{0, {0.0, 0.82, 0}}, {88, {-0.38, -0.62, 0}}, {200, {0.66, 0.2, 0}}, {296, {-0.61, 0.24, 0}},
          {416, {0.33, -0.46, 0}}}},
        {"scoop",
         {{0, {-0.74, 0.62, 0}}, {96, {-0.52, -0.2, 0}}, {168, {-0.1, -0.72, 0}}, {224, {0.38, -0.58, 0}},
          {272, {0.7, -0.05, 0}}, {304, {0.62, 0.22, 0}}, {352, {0.3, -0.2, 0}}, {400, {-0.1, -0.34, 0}},
          {456, {-0.48, 0.1, 0}}}},
        {"rising_kite",
         {{0, {0.02, 0.78, -0.35}}, {56, {0.31, 0.54, -0.25}}, {112, {0.6, 0.3, -0.1}}, {176, {0.33, -0.23, 0.05}},
          {232, {0.06, -0.76, 0.2}}, {336, {-0.21, -0.27, 0.42}}, {424, {-0.48, 0.22, 0.6}}, {472, {-0.23, 0.5, 0.1}}}},
        {"twisted_bow",
         {{0, {0.0, 0.82, 0.0}}, {88, {0.44, 0.48, 0.32}}, {200, {0.6, -0.02, 0.5}}, {264, {0.4, -0.54, 0.3}},
          {304, {0.0, -0.8, 0.0}}, {336, {-0.12, -0.4, -0.25}}, {368, {-0.24, 0.0, -0.46}}, {424, {-0.12, 0.41, -0.22}}}},
        {"cup",
         {{0, {-0.6, 0.6, 0.0}}, {72, {0.02, 0.64, 0.45}}, {136, {0.6, 0.6, 0.0}}, {208, {0.02, 0.56, -0.45}},
          {272, {-0.58, 0.58, 0.02}}, {336, {-0.4, -0.2, 0.1}}, {392, {0.0, -0.72, 0.05}}, {440, {0.42, -0.2, 0.0}},
          {480, {0.0, 0.2, -0.25}}}},
        {"bridge",
         {{0, {-0.8, 0.0, 0.3}}, {72, {-0.3, 0.02, 0.35}}, {136, {0.3, 0.0, 0.3}}, {200, {0.8, 0.02, 0.25}},
          {248, {0.72, -0.62, 0.05}}, {320, {0.3, -0.34, -0.2}}, {360, {0.0, -0.26, -0.25}}, {400, {-0.32, -0.36, -0.2}},
          {464, {-0.74, -0.6, 0.0}}}},
        {"double_bay",
         {{0, {-0.75, 0.5, 0.0}}, {80, {-0.5, -0.45, 0.3}}, {144, {-0.2, 0.05, 0.1}}, {232, {0.15, -0.6, -0.3}},
          {304, {0.55, -0.1, -0.1}}, {376, {0.7, 0.55, 0.2}}, {448, {0.0, 0.7, 0.35}}}},
        {"slanted_loop",
         {{0, {0.8, 0.1, 0.44}}, {48, {0.35, 0.62, 0.2}}, {152, {-0.3, 0.55, -0.16}}, {216, {-0.78, -0.05, -0.43}},
          {336, {-0.32, -0.6, -0.18}}, {432, {0.36, -0.52, 0.2}}}},
        {"fork",
         {{0, {0.0, -0.8, 0.0}}, {80, {0.02, -0.1, 0.0}}, {144, {0.5, 0.75, 0.3}}, {192, {0.16, 0.0, 0.1}},
          {256, {0.04, 0.8, -0.2}}, {312, {-0.12, 0.0, 0.05}}, {376, {-0.48, 0.72, 0.35}}, {432, {-0.06, -0.12, 0.0}}}},
        {"folded_crown",
         {{0, {-0.7, -0.5, 0.0}}, {128, {0.7, -0.52, 0.1}}, {200, {0.7, 0.6, 0.45}}, {256, {0.35, 0.05, 0.0}},
          {320, {0.0, 0.8, -0.45}}, {376, {-0.32, 0.08, 0.0}}, {448, {-0.68, 0.55, 0.4}}}},
    };
    return shapes;
}

std::vector<Offset3> render_spline(const RenderRequest& request, std::uint32_t period) {
    const SplineShape* shape = nullptr;
    for (const SplineShape& candidate : spline_shapes()) {
        if (candidate.name == request.suffix) {
            shape = &candidate;
        }
    }
    if (shape == nullptr) {
        throw std::invalid_argument("no spline shape of that name");
    }
    const std::vector<SplineControl>& c = shape->controls;
    const std::size_t n = c.size();
    const auto duration = [&](std::size_t i) { return (i + 1 < n ? c[i + 1].pip : period) - c[i].pip; };
    const auto secant = [&](std::size_t i) { return (1.0 / duration(i)) * (c[(i + 1) % n].at - c[i].at); };
    std::vector<Offset3> tangent(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t before = (i + n - 1) % n;
        const double d0 = duration(before);
        const double d1 = duration(i);
        tangent[i] = (1.0 / (d0 + d1)) * (d1 * secant(before) + d0 * secant(i));
    }
    std::vector<Offset3> samples;
    samples.reserve(period);
    std::size_t segment = 0;
    for (std::uint32_t pip = 0; pip < period; ++pip) {
        while (segment + 1 < n && c[segment + 1].pip <= pip) {
            ++segment;
        }
        const double d = duration(segment);
        const double u = (pip - c[segment].pip) / d;
        const double u2 = u * u;
        const double u3 = u2 * u;
        const Offset3& from = c[segment].at;
        const Offset3& to = c[(segment + 1) % n].at;
        samples.push_back((2 * u3 - 3 * u2 + 1) * from + ((u3 - 2 * u2 + u) * d) * tangent[segment] +
                          (-2 * u3 + 3 * u2) * to + ((u3 - u2) * d) * tangent[(segment + 1) % n]);
    }
    return normalised(std::move(samples));
}

// ---------------------------------------------------------------------------------------
// tour_n_k: the point visits the n vertices of a star polygon {n/k}, skipping k - 1 each
// time, on a lopsided outline rather than a circle. It glides along each chord, eases
// into the corner, dwells and eases out; dwells alternate long and short. With an odd n
// the tour runs twice, so the alternation closes evenly and every vertex gets a long
// dwell on one pass and a short one on the other. Members from tour_11_3 on tilt the
// outline through depth.
std::vector<Offset3> render_tour(const RenderRequest& request, bool with_depth) {
    // Drawn member by member (flat or deep), without parameters: the numbers follow the
    // family prefix in the name.
    const std::vector<int> nk = parse_numbers(request.name.substr(std::string_view("tour_").size()));
    if (nk.size() != 2 || nk[0] < 3 || nk[1] < 1 || nk[1] >= nk[0]) {
        throw std::invalid_argument("expected a vertex count and a step");
    }
    const int n = nk[0];
    const int k = nk[1];
    const int corners = n % 2 == 0 ? n : 2 * n;
    const double slot = static_cast<double>(LOOP) / corners;
    const double long_dwell = 0.5 * slot;
    const double short_dwell = 0.2 * slot;
    const double glide = slot - (long_dwell + short_dwell) / 2;

    const auto vertex = [&](int v) {
        const double angle = PI / 2 + TWO_PI * v / n + 0.08 * sin(2.3 * v);
        const double radius = (1.0 + 0.1 * cos(3 * angle)) / (1.0 + 0.28 * cos(2 * angle - 0.5));
        const double z = with_depth ? 0.45 * sin(2 * angle + 0.5) : 0.0;
        return Offset3{radius * cos(angle), 0.86 * radius * sin(angle), z};
    };

    std::vector<PathKey> keys;
    double pip = 0.0;
    for (int corner = 0; corner < corners; ++corner) {
        const Offset3 here = vertex(static_cast<int>((static_cast<long long>(corner) * k) % n));
        keys.push_back({pip, here});
        pip += corner % 2 == 0 ? long_dwell : short_dwell;
        keys.push_back({pip, here});
        pip += glide;
    }
    keys.push_back({LOOP, keys.front().at});
    return normalised(render_keyed_path(LOOP, keys));
}

// ---------------------------------------------------------------------------------------
// scan_{flat,bowed,tilted,depth}_rows: a serpentine scan of `rows` rows over twelve
// beats, then four beats of return around the outside of the scanned field back to the
// start. Each sweep eases from end to end; the step down to the next row is centred on
// the turn, so the turns are rounded U-bends while the rows themselves stay true. Bowed
// rows sag, tilted rows slant, and the depth scan takes each row a step further back and
// brings the depth home on the return.
std::vector<Offset3> render_scan(const RenderRequest& request) {
    const WordMember member = word_member(request);
    const int rows = member.count;
    if (rows < 2) {
        throw std::invalid_argument("a scan needs at least two rows");
    }
    const double width = 0.6;
    const double outside = 0.84;
    const double top = 0.55;
    const double above = 0.8;
    const double scan_time = 768.0;
    const double row_time = scan_time / rows;
    const double turn = std::min(0.25 * row_time, 40.0);  // half the duration of a row change
    const auto row_y = [&](int r) { return top - 2 * top * r / (rows - 1); };
    const auto row_z = [&](int r) { return -0.45 + 0.9 * r / (rows - 1); };

    std::vector<Keyframe> x;
    std::vector<Keyframe> y;
    std::vector<Keyframe> z;
    for (int r = 0; r <= rows; ++r) {
        x.push_back({r * row_time, r % 2 == 0 ? -width : width});
    }
    y.push_back({0, row_y(0)});
    z.push_back({0, row_z(0)});
    for (int r = 0; r + 1 < rows; ++r) {
        const double change = (r + 1) * row_time;
        y.push_back({change - turn, row_y(r)});
        y.push_back({change + turn, row_y(r + 1)});
        z.push_back({change - turn, row_z(r)});
        z.push_back({change + turn, row_z(r + 1)});
    }
    const double end = scan_time;
    if (rows % 2 == 0) {
        // The last row ends at the left, below the start: out to the left, up, and in.
        x.push_back({end + 48, -outside});
        x.push_back({LOOP - 48, -outside});
        y.push_back({end + 16, row_y(rows - 1)});
        y.push_back({LOOP - 16, row_y(0)});
        z.push_back({end + 16, row_z(rows - 1)});
        z.push_back({LOOP - 16, row_z(0)});
    } else {
        // The last row ends at the right: out to the right, up over the top of the field,
        // across, and down the left side into the first row.
        x.push_back({end + 40, outside});
        x.push_back({end + 110, outside});
        x.push_back({end + 180, -outside});
        x.push_back({LOOP - 24, -outside});
        y.push_back({end + 16, row_y(rows - 1)});
        y.push_back({end + 120, above});
        y.push_back({end + 170, above});
        y.push_back({LOOP - 40, row_y(0)});
        z.push_back({end + 16, row_z(rows - 1)});
        z.push_back({LOOP - 40, row_z(0)});
    }
    x.push_back({LOOP, -width});
    y.push_back({LOOP, row_y(0)});
    z.push_back({LOOP, row_z(0)});

    std::vector<Offset3> samples = render_axis_curves(LOOP, KeyframeCurve(x), KeyframeCurve(y), KeyframeCurve(z));
    const std::string_view kind = member.word;
    const bool depth = kind == "depth";
    if (kind != "flat" && kind != "bowed" && kind != "tilted" && !depth) {
        throw std::invalid_argument("unknown scan kind " + std::string(kind));
    }
    for (Offset3& s : samples) {
        const double across = s.x / width;
        if (kind == "bowed") {
            s.y -= 0.14 * (1.0 - across * across);
        } else if (kind == "tilted") {
            s.y += 0.2 * across;
        }
        if (!depth) {
            s.z = 0.0;
        }
    }
    return normalised(std::move(samples));
}

// ---------------------------------------------------------------------------------------
// reach_{scoop,hook,lift,recoil}_n: n separate reaches, each leaving the shared centre,
// drawing its shape and settling back at the centre, where the point rests before the
// next one. The directions and lengths are deliberately uneven. Scoops dip to one side
// on the way out and come back higher; hooks curl sideways at the far end; lifts rise
// into depth at full reach; recoils spring back past the centre and settle.
Offset3 reach_shape(std::string_view kind, double s, double length) {
    const double out = sin(PI * s) * sin(PI * s);  // 0 at both ends and at rest there, 1 at full reach
    if (kind == "scoop") {
        const double dip = sin(PI * s) * (1.0 - s) * (1.0 - s);
        return {length * out, -0.62 * length * dip, 0.0};
    }
    if (kind == "hook") {
        const double tip = std::pow(out, 5.0);
        return {length * (out - 0.22 * tip), 0.38 * length * tip + 0.06 * length * sin(TWO_PI * s), 0.0};
    }
    if (kind == "lift") {
        return {length * out, 0.16 * length * sin(TWO_PI * s), 0.7 * length * std::pow(out, 1.5)};
    }
    if (kind == "recoil") {
        static const KeyframeCurve spring = KeyframeCurve::parse("0:0 0.42:1 0.74:-0.32 0.9:0.07 1:0");
        return {length * spring.at(s), 0.12 * length * sin(TWO_PI * s), 0.0};
    }
    throw std::invalid_argument("unknown reach kind " + std::string(kind));
}

std::vector<Offset3> render_reach(const RenderRequest& request) {
    const WordMember member = word_member(request);
    const int count = member.count;
    if (count < 1) {
        throw std::invalid_argument("at least one reach");
    }
    const double slot = static_cast<double>(LOOP) / count;
    const double active = 0.78 * slot;  // the rest of each slot is a rest at the centre
    std::vector<Offset3> samples;
    samples.reserve(LOOP);
    for (std::uint32_t pip = 0; pip < LOOP; ++pip) {
        const int j = std::min(static_cast<int>(pip / slot), count - 1);
        const double into = pip - j * slot;
        if (into >= active) {
            samples.push_back({0.0, 0.0, 0.0});
            continue;
        }
        const double direction = degrees(90.0 + 360.0 * j / count + 14.0 * sin(2.3 * j + 0.7));
        const double length = 0.8 - 0.2 * std::fmod(0.618 * (j + 1), 1.0);
        // The recoil's own keyframes already ease each swing; the other shapes ease as a whole.
        const double eased = member.word == "recoil" ? into / active : smootherstep(into / active);
        const double progress = std::min(eased, 0.999999);
        const Offset3 local = reach_shape(member.word, progress, length);
        const double c = cos(direction);
        const double s = sin(direction);
        samples.push_back({local.x * c - local.y * s, local.x * s + local.y * c, local.z});
    }
    return samples;
}

// ---------------------------------------------------------------------------------------
// dwell_phrase_NN: from rest at home, a first lift that holds, a transfer across to a
// lower point, a second, different lift that holds for another length, then a return
// home that swings slightly past it and settles, and a rest. Every duration is a whole
// number of sixteenths (16 pips); the phrase fits four bars.
struct DwellPhrase {
    Offset3 home;
    Offset3 first_lift;
    Offset3 transfer;
    Offset3 second_lift;
    // Durations in sixteenths: rise, hold, transfer, rise, hold, swing past home, settle.
    std::array<int, 7> sixteenths;
    double overshoot;  // how far past home the return swings, as a fraction of the way back
};

const std::array<DwellPhrase, 16>& dwell_phrases() {
    static const std::array<DwellPhrase, 16> phrases{{
        {{-0.3, -0.4, 0.0}, {-0.45, 0.62, 0.2}, {0.35, -0.3, -0.15}, {0.5, 0.25, -0.3}, {6, 12, 8, 4, 6, 6, 8}, 0.12},
        {{0.0, -0.5, 0.1}, {0.4, 0.7, -0.25}, {-0.2, -0.2, 0.3}, {-0.55, 0.3, 0.35}, {4, 16, 6, 6, 4, 8, 8}, 0.1},
        {{-0.1, -0.45, -0.2}, {-0.6, 0.5, 0.1}, {0.1, -0.1, 0.4}, {0.55, 0.4, 0.2}, {8, 8, 8, 4, 12, 6, 8}, 0.15},
        {{0.2, -0.35, 0.0}, {-0.2, 0.75, 0.3}, {-0.5, -0.25, -0.2}, {0.3, 0.35, -0.45}, {5, 10, 10, 5, 4, 6, 10}, 0.08},
        {{-0.25, -0.5, 0.15}, {0.1, 0.55, 0.45}, {0.5, -0.3, 0.0}, {0.6, 0.1, -0.35}, {7, 14, 6, 3, 8, 8, 6}, 0.14},
        {{0.0, -0.3, -0.3}, {0.55, 0.6, 0.0}, {0.0, -0.45, 0.25}, {-0.5, 0.45, 0.4}, {6, 6, 12, 6, 10, 6, 8}, 0.12},
        {{0.3, -0.45, 0.1}, {0.1, 0.8, -0.2}, {-0.4, -0.2, 0.35}, {-0.6, 0.2, -0.1}, {4, 20, 6, 4, 6, 6, 8}, 0.1},
        {{-0.35, -0.35, 0.0}, {-0.5, 0.4, -0.4}, {0.3, -0.15, -0.1}, {0.45, 0.65, 0.25}, {6, 8, 8, 8, 14, 6, 6}, 0.16},
        {{0.1, -0.55, 0.2}, {-0.35, 0.6, 0.4}, {0.45, -0.35, 0.2}, {0.2, 0.3, -0.4}, {8, 12, 6, 4, 4, 8, 10}, 0.09},
        {{-0.2, -0.4, -0.25}, {0.5, 0.45, -0.35}, {-0.3, -0.3, 0.1}, {-0.4, 0.7, 0.3}, {5, 6, 10, 7, 16, 6, 6}, 0.13},
        {{0.25, -0.3, 0.0}, {0.6, 0.65, 0.25}, {-0.1, -0.4, -0.3}, {-0.55, 0.15, 0.1}, {6, 18, 8, 3, 4, 6, 8}, 0.11},
        {{-0.05, -0.5, 0.3}, {-0.55, 0.7, 0.0}, {0.4, -0.2, 0.3}, {0.3, 0.4, 0.5}, {10, 10, 6, 6, 8, 6, 8}, 0.15},
        {{0.0, -0.45, -0.1}, {0.3, 0.5, 0.5}, {-0.45, -0.15, 0.0}, {-0.3, 0.75, -0.3}, {4, 8, 12, 8, 12, 6, 6}, 0.12},
        {{-0.3, -0.3, 0.25}, {0.2, 0.75, 0.1}, {0.55, -0.35, -0.2}, {0.0, 0.4, -0.5}, {6, 14, 8, 5, 6, 8, 8}, 0.1},
        {{0.35, -0.4, -0.15}, {-0.4, 0.55, -0.3}, {-0.2, -0.4, 0.35}, {0.5, 0.5, 0.3}, {7, 12, 10, 5, 8, 6, 8}, 0.14},
        {{0.0, -0.35, 0.0}, {0.0, 0.8, 0.35}, {-0.5, -0.2, -0.25}, {0.5, 0.3, -0.25}, {8, 16, 8, 4, 4, 6, 6}, 0.12},
    }};
    return phrases;
}

std::vector<Offset3> render_dwell_phrase(const RenderRequest& request) {
    const DwellPhrase& phrase = dwell_phrases().at(continuum_member_index(request));
    const std::array<int, 7>& d = phrase.sixteenths;
    int total = 0;
    for (int sixteenths : d) {
        total += sixteenths;
    }
    if (total >= 64) {
        throw std::invalid_argument("a dwell phrase must leave a rest within four bars");
    }
    const Offset3 past_home = phrase.home + phrase.overshoot * (phrase.home - phrase.second_lift);
    const std::array<Offset3, 7> targets{phrase.first_lift, phrase.first_lift, phrase.transfer, phrase.second_lift,
                                         phrase.second_lift, past_home, phrase.home};
    // Moves bow out of the straight line so the gestures read as arcs: lifts swing outwards
    // and forwards, the transfer dips and passes in front, the return drifts back.
    const auto outwards = [](const Offset3& to) { return to.x < 0.0 ? -1.0 : 1.0; };
    const std::array<Offset3, 7> bows{Offset3{0.12 * outwards(phrase.first_lift), 0.0, 0.1},
                                      Offset3{0.0, 0.0, 0.0},
                                      Offset3{0.0, -0.14, 0.12},
                                      Offset3{0.1 * outwards(phrase.second_lift), 0.0, -0.08},
                                      Offset3{0.0, 0.0, 0.0},
                                      Offset3{0.0, 0.0, -0.06},
                                      Offset3{0.0, 0.0, 0.0}};
    struct Move {
        double start;
        double end;
        Offset3 from;
        Offset3 to;
        Offset3 bow;
    };
    std::vector<Move> moves;
    double pip = 0.0;
    Offset3 from = phrase.home;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const double end = pip + 16.0 * d[i];
        moves.push_back({pip, end, from, targets[i], bows[i]});
        pip = end;
        from = targets[i];
    }
    std::vector<Offset3> samples;
    samples.reserve(LOOP);
    for (std::uint32_t p = 0; p < LOOP; ++p) {
        Offset3 at = phrase.home;  // the rest after the return
        for (const Move& move : moves) {
            if (p >= move.start && p < move.end) {
                const double s = smootherstep((p - move.start) / (move.end - move.start));
                at = move.from + s * (move.to - move.from) + sin(PI * s) * move.bow;
                break;
            }
        }
        samples.push_back(at);
    }
    return samples;
}

}  // namespace

}  // namespace velmora::generator::continuum_shapes

namespace velmora::generator {

Renderer draw_spline_family() {
    return [](const RenderRequest& request) { return continuum_shapes::render_spline(request, 512); };
}

// The tours of star polygons: in the plane, or with depth.
Renderer draw_tour_flat() {
    return [](const RenderRequest& request) { return continuum_shapes::render_tour(request, false); };
}

Renderer draw_tour_deep() {
    return [](const RenderRequest& request) { return continuum_shapes::render_tour(request, true); };
}

Renderer draw_scan_family() { return continuum_shapes::render_scan; }
Renderer draw_reach_family() { return continuum_shapes::render_reach; }
Renderer draw_dwell_phrase_family() { return continuum_shapes::render_dwell_phrase; }

}  // namespace velmora::generator
