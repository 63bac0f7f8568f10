// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orbilan {

constexpr int TIME_UNIT_COUNT = 5;
// "time (us)", "time (s)", "time (hour)", "time (day)", "time (year)"; empty outside 0..4.
std::string_view time_unit_caption(int time_unit);
// Display units per second; 1 outside 0..4.
double time_unit_factor(int time_unit);
// The unit after time_unit, wrapping back to 0.
int next_time_unit(int time_unit);

// "NUMERIC DATA for OBJECT = " + signed(k) + "  (" + name + ")"
std::string numeric_panel_caption(int k, std::string_view name);
// Project file name without folder, cut before its first "." + "; Object :" + signed(k) + "  (" + name + ")"
std::string toolbar_caption(const std::filesystem::path& project_path, int k, std::string_view name);

}  // namespace orbilan
