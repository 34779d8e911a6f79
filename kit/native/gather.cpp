// The gather behind velmora_kit.render: rows of one loop table, picked by pip.
// Every pip is reduced into the loop before it indexes anything (a mask for a power-of-two
// period, the Euclidean remainder otherwise), so no pip value can read outside the table;
// the Python side checks the arguments' kinds and shapes, and this file checks them again.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace py = pybind11;

namespace {

// Table (period, 3) float64 and out (n, 3) float64, both C-contiguous; n pips.
struct Buffers {
    const double* table;
    std::int64_t period;
    double* out;
};

Buffers check(const py::array& table, const py::array& pips, const py::array& out) {
    constexpr auto contiguous = py::array::c_style;
    if (!py::isinstance<py::array_t<double, contiguous>>(table) || table.ndim() != 2 || table.shape(1) != 3 ||
        table.shape(0) < 1)
        throw std::invalid_argument("table must be a C-contiguous float64 array of shape (period, 3)");
    if (!(pips.flags() & contiguous)) throw std::invalid_argument("pips must be a C-contiguous array");
    if (!py::isinstance<py::array_t<double, contiguous>>(out) || !out.writeable() || out.size() != 3 * pips.size())
        throw std::invalid_argument("out must be a writable C-contiguous float64 array of 3 values per pip");
    return {static_cast<const double*>(table.data()), table.shape(0), static_cast<double*>(py::array(out).mutable_data())};
}

inline std::int64_t wrap(std::int64_t pip, std::int64_t period, bool power_of_two) {
    if (power_of_two) return pip & (period - 1);  // two's complement: equals the Euclidean remainder
    const std::int64_t r = pip % period;
    return r < 0 ? r + period : r;
}

// Returns the position of the first pip outside the signed 32-bit range, or -1; every row
// is written either way (from its wrapped pip), and the caller discards them on a refusal.
template <typename Pip>
std::int64_t step(const Buffers& b, const Pip* pips, std::int64_t count) {
    const bool power_of_two = (b.period & (b.period - 1)) == 0;
    std::int64_t first_bad = -1;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t pip = pips[i];
        if (pip != static_cast<std::int32_t>(pip) && first_bad < 0) first_bad = i;
        const double* row = b.table + 3 * wrap(pip, b.period, power_of_two);
        double* o = b.out + 3 * i;
        o[0] = row[0];
        o[1] = row[1];
        o[2] = row[2];
    }
    return first_bad;
}

std::int64_t gather_step(const py::array& table, const py::array& pips, const py::array& out) {
    const Buffers b = check(table, pips, out);
    if (py::isinstance<py::array_t<std::int64_t>>(pips))
        return step(b, static_cast<const std::int64_t*>(pips.data()), pips.size());
    if (py::isinstance<py::array_t<std::int32_t>>(pips))
        return step(b, static_cast<const std::int32_t*>(pips.data()), pips.size());
    throw std::invalid_argument("pips must be an int32 or int64 array");
}

// Linear interpolation between the rows at floor(p) and floor(p) + 1, wrapping across the
// loop: low + (high - low) * frac, the same operations as the numpy fallback. A pip that is
// not finite writes NaN; one far outside the 32-bit range is reduced exactly with fmod.
void gather_linear(const py::array& table, const py::array& pips, const py::array& out) {
    const Buffers b = check(table, pips, out);
    if (!py::isinstance<py::array_t<double>>(pips)) throw std::invalid_argument("pips must be a float64 array");
    const double* p = static_cast<const double*>(pips.data());
    const bool power_of_two = (b.period & (b.period - 1)) == 0;
    const double limit = 4611686018427387904.0;  // 2^62: beyond it the cast to int64 could overflow
    for (std::int64_t i = 0, n = pips.size(); i < n; ++i) {
        double* o = b.out + 3 * i;
        const double whole = std::floor(p[i]);
        if (!std::isfinite(whole)) {
            o[0] = o[1] = o[2] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        const double frac = p[i] - whole;
        std::int64_t low;
        if (std::fabs(whole) < limit) {
            low = wrap(static_cast<std::int64_t>(whole), b.period, power_of_two);
        } else {
            double r = std::fmod(whole, static_cast<double>(b.period));
            low = static_cast<std::int64_t>(r < 0 ? r + static_cast<double>(b.period) : r);
        }
        const std::int64_t high = low + 1 == b.period ? 0 : low + 1;
        const double* a = b.table + 3 * low;
        const double* c = b.table + 3 * high;
        o[0] = a[0] + (c[0] - a[0]) * frac;
        o[1] = a[1] + (c[1] - a[1]) * frac;
        o[2] = a[2] + (c[2] - a[2]) * frac;
    }
}

}  // namespace

PYBIND11_MODULE(_gather, m) {
    m.def("gather_step", &gather_step, py::arg("table"), py::arg("pips"), py::arg("out"));
    m.def("gather_linear", &gather_linear, py::arg("table"), py::arg("pips"), py::arg("out"));
}
