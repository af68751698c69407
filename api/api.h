// Shared by every api/ file: the public declarations with export visibility,
// and the catch-all guard. Entries here hold no logic: they run one internal
// call under the guard and return its result.
#pragma once
#ifndef TSY_BUILDING_LIBRARY
#define TSY_BUILDING_LIBRARY 1
#endif
#include <cstdlib>

#include "core/errors.h"
#include "tessary.h"
