#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace orbilan {

// What the user asked for on the command line: orbilan [--help | --version] [PROJECT]
struct CommandLine {
    enum class Action { run, help, version, usage_error };
    Action action = Action::run;
    std::filesystem::path project;  // opened at start when not empty
    std::string error;              // what is wrong, for a usage error
};

// The arguments after the program name. "--" ends the options, so a project may begin with "-".
CommandLine parse_command_line(const std::vector<std::string>& arguments);

// The text of --help.
std::string help_text();

// Exit status of a usage error.
constexpr int EXIT_USAGE = 2;

}  // namespace orbilan
