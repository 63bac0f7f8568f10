// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/body_table.h"

namespace orbilan {

// Kinetic plus gravitational potential energy of bodies 1..N. The O(N^2) potential is shared among
// `threads` workers (0: one per hardware thread); the result does not depend on how many.
extended total_energy(const BodyTable& table, extended grav_constant, int threads = 1);

// total_energy's sum taken a row at a time, for a caller that spreads it over time.
struct EnergySum {
    int next_row = 1;
    extended kinetic = 0;
    extended potential = 0;
};

// Adds the next row (body i's kinetic energy and its potential with the bodies after it) to sum;
// true once every row is in. Rows that are all in make total_energy's result, bit for bit.
bool add_energy_row(EnergySum& sum, const BodyTable& table, extended grav_constant);
inline extended summed_energy(const EnergySum& sum) { return sum.kinetic + sum.potential; }

// How far the energy moved from where it started, as a fraction of its size; the change itself
// when it started at 0, where no fraction exists.
inline extended relative_energy_change(extended before, extended after)
{
    const extended change = after - before;
    return before == 0 ? change : change / (before < 0 ? -before : before);
}

}  // namespace orbilan
