#pragma once
// Helpers shared by the C++ tests of the user-facing classes.

#include <stdexcept>
#include <string>
#include <string_view>

namespace velmora::test_support {

// Built by appending: GCC 12 warns falsely (-Wrestrict) on literal + std::to_string.
inline std::string numbered(std::string prefix, int number, std::string_view suffix = {}) {
    prefix += std::to_string(number);
    prefix += suffix;
    return prefix;
}

// The message of the std::invalid_argument that `f` throws.
template <typename F>
std::string message_of(F&& f) {
    try {
        f();
    } catch (const std::invalid_argument& e) {
        return e.what();
    }
    return "<no std::invalid_argument>";
}

}  // namespace velmora::test_support
