// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "sim/gauss_radau.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using test::make_bodies;
using test::make_cluster;
using test::same_bodies;

// A table, a state and a Gauss-Radau workspace that step together as a run steps them.
template <typename Real = extended>
struct RadauRun {
    BasicBodyTable<Real> table;
    SimulationState state;
    GaussRadauWorkspace<Real> work;

    RadauRun() = default;
    RadauRun(const BodyTable& bodies, const SimulationState& start) : table(convert_table<Real>(bodies)), state(start)
    {
    }

    void start(extended stop_time, int threads = 1, extended tolerance = default_tolerance<Real>(),
               const GaussRadauCarry& carry = {})
    {
        state.stop_time = stop_time;
        state.run_direction = stop_time >= state.sim_time ? RunDirection::forward : RunDirection::backward;
        init_gauss_radau(work, table, threads, tolerance, carry);
        prepare_step(table, state, work.forces);
    }
    StepResult step() { return gauss_radau_step(table, state, work, 1000); }
    // Steps until the stop time or a failure; returns the last step's result.
    StepResult run()
    {
        for (;;)
            if (const StepResult result = step(); result.stop) return result;
    }
};

// Two bodies of masses 1 and 0.5 (G = 1) on an orbit of semi-major axis 1 and the given
// eccentricity, at apocentre and at rest in their centre of mass. Returns the period.
extended make_binary(BodyTable& table, SimulationState& state, extended eccentricity)
{
    const extended m1 = 1, m2 = 0.5L, mu = m1 + m2;
    const extended r = 1 + eccentricity;
    const extended v = std::sqrt(mu * (1 - eccentricity) / (1 + eccentricity));
    make_bodies(
        table, state,
        {{.x = -r * m2 / mu, .vy = -v * m2 / mu, .mass = m1}, {.x = r * m1 / mu, .vy = v * m1 / mu, .mass = m2}});
    state.grav_constant = 1;
    state.dt = 0.01L;
    return 2 * std::acos(-1.0L) / std::sqrt(mu);
}

