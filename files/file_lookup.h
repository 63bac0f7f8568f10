#pragma once

#include <filesystem>
#include <optional>

namespace orbilan {

// Finds a file (not a folder) by name: the exact name first, then a name differing only in the
// case of ASCII letters inside the same folder, as projects made on Windows spell them. A
// backslash in a relative name separates folders. Of several case variants the first in byte
// order wins. An empty name finds nothing.
std::optional<std::filesystem::path> find_file(const std::filesystem::path& name);

// A relative name with its backslashes turned into folder separators; other names unchanged.
std::filesystem::path slashed_name(const std::filesystem::path& name);

}  // namespace orbilan
