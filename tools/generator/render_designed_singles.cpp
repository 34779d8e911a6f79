// The designed single patterns of velmora_initial and velmora_expansion.
#include "primitives.hpp"
#include "registry.hpp"

namespace velmora::generator {

void add_designed_single_renderers(RendererRegistry& /*registry*/) {}

}  // namespace velmora::generator
