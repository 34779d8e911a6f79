#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>

#include "catalogue/catalogue.hpp"
#include "python/bindings.hpp"

namespace py = pybind11;

namespace velmora::python {

py::dict catalogue_dict(const CatalogueEntry& entry) {
    py::dict dict;
    dict["name"] = py::str(entry.name.data(), entry.name.size());
    dict["description"] = py::str(entry.description.data(), entry.description.size());
    dict["period_pips"] = entry.period_pips;
    dict["dimensions"] = entry.dimensions;
    return dict;
}

py::list catalogue_list(const std::vector<CatalogueEntry>& entries) {
    py::list list(entries.size());
    std::size_t position = 0;
    for (const CatalogueEntry& entry : entries) {
        list[position++] = catalogue_dict(entry);
    }
    return list;
}

void register_catalogue_functions(py::module_& module) {
    // The name arrives as a std::string: pybind11 converts a view by registering the source
    // object to be kept alive, which costs more than copying a name of a few dozen bytes.
    module.def(
        "sample", [](const std::string& name, std::int32_t pip_count) { return velmora::sample(name, pip_count); },
        py::arg("name"), py::arg("pip_count"));
    module.def("catalogue", [] { return catalogue_list(velmora::catalogue()); });
}

}  // namespace velmora::python
