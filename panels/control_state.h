// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace orbilan {

// What the panels show and choose that the engine never reads. The user-interface thread alone
// reads and writes it; a run gets what it needs of it when it starts.
struct ControlState {
    int time_unit = 1;  // seconds
    double time_unit_factor = 1;
    int fps_index = 4;
    // Simulated seconds per second of wall time, 0: as fast as possible; a run gets it at its start
    // and with every change.
    double pace = 0;
    // The options panel's choice; a run gets it at its start and with every change.
    std::uint8_t collision_mode = 0;

    int log_enabled = 0;
    std::string log_file_name;
};

}  // namespace orbilan
