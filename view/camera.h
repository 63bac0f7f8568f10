// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "files/user_message.h"
#include "sim/extended.h"
#include "view/view_state.h"

namespace orbilan {

// Key-state bits of a mouse move, as rotate_camera takes them.
constexpr int MK_LBUTTON = 1;
constexpr int MK_RBUTTON = 2;
constexpr int MK_SHIFT = 4;
constexpr int MK_CONTROL = 8;
constexpr int MK_MBUTTON = 16;

// The wheel and light steps are the single-precision constants widened to double.
constexpr double ZOOM_FACTOR = static_cast<double>(1.2f);
constexpr double LIGHT_STEP = static_cast<double>(0.1f);

// Shown by the camera commands when no project is loaded.
UserMessage no_objects_message();

// Radius of the followed body, 0 when the camera looks at the origin.
double followed_radius(const ViewState& view, const SceneBodies& scene);

// Eye on the sphere of camera_distance around target, placed by yaw about z and pitch.
void compute_eye(ViewState& view, const std::array<extended, 3>& target);

// One middle-button drag step; only keys == MK_MBUTTON (the middle button alone) turns the camera.
void rotate_camera(ViewState& view, int keys, int x, int y);

// One wheel step: toward the user (delta < 0) moves the eye out by ZOOM_FACTOR.
void zoom_camera(ViewState& view, const SceneBodies& scene, int delta);

// Plane and distance sized to the captured bodies.
void fit_view_to_scene(ViewState& view, const SceneBodies& scene);

// False when there are no bodies: the caller shows no_objects_message().
bool look_at_origin(ViewState& view, const SceneBodies& scene);
// Start following the selected body, or follow the next (previous) one. They return the body
// now followed, which becomes the selection: the caller refreshes the captions. 0 when there are
// no bodies.
int select_next_body(ViewState& view, const SceneBodies& scene);
int select_previous_body(ViewState& view, const SceneBodies& scene);
// Follows body k as those do (0, and nothing changed, when the scene shows no body k).
int follow_body(ViewState& view, const SceneBodies& scene, int k);

// What the camera sees, in world coordinates: the eye, its unit axes (side, up, forward) and the
// tangents of the half field of view across and up.
struct ViewFrustum {
    std::array<double, 3> eye{}, side{}, up{}, forward{};
    double tan_across = 0, tan_up = 0;
    bool valid = false;  // false when the camera looks straight along z: nothing is culled then
};

// The frustum of the camera as the frame sets it up (eye, target, field of view, aspect), open at
// both ends: the clip planes follow the zoom only when the projection is next set up.
ViewFrustum view_frustum(const ViewState& view);

// False when a sphere lies wholly outside the frustum, so drawing it would change no pixel.
bool sphere_in_view(const ViewFrustum& frustum, double x, double y, double z, double r);

void more_light(ViewState& view);
void less_light(ViewState& view);

}  // namespace orbilan
