// The dancefloor grooves as drum scores, in the notation of score_notation.hpp.
#include <string>
#include <string_view>

#include "grooves/score_notation.hpp"

namespace velmora::generator {

namespace {

using L = Lane;

GrooveScore jersey_five() {
    // Five kicks a bar: three on the beat, then the a of 3 and the & of 4 tumble into the
    // next bar. Claps hold 2 and 4; no bass.
    return ScoreBuilder("jersey_five", 2)
        .every_bar(L::kick,       "X...x...x..X..x.")
        .every_bar(L::clap,       "....X.......X...")
        .every_bar(L::closed_hat, "o.o.o.o.o.o.o.o.")
        .build();
}

GrooveScore jersey_call() {
    // Bar one calls with the five kicks; bar two turns round with doubled kicks and claps,
    // and the bass answers the call.
    return ScoreBuilder("jersey_call", 2)
        .steps(L::kick,           "X...x...x..X..x.|X..x..x...x.x.xx")
        .steps(L::clap,           "....X.......X...|....X...X...X.XX")
        .every_bar(L::closed_hat, "o.o.o.o.o.o.o.o.")
        .steps(L::bass,           "X.........x.....|......x...X.x...")
        .build();
}

GrooveScore footwork_triplet() {
    // Footwork kicks call in bar one; the bass replies in quarter-note triplets across
    // bar two.
    return ScoreBuilder("footwork_triplet", 2)
        .steps(L::kick,           "X..X..X...X..X..|X..X..X.........")
        .every_bar(L::clap,       "........X.......")
        .every_bar(L::closed_hat, "..x...x...x...x.")
        .tuplet(L::bass, 256.0, 256.0, "Xoxxox")
        .build();
}

GrooveScore footwork_sparse() {
    // Half-time with the flow cut off: kicks stop early and the bass fills late.
    return ScoreBuilder("footwork_sparse", 2)
        .steps(L::kick,           "X.....X.........|X..X............")
        .every_bar(L::clap,       "........X.......")
        .steps(L::closed_hat,     "x.......x.x.....|x.......x.......")
        .steps(L::bass,           "X...............|...X......x.....")
        .build();
}

GrooveScore funky_toms() {
    // Four-four kick with toms skipping over the late sixteenths, a light swing.
    constexpr Feel funky{.sixteenth = 2.5};
    return ScoreBuilder("funky_toms", 2)
        .every_bar(L::kick,   "X...X...X...X...")
        .every_bar(L::clap,   "....X.......X...")
        .every_bar(L::shaker, "ogogogogogogogog", funky)
        .steps(L::high_tom,   "...x.....x...x..|...x.....x..x..x", funky)
        .steps(L::low_tom,    "......x.....x...|.......x.....x..", funky)
        .steps(L::bass,       "X.....x...x.....|X..x......x.....", funky)
        .build();
}

GrooveScore funky_syncopated() {
    // The second bar breaks the four-four kick; rims answer off the beat.
    constexpr Feel funky{.sixteenth = 2.5};
    return ScoreBuilder("funky_syncopated", 2)
        .steps(L::kick,           "X...X...X...X...|X...X..x..X.X...", funky)
        .every_bar(L::clap,       "....X.......X...")
        .every_bar(L::rim,        ".....x...x....x.", funky)
        .every_bar(L::closed_hat, "..x...x...x...x.")
        .steps(L::bass,           "...x..X....x..x.|.x....X...x..x..", funky)
        .build();
}

GrooveScore broken_push() {
    // Backbeats played off the grid: the snare on 2 comes early, the one on 4 late,
    // and in bar two the other way round.
    return ScoreBuilder("broken_push", 2)
        .steps(L::kick,           "X.....X...X.....|X..X......X..X..")
        .hit(L::snare, 64.0 - 6.0, ACCENT)
        .hit(L::snare, 192.0 + 6.0, ACCENT)
        .hit(L::snare, 320.0 + 6.0, ACCENT)
        .hit(L::snare, 448.0 - 6.0, ACCENT)
        .every_bar(L::closed_hat, "xgogxgogxgogxgog", Feel{.sixteenth = 3.0})
        .steps(L::bass,           "X.....x...x.....|X..x......x..x..")
        .build();
}

GrooveScore broken_shuffle() {
    // A rim circuit on the late sixteenths, swung, around a sparse kick and backbeat.
    constexpr Feel shuffle{.sixteenth = 4.0};
    return ScoreBuilder("broken_shuffle", 2)
        .steps(L::kick,           "X.....X...X.....|X.....X....x....", shuffle)
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::rim,        "..x..x.x..x..x.x", shuffle)
        .every_bar(L::closed_hat, "x.x.x.x.x.x.x.x.")
        .steps(L::bass,           "X.....x..x......|X.....x....x....", shuffle)
        .build();
}

GrooveScore afro_bell() {
    // The bell plays in the gaps of the four-four kick, never on it.
    return ScoreBuilder("afro_bell", 2)
        .every_bar(L::kick,   "X...X...X...X...")
        .every_bar(L::bell,   "..x..x.x..x..x.X")
        .every_bar(L::shaker, "ogogogogogogogog")
        .every_bar(L::rim,    "....x.......x...")
        .steps(L::bass,       "X......x..x.....|X......x...x..x.")
        .build();
}

GrooveScore afro_cross() {
    // Three evenly spaced percussion hits in every bar of four beats: half-note triplets
    // against the quarter kick.
    return ScoreBuilder("afro_cross", 2)
        .every_bar(L::kick,   "X...X...X...X...")
        .tuplet(L::percussion, 0.0, 256.0, "Xxx")
        .tuplet(L::percussion, 256.0, 256.0, "Xxx")
        .every_bar(L::shaker, "ogogogogogogogog")
        .every_bar(L::clap,   "....x.......x...")
        .steps(L::bass,       "X.....x...x.....|X.....x.....x...")
        .build();
}

GrooveScore gqom_space() {
    // Broken kicks in groups of three sixteenths, with long silences after them.
    return ScoreBuilder("gqom_space", 2)
        .steps(L::kick,       "X..X..X.........|X..X.......X....")
        .every_bar(L::snare,  "........x.......")
        .steps(L::percussion, "...........o....|...............o")
        .steps(L::bass,       "X.....x.........|X..........x....")
        .build();
}

GrooveScore gqom_exchange() {
    // Kick, low tom and snare take turns, each a sixteenth or two after the last.
    return ScoreBuilder("gqom_exchange", 2)
        .steps(L::kick,           "X..X....X..X....|X..X....X.......")
        .steps(L::low_tom,        "......x.......x.|.....x.....x..x.")
        .steps(L::snare,          "....X.........X.|....X.......X...")
        .every_bar(L::closed_hat, "..o...o...o...o.")
        .steps(L::bass,           "X.......x.......|X.......x..x....")
        .build();
}

GrooveScore baile_toms() {
    // The kick and two low drums talk in the tamborzao rhythm; no bass.
    return ScoreBuilder("baile_toms", 2)
        .every_bar(L::kick,     "X..X......X.....")
        .steps(L::low_tom,      "......x.x....x..|......x.x..x.x..")
        .steps(L::high_tom,     "....x.......x...|....x.......x..x")
        .every_bar(L::snare,    "....X.......X...")
        .build();
}

GrooveScore baile_response() {
    // The syncopated kick asks, the snare and the bass answer off the beat.
    return ScoreBuilder("baile_response", 2)
        .every_bar(L::kick,       "X..X..X...X.....")
        .steps(L::snare,          "....X..X....X...|....X..X....X..x")
        .every_bar(L::closed_hat, "x.x.x.x.x.x.x.x.")
        .steps(L::bass,           "......x..x...x..|...x..x..x...x..")
        .build();
}

GrooveScore reggae_one_drop() {
    // Nothing on 1: kick and cross-stick drop together on 3. Triplet-swung hats.
    constexpr Feel triplet_swing{.eighth = 32.0 / 3.0};
    return ScoreBuilder("reggae_one_drop", 2)
        .every_bar(L::kick,       "........X.......")
        .every_bar(L::rim,        "........X.......")
        .every_bar(L::closed_hat, "x.o.x.o.x.o.x.o.", triplet_swing)
        .steps(L::bass,           "X.....x...x..x..|X.....x...x.....", triplet_swing)
        .build();
}

GrooveScore reggae_steppers() {
    // Kick on every beat, cross-stick on 3.
    return ScoreBuilder("reggae_steppers", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::rim,        "........X.......")
        .every_bar(L::closed_hat, "x.x.x.x.x.x.x.x.")
        .steps(L::bass,           "X.....x.X.....x.|X.....x.X...x...")
        .build();
}

GrooveScore reggae_rockers() {
    // Kick on 1 and 3 only; the cross-stick keeps 2 and 4.
    return ScoreBuilder("reggae_rockers", 2)
        .every_bar(L::kick,       "X.......X.......")
        .every_bar(L::rim,        "....x.......x...")
        .every_bar(L::closed_hat, "x.o.x.o.x.o.x.o.")
        .steps(L::bass,           "X..x....X..x....|X..x....X...x...")
        .build();
}

// The clave bars: the three side (1, the a of 2, the & of 3) and the two side (2 and 3).
constexpr std::string_view CLAVE_THREE = "X.....X.....X...";
constexpr std::string_view CLAVE_TWO = "....X...X.......";

GrooveScore son_clave(std::string key, std::string_view first_bar, std::string_view second_bar) {
    return ScoreBuilder(std::move(key), 2)
        .steps(L::clave,      std::string(first_bar) + "|" + std::string(second_bar))
        .every_bar(L::kick,   "x...x...x...x...")
        .every_bar(L::high_tom, "......x.....x.x.")
        .every_bar(L::low_tom,  "...............x")
        .every_bar(L::bell,   "x.x.x.x.x.x.x.x.")
        .every_bar(L::bass,   "...x..x.....x...")
        .build();
}

GrooveScore son_clave_32() { return son_clave("son_clave_32", CLAVE_THREE, CLAVE_TWO); }
GrooveScore son_clave_23() { return son_clave("son_clave_23", CLAVE_TWO, CLAVE_THREE); }

GrooveScore psy_rolling() {
    // A straight sixteenth bass that rolls in the three gaps after each kick and leaves
    // the kick alone.
    return ScoreBuilder("psy_rolling", 2)
        .every_bar(L::kick,     "X...X...X...X...")
        .every_bar(L::snare,    "....x.......x...")
        .every_bar(L::open_hat, "..x...x...x...x.")
        .every_bar(L::bass,     ".xox.xox.xox.xox")
        .build();
}

GrooveScore psy_offbeat() {
    // The bass takes the offbeats in bar one and trades them for the e and & in bar two.
    return ScoreBuilder("psy_offbeat", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::clap,       "....x.......x...")
        .every_bar(L::closed_hat, "ogxgogxgogxgogxg")
        .steps(L::bass,           "..X...X...X...X.|.xX..xX..xX..xX.")
        .build();
}

GrooveScore hard_reverse() {
    // A swell follows every kick: the bass cue peaks between the & and the a, well after
    // the kick has gone.
    ScoreBuilder score("hard_reverse", 2);
    score.every_bar(L::kick,      "X...X...X...X...")
        .every_bar(L::clap,       "....X.......X...")
        .every_bar(L::open_hat,   "..x...x...x...x.");
    for (int beat = 0; beat < 8; ++beat) score.hit(L::bass, 64.0 * beat + 40.0, beat % 4 == 3 ? ACCENT : NORMAL);
    return score.build();
}

GrooveScore italo_machine() {
    // Machine four-four with a rim that answers the clap; octave bass on the eighths.
    return ScoreBuilder("italo_machine", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::clap,       "....X.......X...")
        .steps(L::rim,            "..x..x....x..x..|..x..x....x.x.x.")
        .every_bar(L::closed_hat, "xoxoxoxoxoxoxoxo")
        .every_bar(L::bass,       "o.X.o.X.o.X.o.X.")
        .build();
}

GrooveScore electro_robot() {
    // An asymmetric break: three kicks in bar one, four in bar two, none where they were.
    return ScoreBuilder("electro_robot", 2)
        .steps(L::kick,           "X......X..X.....|X..X.....X....x.")
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::closed_hat, "xoxoxoxoxoxoxoxo")
        .steps(L::percussion,     ".....x.....x..x.|.x.....x.....x..")
        .steps(L::bass,           "X......x..x.....|X..x.....x....x.")
        .build();
}

