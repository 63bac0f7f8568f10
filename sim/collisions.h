#pragma once

#include "sim/body_table.h"
#include "sim/simulation_state.h"

namespace orbilan {

struct MergeResult {
    int removed = 0;
    bool selection_moved = false;
};

// Perfectly inelastic merge of touching bodies i and j: the heavier survives (j on a tie) at the
// centre of mass with the summed momentum, mass and volume; the other is deleted.
MergeResult merge_bodies(BodyTable& table, SimulationState& state, int i, int j);

}  // namespace orbilan
