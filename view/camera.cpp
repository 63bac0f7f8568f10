// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/camera.h"

#include <algorithm>
#include <cmath>

namespace orbilan {

namespace {

constexpr extended PIXELS_PER_DEGREE = 24;
constexpr extended MAX_PITCH = 89;

// Shared by next and previous: step is +1 or -1. The followed body is always the selected one.
int select_body(ViewState& view, const SceneBodies& scene, int step)
{
    const int n = shown_body_count(scene);
    if (n <= 0) return 0;
    // The first press while looking at the origin only starts following the selected body.
    const int wanted = view.look_at_body > 0 ? view.selected_body + step : view.selected_body;
    return follow_body(view, scene, std::clamp(wanted, 1, n));
}

}  // namespace

int follow_body(ViewState& view, const SceneBodies& scene, int k)
{
    if (k < 1 || k > shown_body_count(scene)) return 0;
    const Trail& trail = scene.trail[k];
    view.camera_target = {trail.trail_x[0], trail.trail_y[0], trail.trail_z[0]};
    view.selected_body = k;
    view.look_at_body = k;
    const double r = scene.bodies.radius[k];
    if (4 * r > view.camera_distance) view.camera_distance = 4 * r;
    return k;
}

UserMessage no_objects_message() { return {"NO OBJECTS !!", "ORBILAN", MessageIcon::information}; }

double followed_radius(const ViewState& view, const SceneBodies& scene)
{
    const int k = view.look_at_body;
    return is_scene_body(scene, k) ? scene.bodies.radius[k] : 0;
}

void compute_eye(ViewState& view, const std::array<extended, 3>& target)
{
    const double d = view.camera_distance;
    const double yaw = PI * static_cast<double>(view.camera_yaw) / 180;
    const double pitch = PI * static_cast<double>(view.camera_pitch) / 180;
    view.camera_eye[0] = static_cast<double>(std::cos(yaw) * std::cos(pitch) * d + target[0]);
    view.camera_eye[1] = static_cast<double>(std::sin(yaw) * std::cos(pitch) * d + target[1]);
    view.camera_eye[2] = static_cast<double>(std::sin(-pitch) * d + target[2]);
}

void rotate_camera(ViewState& view, int keys, int x, int y)
{
    if (keys != MK_MBUTTON) return;
    extended dx = view.drag_last_x - x;
    extended dy = view.drag_last_y - y;
    if (view.drag_restart == 1) {
        dx = dy = 0;
        view.drag_restart = 0;
    }
    view.camera_yaw += dx / PIXELS_PER_DEGREE;
    view.camera_pitch = std::clamp(view.camera_pitch + dy / PIXELS_PER_DEGREE, -MAX_PITCH, MAX_PITCH);
    view.drag_last_x = x;
    view.drag_last_y = y;
}

void zoom_camera(ViewState& view, const SceneBodies& scene, int delta)
{
    if (delta < 0) view.camera_distance *= ZOOM_FACTOR;
    if (delta > 0) view.camera_distance /= ZOOM_FACTOR;
    const double r = followed_radius(view, scene);
    if (6 * r > view.camera_distance) view.camera_distance = 6 * r;
}

void fit_view_to_scene(ViewState& view, const SceneBodies& scene)
{
    double reach = 0;
    for (int i = 1, n = shown_body_count(scene); i <= n; ++i) {
        const Trail& t = scene.trail[i];
        const double x = t.trail_x[0], y = t.trail_y[0], z = t.trail_z[0];
        const double value = scene.bodies.radius[i] + std::sqrt(x * x + y * y + z * z);
        if (value > reach) reach = value;
    }
    view.plane_half_size = 1.5 * reach;
    view.camera_distance = 2 * reach;
}

ViewFrustum view_frustum(const ViewState& view)
{
    ViewFrustum f;
    f.eye = view.camera_eye;
    double forward[3], length = 0;
    for (int k = 0; k < 3; ++k) {
        forward[k] = static_cast<double>(view.camera_target[k]) - f.eye[k];
        length += forward[k] * forward[k];
    }
    length = std::sqrt(length);
    // side = forward x (0, 0, 1), as gluLookAt takes it, and up = side x forward.
    const double side_length = std::hypot(forward[0], forward[1]);
    if (!(length > 0) || !(side_length > 0)) return f;
    for (int k = 0; k < 3; ++k) f.forward[k] = forward[k] / length;
    f.side = {forward[1] / side_length, -forward[0] / side_length, 0};
    f.up = {f.side[1] * f.forward[2] - f.side[2] * f.forward[1], f.side[2] * f.forward[0] - f.side[0] * f.forward[2],
            f.side[0] * f.forward[1] - f.side[1] * f.forward[0]};
    f.tan_up = std::tan(view.fov_y * PI / 360);
    f.tan_across = f.tan_up * view.aspect_ratio;
    f.valid = std::isfinite(f.tan_across) && f.tan_across > 0;
    return f;
}

bool sphere_in_view(const ViewFrustum& f, double x, double y, double z, double r)
{
    if (!f.valid) return true;
    const double q[3] = {x - f.eye[0], y - f.eye[1], z - f.eye[2]};
    const auto along = [&q](const std::array<double, 3>& axis) {
        return q[0] * axis[0] + q[1] * axis[1] + q[2] * axis[2];
    };
    const double depth = along(f.forward);
    // A side plane through the eye at angle atan(t) has the unit normal (1, -t) / sqrt(1 + t^2)
    // in (across, depth).
    const auto beyond = [&](double offset, double t) {
        return std::abs(offset) - depth * t > r * std::sqrt(1 + t * t);
    };
    return !(depth < -r || beyond(along(f.side), f.tan_across) || beyond(along(f.up), f.tan_up));
}

bool look_at_origin(ViewState& view, const SceneBodies& scene)
{
    if (scene.bodies.body_count <= 0) return false;
    view.camera_target = {0, 0, 0};
    view.look_at_body = 0;
    return true;
}

int select_next_body(ViewState& view, const SceneBodies& scene) { return select_body(view, scene, +1); }

int select_previous_body(ViewState& view, const SceneBodies& scene) { return select_body(view, scene, -1); }

void more_light(ViewState& view)
{
    view.ambient_level += LIGHT_STEP;
    if (!(view.ambient_level < 1)) view.ambient_level = 1;
}

void less_light(ViewState& view)
{
    view.ambient_level -= LIGHT_STEP;
    if (!(view.ambient_level > 0)) view.ambient_level = 0;
}

}  // namespace orbilan
