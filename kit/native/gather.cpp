// velmora_kit._gather: the loops of gather.hpp over numpy buffers. The Python side checks
// the arguments' kinds and shapes; they are checked again here, so that no call of this
// module, however wrong, can make a loop read or write outside a buffer.
#include "gather.hpp"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <stdexcept>

namespace py = pybind11;
using velmora_kit_native::Rows;

namespace {

// numpy hands out views at any byte offset (np.frombuffer(..., offset=1)); a load through
// a misaligned pointer is undefined behaviour, so such buffers are refused here and the
// Python side copies them first.
template <typename T>
bool aligned(const py::array& array) {
    return reinterpret_cast<std::uintptr_t>(array.data()) % alignof(T) == 0;
}

Rows check(const py::array& table, const py::array& pips, const py::array& out) {
    constexpr auto contiguous = py::array::c_style;
    if (!py::isinstance<py::array_t<double, contiguous>>(table) || table.ndim() != 2 || table.shape(1) != 3 ||
        table.shape(0) < 1 || !aligned<double>(table))
        throw std::invalid_argument("table must be an aligned C-contiguous float64 array of shape (period, 3)");
    if (!(pips.flags() & contiguous)) throw std::invalid_argument("pips must be a C-contiguous array");
    if (!py::isinstance<py::array_t<double, contiguous>>(out) || !out.writeable() || out.size() != 3 * pips.size() ||
        !aligned<double>(out))
        throw std::invalid_argument("out must be a writable aligned C-contiguous float64 array of 3 values per pip");
    return {static_cast<const double*>(table.data()), table.shape(0), static_cast<double*>(py::array(out).mutable_data())};
}

std::int64_t gather_step(const py::array& table, const py::array& pips, const py::array& out) {
    const Rows rows = check(table, pips, out);
    if (py::isinstance<py::array_t<std::int64_t>>(pips) && aligned<std::int64_t>(pips))
        return velmora_kit_native::gather_step(rows, static_cast<const std::int64_t*>(pips.data()), pips.size());
    if (py::isinstance<py::array_t<std::int32_t>>(pips) && aligned<std::int32_t>(pips))
        return velmora_kit_native::gather_step(rows, static_cast<const std::int32_t*>(pips.data()), pips.size());
    throw std::invalid_argument("pips must be an aligned int32 or int64 array");
}

std::int64_t gather_linear(const py::array& table, const py::array& pips, const py::array& out) {
    const Rows rows = check(table, pips, out);
    if (!py::isinstance<py::array_t<double>>(pips) || !aligned<double>(pips))
        throw std::invalid_argument("pips must be an aligned float64 array");
    return velmora_kit_native::gather_linear(rows, static_cast<const double*>(pips.data()), pips.size());
}

}  // namespace

PYBIND11_MODULE(_gather, m) {
    m.def("gather_step", &gather_step, py::arg("table"), py::arg("pips"), py::arg("out"));
    m.def("gather_linear", &gather_linear, py::arg("table"), py::arg("pips"), py::arg("out"));
}
