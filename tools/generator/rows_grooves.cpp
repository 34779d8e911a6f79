// The rows of the groove grid: velmora_club and velmora_dancefloor.
#include "pattern_row.hpp"

namespace velmora::generator {

void add_club_rows(std::vector<PatternRow>& /*rows*/) {}
void add_dancefloor_rows(std::vector<PatternRow>& /*rows*/) {}

}  // namespace velmora::generator
