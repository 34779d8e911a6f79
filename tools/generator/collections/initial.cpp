#include "drawings/drawings.hpp"
#include "framework/pattern_row.hpp"

namespace velmora::generator {

namespace {

// Hand-made single patterns, in table order, each with its drawing.
const SingleRow initial_patterns[] = {
    {"lfo_breathe", 256, 1, "A four-beat, single-axis sine. The quiet reference for judging busier shapes.", draw_lfo_breathe()},
    {"lfo_surge", 256, 1, "A long rounded sweep and short recovery; an independently authored smooth-reset shape.", draw_lfo_surge()},
    {"lfo_soft_gate", 256, 1, "Short smooth transitions separated by long stationary dwells. No square-wave teleport.", draw_lfo_soft_gate()},
    {"lfo_double_pump", 256, 2, "Two unequal pumps and a breathing space within four beats.", draw_lfo_double_pump()},
    {"lfo_ratchet", 256, 2, "A four-hit decaying burst, then a rest. Every event is peak-aligned.", draw_lfo_ratchet()},
    {"lfo_glide_stair", 256, 1, "Five rounded steps traverse the field, then a smooth return.", draw_lfo_glide_stair()},
    {"lfo_morph", 512, 2, "An eight-beat blend between a sine and skewed triangle; movement changes within the phrase.", draw_lfo_morph()},
    {"lfo_flower", 512, 2, "Related rotations form an original three-lobed XY loop over eight beats.", draw_lfo_flower()},
    {"rhythm_euclid_3_8", 256, 2, "3 evenly distributed onsets on a 8-step grid. Alternating lateral gestures.", draw_rhythm_euclid_3_8()},
    {"rhythm_euclid_5_12", 256, 2, "5 evenly distributed onsets on a 12-step grid. Alternating lateral gestures.", draw_rhythm_euclid_5_12()},
    {"rhythm_three_two", 256, 2, "Three horizontal gestures interlock with two vertical gestures in one four-beat cycle.", draw_rhythm_three_two()},
    {"rhythm_half_time", 256, 2, "A strong downbeat, snare-like accent on beat three, and smaller offbeat shuffles.", draw_rhythm_half_time()},
    {"rudiment_double_paradiddle", 256, 2, "Visual sticking study RLRLRR LRLRLL; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation.", draw_rudiment_double_paradiddle()},
    {"rudiment_paradiddle_diddle", 256, 2, "Visual sticking study RLRRLL LRLLRR; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation.", draw_rudiment_paradiddle_diddle()},
    {"rudiment_six_stroke", 256, 2, "Visual sticking study RLLRRL LRRLLR; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation.", draw_rudiment_six_stroke()},
    {"rudiment_flam_accent", 256, 2, "Opposite-hand grace gestures lead accented groups of three; deliberately expanded for visible motion.", draw_rudiment_flam_accent()},
    {"ease_rebound", 256, 1, "An attributed D3 easing curve, assembled into a closed outward-and-return loop.", draw_ease_rebound()},
    {"ease_anticipate", 256, 1, "An attributed D3 easing curve, assembled into a closed outward-and-return loop.", draw_ease_anticipate()},
    {"ease_overshoot", 256, 1, "An attributed D3 easing curve, assembled into a closed outward-and-return loop.", draw_ease_overshoot()},
    {"ease_elastic", 256, 1, "Original windowed, decaying oscillation; not a copied D3 curve. Peak scaled to .8.", draw_ease_elastic()},
    {"akwf_round_saw", 256, 1, "AKWF_R_asym_saw_05_256: an actual CC0 waveform slowed to a four-beat position loop.", draw_akwf_round_saw()},
    {"akwf_quick_return", 256, 1, "AKWF_R_asym_saw_15_256: an actual CC0 waveform slowed to a four-beat position loop.", draw_akwf_quick_return()},
    {"akwf_multi_lobe", 256, 1, "AKWF_0001_256: an actual CC0 waveform slowed to a four-beat position loop.", draw_akwf_multi_lobe()},
    {"akwf_plateau", 256, 1, "AKWF_0010_256: an actual CC0 waveform slowed to a four-beat position loop.", draw_akwf_plateau()},
    {"groove_a_played", 512, 2, "Two-bar funk excerpt A (4–12 source beats), performed microtiming.", draw_groove_a_played()},
    {"groove_a_grid", 512, 2, "Two-bar funk excerpt A (4–12 source beats), same hits quantised to sixteenths.", draw_groove_a_grid()},
    {"groove_b_played", 512, 2, "Two-bar funk excerpt B (36–44 source beats), performed microtiming.", draw_groove_b_played()},
    {"groove_b_grid", 512, 2, "Two-bar funk excerpt B (36–44 source beats), same hits quantised to sixteenths.", draw_groove_b_grid()},
};

}  // namespace

void add_initial_rows(std::vector<PatternRow>& rows) {
    add_singles(rows, Collection::initial, initial_patterns);
}

}  // namespace velmora::generator
