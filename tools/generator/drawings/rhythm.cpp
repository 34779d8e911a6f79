// Rhythm studies: scores whose events are raised-cosine bumps on the loop, peaking at
// each event's (possibly fractional) pip and adding where they overlap.

#include <array>
#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>

#include "drawings/drawings.hpp"
#include "framework/primitives.hpp"
#include "framework/drawing.hpp"

namespace velmora::generator {

namespace {

Offset3 times(Offset3 amplitude, double factor) {
    return {amplitude.x * factor, amplitude.y * factor, amplitude.z * factor};
}

Offset3 mirrored(Offset3 amplitude) {
    return {-amplitude.x, amplitude.y, amplitude.z};
}

// The step of onset j when k onsets are spread evenly over n steps.
int even_onset_step(int j, int k, int n) {
    return ceil_div(j * n, k);
}

// Every renderer draws over the period its score is written for; a family whose period
// follows from the name checks it against the row, so a disagreement fails loudly.
void expect_period(const RenderRequest& request, std::uint32_t period) {
    if (request.period != period) {
        throw std::invalid_argument("the name implies a period of " + std::to_string(period) + " pips");
    }
}

std::vector<Offset3> euclid(const RenderRequest& request) {
    const std::vector<int> n = parse_numbers(request.suffix);
    const int onsets = n.at(0);
    const int steps = n.at(1);
    if (onsets < 1 || onsets > steps) {
        throw std::invalid_argument("needs 1 to n onsets");
    }
    expect_period(request, 32u * static_cast<std::uint32_t>(steps));
    std::vector<Bump> bumps;
    for (int j = 0; j < onsets; ++j) {
        const double pip = 32.0 * even_onset_step(j, onsets, steps);
        // The first onset is the phrase accent; later ones alternate sides at three quarters of it.
        const Offset3 amplitude = j == 0 ? Offset3{0.75, -0.32, 0.0} : Offset3{(j % 2 != 0 ? -1 : 1) * 0.5625, -0.24, 0.0};
        bumps.push_back({pip, 24.0, amplitude});
    }
    return render_bumps(request.period, bumps);
}

std::vector<Offset3> polyrhythm(const RenderRequest& request) {
    const std::vector<int> n = parse_numbers(request.suffix);
    const int left = n.at(0);
    const int right = n.at(1);
    constexpr double period = 512.0;
    std::vector<Bump> bumps;
    for (int i = 0; i < left; ++i) {
        bumps.push_back({period * i / left, 22.4, times(Offset3{-0.62, -0.26, 0.0}, i == 0 ? 1.0 : 0.65)});
    }
    for (int j = 0; j < right; ++j) {
        bumps.push_back({period * j / right, 22.4, times(Offset3{0.62, -0.26, 0.22}, j == 0 ? 1.0 : 0.65)});
    }
    return render_bumps(512, bumps);
}

std::vector<Offset3> additive_meter(const RenderRequest& request) {
    const std::vector<int> groups = parse_numbers(request.suffix);
    const int eighths = std::accumulate(groups.begin(), groups.end(), 0);
    expect_period(request, 32u * static_cast<std::uint32_t>(eighths));
    std::vector<bool> group_start(static_cast<std::size_t>(eighths), false);
    for (int start = 0; const int group : groups) {
        group_start[static_cast<std::size_t>(start)] = true;
        start += group;
    }
    std::vector<Bump> bumps;
    int group = 0;
    for (int eighth = 0; eighth < eighths; ++eighth) {
        if (group_start[static_cast<std::size_t>(eighth)]) {
            bumps.push_back({32.0 * eighth, 19.2, Offset3{group % 2 == 0 ? 0.72 : -0.72, -0.33, 0.0}});
            ++group;
        } else {
            bumps.push_back({32.0 * eighth, 32.0 / 3.0, Offset3{0.0, -0.1134, 0.0504}});
        }
    }
    return render_bumps(request.period, bumps);
}

// Eight strokes written as R and L (blanks ignored).
std::string sticking_word(std::string_view text) {
    std::string word;
    for (const char c : text) {
        if (c == 'R' || c == 'L') {
            word += c;
        } else if (c != ' ') {
            throw std::invalid_argument("a sticking holds only R and L");
        }
    }
    return word;
}

std::vector<Offset3> stick_study(const RenderRequest& request) {
    static constexpr std::array<std::string_view, 16> words{
        "RLRR LRLL", "RRLR LLRL", "RLLR LRRL", "RRLL RLRL", "RLRL RRLL", "RRRL LLRL", "RLLL RRRL", "RRLR RLLL",
        "RLRR LLRL", "RRLL RLLR", "RLRL LRRL", "RRRL RLLL", "RRRR LRLL", "RRLL LRRL", "RLRR RLLL", "RRLR LLLR",
    };
    const int member = parse_numbers(request.suffix).at(0);
    if (member < 1 || member > 16) {
        throw std::invalid_argument("member number outside 01 to 16");
    }
    const std::string word = sticking_word(words[static_cast<std::size_t>(member - 1)]);
    std::vector<Bump> bumps;
    for (int stroke = 0; stroke < 16; ++stroke) {
        // The second eight strokes answer with the hands swapped.
        const bool left_hand = (word.at(static_cast<std::size_t>(stroke % 8)) == 'L') != (stroke >= 8);
        const bool accented = stroke % 4 == 0;
        const Offset3 amplitude = accented ? Offset3{0.74, -0.34, 0.0} : Offset3{0.407, -0.187, 0.0};
        bumps.push_back({32.0 * stroke, 12.0, left_hand ? mirrored(amplitude) : amplitude});
    }
    return render_bumps(512, bumps);
}

std::vector<Offset3> swing(const RenderRequest& request) {
    const std::string_view kind = request.suffix.substr(0, request.suffix.find('_'));
    const std::vector<int> ratio = parse_numbers(request.suffix.substr(kind.size() + 1));
    const double a = ratio.at(0);
    const double b = ratio.at(1);
    const bool push = kind == "push";
    const bool answer = kind == "answer";
    const bool skip = kind == "skip";
    const bool shuffle = kind == "shuffle";
    if (!(push || answer || skip || shuffle)) {
        throw std::invalid_argument("unknown swing kind");
    }
    std::vector<Bump> bumps;
    for (int beat = 0; beat < 8; ++beat) {
        const double beat_pip = 64.0 * beat;
        const double offbeat_pip = beat_pip + 64.0 * a / b;
        if (!(skip && (beat == 2 || beat == 6))) {
            const Offset3 amplitude = beat % 4 == 0 ? Offset3{0.585, -0.216, 0.0} : Offset3{0.4225, -0.156, 0.0};
            bumps.push_back({beat_pip, 12.8, beat % 2 != 0 ? mirrored(amplitude) : amplitude});
        }
        if (push || skip) {
            bumps.push_back({offbeat_pip, 8.0, Offset3{0.075, -0.15, 0.09}});
        }
        if ((answer && beat >= 4) || shuffle) {
            const Offset3 amplitude{0.325, -0.12, 0.0};
            bumps.push_back({offbeat_pip, 12.8, beat % 2 == 0 ? mirrored(amplitude) : amplitude});
        }
        if (shuffle && (beat == 3 || beat == 7)) {
            bumps.push_back({beat_pip + 32.0 * a / b, 6.4, Offset3{0.0525, -0.105, 0.063}});
        }
    }
    return render_bumps(512, bumps);
}

// k onsets on n equal steps of a 256-pip bar, alternating sides.
Renderer bar_euclid(int onsets, int steps) {
    return [onsets, steps](const RenderRequest&) {
        std::vector<Bump> bumps;
        for (int j = 0; j < onsets; ++j) {
            const double pip = 256.0 * even_onset_step(j, onsets, steps) / steps;
            const Offset3 amplitude{0.8, -0.3, 0.0};
            bumps.push_back({pip, 12.0, j % 2 != 0 ? mirrored(amplitude) : amplitude});
        }
        return render_bumps(256, bumps);
    };
}

// k onsets on a sixteen-step bar, played twice with the sides swapped the second time.
Renderer answered_sixteen_step_euclid(int onsets) {
    return [onsets](const RenderRequest&) {
        std::vector<Bump> bumps;
        for (int half = 0; half < 2; ++half) {
            for (int j = 0; j < onsets; ++j) {
                const int pip = 256 * half + 16 * even_onset_step(j, onsets, 16);
                const bool on_beat = pip % 64 == 0;
                const Offset3 amplitude = on_beat ? Offset3{0.76, -0.3, 0.0} : Offset3{0.5472, -0.216, 0.0};
                const bool mirror = (j % 2 != 0) != (half == 1);
                bumps.push_back({static_cast<double>(pip), 12.0, mirror ? mirrored(amplitude) : amplitude});
            }
        }
        return render_bumps(512, bumps);
    };
}

// Twelve strokes in triplet spacing over four beats with the given sticking.
Renderer triplet_rudiment(std::string_view sticking, std::vector<int> accents) {
    return [word = sticking_word(sticking), accents = std::move(accents)](const RenderRequest&) {
        if (word.size() != 12) {
            throw std::invalid_argument("a triplet rudiment has twelve strokes");
        }
        std::vector<Bump> bumps;
        for (int stroke = 0; stroke < 12; ++stroke) {
            const bool accented = std::find(accents.begin(), accents.end(), stroke) != accents.end();
            const Offset3 amplitude = accented ? Offset3{0.82, -0.42, 0.0} : Offset3{0.492, -0.252, 0.0};
            const bool left_hand = word[static_cast<std::size_t>(stroke)] == 'L';
            bumps.push_back({256.0 * stroke / 12.0, 28.0 / 3.0, left_hand ? mirrored(amplitude) : amplitude});
        }
        return render_bumps(256, bumps);
    };
}

}  // namespace

Renderer draw_euclid_family() { return euclid; }
Renderer draw_poly_family() { return polyrhythm; }
Renderer draw_meter_family() { return additive_meter; }
Renderer draw_stick_study_family() { return stick_study; }
Renderer draw_swing_family() { return swing; }
Renderer draw_rhythm_euclid_3_8() { return bar_euclid(3, 8); }
Renderer draw_rhythm_euclid_5_12() { return bar_euclid(5, 12); }
Renderer draw_rhythm_euclid_7_16() { return answered_sixteen_step_euclid(7); }
Renderer draw_rhythm_euclid_5_16() { return answered_sixteen_step_euclid(5); }
Renderer draw_rudiment_double_paradiddle() { return triplet_rudiment("RLRLRR LRLRLL", {0, 6}); }
Renderer draw_rudiment_paradiddle_diddle() { return triplet_rudiment("RLRRLL LRLLRR", {0, 6}); }
Renderer draw_rudiment_six_stroke() { return triplet_rudiment("RLLRRL LRRLLR", {0, 5, 6, 11}); }

}  // namespace velmora::generator
