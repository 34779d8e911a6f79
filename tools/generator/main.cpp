// The build-time generator of the pre-rendered store. Renders every row of the
// collections with its drawing, checks each table, and writes the sample blob, the
// generated sources and the catalogue's facts.
//
//   velmora_generator --out-dir DIR   render everything and write the outputs into DIR
//   velmora_generator --check         render everything, write nothing
//   velmora_generator --list          one line per catalogue row: name, period, dims, state
//   velmora_generator --dump NAME     the stored samples of one pattern as text
//   velmora_generator --score KEY     the lanes and hits of one groove score

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "grooves/groove_motions.hpp"
#include "framework/pattern_row.hpp"
#include "framework/store.hpp"

namespace gen = velmora::generator;

namespace {

gen::PatternTable catalogue_rows() {
    std::vector<gen::PatternRow> rows;
    gen::add_initial_rows(rows);
    gen::add_expansion_rows(rows);
    gen::add_atlas_rows(rows);
    gen::add_continuum_rows(rows);
    gen::add_club_rows(rows);
    gen::add_dancefloor_rows(rows);
    return gen::PatternTable(std::move(rows));
}

int usage() {
    std::fputs("usage: velmora_generator --out-dir DIR | --check | --list | --dump NAME | --score KEY\n", stderr);
    return 2;
}

int list(const gen::PatternTable& table) {
    // Every row has its drawing, so every row is "rendered"; the column stays for the
    // scripts that read it.
    for (const gen::PatternRow& row : table.rows()) {
        std::printf("%-32s %-18s %5u %u %s\n", row.name.c_str(), std::string(gen::namespace_of(row.collection)).c_str(),
                    row.period_pips, row.dimensions, "rendered");
    }
    return 0;
}

int dump(const gen::PatternTable& table, std::string_view name) {
    const gen::PatternRow* row = table.find(name);
    if (row == nullptr) {
        std::fprintf(stderr, "velmora_generator: no catalogue row named %.*s\n", static_cast<int>(name.size()), name.data());
        return 1;
    }
    const std::vector<velmora::Offset3> samples = gen::render_row(*row);
    std::printf("# %s %s period %u dimensions %u\n", row->name.c_str(), std::string(gen::namespace_of(row->collection)).c_str(),
                row->period_pips, row->dimensions);
    for (std::size_t pip = 0; pip < samples.size(); ++pip) {
        std::printf("%zu %.12f %.12f %.12f\n", pip, samples[pip].x, samples[pip].y, samples[pip].z);
    }
    return 0;
}

int generate(const gen::PatternTable& table, const char* out_dir) {
    const gen::RenderedStore store = gen::render_store(table);
    std::size_t samples = 0;
    for (const gen::RenderedPattern& pattern : store.patterns) {
        samples += pattern.samples.size();
    }
    std::printf("velmora_generator: rendered %zu of %zu catalogue rows (%zu samples)\n", store.patterns.size(),
                store.catalogue_rows, samples);
    if (out_dir != nullptr) {
        gen::emit_store(store, out_dir);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const gen::PatternTable table = catalogue_rows();
        if (argc == 3 && std::strcmp(argv[1], "--out-dir") == 0) {
            return generate(table, argv[2]);
        }
        if (argc == 2 && std::strcmp(argv[1], "--check") == 0) {
            return generate(table, nullptr);
        }
        if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
            return list(table);
        }
        if (argc == 3 && std::strcmp(argv[1], "--dump") == 0) {
            return dump(table, argv[2]);
        }
        if (argc == 3 && std::strcmp(argv[1], "--score") == 0) {
            return gen::print_groove_score(argv[2], stdout);
        }
        return usage();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "velmora_generator: %s\n", error.what());
        return 1;
    }
}
