#include <pybind11/pybind11.h>

#include "core/offset3.hpp"
#include "python/bindings.hpp"

// pybind11's module machinery supplies the interpreter-version guard, the
// multi-phase definition and the per-interpreter module cache that makes a
// second import return the same module object.
PYBIND11_MODULE(velmora, module) {
    using namespace velmora::python;
    module.doc() = "Integer-pip rhythmic position functions";
    module.attr("PIPS_PER_BEAT") = velmora::PIPS_PER_BEAT;
    register_sampled_recording(module);
    register_offset3(module);
    register_sampled_pattern(module);
    register_pattern_library(module);
    register_catalogue_functions(module);
    register_core_functions(module);
}
