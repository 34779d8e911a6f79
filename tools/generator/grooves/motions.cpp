// The sixteen motions of the groove grid, each rendered over every groove score.
//
// Every motion reads the score through the same house envelope: a drum event rises over
// the 6.4 pips before its onset and falls over the 29.44 pips after it, so its peak lands
// on the onset. Lanes are read by role (kicks, backbeat, upper percussion, other
// percussion, bass), and an axis is driven only by the roles the motion names for it:
// a score without bass leaves the bass-driven axes exactly at zero.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>

#include "grooves/groove_motions.hpp"
#include "framework/primitives.hpp"
#include "grooves/score_notation.hpp"

namespace velmora::generator {

double event_envelope(double distance, EventEnvelope envelope) noexcept {
    if (distance > -envelope.rise && distance <= 0.0) {
        return (1.0 + std::cos(PI * distance / envelope.rise)) / 2.0;
    }
    if (distance > 0.0 && distance < envelope.fall) {
        return (1.0 + std::cos(PI * distance / envelope.fall)) / 2.0;
    }
    return 0.0;
}

namespace {

// Hats and shakers play sixteenths 16 pips apart: half the house widths keeps them apart.
constexpr EventEnvelope TIGHT{3.2, 14.72};
// Bass notes and slow weight shifts: twice the house widths, for gliding rather than hitting.
constexpr EventEnvelope BROAD{12.8, 58.88};
// Hits closer than the envelope's rise belong to one gesture (a flam, a kick under a clap).
constexpr double SAME_GESTURE = 6.4;

enum class Role : std::uint8_t { kick, backbeat, upper, percussion, bass };

Role role_of(Lane lane) noexcept {
    switch (lane) {
        case Lane::kick:
            return Role::kick;
        case Lane::snare:
        case Lane::clap:
            return Role::backbeat;
        case Lane::closed_hat:
        case Lane::open_hat:
        case Lane::shaker:
        case Lane::ride:
            return Role::upper;
        case Lane::bass:
            return Role::bass;
        default:
            return Role::percussion;  // rims, bells, claves, toms, hand percussion
    }
}

// One event as a motion uses it: where, and with what signed strength.
struct Gesture {
    double onset;
    double weight;
};

// A role and how strongly its hits count.
struct Part {
    Role role;
    double scale;
};

using Signal = std::vector<double>;

// The hits of the named roles, velocity times the role's scale, in onset order; ghost
// notes (below QUIET_BELOW) count `ghost_factor` times as much.
std::vector<Gesture> gestures_of(const GrooveScore& score, std::initializer_list<Part> parts,
                                 double ghost_factor = 1.0) {
    std::vector<Gesture> gestures;
    for (const LaneHits& lane : score.lanes) {
        for (const Part& part : parts) {
            if (role_of(lane.lane) != part.role) {
                continue;
            }
            for (const Hit& hit : lane.hits) {
                const double ghost = hit.velocity < QUIET_BELOW ? ghost_factor : 1.0;
                gestures.push_back({hit.pip, hit.velocity * part.scale * ghost});
            }
        }
    }
    std::stable_sort(gestures.begin(), gestures.end(),
                     [](const Gesture& a, const Gesture& b) { return a.onset < b.onset; });
    return gestures;
}

// Hits that sound together (a flam, a kick under a clap) make one gesture at the first
// onset, as strong as its loudest hit plus a quarter of the others, eased above full
// strength so that a crowded moment stays within a quarter more than one accent.
std::vector<Gesture> moments(const std::vector<Gesture>& hits) {
    std::vector<Gesture> out;
    std::vector<double> loudest;
    std::vector<double> total;
    for (const Gesture& hit : hits) {
        if (!out.empty() && hit.onset - out.back().onset < SAME_GESTURE) {
            loudest.back() = std::max(loudest.back(), hit.weight);
            total.back() += hit.weight;
            continue;
        }
        out.push_back(hit);
        loudest.push_back(hit.weight);
        total.push_back(hit.weight);
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double raw = loudest[i] + 0.25 * (total[i] - loudest[i]);
        out[i].weight = raw <= 1.0 ? raw : 1.0 + 0.25 * std::tanh((raw - 1.0) / 0.25);
    }
    return out;
}

// Successive gestures alternate in sign, left and right.
std::vector<Gesture> alternated(const std::vector<Gesture>& hits) {
    std::vector<Gesture> gestures = moments(hits);
    for (std::size_t i = 1; i < gestures.size(); i += 2) {
        gestures[i].weight = -gestures[i].weight;
    }
    return gestures;
}

// The sum of every gesture's weighted envelope at each pip; an envelope that runs past
// the loop's end continues at its start.
Signal envelope_signal(std::uint32_t period, const std::vector<Gesture>& gestures, EventEnvelope envelope) {
    Signal signal(period, 0.0);
    const auto length = static_cast<std::int64_t>(period);
    for (const Gesture& gesture : gestures) {
        const auto first = static_cast<std::int64_t>(std::ceil(gesture.onset - envelope.rise));
        const auto last = static_cast<std::int64_t>(std::floor(gesture.onset + envelope.fall));
        for (std::int64_t pip = first; pip <= last; ++pip) {
            const double weight = event_envelope(static_cast<double>(pip) - gesture.onset, envelope);
            if (weight == 0.0) {
                continue;
            }
            const std::int64_t index = ((pip % length) + length) % length;
            signal[static_cast<std::size_t>(index)] += gesture.weight * weight;
        }
    }
    return signal;
}

Signal envelope_of(const GrooveScore& score, std::initializer_list<Part> parts, EventEnvelope envelope = HOUSE_ENVELOPE) {
    return envelope_signal(score.period, gestures_of(score, parts), envelope);
}

Signal alternating_envelope_of(const GrooveScore& score, std::initializer_list<Part> parts,
                               EventEnvelope envelope = HOUSE_ENVELOPE) {
    return envelope_signal(score.period, alternated(gestures_of(score, parts)), envelope);
}

// A lane and how strongly its hits count: for the few places where two lanes of one role
// move differently (an open hat rings, a closed hat ticks).
struct Voice {
    Lane lane;
    double scale;
};

std::vector<Gesture> gestures_of_voices(const GrooveScore& score, std::initializer_list<Voice> voices,
                                        double ghost_factor = 1.0) {
    std::vector<Gesture> gestures;
    for (const LaneHits& lane : score.lanes) {
        for (const Voice& voice : voices) {
            if (lane.lane != voice.lane) {
                continue;
            }
            for (const Hit& hit : lane.hits) {
                const double ghost = hit.velocity < QUIET_BELOW ? ghost_factor : 1.0;
                gestures.push_back({hit.pip, hit.velocity * voice.scale * ghost});
            }
        }
    }
    std::stable_sort(gestures.begin(), gestures.end(),
                     [](const Gesture& a, const Gesture& b) { return a.onset < b.onset; });
    return gestures;
}

// The fine print of a score, which a path whose speed follows the events would otherwise
// smooth away: grooves on one kick and backbeat differ mostly in their hats, their hand
// percussion, their ghost notes and their swing. Closed hats and shakers tick (the tight
// envelope, so a swung sixteenth is seen late); open hats and the ride ring for the house
// length; hand percussion speaks as a hit, alternating sides. Every path carries some of
// each, so two grooves' paths differ about as much as their scores do.
struct ScoreDetail {
    Signal kick;
    Signal backbeat;
    Signal backbeat_sides;
    Signal ticks;
    Signal rings;
    Signal percussion_sides;
    Signal bass;
    Signal ghost_sides;
    Signal hat_against_shaker;
    Signal ride;
    Signal phrase;
};

// Ghost notes of any lane, each a small flick of its own at full strength, alternating in
// sign: at their velocity they would vanish under the played notes around them. The
// motions carry them on height and depth only, where they cannot blur a backbeat's side.
std::vector<Gesture> ghosts_of(const GrooveScore& score) {
    std::vector<Gesture> ghosts;
    for (const LaneHits& lane : score.lanes) {
        for (const Hit& hit : lane.hits) {
            if (hit.velocity < QUIET_BELOW) {
                ghosts.push_back({hit.pip, 1.0});
            }
        }
    }
    std::stable_sort(ghosts.begin(), ghosts.end(),
                     [](const Gesture& a, const Gesture& b) { return a.onset < b.onset; });
    return ghosts;
}

// One slow breath over the loop, high at its start: it tells where the phrase begins, so
// two scores that are the same loop started a bar apart (son clave 3-2 and 2-3) are told apart.
Signal phrase_of(std::uint32_t period) {
    Signal phrase(period);
    for (std::uint32_t pip = 0; pip < period; ++pip) {
        phrase[pip] = std::cos(phase_angle(static_cast<double>(pip), static_cast<double>(period)));
    }
    return phrase;
}

ScoreDetail detail_of(const GrooveScore& score) {
    return {envelope_of(score, {{Role::kick, 1.0}}),
            envelope_of(score, {{Role::backbeat, 1.0}}),
            alternating_envelope_of(score, {{Role::backbeat, 1.0}}),
            envelope_signal(score.period, gestures_of_voices(score, {{Lane::closed_hat, 1.0}, {Lane::shaker, 0.8}}),
                            TIGHT),
            envelope_signal(score.period, gestures_of_voices(score, {{Lane::open_hat, 1.0}, {Lane::ride, 0.7}}),
                            HOUSE_ENVELOPE),
            alternating_envelope_of(score, {{Role::percussion, 1.0}}),
            envelope_of(score, {{Role::bass, 1.0}}),
            envelope_signal(score.period, alternated(ghosts_of(score)), TIGHT),
            envelope_signal(score.period, gestures_of_voices(score, {{Lane::closed_hat, 1.0}, {Lane::shaker, -1.0}}),
                            TIGHT),
            envelope_signal(score.period, gestures_of_voices(score, {{Lane::ride, 1.0}}), HOUSE_ENVELOPE),
            phrase_of(score.period)};
}

// A phase that runs faster where `speed` is high and still makes exactly `turns` turns per
// loop, so the path closes on itself.
Signal weighted_phase(const Signal& speed, double turns) {
    const std::size_t period = speed.size();
    Signal cumulative(period + 1, 0.0);
    for (std::size_t pip = 0; pip < period; ++pip) {
        cumulative[pip + 1] = cumulative[pip] + (speed[pip] + speed[(pip + 1) % period]) / 2.0;
    }
    Signal phase(period);
    for (std::size_t pip = 0; pip < period; ++pip) {
        phase[pip] = TWO_PI * turns * (cumulative[pip] / cumulative[period]);
    }
    return phase;
}

Signal plus(Signal base, const Signal& other, double scale) {
    for (std::size_t i = 0; i < base.size(); ++i) {
        base[i] += scale * other[i];
    }
    return base;
}

// Dense scores stack envelopes; this keeps every component inside the catalogue's range
// without touching anything below the knee (the bare pulse stays exact).
double soft_limit(double value) noexcept {
    constexpr double knee = 0.6;
    constexpr double top = 0.98;
    constexpr double bottom = 0.9;
    if (value > knee) {
        return knee + (top - knee) * std::tanh((value - knee) / (top - knee));
    }
    if (value < -knee) {
        return -knee - (bottom - knee) * std::tanh((-value - knee) / (bottom - knee));
    }
    return value;
}

// How much of a score's fine print (ghost flicks, hat against shaker, ride, phrase) a
// motion carries on each axis; zero where the motion promises an axis to other lanes.
struct FinePrint {
    double x;
    double y;
    double z;
};

// A quiet or sparse score still draws a loop of readable size: below this span on its
// widest axis the whole loop is scaled up (at most by MAX_GAIN), before the soft limit.
constexpr double READABLE_SPAN = 0.6;
constexpr double MAX_GAIN = 2.0;

template <typename Sample>
std::vector<Offset3> draw(const GrooveScore& score, FinePrint fine, Sample sample) {
    const ScoreDetail detail = detail_of(score);
    std::vector<Offset3> raw(score.period);
    std::array<double, 3> low{0.0, 0.0, 0.0};
    std::array<double, 3> high{0.0, 0.0, 0.0};
    for (std::uint32_t pip = 0; pip < score.period; ++pip) {
        const Offset3 s = sample(pip);
        const double ghost = detail.ghost_sides[pip];
        const double upper = detail.hat_against_shaker[pip] + detail.ride[pip];
        const double phrase = detail.phrase[pip];
        const double hands = detail.percussion_sides[pip];
        raw[pip] = {s.x + fine.x * 0.6 * hands,
                    s.y + fine.y * (upper + 1.2 * ghost + 0.4 * phrase + 0.4 * hands),
                    s.z + fine.z * (phrase + 0.5 * upper + 1.2 * ghost)};
        const std::array<double, 3> c{raw[pip].x, raw[pip].y, raw[pip].z};
        for (std::size_t axis = 0; axis < 3; ++axis) {
            low[axis] = pip == 0 ? c[axis] : std::min(low[axis], c[axis]);
            high[axis] = pip == 0 ? c[axis] : std::max(high[axis], c[axis]);
        }
    }
    const double span = std::max({high[0] - low[0], high[1] - low[1], high[2] - low[2]});
    const double gain = span > 0.0 && span < READABLE_SPAN ? std::min(MAX_GAIN, READABLE_SPAN / span) : 1.0;
    std::vector<Offset3> samples(score.period);
    for (std::uint32_t pip = 0; pip < score.period; ++pip) {
        samples[pip] = {soft_limit(gain * raw[pip].x), soft_limit(gain * raw[pip].y), soft_limit(gain * raw[pip].z)};
    }
    return samples;
}

double loop_angle(std::uint32_t pip, std::uint32_t period) noexcept {
    return phase_angle(static_cast<double>(pip), static_cast<double>(period));
}

double bars_of(const GrooveScore& score) noexcept {
    return static_cast<double>(score.period) / 256.0;
}

// ---- the club motions -----------------------------------------------------------------

// Kicks lift the point and tip it a little to alternate sides; the other drums tip it
// further; bass adds depth.
std::vector<Offset3> bounce(const GrooveScore& score) {
    const Signal kick = envelope_of(score, {{Role::kick, 1.0}});
    const Signal side = plus(plus(alternating_envelope_of(score, {{Role::backbeat, 1.0}}),
                                  alternating_envelope_of(score, {{Role::upper, 0.4}, {Role::percussion, 0.5}}, TIGHT),
                                  1.0),
                             alternating_envelope_of(score, {{Role::kick, 1.0}}), 0.5);
    const Signal bass = envelope_of(score, {{Role::bass, 1.0}});
    return draw(score, FinePrint{0.15, 0.12, 0.0}, [&](std::uint32_t p) { return Offset3{0.3 * side[p], 0.55 * kick[p], 0.35 * bass[p]}; });
}

// Kicks and snares step to alternate sides; kicks sink, snares lift, hats and percussion
// bob lightly, bass leans in depth.
std::vector<Offset3> step(const GrooveScore& score) {
    const Signal lateral = alternating_envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}});
    const Signal kick = envelope_of(score, {{Role::kick, 1.0}});
    const Signal backbeat = envelope_of(score, {{Role::backbeat, 1.0}});
    const Signal bob = envelope_of(score, {{Role::upper, 1.0}, {Role::percussion, 1.0}}, TIGHT);
    const Signal bass = envelope_of(score, {{Role::bass, 1.0}});
    const ScoreDetail detail = detail_of(score);
    return draw(score, FinePrint{0.15, 0.1, 0.0}, [&](std::uint32_t p) {
        return Offset3{0.42 * lateral[p] + 0.12 * detail.percussion_sides[p],
                       -0.22 * kick[p] + 0.12 * backbeat[p] + 0.06 * bob[p] + 0.1 * detail.ticks[p] + 0.2 * detail.rings[p],
                       0.3 * bass[p]};
    });
}

