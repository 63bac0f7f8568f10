// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/platform.h"

#include <filesystem>
#include <system_error>

#include "files/file_lookup.h"

namespace orbilan {

bool Platform::file_exists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::exists(std::filesystem::path(path), error);
}

std::string Platform::find_file(const std::string& name)
{
    const auto found = orbilan::find_file(std::filesystem::path(name));
    return found ? found->string() : std::string();
}

}  // namespace orbilan
