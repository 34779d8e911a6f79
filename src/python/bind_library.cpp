#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "library/pattern_library.hpp"
#include "library/sampled_pattern.hpp"
#include "python/bindings.hpp"
#include "python/bounded_vectors.hpp"
#include "python/name_buffer.hpp"

namespace py = pybind11;

namespace velmora::python {

namespace {

// The samples as the constructor receives them: converted by pybind11, but a list of more
// samples than a pattern may hold is only checked to convert, not kept ([(0, 0, 0)] * 10**9
// is 8 GB of Python and 48 GB once converted); no samples stand in and draw the same
// refusal, while a foreign element still makes the call a TypeError.
struct PatternSamples {
    std::vector<std::array<double, 3>> triples;
};

SampledPattern make_sampled_pattern(std::string name, std::string description, const PatternSamples& samples) {
    std::vector<Offset3> offsets;
    offsets.reserve(samples.triples.size());
    for (const std::array<double, 3>& triple : samples.triples) {
        offsets.push_back(Offset3{triple[0], triple[1], triple[2]});
    }
    return SampledPattern(std::move(name), std::move(description), std::move(offsets));
}

// The elements are first taken by reference, so that a list repeating one large pattern a
// million times is refused before anything is copied; only then is each pattern copied
// once, leaving the caller's objects untouched whatever the outcome. A None element fails
// to bind to a reference and so gives pybind11's TypeError like any other foreign element.
PatternLibrary make_pattern_library(const std::vector<std::reference_wrapper<const SampledPattern>>& patterns) {
    if (patterns.size() > PatternLibrary::MAX_PATTERNS) {
        throw std::invalid_argument("Too many patterns");
    }
    // The library examines the patterns in order and stops at the latest at the one that
    // carries the sample total past its limit, so nothing after that one is copied: 1,024
    // references to one pattern of 65,535 samples cost 17 copies, not 1.5 GB of them.
    std::vector<SampledPattern> copies;
    copies.reserve(patterns.size());
    std::uint64_t total_samples = 0;
    for (const SampledPattern& pattern : patterns) {
        copies.push_back(pattern);
        total_samples += pattern.sample_count();
        if (total_samples > PatternLibrary::MAX_TOTAL_SAMPLES) {
            break;
        }
    }
    return PatternLibrary(std::move(copies));
}

}  // namespace
}  // namespace velmora::python

namespace pybind11::detail {

template <>
struct type_caster<velmora::python::PatternSamples> {
    using Triples = std::vector<std::array<double, 3>>;
    PYBIND11_TYPE_CASTER(velmora::python::PatternSamples, make_caster<Triples>::name);

    bool load(handle src, bool convert) {
        const std::optional<sequence> samples = velmora::python::vector_source(src, convert);
        if (!samples) {
            return false;
        }
        value.triples.clear();
        if (samples->size() > velmora::SampledPattern::MAX_SAMPLES) {
            object last_checked;  // a sample repeated by reference is checked once
            for (const handle sample : *samples) {
                if (sample.is(last_checked)) {
                    continue;
                }
                if (!make_caster<std::array<double, 3>>().load(sample, convert)) {
                    return false;
                }
                last_checked = reinterpret_borrow<object>(sample);
            }
            return true;
        }
        make_caster<Triples> triples;
        if (!triples.load(*samples, convert)) {
            return false;
        }
        value.triples = cast_op<Triples&&>(std::move(triples));
        return true;
    }
};

}  // namespace pybind11::detail

namespace velmora::python {

void register_sampled_pattern(py::module_& module) {
    py::class_<SampledPattern> cls(module, "SampledPattern");
    cls.def(py::init(&make_sampled_pattern), py::arg("name"), py::arg("description"), py::arg("samples"))
        .def_property_readonly("name", &SampledPattern::name)
        .def_property_readonly("description", &SampledPattern::description)
        .def_property_readonly("period_pips",
                               [](const SampledPattern& self) { return static_cast<std::int32_t>(self.sample_count()); })
        .def("sample", &SampledPattern::sample, py::arg("pip_count").noconvert());
    refuse_pickling(cls);
}

void register_pattern_library(py::module_& module) {
    py::class_<PatternLibrary> cls(module, "PatternLibrary");
    cls.def(py::init(&make_pattern_library), py::arg("patterns") = py::list())
        // The name is copied (a view would register its source to be kept alive, which
        // costs more), into a per-thread buffer: user names are often longer than a
        // string's inline room, and the heap would then be paid on every lookup.
        .def(
            "sample",
            [](const PatternLibrary& self, const PatternName& name, std::int32_t pip_count) {
                return self.sample(std::string_view(name.data(), name.size()), pip_count);
            },
            py::arg("name"), py::arg("pip_count").noconvert())
        // A description stored as bytes that are not UTF-8 raises UnicodeDecodeError here
        // rather than being altered.
        .def("catalogue", [](const PatternLibrary& self) { return catalogue_list(self.catalogue()); });
    refuse_pickling(cls);
}

}  // namespace velmora::python