// One turn per bar, hurried by every event; kicks swell the radius; everything but the
// kick pushes the depth.
std::vector<Offset3> orbit(const GrooveScore& score) {
    const Signal events = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::upper, 0.5},
                                              {Role::percussion, 0.7}, {Role::bass, 0.7}});
    const Signal phase = weighted_phase(plus(Signal(score.period, 1.0), events, 1.2), bars_of(score));
    const Signal swell = envelope_of(score, {{Role::kick, 0.22}, {Role::backbeat, 0.12}});
    const Signal depth = plus(envelope_of(score, {{Role::backbeat, 0.32}, {Role::percussion, 0.2}}),
                              envelope_of(score, {{Role::upper, 0.14}}, TIGHT), 1.0);
    const Signal bass = envelope_of(score, {{Role::bass, 1.0}});
    return draw(score, FinePrint{0.12, 0.12, 0.0}, [&](std::uint32_t p) {
        const double radius = 0.42 + swell[p];
        return Offset3{radius * std::cos(phase[p]), radius * std::sin(phase[p]), depth[p] - 0.3 * bass[p]};
    });
}

// A slow path over the whole phrase that travels faster through busy passages, with
// broad excursions on every bass note.
std::vector<Offset3> glide(const GrooveScore& score) {
    const Signal busy = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::upper, 0.5},
                                            {Role::percussion, 0.5}},
                                    BROAD);
    const Signal phase = weighted_phase(plus(Signal(score.period, 1.0), busy, 0.8), 1.0);
    const Signal bass = envelope_of(score, {{Role::bass, 1.0}}, BROAD);
    const Signal bass_side = alternating_envelope_of(score, {{Role::bass, 1.0}}, BROAD);
    const ScoreDetail detail = detail_of(score);
    return draw(score, FinePrint{0.12, 0.12, 0.12}, [&](std::uint32_t p) {
        const double a = phase[p];
        return Offset3{0.46 * std::sin(a) + 0.18 * bass_side[p] + 0.16 * detail.percussion_sides[p],
                       0.22 * std::sin(2.0 * a) - 0.15 * bass[p] + 0.2 * detail.backbeat[p] - 0.1 * detail.kick[p],
                       0.2 * std::cos(a) + 0.45 * bass[p] + 0.14 * detail.ticks[p] - 0.12 * detail.rings[p]};
    });
}

