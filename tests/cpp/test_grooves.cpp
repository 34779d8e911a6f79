// The motions of the groove grid on made-up scores: which axes the lanes drive, crowded
// scores kept in range, the loop seam that nothing distinguishes, and the spring that
// starts from rest and rings on across the seam.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "grooves/groove_motions.hpp"
#include "grooves/groove_score.hpp"
#include "grooves/score_notation.hpp"

namespace {

using velmora::Offset3;
namespace gen = velmora::generator;
using gen::GrooveScore;
using gen::Lane;

GrooveScore kicks_only(std::uint32_t period = 256) {
    GrooveScore score{"made_up", period, {{Lane::kick, {}}}};
    for (std::uint32_t pip = 0; pip < period; pip += 64) {
        score.lanes[0].hits.push_back({static_cast<double>(pip), 1.0});
    }
    return score;
}

GrooveScore with_lane(GrooveScore score, Lane lane, std::vector<gen::Hit> hits) {
    score.lanes.push_back({lane, std::move(hits)});
    return score;
}

// The same score started `shift` pips later: every onset moves on, wrapped into the loop.
GrooveScore shifted(GrooveScore score, double shift) {
    for (gen::LaneHits& lane : score.lanes) {
        for (gen::Hit& hit : lane.hits) {
            hit.pip = std::fmod(hit.pip + shift, static_cast<double>(score.period));
        }
        std::sort(lane.hits.begin(), lane.hits.end(), [](const gen::Hit& a, const gen::Hit& b) { return a.pip < b.pip; });
    }
    return score;
}

bool moves(const std::vector<Offset3>& samples, double Offset3::*axis) {
    return std::any_of(samples.begin(), samples.end(), [axis](const Offset3& s) { return s.*axis != 0.0; });
}

TEST(GrooveMotions, EachAxisMovesOnlyWithTheLanesThatDriveIt) {
    const GrooveScore kicks = kicks_only();
    const std::vector<Offset3> bounce = gen::render_groove_motion(kicks, "bounce");
    EXPECT_TRUE(moves(bounce, &Offset3::x));  // the kicks tip it to alternate sides
    EXPECT_TRUE(moves(bounce, &Offset3::y));
    EXPECT_FALSE(moves(bounce, &Offset3::z));
    EXPECT_FALSE(moves(gen::render_groove_motion(kicks, "step"), &Offset3::z));
    EXPECT_FALSE(moves(gen::render_groove_motion(kicks, "orbit"), &Offset3::z));
    for (std::size_t m = 3; m < gen::GROOVE_MOTIONS.size(); ++m) {
        const std::vector<Offset3> samples = gen::render_groove_motion(kicks, gen::GROOVE_MOTIONS[m]);
        EXPECT_TRUE(moves(samples, &Offset3::x) && moves(samples, &Offset3::y) && moves(samples, &Offset3::z))
            << gen::GROOVE_MOTIONS[m] << " on kicks alone";
    }

    const GrooveScore with_bass = with_lane(kicks, Lane::bass, {{32.0, 0.8}});
    EXPECT_TRUE(moves(gen::render_groove_motion(with_bass, "bounce"), &Offset3::z));
    EXPECT_TRUE(moves(gen::render_groove_motion(with_bass, "step"), &Offset3::z));
    const GrooveScore with_hat = with_lane(kicks, Lane::closed_hat, {{96.0, 0.3}});
    EXPECT_TRUE(moves(gen::render_groove_motion(with_hat, "orbit"), &Offset3::z));
    EXPECT_FALSE(moves(gen::render_groove_motion(with_hat, "bounce"), &Offset3::z));
}

TEST(GrooveMotions, CrowdedScoresStayWithinTheCatalogueRange) {
    // Every lane at full strength every four pips: envelopes pile up, the tables must not.
    GrooveScore crowded{"crowded", 512, {}};
    for (Lane lane : {Lane::kick, Lane::snare, Lane::clap, Lane::rim, Lane::closed_hat, Lane::open_hat, Lane::shaker,
                      Lane::ride, Lane::bell, Lane::clave, Lane::high_tom, Lane::low_tom, Lane::percussion, Lane::bass}) {
        gen::LaneHits hits{lane, {}};
        for (int pip = 0; pip < 512; pip += 4) {
            hits.hits.push_back({static_cast<double>(pip), 1.0});
        }
        crowded.lanes.push_back(hits);
    }
    for (const GrooveScore& score : {crowded, shifted(crowded, 1.5)}) {
        for (std::string_view motion : gen::GROOVE_MOTIONS) {
            const std::vector<Offset3> samples = gen::render_groove_motion(score, motion);
            ASSERT_EQ(samples.size(), 512u);
            for (const Offset3& s : samples) {
                for (double v : {s.x, s.y, s.z}) {
                    ASSERT_TRUE(std::isfinite(v) && v >= -0.92 && v <= 1.0) << motion << " " << v;
                }
            }
        }
    }
}

TEST(GrooveMotions, TheLoopSeamIsNotSpecial) {
    // A score started later gives the same motion started later, but for the phrase's one
    // breath, which counts from the loop start and so differs smoothly: the difference of
    // the two never jumps. A motion that cut or reset anything where the loop closes would
    // jump there. The scores keep their played kicks, backbeats and bass: ghost notes and
    // hand percussion alternate sides in the order counted from the loop start.
    constexpr double smooth_step = 0.02;
    for (const char* key : {"house_classic", "amen_four_bar", "speed_garage"}) {
        const GrooveScore* full = gen::find_groove_score(key);
        ASSERT_NE(full, nullptr) << key;
        GrooveScore core{full->key, full->period, {}};
        for (const gen::LaneHits& lane : full->lanes) {
            if (lane.lane == Lane::kick || lane.lane == Lane::snare || lane.lane == Lane::clap || lane.lane == Lane::bass) {
                gen::LaneHits played{lane.lane, {}};
                std::copy_if(lane.hits.begin(), lane.hits.end(), std::back_inserter(played.hits),
                             [](const gen::Hit& hit) { return hit.velocity >= gen::QUIET_BELOW; });
                core.lanes.push_back(played);
            }
        }
        const GrooveScore* score = &core;
        const std::uint32_t period = score->period;
        const std::uint32_t shift = 100;
        const GrooveScore later = shifted(*score, shift);
        for (std::string_view motion : {"bounce", "surge", "recoil", "dive", "spring"}) {
            const std::vector<Offset3> a = gen::render_groove_motion(*score, motion);
            const std::vector<Offset3> b = gen::render_groove_motion(later, motion);
            const auto difference = [&](std::uint32_t pip, double Offset3::*axis) {
                return b[(pip + shift) % period].*axis - a[pip % period].*axis;
            };
            for (std::uint32_t pip = 0; pip < period; ++pip) {
                for (double Offset3::*axis : {&Offset3::y, &Offset3::z}) {
                    EXPECT_LE(std::fabs(difference(pip + 1, axis) - difference(pip, axis)), smooth_step)
                        << key << " " << motion << " pip " << pip;
                }
            }
        }
    }
}

TEST(GrooveMotions, SpringStartsAtRestAndRingsOnAcrossTheSeam) {
    // One kick in a four-bar loop: by the time it comes round again its ringing has died
    // away, so the spring waits at rest until the kick, then rings down.
    GrooveScore lone{"lone", 1024, {{Lane::kick, {{512.0, 1.0}}}}};
    const std::vector<Offset3> spring = gen::render_groove_motion(lone, "spring");
    for (std::uint32_t pip = 400; pip <= 512; ++pip) {
        ASSERT_LT(std::fabs(spring[pip].y), 1e-6) << pip;
    }
    EXPECT_GT(std::fabs(spring[520].y), 0.05);
    int sign_changes = 0;
    double last_peak = 1.0;
    for (std::uint32_t pip = 514; pip < 700; ++pip) {
        if ((spring[pip].y > 0) != (spring[pip - 1].y > 0)) {
            ++sign_changes;
        }
        const bool peak = std::fabs(spring[pip].y) > std::fabs(spring[pip - 1].y) &&
                          std::fabs(spring[pip].y) >= std::fabs(spring[pip + 1].y);
        if (peak) {
            EXPECT_LT(std::fabs(spring[pip].y), last_peak) << "ringing must decay, pip " << pip;
            last_peak = std::fabs(spring[pip].y);
        }
    }
    EXPECT_GE(sign_changes, 6);

    // The same kick near the end of the loop: its ringing continues at the loop's start
    // exactly as it would have continued past the end.
    GrooveScore late{"late", 1024, {{Lane::kick, {{1000.0, 1.0}}}}};
    const std::vector<Offset3> wrapped = gen::render_groove_motion(late, "spring");
    for (std::uint32_t pip = 0; pip < 200; ++pip) {
        EXPECT_NEAR(wrapped[pip].y, spring[pip + 536].y, 1e-6) << pip;
    }
}

TEST(GrooveMotions, UnknownMotionIsRefused) {
    EXPECT_THROW(gen::render_groove_motion(kicks_only(), "wobble"), std::invalid_argument);
    EXPECT_EQ(gen::find_groove_score("no_such_groove"), nullptr);
}

}  // namespace
