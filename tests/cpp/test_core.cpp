#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/offset3.hpp"
#include <velmora/patterns.hpp>

namespace {

using velmora::Offset3;
constexpr std::int32_t min_pip = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t max_pip = std::numeric_limits<std::int32_t>::max();

struct CoreShape {
    const char* name;
    Offset3 (*function)(std::int32_t) noexcept;
    std::int32_t period;
    int dimensions;
};

constexpr std::array<CoreShape, 15> shapes{{
    {"bounce", &velmora::bounce, 64, 1},
    {"sway", &velmora::sway, 128, 1},
    {"circle", &velmora::circle, 64, 2},
    {"figure_eight", &velmora::figure_eight, 128, 2},
    {"step_touch", &velmora::step_touch, 128, 2},
    {"box_step", &velmora::box_step, 256, 2},
    {"helix", &velmora::helix, 256, 3},
    {"clay_background", &velmora::clay_background, 256, 2},
    {"single_stroke_roll", &velmora::single_stroke_roll, 64, 2},
    {"double_stroke_roll", &velmora::double_stroke_roll, 64, 2},
    {"multiple_bounce_roll", &velmora::multiple_bounce_roll, 64, 2},
    {"single_paradiddle", &velmora::single_paradiddle, 128, 2},
    {"flam", &velmora::flam, 64, 2},
    {"drag", &velmora::drag, 64, 2},
    {"five_stroke_roll", &velmora::five_stroke_roll, 128, 2},
}};

bool same_bits(const Offset3& a, const Offset3& b) {
    return std::bit_cast<std::uint64_t>(a.x) == std::bit_cast<std::uint64_t>(b.x) &&
           std::bit_cast<std::uint64_t>(a.y) == std::bit_cast<std::uint64_t>(b.y) &&
           std::bit_cast<std::uint64_t>(a.z) == std::bit_cast<std::uint64_t>(b.z);
}

void expect_offset(const Offset3& actual, double x, double y, double z) {
    EXPECT_DOUBLE_EQ(actual.x, x);
    EXPECT_DOUBLE_EQ(actual.y, y);
    EXPECT_DOUBLE_EQ(actual.z, z);
}

TEST(WrapPip, EuclideanRemainderForEveryPeriod) {
    EXPECT_EQ(velmora::wrap_pip(130, 64), 2);
    EXPECT_EQ(velmora::wrap_pip(-1, 64), 63);
    EXPECT_EQ(velmora::wrap_pip(-64, 64), 0);
    EXPECT_EQ(velmora::wrap_pip(min_pip, 3), 1);
    EXPECT_EQ(velmora::wrap_pip(max_pip, 3), 1);
    EXPECT_EQ(velmora::wrap_pip(min_pip, max_pip), max_pip - 1);
    EXPECT_EQ(velmora::wrap_pip(max_pip, max_pip), 0);
    for (std::int32_t pip : {min_pip, -1, 0, 1, max_pip}) {
        EXPECT_EQ(velmora::wrap_pip(pip, 1), 0);
        EXPECT_EQ(velmora::wrap_pip(pip, 0), 0);
        EXPECT_EQ(velmora::wrap_pip(pip, -64), 0);
        EXPECT_EQ(velmora::wrap_pip(pip, min_pip), 0);
    }
}

TEST(WrapPip, MaskAgreesForPowerOfTwoPeriods) {
    for (std::int32_t pip : {min_pip, -257, -65, -1, 0, 63, 64, 255, 256, max_pip}) {
        EXPECT_EQ(static_cast<std::int32_t>(velmora::mask_pip<64>(pip)), velmora::wrap_pip(pip, 64)) << pip;
        EXPECT_EQ(static_cast<std::int32_t>(velmora::mask_pip<256>(pip)), velmora::wrap_pip(pip, 256)) << pip;
        EXPECT_EQ(static_cast<std::int32_t>(velmora::mask_pip<1024>(pip)), velmora::wrap_pip(pip, 1024)) << pip;
    }
}

TEST(CoreShapes, PeriodicBitForBitIncludingExtremes) {
    for (const CoreShape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const std::int32_t p = shape.period;
        for (std::int32_t pip = -3 * p; pip < 3 * p; ++pip) {
            ASSERT_TRUE(same_bits(shape.function(pip), shape.function(velmora::wrap_pip(pip, p)))) << pip;
        }
        EXPECT_TRUE(same_bits(shape.function(-1), shape.function(p - 1)));
        EXPECT_TRUE(same_bits(shape.function(min_pip), shape.function(0)));
        EXPECT_TRUE(same_bits(shape.function(max_pip), shape.function(p - 1)));
        EXPECT_TRUE(same_bits(shape.function(max_pip - p), shape.function(max_pip)));
        EXPECT_TRUE(same_bits(shape.function(min_pip + p), shape.function(min_pip)));
    }
}

TEST(CoreShapes, StayInRangeAndLeaveUnusedAxesAtZero) {
    for (const CoreShape& shape : shapes) {
        SCOPED_TRACE(shape.name);
        bool last_axis_moves = false;
        for (std::int32_t pip = 0; pip < shape.period; ++pip) {
            const Offset3 o = shape.function(pip);
            for (double c : {o.x, o.y, o.z}) {
                ASSERT_TRUE(c >= -1.0 && c <= 1.0) << pip;
            }
            if (shape.dimensions < 3) {
                ASSERT_EQ(o.z, 0.0);
            }
            if (shape.dimensions < 2) {
                ASSERT_EQ(o.y, 0.0);
            }
            const double last = shape.dimensions == 1 ? o.x : shape.dimensions == 2 ? o.y : o.z;
            last_axis_moves = last_axis_moves || last != 0.0;
        }
        EXPECT_TRUE(last_axis_moves);
    }
}

TEST(MotionShapes, KnownValues) {
    expect_offset(velmora::bounce(0), -1, 0, 0);
    expect_offset(velmora::bounce(32), 1, 0, 0);
    expect_offset(velmora::bounce(-32), 1, 0, 0);
    expect_offset(velmora::bounce(63), -0.9375, 0, 0);
    expect_offset(velmora::sway(32), 1, 0, 0);
    expect_offset(velmora::sway(96), -1, 0, 0);
    EXPECT_EQ(velmora::circle(0).x, 6.123233995736766e-17);
    EXPECT_EQ(velmora::circle(0).y, -1.0);
    expect_offset(velmora::circle(16), 1, 0, 0);
    EXPECT_NEAR(velmora::figure_eight(16).x, 0.7071067811865476, 1e-15);
    EXPECT_DOUBLE_EQ(velmora::figure_eight(16).y, 1.0);
    expect_offset(velmora::step_touch(0), -1, 0, 0);
    expect_offset(velmora::step_touch(128), -1, 0, 0);
    expect_offset(velmora::step_touch(16), -0.5, -0.35, 0);
    expect_offset(velmora::step_touch(-16), -0.5, -0.35, 0);
    expect_offset(velmora::step_touch(48), 0.5, -0.35, 0);
    expect_offset(velmora::box_step(16), -0.6875, -1, 0);
    expect_offset(velmora::box_step(64), 1, -1, 0);
    expect_offset(velmora::box_step(256), -1, -1, 0);
    EXPECT_GT(velmora::box_step(255).y, -1.0);
    EXPECT_DOUBLE_EQ(velmora::helix(64).x, -1.0);
    EXPECT_DOUBLE_EQ(velmora::helix(64).z, 1.0);
}

TEST(MotionShapes, DriftTableHitsItsKeyframes) {
    EXPECT_TRUE(same_bits(velmora::clay_background(0), Offset3{0, 0, 0}));
    EXPECT_TRUE(same_bits(velmora::clay_background(-256), Offset3{0, 0, 0}));
    EXPECT_TRUE(same_bits(velmora::clay_background(23), Offset3{0.14285714285714285, -0.1, 0}));
    EXPECT_TRUE(same_bits(velmora::clay_background(279), Offset3{0.14285714285714285, -0.1, 0}));
    EXPECT_TRUE(same_bits(velmora::clay_background(33), Offset3{0.9285714285714286, -0.8, 0}));
    EXPECT_NEAR(velmora::clay_background(24).x, 0.164857, 1e-6);
    EXPECT_NEAR(velmora::clay_background(24).y, -0.1196, 1e-4);
}

TEST(Rudiments, StrokePeaksLandWhereTheListsSay) {
    for (const CoreShape& shape : shapes) {
        if (shape.dimensions == 2 && std::string_view(shape.name).find("roll") != std::string_view::npos) {
            expect_offset(shape.function(0), 0, 0, 0);
        }
    }
    expect_offset(velmora::flam(0), 0, 0, 0);
    expect_offset(velmora::single_stroke_roll(4), 0.92, -0.6624, 0);
    expect_offset(velmora::single_stroke_roll(12), -0.92, -0.6624, 0);
    expect_offset(velmora::single_stroke_roll(-4), -0.92, -0.6624, 0);
    const std::array<double, 4> doubles{0.88, 0.72, -0.88, -0.72};
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(velmora::double_stroke_roll(4 + 8 * i).x, doubles[i]);
    const std::array<double, 4> bounces{0.92, 0.68, 0.48, 0.32};
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(velmora::multiple_bounce_roll(3 + 6 * i).x, bounces[i]);
    EXPECT_DOUBLE_EQ(velmora::multiple_bounce_roll(35).x, -0.92);
    expect_offset(velmora::single_paradiddle(4), 1, -0.72, 0);
    expect_offset(velmora::single_paradiddle(12), -0.72, -0.5184, 0);
    expect_offset(velmora::single_paradiddle(36), -1, -0.72, 0);
    expect_offset(velmora::single_paradiddle(100), -1, -0.72, 0);
    EXPECT_DOUBLE_EQ(velmora::flam(5).x, -0.34);
    expect_offset(velmora::flam(12), 0.9, -0.648, 0);
    EXPECT_DOUBLE_EQ(velmora::drag(4).x, -0.28);
    EXPECT_DOUBLE_EQ(velmora::drag(9).x, -0.32);
    EXPECT_DOUBLE_EQ(velmora::drag(17).x, 0.88);
    expect_offset(velmora::five_stroke_roll(43), 1, -0.72, 0);
    expect_offset(velmora::five_stroke_roll(107), -1, -0.72, 0);
}

TEST(Rudiments, OverlappingStrokesAdd) {
    // At pip 8 of the five-stroke roll the first stroke's tail (8 of 9) is still sounding
    // while the second begins at zero.
    const double s = std::sin((8.0 / 9.0) * velmora::PI);
    const double tail = s * (s * 0.72);
    EXPECT_EQ(velmora::five_stroke_roll(8).x, tail);
    EXPECT_EQ(velmora::five_stroke_roll(8).y, std::fma(tail, -0.72, 0.0));
}

}  // namespace
