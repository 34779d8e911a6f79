"""The pre-rendered rows of the catalogue against the published tables of the first four
collections: names, order, periods, dimensions and descriptions, byte for byte.

Rows that are not rendered yet are simply absent; the rows present must keep the table
order, and every formula-defined pattern must be present."""

import math

import pytest
import velmora

CORE_COUNT = 15

# collection|name|period_pips|dimensions|description, in table order.
EXPECTED = """
initial|lfo_breathe|256|1|A four-beat, single-axis sine. The quiet reference for judging busier shapes.
initial|lfo_surge|256|1|A long rounded sweep and short recovery; an independently authored smooth-reset shape.
initial|lfo_soft_gate|256|1|Short smooth transitions separated by long stationary dwells. No square-wave teleport.
initial|lfo_double_pump|256|2|Two unequal pumps and a breathing space within four beats.
initial|lfo_ratchet|256|2|A four-hit decaying burst, then a rest. Every event is peak-aligned.
initial|lfo_glide_stair|256|1|Five rounded steps traverse the field, then a smooth return.
initial|lfo_morph|512|2|An eight-beat blend between a sine and skewed triangle; movement changes within the phrase.
initial|lfo_flower|512|2|Related rotations form an original three-lobed XY loop over eight beats.
initial|rhythm_euclid_3_8|256|2|3 evenly distributed onsets on a 8-step grid. Alternating lateral gestures.
initial|rhythm_euclid_5_12|256|2|5 evenly distributed onsets on a 12-step grid. Alternating lateral gestures.
initial|rhythm_three_two|256|2|Three horizontal gestures interlock with two vertical gestures in one four-beat cycle.
initial|rhythm_half_time|256|2|A strong downbeat, snare-like accent on beat three, and smaller offbeat shuffles.
initial|rudiment_double_paradiddle|256|2|Visual sticking study RLRLRR LRLRLL; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation.
initial|rudiment_paradiddle_diddle|256|2|Visual sticking study RLRRLL LRLLRR; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation.
initial|rudiment_six_stroke|256|2|Visual sticking study RLLRRL LRRLLR; equal triplet spacing over four beats. This is a movement interpretation, not a complete drum-performance notation.
initial|rudiment_flam_accent|256|2|Opposite-hand grace gestures lead accented groups of three; deliberately expanded for visible motion.
initial|ease_rebound|256|1|An attributed D3 easing curve, assembled into a closed outward-and-return loop.
initial|ease_anticipate|256|1|An attributed D3 easing curve, assembled into a closed outward-and-return loop.
initial|ease_overshoot|256|1|An attributed D3 easing curve, assembled into a closed outward-and-return loop.
initial|ease_elastic|256|1|Original windowed, decaying oscillation; not a copied D3 curve. Peak scaled to .8.
initial|akwf_round_saw|256|1|AKWF_R_asym_saw_05_256: an actual CC0 waveform slowed to a four-beat position loop.
initial|akwf_quick_return|256|1|AKWF_R_asym_saw_15_256: an actual CC0 waveform slowed to a four-beat position loop.
initial|akwf_multi_lobe|256|1|AKWF_0001_256: an actual CC0 waveform slowed to a four-beat position loop.
initial|akwf_plateau|256|1|AKWF_0010_256: an actual CC0 waveform slowed to a four-beat position loop.
initial|groove_a_played|512|2|Two-bar funk excerpt A (4–12 source beats), performed microtiming.
initial|groove_a_grid|512|2|Two-bar funk excerpt A (4–12 source beats), same hits quantised to sixteenths.
initial|groove_b_played|512|2|Two-bar funk excerpt B (36–44 source beats), performed microtiming.
initial|groove_b_grid|512|2|Two-bar funk excerpt B (36–44 source beats), same hits quantised to sixteenths.
expansion|lfo_twin_swell|512|2|Two broad swells of unequal depth, with a gentle lateral answer. Eight beats.
expansion|lfo_pulse_hold|256|1|A smooth outward pulse, sustained plateau, smaller opposite recoil, and rest.
expansion|lfo_sweep_ratchet|512|2|A slow lateral sweep followed by three decaying vertical ratchets; no reset jump.
expansion|lfo_triplet_wobble|512|2|Three rounded oscillations per two beats, breathing in depth over an eight-beat phrase.
expansion|lfo_breathing_orbit|512|2|A closed ellipse expands and contracts twice during its eight-beat revolution.
expansion|lfo_seeded_drift|1024|2|Two independently seeded smooth random lanes; irregular-looking but exactly periodic and seekable.
expansion|lfo_pendulum_dwell|512|2|Rounded saturation slows the pendulum near either side; a shallow arc connects the turns.
expansion|lfo_reverse_swell|512|2|A long anticipatory rise, quick softened return, and two diminishing aftershocks.
expansion|path_lissajous_2_3|512|2|Two horizontal cycles cross three vertical cycles in a closed eight-beat Lissajous path.
expansion|path_rose_4|512|2|A signed radial oscillation draws four petals, passing through the centre between them.
expansion|path_rose_5|512|2|Five petals in one complete eight-beat traversal; the odd-petal parameter runs through pi, not two pi.
expansion|path_bowed_diamond|512|2|An astroid-shaped loop with inward-curved edges and naturally slow corners.
expansion|path_orbit_dwell|512|2|An ellipse whose phase slows to zero speed at the loop boundary and accelerates through the opposite side.
expansion|path_torus_knot|1024|3|Two turns around the axis and three through the tube. XYZ is retained; the demo projects depth.
expansion|path_woven_3d|1024|3|Independent two-, three-, and five-cycle XYZ oscillations close after sixteen beats.
expansion|path_crank_slider|256|2|Horizontal slider-crank travel with rod length three and crank radius one; vertical motion follows the crank tip.
expansion|rhythm_five_four|512|2|5 lateral hits against four vertical hits per four beats; two bars preserve alternating directions.
expansion|rhythm_seven_four|512|2|7 lateral hits against four vertical hits per four beats; two bars preserve alternating directions.
expansion|rhythm_euclid_7_16|512|2|7 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats.
expansion|rhythm_euclid_5_16|512|2|5 evenly distributed onsets on a sixteen-step grid, repeated with alternating sides over eight beats.
expansion|rhythm_swung_answer|256|2|A two-to-one swung call on the right, answered on the left; four beats and eight peak-aligned gestures.
expansion|rhythm_group_332|512|2|Groups of three, three, and two eighth notes. Six alternating accents make an eight-beat loop.
expansion|rhythm_group_223|448|2|Two 7/8 bars grouped as 2+2+3 eighth notes: a seven-quarter-note loop, not forced into four beats.
expansion|rhythm_three_four_five|512|3|Three X, four Y, and five Z gestures share an eight-beat phrase, with exact rational peak times.
atlas|wave_pinched|512|1|Pinched sine; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_shouldered|512|1|Shouldered sine; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_folded|512|1|Folded sine; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_double_fold|512|1|Double-fold wave; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_rounded_square|512|1|Rounded square; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_soft_rectifier|512|1|Soft rectified swell; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_skew_warp|512|1|Phase-skew sweep; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_scoop_warp|512|1|Scooped return; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_shelf_wave|512|1|Shelf and scoop; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_notched|512|1|Notched crest; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_bottle|512|1|Bottle-neck swell; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_reed|512|1|Reed flutter; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_unequal_peaks|512|1|Unequal double crest; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_ripple_return|512|1|Rippled recovery; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_soft_teeth|512|1|Soft triple teeth; a continuous shaped control wave, mapped to horizontal displacement.
atlas|wave_warped_fold|512|1|Warped wave fold; a continuous shaped control wave, mapped to horizontal displacement.
atlas|env_lift_hold_drop|512|2|Lift, hold, settle over an eight-beat phrase; smooth, resting joins.
atlas|env_inhale_exhale|512|2|Long inhale, short exhale over an eight-beat phrase; smooth, resting joins.
atlas|env_triple_swell|512|2|Three unequal swells over an eight-beat phrase; smooth, resting joins.
atlas|env_rising_echo|512|2|Rising echo ladder over an eight-beat phrase; smooth, resting joins.
atlas|env_falling_echo|512|2|Falling echo ladder over an eight-beat phrase; smooth, resting joins.
atlas|env_anticipation|512|2|Backward anticipation over an eight-beat phrase; smooth, resting joins.
atlas|env_plateau_scoop|512|2|Plateau then scoop over an eight-beat phrase; smooth, resting joins.
atlas|env_hesitant|512|2|Hesitant reach over an eight-beat phrase; smooth, resting joins.
atlas|env_double_hold|512|2|Two-height hold over an eight-beat phrase; smooth, resting joins.
atlas|env_swell_recoil|512|2|Deep swell and recoil over an eight-beat phrase; smooth, resting joins.
atlas|env_late_release|512|2|Late release over an eight-beat phrase; smooth, resting joins.
atlas|env_split_attack|512|2|Split attack over an eight-beat phrase; smooth, resting joins.
atlas|env_suspended|512|2|Suspended answer over an eight-beat phrase; smooth, resting joins.
atlas|env_valley_peaks|512|2|Valley between peaks over an eight-beat phrase; smooth, resting joins.
atlas|env_four_breaths|512|2|Four breathing accents over an eight-beat phrase; smooth, resting joins.
atlas|env_return_stair|512|2|Stepped soft recovery over an eight-beat phrase; smooth, resting joins.
atlas|seq_up_down_even|512|2|A programmed position sequence with even segment durations and softened transitions.
atlas|seq_up_down_lilt|512|2|A programmed position sequence with lilt segment durations and softened transitions.
atlas|seq_pendulum_even|512|2|A programmed position sequence with even segment durations and softened transitions.
atlas|seq_pendulum_lilt|512|2|A programmed position sequence with lilt segment durations and softened transitions.
atlas|seq_octave_even|512|2|A programmed position sequence with even segment durations and softened transitions.
atlas|seq_octave_lilt|512|2|A programmed position sequence with lilt segment durations and softened transitions.
atlas|seq_unequal_even|512|2|A programmed position sequence with even segment durations and softened transitions.
atlas|seq_unequal_lilt|512|2|A programmed position sequence with lilt segment durations and softened transitions.
atlas|seq_question_even|512|2|A programmed position sequence with even segment durations and softened transitions.
atlas|seq_question_lilt|512|2|A programmed position sequence with lilt segment durations and softened transitions.
atlas|seq_answer_even|512|2|A programmed position sequence with even segment durations and softened transitions.
atlas|seq_answer_lilt|512|2|A programmed position sequence with lilt segment durations and softened transitions.
atlas|seq_ratchet_even|512|2|A programmed position sequence with even segment durations and softened transitions.
atlas|seq_ratchet_lilt|512|2|A programmed position sequence with lilt segment durations and softened transitions.
atlas|seq_stairs_even|512|2|A programmed position sequence with even segment durations and softened transitions.
atlas|seq_stairs_lilt|512|2|A programmed position sequence with lilt segment durations and softened transitions.
atlas|noise_drift_5|1024|2|Indexed SHA-256 control points in a closed drift path. No mutable random state.
atlas|noise_drift_7|1024|2|Indexed SHA-256 control points in a closed drift path. No mutable random state.
atlas|noise_drift_9|1024|2|Indexed SHA-256 control points in a closed drift path. No mutable random state.
atlas|noise_drift_11|1024|2|Indexed SHA-256 control points in a closed drift path. No mutable random state.
atlas|noise_orbit_6|1024|2|Indexed SHA-256 control points in a closed orbit path. No mutable random state.
atlas|noise_orbit_8|1024|2|Indexed SHA-256 control points in a closed orbit path. No mutable random state.
atlas|noise_orbit_10|1024|2|Indexed SHA-256 control points in a closed orbit path. No mutable random state.
atlas|noise_orbit_12|1024|2|Indexed SHA-256 control points in a closed orbit path. No mutable random state.
atlas|noise_ripple_5|1024|2|Indexed SHA-256 control points in a closed ripple path. No mutable random state.
atlas|noise_ripple_7|1024|2|Indexed SHA-256 control points in a closed ripple path. No mutable random state.
atlas|noise_ripple_9|1024|2|Indexed SHA-256 control points in a closed ripple path. No mutable random state.
atlas|noise_ripple_11|1024|2|Indexed SHA-256 control points in a closed ripple path. No mutable random state.
atlas|noise_depth_6|1024|3|Indexed SHA-256 control points in a closed depth path. No mutable random state.
atlas|noise_depth_8|1024|3|Indexed SHA-256 control points in a closed depth path. No mutable random state.
atlas|noise_depth_10|1024|3|Indexed SHA-256 control points in a closed depth path. No mutable random state.
atlas|noise_depth_12|1024|3|Indexed SHA-256 control points in a closed depth path. No mutable random state.
atlas|orbit_harmonic_01|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_02|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_03|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_04|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_05|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_06|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_07|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_08|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_09|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_10|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_11|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_12|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_13|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_14|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_15|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|orbit_harmonic_16|512|2|An ellipse combined with unequal horizontal and vertical harmonic ripples.
atlas|weave_1_3|1024|2|1 horizontal and 3 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_1_4|1024|2|1 horizontal and 4 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_1_5|1024|2|1 horizontal and 5 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_2_5|1024|2|2 horizontal and 5 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_2_7|1024|2|2 horizontal and 7 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_3_4|1024|2|3 horizontal and 4 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_3_5|1024|2|3 horizontal and 5 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_3_7|1024|2|3 horizontal and 7 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_3_8|1024|2|3 horizontal and 8 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_4_5|1024|2|4 horizontal and 5 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_4_7|1024|2|4 horizontal and 7 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_4_9|1024|2|4 horizontal and 9 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_5_6|1024|2|5 horizontal and 6 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_5_7|1024|2|5 horizontal and 7 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_5_8|1024|2|5 horizontal and 8 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|weave_5_9|1024|2|5 horizontal and 9 vertical cycles; a phase-offset, closed 16-beat traversal.
atlas|polar_rose_3|1024|2|A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.
atlas|polar_rose_6|1024|2|A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.
atlas|polar_rose_7|1024|2|A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.
atlas|polar_rose_8|1024|2|A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.
atlas|polar_rose_9|1024|2|A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.
atlas|polar_rose_10|1024|2|A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.
atlas|polar_rose_11|1024|2|A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.
atlas|polar_rose_12|1024|2|A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.
atlas|polar_scallop_2|1024|2|A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.
atlas|polar_scallop_3|1024|2|A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.
atlas|polar_scallop_4|1024|2|A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.
atlas|polar_scallop_5|1024|2|A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.
atlas|polar_scallop_6|1024|2|A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.
atlas|polar_scallop_7|1024|2|A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.
atlas|polar_scallop_8|1024|2|A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.
atlas|polar_scallop_9|1024|2|A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.
atlas|spiro_inside_3_1|1024|2|A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_inside_4_1|1024|2|A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_inside_5_2|1024|2|A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_inside_5_1|1024|2|A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_inside_7_2|1024|2|A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_inside_7_3|1024|2|A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_inside_8_3|1024|2|A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_inside_9_4|1024|2|A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_outside_3_1|1024|2|A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_outside_4_1|1024|2|A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_outside_5_2|1024|2|A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_outside_5_1|1024|2|A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_outside_7_2|1024|2|A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_outside_7_3|1024|2|A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_outside_8_3|1024|2|A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|spiro_outside_9_4|1024|2|A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.
atlas|space_torus_2_5|1024|3|A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.
atlas|space_torus_2_7|1024|3|A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.
atlas|space_torus_3_4|1024|3|A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.
atlas|space_torus_3_5|1024|3|A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.
atlas|space_torus_3_7|1024|3|A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.
atlas|space_torus_4_5|1024|3|A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.
atlas|space_torus_4_7|1024|3|A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.
atlas|space_torus_5_6|1024|3|A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.
atlas|space_weave_1_2_3|1024|3|Three coprime-frequency coordinate lanes with distinct phase offsets.
atlas|space_weave_1_3_4|1024|3|Three coprime-frequency coordinate lanes with distinct phase offsets.
atlas|space_weave_2_3_4|1024|3|Three coprime-frequency coordinate lanes with distinct phase offsets.
atlas|space_weave_2_3_7|1024|3|Three coprime-frequency coordinate lanes with distinct phase offsets.
atlas|space_weave_2_5_7|1024|3|Three coprime-frequency coordinate lanes with distinct phase offsets.
atlas|space_weave_3_4_5|1024|3|Three coprime-frequency coordinate lanes with distinct phase offsets.
atlas|space_weave_3_5_7|1024|3|Three coprime-frequency coordinate lanes with distinct phase offsets.
atlas|space_weave_4_5_7|1024|3|Three coprime-frequency coordinate lanes with distinct phase offsets.
atlas|mech_piston_short|512|2|Short-rod piston; an original kinematic-style position study, not an engineering simulation.
atlas|mech_piston_long|512|2|Long-rod piston; an original kinematic-style position study, not an engineering simulation.
atlas|mech_offset_crank|512|2|Offset crank; an original kinematic-style position study, not an engineering simulation.
atlas|mech_scotch_yoke|512|2|Yoke with rocking linkage; an original kinematic-style position study, not an engineering simulation.
atlas|mech_whitworth|512|2|Quick-return linkage study; an original kinematic-style position study, not an engineering simulation.
atlas|mech_elliptic_cam|512|2|Elliptic cam follower; an original kinematic-style position study, not an engineering simulation.
atlas|mech_two_lobe_cam|512|2|Two-lobe cam follower; an original kinematic-style position study, not an engineering simulation.
atlas|mech_three_lobe_cam|512|2|Three-lobe cam follower; an original kinematic-style position study, not an engineering simulation.
atlas|mech_escapement|512|2|Soft escapement study; an original kinematic-style position study, not an engineering simulation.
atlas|mech_paddle|512|2|Paddle-wheel tip; an original kinematic-style position study, not an engineering simulation.
atlas|mech_wobble_plate|512|3|Wobble-plate trace; an original kinematic-style position study, not an engineering simulation.
atlas|mech_rocking_beam|512|2|Rocking beam; an original kinematic-style position study, not an engineering simulation.
atlas|mech_coupled_cranks|512|2|Coupled cranks; an original kinematic-style position study, not an engineering simulation.
atlas|mech_crank_rocker|512|3|Crank and rocker study; an original kinematic-style position study, not an engineering simulation.
atlas|mech_piston_balance|512|3|Piston and balance mass; an original kinematic-style position study, not an engineering simulation.
atlas|mech_cam_return|512|2|Cam rise and return; an original kinematic-style position study, not an engineering simulation.
atlas|euclid_2_5|160|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_3_7|224|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_3_10|320|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_4_9|288|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_4_11|352|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_5_9|288|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_5_11|352|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_5_13|416|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_5_14|448|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_6_13|416|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_7_12|384|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_7_15|480|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_7_17|544|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_8_19|608|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_9_20|640|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|euclid_11_24|768|2|Evenly distributed accents with alternating sides; first onset is the phrase accent.
atlas|poly_2_5|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_2_7|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_2_9|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_3_5|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_3_7|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_3_8|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_3_10|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_4_5|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_4_7|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_4_9|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_5_6|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_5_7|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_5_8|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_5_9|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_6_7|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|poly_7_8|512|3|Two independent pulse trains share an eight-beat boundary. Each right-lane gesture includes depth.
atlas|meter_2_3|160|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_3_2|160|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_3_2_2|224|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_2_3_2|224|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_3_4|224|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_4_3|224|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_2_2_2_3|288|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_2_3_2_2|288|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_3_2_3_2|320|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_3_3_2_3|352|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_2_2_3_2_3|384|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_3_3_3_2|352|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_4_3_3|320|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_3_4_4|352|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_2_3_3_2_3|416|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|meter_3_3_3_4|416|3|Group starts lean alternately left and right; quieter subdivisions mark the eighth-note grid.
atlas|swing_push_3_5|512|3|Eight-beat push score with offbeats at 3/5 of each beat; peaks follow the score.
atlas|swing_answer_3_5|512|2|Eight-beat answer score with offbeats at 3/5 of each beat; peaks follow the score.
atlas|swing_skip_3_5|512|3|Eight-beat skip score with offbeats at 3/5 of each beat; peaks follow the score.
atlas|swing_shuffle_3_5|512|3|Eight-beat shuffle score with offbeats at 3/5 of each beat; peaks follow the score.
atlas|swing_push_2_3|512|3|Eight-beat push score with offbeats at 2/3 of each beat; peaks follow the score.
atlas|swing_answer_2_3|512|2|Eight-beat answer score with offbeats at 2/3 of each beat; peaks follow the score.
atlas|swing_skip_2_3|512|3|Eight-beat skip score with offbeats at 2/3 of each beat; peaks follow the score.
atlas|swing_shuffle_2_3|512|3|Eight-beat shuffle score with offbeats at 2/3 of each beat; peaks follow the score.
atlas|swing_push_5_7|512|3|Eight-beat push score with offbeats at 5/7 of each beat; peaks follow the score.
atlas|swing_answer_5_7|512|2|Eight-beat answer score with offbeats at 5/7 of each beat; peaks follow the score.
atlas|swing_skip_5_7|512|3|Eight-beat skip score with offbeats at 5/7 of each beat; peaks follow the score.
atlas|swing_shuffle_5_7|512|3|Eight-beat shuffle score with offbeats at 5/7 of each beat; peaks follow the score.
atlas|swing_push_3_4|512|3|Eight-beat push score with offbeats at 3/4 of each beat; peaks follow the score.
atlas|swing_answer_3_4|512|2|Eight-beat answer score with offbeats at 3/4 of each beat; peaks follow the score.
atlas|swing_skip_3_4|512|3|Eight-beat skip score with offbeats at 3/4 of each beat; peaks follow the score.
atlas|swing_shuffle_3_4|512|3|Eight-beat shuffle score with offbeats at 3/4 of each beat; peaks follow the score.
atlas|stick_study_01|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_02|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_03|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_04|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_05|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_06|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_07|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_08|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_09|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_10|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_11|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_12|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_13|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_14|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_15|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|stick_study_16|512|2|Original R/L movement study with accented group leads, followed by its hand-swapped answer. Not an official rudiment transcription.
atlas|gesture_side_reach|512|2|An original single-point side reach gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_cross_reach|512|2|An original single-point cross and reach gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_low_scoop|512|2|An original single-point low scoop gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_high_arc|512|2|An original single-point high arc gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_corner_taps|512|2|An original single-point corner taps gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_diagonal_touch|512|2|An original single-point diagonal touch gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_box_return|512|2|An original single-point box and centre gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_zigzag_lift|512|2|An original single-point zigzag lift gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_duck_sway|512|2|An original single-point duck and sway gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_push_pull|512|3|An original single-point push and pull gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_reach_depth|512|3|An original single-point reach through depth gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_bow_turn|512|3|An original single-point bow and turn gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_heel_toe|512|2|An original single-point heel-toe abstract gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_hop_answer|512|2|An original single-point hop and answer gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_spiral_reach|512|3|An original single-point spiral reach gesture. Abstract motion, not a full-body dance or biomechanical recording.
atlas|gesture_diamond_depth|512|3|An original single-point depth diamond gesture. Abstract motion, not a full-body dance or biomechanical recording.
continuum|ribbon_1_2_slim|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_1_3_slim|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_1_4_slim|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_1_5_slim|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_2_3_slim|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_2_5_slim|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_3_4_slim|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_3_5_slim|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_1_2_deep|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_1_3_deep|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_1_4_deep|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_1_5_deep|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_2_3_deep|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_2_5_deep|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_3_4_deep|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|ribbon_3_5_deep|1024|3|A curved elliptical spine with variable radial width and linked depth deflection.
continuum|contour_shaped_01|1024|2|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_02|1024|2|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_03|1024|2|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_04|1024|2|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_05|1024|2|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_06|1024|2|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_07|1024|2|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_08|1024|2|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_09|1024|3|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_10|1024|3|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_11|1024|3|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_12|1024|3|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_13|1024|3|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_14|1024|3|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_15|1024|3|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|contour_shaped_16|1024|3|Signed-power oval edges with local ripples and an asymmetric bow.
continuum|silhouette_harmonic_01|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_02|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_03|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_04|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_05|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_06|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_07|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_08|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_09|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_10|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_11|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_12|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_13|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_14|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_15|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|silhouette_harmonic_16|1024|3|Three unequal harmonic components, with cross-axis phases and a small linked depth term.
continuum|spline_kite|512|2|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_hourglass|512|2|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_hook|512|2|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_crown|512|2|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_bow|512|2|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_crooked_cross|512|2|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_asymmetric_star|512|2|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_scoop|512|2|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_rising_kite|512|3|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_twisted_bow|512|3|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_cup|512|3|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_bridge|512|3|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_double_bay|512|3|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_slanted_loop|512|3|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_fork|512|3|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|spline_folded_crown|512|3|Periodic cubic tangents connect asymmetrical controls with unequal segment times.
continuum|tour_5_2|1024|2|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_7_2|1024|2|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_7_3|1024|2|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_8_3|1024|2|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_9_2|1024|2|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_9_4|1024|2|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_10_3|1024|2|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_11_2|1024|2|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_11_3|1024|3|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_11_4|1024|3|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_12_5|1024|3|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_13_2|1024|3|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_13_3|1024|3|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_13_4|1024|3|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_13_5|1024|3|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|tour_14_3|1024|3|A noncircular vertex tour with eased corners and alternating dwell lengths.
continuum|scan_flat_3|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_bowed_3|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_tilted_3|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_depth_3|1024|3|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_flat_4|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_bowed_4|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_tilted_4|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_depth_4|1024|3|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_flat_5|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_bowed_5|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_tilted_5|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_depth_5|1024|3|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_flat_6|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_bowed_6|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_tilted_6|1024|2|An eased serpentine scan and an explicit outer return to the starting point.
continuum|scan_depth_6|1024|3|An eased serpentine scan and an explicit outer return to the starting point.
continuum|reach_scoop_3|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_hook_3|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_lift_3|1024|3|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_recoil_3|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_scoop_4|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_hook_4|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_lift_4|1024|3|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_recoil_4|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_scoop_5|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_hook_5|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_lift_5|1024|3|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_recoil_5|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_scoop_7|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_hook_7|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_lift_7|1024|3|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|reach_recoil_7|1024|2|Separate shaped reaches depart from and settle at a shared centre, without reset jumps.
continuum|surface_1_2_low|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_1_3_low|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_1_4_low|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_1_5_low|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_2_3_low|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_2_5_low|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_3_4_low|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_3_5_low|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_1_2_wide|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_1_3_wide|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_1_4_wide|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_1_5_wide|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_2_3_wide|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_2_5_wide|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_3_4_wide|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|surface_3_5_wide|1024|3|A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.
continuum|braid_1_2|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_1_3|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_1_4|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_1_5|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_2_3|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_2_5|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_3_4|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_3_5|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_1_6|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_2_7|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_3_7|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_4_5|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_4_7|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_5_6|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_5_7|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|braid_5_8|1024|3|An offset tube centreline and a rolling cross-section with a second depth ripple.
continuum|arm_coupled_01|1024|2|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_02|1024|2|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_03|1024|2|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_04|1024|2|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_05|1024|2|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_06|1024|2|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_07|1024|2|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_08|1024|2|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_09|1024|3|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_10|1024|3|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_11|1024|3|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_12|1024|3|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_13|1024|3|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_14|1024|3|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_15|1024|3|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|arm_coupled_16|1024|3|Tip position of two kinematically driven links; not a dynamics simulation or anatomical model.
continuum|dwell_phrase_01|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_02|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_03|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_04|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_05|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_06|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_07|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_08|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_09|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_10|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_11|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_12|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_13|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_14|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_15|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|dwell_phrase_16|1024|3|Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.
continuum|packet_alternating_2|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_cascading_2|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_crossing_2|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_depth_2|512|3|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_alternating_3|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_cascading_3|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_crossing_3|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_depth_3|512|3|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_alternating_4|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_cascading_4|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_crossing_4|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_depth_4|512|3|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_alternating_5|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_cascading_5|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_crossing_5|512|2|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|packet_depth_5|512|3|Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion.
continuum|canon_01_close|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_01_late|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_02_close|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_02_late|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_03_close|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_03_late|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_04_close|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_04_late|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_05_close|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_05_late|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_06_close|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_06_late|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_07_close|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_07_late|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_08_close|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|canon_08_late|512|3|A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.
continuum|echo_regular_3|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_shrinking_3|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_expanding_3|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_crossed_3|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_regular_4|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_shrinking_4|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_expanding_4|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_crossed_4|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_regular_5|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_shrinking_5|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_expanding_5|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_crossed_5|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_regular_6|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_shrinking_6|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_expanding_6|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|echo_crossed_6|512|3|An original decaying call and a differently directed answer; echo spacing is preserved as fractions.
continuum|ladder_2_3_4_6|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_3_5_4_2|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_2_5_3_7|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_4_3_6_5|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_2_4_7_3|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_3_6_2_5|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_5_3_7_4|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_6_4_3_2|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_2_7_4_5|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_7_3_5_2|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_4_7_3_6|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_5_2_6_3|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_3_4_5_7|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_6_5_4_3|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_7_5_3_4|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|ladder_4_6_7_5|512|3|Four two-beat regions change subdivision density while accents mark region starts.
continuum|necklace_01|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_02|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_03|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_04|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_05|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_06|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_07|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_08|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_09|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_10|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_11|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_12|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_13|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_14|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_15|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|necklace_16|512|3|A hand-authored binary accent word; its complement moves the other side and rising accents add depth.
continuum|accent_walk_5_1|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_5_2|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_7_1|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_7_2|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_7_3|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_8_1|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_8_3|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_9_1|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_9_2|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_9_4|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_10_3|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_11_2|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_11_3|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_12_5|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_13_3|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|accent_walk_13_5|1024|3|A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.
continuum|triplet_01_answer|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_01_turnaround|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_02_answer|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_02_turnaround|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_03_answer|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_03_turnaround|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_04_answer|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_04_turnaround|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_05_answer|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_05_turnaround|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_06_answer|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_06_turnaround|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_07_answer|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_07_turnaround|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_08_answer|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|triplet_08_turnaround|512|3|Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.
continuum|dialogue_3_4_5|384|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_5_3_4|384|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_3_5_2|320|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_2_5_4|352|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_4_3_2|288|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_3_2_4_5|448|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_5_2_3_4|448|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_2_3_5_3|416|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_3_4_3_5|480|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_5_4_2_3|448|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_2_4_5_2|416|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_4_5_3_2|448|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_3_5_4_3|480|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_5_3_2_5|480|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_2_5_3_5|480|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|dialogue_4_3_5_4|512|3|Different eighth-note group lengths pass a phrase between directions, with late pickup responses.
continuum|burst_3_5_2|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_4_3_6|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_5_2_4|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_2_7_3|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_3_4_5|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_5_3_7|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_6_2_5|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_4_7_2|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_7_3_4|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_2_5_6|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_5_7_3|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_3_6_4|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_4_5_7|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_6_3_5|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_7_4_3|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
continuum|burst_5_6_2|512|3|Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.
"""


