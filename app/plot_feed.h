// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "app/plot_series.h"
#include "sim/body_snapshot.h"
#include "sim/energy.h"
#include "sim/run_log.h"
#include "sim/simulation_state.h"

namespace orbilan {

// The logged body's lines as the plot sees them: the run's thread adds them while the plot
// listens, the user-interface thread reads them; both under the mutex.
struct LoggedLines {
    std::atomic<bool> listening{false};
    std::mutex mutex;
    std::array<ThinnedSeries, 3> values;  // x, y, z
    long long version = 0;                // changes with every line
};

// What the plot window draws: the relative change of the total energy since START, and the
// logged body's quantity, both against simulated time. Everything here runs on the user-interface
// thread except the log lines, which the run's thread hands to LoggedLines through the log.
// The energy of thousands of bodies takes long, so it is summed a few rows at a time in slices
// that never hold the thread up for long, one copy of the bodies at a time. Nothing is computed
// while the plot does not listen: a closed window costs a run one copy of its starting bodies.
class PlotFeed {
public:
    PlotFeed();

    // START, with the bodies and state the user-interface thread still owns. A run that goes on
    // from where the last one stopped (the same time, the same bodies) continues the curves; any
    // other starts them anew, from these bodies' energy.
    void begin_run(const BodyTable& bodies, const SimulationState& state, bool log_enabled, bool listening);
    // The run's log, wrapped so that its lines reach the plot too.
    std::unique_ptr<RunLog> tap(std::unique_ptr<RunLog> log);
    // A project opened or reset: the next run starts new curves.
    void forget();

    // A frame's snapshot during a run. While listening, its energy is measured next, unless one
    // measurement is still going on, and a slice of work follows.
    void on_tick(const BodySnapshot& bodies, bool listening);
    // The run ended with these bodies, owned by this thread again: when listening, they are
    // measured next, as the last point, in place of any snapshot still being measured.
    void end_run(const BodyTable& bodies, extended sim_time, bool listening);
    // Goes on with the measurements for about SLICE; true while some remain.
    bool work();
    bool pending() const { return !measurements_.empty(); }
    static constexpr std::chrono::milliseconds SLICE{3};

    const ThinnedSeries& energy() const { return energy_; }
    // The logged body's three series, copied out; nothing when the run logs nothing.
    std::optional<std::array<std::vector<PlotPoint>, 3>> logged() const;
    LogMode log_mode() const { return log_mode_; }
    int log_body() const { return log_body_; }
    const std::string& log_body_name() const { return log_body_name_; }
    // Changes whenever something drawn changes.
    long long version() const;

private:
    // The energy of bodies at a time, summed row by row: the columns it reads, copied.
    struct Measurement {
        BodyTable bodies;
        extended time = 0;
        bool start = false;  // the start of the curves
        EnergySum sum;
    };
    void measure(const BodyTable& bodies, extended time, bool start);

    ThinnedSeries energy_;
    std::shared_ptr<LoggedLines> lines_;
    // The start's measurement comes first; after it, at most one at a time.
    std::deque<Measurement> measurements_;
    std::optional<extended> start_energy_;
    extended grav_constant_ = 0;
    long long energy_version_ = 0;
    bool logging_ = false;
    LogMode log_mode_ = LogMode::none;
    int log_body_ = 0;
    std::string log_body_name_;
    // Where the last run ended, for a START that continues it.
    std::optional<extended> end_time_;
    int end_body_count_ = 0;
};

}  // namespace orbilan
