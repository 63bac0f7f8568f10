// SPDX-License-Identifier: GPL-3.0-or-later
// The scene list: the plane, the axes, the exhaust line and the lines from the origin, compiled
// when the bodies or the switches change, and the frame that draws it with the spheres and trails.
#include "view/scene_list.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <initializer_list>

#include "sim/extended.h"
#include "view/gl_check.h"
#include "view/line_pass.h"
#include "view/spheres.h"
#include "view/trail_batches.h"

namespace orbilan {

namespace {

struct Colour {
    GLfloat r, g, b, a;
};

constexpr Colour GRID_COLOUR{0.1f, 0.2f, 0.2f, 0};
constexpr Colour X_AXIS_COLOUR{0, 1, 0, 0};
constexpr Colour Y_AXIS_COLOUR{1, 0, 0, 0};
constexpr Colour Z_AXIS_COLOUR{1, 0, 1, 0};
constexpr Colour PLUME_COLOUR{1, 1, 1, 1};
constexpr Colour PLUME_X_COLOUR{0, 1, 0, 1};
constexpr Colour PLUME_Y_COLOUR{1, 0, 0, 1};
constexpr Colour PLUME_Z_COLOUR{1, 0, 1, 1};
constexpr Colour ORIGIN_LINE_COLOUR{0.3f, 0.3f, 1, 1};

void colour(const Colour& c) { glColor4f(c.r, c.g, c.b, c.a); }

template <typename T>
void line(T x0, T y0, T z0, T x1, T y1, T z1)
{
    glVertex3f(static_cast<GLfloat>(x0), static_cast<GLfloat>(y0), static_cast<GLfloat>(z0));
    glVertex3f(static_cast<GLfloat>(x1), static_cast<GLfloat>(y1), static_cast<GLfloat>(z1));
}

// Three lines from (x, y, z) to (x1, y, z), (x, y1, z) and (x, y, z1), coloured x, y and z.
template <typename T>
void axis_lines(T x, T y, T z, T x1, T y1, T z1, const Colour& cx, const Colour& cy, const Colour& cz)
{
    colour(cx);
    line(x, y, z, x1, y, z);
    colour(cy);
    line(x, y, z, x, y1, z);
    colour(cz);
    line(x, y, z, x, y, z1);
}

void draw_xy_plane(const ViewState& view)
{
    const extended s = view.plane_half_size;
    const extended d = s / 10;  // the grid step
    // Before a project is loaded the plane has no size, and a zero step would never end.
    if (!(d > 0) || !std::isfinite(s)) return;

    glBegin(GL_LINES);
    colour(GRID_COLOUR);
    line(-s, s, extended(0), s, s, extended(0));
    line(-s, -s, extended(0), s, -s, extended(0));
    line(s, -s, extended(0), s, s, extended(0));
    line(-s, -s, extended(0), -s, s, extended(0));

    for (extended y = -s; y <= 0; y += d) line(-s, y, extended(0), s, y, extended(0));
    for (extended y = d; y <= s; y += d) line(-s, y, extended(0), s, y, extended(0));
    // With the axes shown, the positive halves of the centre lines are left to the axes.
    const extended x_end = view.hide_axis != 0 ? s : 0;
    line(-s, extended(0), extended(0), x_end, extended(0), extended(0));

    for (extended x = -s; x <= 0; x += d) line(x, -s, extended(0), x, s, extended(0));
    for (extended x = d; x <= s; x += d) line(x, -s, extended(0), x, s, extended(0));
    line(extended(0), -s, extended(0), extended(0), x_end, extended(0));
    glEnd();
}

void draw_axes(const ViewState& view, const SceneBodies& scene)
{
    const extended s = view.plane_half_size;
    const extended o = 0;
    glBegin(GL_LINES);
    axis_lines(o, o, o, s, s, s, X_AXIS_COLOUR, Y_AXIS_COLOUR, Z_AXIS_COLOUR);
    glEnd();

    const int k = view.selected_body;
    if (!is_scene_body(scene, k)) return;
    const Trail& p = scene.trail[k];
    const double x = p.trail_x[0], y = p.trail_y[0], z = p.trail_z[0];
    const double a = 4 * scene.bodies.radius[k];
    glBegin(GL_LINES);
    axis_lines(x, y, z, x + a, y + a, z + a, X_AXIS_COLOUR, Y_AXIS_COLOUR, Z_AXIS_COLOUR);
    glEnd();
}

void draw_exhaust_plume(const ExhaustPlume& plume)
{
    const double x0 = plume.trail_x[0], y0 = plume.trail_y[0], z0 = plume.trail_z[0];
    const double x1 = plume.trail_x[1], y1 = plume.trail_y[1], z1 = plume.trail_z[1];
    // A run whose coordinates left the range of double has no line to draw.
    for (const double v : {x0, y0, z0, x1, y1, z1})
        if (!std::isfinite(v)) return;
    glBegin(GL_LINES);
    colour(PLUME_COLOUR);
    line(x0, y0, z0, x1, y1, z1);
    axis_lines(x0, y0, z0, x1, y1, z1, PLUME_X_COLOUR, PLUME_Y_COLOUR, PLUME_Z_COLOUR);
    glEnd();
}

void draw_origin_lines(const SceneBodies& scene)
{
    glBegin(GL_LINES);
    colour(ORIGIN_LINE_COLOUR);
    for (int i = 1, n = shown_body_count(scene); i <= n; ++i) {
        const Trail& t = scene.trail[i];
        line(0.0f, 0.0f, 0.0f, t.trail_x[0], t.trail_y[0], t.trail_z[0]);
    }
    glEnd();
}

}  // namespace

void delete_scene_lists()
{
    glDeleteLists(SCENE_LIST, 1);
    delete_sphere_lists();
}

void build_scene_list(const ViewState& view, const SceneBodies& scene)
{
    glNewList(SCENE_LIST, GL_COMPILE);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    begin_line_pass();

    if (view.hide_xy_plane == 0) draw_xy_plane(view);
    if (view.hide_axis == 0) draw_axes(view, scene);
    if (shown_body_count(scene) > 0) {
        if (view.hide_trails == 0) draw_exhaust_plume(scene.bodies.exhaust_plume);
        if (view.hide_origin_lines == 0) draw_origin_lines(scene);
    }
    glEndList();
    check_gl("the scene list");
}

bool scene_drawable(const ViewState& view)
{
    const double d = view.camera_distance;
    return d > 0 && std::isfinite(d) &&
           (view.camera_eye[0] != static_cast<double>(view.camera_target[0]) ||
            view.camera_eye[1] != static_cast<double>(view.camera_target[1]) ||
            view.camera_eye[2] != static_cast<double>(view.camera_target[2]));
}

void draw_frame(const ViewState& view, const SceneBodies& scene, SceneLines& lines)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!scene_drawable(view)) return;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    gluLookAt(view.camera_eye[0], view.camera_eye[1], view.camera_eye[2], static_cast<double>(view.camera_target[0]),
              static_cast<double>(view.camera_target[1]), static_cast<double>(view.camera_target[2]), 0, 0, 1);
    glCallList(SCENE_LIST);
    if (view.hide_spheres == 0 && shown_body_count(scene) > 0) draw_spheres(view, scene);
    if (view.hide_trails == 0 && shown_body_count(scene) > 0)
        draw_trails(view, scene, trail_slots(view.trail_length) - 2, lines);
    glPopMatrix();
    check_gl("the frame");
}

}  // namespace orbilan
