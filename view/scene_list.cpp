#include "view/scene_list.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "sim/extended.h"
#include "view/camera.h"
#include "view/gl_check.h"
#include "view/lighting.h"

namespace orbilan {

namespace {

struct Colour {
    GLfloat r, g, b, a;
};

constexpr Colour GRID_COLOUR{0.1f, 0.2f, 0.2f, 0};
constexpr Colour X_AXIS_COLOUR{0, 1, 0, 0};
constexpr Colour Y_AXIS_COLOUR{1, 0, 0, 0};
constexpr Colour Z_AXIS_COLOUR{1, 0, 1, 0};
constexpr Colour TRAIL_COLOUR{1, 1, 0, 1};
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

// Lines show the colours of their table; lit, they would take their shade from whatever
// normal the last sphere left behind. A later line wins over an earlier one at the same depth,
// so the axes show over the grid lines they lie on.
void begin_line_pass()
{
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
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

    const int k = shown_selection(view, scene);
    if (!is_scene_body(scene, k)) return;
    const Trail& p = scene.trail[k];
    const double x = p.trail_x[0], y = p.trail_y[0], z = p.trail_z[0];
    const double a = 4 * scene.bodies.radius[k];
    glBegin(GL_LINES);
    axis_lines(x, y, z, x + a, y + a, z + a, X_AXIS_COLOUR, Y_AXIS_COLOUR, Z_AXIS_COLOUR);
    glEnd();
}

// Segment j joins slots j and j + 1: yellow for j = 0..h, then fading to black up to
// j = trail_length. A slot with x exactly 0 has not been filled and ends that half (the older
// half starts at h whatever the newer one did). Each slot is sent once and the segments name
// their ends; drawn flat, a line takes the colour of its second end, so slot j + 1 carries the
// colour of segment j.
void add_trail(SceneLines& lines, const Trail& t, int trail_length, const ViewFrustum& frustum)
{
    const int half = static_cast<int>(std::nearbyint(trail_length / 2.0));
    const double half_length = trail_length / 2.0;
    const int last = std::min(trail_length, t.slot_count() - 2);  // a trail made for a shorter length
    int newer_end = 0;
    while (newer_end <= std::min(half, last) && t.trail_x[newer_end + 1] != 0.0) ++newer_end;
    int older_end = half;
    while (older_end <= last && t.trail_x[older_end + 1] != 0.0) ++older_end;
    const int slots = std::max(newer_end, older_end > half ? older_end : 0) + 1;
    if (slots < 2) return;
    double low[3] = {t.trail_x[0], t.trail_y[0], t.trail_z[0]}, high[3] = {low[0], low[1], low[2]};
    for (int k = 1; k < slots; ++k) {
        const double p[3] = {t.trail_x[k], t.trail_y[k], t.trail_z[k]};
        for (int c = 0; c < 3; ++c) low[c] = std::min(low[c], p[c]), high[c] = std::max(high[c], p[c]);
    }
    if (!sphere_in_view(frustum, (low[0] + high[0]) / 2, (low[1] + high[1]) / 2, (low[2] + high[2]) / 2,
                        std::hypot(high[0] - low[0], high[1] - low[1], high[2] - low[2]) / 2))
        return;

    const auto first = static_cast<GLuint>(lines.xyz.size() / 3);
    for (int k = 0; k < slots; ++k) {
        lines.xyz.insert(lines.xyz.end(), {static_cast<GLfloat>(t.trail_x[k]), static_cast<GLfloat>(t.trail_y[k]),
                                           static_cast<GLfloat>(t.trail_z[k])});
        const int j = k - 1;
        const double g = j < half ? 1.0 : std::clamp(1 - 2 * (j - half_length) / trail_length, 0.0, 1.0);
        const auto level = static_cast<GLubyte>(std::lround(255 * g));
        lines.rgba.insert(lines.rgba.end(), {level, level, 0, 255});
    }
    for (int j = 0; j < std::min(newer_end, half); ++j)
        lines.index.insert(lines.index.end(), {first + j, first + j + 1});
    for (int j = half; j < older_end; ++j) lines.index.insert(lines.index.end(), {first + j, first + j + 1});
}

void flush_trail_batch(SceneLines& lines)
{
    if (!lines.index.empty()) {
        glVertexPointer(3, GL_FLOAT, 0, lines.xyz.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, lines.rgba.data());
        glDrawElements(GL_LINES, static_cast<GLsizei>(lines.index.size()), GL_UNSIGNED_INT, lines.index.data());
    }
    lines.xyz.clear();
    lines.rgba.clear();
    lines.index.clear();
}

// Gathered anew at every frame in batches of bounded size: arrays for every trail at once would
// cost more memory per body than the trails themselves, and a display list of a hundred thousand
// segments takes longer to compile than a frame.
void draw_trails(const ViewState& view, const SceneBodies& scene, int trail_length, SceneLines& lines)
{
    const ViewFrustum frustum = view_frustum(view);
    constexpr std::size_t BATCH_INDICES = 2 * TRAIL_BATCH_SEGMENTS;
    const std::size_t most_slots = TRAIL_BATCH_SEGMENTS + 2 * (MAX_TRAIL_LENGTH + 2);
    lines.xyz.reserve(3 * most_slots);
    lines.rgba.reserve(4 * most_slots);
    lines.index.reserve(BATCH_INDICES + 2 * (MAX_TRAIL_LENGTH + 1));
    begin_line_pass();
    glShadeModel(GL_FLAT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (int i = 1, n = shown_body_count(scene); i <= n; ++i) {
        add_trail(lines, scene.trail[i], trail_length, frustum);
        if (lines.index.size() >= BATCH_INDICES) flush_trail_batch(lines);
    }
    flush_trail_batch(lines);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glShadeModel(GL_SMOOTH);
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

unsigned body_texture(const SceneBodies& scene, int i)
{
    const auto at = [&](int k) -> unsigned {
        return k < static_cast<int>(scene.texture_id.size()) ? scene.texture_id[k] : 0;
    };
    return at(i) != 0 ? at(i) : at(1);
}

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

void delete_scene_lists()
{
    glDeleteLists(SCENE_LIST, 1);
    glDeleteLists(SPHERE_LIST, SPHERE_DETAIL_LEVELS);
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
