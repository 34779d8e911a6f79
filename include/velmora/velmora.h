#ifndef VELMORA_VELMORA_H
#define VELMORA_VELMORA_H

/* velmora for C and for every language that loads a C ABI (C#, Rust, Lua, Godot
 * extensions, ...).
 *
 * Time is counted in pips, 64 to the beat; every pattern maps a signed 32-bit pip to a
 * position (x, y, z), each coordinate in [-1, 1].
 *
 *   double position[3];
 *   if (velmora_sample("helix", 3 * VELMORA_PIPS_PER_BEAT, position) != VELMORA_OK) {
 *       fprintf(stderr, "%s\n", velmora_last_error(NULL));
 *   }
 *
 * Errors: every function that can fail returns a velmora_status. On failure it also
 * stores a message for the calling thread, read with velmora_last_error(); successful
 * calls leave that message alone, like errno. The messages are those of the C++ library
 * ("Unknown velmora: nope", "Invalid pattern name", ...). No C++ exception ever leaves
 * these functions.
 *
 * Threads: every function may be called from any number of threads at once; libraries
 * and recordings are immutable once created. Free each object exactly once.
 */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define VELMORA_NOEXCEPT noexcept
extern "C" {
#else
#define VELMORA_NOEXCEPT
#endif

#define VELMORA_PIPS_PER_BEAT 64

typedef enum velmora_status {
    VELMORA_OK = 0,
    /* Refused input: an unknown name, a pattern or recording that breaks a rule, a NULL
     * pointer where one is required. */
    VELMORA_INVALID_ARGUMENT = 1,
    /* An index past the end of a catalogue, a pip outside a recording. */
    VELMORA_OUT_OF_RANGE = 2,
    /* Memory ran out. */
    VELMORA_OUT_OF_MEMORY = 3,
    /* Anything else; not expected to happen. */
    VELMORA_INTERNAL_ERROR = 4
} velmora_status;

/* The message of the last failed call on this thread ("" if none has failed). The text
 * ends with a zero byte, but an unknown name may itself hold zero bytes: `length`, when
 * not NULL, receives the full length. Valid until the next failing call on this thread. */
const char* velmora_last_error(size_t* length) VELMORA_NOEXCEPT;

/* The library's version, such as "0.1.0". */
const char* velmora_version(void) VELMORA_NOEXCEPT;

/* ---- built-in patterns ---------------------------------------------------------- */

/* Writes the position of the built-in pattern `name` (zero-terminated) at `pip` into
 * `out` (x, y, z). Unknown name: VELMORA_INVALID_ARGUMENT, "Unknown velmora: " + name. */
velmora_status velmora_sample(const char* name, int32_t pip, double out[3]) VELMORA_NOEXCEPT;

/* The same for a name of `length` bytes, which may hold any bytes. */
velmora_status velmora_sample_n(const char* name, size_t length, int32_t pip, double out[3]) VELMORA_NOEXCEPT;

/* One catalogue entry. The texts stay valid as long as their source: for ever for
 * built-in entries, until velmora_library_free for a library's own patterns. Each text
 * ends with a zero byte; a description may also hold zero bytes, so the lengths govern. */
typedef struct velmora_catalogue_entry {
    const char* name;
    size_t name_length;
    const char* description;
    size_t description_length;
    uint16_t period_pips; /* one loop of the pattern, in pips */
    uint8_t dimensions;   /* the highest axis it uses: 1 (x), 2 (y) or 3 (z) */
} velmora_catalogue_entry;

/* The number of built-in patterns (1,731): the fifteen core ones, then the pre-rendered. */
velmora_status velmora_catalogue_size(size_t* count) VELMORA_NOEXCEPT;

/* Built-in entry `index`, 0 <= index < count. */
velmora_status velmora_catalogue_entry_at(size_t index, velmora_catalogue_entry* entry) VELMORA_NOEXCEPT;

/* ---- user patterns in a library ------------------------------------------------- */

/* One user pattern: `sample_count` samples, one per pip, each three doubles (x, y, z)
 * back to back in `samples`; it loops for ever. The library copies everything. */
typedef struct velmora_pattern_data {
    const char* name;        /* zero-terminated; a-z first, then a-z, 0-9 or _; 128 bytes at most */
    const char* description; /* zero-terminated; any text */
    const double* samples;   /* 3 * sample_count doubles, each finite and in [-1, 1] */
    size_t sample_count;     /* 1 to 65,535 */
} velmora_pattern_data;

/* User patterns layered over the built-in ones; immutable once created. */
typedef struct velmora_library velmora_library;

/* Creates a library from `count` patterns (`patterns` may be NULL when count is 0). At
 * most 1,024 patterns and 1,048,576 samples in all; a pattern bearing a built-in name must
 * repeat that pattern exactly and is then dropped. Each pattern is checked as it is
 * copied, in order, then the library's rules apply; copying stops at the pattern that
 * carries the sample total past the limit. On success *library receives the new library;
 * on failure it receives NULL. */
velmora_status velmora_library_create(const velmora_pattern_data* patterns, size_t count,
                                      velmora_library** library) VELMORA_NOEXCEPT;

/* Frees a library; NULL is allowed. */
void velmora_library_free(velmora_library* library) VELMORA_NOEXCEPT;

/* A stored user pattern of that name first, otherwise the built-in one. */
velmora_status velmora_library_sample(const velmora_library* library, const char* name, int32_t pip,
                                      double out[3]) VELMORA_NOEXCEPT;
velmora_status velmora_library_sample_n(const velmora_library* library, const char* name, size_t length, int32_t pip,
                                        double out[3]) VELMORA_NOEXCEPT;

/* Every built-in entry, then one per stored user pattern in input order. */
velmora_status velmora_library_catalogue_size(const velmora_library* library, size_t* count) VELMORA_NOEXCEPT;
velmora_status velmora_library_catalogue_entry_at(const velmora_library* library, size_t index,
                                                  velmora_catalogue_entry* entry) VELMORA_NOEXCEPT;

/* ---- recordings ------------------------------------------------------------------- */

/* Captured motion: `row_count` rows, one per pip from `start_pip` on, each holding one
 * value per axis; it does not loop. Immutable once created. */
typedef struct velmora_recording velmora_recording;

/* `axis_names`: `axis_count` zero-terminated identifiers; `values`: row_count * axis_count
 * doubles, row after row, each finite and in [-1, 1]; `bpm` and `beat_zero_seconds` tie
 * pip 0 to the performance's clock. At most 8,388,608 values. The rows cover the pips
 * start_pip .. start_pip + row_count - 1, and the end, start_pip + row_count (one past the
 * last row), must itself be an int32_t pip, so that a recording's extent is always
 * representable: the last row can lie at INT32_MAX - 1 at the latest, and even a one-row
 * recording at start_pip = INT32_MAX is refused (VELMORA_INVALID_ARGUMENT, "Empty
 * recording or recording resource limit exceeded"). On failure *recording receives NULL. */
velmora_status velmora_recording_create(const char* name, const char* const* axis_names, size_t axis_count,
                                        const double* values, size_t row_count, double bpm, double beat_zero_seconds,
                                        int32_t start_pip, velmora_recording** recording) VELMORA_NOEXCEPT;

/* Frees a recording; NULL is allowed. */
void velmora_recording_free(velmora_recording* recording) VELMORA_NOEXCEPT;

/* Writes the row of `pip` (one value per axis, in axis order) into `out`, which holds
 * `capacity` doubles, at least the axis count. A pip outside the rows:
 * VELMORA_OUT_OF_RANGE, "Pip outside non-looping recording". */
velmora_status velmora_recording_sample(const velmora_recording* recording, int32_t pip, double* out,
                                        size_t capacity) VELMORA_NOEXCEPT;

/* Plain facts about a recording; a NULL recording reads as zero (and "" for texts). */
size_t velmora_recording_axis_count(const velmora_recording* recording) VELMORA_NOEXCEPT;
/* Axis `axis` by name; NULL past the last axis. */
const char* velmora_recording_axis_name(const velmora_recording* recording, size_t axis) VELMORA_NOEXCEPT;
const char* velmora_recording_name(const velmora_recording* recording) VELMORA_NOEXCEPT;
int32_t velmora_recording_sample_count(const velmora_recording* recording) VELMORA_NOEXCEPT;
int32_t velmora_recording_start_pip(const velmora_recording* recording) VELMORA_NOEXCEPT;
double velmora_recording_bpm(const velmora_recording* recording) VELMORA_NOEXCEPT;
double velmora_recording_beat_zero_seconds(const velmora_recording* recording) VELMORA_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* VELMORA_VELMORA_H */
