// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/body_snapshot.h"
#include "sim/body_table.h"
#include "sim/integrator.h"
#include "sim/run_log.h"
#include "sim/simulation_state.h"
#include "sim/step_sampler.h"
#include "sim/sums_exchange.h"

namespace orbilan {

struct StepResult;
struct PaceAnchor;

// not_finite: a position left the finite numbers (reported when the options ask for it); failed:
// the adaptive method met a state that is not finite or a step too small to change the time, or
// the system refused to carry the run on.
enum class RunEnd { stopped, stop_time, mass_error, step_limit, log_failed, not_finite, failed };

// Callbacks from the simulation thread. A GUI hands them on to its own thread.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // The thrust brought the impulse body's mass to zero or below; the thread waits for the
    // return (the GUI shows "Error : mass <= 0" meanwhile). The run ends after this step.
    virtual void on_mass_error() {}
    // A merge removed body k; the snapshot already shows the table without it.
    virtual void on_body_deleted(int /*k*/) {}
    // Last act of the thread: the table, the state and the final snapshot are complete.
    virtual void on_run_end(RunEnd /*why*/) {}
};

// Changes another thread asks for; applied by the simulation thread between two steps.
struct RunCommand {
    enum class Kind { set_collision_mode, scale_radius, reset_radius, reset_time };
    Kind kind;
    int value = 0;        // collision mode, or the body whose radius changes
    double factor = 1.0;  // for scale_radius
};

struct RunOptions {
    int threads = 0;  // force workers; 0 = one per hardware thread
    Precision precision = Precision::extended;
    long long max_steps = -1;  // stop after this many (accepted) steps (-1: no limit)
    // End with RunEnd::not_finite after the first step that leaves a position infinite or NaN
    // (the window keeps showing such a run; a script must not trust it).
    bool end_when_not_finite = false;
    // With the Gauss-Radau method: log lines at every multiple of this many seconds, from the
    // method's own polynomial, instead of every log_every steps (0: by steps).
    extended log_interval = 0;
    double camera_distance = 0;  // sizes the exhaust line
    // Sees the bodies after every sample_every-th step, and its failure ends the run as a failed
    // log does; closed when the run ends.
    std::unique_ptr<StepSampler> sampler = nullptr;
    long long sample_every = 1;
    std::unique_ptr<RunLog> log;  // opened by the caller; closed when the run ends
    // Other processes that run the same steps and share the force sums: they all end at the same
    // step, when one of them is asked to stop or could not write its log.
    SumsExchange* exchange = nullptr;
};

// The tolerance of a Gauss-Radau run: the state's, or the default of the precision.
extended tolerance_in_use(const SimulationState& state, Precision precision);

// Force workers for a run that a window draws while it goes on: one hardware thread is left to the
// drawing, so that neither slows the other.
int workers_beside_a_window();

// One run of the simulation thread over a table and a state that it owns while it is active.
class SimulationRun {
public:
    SimulationRun(BodyTable& table, SimulationState& state, RunObserver& observer);
    ~SimulationRun();  // asks the thread to stop and joins it
    SimulationRun(const SimulationRun&) = delete;
    SimulationRun& operator=(const SimulationRun&) = delete;

    // Starts the thread in the given direction. False if a run is active.
    bool start(RunDirection run_direction, RunOptions options);
    // STOP/PAUSE: the thread finishes the step in progress and ends.
    void stop();
    // How many simulated seconds pass per second of wall time; 0 (the default) runs as fast as the
    // processor allows. The thread keeps the project's step and sleeps between steps to keep the
    // pace; a change takes effect at once, also during a run.
    void set_pace(double simulated_seconds_per_second);
    // True from start() until the thread has announced its end.
    bool active() const { return active_.load(std::memory_order_acquire); }
    // Waits for the thread after it ended (or asks it to end first when stop_first is set).
    void join(bool stop_first = false);

    void post(const RunCommand& command);
    void set_camera_distance(double distance);

    // During a run: the state at the next step boundary, with the commands posted before the call
    // applied, waiting for it at most SNAPSHOT_WAIT (after that, the latest step published).
    // Otherwise the caller owns the table, and out is taken from it.
    void read_snapshot(BodySnapshot& out);

