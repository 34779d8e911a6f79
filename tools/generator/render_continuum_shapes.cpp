// The spatial families of velmora_continuum.
#include "primitives.hpp"
#include "registry.hpp"

namespace velmora::generator {

void add_continuum_shape_renderers(RendererRegistry& /*registry*/) {}

}  // namespace velmora::generator
