// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/program_files.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace orbilan {

namespace fs = std::filesystem;

namespace {

// The layout decides, not the health of its files: a damaged def.bmp is still this folder's own,
// and the skin loader names it.
bool holds_resources(const fs::path& folder)
{
    std::error_code error;
    return fs::exists(folder / "def.bmp", error) && fs::is_directory(folder / "Projects", error);
}

std::string environment_value(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// An XDG base directory: the variable when it holds an absolute path (the XDG rules ignore a
// relative one), else its default under the home folder.
fs::path base_directory(const std::string& variable, const std::string& home, const char* fallback)
{
    if (!variable.empty() && fs::path(variable).is_absolute()) return variable;
    return fs::path(home) / fallback;
}

}  // namespace

FileEnvironment current_file_environment()
{
    FileEnvironment env;
    env.home = environment_value("HOME");
    if (env.home.empty()) {
        if (const passwd* user = getpwuid(getuid())) env.home = user->pw_dir;
    }
    env.xdg_config_home = environment_value("XDG_CONFIG_HOME");
    env.xdg_data_home = environment_value("XDG_DATA_HOME");
    env.data_from_program = ORBILAN_DATA_FROM_BIN;
    env.writable = [](const fs::path& folder) { return ::access(folder.c_str(), W_OK) == 0; };
    return env;
}

ProgramFiles locate_program_files(const fs::path& program_folder, const FileEnvironment& env)
{
    if (holds_resources(program_folder) && env.writable(program_folder))
        return {program_folder, program_folder / "options.opt", program_folder};

    ProgramFiles files;
    const fs::path installed = (program_folder / env.data_from_program).lexically_normal();
    files.resource_folder = !holds_resources(program_folder) && holds_resources(installed) ? installed : program_folder;
    files.settings_file = base_directory(env.xdg_config_home, env.home, ".config") / "orbilan" / "options.opt";
    files.data_folder = base_directory(env.xdg_data_home, env.home, ".local/share") / "orbilan";
    return files;
}

ProgramFiles locate_program_files(const fs::path& program_folder)
{
    return locate_program_files(program_folder, current_file_environment());
}

}  // namespace orbilan
