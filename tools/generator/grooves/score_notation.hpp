#pragma once

// A drummer's notation for the groove scores: one character per sixteenth, a feel that
// pushes offbeats late, and explicit onsets for tuplets and anything off the grid.
//
//   X accent (1.0)   x normal (0.8)   o soft (0.55)   g ghost (0.3)   . rest
//   '|' and ' ' separate bars or beats for the eye and are skipped.
//
// A sixteenth is 16 pips; a bar of four beats is 256 pips.

#include <string>
#include <string_view>
#include <vector>

#include "grooves/groove_score.hpp"

namespace velmora::generator {

inline constexpr double PIPS_PER_SIXTEENTH = 16.0;
inline constexpr double PIPS_PER_BAR = 256.0;

// Velocities of the step letters, also used for explicit hits.
inline constexpr double ACCENT = 1.0;
inline constexpr double NORMAL = 0.8;
inline constexpr double SOFT = 0.55;
inline constexpr double GHOST = 0.3;

// Ghost notes are the hits below this velocity; everything at or above it is a played note.
inline constexpr double QUIET_BELOW = 0.4;

// How late the offbeats of a step string land, in pips. `sixteenth` delays every second
// sixteenth (the "e" and "a" of each beat): 16th-note swing, 3.2 pips is a 60 % swing.
// `eighth` delays the "&" of each beat: 8th-note swing, 6.4 pips is a 60 % swing.
struct Feel {
    double sixteenth = 0.0;
    double eighth = 0.0;
};

inline constexpr Feel STRAIGHT{};

// Collects the hits of one groove and hands out a checked score. Throws std::logic_error
// on a step string of the wrong length, an unknown letter, an onset outside the loop,
// a velocity outside (0, 1] or two hits of one lane at the same onset: a score with any
// of these is a typing error, never something to render.
class ScoreBuilder {
public:
    ScoreBuilder(std::string key, unsigned bars);

    // One character per sixteenth over the whole loop.
    ScoreBuilder& steps(Lane lane, std::string_view grid, Feel feel = STRAIGHT);
    // The same one-bar string played in every bar of the loop.
    ScoreBuilder& every_bar(Lane lane, std::string_view bar, Feel feel = STRAIGHT);
    ScoreBuilder& hit(Lane lane, double pip, double velocity);
    // `count` evenly spaced notes from `start` across `span` pips (a tuplet when count does
    // not divide the span into sixteenths); one velocity letter per note.
    ScoreBuilder& tuplet(Lane lane, double start, double span, std::string_view velocities);
    // Every hit of `lane` from an existing score, unchanged.
    ScoreBuilder& copy_lane(const GrooveScore& from, Lane lane);

    GrooveScore build() const;

private:
    std::string key_;
    unsigned bars_;
    std::vector<LaneHits> lanes_;

    std::vector<Hit>& lane_hits(Lane lane);
};

double velocity_of_letter(char letter);

// The grooves of the grid in two blocks, each in grid order.
std::vector<GrooveScore> club_scores();
std::vector<GrooveScore> dancefloor_scores();

// The hits of one lane, or an empty list when the score has no such lane.
const std::vector<Hit>& hits_of(const GrooveScore& score, Lane lane);

}  // namespace velmora::generator
