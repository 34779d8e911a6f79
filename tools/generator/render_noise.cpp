// The noise_ family: smooth closed paths through indexed SHA-256 control points.
#include "primitives.hpp"
#include "registry.hpp"

namespace velmora::generator {

void add_noise_renderers(RendererRegistry& /*registry*/) {}

}  // namespace velmora::generator
