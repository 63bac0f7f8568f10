// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/plot_feed.h"

#include <cmath>

#include "sim/energy.h"

namespace orbilan {

namespace {

// Hands each line to the log file and, while the plot listens, to the plot. On the run's thread.
class LogTap final : public RunLog {
public:
    LogTap(std::unique_ptr<RunLog> log, std::shared_ptr<LoggedLines> lines)
        : log_(std::move(log)), lines_(std::move(lines))
    {
    }
    bool write_line(extended time, extended a, extended b, extended c) override
    {
        if (lines_->listening.load(std::memory_order_relaxed)) {
            std::lock_guard lock(lines_->mutex);
            const double t = static_cast<double>(time);
            lines_->values[0].add(t, static_cast<double>(a));
            lines_->values[1].add(t, static_cast<double>(b));
            lines_->values[2].add(t, static_cast<double>(c));
            ++lines_->version;
        }
        return log_->write_line(time, a, b, c);
    }
    bool close() override { return log_->close(); }
    const std::string& failure() const override { return log_->failure(); }

private:
    std::unique_ptr<RunLog> log_;
    std::shared_ptr<LoggedLines> lines_;
};

// The columns the energy reads.
BodyTable energy_columns(const BodyTable& from)
{
    BodyTable to;
    to.body_count = from.body_count;
    for (auto [into, column] : {std::pair{&to.x, &from.x},
                                {&to.y, &from.y},
                                {&to.z, &from.z},
                                {&to.vx, &from.vx},
                                {&to.vy, &from.vy},
                                {&to.vz, &from.vz},
                                {&to.mass, &from.mass}})
        *into = *column;
    return to;
}

}  // namespace

PlotFeed::PlotFeed() : lines_(std::make_shared<LoggedLines>()) {}

void PlotFeed::begin_run(const BodyTable& bodies, const SimulationState& state, bool log_enabled, bool listening)
{
    lines_->listening.store(listening && log_enabled, std::memory_order_relaxed);
    const bool log_same = logging_ == log_enabled && log_mode_ == state.log_mode && log_body_ == state.log_body;
    const bool goes_on = end_time_ && *end_time_ == state.sim_time && end_body_count_ == bodies.body_count;
    end_time_.reset();
    logging_ = log_enabled;
    log_mode_ = state.log_mode;
    log_body_ = state.log_body;
    log_body_name_ = is_body(bodies, log_body_) ? bodies.name[log_body_] : std::string();
    if (!goes_on || !log_same) {
        std::lock_guard lock(lines_->mutex);
        for (ThinnedSeries& values : lines_->values) values.clear();
        ++lines_->version;
    }
    if (goes_on) return;
    energy_.clear();
    ++energy_version_;
    grav_constant_ = state.grav_constant;
    start_energy_.reset();
    measurements_.clear();
    measure(bodies, state.sim_time, true);
}

void PlotFeed::measure(const BodyTable& bodies, extended time, bool start)
{
    measurements_.push_back({energy_columns(bodies), time, start, {}});
}

std::unique_ptr<RunLog> PlotFeed::tap(std::unique_ptr<RunLog> log)
{
    return std::make_unique<LogTap>(std::move(log), lines_);
}

void PlotFeed::forget() { end_time_.reset(); }

bool PlotFeed::work()
{
    const auto deadline = std::chrono::steady_clock::now() + SLICE;
    while (!measurements_.empty()) {
        Measurement& m = measurements_.front();
        if (!add_energy_row(m.sum, m.bodies, grav_constant_)) {
            if (std::chrono::steady_clock::now() >= deadline) return true;
            continue;
        }
        const extended energy = summed_energy(m.sum);
        if (m.start) start_energy_ = energy;
        const double change = static_cast<double>(relative_energy_change(*start_energy_, energy));
        if (std::isfinite(change)) energy_.add(static_cast<double>(m.time), change);
        ++energy_version_;
        measurements_.pop_front();
    }
    return false;
}

void PlotFeed::on_tick(const BodySnapshot& bodies, bool listening)
{
    lines_->listening.store(listening && logging_, std::memory_order_relaxed);
    if (!listening) return;
    if (measurements_.empty() || (measurements_.size() == 1 && measurements_.front().start))
        measure(bodies, bodies.sim_time, false);
    work();
}

void PlotFeed::end_run(const BodyTable& bodies, extended sim_time, bool listening)
{
    lines_->listening.store(false, std::memory_order_relaxed);
    end_time_ = sim_time;
    end_body_count_ = bodies.body_count;
    if (!listening) return;
    // A snapshot still being measured is older than these bodies.
    if (!measurements_.empty() && !measurements_.back().start) measurements_.pop_back();
    measure(bodies, sim_time, false);
}

std::optional<std::array<std::vector<PlotPoint>, 3>> PlotFeed::logged() const
{
    if (!logging_) return std::nullopt;
    std::lock_guard lock(lines_->mutex);
    return std::array{lines_->values[0].points(), lines_->values[1].points(), lines_->values[2].points()};
}

long long PlotFeed::version() const
{
    std::lock_guard lock(lines_->mutex);
    return energy_version_ + lines_->version;
}

}  // namespace orbilan
