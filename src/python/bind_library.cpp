#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalogue/catalogue.hpp"
#include <velmora/pattern_library.hpp>
#include <velmora/sampled_pattern.hpp>
#include "python/bindings.hpp"
#include "python/bounded_vectors.hpp"
#include "python/name_buffer.hpp"

namespace py = pybind11;

namespace velmora::python {

namespace {

// The samples as the constructor receives them: converted as pybind11 converts a vector of
// triples, but only as many as a pattern can hold are kept ([(0, 0, 0)] * 10**9 is 8 GB of
// Python and 24 GB once converted). Beyond that the pattern is refused for its number of
// samples whatever they hold, which no samples draw as well.
struct PatternSamples {
    std::vector<std::array<double, 3>> triples;
};

// The patterns argument, each element an owned reference to a made SampledPattern. More
// than a library holds are not kept: `count` carries their number.
struct PatternObjects {
    std::vector<py::object> patterns;
    std::uint64_t count = 0;
};

SampledPattern make_sampled_pattern(std::string name, std::string description, const PatternSamples& samples) {
    std::vector<Offset3> offsets;
    offsets.reserve(samples.triples.size());
    for (const std::array<double, 3>& triple : samples.triples) {
        offsets.push_back(Offset3{triple[0], triple[1], triple[2]});
    }
    return SampledPattern(std::move(name), std::move(description), std::move(offsets));
}

// The patterns are copied only once they are all known to be SampledPattern objects, so a
// list repeating one large pattern a million times is refused before anything is copied;
// each is copied once, leaving the caller's objects untouched whatever the outcome.
PatternLibrary make_pattern_library(const PatternObjects& patterns) {
    if (patterns.count > PatternLibrary::MAX_PATTERNS) {
        throw std::invalid_argument("Too many patterns");
    }
    // The library examines the patterns in order and stops at the latest at the one that
    // carries the sample total past its limit, so nothing after that one is copied: 1,024
    // references to one pattern of 65,535 samples cost 17 copies, not 1.5 GB of them.
    std::vector<SampledPattern> copies;
    copies.reserve(patterns.patterns.size());
    std::uint64_t total_samples = 0;
    for (const py::object& object : patterns.patterns) {
        const SampledPattern& pattern = object.cast<const SampledPattern&>();
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
        using namespace velmora::python;
        constexpr std::uint64_t max_samples = velmora::SampledPattern::MAX_SAMPLES;
        const std::optional<object> samples = vector_source(src, convert);
        if (!samples) {
            return false;
        }
        value.triples.clear();
        if (const std::unique_ptr<NumberBuffer> table = NumberBuffer::of(*samples, 2)) {
            // An array of numbers: its shape says all, and its values need reading only if
            // it can be a pattern.
            const std::uint64_t count = table->extent(0);
            if (count > 0 && table->extent(1) != 3) {
                return false;
            }
            if (count <= max_samples) {
                value.triples.resize(count);
                for (std::uint64_t index = 0; index < count; ++index) {
                    value.triples[index] = {table->at(index, 0), table->at(index, 1), table->at(index, 2)};
                }
            }
            return true;
        }
        const std::uint64_t declared = len(*samples);
        InvalidInputBudget budget(max_samples * 3);
        if (declared > max_samples) {
            budget.known_invalid();
        }
        std::uint64_t count = 0;
        Items items(*samples);
        while (!budget.exhausted()) {
            const object sample = items.next();
            if (!sample) {
                return true;
            }
            std::array<double, 3> triple{};
            if (!load_triple(sample, convert, triple)) {
                return false;
            }
            budget.spend(3);
            if (++count > max_samples) {
                budget.known_invalid();
                value.triples.clear();
            } else {
                value.triples.push_back(triple);
            }
        }
        value.triples.clear();  // cut short: refused for the number of samples
        return true;
    }

private:
    // Exactly three numbers, read one by one: a sample that goes on and on is refused at
    // its fourth item.
    static bool load_triple(handle sample, bool convert, std::array<double, 3>& triple) {
        using namespace velmora::python;
        if (!element_is_vector(sample, convert)) {
            return false;
        }
        // A sequence that says it has another length is refused unread, as pybind11 does.
        if (const std::optional<std::uint64_t> length = declared_length(sample); length && *length != 3) {
            return false;
        }
        Items items(sample);
        for (double& coordinate : triple) {
            const object item = items.next();
            if (!item || !load_double(item, convert, coordinate)) {
                return false;
            }
        }
        return !items.next();
    }
};

template <>
struct type_caster<velmora::python::PatternObjects> {
    PYBIND11_TYPE_CASTER(velmora::python::PatternObjects,
                         make_caster<std::vector<std::reference_wrapper<const velmora::SampledPattern>>>::name);

    bool load(handle src, bool convert) {
        using namespace velmora::python;
        constexpr std::uint64_t max_patterns = velmora::PatternLibrary::MAX_PATTERNS;
        const std::optional<object> patterns = vector_source(src, convert);
        if (!patterns) {
            return false;
        }
        const std::uint64_t declared = len(*patterns);
        InvalidInputBudget budget(max_patterns);
        if (declared > max_patterns) {
            budget.known_invalid();
        }
        value = {};
        Items items(*patterns);
        while (!budget.exhausted()) {
            object pattern = items.next();
            if (!pattern) {
                return true;
            }
            // None included, anything but a made SampledPattern fails the conversion (a
            // half-made one raises its own TypeError).
            make_caster<velmora::SampledPattern> check;
            if (pattern.is_none() || !check.load(pattern, convert)) {
                return false;
            }
            budget.spend(1);
            if (++value.count > max_patterns) {
                budget.known_invalid();
                value.patterns.clear();
            } else {
                value.patterns.push_back(std::move(pattern));
            }
        }
        value.patterns.clear();
        value.count = std::max(declared, value.count);
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
