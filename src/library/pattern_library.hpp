#pragma once

// Declared in the public header.
#include <velmora/pattern_library.hpp>
