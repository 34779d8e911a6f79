// velmora_kit._gather: the loops of gather.hpp over numpy buffers. The Python side checks
// the arguments' kinds and shapes; they are checked again here, so that no call of this
// module, however wrong, can make a loop read or write outside a buffer.
#include "gather.hpp"

#include <dlfcn.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "python/kit_access.hpp"

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

// `stack` (rows, 3) with tables at `offsets` of `periods` rows; out holds 3 doubles per
// table per pip.
std::int64_t gather_stack(const py::array& stack, const py::array& offsets, const py::array& periods,
                          const py::array& pips, const py::array& out) {
    constexpr auto contiguous = py::array::c_style;
    if (!py::isinstance<py::array_t<double, contiguous>>(stack) || stack.ndim() != 2 || stack.shape(1) != 3 ||
        !aligned<double>(stack))
        throw std::invalid_argument("stack must be an aligned C-contiguous float64 array of shape (rows, 3)");
    if (!py::isinstance<py::array_t<std::int64_t, contiguous>>(offsets) ||
        !py::isinstance<py::array_t<std::int64_t, contiguous>>(periods) || offsets.ndim() != 1 ||
        periods.ndim() != 1 || offsets.size() != periods.size() || !aligned<std::int64_t>(offsets) ||
        !aligned<std::int64_t>(periods))
        throw std::invalid_argument("offsets and periods must be aligned C-contiguous int64 arrays of one length");
    const auto* first = static_cast<const std::int64_t*>(offsets.data());
    const auto* period = static_cast<const std::int64_t*>(periods.data());
    const std::int64_t tables = offsets.size();
    for (std::int64_t j = 0; j < tables; ++j)
        if (period[j] < 1 || first[j] < 0 || first[j] > stack.shape(0) - period[j])
            throw std::invalid_argument("table " + std::to_string(j) + " does not lie inside the stack");
    if (!(pips.flags() & contiguous) || !py::isinstance<py::array_t<std::int64_t>>(pips) || !aligned<std::int64_t>(pips))
        throw std::invalid_argument("pips must be an aligned C-contiguous int64 array");
    // `out` is either C-contiguous with 3 values per table and pip, or a (pips, tables, 3)
    // view whose tables sit side by side within each pip's row of a wider array.
    constexpr auto double_size = static_cast<py::ssize_t>(sizeof(double));
    const bool writable_doubles = py::isinstance<py::array_t<double>>(out) && out.writeable() && aligned<double>(out);
    const bool whole = writable_doubles && (out.flags() & contiguous) && out.size() == 3 * tables * pips.size();
    const bool columns = writable_doubles && out.ndim() == 3 && out.shape(0) == pips.size() &&
                         out.shape(1) == tables && out.shape(2) == 3 && out.strides(2) == double_size &&
                         out.strides(1) == 3 * double_size && out.strides(0) % double_size == 0 &&
                         out.strides(0) >= 3 * double_size * tables;
    if (!whole && !columns)
        throw std::invalid_argument(
            "out must be a writable float64 array of shape (pips, tables, 3), C-contiguous within each pip");
    const std::int64_t out_stride = whole ? 3 * tables : out.strides(0) / double_size;
    const velmora_kit_native::Stack s{static_cast<const double*>(stack.data()), first, period, tables,
                                      static_cast<double*>(py::array(out).mutable_data()), out_stride};
    return velmora_kit_native::gather_stack(s, static_cast<const std::int64_t*>(pips.data()), pips.size());
}

// The velmora module's record, found once in the module as Python loaded it: dlopen with
// RTLD_NOLOAD returns the loaded object and never loads a second copy of its tables.
const velmora_kit_access_record* access_record = nullptr;

void attach(const std::string& module_path) {
    void* handle = dlopen(module_path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) throw std::runtime_error("the velmora module is not loaded from " + module_path);
    const auto access = reinterpret_cast<velmora_kit_access_function>(dlsym(handle, VELMORA_KIT_ACCESS_SYMBOL));
    dlclose(handle);  // drops only the reference taken here: Python keeps the module loaded
    if (access == nullptr) throw std::runtime_error("the velmora module at " + module_path + " offers no tables");
    const velmora_kit_access_record* record = access();
    if (record->version != VELMORA_KIT_ACCESS_VERSION)
        throw std::runtime_error("the velmora module at " + module_path + " is of another version than velmora_kit");
    access_record = record;
    // pybind11 looks numpy's C API up on the first array it makes (about 0.3 ms): do it
    // now, at import, so that a first table costs only its rows.
    py::array_t<double>(0);
}

const velmora_kit_access_record& attached() {
    if (access_record == nullptr) throw std::runtime_error("velmora_kit._gather is not attached to the velmora module");
    return *access_record;
}

// Every entry's facts, as (collection, family, groove, groove title, motion) tuples.
py::list facts() {
    const velmora_kit_access_record& record = attached();
    py::list rows;
    for (std::size_t i = 0; i < record.entry_count; ++i) {
        const velmora_kit_row_facts& f = record.facts[i];
        rows.append(py::make_tuple(f.collection, f.family, f.groove, f.groove_title, f.motion));
    }
    return rows;
}

// Pips 0 .. rows - 1 of catalogue entry `index`, as a new (rows, 3) float64 array.
py::array_t<double> table(std::size_t index, std::int64_t rows) {
    const velmora_kit_access_record& record = attached();
    if (index >= record.entry_count) throw std::invalid_argument("no catalogue entry " + std::to_string(index));
    if (rows < 1 || rows > 65536) throw std::invalid_argument("rows must lie in [1, 65536], got " + std::to_string(rows));
    py::array_t<double> out({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(3)});
    record.fill_table(index, rows, out.mutable_data());
    return out;
}

}  // namespace

PYBIND11_MODULE(_gather, m) {
    m.def("gather_step", &gather_step, py::arg("table"), py::arg("pips"), py::arg("out"));
    m.def("gather_linear", &gather_linear, py::arg("table"), py::arg("pips"), py::arg("out"));
    m.def("gather_stack", &gather_stack, py::arg("stack"), py::arg("offsets"), py::arg("periods"), py::arg("pips"),
          py::arg("out"));
    m.def("attach", &attach, py::arg("module_path"));
    m.def("facts", &facts);
    m.def("table", &table, py::arg("index"), py::arg("rows"));
}
