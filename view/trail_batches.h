// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <vector>

#include "view/view_state.h"

namespace orbilan {

// Room for one batch of trail segments, drawn from arrays after the scene list.
struct SceneLines {
    std::vector<float> xyz;
    std::vector<unsigned char> rgba;
    std::vector<unsigned> index;
};
constexpr std::size_t TRAIL_BATCH_SEGMENTS = 16384;

// Draws the trails of the bodies in view as flat-shaded lines, in batches through `lines`.
void draw_trails(const ViewState& view, const SceneBodies& scene, int trail_length, SceneLines& lines);

}  // namespace orbilan
