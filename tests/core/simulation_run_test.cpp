// SPDX-License-Identifier: GPL-3.0-or-later
#include <array>
#include <chrono>
#include <ctime>
#include <functional>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "sim/simulation_run.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

using namespace std::chrono_literals;

// What the simulation thread reports; read once the thread is joined.
struct Recorder : RunObserver {
    void on_mass_error() override
    {
        if (during_mass_error) during_mass_error();
        ++mass_errors;
    }
    void on_body_deleted(int k) override { deleted.push_back(k); }
    void on_run_end(RunEnd why) override
    {
        if (at_end) at_end();
        ends.push_back(why);
    }

    int mass_errors = 0;
    std::vector<int> deleted;
    std::vector<RunEnd> ends;
    std::function<void()> during_mass_error, at_end;
};

using LogLines = std::vector<std::array<extended, 4>>;

// A log kept in memory that fails at a given line, as a full disk would.
struct MemoryLog : RunLog {
    LogLines& lines;
    int fail_at_line;
    bool& closed;
    std::string failed;

    MemoryLog(LogLines& to, int fail_at, bool& closed_flag) : lines(to), fail_at_line(fail_at), closed(closed_flag) {}
    bool write_line(extended time, extended a, extended b, extended c) override
    {
        if (static_cast<int>(lines.size()) + 1 == fail_at_line) failed = "the disk is full";
        if (failed.empty()) lines.push_back({time, a, b, c});
        return failed.empty();
    }
    bool close() override { return closed = true, failed.empty(); }
    const std::string& failure() const override { return failed; }
};

struct RunFixture : ::testing::Test {
    BodyTable table;
    SimulationState state;
    Recorder recorder;
    SimulationRun run{table, state, recorder};

    RunFixture() { state.stop_time = 1e99L; }  // a run goes on until something else ends it
    void run_to_end(RunDirection direction, RunOptions options)
    {
        ASSERT_TRUE(run.start(direction, std::move(options)));
        run.join();
    }
};

// The bodies and the time after `steps` steps taken one after the other on this thread.
template <typename Real>
std::pair<BodyTable, extended> stepped(const BodyTable& bodies, const SimulationState& state, int steps)
{
    test::Stepper<Real> run(bodies, state);
    run.start();
    run.steps(steps);
    return {convert_table<extended>(run.table), run.state.sim_time};
}

// Stopped at some step and resumed with other thread counts, a run of merging bodies continues
// exactly as steps taken one after the other on one thread: sums shared among threads give the same
// bits. In double precision too, where the run works on a copy of the bodies and hands them back.
TEST_F(RunFixture, PauseAndResumeContinueTheSameTrajectory)
{
    for (const Precision precision : {Precision::extended, Precision::double_precision}) {
        test::make_cluster(table, state, 90, 5, 2e3);
        state.collision_mode = 255;
        const BodyTable start = table;
        const SimulationState start_state = state;
        ASSERT_TRUE(run.start(RunDirection::forward, {.threads = 2, .precision = precision, .log = nullptr}));
        while (run.steps_done() < 50) std::this_thread::yield();
        run.join(true);
        const int steps = static_cast<int>(run.steps_done()) + 300;
        run_to_end(RunDirection::forward, {.threads = 3, .precision = precision, .max_steps = 300, .log = nullptr});
        EXPECT_EQ(recorder.ends.back(), RunEnd::step_limit);
        const auto [bodies, sim_time] = precision == Precision::extended ? stepped<extended>(start, start_state, steps)
                                                                         : stepped<double>(start, start_state, steps);
        EXPECT_TRUE(test::same_bodies(table, bodies)) << static_cast<int>(precision);
        EXPECT_TRUE(test::same_bits(state.sim_time, sim_time));
        EXPECT_EQ(recorder.deleted.size(), static_cast<std::size_t>(90 - table.body_count));
        recorder.deleted.clear();
    }
}

