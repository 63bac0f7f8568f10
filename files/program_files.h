// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace orbilan {

// Where the program reads its resources and keeps what it writes.
struct ProgramFiles {
    std::filesystem::path resource_folder;  // holds Projects/, skins/ and def.bmp
    std::filesystem::path settings_file;    // options.opt
    std::filesystem::path data_folder;      // holds Logs/, the default log folder
};

// What the choice depends on besides the program folder.
struct FileEnvironment {
    std::string home;             // $HOME
    std::string xdg_config_home;  // $XDG_CONFIG_HOME, empty when unset
    std::string xdg_data_home;    // $XDG_DATA_HOME, empty when unset
    // The installed share/orbilan/, relative to the installed programs' folder.
    std::filesystem::path data_from_program;
    std::function<bool(const std::filesystem::path&)> writable;
};

// The environment of this process and the install layout it was built for.
FileEnvironment current_file_environment();

// A program folder that holds the resources and can be written keeps everything, as the build
// folder and an unpacked archive do. Otherwise the resources come from the installed
// share/orbilan/ (or the program folder when that holds none either), and the settings and the
// logs go where the XDG base directories say, so nothing is written beside an installed program.
ProgramFiles locate_program_files(const std::filesystem::path& program_folder, const FileEnvironment& env);
ProgramFiles locate_program_files(const std::filesystem::path& program_folder);

}  // namespace orbilan
