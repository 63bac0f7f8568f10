#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/extended.h"

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

struct SimulationState {
    extended dt = 0;
    extended grav_constant = 0;
    extended sim_time = 0;
    extended stop_time = 0;
    int run_direction = 0;            // 1 forward, 2 backward
    std::uint8_t collision_mode = 0;  // nonzero: touching bodies merge
    int selected_body = 1;

    int time_unit = 1;
    double time_unit_factor = 1;
    double shown_time = 0;
    int fps_index = 4;
    double pace = 0;  // simulated seconds per second of wall time; 0: as fast as possible

    int log_enabled = 0;
    int log_mode = 0;
    int log_body = 0;
    int log_every = 0;
    std::string log_file_name;

    std::array<ImpulseEntry, MAX_IMPULSE_ENTRIES + 1> impulse_table{};
    int impulse_count = 0;
    int impulse_body = 0;
    int impulse_next = 0;

    ExhaustPlume exhaust_plume;
};

}  // namespace orbilan
