#pragma once

// What the velmora module hands velmora_kit's native helper, beside its Python surface:
// the catalogue's facts and whole loop tables, read from the module's own single copy of
// the tables. The module exports one C symbol, VELMORA_KIT_ACCESS_SYMBOL, a function
// returning this record; the helper finds it in the already loaded module with dlsym.
// Plain C types only, so that the two shared objects agree on the layout whatever
// compiled them; `version` changes whenever the record does.

#include <cstddef>
#include <cstdint>

extern "C" {

#define VELMORA_KIT_ACCESS_SYMBOL "velmora_kit_access"
inline constexpr std::uint32_t VELMORA_KIT_ACCESS_VERSION = 1;

// One catalogue entry's facts, each a NUL-terminated UTF-8 text ("" where it has none).
struct velmora_kit_row_facts {
    const char* collection;    // "core", "velmora_initial", ...
    const char* family;        // the family's shared name prefix: "lfo_", "polar_rose_", "beat_dembow_"
    const char* groove;        // the groove grid's score key ("dembow"), else ""
    const char* groove_title;  // that score's title ("Reggaeton / dembow answer"), else ""
    const char* motion;        // the groove grid's motion key ("spring"), else ""
};

struct velmora_kit_access_record {
    std::uint32_t version;
    std::size_t entry_count;             // entries of the catalogue, in the order of catalogue()
    const velmora_kit_row_facts* facts;  // entry_count records
    // Writes pips 0 .. `rows` - 1 of entry `index` into `out` (3 doubles a pip, the values
    // sample() returns). Returns 0, or -1 for an index past the end (nothing written).
    int (*fill_table)(std::size_t index, std::int64_t rows, double* out);
};

typedef const velmora_kit_access_record* (*velmora_kit_access_function)(void);

}  // extern "C"
