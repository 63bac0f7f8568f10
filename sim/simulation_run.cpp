// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/simulation_run.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <type_traits>

#include "sim/force_workers.h"
#include "sim/gauss_radau.h"
#include "sim/gravity_step.h"

namespace orbilan {

extended tolerance_in_use(const SimulationState& state, Precision precision)
{
    if (state.tolerance > 0) return state.tolerance;
    return precision == Precision::double_precision ? default_tolerance<double>() : default_tolerance<extended>();
}

int workers_beside_a_window() { return std::max(1, thread_count(0) - 1); }

SimulationRun::SimulationRun(BodyTable& table, SimulationState& state, RunObserver& observer)
    : table_(table), state_(state), observer_(observer)
{
}

SimulationRun::~SimulationRun() { join(true); }

bool SimulationRun::start(RunDirection run_direction, RunOptions options)
{
    if (active()) return false;
    if (thread_.joinable()) thread_.join();
    state_.run_direction = run_direction;
    deleted_.clear();
    deleted_.reserve(static_cast<std::size_t>(table_.body_count));
    steps_done_.store(0, std::memory_order_relaxed);
    force_evaluations_.store(0, std::memory_order_relaxed);
    log_failure_.clear();
    failure_.clear();
    camera_distance_.store(options.camera_distance, std::memory_order_relaxed);
    publish(true, table_);
    stop_request_.store(false, std::memory_order_relaxed);
    active_.store(true, std::memory_order_release);
    thread_ = std::thread(&SimulationRun::thread_main, this, std::move(options));
    return true;
}

void SimulationRun::stop()
{
    stop_request_.store(true, std::memory_order_relaxed);
    wake();
}

void SimulationRun::set_pace(double simulated_seconds_per_second)
{
    pace_.store(std::isfinite(simulated_seconds_per_second) ? std::max(0.0, simulated_seconds_per_second) : 0.0,
                std::memory_order_relaxed);
    wake();
}

void SimulationRun::wake()
{
    // Taken so that the change is seen either before the thread sleeps or by its wake-up.
    {
        std::lock_guard lock(wake_mutex_);
    }
    wake_up_.notify_all();
}

void SimulationRun::join(bool stop_first)
{
    if (stop_first) stop();
    if (thread_.joinable()) thread_.join();
}

void SimulationRun::set_camera_distance(double distance)
{
    camera_distance_.store(distance, std::memory_order_relaxed);
}

namespace {

template <typename Real>
void apply_command(BasicBodyTable<Real>& table, SimulationState& state, const RunCommand& command)
{
    switch (command.kind) {
    case RunCommand::Kind::set_collision_mode: state.collision_mode = static_cast<std::uint8_t>(command.value); break;
    case RunCommand::Kind::scale_radius:
        if (const int k = command.value; is_body(table, k)) table.radius[k] *= command.factor;
        break;
    case RunCommand::Kind::reset_radius:
        if (const int k = command.value; is_body(table, k))
            table.radius[k] = sphere_radius(table.mass[k], table.density[k]);
        break;
    case RunCommand::Kind::reset_time: state.sim_time = 0; break;
    }
}

}  // namespace

void SimulationRun::post(const RunCommand& command)
{
    std::lock_guard lock(command_mutex_);
    // Without a run the caller's thread owns the table. The thread drains the queue and clears
    // active_ under this lock, so a command is either queued in time or applied here.
    if (!active()) {
        apply_command(table_, state_, command);
        return;
    }
    commands_.push_back(command);
    commands_pending_.store(true, std::memory_order_release);
    wake();
}

// The caller holds command_mutex_.
template <typename Real>
void SimulationRun::apply_commands(BasicBodyTable<Real>& bodies)
{
    for (const RunCommand& command : commands_) apply_command(bodies, state_, command);
    commands_.clear();
    commands_pending_.store(false, std::memory_order_relaxed);
}

template <typename Real>
void SimulationRun::publish(bool wait_for_lock, const BasicBodyTable<Real>& bodies)
{
    std::unique_lock lock(snapshot_mutex_, std::defer_lock);
    if (wait_for_lock)
        lock.lock();
    else if (!lock.try_lock())
        return;  // a reader is copying; the request stays and the next step serves it
    snapshot_wanted_.store(false, std::memory_order_relaxed);
    take_snapshot(bodies, state_, published_);
    published_.steps = steps_done_.load(std::memory_order_relaxed);
    published_.deleted_bodies = deleted_;
    ++publications_;
    lock.unlock();
    snapshot_published_.notify_all();
}

template <typename Real>
void SimulationRun::serve_snapshot_request(BasicBodyTable<Real>& bodies)
{
    if (commands_pending_.load(std::memory_order_acquire)) {
        std::lock_guard lock(command_mutex_);
        apply_commands(bodies);
    }
    publish(false, bodies);
}

void SimulationRun::read_snapshot(BodySnapshot& out)
{
    if (!active()) {
        take_snapshot(table_, state_, out);
        return;
    }
    std::unique_lock lock(snapshot_mutex_);
    const std::uint64_t seen = publications_;
    // Release: a command posted before this request is pending when the thread sees the request.
    snapshot_wanted_.store(true, std::memory_order_release);
    wake();
    snapshot_published_.wait_for(lock, SNAPSHOT_WAIT, [&] { return publications_ != seen || !active(); });
    out = published_;
}

void SimulationRun::thread_main(RunOptions options)
{
    try {
        if (options.precision == Precision::double_precision) {
            BasicBodyTable<double> bodies = convert_table<double>(table_);
            run_steps(bodies, options);
        } else {
            run_steps(table_, options);
        }
    } catch (const std::exception& error) {
        // The thread must end as a run does, or the program would abort: the table keeps the last
        // whole step it holds, and the user hears why the run stopped.
        failure_ = std::string("The run stopped: ") + error.what();
        // The other processes of a shared run do not fail with this one; they must not wait for it.
        if (options.exchange) options.exchange->abandon(failure_);
        finish(table_, options, RunEnd::failed);
    }
}

namespace {

// Every log_every steps, a line for the logged body: its acceleration in the step just taken or
// its position after it. No line for a body the table does not hold or for another log mode.
// False when the line could not be written.
template <typename Real>
bool log_step(RunLog& log, const SimulationState& state, const BasicBodyTable<Real>& bodies,
              const BasicStepWorkspace<Real>& work, long long& steps_since_line)
{
    if (++steps_since_line < state.log_every) return true;
    steps_since_line = 0;
    const int k = state.log_body;
    if (!is_body(bodies, k)) return true;
    switch (state.log_mode) {
    case LogMode::acceleration: return log.write_line(state.sim_time, work.logged_ax, work.logged_ay, work.logged_az);
    case LogMode::position: return log.write_line(state.sim_time, bodies.x[k], bodies.y[k], bodies.z[k]);
    case LogMode::none: break;
    }
    return true;
}

// An 80-bit infinity or NaN has an exponent of all ones. Read as an integer, the test is a few
// integer operations: the x87 comparison of std::isfinite took half a step at 10 bodies.
bool not_finite(const extended& value)
{
    std::uint16_t sign_exponent = 0;
    std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&value) + 8, sizeof sign_exponent);
    return (sign_exponent & 0x7FFF) == 0x7FFF;
}

