// The loops behind velmora_kit.render: rows of one loop table, picked by pip.
// Every pip is reduced into the loop before it indexes anything (a mask for a power-of-two
// period, the Euclidean remainder otherwise), so no pip value can read outside the table.
#pragma once

#include <cstdint>
#include <limits>

namespace velmora_kit_native {

// A table of `period` rows of 3 doubles (period >= 1) and room for 3 doubles per pip.
struct Rows {
    const double* table;
    std::int64_t period;
    double* out;
};

inline std::int64_t wrap(std::int64_t pip, std::int64_t period, bool power_of_two) {
    if (power_of_two) return pip & (period - 1);  // two's complement: equals the Euclidean remainder
    // A 32-bit division costs a fraction of a 64-bit one, and every pip that is not refused
    // fits (INT32_MIN % period is defined for a positive period).
    if (pip == static_cast<std::int32_t>(pip) && period <= INT32_MAX) {
        const std::int32_t r = static_cast<std::int32_t>(pip) % static_cast<std::int32_t>(period);
        return r < 0 ? r + period : r;
    }
    const std::int64_t r = pip % period;
    return r < 0 ? r + period : r;
}

// Writes the row of every pip; returns the position of the first pip outside the signed
// 32-bit range, or -1 (its row is written from the wrapped pip too; the caller refuses it).
template <typename Pip>
std::int64_t gather_step(const Rows& b, const Pip* pips, std::int64_t count) {
    const bool power_of_two = (b.period & (b.period - 1)) == 0;
    std::int64_t first_bad = -1;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t pip = pips[i];
        if (pip != static_cast<std::int32_t>(pip) && first_bad < 0) first_bad = i;
        const double* row = b.table + 3 * wrap(pip, b.period, power_of_two);
        double* o = b.out + 3 * i;
        o[0] = row[0];
        o[1] = row[1];
        o[2] = row[2];
    }
    return first_bad;
}

// Linear interpolation between the rows at floor(p) and floor(p) + 1, wrapping across the
// loop: low + (high - low) * frac, the same operations as the numpy fallback, and the stored
// row itself at a whole pip. Returns the
// position of the first pip that is not finite or whose floor lies outside the signed
// 32-bit range, or -1; such a pip writes NaN (and is never cast to an integer).
inline std::int64_t gather_linear(const Rows& b, const double* pips, std::int64_t count) {
    const bool power_of_two = (b.period & (b.period - 1)) == 0;
    std::int64_t first_bad = -1;
    for (std::int64_t i = 0; i < count; ++i) {
        double* o = b.out + 3 * i;
        const double p = pips[i];
        if (!(p >= -2147483648.0 && p < 2147483648.0)) {  // its floor outside 32 bits, or NaN
            if (first_bad < 0) first_bad = i;
            o[0] = o[1] = o[2] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        // floor(p) without a library call or a branch: truncate (p is in range), then one
        // less for a negative fraction. The conversions and p - whole are exact.
        std::int64_t whole = static_cast<std::int64_t>(p);
        whole -= static_cast<std::int64_t>(static_cast<double>(whole) > p);
        const double frac = p - static_cast<double>(whole);
        const std::int64_t low = wrap(whole, b.period, power_of_two);
        const std::int64_t high = low + 1 == b.period ? 0 : low + 1;
        const double* a = b.table + 3 * low;
        const double* c = b.table + 3 * high;
        if (frac == 0.0) {  // the stored sample itself (a + 0 would turn a -0.0 into 0.0)
            o[0] = a[0];
            o[1] = a[1];
            o[2] = a[2];
            continue;
        }
        o[0] = a[0] + (c[0] - a[0]) * frac;
        o[1] = a[1] + (c[1] - a[1]) * frac;
        o[2] = a[2] + (c[2] - a[2]) * frac;
    }
    return first_bad;
}

// Several loop tables stacked in one array of rows: table j holds rows offsets[j] to
// offsets[j] + periods[j] - 1. The caller guarantees that every table lies inside the
// stack and every period is at least 1 (checked where the stack is made).
struct Stack {
    const double* rows;
    const std::int64_t* offsets;
    const std::int64_t* periods;
    std::int64_t tables;
    double* out;  // 3 doubles per table per pip, pip by pip
    // Doubles from one pip's first table to the next pip's: 3 * tables when `out` holds
    // only these tables, more when they are some of the columns of a wider array.
    std::int64_t out_stride;
};

// Every table's row at every pip, the stacked twin of gather_step, with the same return.
template <typename Pip>
std::int64_t gather_stack(const Stack& s, const Pip* pips, std::int64_t count) {
    std::int64_t first_bad = -1;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t pip = pips[i];
        if (pip != static_cast<std::int32_t>(pip) && first_bad < 0) first_bad = i;
        double* o = s.out + i * s.out_stride;
        for (std::int64_t j = 0; j < s.tables; ++j, o += 3) {
            const std::int64_t period = s.periods[j];
            const double* row = s.rows + 3 * (s.offsets[j] + wrap(pip, period, (period & (period - 1)) == 0));
            o[0] = row[0];
            o[1] = row[1];
            o[2] = row[2];
        }
    }
    return first_bad;
}

}  // namespace velmora_kit_native
