// The dancefloor grooves as drum scores, in the notation of score_notation.hpp.
#include "score_notation.hpp"

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

}  // namespace

std::vector<GrooveScore> dancefloor_scores() {
    return {
        jersey_five(),
    };
}

}  // namespace velmora::generator
