// The spatial families of velmora_continuum drawn as closed curves of the phase angle:
// ribbons, shaped contours, surface paths, braids and two-link arms. The keyed paths
// (splines, tours, scans, reaches, dwell phrases) are in render_continuum_shapes_paths.cpp.

#include "drawings/drawings.hpp"
#include "drawings/continuum_shapes.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora::generator {

using namespace continuum_shapes;

namespace {

using std::cos;
using std::sin;

constexpr std::uint32_t LOOP = 1024;  // four bars: every family drawn here spans sixteen beats

double degrees(double angle) noexcept {
    return angle * (PI / 180.0);
}

// sign(c) * |c|^exponent: the edge of a superellipse, squarer below 1 and pinched above it.
double signed_power(double c, double exponent) noexcept {
    return std::copysign(std::pow(std::fabs(c), exponent), c);
}

// "1_2_slim" -> {1, 2} and "slim".
struct RatioMember {
    int first;
    int second;
    std::string_view variant;
};

RatioMember ratio_member(const RenderRequest& request) {
    const std::size_t cut = request.suffix.rfind('_');
    if (cut == std::string_view::npos) {
        throw std::invalid_argument("expected a ratio and a variant in the name");
    }
    const std::vector<int> n = parse_numbers(request.suffix.substr(0, cut));
    if (n.size() != 2) {
        throw std::invalid_argument("expected two numbers in the name");
    }
    return {n[0], n[1], request.suffix.substr(cut + 1)};
}

bool variant_is(const RatioMember& member, std::string_view first, std::string_view second) {
    if (member.variant == first) {
        return true;
    }
    if (member.variant == second) {
        return false;
    }
    throw std::invalid_argument("unknown variant " + std::string(member.variant));
}

// ---------------------------------------------------------------------------------------
// ribbon_a_b_{slim,deep}: a point weaves across a ribbon laid along a bent ellipse. Per
// bar the ribbon's width swells a times while the point crosses it b times. The ribbon
// is not flat: its cross direction leans out of the plane, so every lateral excursion is
// also a depth excursion; the deep ribbons are wider and lean much further. The swell
// pinches the ribbon to a third of its width between swells, and the spine itself is
// drawn for its ratio (its bend turns with a, its tilt with b), so each member is a shape
// of its own rather than the same oval with a different wobble.
std::vector<Offset3> render_ribbon(const RenderRequest& request) {
    const RatioMember member = ratio_member(request);
    const bool slim = variant_is(member, "slim", "deep");
    const double swells = 4.0 * member.first;
    const double crossings = 4.0 * member.second;
    const double width = slim ? 0.15 : 0.24;
    const double lean = slim ? 0.45 : 1.1;        // mean tilt of the cross direction into depth
    const double lean_swing = slim ? 0.2 : 0.45;  // the tilt breathes once around the loop
    const double bend_phase = 1.1 * member.first;                // where the spine bulges
    const double tilt = degrees(11.0 * (member.second - 3.5));  // the spine's long axis
    return normalised(trace(LOOP, [=](double t) {
        const double ellipse_x = 0.62 * cos(t);
        const double ellipse_y = 0.38 * sin(t) + 0.12 * cos(2 * t + bend_phase);  // the bend of the spine
        const double ellipse_dx = -0.62 * sin(t);
        const double ellipse_dy = 0.38 * cos(t) - 0.24 * sin(2 * t + bend_phase);
        const double spine_x = ellipse_x * cos(tilt) - ellipse_y * sin(tilt);
        const double spine_y = ellipse_x * sin(tilt) + ellipse_y * cos(tilt);
        const double tangent_x = ellipse_dx * cos(tilt) - ellipse_dy * sin(tilt);
        const double tangent_y = ellipse_dx * sin(tilt) + ellipse_dy * cos(tilt);
        const double speed = std::hypot(tangent_x, tangent_y);
        const double normal_x = tangent_y / speed;  // outward for a counter-clockwise spine
        const double normal_y = -tangent_x / speed;
        const double local_width = width * (0.65 + 0.35 * cos(swells * t));
        const double across = local_width * sin(crossings * t);
        const double lean_now = lean + lean_swing * sin(t);
        const double in_plane = across * cos(lean_now);
        return Offset3{spine_x + in_plane * normal_x, spine_y + in_plane * normal_y, across * sin(lean_now)};
    }));
}

// ---------------------------------------------------------------------------------------
// contour_shaped_NN: a superellipse (each axis a signed power of the cosine or sine), a
// run of ripples confined to one stretch of the edge, and a bow that bends the oval
// unevenly. Members 09 to 16 also bow into depth. The contour is traced at an even speed
// along its length, so square corners and pinched tips are rounded in space, not rushed.
struct ContourShape {
    double exponent_x;    // below 1: square sides; above 1: pinched tips
    double exponent_y;
    double aspect;        // height over width
    double ripple_centre;  // where along the loop the ripples sit, in degrees
    double ripple_span;    // half-width of the rippled stretch, in degrees
    int ripple_crests;
    double ripple_depth;   // relative radial depth of the ripples
    double bow;            // bend of the oval: y += bow * u^2 * (1 + skew * u), u = x / width
    double skew;
    double depth;          // 0 for the flat members
    double depth_tilt;     // how unevenly the depth bow leans across
};

constexpr std::array<ContourShape, 16> contour_shapes{{
    {0.55, 0.55, 0.72, 90, 55, 5, 0.07, 0.14, 0.5, 0, 0},
    {1.4, 1.4, 0.82, 135, 45, 5, 0.08, -0.12, 0.4, 0, 0},
    {0.45, 1.0, 0.66, 225, 60, 6, 0.06, 0.16, -0.6, 0, 0},
    {1.0, 0.5, 0.86, 150, 40, 4, 0.09, -0.15, 0.8, 0, 0},
    {0.7, 0.7, 0.6, 300, 65, 6, 0.05, 0.2, 0.3, 0, 0},
    {1.25, 0.8, 0.76, 190, 50, 7, 0.07, 0.1, -0.9, 0, 0},
    {0.4, 0.4, 0.7, 50, 35, 3, 0.1, -0.2, 0.2, 0, 0},
    {1.35, 1.1, 0.9, 115, 60, 6, 0.045, 0.13, 0.7, 0, 0},
    {0.6, 0.9, 0.7, 80, 45, 5, 0.07, 0.12, 0.6, 0.42, 0.5},
    {1.3, 0.6, 0.8, 270, 55, 7, 0.06, -0.14, -0.5, 0.36, -0.7},
    {0.5, 0.5, 0.64, 20, 40, 4, 0.09, 0.18, 0.2, 0.48, 0.3},
    {1.35, 1.35, 0.78, 225, 50, 5, 0.05, -0.1, 0.9, 0.3, 0.9},
    {0.8, 0.45, 0.74, 140, 50, 6, 0.08, 0.16, -0.3, 0.44, -0.4},
    {1.1, 1.35, 0.7, 250, 50, 5, 0.05, -0.18, 0.5, 0.4, 0.6},
    {0.45, 0.75, 0.86, 240, 65, 5, 0.07, 0.1, -0.8, 0.5, -0.2},
    {0.9, 1.35, 0.66, 100, 40, 3, 0.11, 0.2, 0.4, 0.34, 0.8},
}};

Offset3 superellipse(const ContourShape& shape, double u) {
    constexpr double half_width = 0.8;
    return {half_width * signed_power(cos(u), shape.exponent_x), half_width * shape.aspect * signed_power(sin(u), shape.exponent_y), 0.0};
}

Offset3 contour_point(const ContourShape& shape, double u) {
    constexpr double half_width = 0.8;
    Offset3 edge = superellipse(shape, u);
    // The ripples scale the edge's distance from the centre, so the contour keeps turning
    // one way round it: a ripple on a tight corner or a pinched tip bulges and dents the
    // edge but can never fold it back into a hairpin. The depth is eased where the crests
    // would be so short that a dent turns into a spike.
    const double angle = std::atan2(edge.y / shape.aspect, edge.x);
    const double along = std::remainder(angle - degrees(shape.ripple_centre), TWO_PI);
    const double span = degrees(shape.ripple_span);
    const double window = raised_cosine(along, span);
    if (window > 0.0) {
        const double crest_rate = PI * shape.ripple_crests / span;
        const double depth = std::min(shape.ripple_depth, 16.0 / (crest_rate * crest_rate));
        const double scale = 1.0 + depth * window * sin(crest_rate * along);
        edge.x *= scale;
        edge.y *= scale;
    }
    const double across = edge.x / half_width;
    const double height = edge.y / (half_width * shape.aspect);
    const double bent_y = edge.y + shape.bow * across * across * (1.0 + shape.skew * across);
    const double z = shape.depth * (height * height - 0.35) * (1.0 + shape.depth_tilt * across);
    return {edge.x, bent_y, z};
}

// Points of a closed curve redistributed so that consecutive pips are equally far apart
// along it, measured on a fine polyline of the curve.
std::vector<Offset3> at_even_speed(std::uint32_t period, const std::function<Offset3(double)>& curve) {
    constexpr std::size_t fine = 16384;
    std::vector<Offset3> points(fine + 1);
    std::vector<double> length(fine + 1, 0.0);
    for (std::size_t i = 0; i <= fine; ++i) {
        points[i] = curve(phase_angle(static_cast<double>(i % fine), fine));
        if (i > 0) {
            const Offset3& a = points[i - 1];
            const Offset3& b = points[i];
            length[i] = length[i - 1] + std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y) + (b.z - a.z) * (b.z - a.z));
        }
    }
    std::vector<Offset3> samples;
    samples.reserve(period);
    std::size_t segment = 1;
    for (std::uint32_t pip = 0; pip < period; ++pip) {
        const double target = length[fine] * (static_cast<double>(pip) / period);
        while (length[segment] < target) {
            ++segment;
        }
        const double span = length[segment] - length[segment - 1];
        const double f = span > 0.0 ? (target - length[segment - 1]) / span : 0.0;
        const Offset3& a = points[segment - 1];
        const Offset3& b = points[segment];
        samples.push_back({a.x + f * (b.x - a.x), a.y + f * (b.y - a.y), a.z + f * (b.z - a.z)});
    }
    return samples;
}

