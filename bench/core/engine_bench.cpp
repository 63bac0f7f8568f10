// SPDX-License-Identifier: GPL-3.0-or-later
// Engine speed and memory: ORBILAN's step against a double-precision stepper of the usual shape,
// the force sums against the kernel they replaced, the run loop against the bare step, and the
// peak memory of a 20,000-body run. Things compared run interleaved, and medians are reported.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include <benchmark/benchmark.h>

#include "files/log_writer.h"
#include "peer_stepper.h"
#include "sim/gravity_step.h"
#include "sim/simulation_run.h"
#include "triangle_reference.h"

namespace orbilan {
namespace {

// The same bodies for every contender: a unit cube of equal masses, G = 1, dt = 1e-4.
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
    state.dt = 1e-4L;
    state.grav_constant = 1;
    state.stop_time = 1e99L;
    state.run_direction = RunDirection::forward;
}

std::vector<bench::Particle> particles_of(const BodyTable& t)
{
    std::vector<bench::Particle> p;
    for (int i = 1; i <= t.body_count; ++i)
        p.push_back({static_cast<double>(t.x[i]), static_cast<double>(t.y[i]), static_cast<double>(t.z[i]),
                     static_cast<double>(t.vx[i]), static_cast<double>(t.vy[i]), static_cast<double>(t.vz[i]), 0, 0, 0,
                     static_cast<double>(t.mass[i])});
    return p;
}

int all_threads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

// Something timed: `reset` puts it back at the start (not timed), `step` runs one step.
struct Contender {
    std::function<void()> reset;
    std::function<void()> step;
    std::vector<double> samples;  // seconds per step, one per round
    long long steps = 0;          // all the steps it made, warming up included
};

// About ten milliseconds of the yardstick per sample, at least one step.
long long steps_per_sample(int n) { return std::max(1LL, 2'000'000LL / (static_cast<long long>(n) * n)); }

// Runs the contenders one after the other, round after round, each for the same number of steps,
// and returns the median time per step of each.
std::vector<double> interleaved_medians(std::vector<Contender>& contenders, int n, int rounds)
{
    // First a run in progress: up to 64 steps or 0.3 s each, which lets the workers settle on
    // sharing or not as they do in a long run.
    for (Contender& c : contenders) {
        c.reset();
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        for (int k = 0; k < 64 && std::chrono::steady_clock::now() < until; ++k, ++c.steps) c.step();
    }
    const long long steps = steps_per_sample(n);
    for (int round = 0; round < rounds; ++round)
        for (Contender& c : contenders) {
            c.reset();
            const auto start = std::chrono::steady_clock::now();
            for (long long k = 0; k < steps; ++k) c.step();
            c.steps += steps;
            const auto end = std::chrono::steady_clock::now();
            c.samples.push_back(std::chrono::duration<double>(end - start).count() / static_cast<double>(steps));
        }
    std::vector<double> medians;
    for (Contender& c : contenders) {
        std::sort(c.samples.begin(), c.samples.end());
        medians.push_back(c.samples[c.samples.size() / 2]);
    }
    return medians;
}

template <typename Real>
struct OrbilanStepper {
    BasicBodyTable<Real> start_table;
    SimulationState start_state;
    BasicBodyTable<Real> table;
    SimulationState state;
    BasicStepWorkspace<Real> work;

