#include <gtest/gtest.h>

#include <cmath>

#include "view/camera.h"
#include "view/projection.h"

namespace orbilan {
namespace {

constexpr int MIDDLE = 16;

// n bodies on the x axis at 10, 20, ... with radius i.
SceneBodies bodies_on_x_axis(int n)
{
    SceneBodies scene;
    scene.bodies.body_count = n;
    scene.trail.resize(n + 1);
    scene.bodies.radius.assign(n + 1, 0);
    for (int i = 1; i <= n; ++i) {
        scene.trail[i].trail_x[0] = 10.0 * i;
        scene.bodies.radius[i] = i;
    }
    return scene;
}

TEST(Camera, EyeOrbitsTheTargetByYawAndPitch)
{
    ViewState view;
    view.camera_distance = 2;
    compute_eye(view, {1, 2, 3});
    EXPECT_DOUBLE_EQ(view.camera_eye[0], 3);  // yaw 0: on the +x side
    EXPECT_DOUBLE_EQ(view.camera_eye[1], 2);
    EXPECT_DOUBLE_EQ(view.camera_eye[2], 3);

    view.camera_yaw_d = 90;
    view.camera_pitch_d = 30;
    compute_eye(view, {1, 2, 3});
    EXPECT_NEAR(view.camera_eye[0], 1, 1e-12);
    EXPECT_NEAR(view.camera_eye[1], 2 + 2 * std::cos(PI / 6), 1e-12);
    EXPECT_NEAR(view.camera_eye[2], 3 - 1, 1e-12) << "a positive pitch puts the eye below";
}

TEST(Camera, DragTurnsByPixelsOverTwentyFourAndClampsPitch)
{
    ViewState view;
    view.drag_restart = 1;  // a middle-button press
    rotate_camera(view, MIDDLE, 500, 400);
    EXPECT_EQ(view.camera_yaw, 0) << "the first move after a press must not jump";
    EXPECT_EQ(view.camera_pitch, 0);

    rotate_camera(view, MIDDLE, 524, 448);  // right and down
    EXPECT_DOUBLE_EQ(view.camera_yaw_d, -1);
    EXPECT_DOUBLE_EQ(view.camera_pitch_d, -2);

    rotate_camera(view, MIDDLE | 1, 0, 0);  // another button too: no turn
    rotate_camera(view, MIDDLE | 4, 0, 0);  // with shift: no turn
    EXPECT_DOUBLE_EQ(view.camera_yaw_d, -1);

    rotate_camera(view, MIDDLE, 524, 100000);
    EXPECT_EQ(view.camera_pitch, -89);
    rotate_camera(view, MIDDLE, 524, -100000);
    EXPECT_EQ(view.camera_pitch, 89);
    rotate_camera(view, MIDDLE, 524 + 24 * 1000, -100000);
    EXPECT_DOUBLE_EQ(view.camera_yaw_d, -1001) << "yaw has no bound";
}

TEST(Camera, WheelScalesByTheSinglePrecisionFactorAndKeepsSixRadii)
{
    EXPECT_EQ(ZOOM_FACTOR, 1.2000000476837158);
    SceneBodies scene = bodies_on_x_axis(2);
    ViewState view;
    view.camera_distance = 100;
    zoom_camera(view, scene, -120);
    EXPECT_EQ(view.camera_distance, 100 * 1.2000000476837158);
    zoom_camera(view, scene, 120);
    zoom_camera(view, scene, 1);
    EXPECT_EQ(view.camera_distance, 100 * 1.2000000476837158 / 1.2000000476837158 / 1.2000000476837158);

    // Following body 2 (radius 2): never closer than 12.
    view.look_at_body = 2;
    view.camera_distance = 13;
    zoom_camera(view, scene, 120);
    EXPECT_EQ(view.camera_distance, 12);

    // The projection applies the same floor and derives the clip planes from the distance.
    view.camera_distance = 1;
    update_projection_values(view, scene, 640, 0);
    EXPECT_EQ(view.camera_distance, 12);
    EXPECT_EQ(view.z_near, 3);
    EXPECT_EQ(view.z_far, 3e8);
    EXPECT_TRUE(std::isfinite(view.aspect_ratio)) << "a collapsed window keeps a usable aspect";

    view.look_at_body = 0;
    view.camera_distance = 1;
    update_projection_values(view, scene, 640, 480);
    EXPECT_EQ(view.camera_distance, 1) << "looking at the origin has no floor";
}

TEST(Camera, LightStepsSaturateExactly)
{
    ViewState view;
    EXPECT_EQ(view.ambient_level, 0.4000000059604645);
    for (int i = 0; i < 10; ++i) more_light(view);
    EXPECT_EQ(view.ambient_level, 1.0);
    less_light(view);
    EXPECT_EQ(view.ambient_level, 1.0 - 0.10000000149011612);
    for (int i = 0; i < 10; ++i) less_light(view);
    EXPECT_EQ(view.ambient_level, 0.0);
}

TEST(Camera, NextAndPreviousFirstFollowThenStepWithinTheBodies)
{
    SceneBodies scene = bodies_on_x_axis(3);
    ViewState view;
    view.camera_distance = 1;

    EXPECT_EQ(select_next_body(view, scene), 1) << "the first press only starts following";
    EXPECT_EQ(view.look_at_body, 1);
    EXPECT_EQ(view.camera_target[0], 10);
    EXPECT_EQ(view.camera_distance, 4) << "at least four radii";

    select_next_body(view, scene);
    select_next_body(view, scene);
    EXPECT_EQ(select_next_body(view, scene), 3) << "stays on the last body";
    EXPECT_EQ(view.camera_target[0], 30);
    EXPECT_EQ(view.camera_distance, 12);

    ASSERT_TRUE(look_at_origin(view, scene));
    EXPECT_EQ(view.look_at_body, 0);
    EXPECT_EQ(view.camera_target[0], 0);
    scene.bodies.selected_body = 3;
    EXPECT_EQ(select_previous_body(view, scene), 3);
    for (int i = 0; i < 4; ++i) select_previous_body(view, scene);
    EXPECT_EQ(select_previous_body(view, scene), 1) << "stays on body 1";

    SceneBodies empty;
    EXPECT_EQ(select_next_body(view, empty), 0);
    EXPECT_EQ(select_previous_body(view, empty), 0);
    EXPECT_FALSE(look_at_origin(view, empty));
    EXPECT_EQ(no_objects_message().text, "NO OBJECTS !!");
    EXPECT_EQ(no_objects_message().caption, "ORBILAN");
}

TEST(Camera, FitSizesPlaneAndDistanceToTheFarthestReach)
{
    SceneBodies scene = bodies_on_x_axis(3);
    scene.trail[2].trail_y[0] = -40;  // body 2 reaches sqrt(20^2 + 40^2) + 2
    ViewState view;
    fit_view_to_scene(view, scene);
    const double reach = std::sqrt(2000.0) + 2;
    EXPECT_DOUBLE_EQ(static_cast<double>(view.plane_half_size), 1.5 * reach);
    EXPECT_DOUBLE_EQ(view.camera_distance, 2 * reach);

    SceneBodies empty;
    fit_view_to_scene(view, empty);
    EXPECT_EQ(view.camera_distance, 0);
}

}  // namespace
}  // namespace orbilan
