#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "sim/energy.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using test::make_bodies;
using test::Stepper;

// The total momentum along x and the sum of its terms' magnitudes.
template <typename Real>
std::pair<extended, extended> momentum(const BasicBodyTable<Real>& t)
{
    extended total = 0, scale = 0;
    for (int i = 1; i <= t.body_count; ++i) total += t.mass[i] * t.vx[i], scale += std::fabs(t.mass[i] * t.vx[i]);
    return {total, scale};
}

// A cluster that merges a tenth of its bodies in 40 steps, its force sums shared in tiles of 16
// bodies among up to three threads: every thread count gives the same bits. The forces of a pair
// are equal and opposite and a merge keeps the pair's momentum, so the total changes only by
// rounding (measured: 1e-18 of the summed magnitudes in extended precision, 2e-15 in double).
template <typename Real>
void step_a_merging_cluster(double momentum_bound)
{
    SimulationState state;
    BodyTable cluster;
    test::make_cluster(cluster, state, 150, 7, 2e3);
    state.collision_mode = 255;
    state.stop_time = 1e99L;
    std::vector<BasicBodyTable<Real>> results;
    for (const int threads : {1, 2, 3}) {
        Stepper<Real> run(cluster, state);
        run.work.parallel_min_bodies = 16;
        run.start(threads);
        run.steps(40);
        results.push_back(run.table);
    }
    EXPECT_LT(results[0].body_count, 140) << "the cluster should have merged bodies";
    for (std::size_t k = 1; k < results.size(); ++k) EXPECT_TRUE(test::same_bodies(results[0], results[k])) << k + 1;
    const auto [before, scale] = momentum(cluster);
    EXPECT_LT(std::fabs(momentum(results[0]).first - before), scale * momentum_bound);
}

TEST(GravityStep, AnyThreadCountGivesTheSameBitsAndMomentumIsKeptThroughMerges)
{
    step_a_merging_cluster<extended>(1e-16);
    step_a_merging_cluster<double>(1e-14);
}

#ifdef __SIZEOF_FLOAT128__
using quad = __float128;

// Measured on clusters of 100 to 3000 bodies: the accelerations lie as close to the exact sums
// (128-bit) as the same sums done term by term as G m d / (r r r), in units of the 80-bit epsilon
// times the sum of the terms' magnitudes, the scale of a sum's rounding error (2 at 100 bodies,
// 7 at 1000, 12 at 3000).
TEST(GravityStep, SumsStayWithinTheMeasuredRoundingBound)
{
    Stepper<> run;
    test::make_cluster(run.table, run.state, 400, 21);
    run.start();
    compute_accelerations(run.table, run.work, false);
    const BodyTable& t = run.table;
    const auto distance = [](quad v) { return static_cast<double>(v < 0 ? -v : v); };
    double ours = 0, term_by_term = 0;
    for (int i = 1; i <= t.body_count; ++i) {
        extended by_term = 0;
        quad exact = 0, scale = 0;
        for (int j = 1; j <= t.body_count; ++j) {
            if (j == i) continue;
            const extended dx = t.x[j] - t.x[i], dy = t.y[j] - t.y[i], dz = t.z[j] - t.z[i];
            const extended r = std::sqrt(dx * dx + dy * dy + dz * dz);
            const quad qx = quad(t.x[j]) - quad(t.x[i]), qy = quad(t.y[j]) - quad(t.y[i]);
            const quad qz = quad(t.z[j]) - quad(t.z[i]);
            const quad r2 = qx * qx + qy * qy + qz * qz, guess = std::sqrt(static_cast<extended>(r2));
            by_term += run.work.gm[j] * dx / (r * r * r);
            exact += quad(run.work.gm[j]) * qx / (r2 * (guess + r2 / guess) / 2);  // a Newton step: 128 good bits
            scale += quad(run.work.gm[j]) / r2;
        }
        const quad unit = scale * quad(std::numeric_limits<extended>::epsilon());
        ours = std::max(ours, distance((quad(run.work.ax[i]) - exact) / unit));
        term_by_term = std::max(term_by_term, distance((quad(by_term) - exact) / unit));
    }
    EXPECT_LT(ours, term_by_term + 1.0) << ours << " vs " << term_by_term;
    EXPECT_GT(term_by_term, 1.0) << "the exact sums should show the sums' own rounding";
}
#endif

// The double-precision sums as stated, one term at a time: body b adds the terms of the bodies
// before it in increasing order, and those after it on eight lanes (body j, counted from 0, on lane
// j mod 8) that are added last as ((0+1)+(2+3))+((4+5)+(6+7)).
std::vector<double> stated_sums(const BasicBodyTable<double>& t, double g)
{
    const int n = t.body_count;
    std::vector<double> before(3 * (n + 1), 0.0), after(3 * 8 * (n + 1), 0.0), a(3 * (n + 1), 0.0);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j) {
            const double d[3] = {t.x[j] - t.x[i], t.y[j] - t.y[i], t.z[j] - t.z[i]};
            const double r2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
            const double inverse_cube = 1 / (r2 * std::sqrt(r2));
            for (int k = 0; k < 3; ++k) {
                after[3 * 8 * i + 8 * k + (j - 1) % 8] += g * t.mass[j] * inverse_cube * d[k];
                before[3 * j + k] -= g * t.mass[i] * inverse_cube * d[k];
            }
        }
    for (int b = 1; b <= n; ++b)
        for (int k = 0; k < 3; ++k) {
            const double* l = &after[3 * 8 * b + 8 * k];
            a[3 * b + k] = before[3 * b + k] + (((l[0] + l[1]) + (l[2] + l[3])) + ((l[4] + l[5]) + (l[6] + l[7])));
        }
    return a;
}

