#include <gtest/gtest.h>

#include "view/trails.h"

namespace orbilan {
namespace {

BodySnapshot snapshot_of(int n)
{
    BodySnapshot s;
    s.body_count = n;
    for (auto* column : {&s.x, &s.y, &s.z}) column->assign(n + 1, 0);
    s.radius.assign(n + 1, 1.0);
    return s;
}

void capture(SceneBodies& scene, const BodySnapshot& bodies)
{
    scene.bodies = bodies;
    capture_positions(scene);
}

// Body i at x = 100 i + tick, so every trail and every tick is told apart.
void move_to_tick(BodySnapshot& s, int tick)
{
    for (int i = 1; i <= s.body_count; ++i) s.x[i] = 100.0L * i + tick;
}

TEST(Trails, TicksShiftHistoryAndKeepOnlyTheUsedSlots)
{
    ViewState view;
    SceneBodies scene;
    BodySnapshot s = snapshot_of(2);
    scene.bodies = s;
    reset_trails(scene, view);
    for (int tick = 1; tick <= 3; ++tick) {
        move_to_tick(s, tick);
        capture(scene, s);
        advance_trails(scene, view);
    }
    const Trail& t = scene.trail[2];
    EXPECT_EQ(t.trail_x[0], 203);
    EXPECT_EQ(t.trail_x[1], 203) << "capture comes first, so the newest segment is empty";
    EXPECT_EQ(t.trail_x[2], 202);
    EXPECT_EQ(t.trail_x[3], 201);
    EXPECT_EQ(t.trail_x[4], 0);

    for (int tick = 4; tick <= 300; ++tick) {
        move_to_tick(s, tick);
        capture(scene, s);
        advance_trails(scene, view);
    }
    EXPECT_EQ(t.trail_x[view.trail_length + 1], 200 + 300 - view.trail_length);
    EXPECT_EQ(t.slot_count(), view.trail_length + 2) << "a trail holds only the slots it uses";
}

// Switching trails on, a new frame rate and START restart the trails; the bodies stay where
// they were last captured, and their trails grow from there.
TEST(Trails, ResetKeepsEveryBodyWhereItIs)
{
    ViewState view;
    SceneBodies scene;
    BodySnapshot s = snapshot_of(2);
    scene.bodies = s;
    reset_trails(scene, view);
    for (int tick = 1; tick <= 5; ++tick) {
        move_to_tick(s, tick);
        capture(scene, s);
        advance_trails(scene, view);
    }
    s.y[2] = -7;
    capture(scene, s);
    scene.bodies.exhaust_plume.trail_x = {1, 2};

    reset_trails(scene, view);
    const Trail& t = scene.trail[2];
    EXPECT_EQ(t.trail_x[0], 205) << "the body is drawn where it was";
    EXPECT_EQ(t.trail_y[0], -7);
    EXPECT_EQ(t.trail_x[1], 205);
    EXPECT_EQ(t.trail_x[2], 0) << "the history is gone";
    EXPECT_EQ(scene.bodies.exhaust_plume.trail_x[1], 0);

    move_to_tick(s, 6);
    capture(scene, s);
    advance_trails(scene, view);
    EXPECT_EQ(t.trail_x[2], 205) << "the trail starts where the reset left the body";
    EXPECT_EQ(t.trail_x[3], 0);

    // A longer trail gets its slots at the next reset, and a new body its own trail.
    view.trail_length = 300;
    scene.bodies.body_count = 3;
    reset_trails(scene, view);
    EXPECT_EQ(scene.trail[2].slot_count(), 302);
    EXPECT_EQ(scene.trail[3].slot_count(), 302);
    EXPECT_EQ(scene.trail[2].trail_x[0], 206);
}

TEST(Trails, MergesMoveTrailsAndTexturesDownOnce)
{
    SceneBodies scene;
    BodySnapshot s = snapshot_of(4);
    move_to_tick(s, 0);
    capture(scene, s);
    scene.texture_id = {0, 11, 12, 13, 14};

    // Body 2 merged into another: the run's snapshot has three bodies.
    BodySnapshot after = snapshot_of(3);
    after.x = {0, 100, 300, 400};
    after.deleted_bodies = {2};
    scene.trail[3].trail_x[5] = 333;  // history of the old body 3
    capture(scene, after);
    EXPECT_EQ(scene.bodies.body_count, 3);
    EXPECT_EQ(scene.trail[2].trail_x[5], 333);
    EXPECT_EQ(scene.texture_id, (std::vector<unsigned>{0, 11, 13, 14}));

    capture(scene, after);  // the same merge seen again changes nothing
    EXPECT_EQ(scene.texture_id, (std::vector<unsigned>{0, 11, 13, 14}));

    // A new run lists its merges from the start again.
    start_following_run(scene);
    BodySnapshot next = snapshot_of(2);
    next.deleted_bodies = {1};
    capture(scene, next);
    EXPECT_EQ(scene.texture_id, (std::vector<unsigned>{0, 13, 14}));
}

}  // namespace
}  // namespace orbilan
