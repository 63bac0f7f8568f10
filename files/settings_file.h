// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "files/user_message.h"

namespace orbilan {

// The settings file holds one record: the label "THEME ID" in double quotes, a comma, the theme
// number, CR LF. A missing or unreadable file gives theme 0; any label wording is accepted. A
// settings file that is not a regular file, is binary or is absurdly large also gives theme 0,
// and is named in a message.
int load_settings(const std::filesystem::path& settings_path, const MessageSink& messages = {});

// Creates or empties the file (and its folder when missing) and writes the record; a failure is
// not reported (the choice is then lost at exit). Never waits on a named pipe.
void save_settings(const std::filesystem::path& settings_path, int theme_id);

}  // namespace orbilan
