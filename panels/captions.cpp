// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/captions.h"

#include <algorithm>
#include <array>

#include "files/number_format.h"
#include "sim/extended.h"

namespace orbilan {

namespace {

struct TimeUnit {
    std::string_view caption;
    double factor;
};

constexpr std::array<TimeUnit, TIME_UNIT_COUNT> TIME_UNITS{{
    {"time (us)", 1000000.0},
    {"time (s)", 1.0},
    {"time (hour)", 1.0 / 3600},
    {"time (day)", 1.0 / (24 * 3600)},
    {"time (year)", 1.0 / SECONDS_PER_YEAR},
}};

bool is_time_unit(int time_unit) { return time_unit >= 0 && time_unit < TIME_UNIT_COUNT; }

}  // namespace

std::string_view time_unit_caption(int time_unit)
{
    return is_time_unit(time_unit) ? TIME_UNITS[time_unit].caption : std::string_view{};
}

double time_unit_factor(int time_unit) { return is_time_unit(time_unit) ? TIME_UNITS[time_unit].factor : 1.0; }

int next_time_unit(int time_unit) { return is_time_unit(time_unit + 1) ? time_unit + 1 : 0; }

std::string numeric_panel_caption(int k, std::string_view name)
{
    return "NUMERIC DATA for OBJECT = " + signed_integer_text(k) + "  (" + std::string(name) + ")";
}

std::string toolbar_caption(const std::filesystem::path& project_path, int k, std::string_view name)
{
    std::string file = project_path.filename().string();
    file.resize(std::min(file.size(), file.find('.')));
    return file + "; Object :" + signed_integer_text(k) + "  (" + std::string(name) + ")";
}

}  // namespace orbilan
