#pragma once

#include <cstddef>
#include <string_view>

namespace velmora {

// The naming rule for user-chosen names (patterns, recordings, axes): 1 to max_bytes
// bytes, a lower-case ASCII letter first, then lower-case letters, digits or '_'.
// Anything outside plain ASCII is refused, so every accepted name is valid UTF-8.
constexpr bool is_identifier(std::string_view text, std::size_t max_bytes) noexcept {
    if (text.empty() || text.size() > max_bytes) {
        return false;
    }
    if (text.front() < 'a' || text.front() > 'z') {
        return false;
    }
    for (const char byte : text) {
        const bool allowed = (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') || byte == '_';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

}  // namespace velmora
