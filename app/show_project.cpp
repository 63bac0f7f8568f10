#include "app/show_project.h"

#include "view/gl_view.h"

namespace orbilan {

LoadResult show_project(Program& program, Platform& platform, const std::filesystem::path& path)
{
    const MessageSink to_box = [&platform](const UserMessage& message) { platform.message_box(message); };
    const LoadResult result =
        read_project_fields(path, program.program_folder, program.table, program.state, to_box);
    if (result != LoadResult::loaded) return result;
    program.state.selected_body = 1;
    program.scene.selected_body = 1;
    // Slot 0 names the default skin while the skins load.
    program.table.texture_file[0] = program.program_folder + "def.bmp";
    if (program.gl_window) program.gl_window->show_loaded_bodies(program.table, program.state);
    program.table.texture_file[0].clear();
    return result;
}

}  // namespace orbilan
