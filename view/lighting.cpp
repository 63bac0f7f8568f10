// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/lighting.h"

#include <GL/gl.h>

namespace orbilan {

void setup_lighting(const ViewState& view, const SceneBodies& scene)
{
    const auto a = static_cast<GLfloat>(view.ambient_level);
    GLfloat position[4] = {0, 0, 0, 1};
    if (is_scene_body(scene, 1)) {
        const Trail& sun = scene.trail[1];
        position[0] = static_cast<GLfloat>(sun.trail_x[0]);
        position[1] = static_cast<GLfloat>(sun.trail_y[0]);
        position[2] = static_cast<GLfloat>(sun.trail_z[0]);
    }
    const GLfloat ambient[4] = {a, a, a, 1};
    const GLfloat diffuse[4] = {1, 1, 1, 1};

    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
}

}  // namespace orbilan
