#pragma once

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

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

// The items of an iterable, each one an owned reference. A list or tuple is read by index,
// as its own iterator does, which saves making an iterator for every row.
class Items {
public:
    explicit Items(pybind11::handle iterable)
        : by_index_(PyList_CheckExact(iterable.ptr()) || PyTuple_CheckExact(iterable.ptr())) {
        if (by_index_) {
            source_ = pybind11::reinterpret_borrow<pybind11::object>(iterable);
            return;
        }
        source_ = pybind11::reinterpret_steal<pybind11::object>(PyObject_GetIter(iterable.ptr()));
        if (!source_) {
            throw pybind11::error_already_set();
        }
    }

    // The next item, or a null object after the last; an error raised while making it
    // (other than the IndexError that ends an old-style sequence) propagates.
    pybind11::object next() {
        if (by_index_) {
            // The size is read anew each time: converting an item may run code that
            // changes the list.
            PyObject* const sequence = source_.ptr();
            const bool list = PyList_CheckExact(sequence);
            if (index_ >= (list ? PyList_GET_SIZE(sequence) : PyTuple_GET_SIZE(sequence))) {
                return {};
            }
            PyObject* const item = list ? PyList_GET_ITEM(sequence, index_) : PyTuple_GET_ITEM(sequence, index_);
            ++index_;
            return pybind11::reinterpret_borrow<pybind11::object>(item);
        }
        pybind11::object item = pybind11::reinterpret_steal<pybind11::object>(PyIter_Next(source_.ptr()));
        if (!item && PyErr_Occurred() != nullptr) {
            throw pybind11::error_already_set();
        }
        return item;
    }

private:
    bool by_index_;
    pybind11::object source_;
    Py_ssize_t index_ = 0;
};

// The numbers of an array that exports them through the buffer protocol (a numpy array of
// a plain numeric type, array.array, a memoryview), read in place: each value is what
// pybind11 would make of the element that iterating the array yields, without making
// that element. Other exporters, and numpy arrays of objects, are read item by item.
class NumberBuffer {
public:
    // The buffer of `source` if it has `dimensions` dimensions of plain native numbers.
    static std::unique_ptr<NumberBuffer> of(pybind11::handle source, int dimensions) {
        if (!PyObject_CheckBuffer(source.ptr())) {
            return nullptr;
        }
        auto buffer = std::make_unique<NumberBuffer>();
        if (PyObject_GetBuffer(source.ptr(), &buffer->view_, PyBUF_RECORDS_RO) != 0) {
            PyErr_Clear();  // numpy refuses its object arrays here; those are read item by item
            return nullptr;
        }
        buffer->held_ = true;
        const char* format = buffer->view_.format == nullptr ? "B" : buffer->view_.format;
        if (*format == '@') {
            ++format;
        }
        buffer->kind_ = format[0] != '\0' && format[1] == '\0' ? format[0] : '\0';
        if (buffer->view_.ndim != dimensions || buffer->item_size() != buffer->view_.itemsize) {
            return nullptr;
        }
        return buffer;
    }

    NumberBuffer() = default;
    NumberBuffer(const NumberBuffer&) = delete;
    NumberBuffer& operator=(const NumberBuffer&) = delete;
    ~NumberBuffer() {
        if (held_) {
            PyBuffer_Release(&view_);
        }
    }

    std::uint64_t extent(int dimension) const { return static_cast<std::uint64_t>(view_.shape[dimension]); }

    // The value at `index` along the first dimension and `column` along the second.
    double at(std::uint64_t index, std::uint64_t column = 0) const {
        const char* item = static_cast<const char*>(view_.buf) + static_cast<Py_ssize_t>(index) * view_.strides[0];
        if (view_.ndim == 2) {
            item += static_cast<Py_ssize_t>(column) * view_.strides[1];
        }
        switch (kind_) {
            case 'd': return read<double>(item);
            case 'f': return read<float>(item);
            case '?': return read<unsigned char>(item) != 0 ? 1.0 : 0.0;
            case 'b': return read<signed char>(item);
            case 'B': return read<unsigned char>(item);
            case 'h': return read<short>(item);
            case 'H': return read<unsigned short>(item);
            case 'i': return read<int>(item);
            case 'I': return read<unsigned int>(item);
            case 'l': return static_cast<double>(read<long>(item));
            case 'L': return static_cast<double>(read<unsigned long>(item));
            case 'q': return static_cast<double>(read<long long>(item));
            case 'Q': return static_cast<double>(read<unsigned long long>(item));
            default: return 0.0;  // not reached: of() admits only the kinds above
        }
    }

private:
    template <typename T>
    static T read(const char* item) {
        T value;
        std::memcpy(&value, item, sizeof value);
        return value;
    }

    // The size of one number of this kind, or 0 for a kind that is not read in place.
    Py_ssize_t item_size() const {
        switch (kind_) {
            case 'd': return sizeof(double);
            case 'f': return sizeof(float);
            case '?': return sizeof(bool);
            case 'b': case 'B': return 1;
            case 'h': case 'H': return sizeof(short);
            case 'i': case 'I': return sizeof(int);
            case 'l': case 'L': return sizeof(long);
            case 'q': case 'Q': return sizeof(long long);
            default: return 0;
        }
    }

    Py_buffer view_{};
    bool held_ = false;
    char kind_ = '\0';
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
    if (PyFloat_CheckExact(item.ptr())) {
        out = PyFloat_AS_DOUBLE(item.ptr());
        return true;
    }
    pybind11::detail::make_caster<double> number;
    if (!number.load(item, convert)) {
        return false;
    }
    out = pybind11::detail::cast_op<double>(number);
    return true;
}

}  // namespace velmora::python