// ---- the dancefloor motions -----------------------------------------------------------

// Kicks thrust forward through depth, snares lift against a slight kick dip, hats tick
// the point from side to side.
std::vector<Offset3> surge(const GrooveScore& score) {
    const Signal kick = envelope_of(score, {{Role::kick, 1.0}});
    const Signal backbeat = envelope_of(score, {{Role::backbeat, 1.0}});
    const Signal detail = plus(alternating_envelope_of(score, {{Role::upper, 1.0}, {Role::percussion, 0.6}}, TIGHT),
                               alternating_envelope_of(score, {{Role::kick, 1.0}}), 0.7);
    const ScoreDetail fine = detail_of(score);
    return draw(score, FinePrint{0.12, 0.1, 0.1}, [&](std::uint32_t p) {
        return Offset3{0.14 * detail[p] + 0.12 * fine.percussion_sides[p],
                       0.42 * backbeat[p] - 0.16 * kick[p] + 0.12 * fine.rings[p] - 0.14 * fine.bass[p],
                       0.62 * kick[p] - 0.1 * backbeat[p]};
    });
}

// An echo of the groove, led by its kicks and snares, a dotted sixteenth late and broad,
// that draws the point back.
std::vector<Gesture> echo_of(const GrooveScore& score) {
    std::vector<Gesture> echo = gestures_of(score, {{Role::kick, 0.7}, {Role::backbeat, 0.7}, {Role::percussion, 0.3},
                                                    {Role::bass, 0.3}, {Role::upper, 0.12}});
    for (Gesture& gesture : echo) {
        gesture.onset += 24.0;
    }
    return echo;
}