GrooveScore acid_percussion() {
    // A sixteenth acid line with syncopated accents over the machine kick.
    return ScoreBuilder("acid_percussion", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .every_bar(L::clap,       "....x.......x...")
        .every_bar(L::open_hat,   "..x...x...x...x.")
        .steps(L::percussion,     "...x..x....x..x.|...x..x..x....x.")
        .steps(L::bass,           "oxXooXoxoxXooXox|oxXooXoxXoxoXoox")
        .build();
}

GrooveScore techno_rumble() {
    // The low end never sits with the kick: it answers a sixteenth and a half after each
    // kick and rumbles once more just before the next one.
    ScoreBuilder score("techno_rumble", 2);
    score.every_bar(L::kick,      "X...X...X...X...")
        .every_bar(L::closed_hat, "..x...x...x...x.")
        .every_bar(L::ride,       "o.o.o.o.o.o.o.o.")
        .every_bar(L::clap,       "....o.......o...");
    for (int beat = 0; beat < 8; ++beat) {
        score.hit(L::bass, 64.0 * beat + 24.0, NORMAL).hit(L::bass, 64.0 * beat + 52.0, SOFT);
    }
    return score.build();
}

GrooveScore ukg_rim_shuffle() {
    // The rim leads a swung skipping pocket; kicks on 1 and the & of 3.
    constexpr Feel garage{.sixteenth = 4.5};
    return ScoreBuilder("ukg_rim_shuffle", 2)
        .steps(L::kick,           "X.........X.....|X.........X..x..", garage)
        .every_bar(L::snare,      "....X.......X...")
        .every_bar(L::rim,        "..x..x.x..x..x.x", garage)
        .every_bar(L::closed_hat, ".g.g.g.g.g.g.g.g", garage)
        .steps(L::bass,           "X.....x...x.....|X.....x...x..x..", garage)
        .build();
}

GrooveScore dnb_push() {
    // A kick pickup on the last sixteenth of each bar, ghost snares replying to the kicks.
    return ScoreBuilder("dnb_push", 2)
        .every_bar(L::kick,       "X.........X....x")
        .every_bar(L::snare,      "....X..g...gX.g.")
        .every_bar(L::closed_hat, "x.o.x.o.x.o.x.o.")
        .steps(L::bass,           "X.........x.....|X.........x....x")
        .build();
}

GrooveScore jungle_switchback() {
    // Full-time break in bar one, switched back to a half-time snare in bar two.
    return ScoreBuilder("jungle_switchback", 2)
        .steps(L::kick,     "X.X.......X.....|X.........XX....")
        .steps(L::snare,    "....X..g.g..X..g|..g.....X..g....")
        .every_bar(L::ride, "x.x.x.x.x.x.x.x.")
        .steps(L::bass,     "X.........x.....|X...........x...")
        .build();
}

GrooveScore amapiano_answer() {
    // The log-drum bass answers the shaker and rim phrases a beat later.
    return ScoreBuilder("amapiano_answer", 2)
        .every_bar(L::kick,   "o...o...o...o...")
        .every_bar(L::shaker, "ogxgogxgogxgogxg")
        .steps(L::rim,        "..x..x..........|..x..x.....x....")
        .steps(L::bass,       "......X..x...x..|......X..x..X..x")
        .build();
}

GrooveScore dancehall_space() {
    // Few hits and wide gaps: kick on 1 and 3, replies on the offbeats.
    return ScoreBuilder("dancehall_space", 2)
        .every_bar(L::kick,     "X.......X.......")
        .steps(L::snare,        "....x.......x...|....x..........x")
        .steps(L::rim,          "..x.......x.....|......x...x.....")
        .steps(L::bass,         "..x.......x.....|..x...x.......x.")
        .build();
}

GrooveScore dembow_push() {
    // The dembow answers, then a run of snares pushes into the next loop.
    return ScoreBuilder("dembow_push", 2)
        .every_bar(L::kick,       "X...X...X...X...")
        .steps(L::snare,          "...x..x....x..x.|...x..x....x.xxx")
        .every_bar(L::closed_hat, "o.o.o.o.o.o.o.o.")
        .steps(L::bass,           "X.........x.....|X.........x..x..")
        .build();
}

}  // namespace

std::vector<GrooveScore> dancefloor_scores() {
    return {
        jersey_five(),
        jersey_call(),
        footwork_triplet(),
        footwork_sparse(),
        funky_toms(),
        funky_syncopated(),
        broken_push(),
        broken_shuffle(),
        afro_bell(),
        afro_cross(),
        gqom_space(),
        gqom_exchange(),
        baile_toms(),
        baile_response(),
        reggae_one_drop(),
        reggae_steppers(),
        reggae_rockers(),
        son_clave_32(),
        son_clave_23(),
        psy_rolling(),
        psy_offbeat(),
        hard_reverse(),
        italo_machine(),
        electro_robot(),
        acid_percussion(),
        techno_rumble(),
        ukg_rim_shuffle(),
        dnb_push(),
        jungle_switchback(),
        amapiano_answer(),
        dancehall_space(),
        dembow_push(),
    };
}

}  // namespace velmora::generator
