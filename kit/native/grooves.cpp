// velmora_kit._grooves: the groove grid's scores and motions at run time, from the very
// sources the generator renders the catalogue's beat_ tables with (velmora_grooves), so a
// built-in score rendered here is the catalogue's table bit for bit.
//
// Scores cross the boundary as plain records: (key, period, [(lane, [(pip, velocity)])]).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/primitives.hpp"
#include "grooves/groove_motions.hpp"
#include "grooves/score_notation.hpp"
#include "grooves/score_text.hpp"

namespace py = pybind11;
namespace g = velmora::generator;

namespace {

using HitRecord = std::pair<double, double>;
using LaneRecord = std::pair<std::string, std::vector<HitRecord>>;
using ScoreRecord = std::tuple<std::string, std::uint32_t, std::vector<LaneRecord>>;

// The longest loop a motion is rendered over: a SampledPattern's most samples.
constexpr std::uint32_t MAX_PERIOD = 65535;

ScoreRecord record_of(const g::GrooveScore& score) {
    std::vector<LaneRecord> lanes;
    for (const g::LaneHits& lane : score.lanes) {
        std::vector<HitRecord> hits;
        for (const g::Hit& hit : lane.hits) hits.emplace_back(hit.pip, hit.velocity);
        lanes.emplace_back(std::string(g::lane_name(lane.lane)), std::move(hits));
    }
    return {score.key, score.period, std::move(lanes)};
}

// The same checks a built-in score passes in ScoreBuilder::build, for a score that Python
// assembled: a motion is only ever drawn from a well-formed score.
g::GrooveScore score_of(const std::string& key, std::uint32_t period, const std::vector<LaneRecord>& lanes) {
    if (period < 1 || period > MAX_PERIOD)
        throw std::invalid_argument("period must be 1..65535 pips, got " + std::to_string(period));
    g::GrooveScore score{key, period, {}};
    const auto length = static_cast<double>(period);
    for (const auto& [name, hits] : lanes) {
        g::Lane lane{};
        if (!g::lane_of_name(name, lane)) throw std::invalid_argument("unknown lane '" + name + "'");
        for (const g::LaneHits& seen : score.lanes)
            if (seen.lane == lane) throw std::invalid_argument("lane '" + name + "' is given twice");
        g::LaneHits entry{lane, {}};
        for (const auto& [pip, velocity] : hits) {
            if (!(pip >= 0.0 && pip < length))
                throw std::invalid_argument("hit of '" + name + "' at pip " + std::to_string(pip) + " outside the loop");
            if (!(velocity > 0.0 && velocity <= 1.0))
                throw std::invalid_argument("hit of '" + name + "' with velocity " + std::to_string(velocity) +
                                            " outside (0, 1]");
            if (!entry.hits.empty() && !(entry.hits.back().pip < pip))
                throw std::invalid_argument("hits of '" + name + "' must ascend, one per onset");
            entry.hits.push_back({pip, velocity});
        }
        if (!entry.hits.empty()) score.lanes.push_back(std::move(entry));
    }
    // The built-in scores list their lanes in lane order; motions read them in that order.
    std::sort(score.lanes.begin(), score.lanes.end(),
              [](const g::LaneHits& a, const g::LaneHits& b) { return a.lane < b.lane; });
    return score;
}

// One loop of `motion`, finished as the generator finishes a stored table: every
// component rounded to 12 decimals.
py::array_t<double> render(const std::string& key, std::uint32_t period, const std::vector<LaneRecord>& lanes,
                           const std::string& motion) {
    const g::GrooveScore score = score_of(key, period, lanes);
    bool known = false;
    for (const std::string_view m : g::GROOVE_MOTIONS) known = known || m == motion;
    if (!known) throw std::invalid_argument("unknown groove motion '" + motion + "'");
    std::vector<velmora::Offset3> samples;
    {
        py::gil_scoped_release unlocked;
        samples = g::render_groove_motion(score, motion);
    }
    py::array_t<double> table({static_cast<py::ssize_t>(samples.size()), py::ssize_t{3}});
    auto out = table.mutable_unchecked<2>();
    for (std::size_t p = 0; p < samples.size(); ++p) {
        const double xyz[3] = {samples[p].x, samples[p].y, samples[p].z};
        for (py::ssize_t axis = 0; axis < 3; ++axis) {
            const double value = g::round_to_12_decimals(xyz[axis]);
            if (!std::isfinite(value) || value < -1.0 || value > 1.0)
                throw std::runtime_error("motion " + motion + " left [-1, 1] at pip " + std::to_string(p));
            out(static_cast<py::ssize_t>(p), axis) = value;
        }
    }
    return table;
}

}  // namespace

PYBIND11_MODULE(_grooves, m) {
    m.def("motions", [] {
        std::vector<std::string> keys;
        for (const std::string_view key : g::GROOVE_MOTIONS) keys.emplace_back(key);
        return keys;
    });
    m.def("lanes", [] {
        std::vector<std::string> names;
        for (auto l = static_cast<unsigned>(g::Lane::kick); l <= static_cast<unsigned>(g::Lane::bass); ++l)
            names.emplace_back(g::lane_name(static_cast<g::Lane>(l)));
        return names;
    });
    // The notation's velocity letters and their velocities (accent, normal, soft, ghost).
    m.def("velocity_levels", [] {
        std::vector<std::pair<std::string, double>> levels;
        for (const char letter : std::string_view("Xxog")) levels.emplace_back(std::string(1, letter), g::velocity_of_letter(letter));
        return levels;
    });
    m.def("scores", [] {
        std::vector<ScoreRecord> records;
        for (const g::GrooveScore& score : g::groove_scores()) records.push_back(record_of(score));
        return records;
    });
    m.def("parse_text", [](std::string key, std::string_view text) {
        return record_of(g::parse_score_text(std::move(key), text));
    }, py::arg("key"), py::arg("text"));
    m.def("render", &render, py::arg("key"), py::arg("period"), py::arg("lanes"), py::arg("motion"));
}
