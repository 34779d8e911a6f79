#pragma once

// Groove scores written by hand: the step notation of score_notation.hpp as plain text,
// one instruction a line, so that a user can write a score without a compiler.
//
//   # a comment; blank lines are skipped
//   bars 2                                  loop length, 1 to 4 bars of four beats (default 1)
//   kick: X...X...X...X...                  16 steps: the same bar in every bar
//   closed_hat: .g.g.g.g.g.g.g.g|.g.g.g.g.g.g.ggg   16 x bars steps: the whole loop
//   closed_hat sixteenth=4: ogxgogxgogxgogxg    a feel: late offbeats, in pips
//   hit snare 248 0.3                       one hit at a pip with a velocity in (0, 1]
//   tuplet high_tom 192 64 xxo              notes spread evenly over a span (start, span)
//
// Lanes are named as lane_name() prints them. Every refusal names the line.

#include <string>
#include <string_view>

#include "grooves/groove_score.hpp"

namespace velmora::generator {

// The score written in `text`, called `key`. Throws std::invalid_argument with the line
// number and the reason for anything that is not a well-formed score.
GrooveScore parse_score_text(std::string key, std::string_view text);

// The lane called `name`, as lane_name() prints it; false when there is none.
bool lane_of_name(std::string_view name, Lane& lane) noexcept;

}  // namespace velmora::generator
