// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "view/view_state.h"

namespace orbilan {

// The body whose sphere lies under a point of the view, given as fractions of its width and height
// from the top left corner: the nearest to the eye where spheres overlap. 0 on empty space.
int body_under_point(const ViewState& view, const SceneBodies& scene, double across, double down);

}  // namespace orbilan