// Snares push sideways, kicks counter downwards, and the late echo pulls both back.
std::vector<Offset3> recoil(const GrooveScore& score) {
    const Signal backbeat = envelope_of(score, {{Role::backbeat, 1.0}});
    const Signal kick = envelope_of(score, {{Role::kick, 1.0}});
    const Signal echo = envelope_signal(score.period, echo_of(score), BROAD);
    const ScoreDetail detail = detail_of(score);
    const Signal percussion = envelope_of(score, {{Role::percussion, 1.0}});
    return draw(score, FinePrint{0.1, 0.1, 0.12}, [&](std::uint32_t p) {
        return Offset3{0.5 * backbeat[p] - 0.22 * echo[p] + 0.12 * percussion[p],
                       -0.45 * kick[p] + 0.08 * backbeat[p] + 0.12 * detail.ticks[p] + 0.12 * detail.rings[p],
                       -0.42 * echo[p]};
    });
}

// A closed curve through values at onsets, eased by smootherstep between them; where two
// successive values have the same sign the curve sags back towards zero between them, so
// repeated kicks still swing.
Signal onset_curve(std::uint32_t period, std::vector<Gesture> stops) {
    Signal curve(period, 0.0);
    if (stops.empty()) {
        return curve;
    }
    const double length = static_cast<double>(period);
    std::vector<Gesture> points;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const Gesture& here = stops[i];
        const Gesture next = i + 1 < stops.size() ? stops[i + 1] : Gesture{stops[0].onset + length, stops[0].weight};
        points.push_back(here);
        if ((here.weight > 0.0) == (next.weight > 0.0)) {
            points.push_back({(here.onset + next.onset) / 2.0, 0.2 * (here.weight + next.weight)});
        }
    }
    points.push_back({points[0].onset + length, points[0].weight});
    for (std::uint32_t pip = 0; pip < period; ++pip) {
        // Pips before the first stop belong to the segment that wraps from the last one.
        const double t = pip < points[0].onset ? pip + length : pip;
        std::size_t segment = 0;
        while (segment + 2 < points.size() && points[segment + 1].onset <= t) {
            ++segment;
        }
        const Gesture& a = points[segment];
        const Gesture& b = points[segment + 1];
        curve[pip] = a.weight + (b.weight - a.weight) * smootherstep((t - a.onset) / (b.onset - a.onset));
    }
    return curve;
}

bool plays(const GrooveScore& score, Role role) noexcept {
    return std::any_of(score.lanes.begin(), score.lanes.end(),
                       [&](const LaneHits& lane) { return role_of(lane.lane) == role && !lane.hits.empty(); });
}

// Kick and answer gestures, one per sounding moment: kicks to the negative side, the
// answer (and a kick under it) to the positive one, louder hits further out. The answer is
// the backbeat, or the hand percussion (a cross-stick, a bell, a clave) where no snare or
// clap plays. Where that leaves every stop on one side (nothing but kicks, or an answer
// that always sounds with a kick), successive stops take the two sides in turn.
std::vector<Gesture> kick_snare_stops(const GrooveScore& score) {
    const Role answer = plays(score, Role::backbeat) ? Role::backbeat : Role::percussion;
    const std::vector<Gesture> hits = gestures_of(score, {{Role::kick, -1.0}, {answer, 1.0}});
    std::vector<Gesture> stops;
    for (const Gesture& hit : hits) {
        const double reach = std::copysign(0.6 + 0.4 * std::fabs(hit.weight), hit.weight);
        if (!stops.empty() && hit.onset - stops.back().onset < SAME_GESTURE) {
            // A snare in the moment takes it to the snare side; otherwise the louder hit wins.
            const double held = stops.back().weight;
            if ((reach > 0.0) == (held > 0.0)) {
                stops.back().weight = std::copysign(std::max(std::fabs(reach), std::fabs(held)), held);
            } else {
                stops.back().weight = reach > 0.0 ? reach : held;
            }
            continue;
        }
        stops.push_back({hit.onset, reach});
    }
    const auto positive = [](const Gesture& stop) { return stop.weight > 0.0; };
    if (std::all_of(stops.begin(), stops.end(), positive) || std::none_of(stops.begin(), stops.end(), positive)) {
        for (std::size_t i = 1; i < stops.size(); i += 2) {
            stops[i].weight = -stops[i].weight;
        }
    }
    return stops;
}

// The point swings along a wide arc, kick side to snare side, while hats and shakers
// shiver on top of it; bass sinks it a little. Each kick snaps the point down as it
// reaches its side (the snap is half risen at the onset), so it never rests on a kick.
std::vector<Offset3> flutter(const GrooveScore& score) {
    const Signal arc = onset_curve(score.period, kick_snare_stops(score));
    const Signal tremor = alternating_envelope_of(score, {{Role::upper, 1.0}, {Role::percussion, 0.7}}, TIGHT);
    const Signal bass = envelope_of(score, {{Role::bass, 1.0}}, BROAD);
    const Signal rings = detail_of(score).rings;
    std::vector<Gesture> kicks = gestures_of(score, {{Role::kick, 1.0}});
    for (Gesture& kick : kicks) {
        kick.onset += HOUSE_ENVELOPE.rise / 2.0;
    }
    const Signal snap = envelope_signal(score.period, moments(kicks), HOUSE_ENVELOPE);
    return draw(score, FinePrint{0.1, 0.1, 0.12}, [&](std::uint32_t p) {
        const double a = arc[p];
        return Offset3{0.5 * a + 0.06 * tremor[p],
                       0.3 * (1.0 - a * a) - 0.12 + 0.1 * tremor[p] + 0.1 * rings[p] - 0.2 * snap[p],
                       0.15 * a + 0.2 * tremor[p] - 0.12 * bass[p]};
    });
}