bool not_finite(double value) { return !std::isfinite(value); }

// The first body whose position is infinite or NaN, 0 when none is. Positions are enough: a
// velocity that is not finite moves its body there in the same step, and a mass or G that is not
// finite moves the other bodies there in the next.
template <typename Real>
int first_not_finite(const BasicBodyTable<Real>& bodies)
{
    for (int i = 1; i <= bodies.body_count; ++i)
        if (not_finite(bodies.x[i]) | not_finite(bodies.y[i]) | not_finite(bodies.z[i])) return i;
    return 0;
}
// The Gauss-Radau method's lines: at every multiple of the interval that the step passed, from
// the step's polynomial, or, without an interval, every log_every steps at the step's end.
template <typename Real>
class RadauLines {
public:
    RadauLines(const SimulationState& state, extended interval) : interval_(interval)
    {
        if (interval_ > 0) {
            const extended now = state.sim_time / interval_;
            next_ = static_cast<long long>(state.run_direction == RunDirection::backward ? std::ceil(now) - 1
                                                                                         : std::floor(now) + 1);
        }
    }

    bool write(RunLog& log, const SimulationState& state, const BasicBodyTable<Real>& bodies,
               const GaussRadauWorkspace<Real>& work, long long& steps_since_line)
    {
        const int k = state.log_body;
        const LogMode mode = state.log_mode;
        const bool acceleration = mode == LogMode::acceleration;
        if (interval_ <= 0) {
            if (++steps_since_line < state.log_every) return true;
            steps_since_line = 0;
            if (!is_body(bodies, k) || mode == LogMode::none) return true;
            extended values[3];
            gauss_radau_output(work, k, state.sim_time, acceleration, values);
            if (!acceleration) values[0] = bodies.x[k], values[1] = bodies.y[k], values[2] = bodies.z[k];
            return log.write_line(state.sim_time, values[0], values[1], values[2]);
        }
        const bool backward = state.run_direction == RunDirection::backward;
        for (;;) {
            const extended time = static_cast<extended>(next_) * interval_;
            if (backward ? time < state.sim_time : time > state.sim_time) return true;
            next_ += backward ? -1 : 1;
            if (!is_body(bodies, k) || mode == LogMode::none) continue;
            extended values[3];
            gauss_radau_output(work, k, time, acceleration, values);
            if (!log.write_line(time, values[0], values[1], values[2])) return false;
        }
    }

private:
    extended interval_;
    long long next_ = 0;  // the next line is at next_ * interval_
};

