#include "platform/file_lookup.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace orbilan {

namespace fs = std::filesystem;

namespace {

bool same_ignoring_case(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char p, unsigned char q) {
               return std::tolower(p) == std::tolower(q);
           });
}

}  // namespace

bool file_exists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::exists(fs::path(path), error);
}

std::string find_file(const std::string& folder, const std::string& name)
{
    if (name.empty()) return {};
    const fs::path base = folder.empty() ? fs::path(".") : fs::path(folder);
    std::error_code error;
    if (fs::exists(base / name, error)) return (base / name).string();
    for (fs::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        if (same_ignoring_case(it->path().filename().string(), name)) return it->path().string();
    }
    return {};
}

bool Platform::file_exists(const std::string& path) { return orbilan::file_exists(path); }

std::string Platform::find_file(const std::string& folder, const std::string& name)
{
    return orbilan::find_file(folder, name);
}

}  // namespace orbilan
