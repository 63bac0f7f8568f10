// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "sim/collisions.h"
#include "sim/energy.h"
#include "sim/force_workers.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using test::make_bodies;
using test::Stepper;

// The pair terms and their sums keep the 80-bit precision: the accelerations lie as close to the
// same sums done term by term as G m d / (r r r) as rounding allows, in units of the 80-bit epsilon
// times the sum of the terms' magnitudes (measured: below 1 at 400 bodies).
TEST(GravityStep, SumsKeepTheirPrecision)
{
    Stepper<> run;
    test::make_cluster(run.table, run.state, 400, 21);
    run.start();
    compute_accelerations(run.table, run.work, false);
    const BodyTable& t = run.table;
    for (int i = 1; i <= t.body_count; ++i) {
        extended by_term = 0, scale = 0;
        for (int j = 1; j <= t.body_count; ++j) {
            if (j == i) continue;
            const extended dx = t.x[j] - t.x[i], dy = t.y[j] - t.y[i], dz = t.z[j] - t.z[i];
            const extended r2 = dx * dx + dy * dy + dz * dz;
            by_term += run.work.gm[j] * dx / (r2 * std::sqrt(r2));
            scale += run.work.gm[j] / r2;
        }
        ASSERT_LT(std::fabs(run.work.ax[i] - by_term), 4 * scale * std::numeric_limits<extended>::epsilon()) << i;
    }
}

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
// Euler is conjugate to a second-order method, so over a whole period it misses by O(h^2).
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
    EXPECT_NEAR(circular_orbit_miss<double>(20000), coarse, 1e-9);
}

// A lone craft of the given mass that runs the given impulse entries, in order.
void make_craft(Stepper<>& run, extended mass, extended dt, std::initializer_list<ImpulseEntry> entries)
{
    make_bodies(run.table, run.state, {{.mass = mass}});
    run.state.dt = dt;
    run.state.impulse_body = run.state.impulse_next = 1;
    run.state.impulse_count = static_cast<int>(entries.size());
    int k = 0;
    for (const ImpulseEntry& entry : entries) run.state.impulse_table[++k] = entry;
    run.start();
}

// An entry whose window has passed is skipped; the next burns in the steps that start after its
// start time, up to its end: 100 kg over 5 s at h = 1; the one after it burns from there on. Each
// step of a burn gives the craft u dm / m against the exhaust, m its mass after that step (here
// 980, 960, ..., 900 kg). An impulse body the table does not hold is nobody.
TEST(GravityStep, ThrustBurnsEachEntryInItsWindowOnly)
{
    Stepper<> run;
    make_craft(run, 1000, 1,
               {{.start_time = -50, .duration = 10, .ejected_mass = 999},
                {.start_time = 10, .duration = 5, .ejected_mass = 100, .exhaust_vx = -1000},
                {.start_time = 15, .duration = 1, .ejected_mass = 20}});
    std::vector<int> burning;
    for (int t = 0; t < 20; ++t) {
        const extended before = run.table.mass[1];
        run.step(500);
        if (run.table.mass[1] != before) burning.push_back(t);
    }
    EXPECT_EQ(burning, (std::vector<int>{11, 12, 13, 14, 15, 16}));
    EXPECT_EQ(run.state.impulse_next, 4);
    EXPECT_NEAR(static_cast<double>(run.table.vx[1]),
                1000 * 20 * (1 / 980.0 + 1 / 960.0 + 1 / 940.0 + 1 / 920.0 + 1 / 900.0), 1e-12);
    // The exhaust line starts at the body and runs along the exhaust a tenth of the camera distance.
    EXPECT_DOUBLE_EQ(run.state.exhaust_plume.trail_x[0] - run.state.exhaust_plume.trail_x[1], 50.0);
    run.state.impulse_body = 2;
    run.state.impulse_next = 2;
    run.state.sim_time = 10;
    run.steps(3);
    EXPECT_EQ(run.table.mass[1], 880);
}

// Run backward inside a burn's window, the thrust takes back what it gave, 1 kg a step. The speed
// it gave forward is u / m for the masses after each step, 950..999; backward it takes u / m for
// 951..1000: all but the first and the last cancel.
TEST(GravityStep, ABackwardRunGivesTheMassBack)
{
    Stepper<> run;
    make_craft(run, 1000, 1, {{.start_time = -100, .duration = 200, .ejected_mass = 200, .exhaust_vz = -300}});
    run.steps(50);
    ASSERT_EQ(run.table.mass[1], 950);
    run.state.stop_time = -1e99L;
    run.start(1, RunDirection::backward);
    run.steps(50);
    EXPECT_EQ(run.table.mass[1], 1000);
    EXPECT_NEAR(static_cast<double>(run.table.vz[1]), 300 * (1 / 950.0 - 1 / 1000.0), 1e-15);
}

