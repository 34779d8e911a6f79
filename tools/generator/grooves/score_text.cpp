// Reading the hand-written score text of score_text.hpp through the same ScoreBuilder as
// the built-in scores, so a text score is checked exactly as they are.
#include "grooves/score_text.hpp"

#include <charconv>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <vector>

#include "grooves/groove_motions.hpp"
#include "grooves/score_notation.hpp"

namespace velmora::generator {

namespace {

constexpr Lane LAST_LANE = Lane::bass;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
        const std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\r') ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

struct LineError {
    std::string reason;
};

double number(std::string_view word, const char* what) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value))
        throw LineError{std::string(what) + " must be a number, got '" + std::string(word) + "'"};
    return value;
}

Lane lane_named(std::string_view name) {
    Lane lane{};
    if (!lane_of_name(name, lane)) throw LineError{"unknown lane '" + std::string(name) + "'"};
    return lane;
}

// "closed_hat sixteenth=4 eighth=0": the lane and its feel.
std::pair<Lane, Feel> lane_and_feel(std::string_view head) {
    const std::vector<std::string_view> parts = words(head);
    if (parts.empty()) throw LineError{"a step line starts with a lane name"};
    Feel feel;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::size_t eq = parts[i].find('=');
        const std::string_view name = parts[i].substr(0, eq);
        if (eq == std::string_view::npos || (name != "sixteenth" && name != "eighth"))
            throw LineError{"a feel is sixteenth=PIPS or eighth=PIPS, got '" + std::string(parts[i]) + "'"};
        const double late = number(parts[i].substr(eq + 1), "a feel");
        if (!(late >= 0.0 && late < PIPS_PER_SIXTEENTH)) throw LineError{"a feel must be within 0 to 16 pips"};
        (name == "sixteenth" ? feel.sixteenth : feel.eighth) = late;
    }
    return {lane_named(parts[0]), feel};
}

std::size_t step_count(std::string_view steps) {
    std::size_t count = 0;
    for (const char c : steps) count += (c != '|' && c != ' ') ? 1 : 0;
    return count;
}

}  // namespace

bool lane_of_name(std::string_view name, Lane& lane) noexcept {
    for (auto l = static_cast<unsigned>(Lane::kick); l <= static_cast<unsigned>(LAST_LANE); ++l) {
        if (lane_name(static_cast<Lane>(l)) == name) {
            lane = static_cast<Lane>(l);
            return true;
        }
    }
    return false;
}

GrooveScore parse_score_text(std::string key, std::string_view text) {
    // Two passes: the loop's length first, wherever its line stands, then the lanes.
    struct Line {
        std::size_t number;
        std::string_view body;
    };
    std::vector<Line> lines;
    std::optional<unsigned> bars;
    std::size_t line_number = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view body = text.substr(start, end - start);
        start = end + 1;
        ++line_number;
        if (const std::size_t hash = body.find('#'); hash != std::string_view::npos) body = body.substr(0, hash);
        body = trim(body);
        if (body.empty()) continue;
        const std::vector<std::string_view> parts = words(body);
        if (parts[0] == "bars" && body.find(':') == std::string_view::npos) {
            if (bars) throw std::invalid_argument("line " + std::to_string(line_number) + ": the loop's bars are given twice");
            if (parts.size() != 2 || (parts[1] != "1" && parts[1] != "2" && parts[1] != "3" && parts[1] != "4"))
                throw std::invalid_argument("line " + std::to_string(line_number) + ": bars must be 1, 2, 3 or 4");
            bars = static_cast<unsigned>(parts[1][0] - '0');
            continue;
        }
        lines.push_back({line_number, body});
    }
    ScoreBuilder builder(std::move(key), bars.value_or(1U));
    const std::size_t loop_steps = 16U * bars.value_or(1U);
    const double loop_pips = static_cast<double>(loop_steps) * PIPS_PER_SIXTEENTH;
    for (const Line& line : lines) {
        try {
            const std::vector<std::string_view> parts = words(line.body);
            const std::size_t colon = line.body.find(':');
            if (colon != std::string_view::npos) {
                const auto [lane, feel] = lane_and_feel(line.body.substr(0, colon));
                const std::string_view steps = trim(line.body.substr(colon + 1));
                const std::size_t count = step_count(steps);
                if (count == 16U)
                    builder.every_bar(lane, steps, feel);
                else if (count == loop_steps)
                    builder.steps(lane, steps, feel);
                else
                    throw LineError{(loop_steps == 16U ? std::string("a step string has 16 steps")
                                                        : "a step string has 16 steps (one bar) or " +
                                                              std::to_string(loop_steps) + " (the loop)") +
                                    ", got " + std::to_string(count)};
            } else if (parts[0] == "hit") {
                if (parts.size() != 4) throw LineError{"a hit is: hit LANE PIP VELOCITY"};
                const double pip = number(parts[2], "the pip");
                const double velocity = number(parts[3], "the velocity");
                if (!(pip >= 0.0 && pip < loop_pips))
                    throw LineError{"the pip must be within the loop, 0 to " + std::to_string(loop_steps * 16U) + ", got " +
                                    std::string(parts[2])};
                if (!(velocity > 0.0 && velocity <= 1.0))
                    throw LineError{"the velocity must be within (0, 1], got " + std::string(parts[3])};
                builder.hit(lane_named(parts[1]), pip, velocity);
            } else if (parts[0] == "tuplet") {
                if (parts.size() != 5) throw LineError{"a tuplet is: tuplet LANE START SPAN LETTERS"};
                const double span = number(parts[3], "the span");
                const double start = number(parts[2], "the start");
                if (!(span > 0.0 && start >= 0.0 && start + span <= loop_pips))
                    throw LineError{"a tuplet must lie within the loop, 0 to " + std::to_string(loop_steps * 16U) + " pips"};
                builder.tuplet(lane_named(parts[1]), start, span, parts[4]);
            } else {
                throw LineError{"expected 'bars N', 'LANE: STEPS', 'hit ...' or 'tuplet ...', got '" +
                                std::string(parts[0]) + "'"};
            }
        } catch (const LineError& error) {
            throw std::invalid_argument("line " + std::to_string(line.number) + ": " + error.reason);
        } catch (const std::logic_error& error) {
            throw std::invalid_argument("line " + std::to_string(line.number) + ": " + error.what());
        }
    }
    try {
        return builder.build();
    } catch (const std::logic_error& error) {
        throw std::invalid_argument(error.what());
    }
}

}  // namespace velmora::generator
