#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "core/offset3.hpp"
#include "framework/pattern_row.hpp"
#include "framework/drawing.hpp"

namespace velmora::generator {

// A table that breaks an invariant; the message starts with the pattern's name.
class GenerationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One finished table: rounded, checked, and placed in the sample blob.
struct RenderedPattern {
    const PatternRow* row;
    std::vector<Offset3> samples;
    std::uint64_t first_sample;  // position of sample 0 in the blob, counted in samples
};

struct RenderedStore {
    std::vector<RenderedPattern> patterns;  // one per row, in table order
    std::size_t catalogue_rows;             // all metadata rows
};

// 3 if any z is non-zero, else 2 if any y is non-zero, else 1.
std::uint8_t derived_dimensions(const std::vector<Offset3>& samples) noexcept;

// Rounds every component to 12 decimals and checks the table against its row: exactly
// period samples, every component finite and within [-1, 1], derived dimensions equal to
// the declared ones. Throws GenerationError naming the pattern and the fault.
std::vector<Offset3> finish_table(const PatternRow& row, std::vector<Offset3> raw);

// Renders every row with its drawing. Throws GenerationError naming the row for an empty
// drawing and for a faulty table.
RenderedStore render_store(const PatternTable& table);

// Renders one row on its own (for --dump), with the same checks.
std::vector<Offset3> render_row(const PatternRow& row);

// Positions into `patterns`, ordered so that the names ascend bytewise (shorter first on
// a common prefix).
std::vector<std::uint64_t> name_order(const std::vector<RenderedPattern>& patterns);

// Writes the sample blob, the sampler header and source, and the row and index source.
void emit_store(const RenderedStore& store, const std::filesystem::path& out_dir);

}  // namespace velmora::generator
