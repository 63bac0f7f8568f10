// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/spheres.h"

#include <GL/gl.h>

#include <cmath>

#include "sim/extended.h"
#include "view/camera.h"
#include "view/gl_check.h"
#include "view/lighting.h"

namespace orbilan {

namespace {

unsigned body_texture(const SceneBodies& scene, int i)
{
    const auto at = [&](int k) -> unsigned {
        return k < static_cast<int>(scene.texture_id.size()) ? scene.texture_id[k] : 0;
    };
    return at(i) != 0 ? at(i) : at(1);
}

// The unit sphere as one batch of triangles, with the texture layout of a GLU quadric sphere: t
// runs from 0 at the south pole to 1 at the north pole, s from 0 at +y through 0.25 at -x, 0.5
// at -y and 0.75 at +x, so that a skin reads left to right seen from outside with +z up. One
// batch per sphere instead of one strip per stack keeps a scene of many bodies cheap to draw.
void unit_sphere(int slices, int stacks)
{
    const auto vertex = [=](int slice, int stack) {
        const double s = 1.0 - static_cast<double>(slice) / slices;
        const double t = 1.0 - static_cast<double>(stack) / stacks;
        const double around = 2 * PI * slice / slices;
        const double down = PI * stack / stacks;
        const double x = std::sin(down) * std::sin(around);
        const double y = std::sin(down) * std::cos(around);
        const double z = std::cos(down);
        glNormal3d(x, y, z);
        glTexCoord2d(s, t);
        glVertex3d(x, y, z);
    };
    glBegin(GL_TRIANGLES);
    for (int stack = 0; stack < stacks; ++stack) {
        for (int slice = 0; slice < slices; ++slice) {
            // Counter-clockwise seen from outside.
            vertex(slice, stack);
            vertex(slice + 1, stack + 1);
            vertex(slice, stack + 1);
            vertex(slice, stack);
            vertex(slice + 1, stack);
            vertex(slice + 1, stack + 1);
        }
    }
    glEnd();
}

}  // namespace

int sphere_detail_level(double pixels)
{
    int level = 0;
    // A polygon of n sides strays r (1 - cos(pi / n)) inside the circle it stands for.
    while (level + 1 < SPHERE_DETAIL_LEVELS && pixels * (1 - std::cos(PI / (SPHERE_SLICES >> (level + 1)))) <= 0.5)
        ++level;
    return level;
}

void create_sphere_list()
{
    for (int level = 0; level < SPHERE_DETAIL_LEVELS; ++level) {
        glNewList(SPHERE_LIST + level, GL_COMPILE);
        const int slices = SPHERE_SLICES >> level;
        unit_sphere(slices, level == 0 ? SPHERE_STACKS : slices / 2);
        glEndList();
    }
    check_gl("the unit sphere");
}

void delete_sphere_lists() { glDeleteLists(SPHERE_LIST, SPHERE_DETAIL_LEVELS); }

// Spheres are drawn at every frame rather than compiled into the scene list, so that each
// takes the level of detail of the camera as it is now; the texture and the glow change only
// where they differ from the body before.
void draw_spheres(const ViewState& view, const SceneBodies& scene)
{
    static constexpr GLfloat GLOW[4] = {1, 1, 1, 1};
    static constexpr GLfloat DARK[4] = {0, 0, 0, 1};
    // The lines left their colour in the tracked material; only the diffuse part may follow
    // the colour here, and the ambient part is set after that, or the spheres take the tint
    // of the last line drawn.
    glDepthFunc(GL_LESS);
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glColor4f(1, 1, 1, 1);
    setup_lighting(view, scene);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_TEXTURE_2D);
    // The unit sphere is scaled to each radius, so its normals need renormalising. Its far
    // side is hidden by its near side anyway.
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    const auto& eye = view.camera_eye;
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double pixels_per_radian = viewport[3] / 2.0 / std::tan(view.fov_y * PI / 360);
    // Most bodies of a large cluster seen from inside it lie behind or beside the camera.
    const ViewFrustum frustum = view_frustum(view);
    unsigned bound = 0;
    bool glowing = false;
    glBindTexture(GL_TEXTURE_2D, 0);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, DARK);
    for (int i = 1, n = shown_body_count(scene); i <= n; ++i) {
        const double r = scene.bodies.radius[i];
        const Trail& t = scene.trail[i];
        if (!(r > 0) || !std::isfinite(r)) continue;
        if (!sphere_in_view(frustum, t.trail_x[0], t.trail_y[0], t.trail_z[0], r)) continue;
        if ((i == 1) != glowing) {
            glowing = i == 1;
            glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, glowing ? GLOW : DARK);
        }
        if (const unsigned texture = body_texture(scene, i); texture != bound) {
            glBindTexture(GL_TEXTURE_2D, texture);
            bound = texture;
        }
        // An eye inside the sphere sees it at any size.
        const double distance = std::hypot(t.trail_x[0] - eye[0], t.trail_y[0] - eye[1], t.trail_z[0] - eye[2]);
        const double pixels = distance > r ? r / distance * pixels_per_radian : HUGE_VAL;
        glPushMatrix();
        glTranslated(t.trail_x[0], t.trail_y[0], t.trail_z[0]);
        glScaled(r, r, r);
        glCallList(SPHERE_LIST + sphere_detail_level(pixels));
        glPopMatrix();
    }
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, DARK);
    glDisable(GL_CULL_FACE);
    glDisable(GL_NORMALIZE);
    glDisable(GL_TEXTURE_2D);
}

}  // namespace orbilan
