#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstddef>
#include <cstdint>
#include <optional>

// Helpers for the conversions that stop early on inputs too large to be valid. A Python
// list that repeats one object, or a sequence that makes its items on demand, can stand
// for far more data than it holds, so converting it whole before the checks could take
// all memory or hours.
//
// Every item is held as an owned reference for as long as it is read: a numpy array or a
// user sequence makes a new object on each access, which nothing else keeps alive.
namespace velmora::python {

// A vector argument as pybind11's own list conversion takes it: a sequence as it is; a
// generator, set, dict view, map or zip object exhausted into a tuple (convertible only).
inline std::optional<pybind11::object> vector_source(pybind11::handle src, bool convert) {
    if (!pybind11::detail::object_is_convertible_to_std_vector(src)) {
        return std::nullopt;
    }
    if (pybind11::isinstance<pybind11::sequence>(src)) {
        return pybind11::reinterpret_borrow<pybind11::object>(src);
    }
    if (!convert) {
        return std::nullopt;
    }
    return pybind11::tuple(pybind11::reinterpret_borrow<pybind11::iterable>(src));
}

// Whether an element (a row, a sample) converts as a vector. Unlike the outer argument it
// is read item by item, also when it is a generator, so that reading stops where it must.
inline bool element_is_vector(pybind11::handle element, bool convert) {
    return pybind11::detail::object_is_convertible_to_std_vector(element) &&
           (convert || pybind11::isinstance<pybind11::sequence>(element));
}

// The number of items a sequence says it has, for a verdict ahead of reading the items:
// the items read decide in the end. Asking raises what the sequence's __len__ raises, as
// in pybind11's own conversion.
inline std::optional<std::uint64_t> declared_length(pybind11::handle element) {
    if (!pybind11::isinstance<pybind11::sequence>(element)) {
        return std::nullopt;
    }
    return pybind11::len(element);
}

// The items of an iterable, each one an owned reference.
class Items {
public:
    explicit Items(pybind11::handle iterable)
        : iterator_(pybind11::reinterpret_steal<pybind11::object>(PyObject_GetIter(iterable.ptr()))) {
        if (!iterator_) {
            throw pybind11::error_already_set();
        }
    }

    // The next item, or a null object after the last; an error raised while making it
    // (other than the IndexError that ends an old-style sequence) propagates.
    pybind11::object next() {
        pybind11::object item = pybind11::reinterpret_steal<pybind11::object>(PyIter_Next(iterator_.ptr()));
        if (!item && PyErr_Occurred() != nullptr) {
            throw pybind11::error_already_set();
        }
        return item;
    }

private:
    pybind11::object iterator_;
};

// The work allowed once an input is known to be invalid: as many further elements as the
// largest valid input can hold. Below it every element is still converted, so a foreign
// one still makes the call a TypeError; past it the construction's error is reported.
class InvalidInputBudget {
public:
    explicit InvalidInputBudget(std::uint64_t elements) : left_(elements) {}

    void known_invalid() noexcept { invalid_ = true; }
    bool invalid() const noexcept { return invalid_; }
    void spend(std::uint64_t elements) noexcept {
        if (invalid_) {
            left_ = elements < left_ ? left_ - elements : 0;
        }
    }
    bool exhausted() const noexcept { return invalid_ && left_ == 0; }

private:
    std::uint64_t left_;
    bool invalid_ = false;
};

// One number as pybind11 converts a double argument.
inline bool load_double(pybind11::handle item, bool convert, double& out) {
    pybind11::detail::make_caster<double> number;
    if (!number.load(item, convert)) {
        return false;
    }
    out = pybind11::detail::cast_op<double>(number);
    return true;
}

}  // namespace velmora::python
