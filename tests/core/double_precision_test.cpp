#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "files/project_loader.h"
#include "sim/gravity_step.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

struct DoubleStepper {
    BasicBodyTable<double> table;
    SimulationState state;
    BasicStepWorkspace<double> work;

    DoubleStepper(const BodyTable& bodies, const SimulationState& s) : table(convert_table<double>(bodies)), state(s) {}
    void start(int threads = 1)
    {
        state.run_direction = 1;
        init_workspace(work, table, threads);
        prepare_step(table, state, work);
    }
    void steps(int count)
    {
        for (int k = 0; k < count; ++k) gravity_step(table, state, work, 0);
    }
};

bool same_bits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// The double-precision sums as stated, one term at a time: body b adds the terms of the bodies
// before it in increasing order, and those after it on eight lanes (body j, counted from 0, on lane
// j mod 8) that are added last as ((0+1)+(2+3))+((4+5)+(6+7)).
void stated_sums(const BasicBodyTable<double>& t, double g, std::vector<double>& ax, std::vector<double>& ay,
                 std::vector<double>& az)
{
    const int n = t.body_count;
    std::vector<double> before(3 * (n + 1), 0.0), after(3 * 8 * (n + 1), 0.0);
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j) {
            const double d[3] = {t.x[j] - t.x[i], t.y[j] - t.y[i], t.z[j] - t.z[i]};
            const double r2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
            const double inverse_cube = 1 / (r2 * std::sqrt(r2));
            const double gi = g * t.mass[i], gj = g * t.mass[j];
            for (int k = 0; k < 3; ++k) {
                after[3 * 8 * i + 8 * k + (j - 1) % 8] += gj * inverse_cube * d[k];
                before[3 * j + k] -= gi * inverse_cube * d[k];
            }
        }
    std::vector<double>* out[3] = {&ax, &ay, &az};
    for (int k = 0; k < 3; ++k) out[k]->assign(n + 1, 0.0);
    for (int b = 1; b <= n; ++b)
        for (int k = 0; k < 3; ++k) {
            const double* l = &after[3 * 8 * b + 8 * k];
            (*out[k])[b] = before[3 * b + k] + (((l[0] + l[1]) + (l[2] + l[3])) + ((l[4] + l[5]) + (l[6] + l[7])));
        }
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
    DoubleStepper reference(bodies, state);
    std::vector<double> ax, ay, az;
    stated_sums(reference.table, 1.5, ax, ay, az);
    for (const int threads : {1, 2, 3}) {
        DoubleStepper run(bodies, state);
        run.work.parallel_min_bodies = 16;
        run.start(threads);
        run.work.scratch.kernel = choice.kernel;
        EXPECT_FALSE(compute_accelerations(run.table, run.work, true)) << "no spheres touch";
        EXPECT_TRUE(same_bits(run.work.ax, ax) && same_bits(run.work.ay, ay) && same_bits(run.work.az, az))
            << choice.kernel->name << ", " << threads << " threads";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryBuiltKernel, LaneKernels, ::testing::Range<std::size_t>(0, lane_kernels().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return std::string(lane_kernels()[info.param].kernel->name);
                         });

// Through merges, one thread and several give the same bits, and the first touching pair is the
// same one as in extended precision.
TEST(DoublePrecision, ThreadCountsAgreeThroughMerges)
{
    BodyTable bodies;
    SimulationState state;
    test::make_cluster(bodies, state, 150, 7, 2e3);
    state.dt = 1e-3L;
    state.grav_constant = 1;
    state.collision_mode = 255;
    state.stop_time = 1e99L;
    std::vector<BasicBodyTable<double>> results;
    for (const int threads : {1, 2, 3}) {
        DoubleStepper run(bodies, state);
        run.work.parallel_min_bodies = 16;
        run.start(threads);
        run.steps(40);
        results.push_back(run.table);
    }
    EXPECT_LT(results[0].body_count, 150) << "the cluster should have merged bodies";
    for (std::size_t k = 1; k < results.size(); ++k) {
        EXPECT_EQ(results[k].body_count, results[0].body_count);
        EXPECT_TRUE(same_bits(results[k].x, results[0].x) && same_bits(results[k].vz, results[0].vz)) << k;
    }
}

// The largest difference of positions between the two precisions, relative to the extent of the
// system (or 1 for a lone body).
double position_gap(const BasicBodyTable<double>& d, const BodyTable& e)
{
    extended extent = 0, gap = 0;
    for (int i = 1; i <= e.body_count; ++i)
        for (const auto& [a, b] : {std::pair{d.x[i], e.x[i]}, std::pair{d.y[i], e.y[i]}, std::pair{d.z[i], e.z[i]}}) {
            extent = std::max(extent, std::fabs(b));
            gap = std::max(gap, std::fabs(static_cast<extended>(a) - b));
        }
    return static_cast<double>(gap / (extent > 0 ? extent : 1));
}

// Every sample project, thrust included, for a few steps: double precision follows extended
// precision to double's precision.
TEST(DoublePrecision, SampleProjectsAgreeWithExtendedPrecision)
{
    for (const char* name : {"binary_star.txt", "cluster.txt", "earth_moon_craft.txt", "figure_eight.txt",
                             "pythagorean.txt", "solar_system.txt"}) {
        BodyTable bodies;
        SimulationState state;
        allocate_body_table(bodies, state, 0);
        ASSERT_EQ(read_project_fields(std::filesystem::path(ORBILAN_PROJECTS) / name, ORBILAN_PROJECTS, bodies, state,
                                      [](const UserMessage&) {}),
                  LoadResult::loaded)
            << name;
        state.stop_time = 1e99L;
        state.run_direction = 1;
        BodyTable extended_bodies = bodies;
        SimulationState extended_state = state;
        StepWorkspace work;
        init_workspace(work, extended_bodies, 1);
        prepare_step(extended_bodies, extended_state, work);
        for (int k = 0; k < 20; ++k) gravity_step(extended_bodies, extended_state, work, 0);
        DoubleStepper run(bodies, state);
        run.start();
        run.steps(20);
        ASSERT_EQ(run.table.body_count, extended_bodies.body_count) << name;
        EXPECT_LT(position_gap(run.table, extended_bodies), 1e-12) << name;
    }
}

// A light planet on a circular orbit (G M = 1, r = 1): after one period in 20,000 steps it is back
// within the first-order step's miss, as in extended precision.
TEST(DoublePrecision, CircularOrbitCloses)
{
    BodyTable bodies;
    SimulationState state;
    test::make_bodies(bodies, state, {{.mass = 1}, {.x = 1, .vy = 1, .mass = 1e-20L}});
    constexpr int STEPS = 20000;
    state.dt = 2 * static_cast<extended>(PI) / STEPS;
    state.grav_constant = 1;
    state.stop_time = 1e99L;
    DoubleStepper run(bodies, state);
    run.start();
    run.steps(STEPS);
    const double h = 2 * PI / STEPS;
    EXPECT_LT(std::hypot(run.table.x[2] - run.table.x[1] - 1, run.table.y[2] - run.table.y[1]), 10 * h * h);
}

}  // namespace
}  // namespace orbilan
