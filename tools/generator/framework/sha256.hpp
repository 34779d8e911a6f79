#pragma once

// SHA-256 (FIPS 180-4) of a byte string: the digest behind the seeded controls. Small and
// self-contained, so that the generator needs no crypto library; checked against the
// standard's test vectors in tests/cpp/test_prerendered.cpp.

#include <array>
#include <cstdint>
#include <string_view>

namespace velmora::generator {

std::array<std::uint8_t, 32> sha256(std::string_view bytes) noexcept;

}  // namespace velmora::generator
