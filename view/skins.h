// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "files/user_message.h"
#include "sim/body_table.h"

namespace orbilan {

class Platform;

constexpr const char* DEFAULT_SKIN_FILE = "def.bmp";

UserMessage missing_texture_message(const std::string& path);

// Reads a bitmap and makes it a 2D texture (context current). 0 when the file is missing (with
// a message), unreadable or malformed.
unsigned load_bmp_texture(const std::string& path, Platform& platform);

// Every body's texture for a freshly loaded table, indexed as the table (slot 0 stays 0): its
// texture_file, or default_skin when that file does not exist. Bodies sharing a skin share its
// texture, and a missing default skin is reported once per load rather than once per body.
std::vector<unsigned> load_body_textures(const BodyTable& table, const std::string& default_skin, Platform& platform);

// Frees each distinct texture of the list once (context current) and empties it.
void release_textures(std::vector<unsigned>& texture_id);

}  // namespace orbilan