def expected_rows():
    rows = []
    for line in EXPECTED.strip("\n").split("\n"):
        collection, name, period, dimensions, description = line.split("|")
        rows.append({"collection": collection, "name": name, "description": description,
                     "period_pips": int(period), "dimensions": int(dimensions)})
    return rows


ROWS = expected_rows()
BY_NAME = {row["name"]: i for i, row in enumerate(ROWS)}
FULL_COUNTS = {"initial": 28, "expansion": 24, "atlas": 256, "continuum": 320}


def prerendered_entries():
    return velmora.catalogue()[CORE_COUNT:]


def test_expected_table_is_consistent():
    assert len(ROWS) == len(BY_NAME) == 628
    for collection, count in FULL_COUNTS.items():
        assert sum(row["collection"] == collection for row in ROWS) == count
    assert ROWS[0]["name"] == "lfo_breathe" and ROWS[-1]["name"] == "burst_5_6_2"


def test_present_rows_keep_table_order_and_metadata():
    entries = prerendered_entries()
    ours = [e for e in entries if e["name"] in BY_NAME]
    # Rows of the first four collections come first; only the groove grid may follow them.
    assert entries[:len(ours)] == ours
    assert all(e["name"].startswith("beat_") for e in entries[len(ours):])
    positions = [BY_NAME[e["name"]] for e in ours]
    assert positions == sorted(positions), "rows out of table order"
    for entry in ours:
        want = dict(ROWS[BY_NAME[entry["name"]]])
        del want["collection"]
        assert entry == want
    if len(ours) == len(ROWS):
        assert [e["name"] for e in ours] == [row["name"] for row in ROWS]


