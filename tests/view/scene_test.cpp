// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>

#include "view/camera.h"
#include "view/picking.h"
#include "view/projection.h"
#include "view/trails.h"

namespace orbilan {
namespace {

// n bodies, body i at x = 100 i + tick, so that every trail and every tick is told apart.
BodySnapshot bodies_at_tick(int n, int tick)
{
    BodySnapshot s;
    s.body_count = n;
    for (auto* column : {&s.x, &s.y, &s.z}) column->assign(n + 1, 0);
    s.radius.assign(n + 1, 1.0);
    for (int i = 1; i <= n; ++i) s.x[i] = 100.0L * i + tick;
    return s;
}

void tick(SceneBodies& scene, const ViewState& view, const BodySnapshot& bodies)
{
    scene.bodies = bodies;
    capture_positions(scene);
    advance_trails(scene, view);
}

// While the camera follows a body, neither the wheel nor the projection brings it closer than six
// radii; looking at the origin there is no floor. The clip planes follow the distance.
TEST(Camera, ZoomKeepsSixRadiiWhileFollowingAndLightStaysInBounds)
{
    SceneBodies scene;
    ViewState view;
    tick(scene, view, bodies_at_tick(2, 0));
    scene.bodies.radius[2] = 2;
    view.camera_distance = 13;
    zoom_camera(view, scene, 120);
    EXPECT_EQ(view.camera_distance, 13 / ZOOM_FACTOR);
    view.look_at_body = 2;
    view.camera_distance = 13;
    zoom_camera(view, scene, 120);
    EXPECT_EQ(view.camera_distance, 12);

    view.camera_distance = 1;
    update_projection_values(view, scene, 640, 0);
    EXPECT_EQ(view.camera_distance, 12);
    EXPECT_EQ(view.z_near, 3);
    EXPECT_EQ(view.z_far, 3e8);
    EXPECT_TRUE(std::isfinite(view.aspect_ratio)) << "a collapsed window keeps a usable aspect";

    // The light buttons stop at no ambient light and at full light.
    for (int k = 0; k < 20; ++k) more_light(view);
    EXPECT_EQ(view.ambient_level, 1);
    for (int k = 0; k < 20; ++k) less_light(view);
    EXPECT_EQ(view.ambient_level, 0);
}

// A view 30 degrees high and twice as wide, from x = 10 toward the origin: its edges lie 2.68
// off the axis up and down and 5.36 across at the origin's depth. A sphere counts as seen unless
// it lies wholly beyond one edge or behind the eye; looking straight down z nothing is left out.
TEST(Camera, OnlySpheresWhollyOutsideTheViewAreLeftOut)
{
    ViewState view;
    view.camera_eye = {10, 0, 0};
    view.fov_y = 30;
    view.aspect_ratio = 2;
    const ViewFrustum frustum = view_frustum(view);
    struct Case {
        double y, z, r;
        bool seen;
    };
    for (const Case& c :
         {Case{0, 0, 0.01, true}, Case{5.3, 0, 0.01, true}, Case{5.5, 0, 0.01, false}, Case{5.5, 0, 0.2, true},
          Case{5.57, 0, 0.2, true}, Case{0, 2.6, 0.01, true}, Case{0, 2.8, 0.01, false}, Case{0, 2.8, 0.2, true},
          Case{-4, 0, 0.01, true}, Case{0, -4, 0.01, false}})
        EXPECT_EQ(sphere_in_view(frustum, 0, c.y, c.z, c.r), c.seen) << "y " << c.y << " z " << c.z << " r " << c.r;
    EXPECT_FALSE(sphere_in_view(frustum, 11, 0, 0, 0.5)) << "behind the eye";
    EXPECT_TRUE(sphere_in_view(frustum, 11, 0, 0, 2)) << "round the eye";

    view.camera_eye = {0, 0, 10};
    EXPECT_TRUE(sphere_in_view(view_frustum(view), 0, 100, 0, 0.01));
}

// From x = 10 toward the origin (the screen's right is +y, its top +z): where spheres overlap the
// one nearest the eye is picked, wherever it stands in the table; a sphere behind the eye never is.
TEST(Camera, PickingTakesTheNearestSphereUnderThePoint)
{
    ViewState view;
    view.camera_eye = {10, 0, 0};
    view.fov_y = 30;
    view.aspect_ratio = 2;
    SceneBodies scene;
    BodySnapshot bodies = bodies_at_tick(4, 0);
    const double place[5][4] = {{}, {0, 0, 0, 2}, {5, 0, 0, 0.5}, {0, 2.68, 0, 0.3}, {13, 0, 0, 2}};
    for (int i = 1; i <= 4; ++i) {
        bodies.x[i] = place[i][0], bodies.y[i] = place[i][1], bodies.z[i] = place[i][2];
        bodies.radius[i] = place[i][3];
    }
    tick(scene, view, bodies);
    const struct {
        double across, down;
        int body;
    } cases[] = {{0.5, 0.5, 2}, {0.5, 0.75, 1}, {0.75, 0.5, 3}, {0.1, 0.1, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(body_under_point(view, scene, c.across, c.down), c.body) << c.across << ", " << c.down;
}

// Ticks shift the history along; a trail holds only the slots it uses. Switching trails on, a new
// frame rate and START restart the trails; the bodies stay where they were last captured, and their
// trails grow from there.
TEST(Trails, TicksShiftHistoryAndResetKeepsEveryBodyWhereItIs)
{
    ViewState view;
    SceneBodies scene;
    scene.bodies = bodies_at_tick(2, 0);
    reset_trails(scene, view);
    for (int k = 1; k <= 3; ++k) tick(scene, view, bodies_at_tick(2, k));
    const Trail& t = scene.trail[2];
    EXPECT_EQ(t.trail_x[0], 203);
    EXPECT_EQ(t.trail_x[1], 203) << "capture comes first, so the newest segment is empty";
    EXPECT_EQ(t.trail_x[3], 201);
    EXPECT_EQ(t.trail_x[4], 0);

    for (int k = 4; k <= 300; ++k) tick(scene, view, bodies_at_tick(2, k));
    EXPECT_EQ(t.trail_x[view.trail_length + 1], 200 + 300 - view.trail_length);
    EXPECT_EQ(t.slot_count(), view.trail_length + 2);

    scene.bodies.exhaust_plume.trail_x = {1, 2};
    reset_trails(scene, view);
    EXPECT_EQ(t.trail_x[0], 500) << "the body is drawn where it was";
    EXPECT_EQ(t.trail_x[1], 500);
    EXPECT_EQ(t.trail_x[2], 0) << "the history is gone";
    EXPECT_EQ(scene.bodies.exhaust_plume.trail_x[1], 0);
    tick(scene, view, bodies_at_tick(2, 301));
    EXPECT_EQ(t.trail_x[2], 500) << "the trail starts where the reset left the body";
    EXPECT_EQ(t.trail_x[3], 0);

    // A longer trail gets its slots at the next reset, and a new body its own trail.
    view.trail_length = 300;
    scene.bodies.body_count = 3;
    reset_trails(scene, view);
    EXPECT_EQ(scene.trail[2].slot_count(), 302);
    EXPECT_EQ(scene.trail[3].slot_count(), 302);
    EXPECT_EQ(scene.trail[2].trail_x[0], 501);
}

TEST(Trails, MergesMoveTrailsAndTexturesDownOnce)
{
    ViewState view;
    SceneBodies scene;
    tick(scene, view, bodies_at_tick(4, 0));
    scene.texture_id = {0, 11, 12, 13, 14};
    scene.trail[3].trail_x[5] = 333;  // history of body 3

    BodySnapshot after = bodies_at_tick(3, 0);  // body 2 merged into another
    after.deleted_bodies = {2};
    for (int seen = 0; seen < 2; ++seen) {  // the same merge seen again changes nothing
        scene.bodies = after;
        capture_positions(scene);
        EXPECT_EQ(scene.trail[2].trail_x[5], 333);
        EXPECT_EQ(scene.texture_id, (std::vector<unsigned>{0, 11, 13, 14}));
    }

    start_following_run(scene);  // a new run lists its merges from the start again
    BodySnapshot next = bodies_at_tick(2, 0);
    next.deleted_bodies = {1};
    scene.bodies = next;
    capture_positions(scene);
    EXPECT_EQ(scene.texture_id, (std::vector<unsigned>{0, 13, 14}));
}

}  // namespace
}  // namespace orbilan
