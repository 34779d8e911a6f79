#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/drawing.hpp"

namespace velmora::generator {

// The six collections of the pre-rendered store, in the order their rows are emitted.
enum class Collection : std::uint8_t { initial, expansion, atlas, continuum, club, dancefloor };

// The C++ namespace that holds a collection's samplers, e.g. "velmora_initial".
std::string_view namespace_of(Collection collection) noexcept;

// One pre-rendered pattern: its metadata and its drawing, as collections/ declare them.
struct PatternRow {
    Collection collection;
    std::string name;
    std::uint16_t period_pips;
    std::uint8_t dimensions;  // declared; the generator checks it against the samples
    std::string description;
    Drawing drawing;
    // What the row knows beyond the catalogue entry, emitted beside the tables for the
    // layers above: the family's shared name prefix ("polar_rose_", "beat_house_classic_"),
    // and for the groove grid the score's key and title and the motion's key.
    std::string family;
    std::string groove = {};
    std::string groove_title = {};
    std::string motion = {};
};

// Every row, in the order of the pre-rendered table, checked once on construction:
// collections appear in their fixed order, names are unique identifiers of 4 to 32
// bytes, periods are multiples of 32 within [32, 1024], dimensions are 1, 2 or 3.
class PatternTable {
public:
    explicit PatternTable(std::vector<PatternRow> rows);

    const std::vector<PatternRow>& rows() const noexcept { return rows_; }
    const PatternRow* find(std::string_view name) const noexcept;

private:
    std::vector<PatternRow> rows_;
};

// One hand-made pattern, as the single-pattern collections list them: its metadata and
// its drawing. A constructor rather than an aggregate, so that a row written without its
// drawing fails to compile with the row itself in the message.
struct SingleRow {
    SingleRow(const char* name, std::uint16_t period_pips, std::uint8_t dimensions, const char* description,
              Drawing drawing)
        : name(name), period_pips(period_pips), dimensions(dimensions), description(description),
          drawing(std::move(drawing)) {}

    const char* name;
    std::uint16_t period_pips;
    std::uint8_t dimensions;
    const char* description;
    Drawing drawing;
};

// A hand-made pattern's family is its kind, the first word of its name ("lfo_", "path_").
std::string single_family(std::string_view name);

// Appends `singles` to `rows`, in order, as rows of `collection`.
template <std::size_t Count>
void add_singles(std::vector<PatternRow>& rows, Collection collection, const SingleRow (&singles)[Count]) {
    for (const SingleRow& single : singles) {
        rows.push_back({collection, single.name, single.period_pips, single.dimensions, single.description,
                        single.drawing, single_family(single.name)});
    }
}

// Metadata providers, one per collection or family group; each appends its rows in
// table order. main.cpp calls them in collection order.
void add_initial_rows(std::vector<PatternRow>& rows);
void add_expansion_rows(std::vector<PatternRow>& rows);
void add_atlas_rows(std::vector<PatternRow>& rows);
void add_continuum_rows(std::vector<PatternRow>& rows);
void add_club_rows(std::vector<PatternRow>& rows);
void add_dancefloor_rows(std::vector<PatternRow>& rows);

}  // namespace velmora::generator
