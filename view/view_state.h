// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/body_snapshot.h"
#include "sim/extended.h"
#include "sim/simulation_state.h"

namespace orbilan {

constexpr int DEFAULT_TRAIL_LENGTH = 100;
constexpr int MAX_TRAIL_LENGTH = 1023;

// The slots a trail of trail_length segments uses: the latest capture, trail_length older ones
// and the one its oldest segment ends on.
constexpr int trail_slots(int trail_length) { return std::clamp(trail_length, 0, MAX_TRAIL_LENGTH) + 2; }

// A body's position history: slot 0 is the latest capture, slot k the one k ticks earlier.
// A slot whose x is exactly 0.0 has not been filled yet. A trail holds only the slots its
// trail_length uses, in single precision, the precision GL draws in: so that many bodies stay cheap.
struct Trail {
    explicit Trail(int slot_count = trail_slots(DEFAULT_TRAIL_LENGTH))
        : trail_x(static_cast<std::size_t>(slot_count)), trail_y(trail_x.size()), trail_z(trail_x.size())
    {
    }
    int slot_count() const { return static_cast<int>(trail_x.size()); }

    std::vector<float> trail_x, trail_y, trail_z;
};

// Display switches: 0 shown, -1 hidden; toggled with bitwise NOT.
using ViewSwitch = std::int16_t;

// The view's own globals: window size, projection, camera, light and what is drawn. Only the
// user-interface thread touches them; a run is told the camera distance, which it reads atomically.
struct ViewState {
    int view_width = 0;
    int view_height = 0;
    double fov_y = 30;
    double aspect_ratio = 1;
    double z_near = 0;
    double z_far = 0;

    // The body the panels show and the radius commands act on. The user interface alone chooses
    // it; a merge that removes the last body moves it down (keep_selection).
    int selected_body = 1;
    std::array<extended, 3> camera_target{};
    int look_at_body = 0;  // 0: the camera looks at the origin; otherwise it follows the selected body
    double camera_distance = 0;
    extended camera_yaw = 0;
    extended camera_pitch = 0;
    std::array<double, 3> camera_eye{};
    extended drag_last_x = 0;
    extended drag_last_y = 0;
    int drag_restart = 0;
    extended plane_half_size = 0;
    double ambient_level = static_cast<double>(0.4f);

    ViewSwitch hide_xy_plane = 0;
    ViewSwitch hide_axis = 0;
    ViewSwitch hide_trails = 0;
    ViewSwitch hide_origin_lines = 0;
    ViewSwitch hide_spheres = 0;
    int trail_length = DEFAULT_TRAIL_LENGTH;
};

// What the view draws: the bodies of the latest capture, from the table between runs or from a
// running simulation's snapshot (never from a table the simulation thread is writing), and the
// view's own history of their positions. Indices 0..bodies.body_count as in the body table.
struct SceneBodies {
    BodySnapshot bodies;
    std::vector<Trail> trail;
    std::vector<unsigned> texture_id;  // the GL texture of each body, kept in step with merges
    std::size_t merges_seen = 0;       // entries of the run's deleted_bodies already applied
};

// The bodies that have a trail and a radius: all of them unless a caller left the scene half
// filled, which then draws fewer bodies rather than reading past its arrays.
inline int shown_body_count(const SceneBodies& scene)
{
    const int with_trail = static_cast<int>(scene.trail.size()) - 1;
    const int with_radius = static_cast<int>(scene.bodies.radius.size()) - 1;
    return std::max(0, std::min({scene.bodies.body_count, with_trail, with_radius}));
}

// True when k names a body of the scene.
inline bool is_scene_body(const SceneBodies& scene, int k) { return k >= 1 && k <= shown_body_count(scene); }

// After merges left fewer bodies than the selection names: the last body becomes the selected
// one, and the camera goes back to the origin. True when the selection moved.
inline bool keep_selection(ViewState& view, int body_count)
{
    if (body_count <= 0 || view.selected_body <= body_count) return false;
    view.selected_body = body_count;
    view.look_at_body = 0;
    view.camera_target = {0, 0, 0};
    return true;
}

}  // namespace orbilan
