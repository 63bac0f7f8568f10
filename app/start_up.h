// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/program.h"
#include "files/user_message.h"
#include "platform/platform.h"

namespace orbilan {

// What the rest of the program contributes to start-up, in the order the steps run. An empty
// step is skipped (theme_id then stays 0 and no panel is built).
struct StartUpSteps {
    std::function<int(const std::filesystem::path& settings_file)> load_settings;  // gives theme_id
    std::function<void(Program&)> set_theme_colours;
    // Builds the toolbar panel over main_window; returns it. Start-up shows it with main_window.
    std::function<QWidget*(Program&)> build_toolbar;
    // Builds the other four panels, hidden.
    std::function<void(Program&)> build_panels;
    // Makes the program's commands and connects them to the panels and the view.
    std::function<void(Program&)> connect_commands;
};

enum class StartUpOutcome {
    running,  // windows shown; the event loop may start
    failed,   // nothing usable was made
    ended,    // the view has no OpenGL: the loop ends at once
};

// Exit status when start-up fails (no screen, no OpenGL for the view); a normal close gives 0.
constexpr int EXIT_START_FAILED = 1;
// Exit status when no display can be reached at all.
constexpr int EXIT_NO_DISPLAY = 3;

UserMessage error_message(const std::string& text);

// The message for a view whose OpenGL set-up failed at that step (ok has none).
std::string gl_failure_text(GlSupport support);

// Builds the program's windows in their fixed order; a project named on the command line is
// then opened as OPEN PROJECT opens the file the user chose.
StartUpOutcome start_up(Program& program, Platform& platform, const StartUpSteps& steps,
                        const std::filesystem::path& project = {}, std::optional<Integrator> integrator = std::nullopt);

// Start-up, then the event loop. The exit code: the loop's (0 after a normal close), or
// EXIT_START_FAILED. `integrator`, when given, runs every project with that method.
int run_program(Platform& platform, const StartUpSteps& steps, const std::filesystem::path& project = {},
                std::optional<Integrator> integrator = std::nullopt);

}  // namespace orbilan
