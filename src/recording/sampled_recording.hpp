#pragma once

// Declared in the public header.
#include <velmora/sampled_recording.hpp>
