// The club grooves as drum scores. One step string per lane, one character per sixteenth
// (notation in score_notation.hpp); bars are separated by '|'. Each groove reads as a
// drummer's chart: what the title names is what the lanes play.
#include "grooves/score_notation.hpp"

namespace velmora::generator {

namespace {

using L = Lane;

GrooveScore four_floor() {
    // The bare pulse: four equal kicks and nothing else.
    return ScoreBuilder("four_floor", 1)
        .steps(L::kick, "X...X...X...X...")
        .build();
}

GrooveScore house_classic() {
    return ScoreBuilder("house_classic", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::clap,       "....X.......X...")
        .every_bar(L::open_hat,   "..x...x...x...x.")
        .steps(L::closed_hat,     ".g.g.g.g.g.g.g.g|.g.g.g.g.g.g.ggg")
        .build();
}

GrooveScore house_shuffle() {
    // Sixteenth hats swung a quarter of a step late (62.5 % swing) over a straight kick.
    constexpr Feel shuffle{.sixteenth = 4.0};
    return ScoreBuilder("house_shuffle", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::clap,       "....X.......X...")
        .every_bar(L::closed_hat, "ogxgogxgogxgogxg", shuffle)
        .steps(L::open_hat,       "..x...x...x...x.|..x...x...x.....")
        .build();
}

GrooveScore house_jack() {
    // A heavier swing on everything; ghost kicks and ghost claps turn the second bar round.
    constexpr Feel jack{.sixteenth = 5.0};
    return ScoreBuilder("house_jack", 2)
        .steps(L::kick,       "X...X...X...X...|X...X...X..gX.gg", jack)
        .steps(L::clap,       "....X..g....X...|....X.......X.gX", jack)
        .every_bar(L::open_hat, "..x...x...x...x.", jack)
        .every_bar(L::closed_hat, ".g.g.g.g.g.g.g.g", jack)
        .build();
}

GrooveScore techno_drive() {
    return ScoreBuilder("techno_drive", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::clap,       "....x.......x...")
        .every_bar(L::closed_hat, "ogxgogxgogxgogxg")
        .every_bar(L::open_hat,   "..x...x...x...x.")
        .steps(L::ride,           "x...x...x...x...|x...x...x...x...")
        .build();
}

GrooveScore techno_toms() {
    // The high tom asks, the low tom answers, between straight kicks.
    return ScoreBuilder("techno_toms", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::closed_hat, "..x...x...x...x.")
        .steps(L::high_tom,       "...x.....x......|...x.....x...x..")
        .steps(L::low_tom,        "......x......x..|......x....x..xo")
        .steps(L::rim,            "................|............o...")
        .build();
}

GrooveScore techno_broken() {
    // No quarter-note kick: the kicks fall on 1, the & of 2 and 3 and move in bar two.
    return ScoreBuilder("techno_broken", 2)
        .steps(L::kick,           "X.....X...X.....|X..X......X..x..")
        .every_bar(L::clap,       "....X.......X...")
        .every_bar(L::closed_hat, "..x...x...x...x.")
        .steps(L::percussion,     "...o.....o....o.|.o.....o....o...")
        .build();
}

GrooveScore techno_polymeter() {
    // A three-sixteenth rim cycle over a straight 4/4 kick: the cycle lands back on the
    // downbeat only after 48 sixteenths, so the loop is three bars.
    return ScoreBuilder("techno_polymeter", 3)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::closed_hat, "..x...x...x...x.")
        .every_bar(L::clap,       "....o.......o...")
        .steps(L::percussion,     "X..x..x..x..x..x|..x..x..x..x..x.|.x..x..x..x..x..")
        .build();
}

GrooveScore ukg_two_step() {
    // Kick on 1 and on the & of 3, backbeats on 2 and 4, sixteenth hats pulled late.
    constexpr Feel garage{.sixteenth = 4.5};
    return ScoreBuilder("ukg_two_step", 2)
        .every_bar(L::kick,       "X.........X.....")
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::closed_hat, "..xg..xg..xg..xg", garage)
        .every_bar(L::shaker,     ".g.g.g.g.g.g.g.g", garage)
        .build();
}

