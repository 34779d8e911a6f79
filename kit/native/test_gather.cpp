// The gather loops never leave their table, whatever the pip: each table here is exactly
// its rows long, so the sanitizer build reports any read past either end.
#include "gather.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

using velmora_kit_native::gather_linear;
using velmora_kit_native::gather_step;
using velmora_kit_native::Rows;

namespace {

std::int64_t euclid(std::int64_t pip, std::int64_t period) {
    const std::int64_t r = pip % period;
    return r < 0 ? r + period : r;
}

TEST(KitGather, StepReducesEveryPipIntoTheTable) {
    const std::vector<std::int64_t> pips = {std::numeric_limits<std::int64_t>::min(),
                                            std::numeric_limits<std::int64_t>::max(),
                                            -2147483649LL, 2147483648LL, -2147483648LL, 2147483647LL, -1, 0, 1, 1023};
    for (std::int64_t period : {1, 2, 3, 64, 160, 1000, 1024, 65535}) {
        std::vector<double> table(static_cast<std::size_t>(3 * period));
        for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<double>(i);
        std::vector<double> out(3 * pips.size());
        const Rows rows{table.data(), period, out.data()};
        EXPECT_EQ(gather_step(rows, pips.data(), static_cast<std::int64_t>(pips.size())), 0);
        for (std::size_t i = 0; i < pips.size(); ++i)
            EXPECT_EQ(out[3 * i], static_cast<double>(3 * euclid(pips[i], period))) << period << " " << pips[i];
        EXPECT_EQ(gather_step(rows, pips.data() + 4, 6), -1);
        const std::vector<std::int32_t> narrow = {-2147483647 - 1, 2147483647, -1};
        EXPECT_EQ(gather_step(rows, narrow.data(), 3), -1);
        EXPECT_EQ(out[6], static_cast<double>(3 * euclid(-1, period)));
    }
}

TEST(KitGather, LinearRefusesNonFiniteAndFarPipsWithoutReadingThem) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> pips = {-0.5, std::nan(""), inf, -inf, 1e300, -1e300, 2147483648.0, -2147483649.0,
                                      2147483647.75, -2147483648.0, 0.25};
    for (std::int64_t period : {1, 3, 64, 1000}) {
        std::vector<double> table(static_cast<std::size_t>(3 * period), 0.5);
        table[0] = -1.0;
        std::vector<double> out(3 * pips.size());
        const Rows rows{table.data(), period, out.data()};
        EXPECT_EQ(gather_linear(rows, pips.data(), static_cast<std::int64_t>(pips.size())), 1);
        for (std::size_t i = 1; i < 8; ++i) EXPECT_TRUE(std::isnan(out[3 * i]));
        for (std::size_t i : {0, 8, 9, 10}) EXPECT_FALSE(std::isnan(out[3 * i]));
        EXPECT_EQ(gather_linear(rows, pips.data() + 8, 3), -1);
    }
}

TEST(KitGather, StackReadsEachTableInsideItsOwnRows) {
    // Tables of 3 and 4 rows, each exactly its own length in a stack of 7 rows.
    std::vector<double> stack(3 * 7);
    for (std::size_t i = 0; i < stack.size(); ++i) stack[i] = static_cast<double>(i);
    const std::vector<std::int64_t> offsets = {0, 3};
    const std::vector<std::int64_t> periods = {3, 4};
    const std::vector<std::int64_t> pips = {-2147483648LL, -1, 0, 5, 2147483647LL, 2147483648LL};
    std::vector<double> out(3 * 2 * pips.size());
    const velmora_kit_native::Stack s{stack.data(), offsets.data(), periods.data(), 2, out.data(), 6};
    EXPECT_EQ(velmora_kit_native::gather_stack(s, pips.data(), static_cast<std::int64_t>(pips.size())), 5);
    for (std::size_t i = 0; i < pips.size(); ++i)
        for (std::size_t j = 0; j < 2; ++j)
            EXPECT_EQ(out[3 * (2 * i + j)], static_cast<double>(3 * (offsets[j] + euclid(pips[i], periods[j]))));
}

}  // namespace