// The depth of a dive: every note plunges with the broad envelope, but its fall is cut to
// the gap before the next note of the plunge (never shorter than the house fall), and
// overlapping plunges take the deepest rather than their sum. A busy bass line thus
// pumps, surfacing a little between notes, instead of stacking into one pinned depth.
Signal plunge_of(std::uint32_t period, const std::vector<Gesture>& notes) {
    Signal plunge(period, 0.0);
    const auto length = static_cast<std::int64_t>(period);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const Gesture& note = notes[i];
        const double next = i + 1 < notes.size() ? notes[i + 1].onset : notes[0].onset + static_cast<double>(period);
        const EventEnvelope envelope{BROAD.rise, std::clamp(next - note.onset, HOUSE_ENVELOPE.fall, BROAD.fall)};
        const auto first = static_cast<std::int64_t>(std::ceil(note.onset - envelope.rise));
        const auto last = static_cast<std::int64_t>(std::floor(note.onset + envelope.fall));
        for (std::int64_t pip = first; pip <= last; ++pip) {
            const double depth = note.weight * event_envelope(static_cast<double>(pip) - note.onset, envelope);
            auto& at = plunge[static_cast<std::size_t>(((pip % length) + length) % length)];
            at = std::max(at, depth);
        }
    }
    return plunge;
}

// Bass plunges the point deep (kicks a little); the drums swing it from side to side and
// lift it against the plunge, hats lightly.
std::vector<Offset3> dive(const GrooveScore& score) {
    const Signal plunge = plunge_of(score.period, moments(gestures_of(score, {{Role::bass, 0.8}, {Role::kick, 0.3}})));
    const Signal counter =
        alternating_envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::percussion, 0.6}});
    const Signal lift = plus(envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::percussion, 0.5}}),
                             envelope_of(score, {{Role::upper, 0.4}}, TIGHT), 1.0);
    const Signal rings = detail_of(score).rings;
    return draw(score, FinePrint{0.12, 0.1, 0.08}, [&](std::uint32_t p) {
        return Offset3{0.34 * counter[p], 0.25 * lift[p] - 0.1 * plunge[p] - 0.12 * rings[p], -plunge[p]};
    });
}

// A hanging pendulum, one swing each way per two beats: the score hurries the swing
// through its hits and widens it where the drums are dense.
std::vector<Offset3> pendulum(const GrooveScore& score) {
    const Signal hits = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::percussion, 0.4}});
    const Signal phase = weighted_phase(plus(Signal(score.period, 1.0), hits, 1.0), score.period / 128.0);
    const Signal density = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::percussion, 0.5},
                                               {Role::upper, 0.3}, {Role::bass, 0.5}},
                                       BROAD);
    const ScoreDetail detail = detail_of(score);
    return draw(score, FinePrint{0.12, 0.1, 0.1}, [&](std::uint32_t p) {
        const double reach = std::tanh(density[p]);
        const double angle = (0.55 + 0.25 * reach) * std::sin(phase[p]);
        // The bob dips under each kick and jolts sideways on each snare; hats tremble it in depth.
        return Offset3{0.95 * std::sin(angle) + 0.14 * detail.backbeat_sides[p] + 0.1 * detail.percussion_sides[p],
                       0.95 * (1.0 - std::cos(angle)) - 0.35 - 0.14 * detail.kick[p] - 0.12 * detail.bass[p],
                       0.22 * (0.5 + 0.5 * reach) * std::cos(phase[p]) + 0.14 * detail.ticks[p] -
                           0.12 * detail.rings[p]};
    });
}

// A figure eight per bar whose lobes widen at every kick; the crossing rides high, and a
// snare lifts it further.
std::vector<Offset3> figure8(const GrooveScore& score) {
    const Signal events = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::upper, 0.3},
                                              {Role::percussion, 0.5}, {Role::bass, 0.5}});
    const Signal phase = weighted_phase(plus(Signal(score.period, 1.0), events, 0.6), bars_of(score));
    const Signal kick = envelope_of(score, {{Role::kick, 1.0}});
    const Signal backbeat = envelope_of(score, {{Role::backbeat, 1.0}});
    const ScoreDetail detail = detail_of(score);
    return draw(score, FinePrint{0.12, 0.1, 0.1}, [&](std::uint32_t p) {
        const double a = phase[p];
        const double width = 0.5 + 0.28 * kick[p];
        return Offset3{width * std::sin(a) + 0.12 * detail.percussion_sides[p],
                       (0.4 + 0.2 * kick[p]) * std::sin(2.0 * a) / 2.0 + 0.3 * backbeat[p],
                       0.2 * std::cos(2.0 * a) + 0.18 * backbeat[p] + 0.14 * detail.ticks[p] - 0.12 * detail.rings[p] -
                           0.14 * detail.bass[p]};
    });
}

// Around a rounded square once per bar, hurrying through the hits; kicks push forward,
// snares pull back.
std::vector<Offset3> box(const GrooveScore& score) {
    const Signal events = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::upper, 0.4},
                                              {Role::percussion, 0.6}, {Role::bass, 0.6}});
    const Signal phase = weighted_phase(plus(Signal(score.period, 1.0), events, 1.5), bars_of(score));
    const Signal kick = envelope_of(score, {{Role::kick, 1.0}});
    const Signal backbeat = envelope_of(score, {{Role::backbeat, 1.0}});
    const Signal ticks = alternating_envelope_of(score, {{Role::upper, 1.0}}, TIGHT);
    const Signal bass = envelope_of(score, {{Role::bass, 1.0}});
    const Signal percussion_sides = alternating_envelope_of(score, {{Role::percussion, 1.0}});
    constexpr double squareness = 2.5;
    const double corner = std::tanh(squareness);
    return draw(score, FinePrint{0.12, 0.1, 0.1}, [&](std::uint32_t p) {
        return Offset3{0.62 * std::tanh(squareness * std::cos(phase[p])) / corner,
                       0.62 * std::tanh(squareness * std::sin(phase[p])) / corner,
                       0.32 * kick[p] - 0.26 * backbeat[p] + 0.1 * ticks[p] - 0.14 * bass[p] +
                           0.12 * percussion_sides[p]};
    });
}

