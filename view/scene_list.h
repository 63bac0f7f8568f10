#pragma once

#include <cstddef>
#include <vector>

#include "view/view_state.h"

namespace orbilan {

constexpr unsigned SCENE_LIST = 1;
// The textured unit sphere, compiled once per context and scaled to each body's radius, in
// levels of detail from SPHERE_SLICES slices and SPHERE_STACKS stacks (list SPHERE_LIST) down to a
// quarter of the slices (list SPHERE_LIST + 2): a body a few pixels wide looks the same with far
// fewer triangles. The coarser levels take half as many stacks as slices, which gives their
// outline the same angular step seen from any side.
constexpr unsigned SPHERE_LIST = 2;
constexpr int SPHERE_SLICES = 32;
constexpr int SPHERE_STACKS = 32;
constexpr int SPHERE_DETAIL_LEVELS = 3;

// The coarsest level of detail whose outline strays at most half a pixel from the true sphere,
// for a sphere that many pixels in radius on the screen.
int sphere_detail_level(double pixels);

// Room for one batch of trail segments, drawn from arrays after SCENE_LIST.
struct SceneLines {
    std::vector<float> xyz;
    std::vector<unsigned char> rgba;
    std::vector<unsigned> index;
};
constexpr std::size_t TRAIL_BATCH_SEGMENTS = 16384;

// Compiles the sphere lists (context current). Called once when the context is made.
void create_sphere_list();

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
