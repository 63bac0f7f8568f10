#pragma once

#include <filesystem>
#include <string_view>

#include "files/user_message.h"
#include "sim/body_table.h"
#include "sim/simulation_state.h"

namespace orbilan {

// Writes the bodies 1..body_count, dt and G as a project file that the loader reads back to the
// same 80-bit values (CR LF lines, 21 significant digits). Names and skin paths are written
// between double quotes, except those holding a double quote, which only an unquoted field can
// have produced. Infinities and NaNs cannot be written back and read as 0. The file is written
// beside the target and then renamed over it, so a failed write leaves the old file intact; a
// failure is reported through messages, naming the path.
bool write_project(const std::filesystem::path& path, const BodyTable& table, const SimulationState& state,
                   std::string_view title, const MessageSink& messages);

}  // namespace orbilan
