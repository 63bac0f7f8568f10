// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "view/view_state.h"

namespace orbilan {

// The values of the projection without touching GL: field of view, aspect, the 6-radius floor
// of a followed body and the clip planes.
void update_projection_values(ViewState& view, const SceneBodies& scene, int width, int height);

// z_near = camera_distance / 4, z_far = z_near * 1e8.
void update_clip_planes(ViewState& view);

// Fixed render state, lights and projection for a width x height viewport (context current).
void setup_projection(ViewState& view, const SceneBodies& scene, int width, int height);

// setup_projection plus the blend and hint presets every command applies before a redraw.
void apply_render_state(ViewState& view, const SceneBodies& scene, int width, int height);

}  // namespace orbilan
