// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace orbilan {

// What the program remembers from one session to the next, beside options.opt (which keeps only
// the theme): one `name = value` line each. Whatever is missing, unreadable or out of range is
// simply not remembered.
struct RememberedSettings {
    std::string last_project;
    std::optional<int> fps_index;
    std::optional<double> ambient_level;
    std::optional<double> pace;
    std::map<std::string, std::pair<int, int>> panel_places;  // by panel name: the frame's corner
};

constexpr const char* REMEMBERED_FILE_NAME = "remembered.txt";

// The file's settings; a missing, binary or oversized file (or any other kind of file than a
// regular one) gives none.
RememberedSettings read_remembered(const std::filesystem::path& path, int fps_index_count);

// Writes a temporary file beside it and renames that over the file, so that a write that fails
// leaves the previous settings whole. False when nothing could be written.
bool write_remembered(const std::filesystem::path& path, const RememberedSettings& settings);

}  // namespace orbilan