// Free bodies at x = i moving at 1 m/s with h = 1/2: every coordinate is exact, so a snapshot from
// the middle of a step would show bodies that disagree with its time. A reader gets a step taken
// after it asked, never an older one, with what it posted before applied.
TEST_F(RunFixture, ReadersSeeWholeStepsTakenAfterTheyAsk)
{
    allocate_body_table(table, state, 64);
    for (int i = 1; i <= 64; ++i) table.x[i] = i, table.vx[i] = 1, table.mass[i] = 1, table.density[i] = 1;
    state.dt = 0.5L;
    ASSERT_TRUE(run.start(RunDirection::forward, RunOptions{}));
    EXPECT_FALSE(run.start(RunDirection::forward, RunOptions{})) << "one run at a time";
    BodySnapshot snapshot;
    std::set<extended> times;
    for (const auto until = std::chrono::steady_clock::now() + 300ms; std::chrono::steady_clock::now() < until;) {
        const long long asked_at = run.steps_done();
        run.read_snapshot(snapshot);
        ASSERT_GE(snapshot.steps, asked_at);
        ASSERT_EQ(snapshot.body_count, 64);
        for (int i = 1; i <= 64; ++i) ASSERT_EQ(snapshot.x[i] - i, snapshot.sim_time) << "body " << i;
        ASSERT_EQ(snapshot.sim_time, snapshot.steps * 0.5L);
        times.insert(snapshot.sim_time);
    }
    run.post({RunCommand::Kind::reset_time});
    run.read_snapshot(snapshot);
    EXPECT_LE(snapshot.sim_time, 0.5L) << "at most one step after the clock was reset";
    run.join(true);
    EXPECT_GT(times.size(), 2u) << "the reader should have seen the run progress";
}

// A thrust that leaves the body no mass (here exactly 0 in the second step) ends the run; the
// thread waits while the user reads the box, and a command given meanwhile, during the run's
// last step, still takes effect.
TEST_F(RunFixture, MassErrorWaitsForTheUserThenEndsTheRun)
{
    test::make_bodies(table, state, {{.mass = 10}});
    state.dt = 1;
    state.impulse_body = state.impulse_count = state.impulse_next = 1;
    state.impulse_table[1] = {.start_time = -1, .duration = 4, .ejected_mass = 20, .exhaust_vx = 1};
    recorder.during_mass_error = [&] {
        std::this_thread::sleep_for(20ms);
        run.post({RunCommand::Kind::reset_time});
    };
    run_to_end(RunDirection::forward, RunOptions{});
    EXPECT_EQ(recorder.mass_errors, 1);
    EXPECT_EQ(recorder.ends, std::vector<RunEnd>{RunEnd::mass_error});
    EXPECT_EQ(run.steps_done(), 2);
    EXPECT_EQ(table.mass[1], 0);
    EXPECT_EQ(state.sim_time, 0) << "the time reset during the last step was lost";
}

// A body at x = 1 + t in free flight (G = 0), or at rest 2 m from a body of G m = 4, which pulls it
// at -1 m/s2 in the first step, either way in time: a line every log_every steps of the mode's
// values, forward and backward, the log closed before the end is announced. A log that fails (a full disk) ends a run
// that would otherwise go on for ever; the next run starts with a clean slate.
TEST_F(RunFixture, LogLinesFollowTheModeTheBodyAndTheDirection)
{
    struct Case {
        const char* what;
        LogMode log_mode;
        int log_body, log_every;
        RunDirection direction;
        extended grav_constant, stop_time;
        LogLines lines;
        int fail_at_line = 0;
        RunEnd end = RunEnd::stop_time;
    };
    constexpr RunDirection fwd = RunDirection::forward, back = RunDirection::backward;
    const Case cases[] = {
        {"full disk", LogMode::position, 1, 1, fwd, 0, 1e99L, {{1, 2, 0, 0}, {2, 3, 0, 0}}, 3, RunEnd::log_failed},
        {"position", LogMode::position, 1, 10, fwd, 0, 34.5L, {{10, 11, 0, 0}, {20, 21, 0, 0}, {30, 31, 0, 0}}},
        {"backward", LogMode::position, 1, 2, back, 0, -5, {{-2, -1, 0, 0}, {-4, -3, 0, 0}}},
        {"acceleration", LogMode::acceleration, 2, 1, fwd, 1, 1, {{1, -1, 0, 0}}},
        {"pulled backward", LogMode::position, 2, 1, back, 1, -1, {{-1, 99, 0, 0}}},
        {"no such mode", LogMode{3}, 1, 1, fwd, 0, 5, {}},
        {"no such body", LogMode::position, 4, 1, fwd, 0, 5, {}},
    };
    for (const Case& c : cases) {
        state = SimulationState{};
        test::make_bodies(table, state, {{.x = 1, .vx = 1, .mass = 0}, {.x = 100, .mass = 0}, {.x = 98, .mass = 4}});
        state.dt = 1;
        state.grav_constant = c.grav_constant;
        state.stop_time = c.stop_time;
        state.log_mode = c.log_mode;
        state.log_body = c.log_body;
        state.log_every = c.log_every;
        LogLines lines;
        bool closed = false, closed_before_the_end = false;
        recorder.at_end = [&] { closed_before_the_end = closed; };
        run_to_end(c.direction, {.log = std::make_unique<MemoryLog>(lines, c.fail_at_line, closed)});
        EXPECT_EQ(recorder.ends.back(), c.end) << c.what;
        EXPECT_EQ(lines, c.lines) << c.what;
        EXPECT_TRUE(closed_before_the_end) << c.what;
        EXPECT_EQ(run.log_failure(), c.fail_at_line ? "the disk is full" : "") << c.what;
    }
}

