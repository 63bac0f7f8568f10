// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/start_up.h"

namespace orbilan {

// The settings, theme and panel steps of the real program, with the commands wired in.
StartUpSteps program_start_up_steps(Platform& platform);

}  // namespace orbilan
