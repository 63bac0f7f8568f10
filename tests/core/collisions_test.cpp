#include <cmath>

#include <gtest/gtest.h>

#include "sim/collisions.h"
#include "sim/gravity_step.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using test::make_bodies;

StepResult step_with_collisions(BodyTable& table, SimulationState& state)
{
    StepWorkspace work;
    state.collision_mode = 255;
    state.run_direction = 1;
    state.stop_time = 1e99L;
    init_workspace(work, table, 1);
    prepare_step(table, state, work);
    return gravity_step(table, state, work, 0);
}

TEST(Collisions, MergeKeepsMassMomentumAndCentreOfMass)
{
    BodyTable t;
    SimulationState s;
    // 10 kg at x = 0 moving +3, 30 kg at x = 4 moving -1: the heavier (body 2) survives as body 1.
    make_bodies(t, s, {{.x = 0, .vx = 3, .mass = 10, .density = 1000}, {.x = 4, .vx = -1, .mass = 30, .density = 3000}});
    t.name[2] = "heavy";
    const MergeResult merged = merge_bodies(t, s, 1, 2);
    EXPECT_EQ(merged.removed, 1);
    ASSERT_EQ(t.body_count, 1);
    EXPECT_EQ(t.name[1], "heavy");
    EXPECT_EQ(t.x[1], 3);
    EXPECT_EQ(t.vx[1], 0);
    EXPECT_EQ(t.mass[1], 40);
    // Total mass over total volume: 40 / (10/1000 + 30/3000).
    EXPECT_EQ(t.density[1], 2000);
    EXPECT_NEAR(t.radius[1], std::cbrt(3 * 40 / (4 * PI * 2000)), 1e-15);
}

// A negative density or mass gives a body no size (its radius is not a number, not a negative
// length), so it touches nothing: not even a wide body 5 m away.
TEST(Collisions, BodiesWithANegativeDensityOrMassNeverTouch)
{
    BodyTable t;
    SimulationState s;
    make_bodies(t, s, {{.x = 0, .mass = 1000, .density = -1}, {.x = 5, .mass = 1000, .density = 1e-3L},
                       {.x = 10, .mass = -1000, .density = 1}, {.x = 15, .mass = 1000, .density = -1}});
    for (const int i : {1, 3, 4}) EXPECT_TRUE(std::isnan(t.radius[i])) << i << ": " << t.radius[i];
    EXPECT_NEAR(t.radius[2], 62.035, 1e-3) << "the wide body reaches past the others";
    EXPECT_EQ(sphere_radius(0, 1), 0) << "a mass of 0 is a point";
    const StepResult r = step_with_collisions(t, s);
    EXPECT_EQ(r.removed_body, 0);
    EXPECT_EQ(t.body_count, 4);
}

TEST(Collisions, EqualMassesLeaveTheHigherNumberedBody)
{
    BodyTable t;
    SimulationState s;
    make_bodies(t, s, {{.x = 0}, {.x = 100}, {.x = 200}, {.x = 300}, {.x = 300.5L}});
    t.name[5] = "five";
    const StepResult r = step_with_collisions(t, s);
    EXPECT_EQ(r.removed_body, 4);
    ASSERT_EQ(t.body_count, 4);
    EXPECT_EQ(t.name[4], "five");
    EXPECT_EQ(t.mass[4], 2);
}

TEST(Collisions, OnePairMergesPerStep)
{
    BodyTable t;
    SimulationState s;
    make_bodies(t, s, {{.x = 0}, {.x = 0.1L}, {.x = 0.2L}});
    step_with_collisions(t, s);
    EXPECT_EQ(t.body_count, 2);
    step_with_collisions(t, s);
    EXPECT_EQ(t.body_count, 1);
    EXPECT_EQ(t.mass[1], 3);
}

TEST(Collisions, ExactlyTouchingMergesAndOneUlpApartDoesNot)
{
    for (const bool apart : {false, true}) {
        BodyTable t;
        SimulationState s;
        make_bodies(t, s, {{.x = 0}, {.x = 1}});
        t.radius[1] = 0.25;
        t.radius[2] = 0.75;
        if (apart) t.x[2] = std::nextafter(1.0L, 2.0L);
        const StepResult r = step_with_collisions(t, s);
        EXPECT_EQ(r.removed_body != 0, !apart);
    }
}

TEST(Collisions, PointMassesNeverMerge)
{
    BodyTable t;
    SimulationState s;
    make_bodies(t, s, {{.x = 0}, {.x = 0.01L}});
    StepWorkspace work;
    s.stop_time = 1e99L;
    init_workspace(work, t, 1);
    prepare_step(t, s, work);
    gravity_step(t, s, work, 0);
    EXPECT_EQ(t.body_count, 2);
}

TEST(Collisions, MergeOfTheSelectedLastBodyMovesTheSelection)
{
    BodyTable t;
    SimulationState s;
    make_bodies(t, s, {{.x = 0}, {.x = 50}, {.x = 50.1L, .mass = 0.5L}});
    s.selected_body = 3;
    const StepResult r = step_with_collisions(t, s);
    EXPECT_EQ(r.removed_body, 3);
    EXPECT_TRUE(r.selection_moved);
    EXPECT_EQ(s.selected_body, 2);
}

TEST(BodyTable, DeleteBodyRenumbersAndShrinks)
{
    BodyTable t;
    SimulationState s;
    make_bodies(t, s, {{.x = 1}, {.x = 2}, {.x = 3}});
    s.selected_body = 2;
    EXPECT_FALSE(delete_body(t, s, 1));
    ASSERT_EQ(t.body_count, 2);
    EXPECT_EQ(t.x.size(), 3u);
    EXPECT_EQ(t.x[1], 2);
    EXPECT_EQ(t.name[2], "body 3");
    EXPECT_EQ(s.selected_body, 2) << "the selection index stays and now names the next body";
    EXPECT_FALSE(delete_body(t, s, 5));
    EXPECT_EQ(t.body_count, 2);
}

TEST(BodyTable, EmptyTableHasOnlyTheScratchSlot)
{
    BodyTable t;
    SimulationState s;
    allocate_body_table(t, s, 0);
    EXPECT_EQ(t.x.size(), 1u);
    EXPECT_EQ(t.name.size(), 1u);
    // 4/3 pi 1000 kg at 1 kg/m3 is a sphere of radius 10 m.
    EXPECT_NEAR(sphere_radius(4.0L / 3 * static_cast<extended>(PI) * 1000, 1), 10.0, 1e-14);
}

}  // namespace
}  // namespace orbilan
