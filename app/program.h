// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "app/host_window.h"
#include "files/program_files.h"
#include "panels/control_state.h"
#include "panels/panel_set.h"
#include "sim/body_table.h"
#include "sim/simulation_state.h"
#include "view/view_state.h"

namespace orbilan {

class Application;
class GlView;

// Everything the program keeps for its whole life, made at start-up.
struct Program {
    std::string program_folder;
    ProgramFiles files;
    int theme_id = 0;
    ThemeColors colors;
    int work_area_left = 0;
    int work_area_top = 0;
    int work_area_width = 0;
    int work_area_height = 0;

    BodyTable table;
    SimulationState state;
    ControlState control;
    ViewState view;
    SceneBodies scene;

    std::unique_ptr<HostWindow> main_window;
    Panels panels;                // tool windows of main_window
    GlView* gl_window = nullptr;  // child of main_window
    // The commands and runs; goes first at the end, stopping a run before the windows go.
    std::unique_ptr<Application> application;

    Program();
    ~Program();
};

}  // namespace orbilan