// Why the run ends after its latest step, if it does.
std::optional<RunEnd> reason_to_end(const StepResult& step, bool log_written, bool finite, long long steps,
                                    long long max_steps)
{
    if (step.mass_error) return RunEnd::mass_error;
    if (step.failure != StepFailure::none) return RunEnd::failed;
    if (!finite) return RunEnd::not_finite;
    if (!log_written) return RunEnd::log_failed;  // a run must not go on losing its log
    if (step.stop) return RunEnd::stop_time;
    if (max_steps >= 0 && steps >= max_steps) return RunEnd::step_limit;
    return std::nullopt;
}

std::string failure_text(const StepResult& step, extended time)
{
    char at[64];
    std::snprintf(at, sizeof at, "%.10Lg s", time);
    if (step.failure == StepFailure::non_finite)
        return "the state of body " + std::to_string(step.failed_body) + " is not finite at t = " + at;
    return "the step became too small to advance the time at t = " + std::string(at) +
           " (bodies too close, or a singular force)";
}

// A paced run that falls further behind than this (a slow step, a suspended machine) starts
// measuring again instead of racing to catch up.
constexpr std::chrono::milliseconds PACE_SLACK{250};

}  // namespace

// Where the pace is measured from: the wall clock and the simulated time covered when the run
// started or the pace last changed.
struct PaceAnchor {
    double pace = 0;
    std::chrono::steady_clock::time_point wall;
    double covered = 0;
};

template <typename Real>
void SimulationRun::keep_pace(BasicBodyTable<Real>& bodies, PaceAnchor& anchor, double covered)
{
    const double pace = pace_.load(std::memory_order_relaxed);
    if (pace <= 0 && anchor.pace <= 0) return;  // as fast as possible: no clock to read per step
    auto now = std::chrono::steady_clock::now();
    if (pace != anchor.pace) anchor = {pace, now, covered};
    if (pace <= 0) return;
    const auto due = anchor.wall + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>((covered - anchor.covered) / pace));
    if (now > due + PACE_SLACK) {
        anchor = {pace, now, covered};
        return;
    }
    std::unique_lock lock(wake_mutex_);
    while (now < due && !stop_request_.load(std::memory_order_relaxed) &&
           pace_.load(std::memory_order_relaxed) == pace) {
        if (snapshot_wanted_.load(std::memory_order_acquire) || commands_pending_.load(std::memory_order_acquire)) {
            lock.unlock();
            serve_snapshot_request(bodies);
            lock.lock();
            // A reader still copying the last snapshot holds it a moment; let it finish.
            if (snapshot_wanted_.load(std::memory_order_acquire)) wake_up_.wait_for(lock, std::chrono::milliseconds(1));
        } else {
            wake_up_.wait_until(lock, due);
        }
        now = std::chrono::steady_clock::now();
    }
}

template <typename Real, typename Step, typename Log>
RunEnd SimulationRun::step_loop(BasicBodyTable<Real>& bodies, RunOptions& options, Step&& step_once, Log&& log)
{
    long long steps_since_line = 0;
    not_finite_body_ = 0;
    PaceAnchor anchor{pace_.load(std::memory_order_relaxed), std::chrono::steady_clock::now(), 0};
    double covered = 0;  // simulated time the run has gone through, in either direction
    for (long long steps = 1;; ++steps) {
        if (commands_pending_.load(std::memory_order_acquire)) {
            std::lock_guard lock(command_mutex_);
            apply_commands(bodies);
        }
        const extended time_before = state_.sim_time;
        const StepResult step = step_once();
        covered += std::fabs(static_cast<double>(state_.sim_time - time_before));
        if (step.failure != StepFailure::none) failure_ = failure_text(step, state_.sim_time);
        // A step that could not be taken is not counted.
        steps_done_.store(step.failure == StepFailure::none ? steps : steps - 1, std::memory_order_relaxed);
        report(step, bodies);
        bool logged = step.failure != StepFailure::none ||
                      ((!options.log || log(steps_since_line)) && sample(bodies, options, steps));
        bool stop = stop_request_.load(std::memory_order_relaxed);
        if (options.exchange) {
            const unsigned agreed = options.exchange->any_of((logged ? 0u : 1u) | (stop ? 2u : 0u));
            logged = (agreed & 1u) == 0;
            stop = (agreed & 2u) != 0;
        }
        if (options.end_when_not_finite) not_finite_body_ = first_not_finite(bodies);
        if (const auto reason = reason_to_end(step, logged, not_finite_body_ == 0, steps, options.max_steps))
            return *reason;
        if (stop) return RunEnd::stopped;
        if (snapshot_wanted_.load(std::memory_order_acquire)) serve_snapshot_request(bodies);
        keep_pace(bodies, anchor, covered);
        // A shared run hears of a stop at the next step's agreement.
        if (!options.exchange && stop_request_.load(std::memory_order_relaxed)) return RunEnd::stopped;
    }
}

