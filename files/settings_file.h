#pragma once

#include <filesystem>

namespace orbilan {

// The settings file holds one record: the label "THEME ID" in double quotes, a comma, the theme
// number, CR LF. A missing or unreadable file gives theme 0; any label wording is accepted.
int load_settings(const std::filesystem::path& settings_path);

// Creates or empties the file (and its folder when missing) and writes the record; a failure is
// not reported (the choice is then lost at exit).
void save_settings(const std::filesystem::path& settings_path, int theme_id);

}  // namespace orbilan