// Two turns per loop around a depth wave of one cycle. The turning hurries through the
// kicks, backbeats and percussion, so each score drives its own screw; the turn widens
// smoothly where the kit is dense (the broad envelope: no jitter on every hat).
std::vector<Offset3> corkscrew(const GrooveScore& score) {
    const Signal events = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::percussion, 0.6},
                                              {Role::bass, 0.5}});
    const Signal phase = weighted_phase(plus(Signal(score.period, 1.0), events, 1.2), 2.0);
    const Signal spread = envelope_of(score, {{Role::kick, 0.4}, {Role::backbeat, 0.6}, {Role::percussion, 0.6},
                                              {Role::bass, 0.4}, {Role::upper, 0.2}},
                                      BROAD);
    const ScoreDetail detail = detail_of(score);
    return draw(score, FinePrint{0.12, 0.1, 0.1}, [&](std::uint32_t p) {
        const double a = loop_angle(p, score.period);
        const double radius = 0.36 + 0.2 * std::tanh(spread[p]);
        return Offset3{radius * std::cos(phase[p]), radius * std::sin(phase[p]),
                       0.5 * std::sin(a) + 0.2 * detail.backbeat[p] + 0.12 * detail.ticks[p] - 0.1 * detail.rings[p] -
                           0.14 * detail.bass[p]};
    });
}

// Two turns that open from a tight centre to a wide ring and close again over the loop;
// the turning hurries through the hits and kicks breathe the radius out.
std::vector<Offset3> spiral(const GrooveScore& score) {
    const Signal events = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::upper, 0.3},
                                              {Role::percussion, 0.5}, {Role::bass, 0.5}});
    const Signal phase = weighted_phase(plus(Signal(score.period, 1.0), events, 0.8), 2.0);
    const Signal kick = envelope_of(score, {{Role::kick, 1.0}});
    const Signal backbeat = envelope_of(score, {{Role::backbeat, 1.0}});
    const ScoreDetail detail = detail_of(score);
    return draw(score, FinePrint{0.12, 0.1, 0.1}, [&](std::uint32_t p) {
        const double a = loop_angle(p, score.period);
        const double radius = (0.15 + 0.55 * (1.0 - std::cos(a)) / 2.0) * (1.0 + 0.2 * kick[p]);
        // Snares and hand percussion knock the point off the spiral, sideways and up.
        return Offset3{radius * std::cos(phase[p]) + 0.12 * detail.percussion_sides[p],
                       radius * std::sin(phase[p]) + 0.16 * backbeat[p],
                       0.35 * std::cos(a) + 0.15 * backbeat[p] + 0.14 * detail.ticks[p] - 0.12 * detail.rings[p] -
                           0.16 * detail.bass[p]};
    });
}

// Side-to-side S-travel, one curve per two beats, hurried by the hits; kicks lift,
// snares cut back against the travel, depth counters the lift.
std::vector<Offset3> slalom(const GrooveScore& score) {
    const Signal events = envelope_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::upper, 0.3},
                                              {Role::percussion, 0.5}, {Role::bass, 0.5}});
    const Signal phase = weighted_phase(plus(Signal(score.period, 1.0), events, 0.8), score.period / 128.0);
    const Signal kick = envelope_of(score, {{Role::kick, 1.0}});
    const Signal broad_kick = envelope_of(score, {{Role::kick, 1.0}}, BROAD);
    const Signal backbeat = envelope_of(score, {{Role::backbeat, 1.0}});
    const ScoreDetail detail = detail_of(score);
    return draw(score, FinePrint{0.12, 0.1, 0.1}, [&](std::uint32_t p) {
        const double travel = std::sin(phase[p]);
        return Offset3{0.5 * travel - 0.3 * backbeat[p] * travel + 0.12 * detail.percussion_sides[p],
                       0.42 * kick[p] - 0.2 * backbeat[p] - 0.14 * detail.bass[p],
                       0.2 * std::cos(phase[p]) - 0.3 * broad_kick[p] + 0.14 * detail.ticks[p] - 0.12 * detail.rings[p]};
    });
}

// ---- the causal spring -----------------------------------------------------------------

// A damped oscillator: its ringing period in pips and its damping ratio.
struct Oscillator {
    double ringing_period;
    double damping;
};

// Each event pushes the mass with a smooth half-wave of force over this many pips after
// its onset, so the mass leaves rest with neither a jump nor a kink.
constexpr double PUSH = 6.4;
constexpr int SUBSTEPS = 8;

struct SpringState {
    double position;
    double velocity;
};

// Integrates x'' + 2 zeta w x' + w^2 x = force(t) with classical Runge-Kutta over `pips`
// pips; `force` holds the force at every half substep (index 2 * SUBSTEPS * pip + k) and
// wraps. Records the position at every whole pip when `record` is given.
SpringState integrate(SpringState state, const Oscillator& oscillator, const Signal* force, std::size_t pips,
                      Signal* record) {
    const double omega = TWO_PI / oscillator.ringing_period;
    const double friction = 2.0 * oscillator.damping * omega;
    const double stiffness = omega * omega;
    const double h = 1.0 / SUBSTEPS;
    const std::size_t grid = force == nullptr ? 1 : force->size();
    const auto push = [&](std::size_t index) { return force == nullptr ? 0.0 : (*force)[index % grid]; };
    const auto slope = [&](const SpringState& s, double f) {
        return SpringState{s.velocity, f - friction * s.velocity - stiffness * s.position};
    };
    for (std::size_t pip = 0; pip < pips; ++pip) {
        if (record != nullptr) {
            (*record)[pip] = state.position;
        }
        for (std::size_t sub = 0; sub < SUBSTEPS; ++sub) {
            const std::size_t at = 2 * (pip * SUBSTEPS + sub);
            const SpringState k1 = slope(state, push(at));
            const SpringState k2 = slope({state.position + h / 2 * k1.position, state.velocity + h / 2 * k1.velocity},
                                         push(at + 1));
            const SpringState k3 = slope({state.position + h / 2 * k2.position, state.velocity + h / 2 * k2.velocity},
                                         push(at + 1));
            const SpringState k4 =
                slope({state.position + h * k3.position, state.velocity + h * k3.velocity}, push(at + 2));
            state.position += h / 6 * (k1.position + 2 * k2.position + 2 * k3.position + k4.position);
            state.velocity += h / 6 * (k1.velocity + 2 * k2.velocity + 2 * k3.velocity + k4.velocity);
        }
    }
    return state;
}

