#pragma once

#include "app/start_up.h"

namespace orbilan {

// The settings, theme and panel steps of the real program. The panels are wired in here.
StartUpSteps program_start_up_steps();

}  // namespace orbilan
