// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/picking.h"

#include <cmath>
#include <limits>

#include "view/camera.h"

namespace orbilan {

int body_under_point(const ViewState& view, const SceneBodies& scene, double across, double down)
{
    const ViewFrustum f = view_frustum(view);
    if (!f.valid) return 0;
    // The ray from the eye through the point, on the picture plane one unit ahead.
    const double sx = (2 * across - 1) * f.tan_across;
    const double uy = (1 - 2 * down) * f.tan_up;
    double ray[3], length = 0;
    for (int k = 0; k < 3; ++k) {
        ray[k] = f.forward[k] + sx * f.side[k] + uy * f.up[k];
        length += ray[k] * ray[k];
    }
    length = std::sqrt(length);
    for (double& c : ray) c /= length;

    int nearest = 0;
    double nearest_depth = std::numeric_limits<double>::infinity();
    for (int i = 1, n = shown_body_count(scene); i <= n; ++i) {
        const Trail& t = scene.trail[i];
        const double q[3] = {t.trail_x[0] - f.eye[0], t.trail_y[0] - f.eye[1], t.trail_z[0] - f.eye[2]};
        const double along = q[0] * ray[0] + q[1] * ray[1] + q[2] * ray[2];
        const double miss2 = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] - along * along;
        const double r = scene.bodies.radius[i];
        if (!(miss2 <= r * r)) continue;
        // Where the ray enters the sphere; a sphere around the eye counts from the eye.
        const double depth = std::max(0.0, along - std::sqrt(r * r - miss2));
        if (along + r > 0 && depth < nearest_depth) {
            nearest_depth = depth;
            nearest = i;
        }
    }
    return nearest;
}

}  // namespace orbilan
