// The rows of the groove grid: velmora_club and velmora_dancefloor. Each row is one motion
// performed to one groove; the name, period, dimensions and description all follow from
// the groove table and the motion table below.
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "framework/pattern_row.hpp"
#include "grooves/groove_motions.hpp"

namespace velmora::generator {

namespace {

struct ClubGroove {
    std::string_view key;
    std::string_view title;
    std::uint16_t period;
    std::array<std::uint8_t, 4> dimensions;  // bounce, step, orbit, glide
    std::string_view note;                   // appended to the club descriptions; may be empty
};

struct DancefloorGroove {
    std::string_view key;
    std::string_view title;
    std::array<std::uint8_t, 2> dimensions;  // bounce, step; every other motion moves all three axes
};

struct Motion {
    std::string_view key;
    std::string_view club_title;
    std::string_view dancefloor_title;
    std::string_view blurb;  // closes the dancefloor descriptions
};

constexpr std::string_view AMEN_NOTE =
    "Gregory C. Coleman / The Winstons, Amen, Brother. Four bars, not a generic 2-bar loop. "
    "Timing/velocity are approximations; no original recording or measured human microtiming.";

constexpr std::array<ClubGroove, 36> CLUB_GROOVES{{
    {"four_floor", "Four to the floor / bare pulse", 256, {2, 2, 2, 3},
     "Equal quarter-note kicks only. This shared foundation is not itself a complete genre."},
    {"house_classic", "House / kick-clap-offbeat hat", 512, {2, 2, 3, 3}, ""},
    {"house_shuffle", "House / shuffled hats", 512, {2, 2, 3, 3}, ""},
    {"house_jack", "Jackin house / ghost-kick turnaround", 512, {2, 2, 3, 3},
     "Original swung variant: extra ghost kicks and claps; not a transcription of a named track."},
    {"techno_drive", "Techno / straight driving pulse", 512, {2, 2, 3, 3}, ""},
    {"techno_toms", "Techno / tom conversation", 512, {2, 2, 3, 3}, ""},
    {"techno_broken", "Techno / broken kick study", 512, {2, 2, 3, 3},
     "A deliberately broken alternative; not all techno uses a quarter-note kick."},
    {"techno_polymeter", "Techno / three-step percussion cycle", 768, {2, 2, 3, 3},
     "Original three-sixteenth percussion cycle over 4/4: both layers close after three bars."},
    {"ukg_two_step", "UK garage / two-step foundation", 512, {2, 2, 3, 3},
     "Backbeats on 2/4; the second kick sits on the & of 3. Off-grid hats supply shuffle."},
    {"ukg_skip", "UK garage / skipping answer", 512, {2, 2, 3, 3}, ""},
    {"ukg_four_four", "UK garage / four-four shuffle", 512, {2, 2, 3, 3},
     "Garage also has a four-to-the-floor branch; it is not all two-step."},
    {"speed_garage", "Speed garage / offbeat bass answers", 512, {3, 3, 3, 3},
     "Bass onsets are included as movement cues. Audio uses a simple synth, not a sampled Reese patch."},
    {"bassline", "Bassline / syncopated low-end hooks", 512, {3, 3, 3, 3}, ""},
    {"grime_sparse", "Grime / sparse square-cut backbeat", 512, {2, 2, 3, 3}, ""},
    {"grime_syncopated", "Grime / displaced snare conversation", 512, {2, 2, 3, 3},
     "A 140 BPM syncopated study; grime has no single mandatory snare pattern."},
    {"grime_half", "Grime / half-time negative space", 512, {3, 3, 3, 3}, ""},
    {"drill_tresillo", "UK drill / grouped hats", 512, {3, 3, 3, 3},
     "3+3+2 sixteenth grouping is not a tuplet: the grid here remains straight."},
    {"drill_displaced", "UK drill / moving second-bar snare", 512, {3, 3, 3, 3},
     "Snare: beat 3 in bar one, beat 4 in bar two. This is one common design, not a rule for all drill."},
    {"drill_rolls", "UK drill / true triplet hat fill", 512, {3, 3, 3, 3},
     "The added hat fill uses rational tuplets; grouped hats and triplet rolls remain distinct concepts."},
    {"amen_four_bar", "Amen / four-bar structural study", 1024, {3, 3, 3, 3}, AMEN_NOTE},
    {"amen_no_ghosts", "Amen / remove the ghost snares", 1024, {3, 3, 3, 3},
     "A/B study: only quiet snares removed. This deliberately simplified version is not the complete Amen."},
    {"jungle_chops", "Jungle / rearranged break fragments", 512, {2, 2, 3, 3},
     "Original chopped-break-style arrangement, not the original Amen sequence."},
    {"jungle_ghosts", "Jungle / ghosts and snare rolls", 512, {2, 2, 3, 3}, ""},
    {"jungle_switch", "Jungle / full-time to half-time answer", 1024, {2, 2, 3, 3},
     "Four-bar original phrase: the final half uses fewer main snares, not a tempo change."},
    {"dnb_two_step", "Drum & bass / two-step foundation", 512, {2, 2, 3, 3}, ""},
    {"dnb_rolling", "Drum & bass / rolling ghosts", 512, {2, 2, 3, 3}, ""},
    {"dnb_half", "Drum & bass / half-time space", 512, {3, 3, 3, 3}, ""},
    {"dubstep_half", "Dubstep / half-step anchor", 512, {3, 3, 3, 3}, ""},
    {"dubstep_skip", "Dubstep / skippy half-step", 512, {3, 3, 3, 3}, ""},
    {"trap_trills", "Trap / half-time and hat trills", 512, {3, 3, 3, 3}, ""},
    {"electro", "Electro / broken machine groove", 512, {2, 2, 3, 3}, ""},
    {"trance", "Trance / offbeat lift", 512, {3, 3, 3, 3},
     "Offbeat bass/pulse is included. A rhythmic sketch cannot supply trance harmony, timbre or arrangement."},
    {"rave_breaks", "Rave / four-floor plus break layer", 512, {2, 2, 3, 3}, ""},
    {"dembow", "Reggaeton / dembow answer", 512, {2, 2, 3, 3},
     "Quarter-note kick version with offbeat snare answers; one useful dembow foundation, not every dancehall rhythm."},
    {"disco", "Disco / lively hat accents", 512, {2, 2, 3, 3}, ""},
    {"amapiano", "Amapiano / shaker and bass-percussion study", 512, {3, 3, 3, 3},
     "An original percussion and log-drum-style bass rhythm. Pitched bass is a cue lane, not a downloaded sample."},
}};

constexpr std::array<DancefloorGroove, 32> DANCEFLOOR_GROOVES{{
    {"jersey_five", "Jersey / five-kick foundation", {2, 2}},
    {"jersey_call", "Jersey / call and turnaround", {3, 3}},
    {"footwork_triplet", "Footwork / triplet bass reply", {3, 3}},
    {"footwork_sparse", "Footwork / interrupted half-time", {3, 3}},
    {"funky_toms", "UK funky / tom-led skips", {3, 3}},
    {"funky_syncopated", "UK funky / broken response", {3, 3}},
    {"broken_push", "Broken beat / early-and-late answers", {3, 3}},
    {"broken_shuffle", "Broken beat / shuffled rim circuit", {3, 3}},
    {"afro_bell", "Afro house / bell and kick weave", {3, 3}},
    {"afro_cross", "Afro house / three-over-four percussion", {3, 3}},
    {"gqom_space", "Gqom / broken-kick space study", {3, 3}},
    {"gqom_exchange", "Gqom / staggered drum exchange", {3, 3}},
    {"baile_toms", "Baile funk / low-drum conversation", {2, 2}},
    {"baile_response", "Baile funk / syncopated answer", {3, 3}},
    {"reggae_one_drop", "Reggae / one-drop foundation", {3, 3}},
    {"reggae_steppers", "Dub / steppers foundation", {3, 3}},
    {"reggae_rockers", "Reggae / kick-on-one-and-three study", {3, 3}},
    {"son_clave_32", "Latin club / 3-2 son clave", {3, 3}},
    {"son_clave_23", "Latin club / 2-3 son clave", {3, 3}},
    {"psy_rolling", "Psy / straight rolling bass gaps", {3, 3}},
    {"psy_offbeat", "Trance / offbeat bass exchange", {3, 3}},
    {"hard_reverse", "Hard dance / delayed bass swell cues", {3, 3}},
    {"italo_machine", "Italo / machine rim conversation", {3, 3}},
    {"electro_robot", "Electro / asymmetric machine break", {3, 3}},
    {"acid_percussion", "Acid house / syncopated machine accents", {3, 3}},
    {"techno_rumble", "Techno / delayed low-end answer", {3, 3}},
    {"ukg_rim_shuffle", "Garage / rim-led skipping pocket", {3, 3}},
    {"dnb_push", "DnB / kick pickup and ghost reply", {3, 3}},
    {"jungle_switchback", "Jungle / two-bar switchback", {3, 3}},
    {"amapiano_answer", "Amapiano / log-like bass answer", {3, 3}},
    {"dancehall_space", "Dancehall / spacious offbeat replies", {3, 3}},
    {"dembow_push", "Reggaeton / dembow with pickup answer", {3, 3}},
}};

constexpr std::size_t CLUB_MOTION_COUNT = 4;

constexpr std::array<Motion, 16> MOTIONS{{
    {"bounce", "Kick-led bounce", "Kick-led bounce", "Original Club 05 kick-led downstroke and side accents."},
    {"step", "Snare side-step", "Snare side-step", "Original Club 05 alternating lateral kick and snare gestures."},
    {"orbit", "Percussion orbit", "Percussion orbit", "Original Club 05 event-weighted orbital speed, radius and depth."},
    {"glide", "Bass-and-phrase glide", "Bass / phrase glide", "Original Club 05 continuous phrase path with bass excursions."},
    {"surge", "Forward surge", "Forward surge", "Kick thrust through depth with contrasting snare lift and hat detail."},
    {"recoil", "Backbeat recoil", "Backbeat recoil", "Snare pushes sideways; kick counters downward; delayed echo draws back."},
    {"flutter", "Upper-percussion flutter", "Upper-percussion flutter", "Hat and shaker tremors over a wider kick/snare arc."},
    {"dive", "Bass-led dive", "Bass-led dive", "Bass drives a broad depth plunge with alternating drum counterweight."},
    {"pendulum", "Weighted pendulum", "Weighted pendulum", "A hanging arc whose amplitude and angular speed respond to the score."},
    {"figure8", "Woven figure eight", "Woven figure eight", "Two crossing lobes expand at kicks with a lifted snare crossing."},
    {"box", "Rounded corner tour", "Rounded corner tour", "Rhythm-weighted phase travels around four softened corners."},
    {"corkscrew", "Closed corkscrew", "Closed corkscrew", "Two orbital turns ride a depth wave with percussion-driven radius."},
    {"spiral", "Breathing spiral", "Breathing spiral", "A contracting and expanding double-turn path with a continuous seam."},
    {"slalom", "Drum slalom", "Drum slalom", "S-shaped travel with kick lift, snare cutbacks and depth counter-motion."},
    {"spring", "Causal spring", "Causal spring", "An event starts at rest, then drives a damped ringing excursion."},
    {"ricochet", "Directional ricochet", "Directional ricochet",
     "Successive onsets send smooth excursions toward a cyclic series of targets."},
}};

std::string row_name(std::string_view groove, std::string_view motion) {
    std::string name = "beat_";
    name.append(groove).append("_").append(motion);
    return name;
}

// A cell of the grid is drawn by its motion over one loop of its groove's score.
Drawing groove_drawing(std::string_view groove, std::string_view motion) {
    const GrooveScore* score = find_groove_score(groove);
    if (score == nullptr) {
        throw std::invalid_argument("groove " + std::string(groove) + " has no score");
    }
    return Drawing([score, motion](const RenderRequest&) { return render_groove_motion(*score, motion); });
}

// Every motion of one groove forms a family: "beat_<groove>_".
std::string family_name(std::string_view groove) {
    std::string family = "beat_";
    family.append(groove).append("_");
    return family;
}

// "<groove title> — <motion title>. <closing text>"; an empty closing text leaves the
// full stop and its blank at the end.
std::string row_description(std::string_view groove_title, std::string_view motion_title, std::string_view closing) {
    std::string description(groove_title);
    description.append(" \u2014 ").append(motion_title).append(". ").append(closing);
    return description;
}

void add_dancefloor_motions(std::vector<PatternRow>& rows, std::string_view key, std::string_view title,
                            std::uint16_t period, std::size_t first_motion, std::array<std::uint8_t, 4> club_dimensions) {
    for (std::size_t m = first_motion; m < MOTIONS.size(); ++m) {
        const Motion& motion = MOTIONS[m];
        const std::uint8_t dimensions = m < CLUB_MOTION_COUNT ? club_dimensions[m] : 3;
        rows.push_back({Collection::dancefloor, row_name(key, motion.key), period, dimensions,
                        row_description(title, motion.dancefloor_title, motion.blurb), groove_drawing(key, motion.key),
                        family_name(key), std::string(key),
                        std::string(title), std::string(motion.key)});
    }
}

}  // namespace

void add_club_rows(std::vector<PatternRow>& rows) {
    for (const ClubGroove& groove : CLUB_GROOVES) {
        for (std::size_t m = 0; m < CLUB_MOTION_COUNT; ++m) {
            rows.push_back({Collection::club, row_name(groove.key, MOTIONS[m].key), groove.period, groove.dimensions[m],
                            row_description(groove.title, MOTIONS[m].club_title, groove.note),
                            groove_drawing(groove.key, MOTIONS[m].key), family_name(groove.key), std::string(groove.key),
                            std::string(groove.title), std::string(MOTIONS[m].key)});
        }
    }
}

void add_dancefloor_rows(std::vector<PatternRow>& rows) {
    // The club grooves' club motions stand in velmora_club; only their other twelve follow here.
    for (const ClubGroove& groove : CLUB_GROOVES) {
        add_dancefloor_motions(rows, groove.key, groove.title, groove.period, CLUB_MOTION_COUNT, groove.dimensions);
    }
    for (const DancefloorGroove& groove : DANCEFLOOR_GROOVES) {
        add_dancefloor_motions(rows, groove.key, groove.title, 512, 0,
                               {groove.dimensions[0], groove.dimensions[1], 3, 3});
    }
}

}  // namespace velmora::generator
