// Any bytes as the settings file; the theme it gives is written and must read back the same.
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "files/settings_file.h"
#include "scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto path = orbilan::fuzz::scratch_folder() / "options.opt";
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                   static_cast<std::streamsize>(size));
    int messages = 0;
    const int theme_id = orbilan::load_settings(path, [&](const orbilan::UserMessage&) { ++messages; });
    if (messages > 1 || (messages == 1 && theme_id != 0)) std::abort();
    const auto saved = orbilan::fuzz::scratch_folder() / "saved.opt";
    orbilan::save_settings(saved, theme_id);
    if (orbilan::load_settings(saved) != theme_id) std::abort();
    return 0;
}
