// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sim/body_table.h"
#include "sim/simulation_state.h"
#include "view/view_state.h"

namespace orbilan {

// The bodies just read into scene.bodies become the drawn ones: merges listed in a run's
// snapshot first move the trails and textures down with their bodies, then slot 0 of every
// trail gets its body's position.
void capture_positions(SceneBodies& scene);

// The same from the table itself; only between runs, when no thread writes it.
void capture_positions(SceneBodies& scene, const BodyTable& table, const SimulationState& state);

// Shifts every trail one slot older, keeping slots 0..trail_length + 1.
void advance_trails(SceneBodies& scene, const ViewState& view);

// Every trail of the scene's bodies starts afresh where its body was last captured, with the
// slots trail_length uses; the exhaust line goes back to zero.
void reset_trails(SceneBodies& scene, const ViewState& view);

// A run is starting: its snapshots list its merges from the first one on.
void start_following_run(SceneBodies& scene);

}  // namespace orbilan