// Also when summed a row at a time, as a window spreads it over frames.
TEST(Energy, KineticPlusPotentialTheSameForAnyNumberOfWorkers)
{
    BodyTable table;
    SimulationState state;
    make_bodies(table, state, {{.vx = 3, .mass = 2}, {.x = 4, .vy = -1, .mass = 6}});
    EXPECT_EQ(total_energy(table, 0.5L), 2 * 9 / 2 + 6 * 1 / 2 - 0.5L * 2 * 6 / 4);
    test::make_cluster(table, state, 300, 9);
    const extended one = total_energy(table, 1);
    for (const int threads : {0, 2, 5}) EXPECT_TRUE(test::same_bits(total_energy(table, 1, threads), one)) << threads;
    EnergySum sum;
    int rows = 1;
    while (!add_energy_row(sum, table, 1)) ++rows;
    EXPECT_EQ(rows, 300);
    EXPECT_TRUE(test::same_bits(summed_energy(sum), one));
}

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
        EXPECT_EQ(merge_bodies(t, 1, 2), heavier_first ? 2 : 1);
        ASSERT_EQ(t.body_count, 1);
        EXPECT_EQ(t.name[1], heavier_first ? "body 1" : "body 2");
        EXPECT_EQ(std::tuple(t.x[1], t.vx[1], t.mass[1], t.density[1]), std::tuple(3, 0, 40, 2000));
        EXPECT_NEAR(t.radius[1], sphere_radius(40, 2000), 1e-15);
        make_bodies(t, s, {light, light});
        EXPECT_EQ(merge_bodies(t, 1, 2), 1);
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
// move down.
TEST(Collisions, OnePairMergesPerStepTheFirstOneFirst)
{
    Stepper<> run;
    make_bodies(run.table, run.state, {{.x = 0}, {.x = 100}, {.x = 100.1L, .mass = 2}, {.x = 100.2L}});
    EXPECT_EQ(step_with_collisions(run).removed_body, 2);
    EXPECT_EQ(step_with_collisions(run).removed_body, 3);
    EXPECT_EQ(run.table.mass[2], 4);
    EXPECT_EQ(run.table.x.size(), 3u);
    EXPECT_FALSE(delete_body(run.table, 3)) << "no such body";
}

// Whichever member of a team finds a touching pair, the first pair of the whole table merges, as
// when one thread does all the sums.
TEST(Collisions, ATeamMergesTheSamePairsAsOneThread)
{
    std::vector<int> removed[2];
    for (const int threads : {1, 2}) {
        Stepper<> run;
        test::make_cluster(run.table, run.state, 1000, 7, 200);  // radii of about 0.1: many spheres touch
        run.state.collision_mode = 255;
        run.work.parallel_min_bodies = 16;
        run.start(threads);
        for (int k = 0; k < 6; ++k) removed[threads - 1].push_back(run.step().removed_body);
    }
    EXPECT_EQ(removed[0], removed[1]);
    EXPECT_EQ(std::count(removed[1].begin(), removed[1].end(), 0), 0) << "a merge in every step";
}

// Feeds the choice the times of a machine where a shared call takes shared(k) seconds and one done
// alone `alone`, and counts the calls that were shared.
template <typename Shared>
int shared_calls(TeamChoice& choice, Shared shared, double alone, int calls)
{
    int count = 0;
    for (int k = 0; k < calls; ++k) {
        const bool share = choice.shared();
        count += share;
        choice.record(share ? shared(k) : alone);
    }
    return count;
}

// The team is used while it is faster and left while it is slower; the other choice costs only
// the rare probe, and a change of the machine is noticed.
TEST(TeamChoice, FollowsTheFasterChoiceAndSeldomTriesTheOther)
{
    TeamChoice choice;
    const auto fast = [](int) { return 0.6; };
    const auto slow = [](int) { return 1.5; };
    EXPECT_GE(shared_calls(choice, fast, 1.0, 4000), 4000 * 95 / 100) << "two cores for the team";
    // Another program takes a core: sharing becomes slower than working alone.
    shared_calls(choice, slow, 1.0, 3000);
    EXPECT_LE(shared_calls(choice, slow, 1.0, 4000), 4000 * 5 / 100);
    shared_calls(choice, fast, 1.0, 3000);
    EXPECT_GE(shared_calls(choice, fast, 1.0, 4000), 4000 * 95 / 100) << "the core is free again";
    // One shared call in ten waits for a member another program holds and takes eight times as
    // long: most shared calls are faster, but sharing is slower on the whole.
    TeamChoice waits;
    const auto now_and_then_slow = [](int k) { return k % 10 == 0 ? 4.8 : 0.6; };
    EXPECT_LT(shared_calls(waits, now_and_then_slow, 1.0, 8000), 8000 / 4);
}

// A probe that wakes helpers on a busy core can cost a million times the calls done alone; the
// probes then become rare, but they never stop, so a core that is freed again is still found.
TEST(TeamChoice, KeepsProbingAfterVeryCostlyProbes)
{
    TeamChoice choice;
    shared_calls(
        choice, [](int) { return 1.0; }, 1e-6, 100000);
    ASSERT_FALSE(choice.shared());
    shared_calls(
        choice, [](int) { return 1e-7; }, 1e-6, 3000000);
    EXPECT_TRUE(choice.shared()) << "no probe in three million calls";
}

}  // namespace
}  // namespace orbilan
