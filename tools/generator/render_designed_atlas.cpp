// The designed families of velmora_atlas.
#include "primitives.hpp"
#include "registry.hpp"

namespace velmora::generator {

void add_designed_atlas_renderers(RendererRegistry& /*registry*/) {}

}  // namespace velmora::generator
