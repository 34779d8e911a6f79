/* The C API from C: results, and for every failure its status and its exact message.
 * Built in every test build, so it also runs under ASan + UBSan. */

#include <velmora/velmora.h>

#include <math.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

#define CHECK(condition)                                                         \
    do {                                                                         \
        if (!(condition)) {                                                      \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                          \
        }                                                                        \
    } while (0)

/* The call failed with this status and exactly this message (`length` bytes). */
static void expect_failure_n(velmora_status got, velmora_status status, const char* message, size_t length, int line) {
    size_t got_length = 0;
    const char* text = velmora_last_error(&got_length);
    if (got != status || got_length != length || memcmp(text, message, length) != 0 || text[length] != '\0') {
        fprintf(stderr, "%s:%d: expected status %d \"%.*s\", got %d \"%.*s\"\n", __FILE__, line, (int)status,
                (int)length, message, (int)got, (int)got_length, text);
        ++failures;
    }
}
#define EXPECT_FAILURE(call, status, message) expect_failure_n((call), (status), (message), strlen(message), __LINE__)

static int same_position(const double a[3], double x, double y, double z) {
    return a[0] == x && a[1] == y && a[2] == z;
}

static void test_builtin(void) {
    double out[3] = {9, 9, 9};
    CHECK(velmora_sample("bounce", 32, out) == VELMORA_OK && same_position(out, 1.0, 0.0, 0.0));
    CHECK(velmora_sample("lfo_breathe", 64 + 256, out) == VELMORA_OK && same_position(out, 0.8, 0.0, 0.0));
    CHECK(velmora_sample_n("lfo_breathe_and_more", 11, -192, out) == VELMORA_OK && same_position(out, 0.8, 0.0, 0.0));

    EXPECT_FAILURE(velmora_sample("nope", 0, out), VELMORA_INVALID_ARGUMENT, "Unknown velmora: nope");
    EXPECT_FAILURE(velmora_sample("", 0, out), VELMORA_INVALID_ARGUMENT, "Unknown velmora: ");
    /* The whole name reaches the message, a zero byte included. */
    expect_failure_n(velmora_sample_n("bo\0unce", 7, 0, out), VELMORA_INVALID_ARGUMENT, "Unknown velmora: bo\0unce", 24,
                     __LINE__);
    EXPECT_FAILURE(velmora_sample(NULL, 0, out), VELMORA_INVALID_ARGUMENT, "velmora_sample: name must not be NULL");
    EXPECT_FAILURE(velmora_sample("bounce", 0, NULL), VELMORA_INVALID_ARGUMENT, "velmora_sample: out must not be NULL");
    EXPECT_FAILURE(velmora_sample_n(NULL, 3, 0, out), VELMORA_INVALID_ARGUMENT,
                   "velmora_sample_n: name must not be NULL");
    EXPECT_FAILURE(velmora_sample_n(NULL, 0, 0, out), VELMORA_INVALID_ARGUMENT, "Unknown velmora: ");
    /* A successful call leaves the last message alone. */
    CHECK(velmora_sample("sway", 0, out) == VELMORA_OK);
    CHECK(strcmp(velmora_last_error(NULL), "Unknown velmora: ") == 0);
}

static void test_catalogue(void) {
    size_t count = 0;
    velmora_catalogue_entry entry;
    CHECK(velmora_catalogue_size(&count) == VELMORA_OK && count == 1731);
    CHECK(velmora_catalogue_entry_at(0, &entry) == VELMORA_OK && strcmp(entry.name, "bounce") == 0 &&
          entry.name_length == 6 && entry.period_pips == 64 && entry.dimensions == 1 &&
          strcmp(entry.description, "One-beat vertical bounce") == 0);
    CHECK(velmora_catalogue_entry_at(1730, &entry) == VELMORA_OK &&
          strcmp(entry.name, "beat_dembow_push_ricochet") == 0 && entry.period_pips == 512 && entry.dimensions == 3);
    /* Every text is zero-terminated, and every name samples. */
    for (size_t i = 0; i < count; ++i) {
        double out[3];
        CHECK(velmora_catalogue_entry_at(i, &entry) == VELMORA_OK);
        CHECK(entry.name[entry.name_length] == '\0' && entry.description[entry.description_length] == '\0');
        CHECK(velmora_sample_n(entry.name, entry.name_length, -1, out) == VELMORA_OK);
    }
    EXPECT_FAILURE(velmora_catalogue_entry_at(1731, &entry), VELMORA_OUT_OF_RANGE,
                   "velmora_catalogue_entry_at: index must be below 1731, got 1731");
    EXPECT_FAILURE(velmora_catalogue_entry_at(0, NULL), VELMORA_INVALID_ARGUMENT,
                   "velmora_catalogue_entry_at: entry must not be NULL");
    EXPECT_FAILURE(velmora_catalogue_size(NULL), VELMORA_INVALID_ARGUMENT,
                   "velmora_catalogue_size: count must not be NULL");
}

