#pragma once

#include <string>

namespace orbilan {

// True when something (a file or a folder) exists at path.
bool file_exists(const std::string& path);

// The path of the entry of folder whose name equals name, ignoring ASCII case (projects made on
// Windows spell skin names freely). An exact match wins; empty when nothing matches.
std::string find_file(const std::string& folder, const std::string& name);

}  // namespace orbilan
