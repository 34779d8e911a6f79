#pragma once

// Drum-and-bass scores of the groove grid: one loop of each groove, as lanes of hits.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::generator {

// What played a hit. Motions read lanes by role: kicks lead bounces, snares and claps
// side-steps, the upper percussion flutters, bass cues drive depth.
enum class Lane : std::uint8_t {
    kick,
    snare,
    clap,
    rim,
    closed_hat,
    open_hat,
    shaker,
    ride,
    bell,
    clave,
    high_tom,
    low_tom,
    percussion,
    bass,
};

struct Hit {
    double pip;       // onset from the loop start, in [0, period); fractional for tuplets and swing
    double velocity;  // in (0, 1]; ghost notes are quiet, accents near 1
};

struct LaneHits {
    Lane lane;
    std::vector<Hit> hits;  // ascending onsets
};

struct GrooveScore {
    std::string key;        // as in the pattern names, e.g. "house_classic"
    std::uint32_t period;   // pips in one loop: 256 per bar of four beats
    std::vector<LaneHits> lanes;
};

// The 68 grooves in grid order: the 36 club grooves, then the 32 dancefloor grooves.
const std::vector<GrooveScore>& groove_scores();

}  // namespace velmora::generator
