#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/offset3.hpp"

namespace velmora::generator {

// What a drawing is asked to draw: the pattern's full name, the parameters its row gives
// it (a family member's suffix, "3_7" for euclid_3_7; empty for a pattern drawn on its
// own) and the declared period.
struct RenderRequest {
    std::string_view name;
    std::string_view suffix;
    std::uint32_t period;
};

// Produces exactly `period` raw samples, for pips 0 to period - 1. The framework rounds,
// checks and emits them; a drawing does its own normalisation where a shape needs it.
using Renderer = std::function<std::vector<Offset3>(const RenderRequest&)>;

// A row's drawing: how its samples are made, and the parameters they are made from. It
// has no default, so a row that names no drawing does not compile.
struct Drawing {
    Drawing(Renderer draw, std::string parameters = {}) : draw(std::move(draw)), parameters(std::move(parameters)) {}

    Renderer draw;
    std::string parameters;
};

}  // namespace velmora::generator
