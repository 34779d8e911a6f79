#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "python/bindings.hpp"
#include "python/bounded_vectors.hpp"
#include <velmora/sampled_recording.hpp>

namespace py = pybind11;

namespace velmora::python {
namespace {

constexpr std::uint64_t MAX_VALUES = SampledRecording::MAX_VALUES;

// The rows as the constructor receives them. A list that repeats one object can stand for
// far more data than it holds ([[0.0] * 1000] * 10**6 is 8 MB of Python and 8 GB of
// doubles), so rows are kept only while those read so far can still make a valid
// recording. From the first row that breaks that (a length unlike the first row's, a
// value outside [-1, 1], more values than a recording holds) only that row's stand-in is
// kept: the recording checks rows in order and stops at that one at the latest, so the
// stand-in and the rows before it draw the message the whole input would draw.
struct RecordingRows {
    std::vector<std::vector<double>> rows;
    std::uint64_t count = 0;  // rows in the input, also those not kept
    bool whole = true;        // rows holds every row as given
};
struct RecordingAxes {
    std::vector<std::string> names;
    std::uint64_t count = 0;  // names in the input; more than a recording holds are not kept
};

// The size rule the recording applies before it reads any axis name or row: rows that were
// not kept still count there.
bool rows_fit(std::uint64_t axes, std::uint64_t rows, std::int32_t start_pip) {
    if (axes == 0 || axes > MAX_VALUES || rows == 0 || rows > MAX_VALUES / axes) {
        return false;
    }
    return static_cast<std::int64_t>(start_pip) + static_cast<std::int64_t>(rows) <=
           std::numeric_limits<std::int32_t>::max();
}

}  // namespace
}  // namespace velmora::python

namespace pybind11::detail {

template <>
struct type_caster<velmora::python::RecordingRows> {
    using Rows = std::vector<std::vector<double>>;
    PYBIND11_TYPE_CASTER(velmora::python::RecordingRows, make_caster<Rows>::name);

