// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/program.h"
#include "files/program_files.h"
#include "panels/control_state.h"
#include "panels/panel_set.h"
#include "panels/themes.h"
#include "sim/body_snapshot.h"
#include "sim/simulation_run.h"
#include "view/gl_view.h"
#include "view/view_state.h"

namespace orbilan {

class Platform;

// Show command last applied to each panel by the toolbar: 5 shown, 0 hidden.
constexpr int PANEL_SHOWN = 5;
constexpr int PANEL_HIDDEN = 0;

struct PanelStates {
    int time_panel_state = PANEL_HIDDEN;
    int options_panel_state = PANEL_HIDDEN;
    int numeric_panel_state = PANEL_HIDDEN;
    int log_panel_state = PANEL_HIDDEN;
};

// What the toolbar's and the panels' commands act on: the program's state and windows, which the
// program owns, and the project and the run, which the session owns.
struct Session {
    explicit Session(Program& program, Platform& platform)
        : table(program.table),
          state(program.state),
          control(program.control),
          view(program.view),
          scene(program.scene),
          platform(platform),
          files(program.files),
          theme_id(program.theme_id),
          colors(program.colors),
          panels(program.panels),
          gl_window(program.gl_window)
    {
    }

    BodyTable& table;
    SimulationState& state;
    ControlState& control;
    ViewState& view;
    SceneBodies& scene;
    Platform& platform;
    const ProgramFiles& files;
    int& theme_id;
    ThemeColors& colors;
    // Made by start-up after the session; null until then, and without a screen.
    Panels& panels;
    GlView* const& gl_window;

    PanelStates states;

    std::filesystem::path project_path;
    // The method of the command line, for every project loaded instead of the project's own.
    std::optional<Integrator> integrator_choice;
    std::uint8_t full_screen = 0xFF;
    std::unique_ptr<SimulationRun> run;
};

// True while a simulation thread owns the table.
inline bool run_active(const Session& s) { return s.run && s.run->active(); }

// A copy of the bodies as the user sees them: the running simulation's latest step, or the table.
BodySnapshot current_bodies(Session& s);

// True when there are bodies to run or to look at (a run always has some).
inline bool has_bodies(const Session& s) { return run_active(s) || s.table.body_count > 0; }

// Hides a panel from its own hide button.
void hide_panel(QWidget& panel, int& panel_state);

// apply_render_state, then rebuild_view.
void refresh_view(Session& s);

}  // namespace orbilan