GrooveScore ukg_skip() {
    // The second bar answers with skipping kicks and a ghost snare on the late sixteenths.
    constexpr Feel garage{.sixteenth = 4.5};
    return ScoreBuilder("ukg_skip", 2)
        .steps(L::kick,           "X.........X.....|X..x......X..x..", garage)
        .steps(L::snare,          "....X.......X...|....X.......X.g.", garage)
        .every_bar(L::closed_hat, "..x..x.x..x..x.x", garage)
        .every_bar(L::rim,        ".......o.......o", garage)
        .build();
}

GrooveScore ukg_four_four() {
    constexpr Feel garage{.sixteenth = 4.0};
    return ScoreBuilder("ukg_four_four", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::closed_hat, "oxgxoxgxoxgxoxgx", garage)
        .every_bar(L::open_hat,   "..x...x...x...x.")
        .build();
}

GrooveScore speed_garage() {
    // Four-four kick with shuffled sixteenth hats; the bass answers on the offbeats.
    constexpr Feel shuffle{.sixteenth = 3.0};
    return ScoreBuilder("speed_garage", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::open_hat,   "..x...x...x...x.")
        .every_bar(L::closed_hat, ".o.g.o.g.o.g.o.g", shuffle)
        .steps(L::bass,           "..X...x.......x.|..X...x...x...X.")
        .build();
}

GrooveScore bassline() {
    // Four-four drums under a bass hook that keeps landing off the kick.
    constexpr Feel shuffle{.sixteenth = 3.0};
    return ScoreBuilder("bassline", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::open_hat,   "..x...x...x...x.")
        .every_bar(L::closed_hat, ".g.g.g.g.g.g.g.g", shuffle)
        .steps(L::bass,           "X..x..x...x.x...|.x.X..x..x..X.x.", shuffle)
        .build();
}

GrooveScore grime_sparse() {
    // Straight, square and sparse: a kick or two, the snare on 3, quarter hats.
    return ScoreBuilder("grime_sparse", 2)
        .steps(L::kick,           "X.........X.....|X.....X.........")
        .every_bar(L::snare,      "........X.......")
        .every_bar(L::closed_hat, "x...x...x...x...")
        .build();
}

GrooveScore grime_syncopated() {
    // Snares move off the backbeat and trade places with the kicks.
    return ScoreBuilder("grime_syncopated", 2)
        .steps(L::kick,           "X.....X...X.....|X..X......X.....")
        .steps(L::snare,          "........X.....X.|......X...X...x.")
        .every_bar(L::closed_hat, "x.x.x.x.x.x.x.x.")
        .build();
}

GrooveScore grime_half() {
    // Half time with space around every hit; the bass fills only some of the gaps.
    return ScoreBuilder("grime_half", 2)
        .steps(L::kick,           "X...............|X.........X.....")
        .every_bar(L::snare,      "........X.......")
        .every_bar(L::closed_hat, "....o.......o...")
        .steps(L::bass,           "X.....x.........|......X...x.....")
        .build();
}

GrooveScore drill_tresillo() {
    // Hats on the group starts of 3+3+2 sixteenths, twice a bar: every onset stays on the
    // straight sixteenth grid.
    return ScoreBuilder("drill_tresillo", 2)
        .steps(L::kick,           "X.........X.....|X......X........")
        .every_bar(L::snare,      "........X.......")
        .every_bar(L::closed_hat, "X..x..x.X..x..x.")
        .steps(L::bass,           "X.........x.....|X......x........")
        .build();
}

GrooveScore drill_displaced() {
    // The only snares: beat 3 of bar one, beat 4 of bar two.
    return ScoreBuilder("drill_displaced", 2)
        .steps(L::kick,           "X.....x...X.....|X..x......X.....")
        .steps(L::snare,          "........X.......|............X...")
        .every_bar(L::closed_hat, "x.x.x.x.x.x.x.x.")
        .steps(L::bass,           "X.....x...x.....|X..x......X.....")
        .build();
}

GrooveScore drill_rolls() {
    // Straight eighth hats broken twice by true triplets: eighth-note triplets across
    // beat 4 of bar one, sixteenth-note triplets across beat 4 of bar two.
    return ScoreBuilder("drill_rolls", 2)
        .steps(L::kick,       "X.........X.....|X......X........")
        .every_bar(L::snare,  "........X.......")
        .steps(L::closed_hat, "x.x.x.x.x.x.....|x.x.x.x.x.x.....")
        .tuplet(L::closed_hat, 192.0, 64.0, "xox")
        .tuplet(L::closed_hat, 448.0, 64.0, "xooxoo")
        .steps(L::bass,       "X.........x.....|X......x........")
        .build();
}

