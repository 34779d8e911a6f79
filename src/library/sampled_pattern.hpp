#pragma once

// Declared in the public header.
#include <velmora/sampled_pattern.hpp>
