#include "drawings/drawings.hpp"
#include "framework/family_rows.hpp"

namespace velmora::generator {

void add_continuum_rows(std::vector<PatternRow>& rows) {
    constexpr Collection continuum = Collection::continuum;

    add_family(rows,
              {continuum, "ribbon_",
               "1_2_slim 1_3_slim 1_4_slim 1_5_slim 2_3_slim 2_5_slim 3_4_slim 3_5_slim 1_2_deep 1_3_deep 1_4_deep 1_5_deep 2_3_deep 2_5_deep 3_4_deep 3_5_deep",
               fixed_period(1024), 3,
               shared_description("A curved elliptical spine with variable radial width and linked depth deflection.")}, draw_ribbon_family());

    add_family(rows,
              {continuum, "contour_shaped_",
               "01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16",
               fixed_period(1024), 2,
               shared_description("Signed-power oval edges with local ripples and an asymmetric bow."),
               "09 10 11 12 13 14 15 16", 3}, draw_contour_shaped_family());

    add_family(rows,
              {continuum, "silhouette_harmonic_",
               "01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16",
               fixed_period(1024), 3,
               shared_description("Three unequal harmonic components, with cross-axis phases and a small linked depth term.")}, draw_silhouette_harmonic_family());

    add_family(rows,
              {continuum, "spline_",
               "kite hourglass hook crown bow crooked_cross asymmetric_star scoop rising_kite twisted_bow cup bridge double_bay slanted_loop fork folded_crown",
               fixed_period(512), 2,
               shared_description("Periodic cubic tangents connect asymmetrical controls with unequal segment times."),
               "rising_kite twisted_bow cup bridge double_bay slanted_loop fork folded_crown", 3}, draw_spline_family());

    add_family_members(rows,
                      {continuum, "tour_", "",
                       fixed_period(1024), 2,
                       shared_description("A noncircular vertex tour with eased corners and alternating dwell lengths."),
                       "11_3 11_4 12_5 13_2 13_3 13_4 13_5 14_3", 3},
                       {{"5_2", draw_tour_flat()},
                        {"7_2", draw_tour_flat()},
                        {"7_3", draw_tour_flat()},
                        {"8_3", draw_tour_flat()},
                        {"9_2", draw_tour_flat()},
                        {"9_4", draw_tour_flat()},
                        {"10_3", draw_tour_flat()},
                        {"11_2", draw_tour_flat()},
                        {"11_3", draw_tour_deep()},
                        {"11_4", draw_tour_deep()},
                        {"12_5", draw_tour_deep()},
                        {"13_2", draw_tour_deep()},
                        {"13_3", draw_tour_deep()},
                        {"13_4", draw_tour_deep()},
                        {"13_5", draw_tour_deep()},
                        {"14_3", draw_tour_deep()}});

    add_family(rows,
              {continuum, "scan_",
               "flat_3 bowed_3 tilted_3 depth_3 flat_4 bowed_4 tilted_4 depth_4 flat_5 bowed_5 tilted_5 depth_5 flat_6 bowed_6 tilted_6 depth_6",
               fixed_period(1024), 2,
               shared_description("An eased serpentine scan and an explicit outer return to the starting point."),
               "depth_3 depth_4 depth_5 depth_6", 3}, draw_scan_family());

    add_family(rows,
              {continuum, "reach_",
               "scoop_3 hook_3 lift_3 recoil_3 scoop_4 hook_4 lift_4 recoil_4 scoop_5 hook_5 lift_5 recoil_5 scoop_7 hook_7 lift_7 recoil_7",
               fixed_period(1024), 2,
               shared_description("Separate shaped reaches depart from and settle at a shared centre, without reset jumps."),
               "lift_3 lift_4 lift_5 lift_7", 3}, draw_reach_family());

    add_family(rows,
              {continuum, "surface_",
               "1_2_low 1_3_low 1_4_low 1_5_low 2_3_low 2_5_low 3_4_low 3_5_low 1_2_wide 1_3_wide 1_4_wide 1_5_wide 2_3_wide 2_5_wide 3_4_wide 3_5_wide",
               fixed_period(1024), 3,
               shared_description("A varying-radius surface path with coupled longitude and latitude; all three coordinates are retained.")}, draw_surface_family());

    add_family(rows,
              {continuum, "braid_",
               "1_2 1_3 1_4 1_5 2_3 2_5 3_4 3_5 1_6 2_7 3_7 4_5 4_7 5_6 5_7 5_8",
               fixed_period(1024), 3,
               shared_description("An offset tube centreline and a rolling cross-section with a second depth ripple.")}, draw_braid_family());

    add_family(rows,
              {continuum, "arm_coupled_",
               "01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16",
               fixed_period(1024), 2,
               shared_description("Tip position of two kinematically driven links; not a dynamics simulation or anatomical model."),
               "09 10 11 12 13 14 15 16", 3}, draw_arm_coupled_family());

    add_family(rows,
              {continuum, "dwell_phrase_",
               "01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16",
               fixed_period(1024), 3,
               shared_description("Two unequal lift-and-hold gestures, a transfer and a settling return; holds have finite musical duration.")}, draw_dwell_phrase_family());

    add_family(rows,
              {continuum, "packet_",
               "alternating_2 cascading_2 crossing_2 depth_2 alternating_3 cascading_3 crossing_3 depth_3 alternating_4 cascading_4 crossing_4 depth_4 alternating_5 cascading_5 crossing_5 depth_5",
               fixed_period(512), 2,
               shared_description("Compact, smooth-edged oscillation packets arranged around a closed phrase, with shaped side motion."),
               "depth_2 depth_3 depth_4 depth_5", 3}, draw_packet_family());

    add_family(rows,
              {continuum, "canon_",
               "01_close 01_late 02_close 02_late 03_close 03_late 04_close 04_late 05_close 05_late 06_close 06_late 07_close 07_late 08_close 08_late",
               fixed_period(512), 3,
               shared_description("A rational-beat motif passes between lateral and depth lanes, with an altered second-half response.")}, draw_canon_family());

    add_family(rows,
              {continuum, "echo_",
               "regular_3 shrinking_3 expanding_3 crossed_3 regular_4 shrinking_4 expanding_4 crossed_4 regular_5 shrinking_5 expanding_5 crossed_5 regular_6 shrinking_6 expanding_6 crossed_6",
               fixed_period(512), 3,
               shared_description("An original decaying call and a differently directed answer; echo spacing is preserved as fractions.")}, draw_echo_family());

    add_family(rows,
              {continuum, "ladder_",
               "2_3_4_6 3_5_4_2 2_5_3_7 4_3_6_5 2_4_7_3 3_6_2_5 5_3_7_4 6_4_3_2 2_7_4_5 7_3_5_2 4_7_3_6 5_2_6_3 3_4_5_7 6_5_4_3 7_5_3_4 4_6_7_5",
               fixed_period(512), 3,
               shared_description("Four two-beat regions change subdivision density while accents mark region starts.")}, draw_ladder_family());

    add_family(rows,
              {continuum, "necklace_",
               "01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16",
               fixed_period(512), 3,
               shared_description("A hand-authored binary accent word; its complement moves the other side and rising accents add depth.")}, draw_necklace_family());

    add_family(rows,
              {continuum, "accent_walk_",
               "5_1 5_2 7_1 7_2 7_3 8_1 8_3 9_1 9_2 9_4 10_3 11_2 11_3 12_5 13_3 13_5",
               fixed_period(1024), 3,
               shared_description("A four-bar grid keeps its pulse spacing while a two-accent motif migrates between bars.")}, draw_accent_walk_family());

    add_family(rows,
              {continuum, "triplet_",
               "01_answer 01_turnaround 02_answer 02_turnaround 03_answer 03_turnaround 04_answer 04_turnaround 05_answer 05_turnaround 06_answer 06_turnaround 07_answer 07_turnaround 08_answer 08_turnaround",
               fixed_period(512), 3,
               shared_description("Triplet-grid gestures with deliberate omissions; gaps either answer off-grid or rotate after four beats.")}, draw_triplet_family());

    add_family(rows,
              {continuum, "dialogue_",
               "3_4_5 5_3_4 3_5_2 2_5_4 4_3_2 3_2_4_5 5_2_3_4 2_3_5_3 3_4_3_5 5_4_2_3 2_4_5_2 4_5_3_2 3_5_4_3 5_3_2_5 2_5_3_5 4_3_5_4",
               eighth_note_groups(), 3,
               shared_description("Different eighth-note group lengths pass a phrase between directions, with late pickup responses.")}, draw_dialogue_family());

    add_family(rows,
              {continuum, "burst_",
               "3_5_2 4_3_6 5_2_4 2_7_3 3_4_5 5_3_7 6_2_5 4_7_2 7_3_4 2_5_6 5_7_3 3_6_4 4_5_7 6_3_5 7_4_3 5_6_2",
               fixed_period(512), 3,
               shared_description("Three unevenly subdivided directional bursts, deliberate gaps and a late settling accent.")}, draw_burst_family());
}

}  // namespace velmora::generator
