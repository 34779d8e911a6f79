// The designed mechanisms of velmora_atlas: slider cranks, quick-return linkages, cam
// followers, an escapement and four-bar linkages, each traced as the point a viewer
// would watch. Lengths are in units of the crank radius; every table is then scaled
// into the position field.

#include <cmath>
#include <iterator>
#include <stdexcept>

#include "drawings/drawings.hpp"
#include "drawings/designed_atlas.hpp"

namespace velmora::generator {

namespace {

using std::cos;
using std::sin;
using std::sqrt;

constexpr std::uint32_t MECHANISM_PERIOD = 512;

struct Point {
    double x;
    double y;
};

Renderer traced_as_is(Curve curve) {
    return [curve = std::move(curve)](const RenderRequest&) { return trace(MECHANISM_PERIOD, curve); };
}

Renderer traced_and_centred(Curve curve, Offset3 peak) {
    return [curve = std::move(curve), peak](const RenderRequest&) {
        return centred_on_each_axis(trace(MECHANISM_PERIOD, curve), peak);
    };
}

// In-line slider crank with a rod of `rod` crank radii. x is the piston's travel, which
// spans exactly one crank radius either side of mid-stroke; y is the rod's swing angle,
// so a short rod both swings further and bends the travel away from a pure cosine.
Renderer piston(double rod) {
    return traced_as_is([rod](double t) {
        const double travel = cos(t) + sqrt(rod * rod - sin(t) * sin(t)) - rod;
        const double rod_angle = std::asin(sin(t) / rod);
        return Offset3{0.82 * travel, 0.6 * rod_angle, 0.0};
    });
}

// Slider crank whose slide line passes 0.8 crank radii above the crank centre: the
// outward and the return strokes take different times. x is the slider, y the rod angle.
Renderer offset_crank() {
    constexpr double rod = 2.6;
    constexpr double offset = 0.8;
    return traced_and_centred(
        [](double t) {
            const double rise = sin(t) - offset;
            return Offset3{cos(t) + sqrt(rod * rod - rise * rise), std::asin(rise / rod), 0.0};
        },
        {0.82, 0.5, 0.0});
}

// Whitworth quick return: the crank pin drives a slotted lever about a pivot half a
// radius below the crank centre, so the lever turns fast while the pin passes the pivot
// and slowly on the far side. The lever end (1.4 long) pushes a ram through a rod of 3
// along a guide level with the pivot. x is the ram, y the height of the lever end.
Renderer whitworth() {
    return traced_and_centred(
        [](double t) {
            const Point slot{cos(t), sin(t) + 0.5};
            const double length = std::hypot(slot.x, slot.y);
            const Point lever{1.4 * slot.x / length, 1.4 * slot.y / length};
            return Offset3{lever.x + sqrt(9.0 - lever.y * lever.y), lever.y, 0.0};
        },
        {0.82, 0.45, 0.0});
}

// An elliptic cam (semi-axes 1 and 0.7) turning about one focus under a flat-faced
// follower. The follower's height is the cam's support function in the upward direction,
// h = -a e sin t + sqrt(a^2 sin^2 t + b^2 cos^2 t), one long lift per turn; the contact
// point slides along the face by dh/dt. x is that contact point, y the follower.
Renderer elliptic_cam() {
    return [](const RenderRequest&) {
        constexpr double a = 1.0;
        constexpr double b = 0.7;
        const double focal = sqrt(a * a - b * b);
        std::vector<Offset3> samples = trace(MECHANISM_PERIOD, [focal](double t) {
            const double root = sqrt(a * a * sin(t) * sin(t) + b * b * cos(t) * cos(t));
            const double height = -focal * sin(t) + root;
            const double slide = -focal * cos(t) + (a * a - b * b) * sin(t) * cos(t) / root;
            return Offset3{slide, height, 0.0};
        });
        return normalised(centred_ranges(std::move(samples)));
    };
}

// A cam programme: rise over three beats, dwell at the top for one, a quicker return
// over two, dwell at the bottom for two. Each move is a smootherstep, so the follower
// starts and stops without a jolt. y is the follower; x is where the
// flat face touches the cam, which runs ahead during the rise and back during the return
// in proportion to the follower's speed.
Renderer cam_rise_and_return() {
    return [](const RenderRequest&) {
        const KeyframeCurve lift = KeyframeCurve::parse("0:0 192:1 256:1 384:0 512:0");
        std::vector<Offset3> samples;
        for (std::uint32_t pip = 0; pip < MECHANISM_PERIOD; ++pip) {
            // Speed from the curve itself, by the exact derivative of smootherstep.
            const double p = pip;
            double speed = 0.0;
            if (p < 192) {
                const double u = p / 192;
                speed = 30 * u * u * (1 - u) * (1 - u) / 192;
            } else if (p >= 256 && p < 384) {
                const double u = (p - 256) / 128;
                speed = -30 * u * u * (1 - u) * (1 - u) / 128;
            }
            // Full-speed return (1.875 / 128 per pip) puts the contact 0.62 back.
            samples.push_back({0.62 * speed / (1.875 / 128), 0.82 * (2 * lift.at(pip) - 1), 0.0});
        }
        return samples;
    };
}

// How far the escape wheel has advanced, in teeth, `pip` pips into a beat: a quick
// smootherstep advance that overshoots, a small recoil against the pallet, then the lock,
// which holds the wheel still until the next beat releases it.
double escape_advance(double pip) {
    static constexpr Keyframe release[] = {{0, 0}, {18, 1.1}, {30, 0.96}, {40, 1}, {64, 1}};
    std::size_t next = 1;
    while (release[next].pip <= pip && next + 1 < std::size(release)) {
        ++next;
    }
    const Keyframe& from = release[next - 1];
    const Keyframe& to = release[next];
    return from.value + (to.value - from.value) * smootherstep((pip - from.pip) / (to.pip - from.pip));
}

// An escape wheel released one tooth per beat, eight teeth to the turn. The traced point
// is a tooth tip on the wheel's rim.
Renderer soft_escapement() {
    return [](const RenderRequest&) {
        std::vector<Offset3> samples;
        for (std::uint32_t pip = 0; pip < MECHANISM_PERIOD; ++pip) {
            const double teeth = pip / 64 + escape_advance(pip % 64);
            const double angle = TWO_PI * teeth / 8;
            samples.push_back({0.82 * sin(angle), 0.82 * cos(angle), 0.0});
        }
        return samples;
    };
}

// A four-bar linkage: crank of 1 about the origin, coupler of `coupler`, rocker of
// `rocker` about a ground pivot `ground` to the right. Returns the crank pin and the
// coupler-rocker joint, taking the joint on the upper (open) branch throughout.
struct FourBar {
    double coupler;
    double rocker;
    double ground;