GrooveScore amen_four_bar() {
    // The four-bar break: bars one and two alike, bar three lets the last kick go and
    // moves the snare late, bar four starts off the downbeat and crashes into the turn.
    return ScoreBuilder("amen_four_bar", 4)
        .steps(L::kick,     "X.X.......XX....|X.X.......XX....|X.X.......X.....|..XX......X.....")
        .steps(L::snare,    "....X..g.o..X..g|....X..g.o..X..g|....X..g.o....Xg|.g..X..g.o....X.")
        .every_bar(L::ride, "x.x.x.x.x.x.x.x.")
        .steps(L::open_hat, "................|................|................|..........X.....")
        .steps(L::bass,     "X.........x.....|X.........x.....|X.........x.....|..x.......X.....")
        .build();
}

GrooveScore amen_no_ghosts(const GrooveScore& amen) {
    // Derived from the break itself: every lane as it is, the snares without the quiet ones.
    ScoreBuilder score("amen_no_ghosts", 4);
    for (const LaneHits& lane : amen.lanes) {
        for (const Hit& h : lane.hits) {
            if (lane.lane == L::snare && h.velocity < QUIET_BELOW) continue;
            score.hit(lane.lane, h.pip, h.velocity);
        }
    }
    return score.build();
}

GrooveScore jungle_chops() {
    // Break fragments in a new order: kick-snare cells swapped and re-landed.
    return ScoreBuilder("jungle_chops", 2)
        .steps(L::kick,     "X.X...X...X.....|..X..X....X.X...")
        .steps(L::snare,    "....X..g.X..X...|X..gX.....g.X..X")
        .every_bar(L::ride, "x.x.x.x.x.x.x.x.")
        .build();
}

GrooveScore jungle_ghosts() {
    // Ghost snares between the backbeats, and a thirty-second roll into the turn.
    return ScoreBuilder("jungle_ghosts", 2)
        .steps(L::kick,       "X.X.......X.....|X.X.......XX....")
        .steps(L::snare,      "....X.g.gX.gX.g.|....X.g..g.gX...")
        .tuplet(L::snare, 456.0, 56.0, "ggooxxX")
        .every_bar(L::ride,   "x.x.x.x.x.x.x.x.")
        .build();
}

GrooveScore jungle_switch() {
    // Bars one and two: backbeats on 2 and 4. Bars three and four: one main snare a bar,
    // on 3, at the same tempo.
    return ScoreBuilder("jungle_switch", 4)
        .steps(L::kick,     "X.X.......X.....|X.X.......XX....|X.........X.....|X......X..X.....")
        .steps(L::snare,    "....X..g.g..X..g|....X..g.g..X.g.|........X......g|...g....X....g..")
        .every_bar(L::ride, "x.x.x.x.x.x.x.x.")
        .build();
}

GrooveScore dnb_two_step() {
    return ScoreBuilder("dnb_two_step", 2)
        .every_bar(L::kick,       "X.........X.....")
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::closed_hat, "x.o.x.o.x.o.x.o.")
        .build();
}

GrooveScore dnb_rolling() {
    return ScoreBuilder("dnb_rolling", 2)
        .steps(L::kick,       "X.........X.....|X.........X..x..")
        .steps(L::snare,      "....X..g.g..X.g.|....X..g.g.gX..g")
        .every_bar(L::shaker, "ogogogogogogogog")
        .build();
}

GrooveScore dnb_half() {
    return ScoreBuilder("dnb_half", 2)
        .steps(L::kick,           "X...............|X.........X.....")
        .every_bar(L::snare,      "........X.......")
        .every_bar(L::closed_hat, "x...x...x...x...")
        .steps(L::bass,           "X...........x...|X.........x.....")
        .build();
}

GrooveScore dubstep_half() {
    // Kick on 1, snare on 3, a sub that holds the first beat of each bar.
    return ScoreBuilder("dubstep_half", 2)
        .steps(L::kick,           "X...............|X.........X.....")
        .every_bar(L::snare,      "........X.......")
        .every_bar(L::closed_hat, "..x...x...x...x.")
        .steps(L::bass,           "X.......x...x...|X.....x...x.....")
        .build();
}

GrooveScore dubstep_skip() {
    // Half-step with kicks and hats skipping over the off sixteenths.
    return ScoreBuilder("dubstep_skip", 2)
        .steps(L::kick,           "X......X..x.....|X..x......X..x..")
        .every_bar(L::snare,      "........X.......")
        .every_bar(L::closed_hat, "x..x..x.x..x..x.")
        .steps(L::bass,           "X..x......x.....|X......x..X.....")
        .build();
}

