// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/integrator.h"

namespace orbilan {

// What the user asked for on the command line:
// orbilan [--help | --version] [--integrator=euler|gauss-radau] [PROJECT]
struct CommandLine {
    enum class Action { run, help, version, usage_error };
    Action action = Action::run;
    std::filesystem::path project;         // opened at start when not empty
    std::string error;                     // what is wrong, for a usage error
    std::optional<Integrator> integrator;  // for every project of the session, instead of its own
};

// The arguments after the program name. "--" ends the options, so a project may begin with "-".
CommandLine parse_command_line(const std::vector<std::string>& arguments);

// The text of --help.
std::string help_text();

// Exit status of a usage error.
constexpr int EXIT_USAGE = 2;

}  // namespace orbilan
