#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstddef>
#include <optional>

// Helpers for the conversions that stop early on inputs too large to be valid. A Python
// list that repeats one object can stand for far more data than it holds, so converting
// it whole before the size checks could exhaust memory.
namespace velmora::python {

// A vector argument as pybind11's own list conversion takes it: a sequence as it is; a
// generator, set, dict view, map or zip object exhausted into a tuple (convertible only).
inline std::optional<pybind11::sequence> vector_source(pybind11::handle src, bool convert) {
    if (!pybind11::detail::object_is_convertible_to_std_vector(src)) {
        return std::nullopt;
    }
    if (pybind11::isinstance<pybind11::sequence>(src)) {
        return pybind11::reinterpret_borrow<pybind11::sequence>(src);
    }
    if (!convert) {
        return std::nullopt;
    }
    return pybind11::sequence(pybind11::tuple(pybind11::reinterpret_borrow<pybind11::iterable>(src)));
}

// The length of an element that will convert as a sequence, known before converting it.
inline std::optional<std::size_t> known_length(pybind11::handle element) {
    if (pybind11::detail::object_is_convertible_to_std_vector(element) &&
        pybind11::isinstance<pybind11::sequence>(element)) {
        return pybind11::len(element);
    }
    return std::nullopt;
}

}  // namespace velmora::python