def test_every_formula_pattern_is_in_the_catalogue():
    names = {e["name"] for e in prerendered_entries()}
    formula_families = ["weave_", "space_weave_", "polar_rose_", "spiro_", "space_torus_", "orbit_harmonic_",
                        "silhouette_harmonic_", "euclid_", "poly_", "meter_", "stick_study_", "swing_", "env_"]
    for family in formula_families:
        members = [row["name"] for row in ROWS if row["name"].startswith(family)]
        assert members and set(members) <= names, family
    singles = ["lfo_breathe", "lfo_flower", "path_lissajous_2_3", "path_rose_4", "path_rose_5", "path_torus_knot",
               "path_woven_3d", "lfo_breathing_orbit", "lfo_triplet_wobble", "path_bowed_diamond", "path_crank_slider",
               "path_orbit_dwell", "lfo_pendulum_dwell", "ease_overshoot", "ease_anticipate", "ease_rebound",
               "lfo_surge", "lfo_soft_gate", "lfo_double_pump", "lfo_glide_stair", "lfo_twin_swell", "lfo_pulse_hold",
               "lfo_reverse_swell", "seq_pendulum_even", "seq_octave_even", "seq_ratchet_even", "seq_stairs_even",
               "rhythm_euclid_3_8", "rhythm_euclid_5_12", "rhythm_euclid_7_16", "rhythm_euclid_5_16",
               "rudiment_double_paradiddle", "rudiment_paradiddle_diddle", "rudiment_six_stroke",
               "wave_pinched", "wave_shouldered", "wave_unequal_peaks", "wave_notched", "wave_reed",
               "wave_ripple_return", "wave_rounded_square", "wave_folded", "wave_double_fold", "wave_skew_warp",
               "mech_scotch_yoke", "mech_wobble_plate", "mech_piston_balance", "mech_paddle", "mech_coupled_cranks",
               "mech_two_lobe_cam", "mech_three_lobe_cam"]
    assert set(singles) <= names


