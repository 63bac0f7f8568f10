// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/projection.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "view/camera.h"
#include "view/gl_check.h"
#include "view/lighting.h"

namespace orbilan {

void update_projection_values(ViewState& view, const SceneBodies& scene, int width, int height)
{
    view.fov_y = 30;
    // A collapsed window has no height; keep the aspect finite until it is restored.
    view.aspect_ratio = static_cast<double>(width) / (height > 0 ? height : 1);
    const double r = followed_radius(view, scene);
    if (6 * r > view.camera_distance) view.camera_distance = 6 * r;
    update_clip_planes(view);
}

void update_clip_planes(ViewState& view)
{
    view.z_near = view.camera_distance / 4;
    view.z_far = view.z_near * 100000000;
}

void setup_projection(ViewState& view, const SceneBodies& scene, int width, int height)
{
    update_projection_values(view, scene, width, height);

    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    setup_lighting(view, scene);

    // Before a project is loaded the distance is 0 and the frame draws nothing; the projection
    // still needs planes that gluPerspective accepts.
    const bool usable = view.z_near > 0 && std::isfinite(view.z_far) && view.aspect_ratio > 0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(view.fov_y, usable ? view.aspect_ratio : 1.0, usable ? view.z_near : 1.0, usable ? view.z_far : 2.0);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_MODELVIEW);
}

void apply_render_state(ViewState& view, const SceneBodies& scene, int width, int height)
{
    setup_projection(view, scene, width, height);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_DONT_CARE);
    setup_lighting(view, scene);
    check_gl("the render state");
}

}  // namespace orbilan
