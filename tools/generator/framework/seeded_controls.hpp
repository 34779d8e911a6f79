#pragma once

// Control values drawn from indexed SHA-256 digests, and the smooth closed curves through
// them. Every value is a pure function of its key text, so a shape built from them is
// exactly periodic and reproducible without any random-number state.
//
// Digest inputs: the ASCII text "<pattern name>:<lane>:<index>", for example
// "noise_drift_5:x:0" or "lfo_seeded_drift:y:12", with the index in decimal and no
// terminator. The first eight bytes of its SHA-256 digest, read as a big-endian unsigned
// 64-bit integer and shifted right by 11, give a 53-bit integer k; the unit value is
// k / 2^53, exactly representable and in [0, 1). A signed control is 2 * unit - 1.

#include <string_view>
#include <vector>

namespace velmora::generator {

// k / 2^53 from the SHA-256 digest of `key`, as described above.
double digest_unit(std::string_view key);

// 2 * digest_unit("<pattern>:<lane>:<index>") - 1 for index 0 .. count - 1.
std::vector<double> signed_controls(std::string_view pattern, std::string_view lane, int count);

// digest_unit("<pattern>:<lane>:<index>") for index 0 .. count - 1.
std::vector<double> unit_controls(std::string_view pattern, std::string_view lane, int count);

// The closed uniform cubic B-spline over `controls` at loop phase t in [0, 1): C2 everywhere,
// including across the loop's end, and never outside the range of the controls.
double closed_bspline(const std::vector<double>& controls, double t);

}  // namespace velmora::generator
