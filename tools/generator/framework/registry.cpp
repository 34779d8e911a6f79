#include "framework/registry.hpp"

#include <stdexcept>

namespace velmora::generator {

void RendererRegistry::add(std::string name, Renderer renderer) {
    if (!renderer) {
        throw std::invalid_argument("renderer " + name + ": empty function");
    }
    const std::string key = name;
    if (!exact_.emplace(std::move(name), std::move(renderer)).second) {
        throw std::invalid_argument("renderer " + key + ": registered twice");
    }
}

void RendererRegistry::add_family(std::string prefix, Renderer renderer) {
    if (!renderer) {
        throw std::invalid_argument("renderer family " + prefix + ": empty function");
    }
    if (prefix.empty() || prefix.back() != '_') {
        throw std::invalid_argument("renderer family " + prefix + ": a family prefix ends with an underscore");
    }
    const std::string key = prefix;
    if (!families_.emplace(std::move(prefix), std::move(renderer)).second) {
        throw std::invalid_argument("renderer family " + key + ": registered twice");
    }
}

RendererRegistry::Match RendererRegistry::find(std::string_view name) const {
    Match match{nullptr, {}, {}};
    if (const auto exact = exact_.find(name); exact != exact_.end()) {
        match = {&exact->second, {}, exact->first};
    }
    for (const auto& [prefix, renderer] : families_) {
        if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        if (match.renderer != nullptr) {
            throw std::invalid_argument("pattern " + std::string(name) + ": covered by both " +
                                        std::string(match.registered_as) + " and " + prefix);
        }
        match = {&renderer, name.substr(prefix.size()), prefix};
    }
    return match;
}

std::vector<std::string> RendererRegistry::registrations() const {
    std::vector<std::string> keys;
    for (const auto& entry : exact_) {
        keys.push_back(entry.first);
    }
    for (const auto& entry : families_) {
        keys.push_back(entry.first);
    }
    return keys;
}

}  // namespace velmora::generator
