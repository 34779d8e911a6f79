#include <string>

#include "drawings/drawings.hpp"
#include "framework/family_rows.hpp"
#include "framework/primitives.hpp"

namespace velmora::generator {

namespace {

// "2_5" -> "2 horizontal and 5 vertical cycles; ..."
std::string weave_description(std::string_view suffix) {
    const std::vector<int> cycles = parse_numbers(suffix);
    return std::to_string(cycles.at(0)) + " horizontal and " + std::to_string(cycles.at(1)) +
           " vertical cycles; a phase-offset, closed 16-beat traversal.";
}

// "push_3_5" -> "Eight-beat push score with offbeats at 3/5 of each beat; ..."
std::string swing_description(std::string_view suffix) {
    const std::size_t kind_end = suffix.find('_');
    const std::vector<int> ratio = parse_numbers(suffix.substr(kind_end + 1));
    return "Eight-beat " + std::string(suffix.substr(0, kind_end)) + " score with offbeats at " +
           std::to_string(ratio.at(0)) + "/" + std::to_string(ratio.at(1)) + " of each beat; peaks follow the score.";
}

// "up_down_lilt" -> "lilt"; "drift_5" -> "drift".
std::string last_part(std::string_view suffix) {
    return std::string(suffix.substr(suffix.rfind('_') + 1));
}
std::string first_part(std::string_view suffix) {
    return std::string(suffix.substr(0, suffix.find('_')));
}

}  // namespace

void add_atlas_rows(std::vector<PatternRow>& rows) {
    constexpr Collection atlas = Collection::atlas;

    add_family_members(rows, {atlas, "wave_", "",
                              fixed_period(512), 1,
                              titled({{"pinched", "Pinched sine"},
                                      {"shouldered", "Shouldered sine"},
                                      {"folded", "Folded sine"},
                                      {"double_fold", "Double-fold wave"},
                                      {"rounded_square", "Rounded square"},
                                      {"soft_rectifier", "Soft rectified swell"},
                                      {"skew_warp", "Phase-skew sweep"},
                                      {"scoop_warp", "Scooped return"},
                                      {"shelf_wave", "Shelf and scoop"},
                                      {"notched", "Notched crest"},
                                      {"bottle", "Bottle-neck swell"},
                                      {"reed", "Reed flutter"},
                                      {"unequal_peaks", "Unequal double crest"},
                                      {"ripple_return", "Rippled recovery"},
                                      {"soft_teeth", "Soft triple teeth"},
                                      {"warped_fold", "Warped wave fold"}},
                                     "; a continuous shaped control wave, mapped to horizontal displacement.")},
                       {{"pinched", draw_wave_pinched()},
                        {"shouldered", draw_wave_shouldered()},
                        {"folded", draw_wave_folded()},
                        {"double_fold", draw_wave_double_fold()},
                        {"rounded_square", draw_wave_rounded_square()},
                        {"soft_rectifier", draw_wave_soft_rectifier()},
                        {"skew_warp", draw_wave_skew_warp()},
                        {"scoop_warp", draw_wave_scoop_warp()},
                        {"shelf_wave", draw_wave_shelf_wave()},
                        {"notched", draw_wave_notched()},
                        {"bottle", draw_wave_bottle()},
                        {"reed", draw_wave_reed()},
                        {"unequal_peaks", draw_wave_unequal_peaks()},
                        {"ripple_return", draw_wave_ripple_return()},
                        {"soft_teeth", draw_wave_soft_teeth()},
                        {"warped_fold", draw_wave_warped_fold()}});

    add_family_members(rows, {atlas, "env_", "",
                              fixed_period(512), 2,
                              titled({{"lift_hold_drop", "Lift, hold, settle"},
                                      {"inhale_exhale", "Long inhale, short exhale"},
                                      {"triple_swell", "Three unequal swells"},
                                      {"rising_echo", "Rising echo ladder"},
                                      {"falling_echo", "Falling echo ladder"},
                                      {"anticipation", "Backward anticipation"},
                                      {"plateau_scoop", "Plateau then scoop"},
                                      {"hesitant", "Hesitant reach"},
                                      {"double_hold", "Two-height hold"},
                                      {"swell_recoil", "Deep swell and recoil"},
                                      {"late_release", "Late release"},
                                      {"split_attack", "Split attack"},
                                      {"suspended", "Suspended answer"},
                                      {"valley_peaks", "Valley between peaks"},
                                      {"four_breaths", "Four breathing accents"},
                                      {"return_stair", "Stepped soft recovery"}},
                                     " over an eight-beat phrase; smooth, resting joins.")},
                       {{"lift_hold_drop", draw_env_lift_hold_drop()},
                        {"inhale_exhale", draw_env_inhale_exhale()},
                        {"triple_swell", draw_env_triple_swell()},
                        {"rising_echo", draw_env_rising_echo()},
                        {"falling_echo", draw_env_falling_echo()},
                        {"anticipation", draw_env_anticipation()},
                        {"plateau_scoop", draw_env_plateau_scoop()},
                        {"hesitant", draw_env_hesitant()},
                        {"double_hold", draw_env_double_hold()},
                        {"swell_recoil", draw_env_swell_recoil()},
                        {"late_release", draw_env_late_release()},
                        {"split_attack", draw_env_split_attack()},
                        {"suspended", draw_env_suspended()},
                        {"valley_peaks", draw_env_valley_peaks()},
                        {"four_breaths", draw_env_four_breaths()},
                        {"return_stair", draw_env_return_stair()}});

    add_family_members(rows, {atlas, "seq_", "",
                              fixed_period(512), 2, [](std::string_view suffix) {
                                  return "A programmed position sequence with " + last_part(suffix) +
                                         " segment durations and softened transitions.";
                              }},
                       {{"up_down_even", draw_seq_up_down_even()},
                        {"up_down_lilt", draw_seq_up_down_lilt()},
                        {"pendulum_even", draw_seq_pendulum_even()},
                        {"pendulum_lilt", draw_seq_pendulum_lilt()},
                        {"octave_even", draw_seq_octave_even()},
                        {"octave_lilt", draw_seq_octave_lilt()},
                        {"unequal_even", draw_seq_unequal_even()},
                        {"unequal_lilt", draw_seq_unequal_lilt()},
                        {"question_even", draw_seq_question_even()},
                        {"question_lilt", draw_seq_question_lilt()},
                        {"answer_even", draw_seq_answer_even()},
                        {"answer_lilt", draw_seq_answer_lilt()},
                        {"ratchet_even", draw_seq_ratchet_even()},
                        {"ratchet_lilt", draw_seq_ratchet_lilt()},
                        {"stairs_even", draw_seq_stairs_even()},
                        {"stairs_lilt", draw_seq_stairs_lilt()}});

    add_family_members(rows, {atlas, "noise_", "",
                              fixed_period(1024), 2,
                              [](std::string_view suffix) {
                                  return "Indexed SHA-256 control points in a closed " + first_part(suffix) +
                                         " path. No mutable random state.";
                              },
                              "depth_6 depth_8 depth_10 depth_12", 3},
                       {{"drift_5", {draw_noise_drift_family(), "5"}},
                        {"drift_7", {draw_noise_drift_family(), "7"}},
                        {"drift_9", {draw_noise_drift_family(), "9"}},
                        {"drift_11", {draw_noise_drift_family(), "11"}},
                        {"orbit_6", {draw_noise_orbit_family(), "6"}},
                        {"orbit_8", {draw_noise_orbit_family(), "8"}},
                        {"orbit_10", {draw_noise_orbit_family(), "10"}},
                        {"orbit_12", {draw_noise_orbit_family(), "12"}},
                        {"ripple_5", {draw_noise_ripple_family(), "5"}},
                        {"ripple_7", {draw_noise_ripple_family(), "7"}},
                        {"ripple_9", {draw_noise_ripple_family(), "9"}},
                        {"ripple_11", {draw_noise_ripple_family(), "11"}},
                        {"depth_6", {draw_noise_depth_family(), "6"}},
                        {"depth_8", {draw_noise_depth_family(), "8"}},
                        {"depth_10", {draw_noise_depth_family(), "10"}},
                        {"depth_12", {draw_noise_depth_family(), "12"}}});

    add_family(rows, {atlas, "orbit_harmonic_", "01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16", fixed_period(512), 2,
                      shared_description("An ellipse combined with unequal horizontal and vertical harmonic ripples.")}, draw_orbit_harmonic_family());

    add_family(rows, {atlas, "weave_", "1_3 1_4 1_5 2_5 2_7 3_4 3_5 3_7 3_8 4_5 4_7 4_9 5_6 5_7 5_8 5_9",
                      fixed_period(1024), 2, weave_description}, draw_weave_family());

    add_family(rows, {atlas, "polar_rose_", "3 6 7 8 9 10 11 12", fixed_period(1024), 2,
                      shared_description("A complete signed-radius rose traversal; odd-petal roses use a half-turn parameter.")}, draw_polar_rose_family());
    add_family(rows, {atlas, "polar_scallop_", "2 3 4 5 6 7 8 9", fixed_period(1024), 2,
                      shared_description("A positive-radius scalloped loop; no centre crossings, with an asymmetrically bent lobe.")}, draw_polar_scallop_family());

    add_family(rows, {atlas, "spiro_inside_", "3_1 4_1 5_2 5_1 7_2 7_3 8_3 9_4", fixed_period(1024), 2,
                      shared_description("A closed inside-rolling circle trace, with pen radius smaller than the rolling radius.")}, draw_spiro_inside_family());
    add_family(rows, {atlas, "spiro_outside_", "3_1 4_1 5_2 5_1 7_2 7_3 8_3 9_4", fixed_period(1024), 2,
                      shared_description("A closed outside-rolling circle trace, with pen radius smaller than the rolling radius.")}, draw_spiro_outside_family());

    add_family(rows, {atlas, "space_torus_", "2_5 2_7 3_4 3_5 3_7 4_5 4_7 5_6", fixed_period(1024), 3,
                      shared_description("A genuine XYZ closed torus-knot trajectory. The demo uses an oblique projection.")}, draw_space_torus_family());
    add_family(rows, {atlas, "space_weave_", "1_2_3 1_3_4 2_3_4 2_3_7 2_5_7 3_4_5 3_5_7 4_5_7", fixed_period(1024), 3,
                      shared_description("Three coprime-frequency coordinate lanes with distinct phase offsets.")}, draw_space_weave_family());

    add_family_members(rows, {atlas, "mech_", "",
                              fixed_period(512), 2,
                              titled({{"piston_short", "Short-rod piston"},
                                      {"piston_long", "Long-rod piston"},
                                      {"offset_crank", "Offset crank"},
                                      {"scotch_yoke", "Yoke with rocking linkage"},
                                      {"whitworth", "Quick-return linkage study"},
                                      {"elliptic_cam", "Elliptic cam follower"},
                                      {"two_lobe_cam", "Two-lobe cam follower"},
                                      {"three_lobe_cam", "Three-lobe cam follower"},
                                      {"escapement", "Soft escapement study"},
                                      {"paddle", "Paddle-wheel tip"},
                                      {"wobble_plate", "Wobble-plate trace"},
                                      {"rocking_beam", "Rocking beam"},
                                      {"coupled_cranks", "Coupled cranks"},
                                      {"crank_rocker", "Crank and rocker study"},
                                      {"piston_balance", "Piston and balance mass"},
                                      {"cam_return", "Cam rise and return"}},
                                     "; an original kinematic-style position study, not an engineering simulation."),
                              "wobble_plate crank_rocker piston_balance", 3},
                       {{"piston_short", draw_mech_piston_short()},
                        {"piston_long", draw_mech_piston_long()},
                        {"offset_crank", draw_mech_offset_crank()},
                        {"scotch_yoke", draw_mech_scotch_yoke()},
                        {"whitworth", draw_mech_whitworth()},
                        {"elliptic_cam", draw_mech_elliptic_cam()},
                        {"two_lobe_cam", draw_mech_two_lobe_cam()},
                        {"three_lobe_cam", draw_mech_three_lobe_cam()},
                        {"escapement", draw_mech_escapement()},
                        {"paddle", draw_mech_paddle()},
                        {"wobble_plate", draw_mech_wobble_plate()},
                        {"rocking_beam", draw_mech_rocking_beam()},
                        {"coupled_cranks", draw_mech_coupled_cranks()},
                        {"crank_rocker", draw_mech_crank_rocker()},
                        {"piston_balance", draw_mech_piston_balance()},
                        {"cam_return", draw_mech_cam_return()}});

    add_family(rows, {atlas, "euclid_", "2_5 3_7 3_10 4_9 4_11 5_9 5_11 5_13 5_14 6_13 7_12 7_15 7_17 8_19 9_20 11_24",
                      eighth_note_steps(), 2,
                      shared_description("Evenly distributed accents with alternating sides; first onset is the phrase accent.")}, draw_euclid_family());

    add_family(rows, {atlas, "poly_", "2_5 2_7 2_9 3_5 3_7 3_8 3_10 4_5 4_7 4_9 5_6 5_7 5_8 5_9 6_7 7_8",
                      fixed_period(512), 3,
                      shared_description("Two independent pulse trains share an eight-beat boundary. Each right-lane "
                                         "gesture includes depth.")}, draw_poly_family());

    add_family(rows, {atlas, "meter_",
                      "2_3 3_2 3_2_2 2_3_2 3_4 4_3 2_2_2_3 2_3_2_2 3_2_3_2 3_3_2_3 2_2_3_2_3 3_3_3_2 4_3_3 3_4_4 "
                      "2_3_3_2_3 3_3_3_4",
                      eighth_note_groups(), 3,
                      shared_description("Group starts lean alternately left and right; quieter subdivisions mark the "
                                         "eighth-note grid.")}, draw_meter_family());

    add_family(rows, {atlas, "swing_",
                      "push_3_5 answer_3_5 skip_3_5 shuffle_3_5 push_2_3 answer_2_3 skip_2_3 shuffle_2_3 push_5_7 "
                      "answer_5_7 skip_5_7 shuffle_5_7 push_3_4 answer_3_4 skip_3_4 shuffle_3_4",
                      fixed_period(512), 3, swing_description, "answer_3_5 answer_2_3 answer_5_7 answer_3_4", 2}, draw_swing_family());

    add_family(rows, {atlas, "stick_study_", "01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16", fixed_period(512), 2,
                      shared_description("Original R/L movement study with accented group leads, followed by its "
                                         "hand-swapped answer. Not an official rudiment transcription.")}, draw_stick_study_family());

    add_family_members(rows, {atlas, "gesture_", "",
                              fixed_period(512), 2,
                              titled({{"side_reach", "side reach"},
                                      {"cross_reach", "cross and reach"},
                                      {"low_scoop", "low scoop"},
                                      {"high_arc", "high arc"},
                                      {"corner_taps", "corner taps"},
                                      {"diagonal_touch", "diagonal touch"},
                                      {"box_return", "box and centre"},
                                      {"zigzag_lift", "zigzag lift"},
                                      {"duck_sway", "duck and sway"},
                                      {"push_pull", "push and pull"},
                                      {"reach_depth", "reach through depth"},
                                      {"bow_turn", "bow and turn"},
                                      {"heel_toe", "heel-toe abstract"},
                                      {"hop_answer", "hop and answer"},
                                      {"spiral_reach", "spiral reach"},
                                      {"diamond_depth", "depth diamond"}},
                                     " gesture. Abstract motion, not a full-body dance or biomechanical recording.",
                                     "An original single-point "),
                              "push_pull reach_depth bow_turn spiral_reach diamond_depth", 3},
                       {{"side_reach", draw_gesture_side_reach()},
                        {"cross_reach", draw_gesture_cross_reach()},
                        {"low_scoop", draw_gesture_low_scoop()},
                        {"high_arc", draw_gesture_high_arc()},
                        {"corner_taps", draw_gesture_corner_taps()},
                        {"diagonal_touch", draw_gesture_diagonal_touch()},
                        {"box_return", draw_gesture_box_return()},
                        {"zigzag_lift", draw_gesture_zigzag_lift()},
                        {"duck_sway", draw_gesture_duck_sway()},
                        {"push_pull", draw_gesture_push_pull()},
                        {"reach_depth", draw_gesture_reach_depth()},
                        {"bow_turn", draw_gesture_bow_turn()},
                        {"heel_toe", draw_gesture_heel_toe()},
                        {"hop_answer", draw_gesture_hop_answer()},
                        {"spiral_reach", draw_gesture_spiral_reach()},
                        {"diamond_depth", draw_gesture_diamond_depth()}});
}

}  // namespace velmora::generator
