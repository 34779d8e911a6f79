#pragma once

// Every drawing, by the file of its technique. A row names its drawing directly:
// draw_<pattern>() draws that pattern; draw_<family>_family() draws every member of a
// family from the parameters its row gives (the member's suffix).

#include "framework/drawing.hpp"

namespace velmora::generator {

// atlas_gestures.cpp: the gestures
Renderer draw_gesture_side_reach();
Renderer draw_gesture_cross_reach();
Renderer draw_gesture_low_scoop();
Renderer draw_gesture_high_arc();
Renderer draw_gesture_corner_taps();
Renderer draw_gesture_diagonal_touch();
Renderer draw_gesture_box_return();
Renderer draw_gesture_zigzag_lift();
Renderer draw_gesture_duck_sway();
Renderer draw_gesture_push_pull();
Renderer draw_gesture_reach_depth();
Renderer draw_gesture_bow_turn();
Renderer draw_gesture_heel_toe();
Renderer draw_gesture_hop_answer();
Renderer draw_gesture_spiral_reach();
Renderer draw_gesture_diamond_depth();

// atlas_mechanisms.cpp: designed mechanisms
Renderer draw_mech_piston_short();
Renderer draw_mech_piston_long();
Renderer draw_mech_offset_crank();
Renderer draw_mech_whitworth();
Renderer draw_mech_elliptic_cam();
Renderer draw_mech_escapement();
Renderer draw_mech_rocking_beam();
Renderer draw_mech_crank_rocker();
Renderer draw_mech_cam_return();

// closed_form.cpp: closed forms: sinusoid sums, roses, rolling circles, tori, linkages, easings
Renderer draw_lfo_breathe();
Renderer draw_lfo_flower();
Renderer draw_path_lissajous_2_3();
Renderer draw_path_rose_4();
Renderer draw_path_rose_5();
Renderer draw_path_torus_knot();
Renderer draw_path_woven_3d();
Renderer draw_lfo_breathing_orbit();
Renderer draw_lfo_triplet_wobble();
Renderer draw_path_bowed_diamond();
Renderer draw_path_crank_slider();
Renderer draw_path_orbit_dwell();
Renderer draw_lfo_pendulum_dwell();
Renderer draw_wave_pinched();
Renderer draw_wave_shouldered();
Renderer draw_wave_unequal_peaks();
Renderer draw_wave_notched();
Renderer draw_wave_reed();
Renderer draw_wave_ripple_return();
Renderer draw_wave_rounded_square();
Renderer draw_wave_folded();
Renderer draw_wave_double_fold();
Renderer draw_wave_skew_warp();
Renderer draw_mech_scotch_yoke();
Renderer draw_mech_wobble_plate();
Renderer draw_mech_piston_balance();
Renderer draw_mech_paddle();
Renderer draw_mech_coupled_cranks();
Renderer draw_mech_two_lobe_cam();
Renderer draw_mech_three_lobe_cam();
Renderer draw_weave_family();
Renderer draw_space_weave_family();
Renderer draw_polar_rose_family();
Renderer draw_spiro_inside_family();
Renderer draw_spiro_outside_family();
Renderer draw_space_torus_family();
Renderer draw_orbit_harmonic_family();
Renderer draw_silhouette_harmonic_family();
Renderer draw_ease_overshoot();
Renderer draw_ease_anticipate();
Renderer draw_ease_rebound();

// continuum_rhythms.cpp: continuum rhythm families
Renderer draw_packet_family();
Renderer draw_canon_family();
Renderer draw_echo_family();
Renderer draw_ladder_family();
Renderer draw_necklace_family();
Renderer draw_accent_walk_family();
Renderer draw_triplet_family();
Renderer draw_dialogue_family();
Renderer draw_burst_family();

// continuum_shapes.cpp: continuum curves: ribbons, contours, surfaces, braids, arms
Renderer draw_ribbon_family();
Renderer draw_contour_shaped_family();
Renderer draw_surface_family();
Renderer draw_braid_family();
Renderer draw_arm_coupled_family();

// designed_atlas.cpp: designed atlas members: shaped waves, even and lilting sequences, scalloped loops
Renderer draw_wave_soft_rectifier();
Renderer draw_wave_scoop_warp();
Renderer draw_wave_shelf_wave();
Renderer draw_wave_bottle();
Renderer draw_wave_soft_teeth();
Renderer draw_wave_warped_fold();
Renderer draw_seq_up_down_even();
Renderer draw_seq_up_down_lilt();
Renderer draw_seq_pendulum_lilt();
Renderer draw_seq_octave_lilt();
Renderer draw_seq_unequal_even();
Renderer draw_seq_unequal_lilt();
Renderer draw_seq_question_even();
Renderer draw_seq_question_lilt();
Renderer draw_seq_answer_even();
Renderer draw_seq_answer_lilt();
Renderer draw_seq_ratchet_lilt();
Renderer draw_seq_stairs_lilt();
Renderer draw_polar_scallop_family();

// designed_singles.cpp: the designed singles of velmora_initial and velmora_expansion
Renderer draw_lfo_ratchet();
Renderer draw_lfo_morph();
Renderer draw_rhythm_three_two();
Renderer draw_rhythm_half_time();
Renderer draw_rudiment_flam_accent();
Renderer draw_ease_elastic();
Renderer draw_akwf_round_saw();
Renderer draw_akwf_quick_return();
Renderer draw_akwf_multi_lobe();
Renderer draw_akwf_plateau();
Renderer draw_groove_a_played();
Renderer draw_groove_a_grid();
Renderer draw_groove_b_played();
Renderer draw_groove_b_grid();
Renderer draw_lfo_sweep_ratchet();
Renderer draw_lfo_seeded_drift();
Renderer draw_rhythm_five_four();
Renderer draw_rhythm_seven_four();
Renderer draw_rhythm_swung_answer();
Renderer draw_rhythm_group_332();
Renderer draw_rhythm_group_223();
Renderer draw_rhythm_three_four_five();

// keyframes.cpp: smootherstep keyframe curves (env, lfo, seq)
Renderer draw_env_lift_hold_drop();
Renderer draw_env_inhale_exhale();
Renderer draw_env_triple_swell();
Renderer draw_env_rising_echo();
Renderer draw_env_falling_echo();
Renderer draw_env_anticipation();
Renderer draw_env_plateau_scoop();
Renderer draw_env_hesitant();
Renderer draw_env_double_hold();
Renderer draw_env_swell_recoil();
Renderer draw_env_late_release();
Renderer draw_env_split_attack();
Renderer draw_env_suspended();
Renderer draw_env_valley_peaks();
Renderer draw_env_four_breaths();
Renderer draw_env_return_stair();
Renderer draw_lfo_surge();
Renderer draw_lfo_soft_gate();
Renderer draw_lfo_double_pump();
Renderer draw_lfo_glide_stair();
Renderer draw_lfo_twin_swell();
Renderer draw_lfo_pulse_hold();
Renderer draw_lfo_reverse_swell();
Renderer draw_seq_pendulum_even();
Renderer draw_seq_octave_even();
Renderer draw_seq_ratchet_even();
Renderer draw_seq_stairs_even();

// noise.cpp: paths through seeded controls
Renderer draw_noise_drift_family();
Renderer draw_noise_depth_family();
Renderer draw_noise_orbit_family();
Renderer draw_noise_ripple_family();

// rhythm.cpp: raised-cosine rhythm scores (euclid, poly, meter, swing, stickings)
Renderer draw_euclid_family();
Renderer draw_poly_family();
Renderer draw_meter_family();
Renderer draw_stick_study_family();
Renderer draw_swing_family();
Renderer draw_rhythm_euclid_3_8();
Renderer draw_rhythm_euclid_5_12();
Renderer draw_rhythm_euclid_7_16();
Renderer draw_rhythm_euclid_5_16();
Renderer draw_rudiment_double_paradiddle();
Renderer draw_rudiment_paradiddle_diddle();
Renderer draw_rudiment_six_stroke();

// continuum_shapes_paths.cpp: continuum keyed paths: splines, star-polygon tours, scans, reaches, dwell phrases
Renderer draw_spline_family();
Renderer draw_tour_flat();
Renderer draw_tour_deep();
Renderer draw_scan_family();
Renderer draw_reach_family();
Renderer draw_dwell_phrase_family();

}  // namespace velmora::generator