std::vector<Offset3> render_contour(const RenderRequest& request) {
    const ContourShape& shape = contour_shapes.at(continuum_member_index(request));
    return normalised(at_even_speed(LOOP, [&shape](double u) { return contour_point(shape, u); }));
}

// ---------------------------------------------------------------------------------------
// surface_a_b_{low,wide}: a path on a sphere-like surface whose radius breathes. The
// longitude turns a times and the latitude swings b times per loop, and each drives the
// other: the longitude hurries across the equator and lingers at the turning latitudes.
// The low members keep near the equator, the wide ones swing towards the poles.
std::vector<Offset3> render_surface(const RenderRequest& request) {
    const RatioMember member = ratio_member(request);
    const bool low = variant_is(member, "low", "wide");
    const double a = member.first;
    const double b = member.second;
    const double latitude_swing = low ? 0.38 : 1.05;
    return normalised(trace(LOOP, [=](double t) {
        const double latitude = latitude_swing * sin(b * t + 0.3 * sin(a * t));
        // The longitude's speed swings by 60% either way but never stalls or reverses.
        const double longitude = a * t + (0.3 * a / b) * sin(2 * b * t);
        const double radius = 1.0 + 0.16 * cos((a + b) * t + 0.4);
        const double ring = radius * cos(latitude);
        return Offset3{ring * sin(longitude), radius * sin(latitude), ring * cos(longitude)};
    }));
}

