#include <gtest/gtest.h>

#include "sim/energy.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

TEST(Energy, TwoBodiesHaveTheirKineticAndPotentialEnergy)
{
    BodyTable table;
    SimulationState state;
    test::make_bodies(table, state, {{.vx = 3, .mass = 2}, {.x = 4, .vy = -1, .mass = 6}});
    // 2 * 9 / 2 + 6 * 1 / 2 - G * 2 * 6 / 4
    EXPECT_EQ(total_energy(table, 0.5L), 9 + 3 - 0.5L * 12 / 4);
    EXPECT_EQ(total_energy(table, 0.5L, 4), total_energy(table, 0.5L));
}

TEST(Energy, AnyNumberOfWorkersGivesTheSameBits)
{
    BodyTable table;
    SimulationState state;
    test::make_cluster(table, state, 300, 9);
    const extended one = total_energy(table, 1);
    for (const int threads : {0, 2, 5}) EXPECT_TRUE(test::same_bits(total_energy(table, 1, threads), one)) << threads;
}

}  // namespace
}  // namespace orbilan
