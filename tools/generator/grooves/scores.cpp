// The 68 groove scores, in grid order: the club grooves, then the dancefloor grooves.
#include "grooves/groove_score.hpp"
#include "grooves/score_notation.hpp"

namespace velmora::generator {

const std::vector<GrooveScore>& groove_scores() {
    static const std::vector<GrooveScore> scores = [] {
        std::vector<GrooveScore> all = club_scores();
        std::vector<GrooveScore> dancefloor = dancefloor_scores();
        all.insert(all.end(), dancefloor.begin(), dancefloor.end());
        return all;
    }();
    return scores;
}

}  // namespace velmora::generator