GrooveScore trap_trills() {
    // Half-time snare on 3; eighth hats that break into thirty-second trills and a
    // sixteenth-triplet trill before the turn.
    return ScoreBuilder("trap_trills", 2)
        .steps(L::kick,       "X......X..X.....|X..X......X....x")
        .every_bar(L::snare,  "........X.......")
        .steps(L::closed_hat, "x.x.x...x.x.x.x.|x.x.x.x.x.x.....")
        .tuplet(L::closed_hat, 96.0, 32.0, "xooo")
        .tuplet(L::closed_hat, 448.0, 32.0, "xoo")
        .tuplet(L::closed_hat, 480.0, 32.0, "xooo")
        .steps(L::bass,       "X......x..x.....|X..x......x....x")
        .build();
}

GrooveScore electro() {
    return ScoreBuilder("electro", 2)
        .steps(L::kick,           "X......X..X.....|X.....X...X..X..")
        .every_bar(L::clap,       "....X.......X...")
        .every_bar(L::closed_hat, "xoxoxoxoxoxoxoxo")
        .steps(L::rim,            "...........o....|...o...........o")
        .build();
}

GrooveScore trance() {
    // Four-four kick, the bass pulse on every offbeat.
    return ScoreBuilder("trance", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::clap,       "....x.......x...")
        .every_bar(L::closed_hat, "gogxgogxgogxgogx")
        .every_bar(L::open_hat,   "..x...x...x...x.")
        .every_bar(L::bass,       "..X...X...X...X.")
        .build();
}

GrooveScore rave_breaks() {
    // A four-floor kick with a breakbeat layer of snares and ride on top.
    return ScoreBuilder("rave_breaks", 2)
        .every_bar(L::kick,     "X...X...X...X...")
        .steps(L::snare,        "....X..g.g..X..g|....X..g.g..Xg.g")
        .every_bar(L::ride,     "x.x.x.x.x.x.x.x.")
        .every_bar(L::open_hat, "..o...o...o...o.")
        .build();
}

GrooveScore dembow() {
    // Quarter kicks; the snare answers on the a of 1, the & of 2, the a of 3, the & of 4.
    return ScoreBuilder("dembow", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::snare,      "...x..x....x..x.")
        .every_bar(L::closed_hat, "o.o.o.o.o.o.o.o.")
        .build();
}

GrooveScore disco() {
    // Accented open hats on the offbeats, sixteenths on the tambourine shaker.
    return ScoreBuilder("disco", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::open_hat,   "..X...X...X...X.")
        .every_bar(L::closed_hat, "x...x...x...x...")
        .every_bar(L::shaker,     "ogxgogxgogxgogxg")
        .build();
}

GrooveScore amapiano() {
    // Soft four-four kick, running shaker, syncopated rims and a log-drum bass that
    // lands between the kicks.
    return ScoreBuilder("amapiano", 2)
        .every_bar(L::kick,   "o...o...o...o...")
        .every_bar(L::clap,   "....x.......x...")
        .every_bar(L::shaker, "ogxgogxgogxgogxg")
        .every_bar(L::rim,    ".....x....x..x..")
        .steps(L::bass,       "...X..x...x..X..|X..x..x...X...x.")
        .build();
}

}  // namespace

std::vector<GrooveScore> club_scores() {
    const GrooveScore amen = amen_four_bar();
    return {
        four_floor(),
        house_classic(),
        house_shuffle(),
        house_jack(),
        techno_drive(),
        techno_toms(),
        techno_broken(),
        techno_polymeter(),
        ukg_two_step(),
        ukg_skip(),
        ukg_four_four(),
        speed_garage(),
        bassline(),
        grime_sparse(),
        grime_syncopated(),
        grime_half(),
        drill_tresillo(),
        drill_displaced(),
        drill_rolls(),
        amen,
        amen_no_ghosts(amen),
        jungle_chops(),
        jungle_ghosts(),
        jungle_switch(),
        dnb_two_step(),
        dnb_rolling(),
        dnb_half(),
        dubstep_half(),
        dubstep_skip(),
        trap_trills(),
        electro(),
        trance(),
        rave_breaks(),
        dembow(),
        disco(),
        amapiano(),
    };
}

}  // namespace velmora::generator
