// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_pace.h"

#include <cstdio>

namespace orbilan {

namespace {

constexpr double MINUTE = 60, HOUR = 3600, DAY = 86400;
constexpr double MONTH = 30.436875 * DAY, YEAR = 365.2425 * DAY;  // Gregorian averages

}  // namespace

const std::array<PaceChoice, 7> PACE_CHOICES = {{
    {1, "real time"},
    {MINUTE, "1 min/s"},
    {HOUR, "1 h/s"},
    {DAY, "1 day/s"},
    {MONTH, "1 month/s"},
    {YEAR, "1 yr/s"},
    {0, "as fast as possible"},
}};

double slower_pace(double pace)
{
    // The choices ascend: the last one below the pace is the nearest.
    double slower = 0;
    for (const PaceChoice& choice : PACE_CHOICES)
        if (choice.pace > 0 && (pace <= 0 || choice.pace < pace)) slower = choice.pace;
    return slower > 0 ? slower : pace;
}

double faster_pace(double pace)
{
    if (pace <= 0) return 0;
    for (const PaceChoice& choice : PACE_CHOICES)
        if (choice.pace > pace) return choice.pace;
    return 0;
}

std::string pace_name(double pace)
{
    if (!(pace > 0)) return PACE_CHOICES.back().name;
    if (pace == 1) return PACE_CHOICES.front().name;
    const std::pair<double, const char*> units[] = {{YEAR, "yr"}, {MONTH, "month"}, {DAY, "day"},
                                                    {HOUR, "h"},  {MINUTE, "min"},  {1, "s"}};
    auto unit = units[5];
    for (const auto& u : units)
        if (pace >= u.first) {
            unit = u;
            break;
        }
    char text[64];
    std::snprintf(text, sizeof text, "%.3g %s/s", pace / unit.first, unit.second);
    return text;
}

std::string pace_caption_note(double pace) { return pace > 0 ? "  [" + pace_name(pace) + "]" : std::string(); }

}  // namespace orbilan
