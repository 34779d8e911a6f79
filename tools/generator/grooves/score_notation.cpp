// Parsing of the step notation and the checks every score passes before it is rendered.
#include "grooves/score_notation.hpp"

#include <algorithm>
#include <stdexcept>

namespace velmora::generator {

namespace {

[[noreturn]] void refuse(const std::string& key, const std::string& what) {
    throw std::logic_error("groove score " + key + ": " + what);
}

bool is_separator(char c) { return c == '|' || c == ' '; }

}  // namespace

double velocity_of_letter(char letter) {
    switch (letter) {
        case 'X': return ACCENT;
        case 'x': return NORMAL;
        case 'o': return SOFT;
        case 'g': return GHOST;
        default: return 0.0;
    }
}

ScoreBuilder::ScoreBuilder(std::string key, unsigned bars) : key_(std::move(key)), bars_(bars) {
    if (bars_ < 1 || bars_ > 4) refuse(key_, "a loop is one to four bars");
}

std::vector<Hit>& ScoreBuilder::lane_hits(Lane lane) {
    for (auto& l : lanes_) {
        if (l.lane == lane) return l.hits;
    }
    lanes_.push_back(LaneHits{lane, {}});
    return lanes_.back().hits;
}

ScoreBuilder& ScoreBuilder::steps(Lane lane, std::string_view grid, Feel feel) {
    const unsigned expected = bars_ * 16U;
    unsigned step = 0;
    for (char c : grid) {
        if (is_separator(c)) continue;
        if (step == expected) refuse(key_, "step string longer than the loop");
        if (c != '.') {
            const double velocity = velocity_of_letter(c);
            if (velocity == 0.0) refuse(key_, std::string("unknown step letter '") + c + "'");
            double pip = static_cast<double>(step) * PIPS_PER_SIXTEENTH;
            if (step % 2U == 1U) pip += feel.sixteenth;
            if (step % 4U == 2U) pip += feel.eighth;
            hit(lane, pip, velocity);
        }
        ++step;
    }
    if (step != expected) refuse(key_, "step string shorter than the loop");
    return *this;
}

ScoreBuilder& ScoreBuilder::every_bar(Lane lane, std::string_view bar, Feel feel) {
    std::string whole;
    for (unsigned b = 0; b < bars_; ++b) whole += bar;
    return steps(lane, whole, feel);
}

ScoreBuilder& ScoreBuilder::hit(Lane lane, double pip, double velocity) {
    lane_hits(lane).push_back(Hit{pip, velocity});
    return *this;
}

ScoreBuilder& ScoreBuilder::tuplet(Lane lane, double start, double span, std::string_view velocities) {
    const double count = static_cast<double>(velocities.size());
    for (std::size_t i = 0; i < velocities.size(); ++i) {
        const double velocity = velocity_of_letter(velocities[i]);
        if (velocity == 0.0) refuse(key_, "tuplet notes need a velocity letter");
        hit(lane, start + span * static_cast<double>(i) / count, velocity);
    }
    return *this;
}

ScoreBuilder& ScoreBuilder::copy_lane(const GrooveScore& from, Lane lane) {
    for (const Hit& h : hits_of(from, lane)) hit(lane, h.pip, h.velocity);
    return *this;
}

GrooveScore ScoreBuilder::build() const {
    GrooveScore score{key_, bars_ * 256U, lanes_};
    const double period = static_cast<double>(score.period);
    // Lanes in one fixed order, so two scores with the same hits compare equal.
    std::sort(score.lanes.begin(), score.lanes.end(),
              [](const LaneHits& a, const LaneHits& b) { return a.lane < b.lane; });
    for (auto& lane : score.lanes) {
        std::sort(lane.hits.begin(), lane.hits.end(), [](const Hit& a, const Hit& b) { return a.pip < b.pip; });
        for (std::size_t i = 0; i < lane.hits.size(); ++i) {
            const Hit& h = lane.hits[i];
            if (!(h.pip >= 0.0 && h.pip < period)) refuse(key_, "onset " + std::to_string(h.pip) + " outside the loop");
            if (!(h.velocity > 0.0 && h.velocity <= 1.0)) refuse(key_, "velocity outside (0, 1]");
            if (i > 0 && lane.hits[i - 1].pip == h.pip) refuse(key_, "two hits of one lane at " + std::to_string(h.pip));
        }
    }
    std::erase_if(score.lanes, [](const LaneHits& l) { return l.hits.empty(); });
    return score;
}

const std::vector<Hit>& hits_of(const GrooveScore& score, Lane lane) {
    static const std::vector<Hit> none;
    for (const auto& l : score.lanes) {
        if (l.lane == lane) return l.hits;
    }
    return none;
}

}  // namespace velmora::generator