INT_MIN, INT_MAX = -2**31, 2**31 - 1


def test_samplers_wrap_every_pip_into_the_period():
    for entry in prerendered_entries():
        name, period = entry["name"], entry["period_pips"]
        at = lambda p: velmora.sample(name, p).as_tuple()  # noqa: E731
        first, last = at(0), at(period - 1)
        assert at(period) == first and at(-period) == first
        assert at(-1) == last
        assert at(INT_MIN) == at(INT_MIN % period)  # Python's % is the Euclidean remainder here
        assert at(INT_MAX) == at(INT_MAX % period)
        assert at(INT_MAX - period + 1) == at((INT_MAX - period + 1) % period)


def test_wrap_examples_for_a_160_pip_period():
    at = lambda p: velmora.sample("euclid_2_5", p).as_tuple()  # noqa: E731
    assert at(-161) == at(159)
    assert at(320) == at(0)
    assert at(INT_MAX) == at(127)
    assert at(INT_MIN) == at(32)
    assert velmora.sample("lfo_breathe", 300).as_tuple() == velmora.sample("lfo_breathe", 44).as_tuple()


def test_stored_components_are_12_decimal_positive_zero_and_match_dimensions():
    for entry in prerendered_entries():
        name, period = entry["name"], entry["period_pips"]
        samples = [velmora.sample(name, p).as_tuple() for p in range(period)]
        for s in samples:
            for v in s:
                assert math.isfinite(v) and -1 <= v <= 1
                assert float(f"{v:.12f}") == v, (name, v)
                assert math.copysign(1.0, v) == 1.0 or v != 0, (name, "negative zero")
        derived = 3 if any(s[2] for s in samples) else 2 if any(s[1] for s in samples) else 1
        assert derived == entry["dimensions"], name


