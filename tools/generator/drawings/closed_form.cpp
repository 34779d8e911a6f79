// Shapes given by closed formulas of the phase angle theta: sums of sinusoids, roses,
// rolling-circle traces, torus knots, linkages and assembled easing curves.

#include <array>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <string>

#include "drawings/drawings.hpp"
#include "framework/primitives.hpp"
#include "framework/drawing.hpp"

namespace velmora::generator {

namespace {

using std::cos;
using std::sin;

// Each renderer draws its shape over the period its formula is written for, not the
// period of the row: a row that declares another period is then refused by the count check.

// A curve stored exactly as its formula gives it.
Renderer traced(std::uint32_t period, Curve curve) {
    return [period, curve = std::move(curve)](const RenderRequest&) { return trace(period, curve); };
}

// A curve scaled so that the largest component of its table is the normalised peak.
Renderer traced_normalised(std::uint32_t period, Curve curve) {
    return [period, curve = std::move(curve)](const RenderRequest&) { return normalised(trace(period, curve)); };
}

Offset3 x_only(double x) {
    return {x, 0.0, 0.0};
}

// Exactly `count` numbers in a family member's suffix.
std::vector<int> member_numbers(const RenderRequest& request, std::size_t count) {
    std::vector<int> numbers = parse_numbers(request.suffix);
    if (numbers.size() != count) {
        throw std::invalid_argument("expected " + std::to_string(count) + " numbers in the name");
    }
    return numbers;
}

// Member i (1-based) of a family numbered 01 to 16.
std::size_t member_index(const RenderRequest& request) {
    const int member = member_numbers(request, 1)[0];
    if (member < 1 || member > 16) {
        throw std::invalid_argument("member number outside 01 to 16");
    }
    return static_cast<std::size_t>(member - 1);
}

}  // namespace

Renderer draw_lfo_breathe() { return traced(256, [](double t) { return x_only(0.8 * sin(t)); }); }

Renderer draw_lfo_flower() {
    return traced(512, [](double t) {
        return Offset3{0.56 * cos(t) - 0.28 * cos(2 * t), 0.56 * sin(t) + 0.28 * sin(2 * t), 0.0};
    });
}

Renderer draw_path_lissajous_2_3() {
    return traced(512, [](double t) { return Offset3{0.78 * sin(2 * t), 0.68 * sin(3 * t), 0.0}; });
}

Renderer draw_path_rose_4() {
    return traced(512, [](double t) {
        const double r = 0.82 * cos(2 * t);
        return Offset3{r * cos(t), r * sin(t), 0.0};
    });
}

Renderer draw_path_rose_5() {
    return traced(512, [](double t) {
        const double phi = t / 2;  // an odd rose closes after half a turn of its parameter
        const double r = 0.82 * cos(5 * phi);
        return Offset3{r * cos(phi), r * sin(phi), 0.0};
    });
}

Renderer draw_path_torus_knot() {
    return traced(1024, [](double t) {
        const double radius = 0.54 + 0.22 * cos(3 * t);
        return Offset3{radius * cos(2 * t), radius * sin(2 * t), 0.36 * sin(3 * t)};
    });
}

Renderer draw_path_woven_3d() {
    return traced(1024, [](double t) { return Offset3{0.72 * sin(2 * t), 0.64 * sin(3 * t), 0.48 * sin(5 * t)}; });
}

Renderer draw_lfo_breathing_orbit() {
    return traced(512, [](double t) {
        return Offset3{0.67 * cos(t) + 0.11 * cos(3 * t), 0.39 * sin(t) + 0.09 * sin(3 * t), 0.0};
    });
}

Renderer draw_lfo_triplet_wobble() {
    return traced(512, [](double t) {
        return Offset3{(0.5525 - 0.255 * cos(t)) * sin(12 * t), 0.22 * sin(t), 0.0};
    });
}

Renderer draw_path_bowed_diamond() {
    return traced(512, [](double t) {
        const double c = cos(t);
        const double s = sin(t);
        return Offset3{0.8 * c * c * c, 0.8 * s * s * s, 0.0};
    });
}

Renderer draw_path_crank_slider() {
    return traced(256, [](double t) {
        // Rod length three, crank radius one: the slider sits at cos + sqrt(9 - sin^2) - 3 from top dead centre.
        const double s = sin(t);
        return Offset3{0.78 * (cos(t) + std::sqrt(9.0 - s * s) - 3.0), 0.3 * s, 0.0};
    });
}

Renderer draw_path_orbit_dwell() {
    return traced(512, [](double t) {
        const double phi = t - sin(t);  // phase speed falls to zero at the loop boundary
        return Offset3{0.8 * cos(phi), 0.6 * sin(phi), 0.0};
    });
}

Renderer draw_lfo_pendulum_dwell() {
    return traced(512, [](double t) {
        return Offset3{0.78 * std::tanh(2.8 * sin(t)) / std::tanh(2.8), 0.22 * cos(2 * t), 0.0};
    });
}

Renderer draw_wave_pinched() {
    return traced(512, [](double t) {
        const double s = sin(t);
        return x_only(0.82 * s * s * s);
    });
}

Renderer draw_wave_shouldered() {
    return traced_normalised(512, [](double t) { return x_only(0.69 * sin(t) + 0.31 * sin(3 * t)); });
}

Renderer draw_wave_unequal_peaks() {
    return traced_normalised(512, [](double t) { return x_only(0.67 * sin(t) + 0.4 * sin(2 * t + 0.8)); });
}

Renderer draw_wave_notched() {
    return traced_normalised(512, [](double t) {
        return x_only(sin(t) - 0.36 * sin(3 * t) + 0.12 * cos(5 * t));
    });
}

Renderer draw_wave_reed() {
    return traced_normalised(512, [](double t) { return x_only(sin(t) * (0.85 + 0.4 * cos(7 * t))); });
}

Renderer draw_wave_ripple_return() {
    return traced_normalised(512, [](double t) {
        return x_only(sin(t) + 0.09 * sin(5 * t) * (1 + cos(t)));
    });
}

Renderer draw_wave_rounded_square() {
    return traced_normalised(512, [](double t) { return x_only(std::tanh(2 * sin(t))); });
}

Renderer draw_wave_folded() { return traced_normalised(512, [](double t) { return x_only(sin(2.2 * sin(t))); }); }
Renderer draw_wave_double_fold() { return traced_normalised(512, [](double t) { return x_only(sin(3.8 * sin(t))); }); }

Renderer draw_wave_skew_warp() {
    return traced_normalised(512, [](double t) { return x_only(sin(t + 0.7 * sin(t))); });
}

Renderer draw_mech_scotch_yoke() {
    return traced(512, [](double t) {
        return Offset3{0.82 * cos(t), 0.287 * sin(t) + 0.1476 * sin(3 * t), 0.0};
    });
}

Renderer draw_mech_wobble_plate() {
    return traced(512, [](double t) {
        return Offset3{0.82 * cos(t), 0.287 * sin(t), 0.41 * sin(2 * t + 0.3)};
    });
}

Renderer draw_mech_piston_balance() {
    return traced(512, [](double t) { return Offset3{0.82 * cos(t), 0.41 * sin(2 * t), 0.205 * sin(t)}; });
}

Renderer draw_mech_paddle() {
    return traced_normalised(512, [](double t) {
        return Offset3{cos(t) + 0.23 * cos(4 * t), sin(t) + 0.23 * sin(4 * t), 0.0};
    });
}

Renderer draw_mech_coupled_cranks() {
    return traced_normalised(512, [](double t) {
        return Offset3{cos(t) + 0.35 * cos(3 * t + 0.6), sin(t) - 0.35 * sin(3 * t + 0.6), 0.0};
    });
}

Renderer draw_mech_two_lobe_cam() {
    return traced_normalised(512, [](double t) {
        return Offset3{6 * sin(t), 4 * cos(t) + 11 * cos(2 * t), 0.0};
    });
}

Renderer draw_mech_three_lobe_cam() {
    return traced_normalised(512, [](double t) {
        return Offset3{1.25 * sin(t), cos(t) + 5 * cos(3 * t), 0.0};
    });
}

Renderer draw_weave_family() {
    return [](const RenderRequest& request) {
        const std::vector<int> n = member_numbers(request, 2);
        const double a = n[0];
        const double b = n[1];
        return normalised(trace(1024, [a, b](double t) {
            return Offset3{sin(a * t + 0.37), 0.8125 * sin(b * t), 0.0};
        }));
    };
}

Renderer draw_space_weave_family() {
    return [](const RenderRequest& request) {
        const std::vector<int> n = member_numbers(request, 3);
        const double a = n[0];
        const double b = n[1];
        const double c = n[2];
        return normalised(trace(1024, [a, b, c](double t) {
            return Offset3{sin(a * t), 0.8 * sin(b * t + 0.4), 0.7 * cos(c * t + 0.7)};
        }));
    };
}

Renderer draw_polar_rose_family() {
    return [](const RenderRequest& request) {
        const int petals = member_numbers(request, 1)[0];
        // An odd rose is complete after half a turn of its parameter, an even one after a full turn.
        const bool odd = petals % 2 != 0;
        const double k = odd ? petals : petals / 2;
        return normalised(trace(1024, [odd, k](double t) {
            const double phi = odd ? t / 2 : t;
            const double r = cos(k * phi);
            return Offset3{r * cos(phi), r * sin(phi), 0.0};
        }));
    };
}

namespace {

// Pen distance as a fraction of the rolling radius, per (R, r).
struct Spiro {
    int fixed_radius;
    int rolling_radius;
    double pen_fraction;
};

static constexpr std::array<Spiro, 8> spiro_pens{{
    {3, 1, 0.45}, {4, 1, 0.6}, {5, 2, 0.75}, {5, 1, 0.55}, {7, 2, 0.65}, {7, 3, 0.7}, {8, 3, 0.6}, {9, 4, 0.8},
}};

const auto spiro = [](bool inside) {
    return [inside](const RenderRequest& request) {
        const std::vector<int> n = member_numbers(request, 2);
        const auto pen = std::find_if(spiro_pens.begin(), spiro_pens.end(), [&](const Spiro& s) {
            return s.fixed_radius == n[0] && s.rolling_radius == n[1];
        });
        if (pen == spiro_pens.end()) {
            throw std::invalid_argument("no pen distance for these radii");
        }
        const double big = n[0];
        const double small = n[1];
        const double turns = n[1] / std::gcd(n[0], n[1]);  // the trace closes after r/g turns
        const double d = pen->pen_fraction * small;
        return normalised(trace(1024, [=](double theta) {
            const double t = turns * theta;
            if (inside) {
                const double ratio = (big - small) / small;
                return Offset3{(big - small) * cos(t) + d * cos(ratio * t), (big - small) * sin(t) - d * sin(ratio * t), 0.0};
            }
            const double ratio = (big + small) / small;
            return Offset3{(big + small) * cos(t) - d * cos(ratio * t), (big + small) * sin(t) - d * sin(ratio * t), 0.0};
        }));
    };
};

}  // namespace

Renderer draw_spiro_inside_family() { return spiro(true); }
Renderer draw_spiro_outside_family() { return spiro(false); }

Renderer draw_space_torus_family() {
    return [](const RenderRequest& request) {
        const std::vector<int> n = member_numbers(request, 2);
        const double a = n[0];
        const double b = n[1];
        return normalised(trace(1024, [a, b](double t) {
            const double radius = 2.9 + cos(b * t);
            return Offset3{radius * cos(a * t), radius * sin(a * t), 2.1 * sin(b * t)};
        }));
    };
}

namespace {

static constexpr std::array<double, 16> orbit_ripples{0.18, 0.22, 0.25, 0.28, 0.25, 0.2,  0.15, 0.13,
                                                      0.34, 0.31, 0.29, 0.26, 0.23, 0.2,  0.17, 0.14};

}  // namespace

Renderer draw_orbit_harmonic_family() {
    return [](const RenderRequest& request) {
        const std::size_t i = member_index(request);
        const double m = static_cast<double>(i % 8 + 2);
        const double phase = i < 8 ? 0.0 : 0.5 + 0.3 * static_cast<double>(i - 8);
        const double q = orbit_ripples[i];
        return normalised(trace(512, [m, phase, q](double t) {
            return Offset3{cos(t) + q * cos(m * t + phase), 0.72 * sin(t) - q * sin((m + 1) * t - phase), 0.0};
        }));
    };
}

namespace {

struct Silhouette {
    double a, b, c, u, v;
};

static constexpr std::array<Silhouette, 16> silhouettes{{
    {1, 2, 3, 0.2, 0.16},   {1, 3, 5, 0.35, 0.12}, {2, 3, 4, 0.3, 0.18},   {2, 5, 7, 0.23, 0.16},
    {1, 4, 7, 0.35, 0.21},  {3, 4, 5, 0.28, 0.14}, {2, 7, 9, 0.19, 0.12},  {3, 5, 8, 0.3, 0.17},
    {1, 2, 5, 0.4, 0.22},   {1, 5, 8, 0.27, 0.24}, {2, 3, 7, 0.34, 0.2},   {3, 7, 10, 0.26, 0.16},
    {2, 4, 9, 0.33, 0.23},  {3, 4, 9, 0.29, 0.25}, {4, 5, 7, 0.25, 0.21},  {4, 7, 11, 0.21, 0.16},
}};

}  // namespace

Renderer draw_silhouette_harmonic_family() {
    return [](const RenderRequest& request) {
        const Silhouette s = silhouettes[member_index(request)];
        // The scale comes from twice the table's resolution, so the stored peak may sit just below 0.82.
        return normalised_over_fine_grid(1024, [s](double t) {
            return Offset3{cos(s.a * t) + s.u * sin(s.b * t + 0.3) + s.v * cos(s.c * t),
                           0.65 * sin(s.a * t + 0.2) + s.v * sin(s.b * t) - s.u * cos(s.c * t + 0.1),
                           0.12 * sin((s.a + s.b) * t) * sin(t)};
        }, 2048);
    };
}

namespace {

// An outward half eased by `ease` from -0.65 to 0.65, then a cubic smoothstep back.
Renderer outward_and_return(double (*ease)(double)) {
    return [ease](const RenderRequest&) {
        constexpr std::uint32_t half = 128;
        std::vector<Offset3> samples;
        for (std::uint32_t pip = 0; pip < 2 * half; ++pip) {
            if (pip < half) {
                samples.push_back(x_only(-0.65 + 1.3 * ease(static_cast<double>(pip) / half)));
            } else {
                const double u = static_cast<double>(pip - half) / half;
                samples.push_back(x_only(0.65 - 1.3 * (3 * u * u - 2 * u * u * u)));
            }
        }
        return samples;
    };
}

constexpr double BACK_OVERSHOOT = 1.70158;

double back_out(double t) {
    const double s = BACK_OVERSHOOT;
    return (t - 1) * (t - 1) * ((s + 1) * (t - 1) + s) + 1;
}

double back_in(double t) {
    const double s = BACK_OVERSHOOT;
    return t * t * ((s + 1) * t - s);
}

double bounce_out(double t) {
    constexpr double k = 121.0 / 16.0;
    if (t < 4.0 / 11.0) {
        return k * t * t;
    }
    if (t < 8.0 / 11.0) {
        const double u = t - 6.0 / 11.0;
        return k * u * u + 3.0 / 4.0;
    }
    if (t < 10.0 / 11.0) {
        const double u = t - 9.0 / 11.0;
        return k * u * u + 15.0 / 16.0;
    }
    const double u = t - 21.0 / 22.0;
    return k * u * u + 63.0 / 64.0;
}

}  // namespace

Renderer draw_ease_overshoot() { return outward_and_return(back_out); }
Renderer draw_ease_anticipate() { return outward_and_return(back_in); }
Renderer draw_ease_rebound() { return outward_and_return(bounce_out); }

}  // namespace velmora::generator
