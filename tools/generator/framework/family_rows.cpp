#include "framework/family_rows.hpp"

#include <algorithm>
#include <numeric>
#include <stdexcept>
#include <utility>

#include "framework/primitives.hpp"

namespace velmora::generator {

namespace {

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t end = std::min(text.find(' ', position), text.size());
        if (end > position) {
            result.push_back(text.substr(position, end - position));
        }
        position = end + 1;
    }
    return result;
}

}  // namespace

PeriodRule fixed_period(std::uint16_t period) {
    return [period](std::string_view) { return period; };
}

PeriodRule eighth_note_groups() {
    return [](std::string_view suffix) {
        const std::vector<int> groups = parse_numbers(suffix);
        return static_cast<std::uint16_t>(32 * std::accumulate(groups.begin(), groups.end(), 0));
    };
}

PeriodRule eighth_note_steps() {
    return [](std::string_view suffix) { return static_cast<std::uint16_t>(32 * parse_numbers(suffix).back()); };
}

DescriptionRule shared_description(std::string text) {
    return [text = std::move(text)](std::string_view) { return text; };
}

DescriptionRule titled(std::map<std::string, std::string, std::less<>> titles, std::string tail, std::string lead) {
    return [titles = std::move(titles), tail = std::move(tail), lead = std::move(lead)](std::string_view suffix) {
        const auto title = titles.find(suffix);
        if (title == titles.end()) {
            throw std::invalid_argument("no title for family member " + std::string(suffix));
        }
        return lead + title->second + tail;
    };
}

namespace {

// One row per (suffix, drawing), then the check that every member named as an exception
// to the family's dimensions is one of its members.
void add_members(std::vector<PatternRow>& rows, const Family& family,
                 const std::vector<std::pair<std::string_view, Drawing>>& members) {
    const std::vector<std::string_view> others = words(family.other_members);
    for (const auto& [suffix, drawing] : members) {
        const bool other = std::find(others.begin(), others.end(), suffix) != others.end();
        rows.push_back({family.collection, std::string(family.prefix) + std::string(suffix), family.period(suffix),
                        other ? family.other_dimensions : family.dimensions, family.description(suffix), drawing,
                        std::string(family.prefix)});
    }
    for (const std::string_view suffix : others) {
        if (std::none_of(members.begin(), members.end(), [&](const auto& member) { return member.first == suffix; })) {
            throw std::invalid_argument("family " + std::string(family.prefix) + " has no member " + std::string(suffix));
        }
    }
}

}  // namespace

void add_family(std::vector<PatternRow>& rows, const Family& family, const Renderer& drawing) {
    std::vector<std::pair<std::string_view, Drawing>> members;
    for (const std::string_view suffix : words(family.members)) {
        members.emplace_back(suffix, Drawing(drawing, std::string(suffix)));
    }
    add_members(rows, family, members);
}

void add_family_members(std::vector<PatternRow>& rows, const Family& family, std::initializer_list<DrawnMember> members) {
    if (!family.members.empty()) {
        throw std::invalid_argument("family " + std::string(family.prefix) + " lists its members twice");
    }
    std::vector<std::pair<std::string_view, Drawing>> drawn;
    for (const DrawnMember& member : members) {
        drawn.emplace_back(member.suffix, member.drawing);
    }
    add_members(rows, family, drawn);
}

}  // namespace velmora::generator