double process_cpu_seconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// At 2 simulated seconds per second, 5 s of steps of 0.01 s take 2.5 s of wall time, with a reader
// looking in as a view does; the processor stays free meanwhile.
TEST_F(RunFixture, PacedRunKeepsItsPaceAndLeavesTheProcessorIdle)
{
    test::make_bodies(table, state, {{.vx = 1, .mass = 1}, {.x = 10, .mass = 1}});
    state.dt = 0.01L;
    state.stop_time = 5;
    run.set_pace(2);
    const double cpu_before = process_cpu_seconds();
    const auto wall_before = std::chrono::steady_clock::now();
    ASSERT_TRUE(run.start(RunDirection::forward, {.threads = 1, .log = nullptr}));
    BodySnapshot snapshot;
    extended last_seen = 0;
    while (run.active()) {
        run.read_snapshot(snapshot);
        ASSERT_GE(snapshot.sim_time, last_seen);
        last_seen = snapshot.sim_time;
        std::this_thread::sleep_for(20ms);
    }
    run.join();
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_before;
    const double cpu = process_cpu_seconds() - cpu_before;
    EXPECT_EQ(recorder.ends.back(), RunEnd::stop_time);
    EXPECT_NEAR(wall.count(), 2.5, 2.5 * 0.05);
    EXPECT_LT(cpu, 0.1 * wall.count()) << "the run should sleep between its steps";
}

// A step due in 100 s neither delays a reader nor STOP, and a pace of 0 runs free again.
TEST_F(RunFixture, PacedRunServesReadersAndStopsWhileItWaits)
{
    test::make_bodies(table, state, {{.vx = 1, .mass = 1}});
    state.dt = 1;
    state.stop_time = 1e99L;
    run.set_pace(0.01);
    ASSERT_TRUE(run.start(RunDirection::forward, {.threads = 1, .log = nullptr}));
    const auto asked = std::chrono::steady_clock::now();
    BodySnapshot snapshot;
    run.read_snapshot(snapshot);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 50ms) << "a reader waited for the pace";
    EXPECT_EQ(snapshot.sim_time, 1);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(run.steps_done(), 1) << "the second step came before its time";
    run.post({RunCommand::Kind::reset_time});
    run.read_snapshot(snapshot);
    EXPECT_EQ(snapshot.sim_time, 0) << "a command waited for the pace";
    run.set_pace(0);
    while (run.steps_done() < 1000) std::this_thread::yield();
    run.set_pace(0.01);
    std::this_thread::sleep_for(20ms);
    const auto stopped = std::chrono::steady_clock::now();
    run.join(true);
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 50ms) << "STOP waited for the pace";
}

}  // namespace
}  // namespace orbilan
