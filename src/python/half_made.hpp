#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "core/offset3.hpp"
#include <velmora/pattern_library.hpp>
#include <velmora/sampled_pattern.hpp>
#include <velmora/sampled_recording.hpp>

// Python can make an instance of a bound class without running its __init__: through
// Class.__new__, through the base __new__ of every pybind11 class, or as what a failed
// __init__ leaves behind. Such an instance owns no C++ object, and pybind11 would hand
// the methods fresh uninitialised storage in its place. The casters below refuse it
// wherever it is converted (as self of a method or property, or as an argument) with a
// TypeError; everything else is pybind11's own conversion.
namespace velmora::python {

// An instance counts as made once pybind11 has registered its C++ object, which it does
// as the constructor returns; a half-made one was never registered.
inline void refuse_half_made(pybind11::handle src, const pybind11::detail::type_info* type) {
    if (type == nullptr || !src || !PyObject_TypeCheck(src.ptr(), type->type)) {
        return;
    }
    auto* instance = reinterpret_cast<pybind11::detail::instance*>(src.ptr());
    const pybind11::detail::value_and_holder held = instance->get_value_and_holder(type, false);
    // (Not `held`'s own truth value: that tests for a value, which a half-made one lacks.)
    if (held.inst != nullptr && !held.instance_registered()) {
        throw pybind11::type_error(pybind11::detail::get_fully_qualified_tp_name(Py_TYPE(src.ptr())) +
                                   " object is not initialised: its __init__ did not complete");
    }
}

template <typename T>
class made_instance_caster : public pybind11::detail::type_caster_base<T> {
public:
    bool load(pybind11::handle src, bool convert) {
        refuse_half_made(src, this->typeinfo);
        return pybind11::detail::type_caster_base<T>::load(src, convert);
    }
};

}  // namespace velmora::python

namespace pybind11::detail {

template <>
class type_caster<velmora::Offset3> : public velmora::python::made_instance_caster<velmora::Offset3> {};
template <>
class type_caster<velmora::SampledPattern> : public velmora::python::made_instance_caster<velmora::SampledPattern> {};
template <>
class type_caster<velmora::PatternLibrary> : public velmora::python::made_instance_caster<velmora::PatternLibrary> {};
template <>
class type_caster<velmora::SampledRecording>
    : public velmora::python::made_instance_caster<velmora::SampledRecording> {};

}  // namespace pybind11::detail
