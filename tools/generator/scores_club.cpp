// The club grooves as drum scores. One step string per lane, one character per sixteenth
// (notation in score_notation.hpp); bars are separated by '|'. Each groove reads as a
// drummer's chart: what the title names is what the lanes play.
#include "score_notation.hpp"

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

}  // namespace

std::vector<GrooveScore> club_scores() {
    const GrooveScore amen = amen_four_bar();
    return {
        four_floor(),
        house_classic(),
        techno_polymeter(),
        speed_garage(),
        amen,
        amen_no_ghosts(amen),
    };
}

}  // namespace velmora::generator