static const double wave[4 * 3] = {0.0, 0.5, 0.0, 0.25, -1.0, 0.0, 1.0, 0.0, 0.125, -0.5, 0.0, 0.0};

static void test_library(void) {
    velmora_pattern_data inputs[2] = {{"my_wave", "four samples", wave, 4}, {"hop", "", wave + 3, 1}};
    velmora_library* library = NULL;
    double out[3];
    CHECK(velmora_library_create(inputs, 2, &library) == VELMORA_OK && library != NULL);
    CHECK(velmora_library_sample(library, "my_wave", -3, out) == VELMORA_OK && same_position(out, 0.25, -1.0, 0.0));
    CHECK(velmora_library_sample(library, "hop", 7, out) == VELMORA_OK && same_position(out, 0.25, -1.0, 0.0));
    CHECK(velmora_library_sample(library, "bounce", 32, out) == VELMORA_OK && same_position(out, 1.0, 0.0, 0.0));
    EXPECT_FAILURE(velmora_library_sample(library, "my_wav", 0, out), VELMORA_INVALID_ARGUMENT,
                   "Unknown velmora: my_wav");
    EXPECT_FAILURE(velmora_library_sample(NULL, "hop", 0, out), VELMORA_INVALID_ARGUMENT,
                   "velmora_library_sample: library must not be NULL");
    EXPECT_FAILURE(velmora_library_sample(library, NULL, 0, out), VELMORA_INVALID_ARGUMENT,
                   "velmora_library_sample: name must not be NULL");
    EXPECT_FAILURE(velmora_library_sample_n(library, "hop", 3, 0, NULL), VELMORA_INVALID_ARGUMENT,
                   "velmora_library_sample_n: out must not be NULL");

    size_t count = 0;
    velmora_catalogue_entry entry;
    CHECK(velmora_library_catalogue_size(library, &count) == VELMORA_OK && count == 1733);
    CHECK(velmora_library_catalogue_entry_at(library, 1731, &entry) == VELMORA_OK &&
          strcmp(entry.name, "my_wave") == 0 && strcmp(entry.description, "four samples") == 0 &&
          entry.period_pips == 4 && entry.dimensions == 3);
    CHECK(velmora_library_catalogue_entry_at(library, 0, &entry) == VELMORA_OK && strcmp(entry.name, "bounce") == 0);
    EXPECT_FAILURE(velmora_library_catalogue_entry_at(library, 1733, &entry), VELMORA_OUT_OF_RANGE,
                   "velmora_library_catalogue_entry_at: index must be below 1733, got 1733");
    EXPECT_FAILURE(velmora_library_catalogue_size(NULL, &count), VELMORA_INVALID_ARGUMENT,
                   "velmora_library_catalogue_size: library must not be NULL");
    velmora_library_free(library);
    velmora_library_free(NULL);

    CHECK(velmora_library_create(NULL, 0, &library) == VELMORA_OK && library != NULL);
    CHECK(velmora_library_catalogue_size(library, &count) == VELMORA_OK && count == 1731);
    velmora_library_free(library);
}

static void expect_library_failure(const velmora_pattern_data* inputs, size_t count, velmora_status status,
                                   const char* message, int line) {
    velmora_library* library = (velmora_library*)&library; /* must be reset to NULL */
    expect_failure_n(velmora_library_create(inputs, count, &library), status, message, strlen(message), line);
    if (library != NULL) {
        fprintf(stderr, "%s:%d: a failed creation left a library behind\n", __FILE__, line);
        ++failures;
    }
}

