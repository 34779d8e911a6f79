#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "python/bindings.hpp"
#include "python/bounded_vectors.hpp"
#include "recording/sampled_recording.hpp"

namespace py = pybind11;

namespace velmora::python {
namespace {

// The rows and axis names as the constructor receives them. pybind11 converts every
// element, but a list that repeats one object can stand for far more data than it holds
// ([[0.0] * 1000] * 10**6 is 8 MB of Python and 8 GB of doubles). So values are kept only
// while they can still make a valid recording; past that point the input is refused
// anyway, and the remaining elements are only checked to convert (a foreign element still
// makes the call a TypeError). What is not kept is replaced by stand-ins that the
// recording refuses with the message the full input would have drawn, in the same order.
struct RecordingRows {
    std::vector<std::vector<double>> rows;
};
struct RecordingAxes {
    std::vector<std::string> names;
};

}  // namespace
}  // namespace velmora::python

namespace pybind11::detail {

template <>
struct type_caster<velmora::python::RecordingRows> {
    using Rows = std::vector<std::vector<double>>;
    PYBIND11_TYPE_CASTER(velmora::python::RecordingRows, make_caster<Rows>::name);

    bool load(handle src, bool convert) {
        constexpr std::uint64_t max_values = velmora::SampledRecording::MAX_VALUES;
        const std::optional<sequence> rows = velmora::python::vector_source(src, convert);
        if (!rows) {
            return false;
        }
        const std::size_t count = rows->size();
        // More rows than values: no rows stand in, refused for the size like this many.
        bool keeping = count <= max_values;
        value.rows.clear();
        if (keeping) {
            value.rows.reserve(count);
        }
        std::uint64_t total = 0;
        object last_checked;  // a row repeated by reference is checked once
        for (const handle row : *rows) {
            // Past the limit some row is longer than the axes can be, and the first such
            // row is refused as ragged: the empty stand-ins below draw the same message.
            if (const std::optional<std::size_t> length = velmora::python::known_length(row);
                keeping && length && total + *length > max_values) {
                keeping = false;
            }
            if (!keeping && row.is(last_checked)) {
                continue;
            }
            make_caster<std::vector<double>> values;
            if (!values.load(row, convert)) {
                return false;
            }
            std::vector<double>& loaded = cast_op<std::vector<double>&>(values);
            total += loaded.size();
            if (keeping && total <= max_values) {
                value.rows.push_back(std::move(loaded));
            } else {
                keeping = false;
                last_checked = reinterpret_borrow<object>(row);
            }
        }
        if (count <= max_values) {
            value.rows.resize(count);
        }
        return true;
    }
};

template <>
struct type_caster<velmora::python::RecordingAxes> {
    using Names = std::vector<std::string>;
    PYBIND11_TYPE_CASTER(velmora::python::RecordingAxes, make_caster<Names>::name);

    bool load(handle src, bool convert) {
        const std::optional<sequence> names = velmora::python::vector_source(src, convert);
        if (!names) {
            return false;
        }
        const std::size_t count = names->size();
        // More axes than values: no axes stand in, refused for the size like this many.
        const bool keeping = count <= velmora::SampledRecording::MAX_VALUES;
        value.names.clear();
        if (keeping) {
            value.names.reserve(count);
        }
        for (const handle name : *names) {
            // A view converts like a string but copies nothing.
            make_caster<std::string_view> text;
            if (!text.load(name, convert)) {
                return false;
            }
            if (!keeping) {
                continue;
            }
            const std::string_view view = cast_op<std::string_view>(text);
            // Longer than any identifier: an empty stand-in is refused the same way,
            // without copying the text once per repetition.
            if (view.size() > velmora::SampledRecording::MAX_NAME_BYTES) {
                value.names.emplace_back();
            } else {
                value.names.emplace_back(view);
            }
        }
        return true;
    }
};

}  // namespace pybind11::detail

namespace velmora::python {

void register_sampled_recording(py::module_& module) {
    py::class_<SampledRecording> cls(module, "SampledRecording");
    cls.def(py::init([](std::string name, RecordingAxes axes, const RecordingRows& rows, double bpm,
                        double beat_zero_seconds, std::int32_t start_pip) {
                return SampledRecording(std::move(name), std::move(axes.names), rows.rows, bpm, beat_zero_seconds,
                                        start_pip);
            }),
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