// ---------------------------------------------------------------------------------------
// braid_a_b: a point winds b times around a tube while the tube's centreline, an ellipse
// set off the origin and tilted into depth, is travelled a times, so the laps lie side by
// side like strands. The tube's cross-section is an ellipse that rolls once per lap, and
// a second, faster ripple adds to the depth.
std::vector<Offset3> render_braid(const RenderRequest& request) {
    const std::vector<int> n = parse_numbers(request.suffix);
    if (n.size() != 2) {
        throw std::invalid_argument("expected two numbers in the name");
    }
    const double a = n[0];
    const double b = n[1];
    return normalised(trace(LOOP, [=](double t) {
        const double lap = a * t;
        const double roll = b * t;
        const double centre_x = 0.08 + 0.58 * cos(lap);
        const double centre_y = -0.04 + 0.4 * sin(lap);
        const double centre_z = 0.14 * sin(lap + 0.6);
        const double tangent_x = -0.58 * sin(lap);
        const double tangent_y = 0.4 * cos(lap);
        const double speed = std::hypot(tangent_x, tangent_y);
        const double normal_x = tangent_y / speed;
        const double normal_y = -tangent_x / speed;
        const double across = 0.2 * cos(roll);
        const double up = 0.12 * sin(roll);
        const double turn = lap;  // the cross-section rolls once per lap
        const double out = across * cos(turn) - up * sin(turn);
        const double depth = across * sin(turn) + up * cos(turn);
        const double ripple = 0.06 * sin(2 * roll - lap + 0.4);
        return Offset3{centre_x + out * normal_x, centre_y + out * normal_y, centre_z + depth + ripple};
    }));
}

