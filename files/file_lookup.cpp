// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_lookup.h"

#include <algorithm>
#include <system_error>

namespace orbilan {

namespace {

bool is_file(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

std::string ascii_lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::optional<std::filesystem::path> find_case_variant(const std::filesystem::path& path, FolderListings& listings)
{
    const std::string wanted = path.filename().string();
    if (wanted.empty()) return std::nullopt;
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    for (const std::string& candidate : listings.case_variants(folder, wanted)) {
        const std::filesystem::path found =
            path.has_parent_path() ? path.parent_path() / candidate : std::filesystem::path(candidate);
        if (is_file(found)) return found;
    }
    return std::nullopt;
}

}  // namespace

const std::vector<std::string>& FolderListings::case_variants(const std::filesystem::path& folder,
                                                              const std::string& name)
{
    auto [listing, fresh] = folders_.try_emplace(folder);
    if (fresh) {
        std::error_code error;
        for (std::filesystem::directory_iterator entries(folder, error), end; !error && entries != end;
             entries.increment(error)) {
            std::string entry = entries->path().filename().string();
            listing->second[ascii_lower(entry)].push_back(std::move(entry));
        }
        for (auto& [lower, names] : listing->second) std::sort(names.begin(), names.end());
    }
    static const std::vector<std::string> none;
    const auto variants = listing->second.find(ascii_lower(name));
    return variants == listing->second.end() ? none : variants->second;
}

std::filesystem::path slashed_name(const std::filesystem::path& name)
{
    if (name.is_absolute()) return name;
    std::string text = name.string();
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

std::optional<std::filesystem::path> find_file(const std::filesystem::path& name, FolderListings* listings)
{
    if (name.empty()) return std::nullopt;
    if (is_file(name)) return name;
    const std::filesystem::path path = slashed_name(name);
    if (is_file(path)) return path;
    if (listings) return find_case_variant(path, *listings);
    FolderListings once;
    return find_case_variant(path, once);
}

}  // namespace orbilan
