// velmora_kit._warp: programs of warp.hpp built from Python and run over numpy buffers.
// Every index and buffer is checked here, so that no call, however wrong, can make the
// loops read or write outside a buffer; the tables a program reads are kept alive by it.
#include "warp.hpp"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;
namespace native = velmora_kit_native;

namespace {

using Triple = std::array<double, 3>;
using Doubles = py::array_t<double, py::array::c_style>;

class Program {
  public:
    int table(const py::array& rows) {
        if (!py::isinstance<Doubles>(rows) || rows.ndim() != 2 || rows.shape(1) != 3 || rows.shape(0) < 1)
            throw std::invalid_argument("rows must be a C-contiguous float64 array of shape (period, 3)");
        kept_.push_back(rows);
        return program_.add(native::Table{static_cast<const double*>(rows.data()), rows.shape(0)});
    }

    int layer(int child, double period, double phase, py::object swing, double rate_numerator,
              double rate_denominator, double source_period, py::object scale, py::object offset) {
        check_child(child);
        native::Layer l{};
        l.child = child;
        l.period = native::Divisor(period);
        l.phase = phase;
        l.rate_numerator = rate_numerator;
        l.rate_denominator = native::Divisor(rate_denominator);
        l.source_period = native::Divisor(source_period);
        if (!swing.is_none()) {
            // (2·grid, boundary, 2·swing, 2·(1 − swing), grid), as modify.py computes them
            const auto s = swing.cast<std::array<double, 5>>();
            l.swing = true;
            l.two_grid = native::Divisor(s[0]);
            l.boundary = s[1];
            l.early = native::Divisor(s[2]);
            l.late = native::Divisor(s[3]);
            l.grid = s[4];
        }
        l.values_identity = scale.is_none();
        if (!l.values_identity) {
            const auto sc = scale.cast<Triple>();
            const auto of = offset.cast<Triple>();
            for (int k = 0; k < 3; ++k) {
                l.scale[k] = sc[static_cast<std::size_t>(k)];
                l.offset[k] = of[static_cast<std::size_t>(k)];
            }
        }
        if (!(period >= 1.0 && period <= 0x1p52 && source_period >= 1.0 && source_period <= 0x1p52))
            throw std::invalid_argument("periods must lie in [1, 2**52]");
        return checked_depth(program_.add(l));
    }

    int sequence(const std::vector<int>& children, const std::vector<double>& ends, double crossfade) {
        if (children.empty() || children.size() != ends.size())
            throw std::invalid_argument("a sequence needs one end per child, at least one");
        for (int child : children) check_child(child);
        if (!(ends.back() >= 1.0 && ends.back() <= 2147483647.0) || !(crossfade >= 0.0))
            throw std::invalid_argument("a sequence's loop must lie in [1, 2**31 - 1]");
        return checked_depth(
            program_.add(native::Sequence{children, ends, native::Divisor(ends.back()), native::Divisor(crossfade)}));
    }

    py::array_t<std::int64_t> render(int root, const py::array& pips, const py::array& out) const {
        check_child(root);
        if (!py::isinstance<Doubles>(pips) || pips.ndim() != 1)
            throw std::invalid_argument("pips must be a C-contiguous 1-D float64 array");
        if (!py::isinstance<Doubles>(out) || !out.writeable() || out.size() != 3 * pips.size())
            throw std::invalid_argument("out must be a writable C-contiguous float64 array of 3 values per pip");
        const double* in = static_cast<const double*>(pips.data());
        double* rows = static_cast<double*>(py::array(out).mutable_data());
        std::vector<std::int64_t> left;
        {
            py::gil_scoped_release unlocked;
            left = native::render(program_, root, in, pips.size(), rows);
        }
        py::array_t<std::int64_t> result(static_cast<py::ssize_t>(left.size()));
        std::copy(left.begin(), left.end(), result.mutable_data());
        return result;
    }

  private:
    static int checked_depth(int node) {
        if (node < 0) throw std::invalid_argument("a program nests at most " + std::to_string(native::DEPTH) + " nodes deep");
        return node;
    }

    void check_child(int node) const {
        if (node < 0 || static_cast<std::size_t>(node) >= program_.nodes.size())
            throw std::invalid_argument("no such node");
    }

    native::Program program_;
    std::vector<py::array> kept_;
};

std::int64_t fan_step(const py::array& rows, const py::array& pips, std::int64_t copies, std::int64_t step,
                      const py::array& out) {
    if (!py::isinstance<Doubles>(rows) || rows.ndim() != 2 || rows.shape(1) != 3 || rows.shape(0) < 1)
        throw std::invalid_argument("rows must be a C-contiguous float64 array of shape (period, 3)");
    const std::int64_t period = rows.shape(0);
    if (copies < 1 || step < 0 || step >= period) throw std::invalid_argument("copies must be positive, step in [0, period)");
    if (!(pips.flags() & py::array::c_style)) throw std::invalid_argument("pips must be a C-contiguous array");
    if (!py::isinstance<Doubles>(out) || !out.writeable() || out.size() / 3 / copies != pips.size() ||
        out.size() != 3 * copies * pips.size())
        throw std::invalid_argument("out must be a writable C-contiguous float64 array of 3 values per pip and copy");
    const auto* table = static_cast<const double*>(rows.data());
    auto* target = static_cast<double*>(py::array(out).mutable_data());
    if (py::isinstance<py::array_t<std::int64_t>>(pips))
        return native::fan_rows(table, period, static_cast<const std::int64_t*>(pips.data()), pips.size(), copies, step,
                                target);
    if (py::isinstance<py::array_t<std::int32_t>>(pips))
        return native::fan_rows(table, period, static_cast<const std::int32_t*>(pips.data()), pips.size(), copies, step,
                                target);
    throw std::invalid_argument("pips must be an int32 or int64 array");
}

}  // namespace

PYBIND11_MODULE(_warp, m) {
    m.def("fan_step", &fan_step, py::arg("rows"), py::arg("pips"), py::arg("copies"), py::arg("step"), py::arg("out"));
    py::class_<Program>(m, "Program")
        .def(py::init<>())
        .def("table", &Program::table, py::arg("rows"))
        .def("layer", &Program::layer, py::arg("child"), py::arg("period"), py::arg("phase"), py::arg("swing"),
             py::arg("rate_numerator"), py::arg("rate_denominator"), py::arg("source_period"), py::arg("scale"),
             py::arg("offset"))
        .def("sequence", &Program::sequence, py::arg("children"), py::arg("ends"), py::arg("crossfade"))
        .def("render", &Program::render, py::arg("root"), py::arg("pips"), py::arg("out"));
}
