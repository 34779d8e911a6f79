#pragma once

// Shared pieces of the designed velmora_atlas renderers (render_designed_atlas.cpp,
// render_atlas_mechanisms.cpp, render_atlas_gestures.cpp).
//
// Orientation of the designed shapes: x grows to the right, y upward (a lift or a hop is a
// positive y, a dip or a press a negative one), z toward the viewer (a push is a
// positive z).

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/primitives.hpp"
#include "framework/drawing.hpp"

namespace velmora::generator {

// Keyframe text ("pip:value ...") per axis; an empty text keeps that axis at zero.
struct AxisKeyframes {
    std::string_view x;
    std::string_view y;
    std::string_view z;
};

// Every pip of one loop of `period` pips on the three keyframe curves. Each curve must
// end at `period`, so a row whose period differs is refused instead of being redrawn.
std::vector<Offset3> render_axis_keyframes(std::uint32_t period, const AxisKeyframes& axes);

// Shifts each axis so that its extremes lie symmetrically about zero.
std::vector<Offset3> centred_ranges(std::vector<Offset3> samples);

// Affine map of each axis's range onto [-peak, peak] (an axis that does not move is left
// at zero): used by linkages whose natural travel is off-centre.
std::vector<Offset3> centred_on_each_axis(std::vector<Offset3> samples, Offset3 peak);

}  // namespace velmora::generator
