// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/body_table.h"

namespace orbilan {

// A pair of bodies whose spheres touch: i < j, or none (i = 0).
struct TouchingPair {
    int i = 0, j = 0;
    explicit operator bool() const { return i != 0; }
};

// True when a is the earlier pair (lower i, then lower j) or b is none.
inline bool comes_before(TouchingPair a, TouchingPair b) { return !b || a.i < b.i || (a.i == b.i && a.j < b.j); }

// Perfectly inelastic merge of touching bodies i and j: the heavier survives (j on a tie) at the
// centre of mass with the summed momentum, mass and volume; the other is deleted, and returned.
template <typename Real>
int merge_bodies(BasicBodyTable<Real>& table, int i, int j);

}  // namespace orbilan
