#include <pybind11/pybind11.h>

#include <exception>

#include "catalogue/catalogue.hpp"
#include "core/offset3.hpp"
#include "python/bindings.hpp"

namespace {

// An unknown name reaches Python as ValueError like every std::invalid_argument, but with
// its whole message: the default translation reads what() as a C string, which would stop
// at a zero byte in the name and drop a message that is not valid UTF-8. Bytes that are
// not UTF-8 are shown as backslash escapes.
void translate_unknown_pattern_name(std::exception_ptr thrown) {
    try {
        if (thrown) {
            std::rethrow_exception(thrown);
        }
    } catch (const velmora::UnknownPatternName& error) {
        const std::string_view message = error.message();
        PyObject* text =
            PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "backslashreplace");
        if (text != nullptr) {
            PyErr_SetObject(PyExc_ValueError, text);
            Py_DECREF(text);
        }
    }
}

}  // namespace

// pybind11's module machinery supplies the interpreter-version guard, the multi-phase
// definition and the per-interpreter module cache that makes a second import return the
// same module object. Its entry point is spelled out here only to refuse sub-interpreters
// first: on this interpreter version pybind11 takes the interpreter lock through the
// thread's main-interpreter state, and from a sub-interpreter that waits for ever.
static int pybind11_exec_velmora(PyObject* module);

extern "C" PYBIND11_EXPORT PyObject* PyInit_velmora() {
    PYBIND11_CHECK_PYTHON_VERSION
    if (PyInterpreterState_Get() != PyInterpreterState_Main()) {
        PyErr_SetString(PyExc_ImportError, "velmora cannot be imported in a sub-interpreter: "
                                           "sub-interpreters are not supported");
        return nullptr;
    }
    try {
        pybind11::detail::ensure_internals();
        static pybind11::detail::slots_array slots = pybind11::detail::init_slots(&pybind11_exec_velmora);
        static PyModuleDef definition{PyModuleDef_HEAD_INIT,
                                      /* m_name */ "velmora",
                                      /* m_doc */ nullptr,
                                      /* m_size */ 0,
                                      /* m_methods */ nullptr,
                                      /* m_slots */ slots.data(),
                                      /* m_traverse */ nullptr,
                                      /* m_clear */ nullptr,
                                      /* m_free */ nullptr};
        return PyModuleDef_Init(&definition);
    }
    PYBIND11_CATCH_INIT_EXCEPTIONS
    return nullptr;
}

PYBIND11_MODULE_EXEC(velmora, module) {
    using namespace velmora::python;
    pybind11::register_local_exception_translator(translate_unknown_pattern_name);
    module.doc() = "Integer-pip rhythmic position functions";
    module.attr("PIPS_PER_BEAT") = velmora::PIPS_PER_BEAT;
    register_sampled_recording(module);
    register_offset3(module);
    register_sampled_pattern(module);
    register_pattern_library(module);
    register_catalogue_functions(module);
    register_core_functions(module);
}
