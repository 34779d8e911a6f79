#include <pybind11/pybind11.h>

#include <velmora/patterns.hpp>
#include "core/offset3.hpp"
#include "python/bindings.hpp"

namespace py = pybind11;

namespace velmora::python {

void register_offset3(py::module_& module) {
    py::class_<Offset3> offset3(module, "Offset3");
    // Only the module makes an Offset3. Calling the class already fails in pybind11's
    // __init__; its __new__ fails the same way, instead of handing out an instance
    // without a value.
    offset3.def_static("__new__", [](py::handle cls, const py::args&, const py::kwargs&) -> py::object {
        throw py::type_error(
            py::detail::get_fully_qualified_tp_name(reinterpret_cast<PyTypeObject*>(cls.ptr())) +
            ": No constructor defined!");
    });
    offset3.def_readonly("x", &Offset3::x)
        .def_readonly("y", &Offset3::y)
        .def_readonly("z", &Offset3::z)
        .def("as_tuple", [](const Offset3& self) { return py::make_tuple(self.x, self.y, self.z); });
    refuse_pickling(offset3);
}

void register_core_functions(py::module_& module) {
    // One unnamed positional pip each, so no keyword is accepted.
    module.def("bounce", &bounce);
    module.def("sway", &sway);
    module.def("circle", &circle);
    module.def("figure_eight", &figure_eight);
    module.def("step_touch", &step_touch);
    module.def("box_step", &box_step);
    module.def("helix", &helix);
    module.def("clay_background", &clay_background);
    module.def("single_stroke_roll", &single_stroke_roll);
    module.def("double_stroke_roll", &double_stroke_roll);
    module.def("multiple_bounce_roll", &multiple_bounce_roll);
    module.def("single_paradiddle", &single_paradiddle);
    module.def("flam", &flam);
    module.def("drag", &drag);
    module.def("five_stroke_roll", &five_stroke_roll);
}

}  // namespace velmora::python
