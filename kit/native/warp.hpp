// The float time warp of velmora_kit's layers and sequences, one pass per pip.
//
// A program is a small tree: tables (a pattern's loop, read by linear interpolation),
// layers (phase, swing, rate, then scale, offset and clip) and sequences (steps and a
// linear crossfade). Each step repeats the numpy code of modify.py operation for
// operation, in the same order and with the same constants (computed in Python and handed
// over), so every result carries the same bits; nothing here is fused or reordered.
//
// A pip that the numpy code would send down another path (a whole pip reaching a layer,
// which takes the exact integer path; a position outside the 32-bit pips that render
// refuses) is not evaluated: it is reported back, and the caller renders it the old way.
#pragma once

#include "gather.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace velmora_kit_native {

// The pips are random to the branch predictor (signs, swing halves, remainders), so no
// choice below is a branch: each is a comparison mask, used the way the numpy code uses its
// 0.0 / 1.0 arrays. The arithmetic runs on two doubles at a time (GCC/Clang vector
// extensions: SSE2 pairs on any x86-64), each lane the same IEEE operations as numpy's.
using Vec = double __attribute__((vector_size(16)));
using Mask = std::int64_t __attribute__((vector_size(16)));
inline constexpr std::size_t LANES = 2;

inline Vec load(const double* p) {
    Vec v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void store(double* p, Vec v) { std::memcpy(p, &v, sizeof v); }
inline Vec splat(double x) { return Vec{x, x}; }
// 1.0 where the mask is set, else 0.0: numpy's boolean array as float64.
inline Vec ones(Mask m) { return reinterpret_cast<Vec>(m & reinterpret_cast<Mask>(splat(1.0))); }
// Every value floored here lies within 2**51 (the programs are built only then).
inline constexpr double FLOORED = 0x1p51;

// numpy's floor for |x| < 2**51: x rounded to an integer by adding and removing 1.5·2**52
// (where doubles are whole numbers), one less where that rounded up. A zero comes out as
// +0.0 where numpy gives -0.0 for -0.0: every use below is blind to the sign of a zero
// (a floor subtracted from its own value, or of a value that is never negative).
inline Vec floor_of(Vec x) {
    const Vec round = splat(0x1.8p52);
    Vec t = (x + round) - round;
    return t - ones(t > x);
}

// x / value, as a multiplication where 1 / value is exact (a power of two): both round the
// same exact quotient once, so they give the same double.
struct Divisor {
    double value = 1.0, inverse = 1.0;
    bool by_inverse = true;

    Divisor() = default;
    explicit Divisor(double v) : value(v), inverse(1.0 / v) {
        int exponent = 0;
        by_inverse = std::frexp(v, &exponent) == 0.5 && std::isfinite(inverse) && inverse != 0.0;
    }
    Vec divide(Vec x) const { return by_inverse ? x * splat(inverse) : x / splat(value); }
};

// modify._float_mod of whole + fraction, v's floor and v − floor (|v| and the period below
// 2**51): the floor reduced as an exact integer in float arithmetic, the fraction added
// back. With a power-of-two period the quotient is exact, the remainder already in
// [0, period) and never -0.0, and the two corrections add and subtract +0.0: skipped.
inline Vec float_mod(Vec whole, Vec fraction, const Divisor& loop) {
    const Vec period = splat(loop.value);
    Vec quotient = floor_of(loop.divide(whole)) * period;
    whole -= quotient;
    if (!loop.by_inverse) {
        quotient = ones(whole < 0.0) * period;
        whole += quotient;
        quotient = ones(whole >= period) * period;
        whole -= quotient;
    }
    return whole + fraction;
}

inline Vec float_mod(Vec v, const Divisor& loop) {
    const Vec whole = floor_of(v);
    return float_mod(whole, v - whole, loop);
}

inline double clip(double v) { return v < -1.0 ? -1.0 : (v > 1.0 ? 1.0 : v); }

inline bool is_pip(double p) { return p >= -2147483648.0 && p < 2147483648.0; }

struct Table {
    const double* rows;
    std::int64_t period;
};

struct Layer {
    int child;
    Divisor period;  // the layer's loop, at most 2**52
    double phase;    // in [0, period)
    bool swing;
    Divisor two_grid, early, late;  // 2·grid, 2·swing, 2·(1 − swing)
    double boundary, grid;
    double rate_numerator;
    Divisor rate_denominator;
    Divisor source_period;  // at most 2**52; positions stay below it
    bool values_identity;
    double scale[3], offset[3];
};

struct Sequence {
    std::vector<int> children;
    std::vector<double> ends;  // cumulative, the last one the loop (at most 2**31 - 1)
    Divisor total;
    Divisor crossfade;  // pips, 0 for none
};

enum class Kind : std::uint8_t { table, layer, sequence };

// Pips are evaluated a block at a time: each node runs its arithmetic over the block in
// one loop, then hands the block of positions to its child. The blocks live on the stack
// (about 50 KiB for each sequence a pip passes through, 4 KiB for each layer), so a
// program nests at most DEPTH nodes deep: well inside any thread's stack.
inline constexpr std::size_t BLOCK = 512;
inline constexpr int DEPTH = 8;
// Up to this many steps a pip's step is counted by comparisons, cheaper than a search.
inline constexpr std::size_t COUNTED_STEPS = 8;

struct Program {
    struct Node {
        Kind kind;
        int index;
    };
    std::vector<Node> nodes;
    std::vector<int> depths;  // of each node: 1 for a table, one more than its deepest child
    std::vector<Table> tables;
    std::vector<Layer> layers;
    std::vector<Sequence> sequences;

    // Each returns the new node, or -1 for one that would nest deeper than DEPTH.
    int add(Table t) { return push(Kind::table, tables, t); }
    int add(Layer l) { return push(Kind::layer, layers, l); }
    int add(Sequence s) { return push(Kind::sequence, sequences, std::move(s)); }

    // Positions of node `node` at n <= BLOCK pips into out (3 per pip; p holds BLOCK values,
    // those past n harmless). A pip that must take the caller's path gets a NaN row: every
    // real position is finite, and NaN passes unchanged through every step after it (the
    // tables' reads, scaling, blending and clipping), so it marks the pip to the end.
    void eval(int node, const double* p, std::size_t n, double* out) const {
        const Node& x = nodes[static_cast<std::size_t>(node)];
        switch (x.kind) {
            case Kind::table: return eval_table(tables[static_cast<std::size_t>(x.index)], p, n, out);
            case Kind::layer: return eval_layer(layers[static_cast<std::size_t>(x.index)], p, n, out);
            case Kind::sequence: return eval_sequence(sequences[static_cast<std::size_t>(x.index)], p, n, out);
        }
    }

  private:
    template <typename T>
    int push(Kind kind, std::vector<T>& store, T item) {
        int depth = 1;
        if constexpr (std::is_same_v<T, Layer>) depth += depths[static_cast<std::size_t>(item.child)];
        if constexpr (std::is_same_v<T, Sequence>) {
            for (int child : item.children) depth = std::max(depth, 1 + depths[static_cast<std::size_t>(child)]);
        }
        if (depth > DEPTH) return -1;
        store.push_back(std::move(item));
        nodes.push_back({kind, static_cast<int>(store.size() - 1)});
        depths.push_back(depth);
        return static_cast<int>(nodes.size() - 1);
    }

    // Lanes past the last pip of a block are computed and dropped: give them a harmless pip.
    static void pad(double* block, std::size_t n) {
        for (std::size_t i = n; i % LANES != 0; ++i) block[i] = 0.5;
    }

    // x where the mask is clear, NaN where it is set.
    static Vec marked(Vec x, Mask refused) {
        return reinterpret_cast<Vec>(reinterpret_cast<Mask>(x) | (refused & reinterpret_cast<Mask>(splat(NAN))));
    }

    static Mask outside_pips(Vec x) { return ~((x >= splat(-0x1p31)) & (x < splat(0x1p31))); }

    // The table's read writes NaN for a pip outside 32 bits or NaN itself.
    static void eval_table(const Table& t, const double* p, std::size_t n, double* out) {
        gather_linear(Rows{t.rows, t.period, out}, p, static_cast<std::int64_t>(n));
    }

    void eval_layer(const Layer& l, const double* p, std::size_t n, double* out) const {
        double times[BLOCK];
        const Vec period = splat(l.period.value), phase = splat(l.phase);
        const Vec two_grid = splat(l.two_grid.value), boundary = splat(l.boundary), grid = splat(l.grid);
        const Vec early_divisor = splat(l.early.value), late_divisor = splat(l.late.value);
        const Vec numerator = splat(l.rate_numerator), loop = splat(l.source_period.value);
        for (std::size_t i = 0; i < n; i += LANES) {
            const Vec x = load(p + i);
            const Vec whole = floor_of(x);
            const Vec fraction = x - whole;
            Vec t = float_mod(whole, fraction, l.period) + phase;
            t -= ones(t >= period) * period;
            if (l.swing) {
                const Vec pair = floor_of(l.two_grid.divide(t));
                const Vec tau = t - pair * two_grid;
                Vec early = tau / early_divisor;
                Vec late = grid + (tau - boundary) / late_divisor;
                Vec first = ones(tau < boundary);
                early *= first;
                first -= 1.0;
                late *= first;
                t = pair * two_grid + (early - late);
            }
            t = l.rate_denominator.divide(t * numerator);
            t = float_mod(t, l.source_period);
            // A position rounded up to the loop reads pip 0 (never -0.0 here, so * 1.0 keeps it).
            t *= ones(t < loop);
            // Whole pips take the layer's exact path; pips outside 32 bits are refused there.
            store(times + i, marked(t, outside_pips(x) | (fraction == 0.0)));
        }
        eval(l.child, times, n, out);
        if (!l.values_identity) {
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t k = 0; k < 3; ++k) out[3 * i + k] = clip(out[3 * i + k] * l.scale[k] + l.offset[k]);
            }
        }
    }

    void eval_sequence(const Sequence& s, const double* p, std::size_t n, double* out) const {
        double times[BLOCK];
        const Vec total = splat(s.total.value);
        const std::size_t steps = s.children.size();
        // The block's pips grouped by step, and their times within their step; each step's
        // list starts on a whole vector, so that padding one never overwrites the next.
        std::size_t order[BLOCK + COUNTED_STEPS * LANES + 1];
        double local[BLOCK + COUNTED_STEPS * LANES + 1];
        if (steps <= COUNTED_STEPS) {
            // Each pip's step counted by comparisons with the ends, then the pips of each
            // step listed in turn (one pass per step, each a running count in a register).
            double counted[BLOCK];
            for (std::size_t i = 0; i < n; i += LANES) {
                const Vec x = load(p + i);
                Vec t = float_mod(x, s.total);
                t *= ones(t < total);  // never -0.0 here
                t = marked(t, outside_pips(x));
                store(times + i, t);
                Vec count = splat(0.0);
                for (std::size_t e = 0; e + 1 < steps; ++e) count += ones(t >= splat(s.ends[e]));
                store(counted + i, count);
            }
            std::size_t first = 0;
            for (std::size_t which = 0; which < steps; ++which) {
                const auto wanted = static_cast<double>(which);
                const double start = which == 0 ? 0.0 : s.ends[which - 1];
                std::size_t m = first;
                for (std::size_t i = 0; i < n; ++i) {
                    order[m] = i;  // overwritten unless the pip is kept: at most one past the last
                    local[m] = times[i] - start;
                    m += counted[i] == wanted;
                }
                run_step(s, which, times, order + first, local + first, m - first, out);
                first = (m + LANES - 1) / LANES * LANES;
            }
            return;
        }
        // Many steps: each pip's step found by a binary search without branches (the pips
        // are random to the branch predictor), and each run of pips in one step rendered
        // together, in the block's order.
        for (std::size_t i = 0; i < n; i += LANES) {
            const Vec x = load(p + i);
            const Vec t = float_mod(x, s.total);
            store(times + i, marked(t * ones(t < total), outside_pips(x)));
        }
        std::size_t step[BLOCK];
        const double* ends = s.ends.data();
        for (std::size_t i = 0; i < n; ++i) {
            // The number of ends at or before times[i] (the last end never is).
            // Ends before `base` are at or before it, ends from base + size on after it.
            std::size_t base = 0, size = steps - 1;
            while (size > 1) {
                const std::size_t half = size / 2;
                base = ends[base + half] <= times[i] ? base + half : base;
                size -= half;
            }
            step[i] = base + static_cast<std::size_t>(ends[base] <= times[i]);
        }
        for (std::size_t first = 0; first < n;) {
            const std::size_t which = step[first];
            const double start = which == 0 ? 0.0 : s.ends[which - 1];
            std::size_t last = first;
            for (; last < n && step[last] == which; ++last) {
                order[last] = last;
                local[last - first] = times[last] - start;  // padded by run_step: one run at a time
            }
            run_step(s, which, times, order + first, local, last - first, out);
            first = last;
        }
    }

    // The m pips `members` of the block that fall in step `which`, at `local` times within
    // it: rendered by the step's source as one block (and over the fade by the next step's)
    // and put back in place. `local` may be padded up to a whole vector.
    //
    // Over the fade the times are taken relative to the step rather than the loop: t − start
    // is exact, and so are t − fade_start and t − end (all within one step of t), so each
    // comparison and difference below gives the same double as the numpy code's on t.
    void run_step(const Sequence& s, std::size_t which, const double*, const std::size_t* members, double* local,
                  std::size_t m, double* out) const {
        if (m == 0) return;
        const double end = s.ends[which];
        const double length = end - (which == 0 ? 0.0 : s.ends[which - 1]);
        const int child = s.children[which];
        const Node& node = nodes[static_cast<std::size_t>(child)];
        if (node.kind == Kind::table) {
            // A table's rows go straight to their places.
            const Table& t = tables[static_cast<std::size_t>(node.index)];
            for (std::size_t k = 0; k < m; ++k) gather_linear(Rows{t.rows, t.period, out + 3 * members[k]}, local + k, 1);
        } else {
            double rows[3 * BLOCK];
            pad(local, m);
            eval(child, local, m, rows);
            for (std::size_t k = 0; k < m; ++k) {
                double* row = out + 3 * members[k];
                row[0] = rows[3 * k];
                row[1] = rows[3 * k + 1];
                row[2] = rows[3 * k + 2];
            }
        }
        if (s.crossfade.value <= 0.0) return;
        // Over the fade the next step's source is read at its own time, before its start.
        const double fade_start = length - s.crossfade.value;
        std::size_t fading[BLOCK + 1];  // +1: the listing writes one past the last
        double at[BLOCK], ahead[3 * BLOCK];
        std::size_t f = 0;
        for (std::size_t k = 0; k < m; ++k) {
            fading[f] = k;
            f += local[k] >= fade_start;
        }
        if (f == 0) return;
        for (std::size_t j = 0; j < f; ++j) at[j] = local[fading[j]] - length;
        pad(at, f);
        eval(s.children[(which + 1) % s.children.size()], at, f, ahead);
        const bool by_inverse = s.crossfade.by_inverse;
        const double inverse = s.crossfade.inverse, fade = s.crossfade.value;
        for (std::size_t j = 0; j < f; ++j) {
            const std::size_t k = fading[j];
            const double progress = local[k] - fade_start;
            const double weight = by_inverse ? progress * inverse : progress / fade;
            const double keep = 1.0 - weight;
            double* row = out + 3 * members[k];
            for (std::size_t c = 0; c < 3; ++c) row[c] = clip(row[c] * keep + ahead[3 * j + c] * weight);
        }
    }
};

