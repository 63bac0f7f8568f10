// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "sim/body_table.h"
#include "sim/simulation_state.h"

namespace orbilan {

// What readers of a running simulation see: the bodies as they stood at the end of one step. The
// simulation thread publishes one under the run's lock, and a reader takes a copy of its own.
struct BodySnapshot : BodyTable {
    extended sim_time = 0;
    ExhaustPlume exhaust_plume;
    long long steps = 0;              // steps completed in this run
    std::vector<int> deleted_bodies;  // bodies removed by merges in this run, in order
};

// Copies the table and the shown parts of the state, as no run has stepped it; reuses the
// snapshot's storage.
template <typename Real>
void take_snapshot(const BasicBodyTable<Real>& table, const SimulationState& state, BodySnapshot& out);

}  // namespace orbilan
