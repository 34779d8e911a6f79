// The rhythmic families of velmora_continuum: oscillation packets, two-lane canons,
// decaying echoes, subdivision ladders, accent necklaces, migrating accents, triplet
// omissions, group dialogues and bursts.
//
// Events are raised-cosine gestures that peak at their pip, which stays fractional where
// the rhythm is (triplets, quintuplets, echo spacings), so a score keeps its exact
// proportions instead of being snapped to the pip grid. Packets are windowed
// oscillations. Every table is finally scaled to the catalogue's common peak, so the
// members of a family share one loudness and differ only in what their names say.
//
// Axes: x is lateral (right positive), y vertical (hits move down, negative), z depth
// (forward positive).

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "drawings/drawings.hpp"
#include "framework/primitives.hpp"
#include "framework/drawing.hpp"

namespace velmora::generator {

namespace {

constexpr double BEAT = 64.0;
constexpr double EIGHTH = 32.0;

Offset3 times(Offset3 v, double factor) {
    return {v.x * factor, v.y * factor, v.z * factor};
}

Offset3 mirrored(Offset3 v) {
    return {-v.x, v.y, v.z};
}

void expect_period(const RenderRequest& request, std::uint32_t period) {
    if (request.period != period) {
        throw std::invalid_argument("the family is drawn over " + std::to_string(period) + " pips");
    }
}

// The member number of a suffix such as "03_late" or "07".
int member_number(std::string_view suffix, int count) {
    const int member = parse_numbers(suffix.substr(0, 2)).at(0);
    if (member < 1 || member > count) {
        throw std::invalid_argument("member number outside 01 to " + std::to_string(count));
    }
    return member;
}

// "alternating_3" -> {"alternating", 3}
struct KindAndCount {
    std::string_view kind;
    int count;
};

KindAndCount kind_and_count(std::string_view suffix) {
    const std::size_t split = suffix.rfind('_');
    if (split == std::string_view::npos) {
        throw std::invalid_argument("expected a kind and a count");
    }
    return {suffix.substr(0, split), parse_numbers(suffix.substr(split + 1)).at(0)};
}

// ---- packet_: windowed oscillation packets ---------------------------------------------

// Each of the n packets fills the middle 60 % of its slot of the phrase; a sin^2 window
// starts and ends it at rest with zero velocity, and the rest of the slot is still.
std::vector<Offset3> packets(const RenderRequest& request) {
    expect_period(request, 512);
    const auto [kind, count] = kind_and_count(request.suffix);
    if (count < 2 || count > 8) {
        throw std::invalid_argument("a packet phrase has 2 to 8 packets");
    }
    const bool alternating = kind == "alternating";
    const bool cascading = kind == "cascading";
    const bool crossing = kind == "crossing";
    const bool depth = kind == "depth";
    if (!(alternating || cascading || crossing || depth)) {
        throw std::invalid_argument("unknown packet arrangement");
    }
    constexpr double period = 512.0;
    const double slot = period / count;
    const double length = 0.6 * slot;
    // Roughly one oscillation per eighth note, at least two per packet.
    const int cycles = std::max(2, static_cast<int>(std::lround(length / EIGHTH)));

    std::vector<Offset3> samples(512, Offset3{0.0, 0.0, 0.0});
    for (int i = 0; i < count; ++i) {
        const double start = slot * i + 0.2 * slot;
        const double side = i % 2 == 0 ? 1.0 : -1.0;
        // A cascade falls in size and rises in rate from packet to packet, stepping across.
        const double size = cascading ? std::pow(0.7, i) : 1.0;
        const int packet_cycles = cascading ? cycles + i : cycles;
        const double lane = -1.0 + 2.0 * i / (count - 1);
        // Depth packets sit around a circle in the lateral-depth plane.
        const double angle = TWO_PI * i / count + PI / 3.0;
        for (int pip = static_cast<int>(std::ceil(start)); pip < start + length; ++pip) {
            const double u = (pip - start) / length;
            const double window = std::sin(PI * u) * std::sin(PI * u);
            const double wave = window * std::sin(TWO_PI * packet_cycles * u);
            Offset3& s = samples[static_cast<std::size_t>(pip)];
            if (alternating) {
                s = {0.5 * side * window, 0.6 * wave, 0.0};
            } else if (cascading) {
                s = {0.55 * lane * window, 0.6 * size * wave, 0.0};
            } else if (crossing) {
                // Alternate packets oscillate along crossing diagonals and lean to opposite sides.
                s = {0.42 * side * wave + 0.3 * side * window, 0.42 * wave, 0.0};
            } else {
                s = {0.5 * std::cos(angle) * window, 0.6 * wave, 0.5 * std::sin(angle) * window};
            }
        }
    }
    return normalised(std::move(samples));
}

// ---- canon_: a rational-beat motif between the lateral and the depth lane ----------------

struct MotifNote {
    int numerator;  // onset in beats as numerator / denominator
    int denominator;
    double accent;
};

using Motif = std::vector<MotifNote>;

// Eight motifs on different rational grids, each spanning at most 2.4 beats.
const std::array<Motif, 8>& canon_motifs() {
    static const std::array<Motif, 8> motifs{{
        {{0, 1, 1.0}, {1, 2, 0.6}, {3, 4, 0.6}, {3, 2, 0.85}},                  // eighths and a sixteenth
        {{0, 1, 1.0}, {1, 3, 0.55}, {2, 3, 0.55}, {2, 1, 0.8}},                 // a triplet run to beat three
        {{0, 1, 1.0}, {3, 4, 0.7}, {3, 2, 0.7}, {9, 4, 0.9}},                   // dotted eighths
        {{0, 1, 1.0}, {2, 3, 0.6}, {4, 3, 0.6}, {5, 2, 0.8}},                   // quarter-note triplets
        {{0, 1, 1.0}, {2, 5, 0.5}, {4, 5, 0.5}, {6, 5, 0.55}, {2, 1, 0.85}},    // quintuplets
        {{0, 1, 1.0}, {1, 4, 0.5}, {1, 2, 0.7}, {5, 4, 0.6}, {2, 1, 0.9}},      // sixteenth pickup figure
        {{0, 1, 1.0}, {3, 5, 0.6}, {6, 5, 0.6}, {9, 5, 0.7}, {12, 5, 0.8}},     // five against four, stretched
        {{0, 1, 1.0}, {1, 2, 0.6}, {4, 3, 0.7}, {7, 4, 0.6}, {5, 2, 0.85}},     // mixed halves, thirds, quarters
    }};
    return motifs;
}

double beats_to_pips(int numerator, int denominator) {
    return BEAT * numerator / denominator;
}

// First half: the lateral lane leads with the motif and the depth lane imitates it after
// the delay. Second half: the depth lane leads and the lateral lane answers with the
// motif altered (played backwards, sides swapped).
std::vector<Offset3> canon(const RenderRequest& request) {
    expect_period(request, 512);
    const Motif& motif = canon_motifs()[static_cast<std::size_t>(member_number(request.suffix, 8) - 1)];
    const std::string_view timing = request.suffix.substr(3);
    if (timing != "close" && timing != "late") {
        throw std::invalid_argument("a canon is close or late");
    }
    const double delay = timing == "close" ? beats_to_pips(1, 2) : beats_to_pips(5, 4);
    constexpr double half = 256.0;
    constexpr double width = 8.0;
    const double span = beats_to_pips(motif.back().numerator, motif.back().denominator);

    std::vector<Bump> bumps;
    for (std::size_t k = 0; k < motif.size(); ++k) {
        const MotifNote& note = motif[k];
        const double onset = beats_to_pips(note.numerator, note.denominator);
        const double side = k % 2 == 0 ? 1.0 : -1.0;
        bumps.push_back({onset, width, times(Offset3{0.7 * side, -0.2, 0.0}, note.accent)});
        bumps.push_back({onset + delay, width, times(Offset3{0.0, 0.12, 0.7}, note.accent)});
        bumps.push_back({half + onset, width, times(Offset3{0.0, -0.2, 0.7}, note.accent)});
        // The altered response: the motif backwards, starting on the left.
        const MotifNote& reversed = motif[motif.size() - 1 - k];
        bumps.push_back({half + delay + span - beats_to_pips(reversed.numerator, reversed.denominator), width,
                         times(Offset3{-0.7 * side, 0.12, 0.0}, reversed.accent)});
    }
    return normalised(render_bumps(512, bumps));
}

// ---- echo_: a decaying call and its differently directed answer ---------------------------

// Onsets of the n echoes after their source, in pips: exact fractions of a three-beat span.
std::vector<double> echo_offsets(std::string_view kind, int count) {
    constexpr double span = 3.0 * BEAT;
    std::vector<double> weights(static_cast<std::size_t>(count), 1.0);
    for (int j = 0; j < count; ++j) {
        if (kind == "shrinking") {
            weights[static_cast<std::size_t>(j)] = count + 2 - j;
        } else if (kind == "expanding") {
            weights[static_cast<std::size_t>(j)] = 3 + j;
        }
    }
    const double total = std::accumulate(weights.begin(), weights.end(), 0.0);
    std::vector<double> offsets;
    double elapsed = 0.0;
    for (const double weight : weights) {
        elapsed += weight;
        offsets.push_back(span * elapsed / total);
    }
    return offsets;
}

std::vector<Offset3> echo(const RenderRequest& request) {
    expect_period(request, 512);
    const auto [kind, count] = kind_and_count(request.suffix);
    if (kind != "regular" && kind != "shrinking" && kind != "expanding" && kind != "crossed") {
        throw std::invalid_argument("unknown echo spacing");
    }
    if (count < 2 || count > 8) {
        throw std::invalid_argument("2 to 8 echoes");
    }
    const Offset3 call{0.75, -0.35, 0.0};       // out to the right and down
    const Offset3 answer{-0.3, 0.3, 0.75};      // forward, up and a little left
    // Each echo keeps the same fraction of the one before; the last is a quarter of the source.
    const double decay = std::pow(0.25, 1.0 / count);
    const std::vector<double> offsets = echo_offsets(kind, count);

    std::vector<Bump> bumps{{0.0, 10.0, call}, {256.0, 10.0, answer}};
    for (int j = 1; j <= count; ++j) {
        const double size = std::pow(decay, j);
        // Crossed echoes trade directions: every other echo of the call moves like the answer.
        const bool crossed = kind == "crossed" && j % 2 == 1;
        const double offset = offsets[static_cast<std::size_t>(j - 1)];
        bumps.push_back({offset, 7.0, times(crossed ? answer : call, size)});
        bumps.push_back({256.0 + offset, 7.0, times(crossed ? call : answer, size)});
    }
    return normalised(render_bumps(512, bumps));
}

// ---- ladder_: four two-beat regions of changing subdivision --------------------------

std::vector<Offset3> ladder(const RenderRequest& request) {
    expect_period(request, 512);
    const std::vector<int> counts = parse_numbers(request.suffix);
    if (counts.size() != 4) {
        throw std::invalid_argument("a ladder has four regions");
    }
    constexpr double region = 128.0;
    std::vector<Bump> bumps;
    for (std::size_t r = 0; r < 4; ++r) {
        const int n = counts[r];
        if (n < 1 || n > 12) {
            throw std::invalid_argument("1 to 12 subdivisions per region");
        }
        const double spacing = region / n;
        // The accent is narrow enough to stay clear of the last pulse of the region before.
        const double previous_spacing = region / counts[(r + 3) % 4];
        for (int k = 0; k < n; ++k) {
            const double onset = region * static_cast<double>(r) + spacing * k;
            if (k == 0) {
                // The region start: a forward accent. The phrase's own start reaches further
                // than the other three, so a ladder and its rotations (4_3_6_5 and 6_5_4_3)
                // are told apart by where the phrase begins.
                const double width = std::min(16.0, 0.45 * std::min(spacing, previous_spacing));
                const Offset3 accent = r == 0 ? Offset3{0.0, -0.42, 0.75} : Offset3{0.0, -0.32, 0.46};
                bumps.push_back({onset, width, accent});
            } else {
                const Offset3 pulse{0.55, -0.22, 0.0};
                bumps.push_back({onset, std::min(12.0, 0.4 * spacing), k % 2 == 0 ? mirrored(pulse) : pulse});
            }
        }
    }
    return normalised(render_bumps(512, bumps));
}

// ---- necklace_: a binary accent word on sixteen eighth notes -----------------------------

const std::array<std::string_view, 16>& necklace_words() {
    static const std::array<std::string_view, 16> words{
        "1001001010010010",  // 3+3+2 twice
        "1001001001001010",  // 3+3+3+3+2+2
        "1010100101010100",  // 2+2+3+2+2+2+3
        "1000100100010000",  // 4+3+4+5, sparse
        "1001001000101010",  // 3+3+4+2+2+2
        "1000010010000100",  // 5+3+5+3
        "1101100011011000",  // paired accents
        "1110010011001010",  // a run of three, then pairs
        "1011011010110100",
        "1100110010100000",
        "1111000011000100",  // a run of four
        "1001101100011010",
        "1000000111010110",  // long silence, late cluster
        "1101011011010111",  // dense
        "1000100010001011",  // four on the floor with a turnaround
        "1010110110101110",
    };
    return words;
}

// A 1 is an accent to the right; its complement, every 0, a lighter move to the left; an
// accent that rises out of a 0 (cyclically) also reaches forward.
std::vector<Offset3> necklace(const RenderRequest& request) {
    expect_period(request, 512);
    const std::string_view word = necklace_words()[static_cast<std::size_t>(member_number(request.suffix, 16) - 1)];
    std::vector<Bump> bumps;
    for (std::size_t k = 0; k < word.size(); ++k) {
        const bool accent = word[k] == '1';
        const bool rising = accent && word[(k + word.size() - 1) % word.size()] == '0';
        const Offset3 amplitude = accent ? Offset3{0.7, -0.3, rising ? 0.6 : 0.0} : Offset3{-0.42, -0.12, 0.0};
        bumps.push_back({EIGHTH * static_cast<double>(k), 12.0, amplitude});
    }
    return normalised(render_bumps(512, bumps));
}

// ---- accent_walk_: a two-accent motif migrating over four bars of n pulses ----------------

std::vector<Offset3> accent_walk(const RenderRequest& request) {
    expect_period(request, 1024);
    const std::vector<int> numbers = parse_numbers(request.suffix);
    const int pulses = numbers.at(0);
    const int step = numbers.at(1);
    if (pulses < 3 || pulses > 16 || step < 1 || step >= pulses) {
        throw std::invalid_argument("needs 3 to 16 pulses and a step below the pulse count");
    }
    constexpr double bar = 256.0;
    const double spacing = bar / pulses;
    const double width = std::min(12.0, 0.4 * spacing);
    // The second accent follows the first by about a third of the bar.
    const int gap = ceil_div(pulses, 3);
    std::vector<Bump> bumps;
    for (int b = 0; b < 4; ++b) {
        const int first = (step * b) % pulses;
        const int second = (first + gap) % pulses;
        for (int i = 0; i < pulses; ++i) {
            const double onset = bar * b + spacing * i;
            Offset3 amplitude{0.0, -0.2, 0.0};  // the steady pulse: a small nod
            if (i == first) {
                amplitude = {0.72, -0.34, 0.0};
            } else if (i == second) {
                amplitude = {-0.5, -0.2, 0.6};
            }
            bumps.push_back({onset, width, amplitude});
        }
    }
    return normalised(render_bumps(1024, bumps));
}

// ---- triplet_: triplet-grid gestures with deliberate omissions ---------------------------

// Four beats of triplet slots; a 0 is a deliberate omission.
const std::array<std::string_view, 8>& triplet_words() {
    static const std::array<std::string_view, 8> words{
        "110101110100", "101110011101", "111010110101", "100111101110",
        "110011100111", "101101011010", "111100110011", "011110101101",
    };
    return words;
}

// Hits lean right on even beats and left on odd ones, strongest on the beat; the third
// triplet also leans forward into the next beat. An answer fills a gap half a triplet
// late, off the triplet grid, on the other side and upward. A turnaround instead rotates
// the word by one slot for the second four beats.
std::vector<Offset3> triplets(const RenderRequest& request) {
    expect_period(request, 512);
    const std::string_view word = triplet_words()[static_cast<std::size_t>(member_number(request.suffix, 8) - 1)];
    const std::string_view variant = request.suffix.substr(3);
    const bool answer = variant == "answer";
    if (!answer && variant != "turnaround") {
        throw std::invalid_argument("a triplet study answers or turns around");
    }
    constexpr double slot = BEAT / 3.0;
    std::vector<Bump> bumps;
    for (int s = 0; s < 24; ++s) {
        const int in_phrase = answer || s < 12 ? s % 12 : (s % 12 + 1) % 12;
        const bool hit = word[static_cast<std::size_t>(in_phrase)] == '1';
        const int beat = s / 3;
        const int position = s % 3;
        const double side = beat % 2 == 0 ? 1.0 : -1.0;
        const double onset = BEAT * beat + slot * position;
        if (hit) {
            const Offset3 amplitude = position == 0 ? Offset3{0.7, -0.32, 0.0}
                                      : position == 1 ? Offset3{0.4, -0.16, 0.0}
                                                      : Offset3{0.4, -0.16, 0.22};
            bumps.push_back({onset, 6.0, side > 0.0 ? amplitude : mirrored(amplitude)});
        } else if (answer) {
            bumps.push_back({onset + slot / 2.0, 3.5, Offset3{-0.25 * side, 0.22, 0.45}});
        }
    }
    return normalised(render_bumps(512, bumps));
}

// ---- dialogue_: groups of eighth notes pass the phrase between directions -----------------

std::vector<Offset3> dialogue(const RenderRequest& request) {
    const std::vector<int> groups = parse_numbers(request.suffix);
    const int eighths = std::accumulate(groups.begin(), groups.end(), 0);
    expect_period(request, static_cast<std::uint32_t>(EIGHTH) * static_cast<std::uint32_t>(eighths));
    // The voices in turn: right, forward, left, back and up.
    static constexpr std::array<Offset3, 4> voices{{
        {0.72, -0.3, 0.0}, {0.0, -0.25, 0.72}, {-0.72, -0.3, 0.0}, {0.0, 0.3, -0.72}}};
    const double period = EIGHTH * eighths;
    std::vector<Bump> bumps;
    double start = 0.0;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (groups[g] < 2) {
            throw std::invalid_argument("a group has at least two eighth notes");
        }
        const Offset3 voice = voices[g % voices.size()];
        const Offset3 next_voice = voices[(g + 1) % groups.size() % voices.size()];
        bumps.push_back({start, 10.0, voice});
        for (int e = 1; e < groups[g]; ++e) {
            bumps.push_back({start + EIGHTH * e, 8.0, times(voice, 0.4)});
        }
        start += EIGHTH * groups[g];
        // The next voice answers with a late pickup, a flick just before its own group.
        bumps.push_back({start - 14.0, 4.0, times(next_voice, 0.35)});
    }
    return normalised(render_bumps(static_cast<std::uint32_t>(period), bumps));
}

// ---- burst_: three unevenly subdivided bursts and a late settling accent ------------------

std::vector<Offset3> bursts(const RenderRequest& request) {
    expect_period(request, 512);
    const std::vector<int> counts = parse_numbers(request.suffix);
    if (counts.size() != 3) {
        throw std::invalid_argument("three bursts");
    }
    // Each burst fills one beat; the gaps after them are deliberately unequal.
    static constexpr std::array<double, 3> starts{0.0, 160.0, 288.0};
    static constexpr std::array<Offset3, 3> directions{{{0.75, -0.3, 0.0}, {-0.75, -0.2, 0.0}, {0.0, -0.25, 0.75}}};
    std::vector<Bump> bumps;
    for (std::size_t b = 0; b < 3; ++b) {
        const int n = counts[b];
        if (n < 2 || n > 8) {
            throw std::invalid_argument("2 to 8 strokes per burst");
        }
        const double spacing = BEAT / n;
        for (int k = 0; k < n; ++k) {
            bumps.push_back({starts[b] + spacing * k, 0.42 * spacing, times(directions[b], std::pow(0.85, k))});
        }
    }
    // Late, on beat seven: a broad downward-and-back accent, then a small rebound that
    // leaves a moment of stillness before the phrase starts again.
    bumps.push_back({448.0, 20.0, Offset3{0.0, -0.6, -0.3}});
    bumps.push_back({476.0, 8.0, Offset3{0.0, 0.12, 0.06}});
    return normalised(render_bumps(512, bumps));
}

}  // namespace

Renderer draw_packet_family() { return packets; }
Renderer draw_canon_family() { return canon; }
Renderer draw_echo_family() { return echo; }
Renderer draw_ladder_family() { return ladder; }
Renderer draw_necklace_family() { return necklace; }
Renderer draw_accent_walk_family() { return accent_walk; }
Renderer draw_triplet_family() { return triplets; }
Renderer draw_dialogue_family() { return dialogue; }
Renderer draw_burst_family() { return bursts; }

}  // namespace velmora::generator
