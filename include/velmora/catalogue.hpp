#pragma once

// The built-in catalogue: 1,731 named patterns (the fifteen core ones first, then the
// pre-rendered ones), listed by catalogue() and evaluated by name with sample().

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <velmora/offset3.hpp>

namespace velmora {

// Describes one pattern. For built-in entries the views point into static text.
struct CatalogueEntry {
    std::string_view name;
    std::string_view description;
    std::uint16_t period_pips;
    std::uint8_t dimensions;
};

// Thrown for a name that no built-in pattern has: a std::invalid_argument whose message is
// "Unknown velmora: " and the name. The name may hold any bytes, a zero byte included, so
// the whole message is also kept with its length for callers that must not cut it short.
class UnknownPatternName : public std::invalid_argument {
public:
    explicit UnknownPatternName(std::string_view name);
    std::string_view message() const noexcept { return *message_; }

private:
    explicit UnknownPatternName(std::shared_ptr<const std::string> message);
    std::shared_ptr<const std::string> message_;  // shared, so copying cannot throw
};

// The 15 core entries followed by every pre-rendered entry, in table order.
// Built on first use; the same vector is returned on every call.
const std::vector<CatalogueEntry>& catalogue();

// Evaluates the built-in pattern called `name` at `pip`.
// Throws UnknownPatternName for any other name.
Offset3 sample(std::string_view name, std::int32_t pip);

}  // namespace velmora
