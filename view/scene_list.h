#pragma once

#include <cstddef>
#include <vector>

#include "view/view_state.h"

namespace orbilan {

constexpr unsigned SCENE_LIST = 1;
// One textured unit sphere, compiled once per context and scaled to each body's radius.
constexpr unsigned SPHERE_LIST = 2;
constexpr int SPHERE_SLICES = 32;
constexpr int SPHERE_STACKS = 32;

// Room for one batch of trail segments, drawn from arrays after SCENE_LIST.
struct SceneLines {
    std::vector<float> xyz;
    std::vector<float> rgba;
};
constexpr std::size_t TRAIL_BATCH_SEGMENTS = 16384;

// Compiles SPHERE_LIST (context current). Called once when the context is made.
void create_sphere_list();

// Frees both lists (context current).
void delete_scene_lists();

// Compiles SCENE_LIST from the captured bodies and the display switches; sets grid_step.
void build_scene_list(ViewState& view, const SceneBodies& scene);

// True when the camera is placed: a project has set a distance and the eye is not the target.
bool scene_drawable(const ViewState& view);

// Clears the buffers and, when the camera is placed, draws SCENE_LIST and the scene's trails
// from camera_eye.
void draw_frame(const ViewState& view, const SceneBodies& scene, SceneLines& lines);

}  // namespace orbilan