    std::pair<Point, Point> joints(double t) const {
        const Point crank{cos(t), sin(t)};
        const Point to_pivot{ground - crank.x, -crank.y};
        const double distance = std::hypot(to_pivot.x, to_pivot.y);
        const double along = (coupler * coupler - rocker * rocker + distance * distance) / (2 * distance);
        const double across_squared = coupler * coupler - along * along;
        if (!(across_squared > 0.0)) {
            throw std::logic_error("the linkage locks: the coupler cannot reach the rocker");
        }
        const double across = sqrt(across_squared);
        const Point unit{to_pivot.x / distance, to_pivot.y / distance};
        return {crank, {crank.x + along * unit.x - across * unit.y, crank.y + along * unit.y + across * unit.x}};
    }
};

// Crank-rocker (crank 1, coupler 3.2, rocker 2.4, ground 3: the crank is the shortest
// link and turns fully while the rocker swings). x and y trace a coupler point set off
// the coupler's midline, whose curve has a blunt end and a pointed end; z is the
// rocker's swing.
Renderer crank_rocker() {
    return [](const RenderRequest&) {
        const FourBar linkage{3.2, 2.4, 3.0};
        std::vector<Offset3> samples = trace(MECHANISM_PERIOD, [&linkage](double t) {
            const auto [crank, joint] = linkage.joints(t);
            const Point along{(joint.x - crank.x) / linkage.coupler, (joint.y - crank.y) / linkage.coupler};
            const Point tracer{crank.x + 0.5 * (joint.x - crank.x) - 0.8 * along.y,
                               crank.y + 0.5 * (joint.y - crank.y) + 0.8 * along.x};
            const double swing = std::atan2(joint.y, joint.x - linkage.ground);
            return Offset3{tracer.x, tracer.y, swing};
        });
        // The coupler curve keeps its proportions; the swing gets its own scale.
        samples = centred_ranges(std::move(samples));
        double curve_peak = 0.0;
        double swing_peak = 0.0;
        for (const Offset3& s : samples) {
            curve_peak = std::fmax(curve_peak, std::fmax(std::fabs(s.x), std::fabs(s.y)));
            swing_peak = std::fmax(swing_peak, std::fabs(s.z));
        }
        for (Offset3& s : samples) {
            s = {0.82 * s.x / curve_peak, 0.82 * s.y / curve_peak, 0.5 * s.z / swing_peak};
        }
        return samples;
    };
}

// A walking beam rocked by a crank through a four-bar linkage (crank 1, rod 3.5, beam
// half 2, ground 3.6). The traced point is the beam's far tip, 2.6 beyond the pivot; it
// rides an arc, dipping while the crank pulls the near end up, with the unequal timing
// of a crank-driven rocker.
Renderer rocking_beam() {
    return [](const RenderRequest&) {
        const FourBar linkage{3.5, 2.0, 3.6};
        std::vector<double> angles;
        for (std::uint32_t pip = 0; pip < MECHANISM_PERIOD; ++pip) {
            const Point joint = linkage.joints(phase_angle(pip, MECHANISM_PERIOD)).second;
            angles.push_back(std::atan2(joint.y, joint.x - linkage.ground));
        }
        double low = angles.front();
        double high = low;
        for (double a : angles) {
            low = std::fmin(low, a);
            high = std::fmax(high, a);
        }
        // The beam's far arm points opposite the rocker; turn its mean direction level.
        std::vector<Offset3> samples;
        for (double a : angles) {
            const double tilt = a - (low + high) / 2;
            samples.push_back({2.6 * cos(tilt), 2.6 * sin(tilt), 0.0});
        }
        return normalised(centred_ranges(std::move(samples)));
    };
}

}  // namespace

Renderer draw_mech_piston_short() { return piston(1.6); }
Renderer draw_mech_piston_long() { return piston(4.5); }
Renderer draw_mech_offset_crank() { return offset_crank(); }
Renderer draw_mech_whitworth() { return whitworth(); }
Renderer draw_mech_elliptic_cam() { return elliptic_cam(); }
Renderer draw_mech_escapement() { return soft_escapement(); }
Renderer draw_mech_rocking_beam() { return rocking_beam(); }
Renderer draw_mech_crank_rocker() { return crank_rocker(); }
Renderer draw_mech_cam_return() { return cam_rise_and_return(); }

}  // namespace velmora::generator