// The force of every gesture on the half-substep grid of a loop of `period` pips.
Signal push_force(std::uint32_t period, const std::vector<Gesture>& gestures) {
    const std::int64_t per_pip = 2 * SUBSTEPS;
    const std::int64_t grid = per_pip * period;
    Signal force(static_cast<std::size_t>(grid), 0.0);
    for (const Gesture& gesture : gestures) {
        const auto first = static_cast<std::int64_t>(std::ceil(gesture.onset * per_pip));
        const auto last = static_cast<std::int64_t>(std::floor((gesture.onset + PUSH) * per_pip));
        for (std::int64_t k = first; k <= last; ++k) {
            const double since = static_cast<double>(k) / per_pip - gesture.onset;
            const double s = std::sin(PI * since / PUSH);
            force[static_cast<std::size_t>(((k % grid) + grid) % grid)] += gesture.weight * s * s;
        }
    }
    return force;
}

// The largest excursion that one full-strength event drives from rest.
double single_event_peak(const Oscillator& oscillator) {
    constexpr std::uint32_t span = 1024;
    const Signal force = push_force(span, {{0.0, 1.0}});
    Signal positions(span);
    integrate({0.0, 0.0}, oscillator, &force, span, &positions);
    double peak = 0.0;
    for (double x : positions) {
        peak = std::max(peak, std::fabs(x));
    }
    return peak;
}

// The loop that the spring settles into when the score repeats for ever: the ringing of
// the events near the end carries on into the next loop's start. One loop from rest gives
// end = M start + r for the scheme's own transition M (found from the two unit states),
// and the periodic start solves (I - M) start = r, so the last sample runs smoothly into
// the first. Every push is multiplied by `gain`.
Signal steady_spring(std::uint32_t period, const std::vector<Gesture>& gestures, const Oscillator& oscillator,
                     double gain) {
    std::vector<Gesture> scaled = gestures;
    for (Gesture& gesture : scaled) {
        gesture.weight *= gain;
    }
    const Signal force = push_force(period, scaled);
    const SpringState r = integrate({0.0, 0.0}, oscillator, &force, period, nullptr);
    const SpringState m1 = integrate({1.0, 0.0}, oscillator, nullptr, period, nullptr);
    const SpringState m2 = integrate({0.0, 1.0}, oscillator, nullptr, period, nullptr);
    // (I - M) with M = [[m1.position, m2.position], [m1.velocity, m2.velocity]].
    const double a = 1.0 - m1.position;
    const double b = -m2.position;
    const double c = -m1.velocity;
    const double d = 1.0 - m2.velocity;
    const double determinant = a * d - b * c;
    const SpringState start{(d * r.position - b * r.velocity) / determinant,
                            (a * r.velocity - c * r.position) / determinant};
    Signal positions(period);
    integrate(start, oscillator, &force, period, &positions);
    return positions;
}

// Where a loop of hits is read from when they are grouped: after its widest gap, and among
// equally wide gaps after the one from which the gaps and weights read smallest. The
// choice depends only on the rhythm, not on where the loop happens to start, so a score
// started later is grouped the same way and the seam stays invisible.
std::size_t canonical_start(const std::vector<Gesture>& hits, double period) {
    const std::size_t n = hits.size();
    // Rounded, so that a gap computed from shifted onsets compares equal to the original.
    const auto settled = [](double v) { return std::round(v * 1e6) / 1e6; };
    std::vector<std::pair<double, double>> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Gesture& before = hits[(i + n - 1) % n];
        const double gap = hits[i].onset - before.onset + (i == 0 ? period : 0.0);
        keys[i] = {-settled(gap), settled(hits[i].weight)};
    }
    std::size_t best = 0;
    for (std::size_t start = 1; start < n; ++start) {
        for (std::size_t k = 0; k < n; ++k) {
            const auto& candidate = keys[(start + k) % n];
            const auto& incumbent = keys[(best + k) % n];
            if (candidate != incumbent) {
                if (candidate < incumbent) {
                    best = start;
                }
                break;
            }
        }
    }
    return best;
}

// The pushes a spring feels: the hits within one ringing period of a push (a run of
// sixteenths, a roll, a flam, a kick under a clap) join it, and it pushes once, at its
// first onset, as hard as its strongest hit plus a quarter of the others, eased above full
// strength. A busy lane thus sets off one excursion per swing at most, each given time to
// ring down, instead of keeping the mass buzzing.
std::vector<Gesture> spring_pushes(const std::vector<Gesture>& hits, const Oscillator& oscillator,
                                   std::uint32_t period) {
    std::vector<Gesture> out;
    std::vector<double> others;
    const std::size_t n = hits.size();
    const double length = static_cast<double>(period);
    const std::size_t start = n == 0 ? 0 : canonical_start(hits, length);
    for (std::size_t k = 0; k < n; ++k) {
        Gesture hit = hits[(start + k) % n];
        if (start + k >= n) {
            hit.onset += length;  // read on past the loop's end; the force wraps
        }
        if (!out.empty() && hit.onset - out.back().onset < oscillator.ringing_period) {
            Gesture& run = out.back();
            if (std::fabs(hit.weight) > std::fabs(run.weight)) {
                others.back() += run.weight;
                run.weight = hit.weight;
            } else {
                others.back() += hit.weight;
            }
            continue;
        }
        out.push_back(hit);
        others.push_back(0.0);
    }
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double raw = out[i].weight + 0.25 * others[i];
        const double size = std::fabs(raw);
        out[i].weight = size <= 1.0 ? raw : std::copysign(1.0 + 0.25 * std::tanh((size - 1.0) / 0.25), raw);
    }
    return out;
}

// Ghost notes push the springs at half strength: at full strength a roll of them keeps the
// mass ringing without a pause.
constexpr double GHOST_PUSH = 0.5;