    // How long a reader waits for a step still being computed: far longer than a step of a few
    // thousand bodies, short enough that a window never looks frozen.
    static constexpr std::chrono::milliseconds SNAPSHOT_WAIT{100};

    RunEnd last_end() const { return last_end_; }
    // After a run whose log or sampler could not be written: what failed, naming the file, one line
    // each. Empty otherwise.
    const std::string& log_failure() const { return log_failure_; }
    long long steps_done() const { return steps_done_.load(std::memory_order_relaxed); }
    // After a run that ended with RunEnd::not_finite: the first body whose position is not finite.
    int not_finite_body() const { return not_finite_body_; }
    // Of a Gauss-Radau run: its force evaluations, rejected steps and iterations included.
    long long force_evaluations() const { return force_evaluations_.load(std::memory_order_relaxed); }
    // After a run that ended as failed: why (the adaptive method's state or step, with the time and
    // the body, or the system's refusal to carry on, such as no memory left). Empty otherwise.
    const std::string& failure() const { return failure_; }

private:
    void thread_main(RunOptions options);
    // The loop: commands, a step, its report and its log line, until a reason to end or STOP.
    template <typename Real>
    void run_steps(BasicBodyTable<Real>& bodies, RunOptions& options);
    // The loop of either method: step() takes one step, log(steps_since_line) writes what is due.
    template <typename Real, typename Step, typename Log>
    RunEnd step_loop(BasicBodyTable<Real>& bodies, RunOptions& options, Step&& step, Log&& log);
    template <typename Real>
    void apply_commands(BasicBodyTable<Real>& bodies);
    // A merge (after the snapshot shows it) and the mass error, to the observer.
    template <typename Real>
    void report(const StepResult& step, const BasicBodyTable<Real>& bodies);
    // The bodies to the options' sampler when a sample is due after this many steps.
    template <typename Real>
    bool sample(const BasicBodyTable<Real>& bodies, RunOptions& options, long long steps);
    template <typename Real>
    void publish(bool wait_for_lock, const BasicBodyTable<Real>& bodies);
    // A reader's request: the commands posted before it, then the snapshot.
    template <typename Real>
    void serve_snapshot_request(BasicBodyTable<Real>& bodies);
    // Sleeps until the wall clock catches up with the simulated time covered at the pace, serving
    // readers and commands meanwhile; returns early on STOP or a new pace.
    template <typename Real>
    void keep_pace(BasicBodyTable<Real>& bodies, PaceAnchor& anchor, double covered);
    // Wakes the thread from keep_pace after a change it must see.
    void wake();
    // The last commands, the bodies handed back, the final snapshot and the closed log, then the
    // observer hears of the end.
    template <typename Real>
    void finish(BasicBodyTable<Real>& bodies, RunOptions& options, RunEnd end);

    BodyTable& table_;
    SimulationState& state_;
    RunObserver& observer_;

    std::thread thread_;
    std::atomic<bool> stop_request_{true};
    std::atomic<bool> active_{false};
    std::atomic<bool> snapshot_wanted_{false};
    std::atomic<bool> commands_pending_{false};
    std::atomic<double> camera_distance_{0};
    std::atomic<long long> steps_done_{0};
    std::atomic<long long> force_evaluations_{0};
    std::atomic<double> pace_{0};
    RunEnd last_end_ = RunEnd::stopped;
    int not_finite_body_ = 0;
    std::string log_failure_;
    std::string failure_;

    std::mutex command_mutex_;
    std::vector<RunCommand> commands_;

    // Only for sleeping between paced steps; never held while another lock is taken.
    std::mutex wake_mutex_;
    std::condition_variable wake_up_;

    mutable std::mutex snapshot_mutex_;
    std::condition_variable snapshot_published_;
    std::uint64_t publications_ = 0;
    BodySnapshot published_;
    std::vector<int> deleted_;
    BodyTable sampled_;  // a run in double precision, widened for its sampler
};

}  // namespace orbilan