template <typename Real>
void SimulationRun::run_steps(BasicBodyTable<Real>& bodies, RunOptions& options)
{
    const int threads = thread_count(options.threads);
    RunEnd end = RunEnd::stopped;
    if (state_.integrator == Integrator::gauss_radau) {
        GaussRadauWorkspace<Real> work;
        const Precision precision = std::is_same_v<Real, double> ? Precision::double_precision : Precision::extended;
        init_gauss_radau(work, bodies, threads, tolerance_in_use(state_, precision), state_.radau_carry);
        work.forces.exchange = options.exchange;
        prepare_step(bodies, state_, work.forces);
        RadauLines<Real> lines(state_, options.log_interval);
        end = step_loop(
            bodies, options,
            [&] {
                const StepResult step =
                    gauss_radau_step(bodies, state_, work, camera_distance_.load(std::memory_order_relaxed));
                force_evaluations_.store(work.force_evaluations, std::memory_order_relaxed);
                return step;
            },
            [&](long long& since) { return lines.write(*options.log, state_, bodies, work, since); });
        state_.radau_carry = gauss_radau_carry(work, bodies);
    } else {
        // The first-order step moves the bodies away from what a carry describes.
        state_.radau_carry = {};
        BasicStepWorkspace<Real> work;
        init_workspace(work, bodies, threads);
        work.exchange = options.exchange;
        prepare_step(bodies, state_, work);
        end = step_loop(
            bodies, options,
            [&] { return gravity_step(bodies, state_, work, camera_distance_.load(std::memory_order_relaxed)); },
            [&](long long& since) { return log_step(*options.log, state_, bodies, work, since); });
    }
    finish(bodies, options, end);
}

template <typename Real>
bool SimulationRun::sample(const BasicBodyTable<Real>& bodies, RunOptions& options, long long steps)
{
    if (!options.sampler || steps % options.sample_every != 0) return true;
    if constexpr (std::is_same_v<Real, extended>) {
        return options.sampler->sample(bodies, state_.sim_time);
    } else {
        copy_table(sampled_, bodies);
        return options.sampler->sample(sampled_, state_.sim_time);
    }
}

template <typename Real>
void SimulationRun::report(const StepResult& step, const BasicBodyTable<Real>& bodies)
{
    if (step.removed_body != 0) {
        deleted_.push_back(step.removed_body);
        publish(true, bodies);
        observer_.on_body_deleted(step.removed_body);
    }
    if (step.mass_error) {
        // The observer waits for the user; a reader waiting meanwhile gets this step now.
        publish(true, bodies);
        observer_.on_mass_error();
    }
}

template <typename Real>
void SimulationRun::finish(BasicBodyTable<Real>& bodies, RunOptions& options, RunEnd end)
{
    {
        // Under the command lock: a command posted meanwhile is either applied here or, once the
        // run is no longer active, by post() itself.
        std::lock_guard lock(command_mutex_);
        apply_commands(bodies);
        // A run in double precision hands its bodies back; extended precision holds them exactly.
        if constexpr (!std::is_same_v<Real, extended>) copy_table(table_, bodies);
        publish(true, table_);
        // The log is complete before anyone hears of the end.
        if (options.log && !options.log->close()) log_failure_ = options.log->failure();
        options.log.reset();
        if (options.sampler && !options.sampler->close())
            log_failure_ += (log_failure_.empty() ? "" : "\n") + options.sampler->failure();
        options.sampler.reset();
        last_end_ = end;
        stop_request_.store(true, std::memory_order_relaxed);
        active_.store(false, std::memory_order_release);
    }
    observer_.on_run_end(end);
}

}  // namespace orbilan