// Renders `count` pips into 3 doubles each; returns the positions of the pips left to the
// caller (their rows hold NaN).
inline std::vector<std::int64_t> render(const Program& program, int root, const double* pips, std::int64_t count,
                                        double* out) {
    std::vector<std::int64_t> left;
    double block[BLOCK];
    for (std::int64_t first = 0; first < count; first += static_cast<std::int64_t>(BLOCK)) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(count - first, BLOCK));
        const double* in = pips + first;
        if (n % LANES != 0) {  // the last block, padded to whole vectors
            std::copy(in, in + n, block);
            for (std::size_t i = n; i % LANES != 0; ++i) block[i] = 0.5;
            in = block;
        }
        double* rows = out + 3 * first;
        program.eval(root, in, n, rows);
        for (std::size_t i = 0; i < n; ++i) {
            if (std::isnan(rows[3 * i])) left.push_back(first + static_cast<std::int64_t>(i));
        }
    }
    return left;
}

// fan's copies of one table: copy k at pip p reads row (p + k·step) mod period, step in
// [0, period). Writes copies × count rows (copy-major); returns the position of the first
// pip outside the signed 32-bit range, or -1 (rows are written for every pip regardless).
template <typename Pip>
std::int64_t fan_rows(const double* table, std::int64_t period, const Pip* pips, std::int64_t count,
                      std::int64_t copies, std::int64_t step, double* out) {
    const bool power_of_two = (period & (period - 1)) == 0;
    std::int64_t first_bad = -1;
    std::vector<std::int64_t> base(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t pip = pips[i];
        if (pip != static_cast<std::int32_t>(pip) && first_bad < 0) first_bad = i;
        base[static_cast<std::size_t>(i)] = wrap(pip, period, power_of_two);
    }
    std::int64_t phase = 0;
    for (std::int64_t k = 0; k < copies; ++k) {
        double* o = out + 3 * k * count;
        for (std::int64_t i = 0; i < count; ++i) {
            std::int64_t row = base[static_cast<std::size_t>(i)] + phase;
            row -= row >= period ? period : 0;
            const double* r = table + 3 * row;
            o[3 * i] = r[0];
            o[3 * i + 1] = r[1];
            o[3 * i + 2] = r[2];
        }
        phase += step;
        phase -= phase >= period ? period : 0;
    }
    return first_bad;
}

}  // namespace velmora_kit_native
