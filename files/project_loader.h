#pragma once

#include <filesystem>
#include <optional>

#include "files/user_message.h"
#include "sim/body_table.h"
#include "sim/simulation_state.h"

namespace orbilan {

enum class LoadResult {
    loaded,      // the table, dt, G and the impulse program now hold the file's project
    unreadable,  // the file could not be opened or read; nothing changed
    refused,     // not a project the program can hold (binary data, too many bodies); nothing changed
};

// Body counts above this refuse the file instead of allocating for it.
constexpr int MAX_BODY_COUNT = 1000000;

// Reads a project file: header (title, count, dt, G), then 16 fields per body; fixes zero
// densities (one message per body), derives radii, resolves skins (texture_id stays 0: the view
// uploads the textures) and reads the impulse program beside the file. Everything is read into
// temporaries first, so a file that is not loaded leaves table and state exactly as they were;
// such a file is named in a message. impulse_program_found, when given, is set on a load.
LoadResult read_project_fields(const std::filesystem::path& project_path,
                               const std::filesystem::path& program_folder, BodyTable& table,
                               SimulationState& state, const MessageSink& messages,
                               bool* impulse_program_found = nullptr);

// For bodies 1..body_count: radius from mass and density; texture_file becomes the skin file
// found (a relative name beside the project first, then in the current folder), or
// program_folder/def.bmp when the name is empty or finds nothing.
void prepare_bodies(BodyTable& table, const std::filesystem::path& project_path,
                    const std::filesystem::path& program_folder);

// The impulse program of a project: in its folder, the project's file name cut before its first
// "." followed by ".JI", in any letter case. nullopt when there is none.
std::optional<std::filesystem::path> impulse_program_path(const std::filesystem::path& project_path);

// Replaces the impulse program of state with the one beside the project (at most
// MAX_IMPULSE_ENTRIES entries; the rest of the file is not read) and sets impulse_next to 1.
// Without an impulse file the program is empty. Returns whether a file was found.
bool load_impulse_program(const std::filesystem::path& project_path, SimulationState& state);

}  // namespace orbilan
