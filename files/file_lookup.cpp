#include "files/file_lookup.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace orbilan {

namespace {

bool is_file(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_case(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

std::optional<std::filesystem::path> find_case_variant(const std::filesystem::path& path)
{
    const std::string wanted = path.filename().string();
    if (wanted.empty()) return std::nullopt;
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return std::nullopt;
    std::optional<std::string> best;
    for (const auto& entry : entries) {
        const std::string candidate = entry.path().filename().string();
        if (equal_ignoring_case(candidate, wanted) && is_file(entry.path()) && (!best || candidate < *best))
            best = candidate;
    }
    if (!best) return std::nullopt;
    return path.has_parent_path() ? path.parent_path() / *best : std::filesystem::path(*best);
}

}  // namespace

std::filesystem::path slashed_name(const std::filesystem::path& name)
{
    if (name.is_absolute()) return name;
    std::string text = name.string();
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

std::optional<std::filesystem::path> find_file(const std::filesystem::path& name)
{
    if (name.empty()) return std::nullopt;
    if (is_file(name)) return name;
    const std::filesystem::path path = slashed_name(name);
    if (is_file(path)) return path;
    return find_case_variant(path);
}

}  // namespace orbilan
