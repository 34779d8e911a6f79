// The cheapest bound call that returns a new Offset3: one int conversion, no work.
// Built only for the benchmarks, as the floor that velmora's own calls are measured against.
#include <pybind11/pybind11.h>

#include <cstdint>

#include "core/offset3.hpp"

PYBIND11_MODULE(velmora_floor, module) {
    module.def("offset3", [](std::int32_t) { return velmora::Offset3{0.0, 0.0, 0.0}; });
}
