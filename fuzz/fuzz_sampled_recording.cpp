// SampledRecording from arbitrary names, axes, rows, tempi and start pips: either a valid
// recording whose rows read back exactly, with "Pip outside non-looping recording" on both
// sides of it, or std::invalid_argument with the message of the first broken rule.

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "fuzz_support.hpp"
#include <velmora/sampled_recording.hpp>

namespace {

using namespace velmora;
using namespace velmora::fuzz;

constexpr std::uint64_t MAX_VALUES = std::uint64_t{1} << 23;

struct Take {
    std::string name;
    std::vector<std::string> axes;
    std::vector<std::vector<double>> rows;
    double bpm = 120.0;
    double beat_zero_seconds = 0.0;
    std::int32_t start_pip = 0;
};

std::int32_t pick_start(FuzzedDataProvider& in) {
    constexpr std::int32_t top = std::numeric_limits<std::int32_t>::max();
    switch (in.ConsumeIntegral<std::uint8_t>() % 6) {
        case 0: return std::numeric_limits<std::int32_t>::min();
        case 1: return top - in.ConsumeIntegralInRange<std::int32_t>(0, 40);
        case 2: return in.ConsumeIntegral<std::int32_t>();
        default: return in.ConsumeIntegralInRange<std::int32_t>(-100, 100);
    }
}

Take pick_take(FuzzedDataProvider& in) {
    Take take;
    take.name = pick_name(in);
    const std::uint8_t shape = in.ConsumeIntegral<std::uint8_t>();
    std::size_t axes = in.ConsumeIntegralInRange<std::size_t>(0, 6);
    std::size_t rows = in.ConsumeIntegralInRange<std::size_t>(0, 12);
    if (shape >= 250) {  // around the value limit: 2,048 axes and 4,096 or 4,097 rows
        axes = 2048;
        rows = 4096 + in.ConsumeIntegralInRange<std::size_t>(0, 1);
    } else if (shape >= 240) {
        axes = in.ConsumeIntegralInRange<std::size_t>(1, 300);
        rows = in.ConsumeIntegralInRange<std::size_t>(1, 300);
    }
    for (std::size_t a = 0; a < axes; ++a) {
        switch (in.ConsumeIntegral<std::uint8_t>() % 8) {
            case 0: take.axes.push_back(pick_name(in)); break;
            case 1: take.axes.push_back(take.axes.empty() ? "x" : take.axes[in.ConsumeIntegralInRange<std::size_t>(0, a - 1)]); break;
            default: take.axes.push_back("a" + std::to_string(a)); break;
        }
    }
    take.bpm = in.ConsumeBool() ? 120.0 : pick_double(in);
    take.beat_zero_seconds = in.ConsumeBool() ? 0.0 : pick_double(in);
    take.start_pip = pick_start(in);
    const bool ragged = in.ConsumeIntegral<std::uint8_t>() >= 240;
    const std::size_t varied_rows = std::min<std::size_t>(rows, 16);
    take.rows.reserve(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        std::size_t width = axes;
        if (ragged && r < varied_rows && in.ConsumeIntegral<std::uint8_t>() >= 224) {
            width = in.ConsumeIntegralInRange<std::size_t>(0, axes + 1);
        }
        std::vector<double> row(width, 0.25);
        if (r < varied_rows) {
            for (std::size_t a = 0; a < std::min<std::size_t>(width, 8); ++a) {
                row[a] = pick_double(in);
            }
        }
        take.rows.push_back(std::move(row));
    }
    return take;
}

bool tempo_ok(double bpm, double origin) {
    if (!std::isfinite(bpm) || !(bpm > 0.0)) {
        return false;
    }
    const double beat = 60.0 / bpm;
    return std::isfinite(beat) && beat * (1.0 / 64.0) > 0.0 && std::isfinite(origin);
}

std::optional<std::string> expected_outcome(const Take& take) {
    if (!reference_identifier(take.name)) {
        return "Invalid identifier";
    }
    if (!tempo_ok(take.bpm, take.beat_zero_seconds)) {
        return "A finite positive BPM and beat origin are required";
    }
    const std::uint64_t axes = take.axes.size();
    const std::uint64_t rows = take.rows.size();
    if (axes == 0 || rows == 0 || axes > MAX_VALUES || rows > MAX_VALUES / axes ||
        std::int64_t{take.start_pip} + static_cast<std::int64_t>(rows) > std::numeric_limits<std::int32_t>::max()) {
        return "Empty recording or recording resource limit exceeded";
    }
    std::set<std::string> seen;
    for (const std::string& axis : take.axes) {
        if (!reference_identifier(axis)) {
            return "Invalid identifier";
        }
        if (!seen.insert(axis).second) {
            return "Duplicate axis";
        }
    }
    for (const std::vector<double>& row : take.rows) {
        if (row.size() != axes) {
            return "Ragged recording";
        }
        for (const double value : row) {
            if (!unit(value)) {
                return "Invalid sample";
            }
        }
    }
    return std::nullopt;
}

void expect_outside(const SampledRecording& recording, std::int64_t pip) {
    if (pip < std::numeric_limits<std::int32_t>::min() || pip > std::numeric_limits<std::int32_t>::max()) {
        return;
    }
    try {
        recording.sample(static_cast<std::int32_t>(pip));
        fail("a pip outside the rows is refused");
    } catch (const std::out_of_range& error) {
        require(std::string_view(error.what()) == "Pip outside non-looping recording", "outside message");
    }
}

void check_recording(const SampledRecording& recording, const Take& take, FuzzedDataProvider& in) {
    const std::int64_t rows = static_cast<std::int64_t>(take.rows.size());
    require(recording.sample_count() == rows, "sample_count is the row count");
    require(recording.name() == take.name && recording.dimensions() == take.axes, "names kept");
    require(recording.start_pip() == take.start_pip, "start pip kept");
    require(std::bit_cast<std::uint64_t>(recording.bpm()) == std::bit_cast<std::uint64_t>(take.bpm), "bpm kept");
    for (const std::int64_t r : {std::int64_t{0}, rows - 1, in.ConsumeIntegralInRange<std::int64_t>(0, rows - 1)}) {
        const std::vector<double> row = recording.sample(static_cast<std::int32_t>(take.start_pip + r));
        require(row == take.rows[static_cast<std::size_t>(r)], "row read back exactly");
    }
    expect_outside(recording, std::int64_t{take.start_pip} - 1);
    expect_outside(recording, std::int64_t{take.start_pip} + rows);
    const std::int32_t pip = in.ConsumeIntegral<std::int32_t>();
    const std::int64_t r = std::int64_t{pip} - take.start_pip;
    if (r < 0 || r >= rows) {
        expect_outside(recording, pip);
    } else {
        require(recording.sample(pip) == take.rows[static_cast<std::size_t>(r)], "row at a fuzzed pip");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const Take take = pick_take(in);
    const std::optional<std::string> expected = expected_outcome(take);
    try {
        const SampledRecording recording(take.name, take.axes, take.rows, take.bpm, take.beat_zero_seconds,
                                         take.start_pip);
        require(!expected.has_value(), "accepted only when every rule holds", expected.value_or(""));
        check_recording(recording, take, in);
    } catch (const std::invalid_argument& error) {
        require(expected.has_value(), "refused only when a rule is broken", error.what());
        require(error.what() == *expected, "message of the first broken rule", error.what());
    }
    return 0;
}
