// The groove scores as data: the loop of every groove, the lanes the motions rely on, and
// the musical facts that the groove titles and notes state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "grooves/groove_score.hpp"
#include "grooves/score_notation.hpp"

namespace {

using velmora::generator::GrooveScore;
using velmora::generator::Hit;
using velmora::generator::Lane;
using velmora::generator::ScoreBuilder;
using velmora::generator::groove_scores;
using velmora::generator::hits_of;
using velmora::generator::QUIET_BELOW;

const GrooveScore& score(const std::string& key) {
    for (const auto& s : groove_scores()) {
        if (s.key == key) return s;
    }
    throw std::out_of_range("no groove " + key);
}

std::vector<double> onsets(const GrooveScore& s, Lane lane) {
    std::vector<double> pips;
    for (const Hit& h : hits_of(s, lane)) pips.push_back(h.pip);
    return pips;
}

const std::vector<std::string> GRID = {
    "four_floor", "house_classic", "house_shuffle", "house_jack", "techno_drive", "techno_toms",
    "techno_broken", "techno_polymeter", "ukg_two_step", "ukg_skip", "ukg_four_four", "speed_garage",
    "bassline", "grime_sparse", "grime_syncopated", "grime_half", "drill_tresillo", "drill_displaced",
    "drill_rolls", "amen_four_bar", "amen_no_ghosts", "jungle_chops", "jungle_ghosts", "jungle_switch",
    "dnb_two_step", "dnb_rolling", "dnb_half", "dubstep_half", "dubstep_skip", "trap_trills",
    "electro", "trance", "rave_breaks", "dembow", "disco", "amapiano",
    "jersey_five", "jersey_call", "footwork_triplet", "footwork_sparse", "funky_toms", "funky_syncopated",
    "broken_push", "broken_shuffle", "afro_bell", "afro_cross", "gqom_space", "gqom_exchange",
    "baile_toms", "baile_response", "reggae_one_drop", "reggae_steppers", "reggae_rockers", "son_clave_32",
    "son_clave_23", "psy_rolling", "psy_offbeat", "hard_reverse", "italo_machine", "electro_robot",
    "acid_percussion", "techno_rumble", "ukg_rim_shuffle", "dnb_push", "jungle_switchback",
    "amapiano_answer", "dancehall_space", "dembow_push"};

// Grooves whose bounce and step move in depth: exactly these carry bass cues.
const std::set<std::string> WITH_BASS = {
    "speed_garage", "bassline", "grime_half", "drill_tresillo", "drill_displaced", "drill_rolls",
    "amen_four_bar", "amen_no_ghosts", "dnb_half", "dubstep_half", "dubstep_skip", "trap_trills",
    "trance", "amapiano",
    "jersey_call", "footwork_triplet", "footwork_sparse", "funky_toms", "funky_syncopated",
    "broken_push", "broken_shuffle", "afro_bell", "afro_cross", "gqom_space", "gqom_exchange",
    "baile_response", "reggae_one_drop", "reggae_steppers", "reggae_rockers", "son_clave_32",
    "son_clave_23", "psy_rolling", "psy_offbeat", "hard_reverse", "italo_machine", "electro_robot",
    "acid_percussion", "techno_rumble", "ukg_rim_shuffle", "dnb_push", "jungle_switchback",
    "amapiano_answer", "dancehall_space", "dembow_push"};

bool on_sixteenth_grid(double pip) { return std::fmod(pip, 16.0) == 0.0; }

TEST(GrooveScores, SixtyEightGroovesInGridOrderWithTheirLoopLengths) {
    const auto& scores = groove_scores();
    ASSERT_EQ(scores.size(), GRID.size());
    for (std::size_t i = 0; i < GRID.size(); ++i) {
        const GrooveScore& s = scores[i];
        EXPECT_EQ(s.key, GRID[i]);
        std::uint32_t bars = 2;
        if (s.key == "four_floor") bars = 1;
        if (s.key == "techno_polymeter") bars = 3;
        if (s.key == "amen_four_bar" || s.key == "amen_no_ghosts" || s.key == "jungle_switch") bars = 4;
        EXPECT_EQ(s.period, 256U * bars) << s.key;
    }
    EXPECT_EQ(&groove_scores(), &scores);
}

TEST(GrooveScores, EveryLaneIsPlayableData) {
    for (const auto& s : groove_scores()) {
        std::set<Lane> seen;
        for (const auto& lane : s.lanes) {
            EXPECT_TRUE(seen.insert(lane.lane).second) << s.key << ": a lane listed twice";
            ASSERT_FALSE(lane.hits.empty()) << s.key;
            for (std::size_t i = 0; i < lane.hits.size(); ++i) {
                const Hit& h = lane.hits[i];
                EXPECT_GE(h.pip, 0.0) << s.key;
                EXPECT_LT(h.pip, static_cast<double>(s.period)) << s.key;
                EXPECT_GT(h.velocity, 0.0) << s.key;
                EXPECT_LE(h.velocity, 1.0) << s.key;
                if (i > 0) {
                    EXPECT_LT(lane.hits[i - 1].pip, h.pip) << s.key << ": onsets must ascend";
                }
            }
        }
        EXPECT_FALSE(hits_of(s, Lane::kick).empty()) << s.key << ": every groove has a kick";
    }
}

TEST(GrooveScores, BassCuesExactlyWhereBounceAndStepMoveInDepth) {
    for (const auto& s : groove_scores()) {
        EXPECT_EQ(!hits_of(s, Lane::bass).empty(), WITH_BASS.count(s.key) == 1) << s.key;
        const bool only_kicks = s.lanes.size() == 1 && s.lanes[0].lane == Lane::kick;
        EXPECT_EQ(only_kicks, s.key == "four_floor") << s.key;
    }
}

TEST(GrooveScores, FourFloorIsFourEqualKicksAndNothingElse) {
    const GrooveScore& s = score("four_floor");
    ASSERT_EQ(s.lanes.size(), 1U);
    EXPECT_EQ(onsets(s, Lane::kick), (std::vector<double>{0, 64, 128, 192}));
    for (const Hit& h : hits_of(s, Lane::kick)) EXPECT_EQ(h.velocity, hits_of(s, Lane::kick)[0].velocity);
}

TEST(GrooveScores, DrillDisplacedSnareMovesFromBeatThreeToBeatFour) {
    EXPECT_EQ(onsets(score("drill_displaced"), Lane::snare), (std::vector<double>{128, 256 + 192}));
}

TEST(GrooveScores, SonClaveOrders) {
    // 3-2: three strokes (1, the a of 2, the & of 3) then two (2, 3); 2-3 the other way round.
    EXPECT_EQ(onsets(score("son_clave_32"), Lane::clave), (std::vector<double>{0, 96, 192, 256 + 64, 256 + 128}));
    EXPECT_EQ(onsets(score("son_clave_23"), Lane::clave), (std::vector<double>{64, 128, 256, 256 + 96, 256 + 192}));
}

TEST(GrooveScores, AmenWithoutGhostsLosesOnlyTheQuietSnares) {
    const GrooveScore& amen = score("amen_four_bar");
    const GrooveScore& clean = score("amen_no_ghosts");
    ASSERT_EQ(amen.lanes.size(), clean.lanes.size());
    std::size_t ghosts = 0;
    for (std::size_t i = 0; i < amen.lanes.size(); ++i) {
        ASSERT_EQ(amen.lanes[i].lane, clean.lanes[i].lane);
        std::vector<Hit> expected;
        for (const Hit& h : amen.lanes[i].hits) {
            if (amen.lanes[i].lane == Lane::snare && h.velocity < QUIET_BELOW) {
                ++ghosts;
            } else {
                expected.push_back(h);
            }
        }
        ASSERT_EQ(clean.lanes[i].hits.size(), expected.size());
        for (std::size_t k = 0; k < expected.size(); ++k) {
            EXPECT_EQ(clean.lanes[i].hits[k].pip, expected[k].pip);
            EXPECT_EQ(clean.lanes[i].hits[k].velocity, expected[k].velocity);
        }
    }
    EXPECT_GE(ghosts, 6U);
    // The played snares between the backbeats stay: the clean version is not just 2 and 4.
    EXPECT_GT(hits_of(clean, Lane::snare).size(), 8U);
}

TEST(GrooveScores, TresilloGroupsOnAStraightGridWhileRollsAddTrueTriplets) {
    const auto grouped = onsets(score("drill_tresillo"), Lane::closed_hat);
    ASSERT_EQ(grouped.size(), 12U);
    const double groups[] = {48, 48, 32};
    for (std::size_t i = 0; i < grouped.size(); ++i) {
        EXPECT_TRUE(on_sixteenth_grid(grouped[i])) << grouped[i];
        const double next = i + 1 < grouped.size() ? grouped[i + 1] : grouped[0] + 512.0;
        EXPECT_EQ(next - grouped[i], groups[i % 3]) << "after " << grouped[i];
    }

    // Beat 4 of bar two is split into six equal notes: sixteenth-note triplets.
    const auto rolls = onsets(score("drill_rolls"), Lane::closed_hat);
    for (int k = 0; k < 6; ++k) {
        const double pip = 448.0 + 64.0 * k / 6.0;
        EXPECT_NE(std::find(rolls.begin(), rolls.end(), pip), rolls.end()) << pip;
    }
    EXPECT_GE(std::count_if(rolls.begin(), rolls.end(), [](double p) { return p != std::floor(p); }), 4);
}

TEST(GrooveScores, TwoStepKickLandsOnTheAndOfThree) {
    const GrooveScore& s = score("ukg_two_step");
    EXPECT_EQ(onsets(s, Lane::kick), (std::vector<double>{0, 160, 256, 256 + 160}));
    EXPECT_EQ(onsets(s, Lane::snare), (std::vector<double>{64, 192, 256 + 64, 256 + 192}));
}

TEST(GrooveScores, PolymeterCycleClosesOnlyAfterThreeBars) {
    const GrooveScore& s = score("techno_polymeter");
    const auto cycle = onsets(s, Lane::percussion);
    ASSERT_EQ(cycle.size(), 16U);
    for (std::size_t i = 0; i < cycle.size(); ++i) EXPECT_EQ(cycle[i], 48.0 * static_cast<double>(i));
    // The three-sixteenth cycle meets a downbeat only at the top of the loop.
    for (double p : cycle) {
        if (p > 0) {
            EXPECT_NE(std::fmod(p, 256.0), 0.0) << p;
        }
    }
    EXPECT_EQ(onsets(s, Lane::kick).size(), 12U);
}

TEST(GrooveScores, JungleSwitchPlaysFewerMainSnaresInItsSecondHalf) {
    int first = 0;
    int second = 0;
    for (const Hit& h : hits_of(score("jungle_switch"), Lane::snare)) {
        if (h.velocity < QUIET_BELOW) continue;
        (h.pip < 512.0 ? first : second)++;
    }
    EXPECT_EQ(first, 4);
    EXPECT_EQ(second, 2);
}

TEST(GrooveScores, SwungGroovesPlayTheirOffbeatsLate) {
    // Late but still nearer their own sixteenth than the next one: between about 55 % and
    // triplet (66.7 %) swing. Straight grooves have nothing off the grid.
    for (const char* key : {"house_shuffle", "house_jack", "ukg_two_step", "ukg_skip", "ukg_four_four",
                            "ukg_rim_shuffle", "speed_garage", "broken_shuffle"}) {
        int late = 0;
        for (const auto& lane : score(key).lanes) {
            for (const Hit& h : lane.hits) {
                if (on_sixteenth_grid(h.pip)) continue;
                const double delay = std::fmod(h.pip, 16.0);
                const long step = static_cast<long>(std::floor(h.pip / 16.0));
                EXPECT_EQ(step % 2, 1) << key << " " << h.pip << ": only off sixteenths swing";
                EXPECT_GE(delay, 1.6) << key << " " << h.pip;
                EXPECT_LE(delay, 16.0 / 3.0) << key << " " << h.pip;
                ++late;
            }
        }
        EXPECT_GE(late, 8) << key;
    }
    for (const char* key : {"house_classic", "techno_drive", "drill_tresillo", "four_floor"}) {
        for (const auto& lane : score(key).lanes) {
            for (const Hit& h : lane.hits) EXPECT_TRUE(on_sixteenth_grid(h.pip)) << key << " " << h.pip;
        }
    }
}

TEST(GrooveScores, OneDropLeavesTheOneEmptyAndSteppersFillEveryBeat) {
    EXPECT_EQ(onsets(score("reggae_one_drop"), Lane::kick), (std::vector<double>{128, 384}));
    EXPECT_EQ(onsets(score("reggae_rockers"), Lane::kick), (std::vector<double>{0, 128, 256, 384}));
    EXPECT_EQ(onsets(score("reggae_steppers"), Lane::kick).size(), 8U);
}

TEST(GrooveScores, CrossRhythmsAndTripletRepliesAreEvenlySpaced) {
    const auto cross = onsets(score("afro_cross"), Lane::percussion);
    ASSERT_EQ(cross.size(), 6U);
    for (std::size_t i = 0; i < cross.size(); ++i) EXPECT_DOUBLE_EQ(cross[i], 256.0 * static_cast<double>(i) / 3.0);
    const auto reply = onsets(score("footwork_triplet"), Lane::bass);
    ASSERT_EQ(reply.size(), 6U);
    for (std::size_t i = 0; i < reply.size(); ++i) EXPECT_DOUBLE_EQ(reply[i], 256.0 + 256.0 * static_cast<double>(i) / 6.0);
}

TEST(GrooveScores, AnswersNeverSitOnTheKick) {
    struct Answer {
        const char* key;
        Lane lane;
    };
    for (const Answer& a : {Answer{"speed_garage", Lane::bass}, Answer{"psy_rolling", Lane::bass},
                            Answer{"techno_rumble", Lane::bass}, Answer{"hard_reverse", Lane::bass},
                            Answer{"afro_bell", Lane::bell}}) {
        const auto kicks = onsets(score(a.key), Lane::kick);
        const auto answers = onsets(score(a.key), a.lane);
        ASSERT_FALSE(answers.empty()) << a.key;
        for (double p : answers) EXPECT_EQ(std::find(kicks.begin(), kicks.end(), p), kicks.end()) << a.key << " " << p;
    }
}

TEST(ScoreNotation, StepsFeelAndTupletsBecomeOnsets) {
    const GrooveScore s = ScoreBuilder("probe", 1)
                              .steps(Lane::snare, "X.x.|o.g.|....|..x.", {.sixteenth = 4.0, .eighth = 6.0})
                              .steps(Lane::closed_hat, ".x.x............", {.sixteenth = 4.0})
                              .tuplet(Lane::bass, 192.0, 64.0, "xxx")
                              .build();
    EXPECT_EQ(onsets(s, Lane::snare), (std::vector<double>{0, 38, 64, 102, 230}));
    EXPECT_EQ(hits_of(s, Lane::snare)[3].velocity, velmora::generator::GHOST);
    EXPECT_EQ(onsets(s, Lane::closed_hat), (std::vector<double>{20, 52}));
    EXPECT_EQ(onsets(s, Lane::bass), (std::vector<double>{192, 192 + 64.0 / 3.0, 192 + 128.0 / 3.0}));
}

TEST(ScoreNotation, TypingErrorsAreRefused) {
    EXPECT_THROW(ScoreBuilder("t", 1).steps(Lane::kick, "X...X...X...X.."), std::logic_error);
    EXPECT_THROW(ScoreBuilder("t", 1).steps(Lane::kick, "X...X...X...X...X"), std::logic_error);
    EXPECT_THROW(ScoreBuilder("t", 1).steps(Lane::kick, "X...X...Y...X..."), std::logic_error);
    EXPECT_THROW(ScoreBuilder("t", 1).hit(Lane::kick, 256.0, 1.0).build(), std::logic_error);
    EXPECT_THROW(ScoreBuilder("t", 1).hit(Lane::kick, -0.5, 1.0).build(), std::logic_error);
    EXPECT_THROW(ScoreBuilder("t", 1).hit(Lane::kick, 3.0, 0.0).build(), std::logic_error);
    EXPECT_THROW(ScoreBuilder("t", 1).hit(Lane::kick, 3.0, 1.5).build(), std::logic_error);
    EXPECT_THROW(ScoreBuilder("t", 1).hit(Lane::kick, 3.0, 1.0).hit(Lane::kick, 3.0, 0.5).build(), std::logic_error);
    EXPECT_THROW(ScoreBuilder("t", 5), std::logic_error);
    // A swing late enough to push the last sixteenth past the loop end is caught too.
    EXPECT_THROW(ScoreBuilder("t", 1).steps(Lane::kick, "...............x", {.sixteenth = 16.0}).build(),
                 std::logic_error);
}

}  // namespace
