// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <cstdio>

#include "app/shortcuts.h"

namespace orbilan {

CommandLine parse_command_line(const std::vector<std::string>& arguments)
{
    using Action = CommandLine::Action;
    CommandLine command;
    bool options_ended = false;
    bool have_project = false;
    for (const std::string& argument : arguments) {
        const bool option = !options_ended && argument.size() > 1 && argument.front() == '-';
        if (option && argument == "--") {
            options_ended = true;
        } else if (option && (argument == "--help" || argument == "-h")) {
            return {Action::help, {}, {}, {}};
        } else if (option && argument == "--version") {
            return {Action::version, {}, {}, {}};
        } else if (command.action == Action::usage_error) {
            // The first fault is the one reported.
        } else if (option && argument.starts_with("--integrator=")) {
            const std::string method = argument.substr(argument.find('=') + 1);
            if (method == EULER_NAME)
                command.integrator = Integrator::euler;
            else if (method == GAUSS_RADAU_NAME)
                command.integrator = Integrator::gauss_radau;
            else
                command = {Action::usage_error, {}, "--integrator is euler or gauss-radau, not '" + method + "'", {}};
        } else if (option) {
            command = {Action::usage_error, {}, "unknown option '" + argument + "'", {}};
        } else if (have_project) {
            command = {Action::usage_error, {}, "one project at a time, not also '" + argument + "'", {}};
        } else {
            command.project = argument;
            have_project = true;
        }
    }
    return command;
}

std::string help_text()
{
    std::string text =
        "Usage: orbilan [--integrator=euler|gauss-radau] [PROJECT]\n"
        "The ORBILAN N-body gravitation simulator. A PROJECT file named here is opened at start,\n"
        "as OPEN PROJECT opens the file chosen in its dialog.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "      --version  show the version and exit\n"
        "      --integrator=METHOD  run every project with euler (the first-order step) or\n"
        "                 gauss-radau (adaptive, 15th order), whatever method it names\n"
        "\n"
        "The headless runner is orbilan-run (man orbilan-run).\n";
    text +=
        "\nKeys, wherever the keyboard is (a focused button keeps Space and Enter, an edit box the keys it types):\n";
    for (const ShortcutText& shortcut : SHORTCUT_TEXTS) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-20s %s\n", shortcut.keys, shortcut.what);
        text += line;
    }
    return text;
}

}  // namespace orbilan
