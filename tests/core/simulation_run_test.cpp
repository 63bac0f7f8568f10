#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "files/log_writer.h"
#include "sim/simulation_run.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using namespace std::chrono_literals;

// Records what the simulation thread reports and lets a test wait for the end of a run.
class Recorder : public RunObserver {
public:
    void on_mass_error() override
    {
        std::this_thread::sleep_for(20ms);  // the user reading the box
        mass_errors++;
    }
    void on_body_deleted(int k, bool) override
    {
        std::lock_guard lock(mutex_);
        deleted.push_back(k);
    }
    void on_run_end(RunEnd why) override
    {
        if (on_end) on_end();
        std::lock_guard lock(mutex_);
        ends.push_back(why);
        changed_.notify_all();
    }
    void wait_for_ends(std::size_t count)
    {
        std::unique_lock lock(mutex_);
        ASSERT_TRUE(changed_.wait_for(lock, 60s, [&] { return ends.size() >= count; })) << "run did not end";
    }

    std::atomic<int> mass_errors{0};
    std::vector<int> deleted;
    std::vector<RunEnd> ends;
    std::function<void()> on_end;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

struct RunFixture : ::testing::Test {
    BodyTable table;
    SimulationState state;
    Recorder recorder;

    void make_system(int n = 30)
    {
        test::make_cluster(table, state, n, 5);
        state.dt = 1e-3L;
        state.grav_constant = 1;
        state.stop_time = 1e99L;
    }
    void run_steps(SimulationRun& run, long long steps)
    {
        const std::size_t ended = recorder.ends.size();
        RunOptions options;
        options.max_steps = steps;
        ASSERT_TRUE(run.start(1, std::move(options)));
        recorder.wait_for_ends(ended + 1);
        run.join();
    }
};

// Enough bodies for the force sums to be shared; the paused run and its continuation use other
// thread counts than the unbroken one. In double precision too, where the run works on a copy of
// the bodies and hands them back exactly.
TEST_F(RunFixture, PauseAndResumeContinueTheSameTrajectory)
{
    for (const Precision precision : {Precision::extended, Precision::double_precision}) {
        SCOPED_TRACE(precision == Precision::extended ? "extended" : "double");
        make_system(90);
        constexpr long long STEPS = 600;
        BodyTable unbroken_table = table;
        SimulationState unbroken_state = state;
        {
            Recorder quiet;
            SimulationRun unbroken(unbroken_table, unbroken_state, quiet);
            RunOptions options;
            options.max_steps = STEPS;
            options.threads = 1;
            options.precision = precision;
            unbroken.start(1, std::move(options));
            unbroken.join();
        }

        Recorder recorder;
        SimulationRun run(table, state, recorder);
        RunOptions options;
        options.threads = 2;
        options.precision = precision;
        ASSERT_TRUE(run.start(1, std::move(options)));
        while (run.steps_done() < 50) std::this_thread::yield();
        run.stop();
        recorder.wait_for_ends(1);
        run.join();
        const long long first = run.steps_done();
        ASSERT_LT(first, STEPS);
        RunOptions rest;
        rest.max_steps = STEPS - first;
        rest.threads = 3;
        rest.precision = precision;
        ASSERT_TRUE(run.start(1, std::move(rest)));
        recorder.wait_for_ends(2);
        run.join();

        EXPECT_TRUE(test::same_bodies(table, unbroken_table));
        EXPECT_TRUE(test::same_bits(state.sim_time, unbroken_state.sim_time));
        EXPECT_EQ(recorder.ends, (std::vector<RunEnd>{RunEnd::stopped, RunEnd::step_limit}));
    }
}

// Free bodies at x = i moving at 1 m/s with h = 1/2: every coordinate is exact, so a snapshot from
// the middle of a step would show bodies that disagree with its time.
TEST_F(RunFixture, ReadersOnlySeeWholeSteps)
{
    allocate_body_table(table, state, 64);
    for (int i = 1; i <= 64; ++i) {
        table.x[i] = i;
        table.vx[i] = 1;
        table.mass[i] = 1;
        table.density[i] = 1;
    }
    state.dt = 0.5L;
    state.stop_time = 1e99L;
    SimulationRun run(table, state, recorder);
    ASSERT_TRUE(run.start(1, RunOptions{}));
    BodySnapshot snapshot;
    long long distinct = 0;
    extended last_time = -1;
    const auto until = std::chrono::steady_clock::now() + 300ms;
    while (std::chrono::steady_clock::now() < until) {
        run.read_snapshot(snapshot);
        ASSERT_EQ(snapshot.body_count, 64);
        for (int i = 1; i <= 64; ++i) ASSERT_EQ(snapshot.x[i] - i, snapshot.sim_time) << "body " << i;
        ASSERT_EQ(snapshot.sim_time, snapshot.steps * 0.5L);
        if (snapshot.sim_time != last_time) ++distinct;
        last_time = snapshot.sim_time;
    }
    run.stop();
    recorder.wait_for_ends(1);
    run.join();
    EXPECT_GT(distinct, 2) << "the reader should have seen the run progress";
    run.read_snapshot(snapshot);
    EXPECT_EQ(snapshot.sim_time, state.sim_time) << "the last snapshot is the final state";
}

TEST_F(RunFixture, CommandsTakeEffectBetweenSteps)
{
    test::make_bodies(table, state, {{.x = 0}, {.x = 0.5L}, {.x = 40}});
    state.dt = 1e-3L;
    state.stop_time = 1e99L;
    state.selected_body = 3;
    SimulationRun run(table, state, recorder);
    ASSERT_TRUE(run.start(1, RunOptions{}));
    while (run.steps_done() < 10) std::this_thread::yield();
    run.post({RunCommand::Kind::set_collision_mode, 255});
    run.post({RunCommand::Kind::scale_radius, 0, 2.0});
    BodySnapshot snapshot;
    const auto until = std::chrono::steady_clock::now() + 30s;
    do {
        run.read_snapshot(snapshot);
    } while (snapshot.body_count == 3 && std::chrono::steady_clock::now() < until);
    EXPECT_EQ(snapshot.deleted_bodies, std::vector<int>{1});
    run.post({RunCommand::Kind::reset_time});
    run.stop();
    recorder.wait_for_ends(1);
    run.join();

    EXPECT_EQ(table.body_count, 2);
    EXPECT_EQ(recorder.deleted, std::vector<int>{1});
    EXPECT_EQ(state.selected_body, 2) << "the selection was clamped to the new last body";
    EXPECT_EQ(table.radius[2], 2 * sphere_radius(1, 1));
    EXPECT_LT(state.sim_time, 0.1L) << "time was reset during the run";
}

TEST_F(RunFixture, RunEndsAtTheStopTimeWithItsLogComplete)
{
    const auto folder = std::filesystem::temp_directory_path() / "orbilan-run-test";
    std::filesystem::remove_all(folder);
    const auto log_path = folder / "Logs" / "run.txt";
    test::make_bodies(table, state, {{.x = 1, .vx = 1}});
    state.dt = 1;
    state.stop_time = 34.5L;
    state.log_enabled = 1;
    state.log_mode = 2;
    state.log_body = 1;
    state.log_every = 10;
    std::string seen_at_end;
    recorder.on_end = [&] {
        std::ifstream in(log_path, std::ios::binary);
        seen_at_end.assign(std::istreambuf_iterator<char>(in), {});
    };
    SimulationRun run(table, state, recorder);
    RunOptions options;
    options.log = LogWriter::open(log_path, [](const UserMessage&) {});
    ASSERT_TRUE(options.log);
    ASSERT_TRUE(run.start(1, std::move(options)));
    recorder.wait_for_ends(1);
    run.join();

    EXPECT_EQ(recorder.ends, std::vector<RunEnd>{RunEnd::stop_time});
    EXPECT_EQ(run.steps_done(), 35);
    EXPECT_EQ(seen_at_end,
              "1.000E+01 , 1.100000000000E+01 , 0.000000000000E+00 , 0.000000000000E+00\r\n"
              "2.000E+01 , 2.100000000000E+01 , 0.000000000000E+00 , 0.000000000000E+00\r\n"
              "3.000E+01 , 3.100000000000E+01 , 0.000000000000E+00 , 0.000000000000E+00\r\n");
    std::filesystem::remove_all(folder);
}

// A log that cannot be written (a full disk) ends a run that would otherwise go on for ever.
TEST_F(RunFixture, ALogThatFailsEndsTheRun)
{
    test::make_bodies(table, state, {{.x = 1, .vx = 1}});
    state.dt = 1;
    state.stop_time = 1e99L;
    state.log_enabled = 1;
    state.log_mode = 2;
    state.log_body = 1;
    state.log_every = 1;
    SimulationRun run(table, state, recorder);
    RunOptions options;
    options.log = LogWriter::open("/dev/full", [](const UserMessage&) {});
    ASSERT_TRUE(options.log);
    ASSERT_TRUE(run.start(1, std::move(options)));
    recorder.wait_for_ends(1);
    run.join();
    EXPECT_EQ(recorder.ends, std::vector<RunEnd>{RunEnd::log_failed});
    EXPECT_EQ(run.log_failure(), "Cannot write the log file /dev/full (No space left on device)");

    // The next run starts with a clean slate.
    run_steps(run, 3);
    EXPECT_EQ(run.log_failure(), "");
}

TEST_F(RunFixture, MassErrorWaitsForTheUserThenEndsTheRun)
{
    test::make_bodies(table, state, {{.mass = 10}});
    state.dt = 1;
    state.stop_time = 1e99L;
    state.impulse_body = 1;
    state.impulse_count = 1;
    state.impulse_next = 1;
    state.impulse_table[1] = {.start_time = -1, .duration = 2, .ejected_mass = 30, .exhaust_vx = 1};
    SimulationRun run(table, state, recorder);
    ASSERT_TRUE(run.start(1, RunOptions{}));
    recorder.wait_for_ends(1);
    run.join();
    EXPECT_EQ(recorder.mass_errors, 1);
    EXPECT_EQ(recorder.ends, std::vector<RunEnd>{RunEnd::mass_error});
    EXPECT_EQ(run.steps_done(), 1);
    EXPECT_LT(table.mass[1], 0);
}

TEST_F(RunFixture, ClosingDuringARunStopsAndJoinsTheThread)
{
    make_system(400);
    auto run = std::make_unique<SimulationRun>(table, state, recorder);
    RunOptions options;
    options.threads = 2;
    ASSERT_TRUE(run->start(1, std::move(options)));
    EXPECT_FALSE(run->start(1, RunOptions{})) << "only one run at a time";
    while (run->steps_done() < 2) std::this_thread::yield();
    run.reset();
    EXPECT_EQ(recorder.ends, std::vector<RunEnd>{RunEnd::stopped});
}

}  // namespace
}  // namespace orbilan
