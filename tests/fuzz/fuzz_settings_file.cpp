// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as the settings file; the theme it gives is written and must read back the same.
#include <cstdint>
#include <cstdlib>

#include "files/settings_file.h"
#include "temp_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const orbilan::test::TempFolder scratch;
    const auto path = scratch.write("options.opt", {reinterpret_cast<const char*>(data), size});
    int messages = 0;
    const int theme_id = orbilan::load_settings(path, [&](const orbilan::UserMessage&) { ++messages; });
    if (messages > 1 || (messages == 1 && theme_id != 0)) std::abort();
    const auto saved = scratch.path() / "saved.opt";
    orbilan::save_settings(saved, theme_id);
    if (orbilan::load_settings(saved) != theme_id) std::abort();
    return 0;
}
