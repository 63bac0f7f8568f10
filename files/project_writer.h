// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/user_message.h"
#include "sim/body_table.h"
#include "sim/simulation_state.h"

namespace orbilan {

// The bodies 1..body_count, dt and G as the text of a project file that the loader reads back to
// the same names, skin names and 80-bit values (CR LF lines, 21 significant digits, infinities
// as 1E+5000). Texts are written between double quotes, or bare when they hold a double quote;
// a few texts have no spelling at all (a double quote together with a comma, a line end or a
// TAB) and NaN reads back as 0: those are written as closely as the format allows and named,
// body by body, in one message each. When the state's method is gauss-radau, a Method line
// follows the bodies, and after a run of it what continues its steps (see project_loader.h).
std::string project_text(const BodyTable& table, const SimulationState& state, std::string_view title,
                         const MessageSink& messages);

// Writes project_text to the file: beside the target first, then renamed over it, so a failed
// write leaves the old file intact; a failure is reported through messages, naming the path.
bool write_project(const std::filesystem::path& path, const BodyTable& table, const SimulationState& state,
                   std::string_view title, const MessageSink& messages);

}  // namespace orbilan
