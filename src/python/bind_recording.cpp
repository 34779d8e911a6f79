#include "python/bindings.hpp"

namespace velmora::python {

void register_sampled_recording(pybind11::module_&) {}

}  // namespace velmora::python
