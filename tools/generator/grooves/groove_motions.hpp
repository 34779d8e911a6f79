#pragma once

// The sixteen motions of the groove grid: each turns one groove score into a closed loop
// of samples, one per pip of the groove's period.

#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "core/offset3.hpp"
#include "grooves/groove_score.hpp"

namespace velmora::generator {

// The motion keys in grid order: the four club motions, then the twelve dancefloor ones.
inline constexpr std::array<std::string_view, 16> GROOVE_MOTIONS{
    "bounce", "step",   "orbit",     "glide",  "surge",  "recoil", "flutter", "dive",
    "pendulum", "figure8", "box", "corkscrew", "spiral", "slalom", "spring",  "ricochet"};

// The house envelope of a drum event: a raised-cosine rise over `rise` pips before the
// onset and a raised-cosine fall over `fall` pips after it, 1 at the onset itself.
struct EventEnvelope {
    double rise;
    double fall;
};
inline constexpr EventEnvelope HOUSE_ENVELOPE{6.4, 29.44};

// The envelope at signed distance `distance` from the onset (negative before it).
double event_envelope(double distance, EventEnvelope envelope) noexcept;

// The samples of `motion` (a key of GROOVE_MOTIONS) over one loop of `score`. Throws
// std::invalid_argument for an unknown motion key.
std::vector<Offset3> render_groove_motion(const GrooveScore& score, std::string_view motion);

// The score of `key` by name, or nullptr.
const GrooveScore* find_groove_score(std::string_view key) noexcept;

// "kick", "closed_hat", ...: the lane as written in the score listing.
std::string_view lane_name(Lane lane) noexcept;

// Prints a score as "lane pip velocity" lines after a "# key period" header; returns 1
// and says so on stderr when no groove has that key.
int print_groove_score(std::string_view key, std::FILE* out);

}  // namespace velmora::generator
