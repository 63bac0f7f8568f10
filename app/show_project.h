#pragma once

#include <filesystem>

#include "app/program.h"
#include "files/project_loader.h"
#include "platform/platform.h"

namespace orbilan {

// Loads a project file into the program's table and shows it in the view, as opening a project
// does: skins uploaded, fresh trails, body 1 selected and followed, the camera fitted. Between
// runs only. The loader's messages go to the platform's message box.
LoadResult show_project(Program& program, Platform& platform, const std::filesystem::path& path);

}  // namespace orbilan
