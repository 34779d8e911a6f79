// The warp programs and fan's rows never leave their tables or blocks, whatever the pip:
// each table here is exactly its rows long, so the sanitizer build reports any read past
// either end. Pips a program cannot take come back to the caller with NaN rows.
#include "warp.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace native = velmora_kit_native;

namespace {

std::vector<double> ramp(std::int64_t rows) {
    std::vector<double> table(static_cast<std::size_t>(3 * rows));
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<double>(i % 3) - 1.0 + 1e-3 * static_cast<double>(i / 3);
    return table;
}

TEST(KitWarp, SequencesOfManyStepsStayInsideTheirTablesAndLeaveTheRefusedPips) {
    const std::vector<double> odd = ramp(3), even = ramp(64);
    for (std::size_t steps : {2, 3, 9, 40}) {
        native::Program program;
        const int a = program.add(native::Table{odd.data(), 3});
        const int b = program.add(native::Table{even.data(), 64});
        native::Layer layer{};
        layer.child = b;
        layer.period = native::Divisor(96);
        layer.rate_numerator = 2.0;
        layer.rate_denominator = native::Divisor(3.0);
        layer.source_period = native::Divisor(64);
        layer.swing = true;
        layer.two_grid = native::Divisor(64);
        layer.boundary = 64 * 0.6;
        layer.early = native::Divisor(1.2);
        layer.late = native::Divisor(0.8);
        layer.grid = 32;
        layer.values_identity = true;
        const int c = program.add(layer);
        native::Sequence sequence{};
        double end = 0.0;
        for (std::size_t i = 0; i < steps; ++i) {
            sequence.children.push_back(i % 3 == 0 ? a : (i % 3 == 1 ? b : c));
            end += static_cast<double>(5 + i % 7);
            sequence.ends.push_back(end);
        }
        sequence.total = native::Divisor(end);
        sequence.crossfade = native::Divisor(3.0);
        const int root = program.add(sequence);
        std::vector<double> pips;
        for (int i = 0; i < 1000; ++i) pips.push_back(-2147483648.0 + 4294967.295 * i + 0.375);
        const double nan = std::numeric_limits<double>::quiet_NaN();
        pips.insert(pips.begin() + 300, {nan, 2147483648.0, -2147483649.0, 17.0});
        std::vector<double> out(3 * pips.size());
        const auto left = native::render(program, root, pips.data(), static_cast<std::int64_t>(pips.size()), out.data());
        // The three refused pips, and whichever whole pips reached the layer.
        ASSERT_GE(left.size(), 3U);
        EXPECT_EQ(left[0], 300);
        for (std::size_t i = 0; i < pips.size(); ++i) {
            const bool refused = std::find(left.begin(), left.end(), static_cast<std::int64_t>(i)) != left.end();
            EXPECT_EQ(std::isnan(out[3 * i]), refused) << i;
            if (!refused) {
                EXPECT_TRUE(std::isfinite(out[3 * i])) << i;
            }
        }
    }
}

TEST(KitWarp, FanRowsWrapEveryPipAndPhase) {
    const std::vector<std::int64_t> pips = {std::numeric_limits<std::int64_t>::min(), -2147483648LL, -1, 0, 2147483647LL,
                                            2147483648LL};
    for (std::int64_t period : {1, 3, 64, 1000}) {
        const std::vector<double> table = ramp(period);
        const std::int64_t copies = 5, step = period - 1;
        std::vector<double> out(static_cast<std::size_t>(3 * copies) * pips.size());
        EXPECT_EQ(native::fan_rows(table.data(), period, pips.data(), static_cast<std::int64_t>(pips.size()), copies, step,
                                   out.data()),
                  0);
        for (std::int64_t k = 0; k < copies; ++k) {
            for (std::size_t i = 0; i < pips.size(); ++i) {
                std::int64_t row = (pips[i] % period + period) % period;
                row = (row + (k * step) % period) % period;
                EXPECT_EQ(out[3 * (static_cast<std::size_t>(k) * pips.size() + i)], table[static_cast<std::size_t>(3 * row)]);
            }
        }
    }
}

}  // namespace
