#include "app/start_up_steps.h"

#include <filesystem>

#include "files/settings_file.h"

namespace orbilan {

// Integration point: the theme colours and the panel builders join here once they exist;
// until then the program starts with the view alone.
StartUpSteps program_start_up_steps()
{
    StartUpSteps steps;
    steps.load_settings = [](const std::string& program_folder) {
        return load_settings(std::filesystem::path(program_folder) / "options.opt");
    };
    return steps;
}

}  // namespace orbilan
