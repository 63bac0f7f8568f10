// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/trail_batches.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "view/camera.h"
#include "view/line_pass.h"

namespace orbilan {

namespace {

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

}  // namespace

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

}  // namespace orbilan
