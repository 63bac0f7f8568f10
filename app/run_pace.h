// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>

namespace orbilan {

// Run speeds offered by the keys and the view's menu, in simulated seconds per second of wall time,
// from the slowest to 0: as fast as the processor allows.
struct PaceChoice {
    double pace;
    const char* name;
};
extern const std::array<PaceChoice, 7> PACE_CHOICES;

// The next choice slower ([) or faster (]) than a pace, which may be a project's own. The slowest
// choice stays, and so does the fastest.
double slower_pace(double pace);
double faster_pace(double pace);

// "real time", "1 day/s", "10 day/s", "4 s/s", ... or "as fast as possible" for 0.
std::string pace_name(double pace);

// What the toolbar's caption adds for a pace: nothing for as fast as possible.
std::string pace_caption_note(double pace);

}  // namespace orbilan