    bool load(handle src, bool convert) {
        using namespace velmora::python;
        const std::optional<object> rows = vector_source(src, convert);
        if (!rows) {
            return false;
        }
        if (const std::unique_ptr<NumberBuffer> table = NumberBuffer::of(*rows, 2)) {
            load_table(*table);
            return true;
        }
        const std::uint64_t declared = len(*rows);
        InvalidInputBudget budget(MAX_VALUES);
        if (declared > MAX_VALUES) {
            budget.known_invalid();
        }
        value = {};
        value.rows.reserve(std::min(declared, MAX_VALUES));
        std::uint64_t kept_values = 0;
        std::optional<std::uint64_t> first_length;
        bool keeping = true;  // every row read so far can belong to a valid recording
        Items items(*rows);
        while (true) {
            if (budget.exhausted()) {
                // Rows stop here. The size rule counts the rest; if it passes, an empty
                // stand-in makes sure rows cut short are never taken for a whole recording.
                if (keeping) {
                    value.rows.emplace_back();
                }
                value.whole = false;
                value.count = std::max(declared, value.count);
                return true;
            }
            const object row = items.next();
            if (!row) {
                break;
            }
            if (++value.count > MAX_VALUES) {
                budget.known_invalid();
            }
            budget.spend(1);
            if (!element_is_vector(row, convert)) {
                return false;
            }
            if (const std::optional<std::uint64_t> length = declared_length(row); length && *length > MAX_VALUES) {
                budget.known_invalid();  // longer than any row can be: `[range(10**12)]`
            }
            std::vector<double> values;
            std::uint64_t length = 0;
            bool unit_values = true;
            bool cut = false;  // the budget ran out inside this row
            const auto take = [&](double number) {
                ++length;
                budget.spend(1);
                if (!(std::isfinite(number) && std::fabs(number) <= 1.0)) {
                    unit_values = false;
                    budget.known_invalid();
                }
                if (length > MAX_VALUES) {
                    budget.known_invalid();
                } else if (keeping) {
                    values.push_back(number);
                }
            };
            if (const std::unique_ptr<NumberBuffer> numbers = NumberBuffer::of(row, 1)) {
                // Plain numbers convert whatever they are, so only a row that can still
                // belong to a recording needs reading.
                if (numbers->extent(0) > MAX_VALUES) {
                    length = numbers->extent(0);
                    budget.known_invalid();
                } else {
                    for (std::uint64_t index = 0; index < numbers->extent(0); ++index) {
                        take(numbers->at(index));
                    }
                }
            } else {
                Items row_items(row);
                while (true) {
                    if (budget.exhausted()) {
                        cut = true;
                        break;
                    }
                    const object item = row_items.next();
                    if (!item) {
                        break;
                    }
                    double number = 0.0;
                    if (!load_double(item, convert, number)) {
                        return false;
                    }
                    take(number);
                }
            }
            if (!keeping) {
                continue;
            }
            const bool alike =
                !cut && length >= 1 && length <= MAX_VALUES && (!first_length || length == *first_length);
            if (alike && unit_values && kept_values + length <= MAX_VALUES) {
                first_length = length;
                kept_values += length;
                value.rows.push_back(std::move(values));
                continue;
            }
            keeping = false;
            value.whole = false;
            budget.known_invalid();
            if (!alike) {
                // Ragged for whatever number of axes the recording has, as an empty row is.
                value.rows.emplace_back();
            } else if (!unit_values) {
                value.rows.push_back(std::move(values));  // its length decides: ragged or invalid sample
            }
            // Otherwise the values outgrow the recording: with as many axes as the rows have
            // values the size rule refuses it; with any other number the first row is ragged.
        }
        return true;
    }

private:
    // A two-dimensional array of numbers: all its rows have one length, so its shape alone
    // says whether it can fit, and its values need reading only then.
    void load_table(const velmora::python::NumberBuffer& table) {
        using namespace velmora::python;
        value = {};
        value.count = table.extent(0);
        const std::uint64_t length = table.extent(1);
        if (value.count == 0) {
            return;
        }
        if (length == 0 || length > MAX_VALUES || value.count > MAX_VALUES / length) {
            value.rows.emplace_back();  // as for rows of Python lists with the same shape
            value.whole = false;
            return;
        }
        value.rows.reserve(value.count);
        for (std::uint64_t index = 0; index < value.count; ++index) {
            std::vector<double>& row = value.rows.emplace_back(length);
            bool unit_values = true;
            for (std::uint64_t column = 0; column < length; ++column) {
                row[column] = table.at(index, column);
                unit_values = unit_values && std::isfinite(row[column]) && std::fabs(row[column]) <= 1.0;
            }
            if (!unit_values) {
                value.whole = false;  // the first row that fails decides
                return;
            }
        }
    }
};

template <>
struct type_caster<velmora::python::RecordingAxes> {
    using Names = std::vector<std::string>;
    PYBIND11_TYPE_CASTER(velmora::python::RecordingAxes, make_caster<Names>::name);

    bool load(handle src, bool convert) {
        using namespace velmora::python;
        const std::optional<object> names = vector_source(src, convert);
        if (!names) {
            return false;
        }
        const std::uint64_t declared = len(*names);
        InvalidInputBudget budget(MAX_VALUES);
        if (declared > MAX_VALUES) {
            budget.known_invalid();
        }
        value = {};
        Items items(*names);
        while (!budget.exhausted()) {
            const object name = items.next();
            if (!name) {
                return true;
            }
            // A view converts like a string but copies nothing.
            make_caster<std::string_view> text;
            if (!text.load(name, convert)) {
                return false;
            }
            budget.spend(1);
            if (++value.count > MAX_VALUES) {
                budget.known_invalid();
                value.names.clear();  // refused for their number whatever they hold
                continue;
            }
            if (budget.invalid()) {
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
        value.count = std::max(declared, value.count);
        return true;
    }
};

}  // namespace pybind11::detail

namespace velmora::python {

void register_sampled_recording(py::module_& module) {
    py::class_<SampledRecording> cls(module, "SampledRecording");
    cls.def(py::init([](std::string name, RecordingAxes axes, const RecordingRows& rows, double bpm,
                        double beat_zero_seconds, std::int32_t start_pip) {
                if (axes.count > MAX_VALUES) {
                    axes.names.clear();  // refused for their number, as no axes are
                }
                if (!rows.whole && !rows_fit(axes.count, rows.count, start_pip)) {
                    // Refused for the size, as no rows are; otherwise the rows kept lead
                    // the recording to the first row that fails, as the whole input would.
                    return SampledRecording(std::move(name), std::move(axes.names), {}, bpm, beat_zero_seconds,
                                            start_pip);
                }
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
