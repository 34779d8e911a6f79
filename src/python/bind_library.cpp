#include "python/bindings.hpp"

namespace velmora::python {

void register_sampled_pattern(pybind11::module_&) {}
void register_pattern_library(pybind11::module_&) {}

}  // namespace velmora::python