// ---------------------------------------------------------------------------------------
// arm_coupled_NN: the tip of a two-link arm whose joint angles are driven by coupled
// periodic motions (shoulder and elbow at integer rates, or an elbow that turns right
// round like a crank). Members 09 to 16 also swing the arm's plane about the vertical
// through the shoulder, which carries the tip into depth.
struct ArmDrive {
    double upper;  // link lengths
    double fore;
    double shoulder_centre;  // degrees, measured from +x
    double shoulder_swing;
    int shoulder_rate;
    double elbow_centre;  // relative to the upper link
    double elbow_swing;   // 0 with a crank elbow
    int elbow_rate;       // turns per loop of a crank elbow when elbow_swing is 0
    double elbow_phase;   // radians
    double yaw_swing;     // degrees; 0 for the flat members
    int yaw_rate;
    double yaw_phase;
};

constexpr std::array<ArmDrive, 16> arm_drives{{
    {0.55, 0.4, 90, 35, 1, 40, 30, 2, 0.5, 0, 0, 0},
    {0.5, 0.45, 80, 45, 1, 60, 45, 1, 1.2, 0, 0, 0},
    {0.6, 0.28, 100, 30, 1, 0, 0, 3, 0.0, 0, 0, 0},
    {0.45, 0.5, 70, 25, 2, 70, 50, 3, 0.9, 0, 0, 0},
    {0.55, 0.38, 120, 40, 1, -50, 35, 3, 2.0, 0, 0, 0},
    {0.5, 0.35, 60, 20, 3, 30, 40, 2, 0.3, 0, 0, 0},
    {0.62, 0.3, 95, 50, 1, 20, 0, 4, 0.0, 0, 0, 0},
    {0.48, 0.48, 85, 30, 3, 80, 30, 4, 1.6, 0, 0, 0},
    {0.55, 0.4, 90, 30, 1, 45, 35, 2, 0.7, 35, 1, 0.5},
    {0.5, 0.42, 75, 40, 2, 55, 30, 1, 1.0, 40, 1, 1.4},
    {0.6, 0.3, 100, 35, 1, 0, 0, 2, 0.0, 30, 2, 0.0},
    {0.46, 0.46, 110, 25, 1, -40, 45, 3, 2.4, 45, 2, 0.8},
    {0.52, 0.38, 65, 45, 1, 35, 25, 4, 0.4, 30, 3, 1.1},
    {0.58, 0.34, 90, 20, 2, 25, 0, 3, 0.0, 50, 1, 2.0},
    {0.5, 0.44, 80, 35, 3, 60, 40, 1, 1.9, 35, 1, 0.2},
    {0.54, 0.36, 95, 45, 2, 70, 35, 3, 0.6, 40, 3, 1.7},
}};

