#pragma once

#include "sim/body_table.h"
#include "view/view_state.h"

namespace orbilan {

// The sphere-size commands on the selected body, between runs: they change the table (which
// collisions then use) and the scene's copy. Nothing happens without a selected body.
void double_radius(BodyTable& table, SceneBodies& scene);
void halve_radius(BodyTable& table, SceneBodies& scene);
// Back to the radius of a sphere of the body's mass and density.
void reset_radius(BodyTable& table, SceneBodies& scene);

}  // namespace orbilan
