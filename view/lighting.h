// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "view/view_state.h"

namespace orbilan {

// Enables light 0 at body 1 (the origin while there is none) with ambient_level as the grey of
// both the light's and the material's ambient part.
void setup_lighting(const ViewState& view, const SceneBodies& scene);

}  // namespace orbilan
