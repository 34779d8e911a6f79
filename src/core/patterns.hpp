#pragma once

// The fifteen core patterns are declared in the public header.
#include <velmora/patterns.hpp>

#include "core/offset3.hpp"