// Every kernel the processor runs, and every number of threads, gives the stated sums exactly;
// kernels for instruction sets the processor lacks are skipped, by name.
class LaneKernels : public ::testing::TestWithParam<std::size_t> {};

TEST_P(LaneKernels, GiveTheStatedSumsForAnyThreadCount)
{
    const LaneKernelChoice& choice = lane_kernels()[GetParam()];
    if (!choice.runs_here) GTEST_SKIP() << "this processor cannot run the " << choice.kernel->name << " kernel";
    BodyTable bodies;
    SimulationState state;
    test::make_cluster(bodies, state, 203, 17);
    state.grav_constant = 1.5L;
    const std::vector<double> expected = stated_sums(convert_table<double>(bodies), 1.5);
    for (const int threads : {1, 2, 3}) {
        Stepper<double> run(bodies, state);
        run.work.parallel_min_bodies = 16;
        run.start(threads);
        run.work.scratch.kernel = choice.kernel;
        EXPECT_FALSE(compute_accelerations(run.table, run.work, true)) << "no spheres touch";
        for (int b = 1; b <= run.table.body_count; ++b)
            for (const auto& [k, a] : {std::pair{0, run.work.ax[b]}, {1, run.work.ay[b]}, {2, run.work.az[b]}})
                ASSERT_TRUE(test::same_bits(a, expected[3 * b + k])) << choice.kernel->name << ", " << threads;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryBuiltKernel, LaneKernels, ::testing::Range<std::size_t>(0, lane_kernels().size()));

// A light planet on a circular orbit around a heavy star (G M = 1, r = 1, period 2 pi). Semi-implicit
// Euler is conjugate to a second-order method, so over a whole period the miss shrinks as h^2.
template <typename Real>
double circular_orbit_miss(int steps_per_period)
{
    BodyTable bodies;
    SimulationState state;
    make_bodies(bodies, state, {{.mass = 1}, {.x = 1, .vy = 1, .mass = 1e-20L}});
    state.dt = 2 * static_cast<extended>(PI) / steps_per_period;
    state.grav_constant = 1;
    state.stop_time = 1e99L;
    Stepper<Real> run(bodies, state);
    run.start();
    run.steps(steps_per_period);
    return static_cast<double>(std::hypot(run.table.x[2] - run.table.x[1] - 1, run.table.y[2] - run.table.y[1]));
}

TEST(GravityStep, CircularOrbitClosesAfterOnePeriodInEitherPrecision)
{
    const double coarse = circular_orbit_miss<extended>(20000);
    EXPECT_LT(coarse, 10 * (2 * PI / 20000) * (2 * PI / 20000));
    EXPECT_NEAR(coarse / circular_orbit_miss<extended>(40000), 4.0, 0.2);
    EXPECT_NEAR(circular_orbit_miss<double>(20000), coarse, 1e-9);
}

// Each leg errs by O(h) over t = 0.5: about h in position.
TEST(GravityStep, ForwardThenBackwardReturnsNearTheStart)
{
    Stepper<> run;
    make_bodies(run.table, run.state,
                {{.mass = 1}, {.x = 1, .vy = 1, .mass = 1e-3L}, {.x = -2, .vy = -0.7L, .mass = 1e-3L}});
    const BodyTable start = run.table;
    run.state.dt = 1e-4L;
    run.state.grav_constant = 1;
    for (const int direction : {1, 2}) {
        run.state.stop_time = direction == 1 ? 1e99L : -1e99L;
        run.start(1, direction);
        run.steps(5000);
    }
    EXPECT_NEAR(static_cast<double>(run.state.sim_time), 0.0, 1e-15);
    for (int i = 1; i <= 3; ++i)
        EXPECT_LT(std::hypot(run.table.x[i] - start.x[i], run.table.y[i] - start.y[i]), 1e-3L) << i;
}

// The step that reaches or passes the stop time is the last, in either direction.
TEST(GravityStep, TheStepThatReachesTheStopTimeIsTheLast)
{
    for (const auto& [direction, start, dt, stop_time, steps, end] : {std::tuple{1, 10.0L, 2.0L, 15.0L, 3, 16.0L},
                                                                      {2, 10.0L, 2.0L, 5.0L, 3, 4.0L},
                                                                      {1, 0.0L, 0.5L, 2.0L, 4, 2.0L},
                                                                      {2, 0.0L, 0.5L, -2.0L, 4, -2.0L}}) {
        Stepper<> run;
        make_bodies(run.table, run.state, {{.mass = 1}});
        run.state.dt = dt;
        run.state.sim_time = start;
        run.state.stop_time = stop_time;
        run.start(1, direction);
        int taken = 1;
        while (!run.step().stop && taken < 100) ++taken;
        EXPECT_EQ(taken, steps) << "stop time " << static_cast<double>(stop_time);
        EXPECT_EQ(run.state.sim_time, end);
    }
}

// A lone craft of the given mass that runs the given impulse entries, in order.
void make_craft(Stepper<>& run, extended mass, extended dt, std::initializer_list<ImpulseEntry> entries)
{
    make_bodies(run.table, run.state, {{.mass = mass}});
    run.state.dt = dt;
    run.state.impulse_body = 1;
    run.state.impulse_count = static_cast<int>(entries.size());
    run.state.impulse_next = 1;
    int k = 0;
    for (const ImpulseEntry& entry : entries) run.state.impulse_table[++k] = entry;
    run.start();
}

// An entry whose window has passed is skipped; the next burns in the steps that start after its
// start time, up to its end: 100 kg over 5 s at h = 1. An impulse body the table does not hold
// is nobody.
TEST(GravityStep, ThrustBurnsEachEntryInItsWindowOnly)
{
    Stepper<> run;
    make_craft(run, 1000, 1,
               {{.start_time = -50, .duration = 10, .ejected_mass = 999},
                {.start_time = 10, .duration = 5, .ejected_mass = 100, .exhaust_vx = -1000},
                {.start_time = 100, .duration = 1, .ejected_mass = 1}});
    std::vector<int> burning;
    for (int t = 0; t < 20; ++t) {
        const extended before = run.table.mass[1];
        run.step(500);
        if (run.table.mass[1] == before) continue;
        burning.push_back(t);
        EXPECT_EQ(before - run.table.mass[1], 20);
    }
    EXPECT_EQ(burning, (std::vector<int>{11, 12, 13, 14, 15}));
    EXPECT_EQ(run.state.impulse_next, 3);
    EXPECT_GT(run.table.vx[1], 0) << "pushed against the exhaust";
    // The exhaust line starts at the body and runs along the exhaust a tenth of the camera distance.
    EXPECT_DOUBLE_EQ(run.state.exhaust_plume.trail_x[0] - run.state.exhaust_plume.trail_x[1], 50.0);
    run.state.impulse_body = 2;
    run.state.impulse_next = 2;
    run.state.sim_time = 10;
    run.steps(3);
    EXPECT_EQ(run.table.mass[1], 900);
}

TEST(GravityStep, ThrustFollowsTheRocketEquation)
{
    Stepper<> run;
    make_craft(run, 1000, 0.01L, {{.start_time = -0.005L, .duration = 100, .ejected_mass = 600, .exhaust_vz = -3000}});
    run.steps(10000);
    const double m0 = 1000, m1 = 400, dm = 600.0 / 10000;
    EXPECT_NEAR(static_cast<double>(run.table.mass[1]), m1, 1e-9);
    // Each step adds dm u / m with the mass after the step: a Riemann sum of u dm / m that differs
    // from the integral by at most u dm (1/m1 - 1/m0).
    EXPECT_NEAR(static_cast<double>(run.table.vz[1]), 3000 * std::log(m0 / m1), 3000 * dm * (1 / m1 - 1 / m0));
}

// Run backward inside a burn's window, the thrust takes back what it gave, 1 kg a step. The speed
// it gave forward is u / m for the masses after each step, 950..999; backward it takes u / m for
// 951..1000: all but the first and the last cancel.
TEST(GravityStep, ABackwardRunGivesTheMassBack)
{
    Stepper<> run;
    make_craft(run, 1000, 1, {{.start_time = -100, .duration = 200, .ejected_mass = 200, .exhaust_vx = -300}});
    run.steps(50);
    ASSERT_EQ(run.table.mass[1], 950);
    run.state.stop_time = -1e99L;
    run.start(1, 2);
    run.steps(50);
    EXPECT_EQ(run.table.mass[1], 1000);
    EXPECT_NEAR(static_cast<double>(run.table.vx[1]), 300 * (1 / 950.0 - 1 / 1000.0), 1e-15);
}

TEST(Energy, KineticPlusPotentialTheSameForAnyNumberOfWorkers)
{
    BodyTable table;
    SimulationState state;
    make_bodies(table, state, {{.vx = 3, .mass = 2}, {.x = 4, .vy = -1, .mass = 6}});
    EXPECT_EQ(total_energy(table, 0.5L), 2 * 9 / 2 + 6 * 1 / 2 - 0.5L * 2 * 6 / 4);
    test::make_cluster(table, state, 300, 9);
    const extended one = total_energy(table, 1);
    for (const int threads : {0, 2, 5}) EXPECT_TRUE(test::same_bits(total_energy(table, 1, threads), one)) << threads;
}

}  // namespace
}  // namespace orbilan
