// The 68 groove scores, in grid order.
#include "groove_score.hpp"

namespace velmora::generator {

const std::vector<GrooveScore>& groove_scores() {
    static const std::vector<GrooveScore> scores;
    return scores;
}

}  // namespace velmora::generator
