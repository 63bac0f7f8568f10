// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orbilan {

// Folders listed while looking up names, each read once: a load that looks up thousands of skins
// in one folder lists it once. Keep one only while the folders are not expected to change (for
// one project load).
class FolderListings {
public:
    // The entries of a folder whose names equal `name` ignoring ASCII letter case, in byte order.
    const std::vector<std::string>& case_variants(const std::filesystem::path& folder, const std::string& name);
    // How many folders have been read so far.
    int folders_listed() const { return static_cast<int>(folders_.size()); }

private:
    // Lower-case name -> the names spelled so in the folder.
    using Listing = std::map<std::string, std::vector<std::string>>;
    std::map<std::filesystem::path, Listing> folders_;
};

// Finds a file (not a folder) by name: the exact name first, then a name differing only in the
// case of ASCII letters inside the same folder, as projects made on Windows spell them. A
// backslash in a relative name separates folders. Of several case variants the first in byte
// order wins. An empty name finds nothing. Folders are listed through `listings` when given.
std::optional<std::filesystem::path> find_file(const std::filesystem::path& name, FolderListings* listings = nullptr);

// A relative name with its backslashes turned into folder separators; other names unchanged.
std::filesystem::path slashed_name(const std::filesystem::path& name);

}  // namespace orbilan