// Three springs of different pitch: successive kicks and snares throw x to alternate sides, the drums
// bounce y (kicks down, the rest up), bass and kicks ring z, with an open hat's lighter push.
// The springs are damped so that one excursion has died down to a fifth after a single swing:
// a busy score reads as a run of separate excursions, not as a constant buzz. A run of
// hits pushes once (spring_pushes). Closed hats and shakers, which tick on every
// sixteenth, push a small, stiff and heavily damped fourth spring on the depth instead,
// and only with their played notes (ghost hats do not push): each tick is a little
// excursion of its own that is over before the next sixteenth. The fine print rides on the
// depth alone: sideways and up the mass is at rest until something pushes it.
std::vector<Offset3> spring(const GrooveScore& score) {
    static const Oscillator lateral{32.0, 0.24};
    static const Oscillator vertical{24.0, 0.26};
    static const Oscillator depth{40.0, 0.22};
    // Gains that make an isolated full-strength event peak at 0.45, 0.4 and 0.4.
    static const double lateral_gain = 0.45 / single_event_peak(lateral);
    static const double vertical_gain = 0.4 / single_event_peak(vertical);
    static const double depth_gain = 0.4 / single_event_peak(depth);
    static const Oscillator tick{12.0, 0.5};
    static const double tick_gain = 0.14 / single_event_peak(tick);
    std::vector<Gesture> sides = spring_pushes(gestures_of(score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}}, GHOST_PUSH), lateral, score.period);
    for (std::size_t i = 1; i < sides.size(); i += 2) {
        sides[i].weight = -sides[i].weight;
    }
    const Signal x = steady_spring(score.period, sides, lateral, lateral_gain);
    const Signal y = steady_spring(
        score.period,
        spring_pushes(
            gestures_of(score, {{Role::kick, -1.0}, {Role::backbeat, 0.8}, {Role::percussion, 0.5}}, GHOST_PUSH),
            vertical, score.period),
        vertical, vertical_gain);
    std::vector<Gesture> depth_pushes = gestures_of(score, {{Role::bass, 1.0}, {Role::kick, 0.4}}, GHOST_PUSH);
    for (const Gesture& ring : gestures_of_voices(score, {{Lane::open_hat, 0.3}, {Lane::ride, 0.2}})) {
        depth_pushes.push_back(ring);
    }
    std::stable_sort(depth_pushes.begin(), depth_pushes.end(),
                     [](const Gesture& a, const Gesture& b) { return a.onset < b.onset; });
    const Signal z = steady_spring(score.period, spring_pushes(depth_pushes, depth, score.period), depth, depth_gain);
    const Signal ticks = steady_spring(
        score.period, gestures_of_voices(score, {{Lane::closed_hat, 1.0}, {Lane::shaker, 0.8}}, 0.0), tick, tick_gain);
    return draw(score, FinePrint{0.0, 0.0, 0.2}, [&](std::uint32_t p) { return Offset3{x[p], y[p], z[p] + ticks[p]}; });
}

// ---- the directional ricochet ----------------------------------------------------------

// Five directions visited in star order, so successive excursions cross the centre.
constexpr std::array<Offset3, 5> RICOCHET_TARGETS{{
    {0.0, 0.75, 0.35},
    {0.7, -0.45, -0.4},
    {-0.7, 0.2, 0.45},
    {0.45, 0.5, -0.45},
    {-0.45, -0.6, 0.2},
}};

// Each sounding moment of the kit sends a house-envelope excursion towards the next target
// of the cycle, as far as its loudest hit; hats send only short ones.
std::vector<Offset3> ricochet(const GrooveScore& score) {
    const std::vector<Gesture> onsets = moments(gestures_of(
        score, {{Role::kick, 1.0}, {Role::backbeat, 1.0}, {Role::percussion, 1.0}, {Role::bass, 1.0},
                {Role::upper, 0.35}}));
    std::array<std::vector<Gesture>, 3> axes;
    for (std::size_t i = 0; i < onsets.size(); ++i) {
        const Offset3& target = RICOCHET_TARGETS[i % RICOCHET_TARGETS.size()];
        axes[0].push_back({onsets[i].onset, onsets[i].weight * target.x});
        axes[1].push_back({onsets[i].onset, onsets[i].weight * target.y});
        axes[2].push_back({onsets[i].onset, onsets[i].weight * target.z});
    }
    const Signal x = envelope_signal(score.period, axes[0], HOUSE_ENVELOPE);
    const Signal y = envelope_signal(score.period, axes[1], HOUSE_ENVELOPE);
    const Signal z = envelope_signal(score.period, axes[2], HOUSE_ENVELOPE);
    return draw(score, FinePrint{0.1, 0.1, 0.1}, [&](std::uint32_t p) { return Offset3{x[p], y[p], z[p]}; });
}

using Motion = std::vector<Offset3> (*)(const GrooveScore&);

constexpr std::array<Motion, GROOVE_MOTIONS.size()> MOTION_RENDERERS{
    bounce, step, orbit, glide, surge, recoil, flutter, dive, pendulum, figure8, box, corkscrew, spiral, slalom,
    spring, ricochet};

}  // namespace

std::vector<Offset3> render_groove_motion(const GrooveScore& score, std::string_view motion) {
    for (std::size_t m = 0; m < GROOVE_MOTIONS.size(); ++m) {
        if (GROOVE_MOTIONS[m] == motion) {
            return MOTION_RENDERERS[m](score);
        }
    }
    throw std::invalid_argument("unknown groove motion " + std::string(motion));
}

const GrooveScore* find_groove_score(std::string_view key) noexcept {
    for (const GrooveScore& score : groove_scores()) {
        if (score.key == key) {
            return &score;
        }
    }
    return nullptr;
}

std::string_view lane_name(Lane lane) noexcept {
    switch (lane) {
        case Lane::kick: return "kick";
        case Lane::snare: return "snare";
        case Lane::clap: return "clap";
        case Lane::rim: return "rim";
        case Lane::closed_hat: return "closed_hat";
        case Lane::open_hat: return "open_hat";
        case Lane::shaker: return "shaker";
        case Lane::ride: return "ride";
        case Lane::bell: return "bell";
        case Lane::clave: return "clave";
        case Lane::high_tom: return "high_tom";
        case Lane::low_tom: return "low_tom";
        case Lane::percussion: return "percussion";
        case Lane::bass: return "bass";
    }
    return "unknown";
}

int print_groove_score(std::string_view key, std::FILE* out) {
    const GrooveScore* score = find_groove_score(key);
    if (score == nullptr) {
        std::fprintf(stderr, "velmora_generator: no groove score named %.*s\n", static_cast<int>(key.size()), key.data());
        return 1;
    }
    std::fprintf(out, "# %s period %u\n", score->key.c_str(), score->period);
    for (const LaneHits& lane : score->lanes) {
        const std::string_view name = lane_name(lane.lane);
        for (const Hit& hit : lane.hits) {
            std::fprintf(out, "%.*s %.17g %.17g\n", static_cast<int>(name.size()), name.data(), hit.pip, hit.velocity);
        }
    }
    return 0;
}

}  // namespace velmora::generator
