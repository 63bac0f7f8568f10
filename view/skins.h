#pragma once

#include <map>
#include <string>
#include <vector>

#include "files/user_message.h"
#include "sim/body_table.h"

namespace orbilan {

class Platform;
struct SceneBodies;

constexpr const char* DEFAULT_SKIN_FILE = "def.bmp";

// Textures already made during one project load, by path: bodies sharing a skin share its
// texture, and a missing default skin is reported once per load rather than once per body.
using SkinCache = std::map<std::string, unsigned>;

UserMessage missing_texture_message(const std::string& path);

// Reads a bitmap and makes it a 2D texture (context current). 0 when the file is missing (with
// a message), unreadable or malformed.
unsigned load_bmp_texture(const std::string& path, Platform& platform);

// texture_id of body i from its texture_file, or from the default skin in slot 0 when that
// file does not exist.
void load_body_texture(BodyTable& table, int i, Platform& platform, SkinCache& cache);

// Every body's texture, in order, for a freshly loaded table.
void load_body_textures(BodyTable& table, Platform& platform);

// Frees each distinct texture of the list once (context current) and empties it.
void release_textures(std::vector<unsigned>& texture_id);

// The scene takes over the table's textures after a load.
void adopt_textures(SceneBodies& scene, const BodyTable& table);

}  // namespace orbilan
