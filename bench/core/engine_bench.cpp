// Engine speed and memory: step time by body count and thread count, the run loop against the bare
// step, and the peak memory of a 20,000-body run.
#include <sys/resource.h>

#include <random>
#include <thread>

#include <benchmark/benchmark.h>

#include "files/log_writer.h"
#include "sim/force_workers.h"
#include "sim/gravity_step.h"
#include "sim/simulation_run.h"

namespace orbilan {
namespace {

void make_cluster(BodyTable& table, SimulationState& state, int n)
{
    std::mt19937_64 random(1);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    allocate_body_table(table, state, n);
    for (int i = 1; i <= n; ++i) {
        table.x[i] = unit(random), table.y[i] = unit(random), table.z[i] = unit(random);
        table.vx[i] = 0.01 * unit(random), table.vy[i] = 0.01 * unit(random), table.vz[i] = 0.01 * unit(random);
        table.mass[i] = 1;
        table.density[i] = 1e9;
        table.radius[i] = sphere_radius(1, 1e9);
    }
    state.dt = 1e-6L;
    state.grav_constant = 1;
    state.stop_time = 1e99L;
    state.run_direction = 1;
}

int all_threads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

void BM_Step(benchmark::State& bench)
{
    BodyTable table;
    SimulationState state;
    make_cluster(table, state, static_cast<int>(bench.range(0)));
    StepWorkspace work;
    const int threads = bench.range(1) == 0 ? 1 : all_threads();
    init_workspace(work, table, threads);
    prepare_step(table, state, work);
    for (auto _ : bench) gravity_step(table, state, work, 0);
    bench.counters["threads"] = work.workers ? work.workers->size() : 1;
}
// Second argument: 0 = one thread, 1 = all hardware threads.
BENCHMARK(BM_Step)
    ->ArgsProduct({{3, 10, 100, 1000, 5000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

constexpr long long LOOP_STEPS = 200000;

void BM_BareStepN10(benchmark::State& bench)
{
    BodyTable table;
    SimulationState state;
    make_cluster(table, state, 10);
    StepWorkspace work;
    init_workspace(work, table, 1);
    prepare_step(table, state, work);
    for (auto _ : bench)
        for (long long k = 0; k < LOOP_STEPS; ++k) gravity_step(table, state, work, 0);
    bench.SetItemsProcessed(bench.iterations() * LOOP_STEPS);
}
BENCHMARK(BM_BareStepN10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RunLoopN10(benchmark::State& bench)
{
    BodyTable table;
    SimulationState state;
    make_cluster(table, state, 10);
    RunObserver quiet;
    SimulationRun run(table, state, quiet);
    for (auto _ : bench) {
        RunOptions options;
        options.max_steps = LOOP_STEPS;
        run.start(1, std::move(options));
        run.join();
    }
    bench.SetItemsProcessed(bench.iterations() * LOOP_STEPS);
}
BENCHMARK(BM_RunLoopN10)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PeakMemoryRun20000(benchmark::State& bench)
{
    for (auto _ : bench) {
        BodyTable table;
        SimulationState state;
        make_cluster(table, state, 20000);
        RunObserver quiet;
        SimulationRun run(table, state, quiet);
        RunOptions options;
        options.max_steps = 1;
        options.threads = all_threads();
        run.start(1, std::move(options));
        run.join();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    bench.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_PeakMemoryRun20000)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace orbilan

BENCHMARK_MAIN();
