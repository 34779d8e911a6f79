// The cheapest bound calls that return a new Offset3, doing no work: the floors that
// velmora's own calls are measured against. Built only for the benchmarks.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <string>

#include "core/offset3.hpp"

namespace {

// Stands in for a bound object whose method takes the arguments of a lookup.
struct Holder {};

velmora::Offset3 origin() { return velmora::Offset3{0.0, 0.0, 0.0}; }

}  // namespace

PYBIND11_MODULE(velmora_floor, module) {
    module.def("offset3", [](std::int32_t) { return origin(); });
    // The arguments of velmora.sample, as a module function and as a method.
    module.def("named", [](const std::string&, std::int32_t) { return origin(); });
    pybind11::class_<Holder>(module, "Holder")
        .def(pybind11::init<>())
        .def("named", [](const Holder&, const std::string&, std::int32_t) { return origin(); });
}