    OrbilanStepper(const BodyTable& t, const SimulationState& s, int threads)
        : start_table(convert_table<Real>(t)), start_state(s), table(start_table), state(s)
    {
        init_workspace(work, table, threads);
        prepare_step(table, state, work);
    }
    void reset()
    {
        table = start_table;
        state = start_state;
    }
    void step() { gravity_step(table, state, work, 0); }
};

constexpr int ROUNDS = 9;

// Built by appending: GCC 12 at -O3 misreads a chain of + on strings as an overlapping copy.
std::string counter_name(const char* prefix, int threads, const char* suffix)
{
    std::string name = prefix;
    name += std::to_string(threads);
    name += suffix;
    return name;
}

// Time per step against the peer-shaped double stepper, for every thread count from 1 to all, in
// extended and in double precision. Counters: peer_us; t<k>_us and d<k>_us, ORBILAN's time with k
// threads in extended and double precision; ratio_1t and ratio_all (extended), dratio_1t and
// dratio_all (double), against the peer on one and on all threads; eff<k> and deff<k>, the time
// on one thread over k times that on k.
void BM_VsPeer(benchmark::State& bench)
{
    const int n = static_cast<int>(bench.range(0));
    BodyTable table;
    SimulationState state;
    make_cluster(table, state, n);
    const std::vector<bench::Particle> start = particles_of(table);
    std::vector<bench::Particle> particles = start;

    const int most = all_threads();
    std::vector<std::unique_ptr<OrbilanStepper<extended>>> extended_steppers;
    std::vector<std::unique_ptr<OrbilanStepper<double>>> double_steppers;
    std::vector<Contender> contenders;
    contenders.push_back({[&] { particles = start; }, [&] { bench::peer_step(particles, 1.0, 1e-4); }, {}});
    for (int threads = 1; threads <= most; ++threads) {
        auto* e =
            extended_steppers.emplace_back(std::make_unique<OrbilanStepper<extended>>(table, state, threads)).get();
        contenders.push_back({[e] { e->reset(); }, [e] { e->step(); }, {}});
        auto* d = double_steppers.emplace_back(std::make_unique<OrbilanStepper<double>>(table, state, threads)).get();
        contenders.push_back({[d] { d->reset(); }, [d] { d->step(); }, {}});
    }

    std::vector<double> medians;
    for (auto _ : bench) medians = interleaved_medians(contenders, n, ROUNDS);
    const double peer = medians[0];
    const auto extended_time = [&](int threads) { return medians[static_cast<std::size_t>(2 * threads - 1)]; };
    const auto double_time = [&](int threads) { return medians[static_cast<std::size_t>(2 * threads)]; };
    bench.counters["peer_us"] = peer * 1e6;
    for (int threads = 1; threads <= most; ++threads) {
        bench.counters[counter_name("t", threads, "_us")] = extended_time(threads) * 1e6;
        bench.counters[counter_name("eff", threads, "")] = extended_time(1) / (threads * extended_time(threads));
        bench.counters[counter_name("d", threads, "_us")] = double_time(threads) * 1e6;
        bench.counters[counter_name("deff", threads, "")] = double_time(1) / (threads * double_time(threads));
    }
    bench.counters["ratio_1t"] = extended_time(1) / peer;
    bench.counters["ratio_all"] = extended_time(most) / peer;
    bench.counters["dratio_1t"] = double_time(1) / peer;
    bench.counters["dratio_all"] = double_time(most) / peer;
}
BENCHMARK(BM_VsPeer)
    ->Arg(10)
    ->Arg(100)
    ->Arg(130)
    ->Arg(1000)
    ->Arg(3000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The double-precision step on one thread with each vector kernel this processor runs, against
// the peer. Counters: peer_us, <kernel>_us and <kernel>_ratio.
void BM_LaneKernels(benchmark::State& bench)
{
    const int n = static_cast<int>(bench.range(0));
    BodyTable table;
    SimulationState state;
    make_cluster(table, state, n);
    const std::vector<bench::Particle> start = particles_of(table);
    std::vector<bench::Particle> particles = start;
    std::vector<Contender> contenders;
    contenders.push_back({[&] { particles = start; }, [&] { bench::peer_step(particles, 1.0, 1e-4); }, {}});
    std::vector<std::unique_ptr<OrbilanStepper<double>>> steppers;
    std::vector<const char*> names;
    for (const LaneKernelChoice& choice : lane_kernels()) {
        if (!choice.runs_here) continue;
        auto* d = steppers.emplace_back(std::make_unique<OrbilanStepper<double>>(table, state, 1)).get();
        d->work.scratch.kernel = choice.kernel;
        names.push_back(choice.kernel->name);
        contenders.push_back({[d] { d->reset(); }, [d] { d->step(); }, {}});
    }
    std::vector<double> medians;
    for (auto _ : bench) medians = interleaved_medians(contenders, n, ROUNDS);
    bench.counters["peer_us"] = medians[0] * 1e6;
    for (std::size_t k = 0; k < names.size(); ++k) {
        std::string name = names[k];
        bench.counters[name + "_us"] = medians[k + 1] * 1e6;
        bench.counters[name.append("_ratio")] = medians[k + 1] / medians[0];
    }
}
BENCHMARK(BM_LaneKernels)->Arg(10)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One thread's force sums against the kernel they replaced, on the same positions.
// Counters: today_us, reference_us, ratio (today / reference) and calls (of each, for profilers).
void BM_SumsVsReference(benchmark::State& bench)
{
    const int n = static_cast<int>(bench.range(0));
    BodyTable table;
    SimulationState state;
    make_cluster(table, state, n);
    StepWorkspace work;
    init_workspace(work, table, 1);
    prepare_step(table, state, work);
    std::vector<Contender> contenders;
    contenders.push_back({[] {}, [&] { compute_accelerations(table, work, false); }, {}});
    contenders.push_back({[] {}, [&] { bench::triangle_reference_sums(table, work); }, {}});
    std::vector<double> medians;
    for (auto _ : bench) medians = interleaved_medians(contenders, n, ROUNDS);
    bench.counters["today_us"] = medians[0] * 1e6;
    bench.counters["reference_us"] = medians[1] * 1e6;
    bench.counters["ratio"] = medians[0] / medians[1];
    bench.counters["calls"] = static_cast<double>(contenders[0].steps);
}
BENCHMARK(BM_SumsVsReference)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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
        run.start(RunDirection::forward, std::move(options));
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
        run.start(RunDirection::forward, std::move(options));
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
