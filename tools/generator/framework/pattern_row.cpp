#include "framework/pattern_row.hpp"

#include <algorithm>
#include <stdexcept>

namespace velmora::generator {

std::string_view namespace_of(Collection collection) noexcept {
    switch (collection) {
        case Collection::initial: return "velmora_initial";
        case Collection::expansion: return "velmora_expansion";
        case Collection::atlas: return "velmora_atlas";
        case Collection::continuum: return "velmora_continuum";
        case Collection::club: return "velmora_club";
        case Collection::dancefloor: return "velmora_dancefloor";
    }
    return "velmora_unknown";
}

std::string single_family(std::string_view name) {
    return std::string(name.substr(0, name.find('_') + 1));
}

namespace {

bool is_builtin_identifier(std::string_view name) noexcept {
    if (name.size() < 4 || name.size() > 32 || name[0] < 'a' || name[0] > 'z') {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
}

[[noreturn]] void reject(const PatternRow& row, const std::string& reason) {
    throw std::invalid_argument("pattern " + row.name + ": " + reason);
}

}  // namespace

PatternTable::PatternTable(std::vector<PatternRow> rows) : rows_(std::move(rows)) {
    std::vector<std::string_view> names;
    names.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const PatternRow& row = rows_[i];
        if (!is_builtin_identifier(row.name)) {
            reject(row, "name is not a lower-case identifier of 4 to 32 bytes");
        }
        if (row.period_pips < 32 || row.period_pips > 1024 || row.period_pips % 32 != 0) {
            reject(row, "period " + std::to_string(row.period_pips) + " is not a multiple of 32 within [32, 1024]");
        }
        if (row.dimensions < 1 || row.dimensions > 3) {
            reject(row, "dimensions must be 1, 2 or 3");
        }
        if (row.description.empty()) {
            reject(row, "description is empty");
        }
        if (i > 0 && row.collection < rows_[i - 1].collection) {
            reject(row, "stands after a row of a later collection");
        }
        names.push_back(row.name);
    }
    std::sort(names.begin(), names.end());
    const auto duplicate = std::adjacent_find(names.begin(), names.end());
    if (duplicate != names.end()) {
        throw std::invalid_argument("pattern " + std::string(*duplicate) + ": name appears more than once");
    }
}

const PatternRow* PatternTable::find(std::string_view name) const noexcept {
    const auto found = std::find_if(rows_.begin(), rows_.end(), [&](const PatternRow& row) { return row.name == name; });
    return found == rows_.end() ? nullptr : &*found;
}

}  // namespace velmora::generator