// How far the separation of the two bodies lies from where it started.
template <typename Real>
extended separation_miss(const BasicBodyTable<Real>& table, const BodyTable& start)
{
    const extended dx = static_cast<extended>(table.x[2] - table.x[1]) - (start.x[2] - start.x[1]);
    const extended dy = static_cast<extended>(table.y[2] - table.y[1]) - (start.y[2] - start.y[1]);
    const extended dz = static_cast<extended>(table.z[2] - table.z[1]) - (start.z[2] - start.z[1]);
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Over one period of an orbit of eccentricity 0.5 in n equal steps, a method of order 15 errs
// 2^15 times less when n doubles, until rounding is all that is left (measured: 1.7e-9, 1.4e-13,
// 1.2e-18, then 2.7e-18 at 16, 32, 64 and 128 steps).
TEST(GaussRadau, FixedStepErrorFallsAtTheMethodsOrderUntilRounding)
{
    BodyTable start;
    SimulationState state;
    const extended period = make_binary(start, state, 0.5L);
    std::vector<extended> misses;
    for (const int steps : {16, 32, 64, 128}) {
        state.dt = period / steps;
        RadauRun<> run(start, state);
        run.work.fixed_step = true;
        run.start(period);
        run.run();
        misses.push_back(separation_miss(run.table, start));
    }
    const double order = std::log2(static_cast<double>(misses[0] / misses[2])) / 2;
    EXPECT_NEAR(order, 15, 1) << misses[0] << " " << misses[1] << " " << misses[2];
    EXPECT_LT(misses[3], 1e-17L) << misses[3];
}

// An orbit of eccentricity 0.9 closes after 100 periods to 1e-13 of its semi-major axis, the run
// landing on the stop time exactly; run backward from there it comes back to its start.
TEST(GaussRadau, EccentricOrbitClosesAfterAHundredPeriodsAndRunsBack)
{
    BodyTable start;
    SimulationState state;
    const extended period = make_binary(start, state, 0.9L);
    RadauRun<> run(start, state);
    run.start(100 * period);
    run.run();
    EXPECT_EQ(run.state.sim_time, 100 * period);
    EXPECT_LT(separation_miss(run.table, start), 1e-13L);

    run.start(0);
    run.run();
    EXPECT_EQ(run.state.sim_time, 0);
    EXPECT_LT(separation_miss(run.table, start), 2e-13L);
}

// A burn of 600 kg over 5 s from a 1000 kg craft at 3 km/s: the steps end on the window's
// edges, and the speed gained is the rocket equation's u ln(m0 / m1) to rounding, where the
// first-order step gives a sum over its steps.
TEST(GaussRadau, ABurnGivesTheRocketEquation)
{
    RadauRun<> run;
    make_bodies(run.table, run.state, {{.mass = 1000}});
    run.state.dt = 1;
    run.state.impulse_body = run.state.impulse_next = run.state.impulse_count = 1;
    run.state.impulse_table[1] = {.start_time = 10, .duration = 5, .ejected_mass = 600, .exhaust_vx = -3000};
    run.start(20);
    std::vector<extended> ends;
    for (StepResult result; !result.stop; ends.push_back(run.state.sim_time)) result = run.step();
    EXPECT_NE(std::find(ends.begin(), ends.end(), 10), ends.end());
    EXPECT_NE(std::find(ends.begin(), ends.end(), 15), ends.end());
    EXPECT_EQ(run.state.sim_time, 20);
    EXPECT_NEAR(run.table.mass[1], 400, 1e-13L);
    const extended expected = 3000 * std::log(1000 / 400.0L);
    EXPECT_NEAR(run.table.vx[1] / expected, 1, 8 * std::numeric_limits<extended>::epsilon());
    EXPECT_EQ(run.table.vy[1], 0);
    EXPECT_EQ(run.state.impulse_next, 2);
}

// Two spheres falling together merge at the start of the step in which they touch, and the
// merged body goes on with the centre of mass, which moves uniformly throughout.
TEST(GaussRadau, AMergeRestartsFromTheMergedBody)
{
    RadauRun<> run;
    const extended density = 3 / (4 * std::acos(-1.0L) * 0.001L);  // radius 0.1 at mass 1
    make_bodies(
        run.table, run.state,
        {{.x = -1, .vx = 0.5L, .mass = 1, .density = density}, {.x = 2, .vx = -0.25L, .mass = 2, .density = density}});
    run.state.grav_constant = 1;
    run.state.dt = 0.01L;
    run.state.collision_mode = 255;
    run.start(10);
    const StepResult last = run.run();
    EXPECT_EQ(last.failure, StepFailure::none);
    ASSERT_EQ(run.table.body_count, 1);
    EXPECT_EQ(run.table.mass[1], 3);
    EXPECT_NEAR(run.table.vx[1], 0, 1e-15L);
    EXPECT_NEAR(run.table.x[1], 1, 1e-14L);
    EXPECT_EQ(run.state.sim_time, 10);
}

// A run that stops and goes on with what the first left continues its steps bit for bit, in
// either precision.
template <typename Real>
void expect_continuation()
{
    BodyTable bodies;
    SimulationState state;
    make_cluster(bodies, state, 8, 3);
    RadauRun<Real> whole(bodies, state), first(bodies, state);
    whole.start(1e99L);
    first.start(1e99L);
    for (int k = 0; k < 40; ++k) whole.step();
    for (int k = 0; k < 25; ++k) first.step();
    RadauRun<Real> second(convert_table<extended>(first.table), first.state);
    second.start(1e99L, 1, default_tolerance<Real>(), gauss_radau_carry(first.work, first.table));
    for (int k = 0; k < 15; ++k) second.step();
    EXPECT_TRUE(same_bodies(whole.table, second.table));
    EXPECT_EQ(whole.state.sim_time, second.state.sim_time);
}

TEST(GaussRadau, ContinuesBitForBitFromWhatARunLeaves)
{
    expect_continuation<extended>();
    expect_continuation<double>();
}

// The force sums give the same bits for any number of workers, and so does the method.
template <typename Real>
void expect_same_bits_for_any_team()
{
    BodyTable bodies;
    SimulationState state;
    make_cluster(bodies, state, 100, 5);
    RadauRun<Real> alone(bodies, state), team(bodies, state);
    alone.start(1e99L, 1);
    team.start(1e99L, 2);
    for (int k = 0; k < 6; ++k) {
        alone.step();
        team.step();
    }
    EXPECT_TRUE(same_bodies(alone.table, team.table));
}

TEST(GaussRadau, SameBitsForAnyNumberOfWorkers)
{
    expect_same_bits_for_any_team<extended>();
    expect_same_bits_for_any_team<double>();
}

// Bodies that meet head on without merging make the force singular: the run ends with a failure
// after a bounded number of steps instead of shrinking its step for ever. Coincident bodies are
// not finite from the start.
TEST(GaussRadau, ASingularForceEndsTheRun)
{
    RadauRun<> fall;
    make_bodies(fall.table, fall.state, {{.x = -1}, {.x = 1}});
    fall.state.grav_constant = 1;
    fall.state.dt = 0.1L;
    fall.start(10);
    StepResult result;
    long long steps = 0;
    for (; !result.stop && steps < 100000; ++steps) result = fall.step();
    EXPECT_NE(result.failure, StepFailure::none);
    EXPECT_LT(fall.state.sim_time, 10);

    RadauRun<> together;
    make_bodies(together.table, together.state, {{.x = 1}, {.x = 1}});
    together.state.grav_constant = 1;
    together.start(10);
    result = together.step();
    EXPECT_EQ(result.failure, StepFailure::non_finite);
    EXPECT_EQ(result.failed_body, 1);
    EXPECT_EQ(together.table.x[2], 1);
}

}  // namespace
}  // namespace orbilan