static void test_library_failures(void) {
    const double nan_sample[3] = {0.0, NAN, 0.0};
    const double over_one[3] = {0.0, 0.0, 1.0000000000000002};
    double* many = calloc((size_t)3 * 65536, sizeof(double));
    velmora_pattern_data* inputs = calloc(1025, sizeof(velmora_pattern_data));
    CHECK(many != NULL && inputs != NULL);
    if (many == NULL || inputs == NULL) {
        free(many);
        free(inputs);
        return;
    }
    velmora_pattern_data one = {"a", "", wave, 1};

#define LIBRARY_FAILS(inputs, count, status, message) expect_library_failure((inputs), (count), (status), (message), __LINE__)
    for (size_t i = 0; i < 1025; ++i) {
        inputs[i] = one;
    }
    LIBRARY_FAILS(inputs, 1025, VELMORA_INVALID_ARGUMENT, "Too many patterns");
    inputs[1] = one; /* two of the same name */
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "Duplicate pattern name: a");
    inputs[1].name = "Upper";
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "Invalid pattern name");
    inputs[1].name = "b";
    inputs[1].sample_count = 0;
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "A pattern requires 1..65535 samples (one per pip)");
    inputs[1].samples = many;
    inputs[1].sample_count = 65536;
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "A pattern requires 1..65535 samples (one per pip)");
    inputs[1].sample_count = 1;
    inputs[1].samples = nan_sample;
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "Pattern samples must be finite and within [-1, 1]");
    inputs[1].samples = over_one;
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "Pattern samples must be finite and within [-1, 1]");
    inputs[1].name = "bounce"; /* a built-in name with other samples */
    inputs[1].samples = wave;
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "Cannot override default pattern: bounce");
    inputs[1].name = NULL;
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "velmora_library_create: patterns[1].name must not be NULL");
    inputs[1].name = "b";
    inputs[1].description = NULL;
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT,
                  "velmora_library_create: patterns[1].description must not be NULL");
    inputs[1].description = "";
    inputs[1].samples = NULL;
    LIBRARY_FAILS(inputs, 2, VELMORA_INVALID_ARGUMENT, "velmora_library_create: patterns[1].samples must not be NULL");
    LIBRARY_FAILS(NULL, 1, VELMORA_INVALID_ARGUMENT, "velmora_library_create: patterns must not be NULL");
    /* Seventeen patterns of 65,535 samples: 1,114,095 in all, past the 1,048,576 allowed. */
    for (size_t i = 0; i < 17; ++i) {
        static char names[17][8];
        snprintf(names[i], sizeof names[i], "p%zu", i);
        inputs[i] = (velmora_pattern_data){names[i], "", many, 65535};
    }
    LIBRARY_FAILS(inputs, 17, VELMORA_INVALID_ARGUMENT, "Pattern pack is too large");
    EXPECT_FAILURE(velmora_library_create(inputs, 1, NULL), VELMORA_INVALID_ARGUMENT,
                   "velmora_library_create: library must not be NULL");
#undef LIBRARY_FAILS
    free(many);
    free(inputs);
}

static void test_recording(void) {
    const char* axes[3] = {"x", "y", "z"};
    const double rows[2 * 3] = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6};
    velmora_recording* recording = NULL;
    double out[3];
    CHECK(velmora_recording_create("take", axes, 3, rows, 2, 120.0, -3.5, 10, &recording) == VELMORA_OK);
    CHECK(velmora_recording_sample(recording, 11, out, 3) == VELMORA_OK && same_position(out, 0.4, 0.5, 0.6));
    CHECK(strcmp(velmora_recording_name(recording), "take") == 0);
    CHECK(velmora_recording_axis_count(recording) == 3 && strcmp(velmora_recording_axis_name(recording, 2), "z") == 0);
    CHECK(velmora_recording_axis_name(recording, 3) == NULL);
    CHECK(velmora_recording_sample_count(recording) == 2 && velmora_recording_start_pip(recording) == 10);
    CHECK(velmora_recording_bpm(recording) == 120.0 && velmora_recording_beat_zero_seconds(recording) == -3.5);
    EXPECT_FAILURE(velmora_recording_sample(recording, 12, out, 3), VELMORA_OUT_OF_RANGE,
                   "Pip outside non-looping recording");
    EXPECT_FAILURE(velmora_recording_sample(recording, 9, out, 3), VELMORA_OUT_OF_RANGE,
                   "Pip outside non-looping recording");
    EXPECT_FAILURE(velmora_recording_sample(recording, 10, out, 2), VELMORA_INVALID_ARGUMENT,
                   "velmora_recording_sample: capacity must hold the 3 axes, got 2");
    EXPECT_FAILURE(velmora_recording_sample(NULL, 10, out, 3), VELMORA_INVALID_ARGUMENT,
                   "velmora_recording_sample: recording must not be NULL");
    velmora_recording_free(recording);
    velmora_recording_free(NULL);
    CHECK(velmora_recording_axis_count(NULL) == 0 && strcmp(velmora_recording_name(NULL), "") == 0);

    const char* repeated[2] = {"x", "x"};
    const char* missing[2] = {"x", NULL};
    const double bad[2] = {0.0, INFINITY};
