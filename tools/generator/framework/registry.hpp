#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/offset3.hpp"

namespace velmora::generator {

// What a renderer is asked to draw: the pattern's full name, the part of the name after
// the family prefix (empty for a renderer registered under the full name) and the
// declared period.
struct RenderRequest {
    std::string_view name;
    std::string_view suffix;
    std::uint32_t period;
};

// Produces exactly `period` raw samples, for pips 0 to period - 1. The framework rounds,
// checks and emits them; a renderer does its own normalisation where a shape needs it.
using Renderer = std::function<std::vector<Offset3>(const RenderRequest&)>;

// Renderers by exact pattern name or by family prefix. A pattern is matched by at most
// one registration; every registration must match at least one catalogue row.
class RendererRegistry {
public:
    void add(std::string name, Renderer renderer);
    void add_family(std::string prefix, Renderer renderer);

    struct Match {
        const Renderer* renderer;  // nullptr when nothing is registered for the name
        std::string_view suffix;
        std::string_view registered_as;
    };
    // Throws std::invalid_argument when two registrations cover the same name.
    Match find(std::string_view name) const;

    // Every registration, exact names first, for the check that each one is used.
    std::vector<std::string> registrations() const;

private:
    std::map<std::string, Renderer, std::less<>> exact_;
    std::map<std::string, Renderer, std::less<>> families_;
};

// Registration functions, one per renderer file; main.cpp calls each once.
void add_closed_form_renderers(RendererRegistry& registry);
void add_rhythm_renderers(RendererRegistry& registry);
void add_keyframe_renderers(RendererRegistry& registry);
void add_designed_single_renderers(RendererRegistry& registry);
void add_noise_renderers(RendererRegistry& registry);
void add_designed_atlas_renderers(RendererRegistry& registry);
void add_continuum_shape_renderers(RendererRegistry& registry);
void add_continuum_rhythm_renderers(RendererRegistry& registry);
void add_groove_renderers(RendererRegistry& registry);

}  // namespace velmora::generator