@pytest.mark.parametrize("name", ["", "a", "zzz", "lfo_breath", "lfo_breathe ", "Lfo_breathe", "accent_walk_10_3x",
                                  "euclid_2_5_", "\xff\xfe", "x" * 10000])
def test_unknown_names_fail_with_the_name_as_passed(name):
    with pytest.raises(ValueError) as error:
        velmora.sample(name, 0)
    assert str(error.value) == "Unknown velmora: " + name


@pytest.mark.parametrize("name", ["lfo_breathe\0", "\0", "a\0b\0"])
def test_a_name_with_an_embedded_zero_byte_keeps_its_whole_message(name):
    with pytest.raises(ValueError) as error:
        velmora.sample(name, 0)
    assert str(error.value) == "Unknown velmora: " + name


def test_bytes_that_are_not_utf8_are_escaped_in_the_message():
    with pytest.raises(ValueError) as error:
        velmora.sample(b"ab\xffcd", 0)
    assert str(error.value) == "Unknown velmora: ab\\xffcd"


def test_arbitrary_bytes_as_names_never_crash():
    hypothesis = pytest.importorskip("hypothesis")
    strategies = hypothesis.strategies
    names = {e["name"] for e in velmora.catalogue()}

    @hypothesis.settings(max_examples=2000, deadline=None)
    @hypothesis.given(strategies.binary(max_size=40), strategies.integers(INT_MIN, INT_MAX))
    def check(raw, pip):
        if raw.decode("latin-1") in names:
            velmora.sample(raw, pip)
            return
        with pytest.raises(ValueError):
            velmora.sample(raw, pip)
    check()
