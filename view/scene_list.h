// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "view/trail_batches.h"
#include "view/view_state.h"

namespace orbilan {

// The lines of the scene that change only with the bodies or the switches, compiled once per tick.
constexpr unsigned SCENE_LIST = 1;

// Frees every list (context current).
void delete_scene_lists();

// Compiles SCENE_LIST from the captured bodies and the display switches.
void build_scene_list(const ViewState& view, const SceneBodies& scene);

// True when the camera is placed: a project has set a distance and the eye is not the target.
bool scene_drawable(const ViewState& view);

// Clears the buffers and, when the camera is placed, draws SCENE_LIST and the scene's spheres
// and trails from camera_eye.
void draw_frame(const ViewState& view, const SceneBodies& scene, SceneLines& lines);

}  // namespace orbilan
