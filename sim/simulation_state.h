// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

#include "sim/extended.h"
#include "sim/integrator.h"

namespace orbilan {

struct ImpulseEntry {
    extended start_time = 0;
    extended duration = 0;
    extended ejected_mass = 0;
    extended exhaust_vx = 0, exhaust_vy = 0, exhaust_vz = 0;
};

// Entries 1..MAX_IMPULSE_ENTRIES are usable; entry 0 stays zero.
constexpr int MAX_IMPULSE_ENTRIES = 100;

// The two ends of the thrusting body's exhaust line, for the view.
struct ExhaustPlume {
    std::array<double, 2> trail_x{}, trail_y{}, trail_z{};
};

enum class LogMode : int { none = 0, acceleration = 1, position = 2 };

enum class RunDirection : int { forward = 1, backward = 2 };

// The step a run takes for dt: a step of exactly 0 would never move, so it is taken as 1.
inline extended usable_dt(extended dt) { return dt == 0 ? 1 : dt; }

// What the step and the run read. Between runs the user-interface thread owns it. From the start
// of a run to its end the simulation thread does: the user interface then reads the run's
// snapshots only, and changes the state only through the run's commands.
struct SimulationState {
    extended dt = 0;
    extended grav_constant = 0;
    extended sim_time = 0;
    extended stop_time = 0;
    RunDirection run_direction = RunDirection::forward;
    std::uint8_t collision_mode = 0;  // nonzero: touching bodies merge

    LogMode log_mode = LogMode::none;
    int log_body = 0;
    int log_every = 0;

    std::array<ImpulseEntry, MAX_IMPULSE_ENTRIES + 1> impulse_table{};
    int impulse_count = 0;
    int impulse_body = 0;
    int impulse_next = 0;

    ExhaustPlume exhaust_plume;

    // Beyond the first-order step: the method of the next run, its tolerance (0: the default of
    // the run's precision) and what the last Gauss-Radau run left for the next.
    Integrator integrator = Integrator::euler;
    extended tolerance = 0;
    GaussRadauCarry radau_carry;
};

}  // namespace orbilan
