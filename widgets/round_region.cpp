// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/round_region.h"

#include <algorithm>
#include <cmath>

namespace orbilan {

QRegion round_rect_region(int width, int height, int corner)
{
    if (width <= 0 || height <= 0) return {};
    const int diameter = std::min({corner, width, height});
    if (diameter < 2) return QRegion(0, 0, width, height);

    // Built row by row: each pixel row keeps the span whose centre lies inside the corner ellipses.
    const double radius = diameter / 2.0;
    QRegion region;
    int band_top = 0;
    int band_inset = -1;
    for (int y = 0; y <= height; ++y) {
        int inset = 0;
        if (y < height) {
            const double yc = y + 0.5;
            const double dy = yc < radius ? radius - yc : (yc > height - radius ? yc - (height - radius) : 0.0);
            if (dy > 0.0)
                inset = static_cast<int>(std::ceil(radius - std::sqrt(std::max(0.0, radius * radius - dy * dy)) - 0.5));
        }
        if (y == height || inset != band_inset) {
            if (band_inset >= 0 && y > band_top && width - 2 * band_inset > 0)
                region += QRegion(band_inset, band_top, width - 2 * band_inset, y - band_top);
            band_top = y;
            band_inset = inset;
        }
    }
    return region;
}

}  // namespace orbilan
