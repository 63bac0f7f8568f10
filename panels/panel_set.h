// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "panels/themes.h"

class QWidget;

namespace orbilan {

class Panel;

// The five panels; the host window owns them (they are its tool windows).
struct Panels {
    Panel* toolbar_panel = nullptr;
    Panel* options_panel = nullptr;
    Panel* numeric_panel = nullptr;
    Panel* time_panel = nullptr;
    Panel* log_panel = nullptr;
};

// Each builds one panel with all its controls, coloured by the theme, tooltips registered.
// `main_window` becomes the owner; `client_width` is its client width, which centres the panel.
Panel* build_toolbar_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors);
Panel* build_options_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors);
Panel* build_numeric_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors);
Panel* build_time_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors);
Panel* build_log_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors);

// Builds all five in start-up order: the toolbar, shown; then options, numeric, time and log, hidden.
Panels create_panels(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors);

// Controls that must not change while a run is active.
void disable_run_controls(Panels& panels);
void enable_run_controls(Panels& panels);
void disable_time_controls(Panels& panels);
void enable_time_controls(Panels& panels);

}  // namespace orbilan
