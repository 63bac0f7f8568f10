// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "view/view_state.h"

namespace orbilan {

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

// Compiles the sphere lists (context current). Called once when the context is made.
void create_sphere_list();

// Frees the sphere lists (context current).
void delete_sphere_lists();

// Draws the bodies' spheres in view, lit and with their skins, each at the level of detail its
// size on the screen needs.
void draw_spheres(const ViewState& view, const SceneBodies& scene);

}  // namespace orbilan
