#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "python/bindings.hpp"
#include "recording/sampled_recording.hpp"

namespace py = pybind11;

namespace velmora::python {

void register_sampled_recording(py::module_& module) {
    py::class_<SampledRecording> cls(module, "SampledRecording");
    cls.def(py::init<std::string, std::vector<std::string>, const std::vector<std::vector<double>>&, double, double,
                     std::int32_t>(),
            py::arg("name"), py::arg("dimensions"), py::arg("samples"), py::arg("bpm"),
            py::arg("beat_zero_seconds") = 0.0, py::arg("start_pip") = 0)
        .def_property_readonly("name", &SampledRecording::name)
        .def_property_readonly("dimensions", &SampledRecording::dimensions)
        .def_property_readonly("sample_count", &SampledRecording::sample_count)
        .def_property_readonly("bpm", &SampledRecording::bpm)
        .def_property_readonly("beat_zero_seconds", &SampledRecording::beat_zero_seconds)
        .def_property_readonly("start_pip", &SampledRecording::start_pip)
        .def("sample", &SampledRecording::sample, py::arg("pip").noconvert());
    refuse_pickling(cls);
}

}  // namespace velmora::python
