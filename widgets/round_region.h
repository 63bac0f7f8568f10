// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRegion>

namespace orbilan {

// The rounded rectangle a button is clipped to and hit-tested against: `corner` is the width and
// height of the corner ellipse, as in a round-rect region spanning (0, 0) to (width, height).
QRegion round_rect_region(int width, int height, int corner);

}  // namespace orbilan
