#pragma once

// Helpers shared by the two files of the spatial velmora_continuum families: the closed
// curves (render_continuum_shapes.cpp) and the keyed paths with holds and returns
// (render_continuum_shapes_paths.cpp).

#include <cstddef>
#include <string>
#include <vector>

#include "framework/primitives.hpp"
#include "framework/drawing.hpp"

// Kept in their own namespace so that they cannot clash with another drawing file's helpers.
namespace velmora::generator::continuum_shapes {

// The keyed-path families: spline_, tour_, scan_, reach_ and dwell_phrase_.
// Member i (0-based) of a family numbered 01 to 16.
std::size_t continuum_member_index(const RenderRequest& request);

// A point of a path at a pip of its loop.
struct PathKey {
    double pip;
    Offset3 at;
};

// A path through keyed points, each axis eased by smootherstep between neighbouring keys:
// the point comes to rest at every key, and two equal neighbouring keys make a hold of
// all three axes. The keys start at pip 0 and the last one, at the period, repeats the first.
std::vector<Offset3> render_keyed_path(std::uint32_t period, const std::vector<PathKey>& keys);

// Three independent keyframe curves: an axis may start or stop moving while another is
// still under way, which rounds the corners of a path without giving up exact holds.
std::vector<Offset3> render_axis_curves(std::uint32_t period, const KeyframeCurve& x, const KeyframeCurve& y,
                                        const KeyframeCurve& z);

}  // namespace velmora::generator::continuum_shapes
