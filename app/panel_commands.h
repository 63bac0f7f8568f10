// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/session.h"

namespace orbilan {

// What a click on each panel's control does; `id` is the control's identifier.
void time_panel_handler(Session& s, int id);
void log_panel_handler(Session& s, int id);
void numeric_panel_handler(Session& s, int id);
void options_panel_handler(Session& s, int id);

// The frame rate of fps_index (0 .. FPS_INDEX_COUNT - 1) and its caption on the options panel.
void set_frame_rate(Session& s, int fps_index);

// The log panel's two lists for the loaded project, first items selected.
void fill_log_lists(Session& s);
// The save dialog for the log file; its path goes into the panel ("Canceled !" when none).
void choose_log_file(Session& s);
// The log choices of the panel into the state, as a run starts.
void read_log_settings(Session& s);
// The step and the stop time (typed in the display unit) into the state, as a run starts.
void read_time_settings(Session& s);

}  // namespace orbilan
