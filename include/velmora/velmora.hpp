#pragma once

// velmora for C++: every public declaration in one include.
//
//   velmora::Offset3 p = velmora::sample("helix", 3 * velmora::PIPS_PER_BEAT);
//
// Link the target velmora::velmora (find_package(velmora CONFIG REQUIRED)) and build
// with C++20.

#include <velmora/catalogue.hpp>
#include <velmora/offset3.hpp>
#include <velmora/pattern_library.hpp>
#include <velmora/patterns.hpp>
#include <velmora/sampled_pattern.hpp>
#include <velmora/sampled_recording.hpp>
