// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "files/file_lookup.h"
#include "files/user_message.h"
#include "sim/body_table.h"
#include "sim/simulation_state.h"

namespace orbilan {

enum class LoadResult {
    loaded,      // the table, dt, G and the impulse program now hold the file's project
    unreadable,  // the file could not be opened or read (a folder, a pipe, a device); nothing changed
    refused,     // not a project the program can hold (binary data, too large, too many bodies); nothing changed
};

// Body counts above this refuse the file instead of allocating for it.
constexpr int MAX_BODY_COUNT = 1000000;

// A project's text as it reads, before any check: the header and the bodies, with their names and
// skin names as written (radius and texture_id are not set).
struct ProjectText {
    extended listed_count = 0;  // the header's number of bodies, before rounding
    extended dt = 0;
    extended grav_constant = 0;
    BodyTable bodies;
    int complete_bodies = 0;  // bodies whose 16 fields all lie within the data
    // The optional fields after the bodies.
    Integrator integrator = Integrator::euler;
    extended tolerance = 0;
    GaussRadauCarry radau_carry;
    double pace = 0;  // from an optional `Pace` line; 0 when there is none
};

// Reads the header, then 16 fields per body, from the data up to its first Ctrl-Z. False, with no
// body read, when the header lists more than MAX_BODY_COUNT bodies. Right after complete bodies, an
// optional line `Method, "gauss-radau", TOLERANCE` chooses that method (a tolerance of 0: its
// default), and the lines a run of it writes after that (`Step in use` and a `Carry` per body)
// continue its steps exactly; anywhere after the bodies, an optional line `Pace, SECONDS_PER_SECOND`
// names how much simulated time the project likes to see pass per second (a pace that is not a
// positive finite number reads as none); other text there is ignored.
bool read_project_text(std::string data, ProjectText& project);

// What a load found beyond the table and the state.
struct ProjectLoad {
    LoadResult result = LoadResult::unreadable;
    // The rest is set on a load only.
    bool impulse_program_found = false;
    int complete_bodies = 0;  // bodies whose data the file holds in full
    double pace = 0;          // the project's own run speed, 0 when it names none
};

// Reads a project file: header (title, count, dt, G), then 16 fields per body; fixes zero
// densities, derives radii, resolves skins (texture_id stays 0: the view uploads the textures) and
// reads the impulse program beside the file. Everything is read into temporaries first, so a file
// that is not loaded leaves table and state exactly as they were; such a file is named in a
// message. A problem shared by many bodies (a zero density) is one message with their count, and
// so is a body count that the file does not hold.
ProjectLoad read_project_fields(const std::filesystem::path& project_path, const std::filesystem::path& program_folder,
                                BodyTable& table, SimulationState& state, const MessageSink& messages);

// For bodies 1..body_count: radius from mass and density; texture_file becomes the skin file
// found (a relative name beside the project first, then in the current folder), or
// program_folder/def.bmp when the name is empty or finds nothing. Each folder is listed at most
// once through `listings`.
void prepare_bodies(BodyTable& table, const std::filesystem::path& project_path,
                    const std::filesystem::path& program_folder, FolderListings& listings);

// The impulse program of a project: in its folder, the project's file name cut before its first
// "." followed by ".JI", in any letter case, whatever kind of file it is (a folder, a pipe, a
// dangling link). nullopt when there is none.
std::optional<std::filesystem::path> impulse_program_path(const std::filesystem::path& project_path);

enum class ImpulseProgramFile { absent, read, refused };

// Replaces the impulse program of state with the one beside the project (at most
// MAX_IMPULSE_ENTRIES entries; the rest of the file is not read) and sets impulse_next to 1.
// Without an impulse file the program is empty. One that cannot be read (not a regular file, no
// permission, a dangling link), is binary or is too large is refused with a message naming it,
// and leaves state alone.
ImpulseProgramFile load_impulse_program(const std::filesystem::path& project_path, SimulationState& state,
                                        const MessageSink& messages = {});

// True when writing `file` would overwrite the project or its impulse program, or make a file
// that the next load takes as its impulse program.
bool is_project_input(const std::filesystem::path& file, const std::filesystem::path& project_path);

}  // namespace orbilan