std::vector<Offset3> render_arm(const RenderRequest& request) {
    const ArmDrive drive = arm_drives.at(continuum_member_index(request));
    std::vector<Offset3> tips = trace(LOOP, [drive](double t) {
        const double shoulder = degrees(drive.shoulder_centre + drive.shoulder_swing * sin(drive.shoulder_rate * t));
        const double elbow = drive.elbow_swing == 0.0
                                 ? degrees(drive.elbow_centre) + drive.elbow_rate * t
                                 : degrees(drive.elbow_centre + drive.elbow_swing * sin(drive.elbow_rate * t + drive.elbow_phase));
        const double reach = drive.upper * cos(shoulder) + drive.fore * cos(shoulder + elbow);
        const double height = drive.upper * sin(shoulder) + drive.fore * sin(shoulder + elbow);
        const double yaw = degrees(drive.yaw_swing * sin(drive.yaw_rate * t + drive.yaw_phase));
        return Offset3{reach * cos(yaw), height, reach * sin(yaw)};
    });
    // The shoulder is placed so that the tip works around the centre of the field.
    double low_x = tips[0].x, high_x = tips[0].x, low_y = tips[0].y, high_y = tips[0].y;
    for (const Offset3& tip : tips) {
        low_x = std::min(low_x, tip.x);
        high_x = std::max(high_x, tip.x);
        low_y = std::min(low_y, tip.y);
        high_y = std::max(high_y, tip.y);
    }
    for (Offset3& tip : tips) {
        tip.x -= (low_x + high_x) / 2;
        tip.y -= (low_y + high_y) / 2;
    }
    return normalised(std::move(tips));
}

}  // namespace

namespace continuum_shapes {

std::size_t continuum_member_index(const RenderRequest& request) {
    const std::vector<int> n = parse_numbers(request.suffix);
    if (n.size() != 1 || n[0] < 1 || n[0] > 16) {
        throw std::invalid_argument("expected a member number from 01 to 16");
    }
    return static_cast<std::size_t>(n[0] - 1);
}

std::vector<Offset3> render_axis_curves(std::uint32_t period, const KeyframeCurve& x, const KeyframeCurve& y,
                                        const KeyframeCurve& z) {
    if (x.period() != period || y.period() != period || z.period() != period) {
        throw std::invalid_argument("keyframe curves must span the pattern's period");
    }
    std::vector<Offset3> samples;
    samples.reserve(period);
    for (std::uint32_t pip = 0; pip < period; ++pip) {
        samples.push_back({x.at(pip), y.at(pip), z.at(pip)});
    }
    return samples;
}

std::vector<Offset3> render_keyed_path(std::uint32_t period, const std::vector<PathKey>& keys) {
    std::vector<Keyframe> x;
    std::vector<Keyframe> y;
    std::vector<Keyframe> z;
    for (const PathKey& key : keys) {
        x.push_back({key.pip, key.at.x});
        y.push_back({key.pip, key.at.y});
        z.push_back({key.pip, key.at.z});
    }
    return render_axis_curves(period, KeyframeCurve(std::move(x)), KeyframeCurve(std::move(y)), KeyframeCurve(std::move(z)));
}

}  // namespace continuum_shapes

Renderer draw_ribbon_family() { return render_ribbon; }
Renderer draw_contour_shaped_family() { return render_contour; }
Renderer draw_surface_family() { return render_surface; }
Renderer draw_braid_family() { return render_braid; }
Renderer draw_arm_coupled_family() { return render_arm; }

}  // namespace velmora::generator
