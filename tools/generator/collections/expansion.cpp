#include "drawings/drawings.hpp"
#include "framework/pattern_row.hpp"

namespace velmora::generator {

namespace {

// Hand-made single patterns, in table order, each with its drawing.
const SingleRow expansion_patterns[] = {
    {"lfo_twin_swell", 512, 2, "Two broad swells of unequal depth, with a gentle lateral answer. Eight beats.", draw_lfo_twin_swell()},
    {"lfo_pulse_hold", 256, 1, "A smooth outward pulse, sustained plateau, smaller opposite recoil, and rest.", draw_lfo_pulse_hold()},
    {"lfo_sweep_ratchet", 512, 2, "A slow lateral sweep followed by three decaying vertical ratchets; no reset jump.", draw_lfo_sweep_ratchet()},
    {"lfo_triplet_wobble", 512, 2, "Three rounded oscillations per two beats, breathing in depth over an eight-beat phrase.", draw_lfo_triplet_wobble()},
    {"lfo_breathing_orbit", 512, 2, "A closed ellipse expands and contracts twice during its eight-beat revolution.", draw_lfo_breathing_orbit()},
    {"lfo_seeded_drift", 1024, 2, "Two independently seeded smooth random lanes; irregular-looking but exactly periodic and seekable.", draw_lfo_seeded_drift()},
    {"lfo_pendulum_dwell", 512, 2, "Rounded saturation slows the pendulum near either side; a shallow arc connects the turns.", draw_lfo_pendulum_dwell()},
    {"lfo_reverse_swell", 512, 2, "A long anticipatory rise, quick softened return, and two diminishing aftershocks.", draw_lfo_reverse_swell()},
    {"path_lissajous_2_3", 512, 2, "Two horizontal cycles cross three vertical cycles in a closed eight-beat Lissajous path.", draw_path_lissajous_2_3()},
    {"path_rose_4", 512, 2, "A signed radial oscillation draws four petals, passing through the centre between them.", draw_path_rose_4()},
    {"path_rose_5", 512, 2, "Five petals in one complete eight-beat traversal; the odd-petal parameter runs through pi, not two pi.", draw_path_rose_5()},
    {"path_bowed_diamond", 512, 2, "An astroid-shaped loop with inward-curved edges and naturally slow corners.", draw_path_bowed_diamond()},
    {"path_orbit_dwell", 512, 2, "An ellipse whose phase slows to zero speed at the loop boundary and accelerates through the opposite side.", draw_path_orbit_dwell()},
    {"path_torus_knot", 1024, 3, "Two turns around the axis and three through the tube. XYZ is retained; the demo projects depth.", draw_path_torus_knot()},
    {"path_woven_3d", 1024, 3, "Independent two-, three-, and five-cycle XYZ oscillations close after sixteen beats.", draw_path_woven_3d()},
    {"path_crank_slider", 256, 2, "Horizontal slider-crank travel with rod length three and crank radius one; vertical motion follows the crank tip.", draw_path_crank_slider()},
    {"rhythm_five_four", 512, 2, "5 lateral hits against four vertical hits per four beats; two bars preserve alternating directions.", draw_rhythm_five_four()},
    {"rhythm_seven_four", 512, 2, "7 lateral hits against four vertical hits per four beats; two bars preserve alternating directions.", draw_rhythm_seven_four()},
    {"rhythm_euclid_7_16", 512, 2, "7 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats.", draw_rhythm_euclid_7_16()},
    {"rhythm_euclid_5_16", 512, 2, "5 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats.", draw_rhythm_euclid_5_16()},
    {"rhythm_swung_answer", 256, 2, "A two-to-one swung call on the right, answered on the left; four beats and eight peak-aligned gestures.", draw_rhythm_swung_answer()},
    {"rhythm_group_332", 512, 2, "Groups of three, three, and two eighth notes. Six alternating accents make an eight-beat loop.", draw_rhythm_group_332()},
    {"rhythm_group_223", 448, 2, "Two 7/8 bars grouped as 2+2+3 eighth notes: a seven-quarter-note loop, not forced into four beats.", draw_rhythm_group_223()},
    {"rhythm_three_four_five", 512, 3, "Three X, four Y, and five Z gestures share an eight-beat phrase, with exact rational peak times.", draw_rhythm_three_four_five()},
};

}  // namespace

void add_expansion_rows(std::vector<PatternRow>& rows) {
    add_singles(rows, Collection::expansion, expansion_patterns);
}

}  // namespace velmora::generator
