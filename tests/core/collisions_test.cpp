#include <cmath>

#include <gtest/gtest.h>

#include "sim/collisions.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using test::make_bodies;
using test::Stepper;

StepResult step_with_collisions(Stepper<>& run, std::uint8_t collision_mode = 255)
{
    run.state.collision_mode = collision_mode;
    run.start();
    return run.step();
}

// 10 kg at x = 0 moving +3 and 30 kg at x = 4 moving -1: together 40 kg at their centre of mass,
// at rest, with their summed volume 10/1000 + 30/3000 m3. The heavier one survives, whichever its
// number; of equal masses the higher-numbered one.
TEST(Collisions, MergeKeepsMassMomentumVolumeAndCentreOfMass)
{
    const test::BodyInit light{.x = 0, .vx = 3, .mass = 10, .density = 1000};
    const test::BodyInit heavy{.x = 4, .vx = -1, .mass = 30, .density = 3000};
    for (const bool heavier_first : {false, true}) {
        BodyTable t;
        SimulationState s;
        make_bodies(t, s, {heavier_first ? heavy : light, heavier_first ? light : heavy});
        EXPECT_EQ(merge_bodies(t, s, 1, 2).removed, heavier_first ? 2 : 1);
        ASSERT_EQ(t.body_count, 1);
        EXPECT_EQ(t.name[1], heavier_first ? "body 1" : "body 2");
        EXPECT_EQ(std::tuple(t.x[1], t.vx[1], t.mass[1], t.density[1]), std::tuple(3, 0, 40, 2000));
        EXPECT_NEAR(t.radius[1], sphere_radius(40, 2000), 1e-15);
        make_bodies(t, s, {light, light});
        EXPECT_EQ(merge_bodies(t, s, 1, 2).removed, 1);
    }
}

// Spheres touch when their distance is at most the sum of their radii, points at one place
// included, and merge only with collision mode on. A negative density or mass gives a body no
// size (its radius is not a number, not a negative length), so it touches nothing.
TEST(Collisions, TouchingSpheresMergeInTheStep)
{
    for (const auto& [what, x2, radius, mode, merge] : {std::tuple{"touching", 1.0L, 0.5, 255, true},
                                                        {"an ulp apart", std::nextafter(1.0L, 2.0L), 0.5, 255, false},
                                                        {"points at one place", 0.0L, 0.0, 255, true},
                                                        {"collisions off", 1.0L, 0.5, 0, false}}) {
        Stepper<> run;
        make_bodies(run.table, run.state, {{.x = 0, .vx = 1}, {.x = x2, .vx = -1}});
        run.table.radius[1] = run.table.radius[2] = radius;
        run.state.grav_constant = run.state.dt = 1e-3L;
        EXPECT_EQ(step_with_collisions(run, static_cast<std::uint8_t>(mode)).removed_body != 0, merge) << what;
        EXPECT_EQ(run.table.body_count, merge ? 1 : 2) << what;
        EXPECT_TRUE(std::isfinite(run.table.x[1]) && std::isfinite(run.table.vx[1])) << what;
    }
    Stepper<> run;
    make_bodies(run.table, run.state,
                {{.x = 0, .mass = 1000, .density = -1},
                 {.x = 5, .mass = 1000, .density = 1e-3L},
                 {.x = 10, .mass = -1000, .density = 1},
                 {.x = 15, .mass = 1000, .density = -1}});
    EXPECT_GT(run.table.radius[2], 60) << "the wide body reaches past the others";
    EXPECT_EQ(step_with_collisions(run).removed_body, 0);
}

// The first touching pair (lowest i, then lowest j) merges, one pair a step; the bodies above
// move down and the selection index stays, unless the selected last body merges away.
TEST(Collisions, OnePairMergesPerStepTheFirstOneFirst)
{
    Stepper<> run;
    make_bodies(run.table, run.state, {{.x = 0}, {.x = 100}, {.x = 100.1L, .mass = 2}, {.x = 100.2L}});
    run.state.selected_body = 3;
    const StepResult first = step_with_collisions(run);
    EXPECT_EQ(first.removed_body, 2);
    EXPECT_FALSE(first.selection_moved);
    const StepResult second = step_with_collisions(run);
    EXPECT_EQ(second.removed_body, 3);
    EXPECT_TRUE(second.selection_moved);
    EXPECT_EQ(run.state.selected_body, 2);
    EXPECT_EQ(run.table.mass[2], 4);
    EXPECT_EQ(run.table.x.size(), 3u);
    EXPECT_FALSE(delete_body(run.table, run.state, 3)) << "no such body";
}

}  // namespace
}  // namespace orbilan