#define RECORDING_FAILS(call, message)                                       \
    do {                                                                     \
        recording = (velmora_recording*)&recording;                          \
        EXPECT_FAILURE((call), VELMORA_INVALID_ARGUMENT, (message));         \
        CHECK(recording == NULL);                                            \
    } while (0)
    RECORDING_FAILS(velmora_recording_create("Take", axes, 3, rows, 2, 0.0, 0.0, 0, &recording), "Invalid identifier");
    RECORDING_FAILS(velmora_recording_create("take", axes, 3, rows, 2, 0.0, 0.0, 0, &recording),
                    "A finite positive BPM and beat origin are required");
    RECORDING_FAILS(velmora_recording_create("take", axes, 3, rows, 0, 120.0, 0.0, 0, &recording),
                    "Empty recording or recording resource limit exceeded");
    /* More values than a recording may hold are refused without being read. */
    RECORDING_FAILS(velmora_recording_create("take", axes, 1, rows, (size_t)1 << 23 | 1, 120.0, 0.0, 0, &recording),
                    "Empty recording or recording resource limit exceeded");
    RECORDING_FAILS(velmora_recording_create("take", axes, 3, rows, 2, 120.0, 0.0, 2147483646, &recording),
                    "Empty recording or recording resource limit exceeded");
    /* The end, one past the last row, is a pip too: one row at INT32_MAX has no end. */
    RECORDING_FAILS(velmora_recording_create("take", axes, 3, rows, 1, 120.0, 0.0, INT32_MAX, &recording),
                    "Empty recording or recording resource limit exceeded");
    CHECK(velmora_recording_create("take", axes, 3, rows, 1, 120.0, 0.0, INT32_MAX - 1, &recording) == VELMORA_OK);
    velmora_recording_free(recording);
    RECORDING_FAILS(velmora_recording_create("take", repeated, 2, rows, 3, 120.0, 0.0, 0, &recording),
                    "Duplicate axis");
    RECORDING_FAILS(velmora_recording_create("take", axes, 2, bad, 1, 120.0, 0.0, 0, &recording), "Invalid sample");
    RECORDING_FAILS(velmora_recording_create("take", missing, 2, rows, 3, 120.0, 0.0, 0, &recording),
                    "velmora_recording_create: axis_names[1] must not be NULL");
    RECORDING_FAILS(velmora_recording_create(NULL, axes, 3, rows, 2, 120.0, 0.0, 0, &recording),
                    "velmora_recording_create: name must not be NULL");
    RECORDING_FAILS(velmora_recording_create("take", axes, 3, NULL, 2, 120.0, 0.0, 0, &recording),
                    "velmora_recording_create: values must not be NULL");
#undef RECORDING_FAILS
}

/* Each thread keeps its own last message. */
static void* fail_elsewhere(void* unused) {
    double out[3];
    (void)unused;
    velmora_sample("elsewhere", 0, out);
    return NULL;
}

static void test_threads(void) {
    double out[3];
    pthread_t thread;
    velmora_sample("here", 0, out);
    CHECK(pthread_create(&thread, NULL, fail_elsewhere, NULL) == 0 && pthread_join(thread, NULL) == 0);
    CHECK(strcmp(velmora_last_error(NULL), "Unknown velmora: here") == 0);
}

int main(void) {
    size_t length = 1;
    CHECK(strcmp(velmora_last_error(&length), "") == 0 && length == 0);
    CHECK(strlen(velmora_version()) > 0);
    test_builtin();
    test_catalogue();
    test_library();
    test_library_failures();
    test_recording();
    test_threads();
    if (failures != 0) {
        fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    puts("C API: all checks passed");
    return 0;
}
