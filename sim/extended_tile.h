// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/gravity_step.h"

namespace orbilan {

// The side of the extended-precision tiles, and of each member's 1/r^3 buffer.
constexpr int EXTENDED_TILE_SIDE = 64;

// The terms of one tile's pairs for its row and column bodies, in extended precision; on the
// diagonal, a body's terms from the bodies before it come first. With check_touch, returns the
// tile's first pair whose spheres touch.
TouchingPair extended_tile_sums(const BodyTable& table, StepWorkspace& work, const Tile& tile, int member,
                                bool check_touch);

}  // namespace orbilan
