#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "catalogue/catalogue.hpp"
// Before any binding converts a bound class: the casters that refuse half-made instances.
#include "python/half_made.hpp"

namespace velmora::python {

// Each adds its attributes to the module; the module body calls them in attribute order.
void register_sampled_recording(pybind11::module_& module);
void register_offset3(pybind11::module_& module);
void register_sampled_pattern(pybind11::module_& module);
void register_pattern_library(pybind11::module_& module);
void register_catalogue_functions(pybind11::module_& module);
void register_core_functions(pybind11::module_& module);

// The catalogue dict of one entry (keys name, description, period_pips, dimensions, in
// that order) and a new list of them; strings are decoded as strict UTF-8.
pybind11::dict catalogue_dict(const CatalogueEntry& entry);
pybind11::list catalogue_list(const std::vector<CatalogueEntry>& entries);

// Bound objects are not picklable. Without this, protocols 0 and 1 reach pybind11's
// base constructor through copyreg and abort the interpreter instead of raising.
template <typename Class>
Class& refuse_pickling(Class& cls) {
    cls.def("__reduce_ex__", [](pybind11::handle self, pybind11::handle /*protocol*/) -> pybind11::object {
        throw pybind11::type_error("cannot pickle '" +
                                   pybind11::str(pybind11::type::handle_of(self).attr("__name__")).cast<std::string>() +
                                   "' object");
    });
    return cls;
}

}  // namespace velmora::python
