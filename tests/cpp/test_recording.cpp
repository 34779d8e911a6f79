#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <velmora/sampled_recording.hpp>
#include "test_support.hpp"

namespace velmora {
namespace {

using Rows = std::vector<std::vector<double>>;
using Axes = std::vector<std::string>;

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

using test_support::message_of;
using test_support::numbered;

std::string refusal(std::string name, Axes axes, const Rows& rows, double bpm = 120.0, double origin = 0.0,
                    std::int32_t start = 0) {
    return message_of([&] { SampledRecording(std::move(name), std::move(axes), rows, bpm, origin, start); });
}

std::string out_of_range_message(const SampledRecording& recording, std::int32_t pip) {
    try {
        recording.sample(pip);
    } catch (const std::out_of_range& e) {
        return e.what();
    }
    return "<no std::out_of_range>";
}

TEST(SampledRecording, StoresAndSamplesRows) {
    const SampledRecording take("take", {"x", "y", "z"}, {{0.1, 0.2, 0.3}, {0.4, 0.5, 0.6}}, 128.0, -3.5, 10);
    EXPECT_EQ(take.name(), "take");
    EXPECT_EQ(take.dimensions(), (Axes{"x", "y", "z"}));
    EXPECT_EQ(take.sample_count(), 2);
    EXPECT_EQ(take.bpm(), 128.0);
    EXPECT_EQ(take.beat_zero_seconds(), -3.5);
    EXPECT_EQ(take.start_pip(), 10);
    EXPECT_EQ(take.sample(10), (std::vector<double>{0.1, 0.2, 0.3}));
    EXPECT_EQ(take.sample(11), (std::vector<double>{0.4, 0.5, 0.6}));
    for (const std::int32_t outside : {9, 12, 0, std::numeric_limits<std::int32_t>::min(),
                                       std::numeric_limits<std::int32_t>::max()}) {
        EXPECT_EQ(out_of_range_message(take, outside), "Pip outside non-looping recording") << outside;
    }
}

TEST(SampledRecording, IdentifierRule) {
    EXPECT_NO_THROW(SampledRecording(std::string(128, 'n'), {std::string(128, 'a'), "b_2"}, {{1.0, -1.0}}, 60, 0, 0));
    for (const std::string& bad : {std::string(), std::string(129, 'n'), std::string("X"), std::string("1x"),
                                   std::string("_x"), std::string("x-y"), std::string("x y"), std::string("\xff")}) {
        EXPECT_EQ(refusal(bad, {"x"}, {{0.0}}), "Invalid identifier") << bad;
        EXPECT_EQ(refusal("take", {"x", bad}, {{0.0, 0.0}}), "Invalid identifier") << bad;
    }
    EXPECT_EQ(refusal("take", {"x", "X"}, {{0.0, 0.0}}), "Invalid identifier");
    EXPECT_EQ(refusal("take", {"x", "y", "x"}, {{0.0, 0.0, 0.0}}), "Duplicate axis");
    // A bad axis name is reported before the duplicate that follows it, and after the sizes.
    EXPECT_EQ(refusal("take", {"x", "X", "x"}, {{0.0, 0.0, 0.0}}), "Invalid identifier");
    EXPECT_EQ(refusal("take", {"X"}, {}), "Empty recording or recording resource limit exceeded");
}

TEST(SampledRecording, TempoAndOrigin) {
    const std::string message = "A finite positive BPM and beat origin are required";
    for (const double bpm : {0.0, -0.0, -120.0, INF, -INF, NaN, 1e-308, std::numeric_limits<double>::denorm_min()}) {
        EXPECT_EQ(refusal("take", {"x"}, {{0.0}}, bpm), message) << bpm;
    }
    for (const double origin : {INF, -INF, NaN}) {
        EXPECT_EQ(refusal("take", {"x"}, {{0.0}}, 120.0, origin), message);
    }
    EXPECT_NO_THROW(SampledRecording("take", {"x"}, {{0.0}}, std::numeric_limits<double>::max(), -1e300, 0));
    EXPECT_NO_THROW(SampledRecording("take", {"x"}, {{0.0}}, 1e-300, 0, 0));
    // The name is checked before the tempo, the tempo before the sizes.
    EXPECT_EQ(refusal("Take", {"x"}, {{0.0}}, NaN), "Invalid identifier");
    EXPECT_EQ(refusal("take", {}, {}, NaN), message);
}

TEST(SampledRecording, SizeLimits) {
    const std::string message = "Empty recording or recording resource limit exceeded";
    EXPECT_EQ(refusal("take", {}, {{}}), message);
    EXPECT_EQ(refusal("take", {"x"}, {}), message);

    Axes wide;
    for (int i = 0; i < 2048; ++i) {
        wide.push_back(numbered("a", i));
    }
    EXPECT_EQ(SampledRecording("wide", wide, Rows(4096, std::vector<double>(2048, 0.5)), 120, 0, 0).sample_count(),
              4096);
    // Refused from the row count alone: the rows themselves are never looked at.
    EXPECT_EQ(refusal("wide", wide, Rows(4097)), message);
    EXPECT_EQ(refusal("tall", {"x"}, Rows((std::size_t{1} << 23) + 1)), message);
    // Counts that would overflow a multiplication are refused too.
    EXPECT_EQ(refusal("wide", Axes((std::size_t{1} << 23) + 1, "a"), {{0.0}}), message);

    const std::int32_t last = std::numeric_limits<std::int32_t>::max();
    EXPECT_NO_THROW(SampledRecording("end", {"x"}, {{0.5}}, 120, 0, last - 1));
    EXPECT_EQ(refusal("end", {"x"}, {{0.5}, {0.5}}, 120, 0, last - 1), message);
    EXPECT_EQ(refusal("end", {"x"}, {{0.5}}, 120, 0, last), message);
    const std::int32_t first = std::numeric_limits<std::int32_t>::min();
    const SampledRecording early("early", {"x"}, {{0.25}, {0.75}}, 120, 0, first);
    EXPECT_EQ(early.sample(first), std::vector<double>{0.25});
    EXPECT_EQ(early.sample(first + 1), std::vector<double>{0.75});
}

TEST(SampledRecording, RowsAreCheckedInOrder) {
    EXPECT_NO_THROW(SampledRecording("take", {"x"}, {{1.0}, {-1.0}}, 120, 0, 0));
    for (const double bad : {std::nextafter(1.0, 2.0), -std::nextafter(1.0, 2.0), INF, NaN}) {
        EXPECT_EQ(refusal("take", {"x", "y"}, {{0.1, 0.2}, {0.3, bad}}), "Invalid sample");
    }
    EXPECT_EQ(refusal("take", {"x", "y"}, {{0.1, 0.2}, {0.3}}), "Ragged recording");
    EXPECT_EQ(refusal("take", {"x", "y"}, {{0.1, 0.2}, {0.3, 0.4, 0.5}}), "Ragged recording");
    EXPECT_EQ(refusal("take", {"x", "y"}, {{2.0, 0.2}, {0.3}}), "Invalid sample");
    EXPECT_EQ(refusal("take", {"x", "y"}, {{0.3}, {2.0, 0.2}}), "Ragged recording");
}

}  // namespace
}  // namespace velmora
