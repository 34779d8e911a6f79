#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/pattern_row.hpp"

namespace velmora::generator {

// How a family derives a member's period or description from the member's suffix.
using PeriodRule = std::function<std::uint16_t(std::string_view suffix)>;
using DescriptionRule = std::function<std::string(std::string_view suffix)>;

PeriodRule fixed_period(std::uint16_t period);
// 32 pips per eighth note times the sum of the group lengths in the suffix ("3_2_2": 224).
PeriodRule eighth_note_groups();
// 32 pips per step times the step count, the last number of the suffix ("2_5": 160).
PeriodRule eighth_note_steps();

DescriptionRule shared_description(std::string text);
// A per-member title looked up by suffix, between a shared lead and a shared tail.
DescriptionRule titled(std::map<std::string, std::string, std::less<>> titles, std::string tail,
                       std::string lead = {});

struct Family {
    Collection collection;
    std::string_view prefix;
    // Suffixes separated by blanks, in table order; empty for a family whose members are
    // listed with their own drawings (add_family_members).
    std::string_view members;
    PeriodRule period;
    std::uint8_t dimensions;
    DescriptionRule description;
    // Members, separated by blanks, whose dimensions differ from the family's.
    std::string_view other_members = {};
    std::uint8_t other_dimensions = 0;
};

// Appends one row per member, in the listed order, each drawn by `drawing` from its suffix.
void add_family(std::vector<PatternRow>& rows, const Family& family, const Renderer& drawing);

// A member of a family whose members are drawn differently: its suffix and its drawing
// (a constructor, so that a member written without its drawing fails to compile by name).
struct DrawnMember {
    DrawnMember(std::string_view suffix, Drawing drawing) : suffix(suffix), drawing(std::move(drawing)) {}

    std::string_view suffix;
    Drawing drawing;
};

// Appends one row per member of `members`, in that order, each with its own drawing.
void add_family_members(std::vector<PatternRow>& rows, const Family& family, std::initializer_list<DrawnMember> members);

}  // namespace velmora::generator
