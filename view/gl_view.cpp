// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/gl_view.h"

#include <GL/gl.h>

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QWheelEvent>

#include <array>

#include "platform/platform.h"
#include "platform/qt_platform.h"
#include "view/camera.h"
#include "view/picking.h"
#include "view/projection.h"
#include "view/scene_list.h"
#include "view/skins.h"
#include "view/spheres.h"
#include "view/trails.h"

namespace orbilan {

namespace {

int mouse_key_state(const QMouseEvent& event)
{
    int keys = 0;
    if (event.buttons() & Qt::LeftButton) keys |= MK_LBUTTON;
    if (event.buttons() & Qt::RightButton) keys |= MK_RBUTTON;
    if (event.buttons() & Qt::MiddleButton) keys |= MK_MBUTTON;
    if (event.modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
    if (event.modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
    return keys;
}

}  // namespace

int redraw_interval_ms(int fps_index)
{
    static constexpr std::array<int, FPS_INDEX_COUNT> INTERVALS{0, 1000, 500, 200, 100, 50, 20};
    return fps_index >= 1 && fps_index < FPS_INDEX_COUNT ? INTERVALS[fps_index] : 0;
}

GlView::GlView(ViewState& view, SceneBodies& scene, Platform& platform, QWidget* parent)
    : QOpenGLWidget(parent), view_(view), scene_(scene), platform_(platform)
{
    setFormat(view_surface_format());
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    redraw_timer_.setObjectName("REDRAW_TIMER_ID");
    connect(&redraw_timer_, &QTimer::timeout, this, &GlView::on_view_timer);
}

GlView::~GlView()
{
    // The base class destroys the context after this object is gone; it must not call back.
    if (context()) disconnect(context(), nullptr, this, nullptr);
    destroy_view();
}

bool GlView::make_current()
{
    if (!gl_ready_) return false;
    makeCurrent();
    return true;
}

void GlView::destroy_view()
{
    if (!make_current()) return;
    release_textures(scene_.texture_id);
    delete_scene_lists();
    doneCurrent();
    gl_ready_ = false;
}

void GlView::initializeGL()
{
    gl_ready_ = true;
    create_sphere_list();
    scene_stale_ = true;
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &GlView::destroy_view,
            Qt::ConnectionType(Qt::DirectConnection | Qt::UniqueConnection));
}

void GlView::resizeGL(int, int)
{
    view_.view_width = width();
    view_.view_height = height();
    orbilan::apply_render_state(view_, scene_, pixels(view_.view_width), pixels(view_.view_height));
}

int GlView::pixels(int length) const { return qRound(length * devicePixelRatioF()); }

void GlView::paintGL()
{
    compute_eye(view_, view_.camera_target);
    if (scene_stale_) {
        build_scene_list(view_, scene_);
        scene_stale_ = false;
    }
    draw_frame(view_, scene_, lines_);
}

void GlView::setup_projection() { set_up_gl(orbilan::setup_projection); }

void GlView::apply_render_state() { set_up_gl(orbilan::apply_render_state); }

void GlView::set_up_gl(GlSetUp set_up)
{
    // Without a context (no OpenGL, or not shown yet) the camera still needs the projection's values.
    if (make_current())
        set_up(view_, scene_, pixels(view_.view_width), pixels(view_.view_height));
    else
        update_projection_values(view_, scene_, view_.view_width, view_.view_height);
    report_distance();
}

void GlView::report_distance()
{
    if (!distance_listener_ || view_.camera_distance == reported_distance_) return;
    reported_distance_ = view_.camera_distance;
    distance_listener_(reported_distance_);
}

void GlView::redraw_view()
{
    compute_eye(view_, view_.camera_target);
    update();
}

void GlView::rebuild_view()
{
    compute_eye(view_, view_.camera_target);
    scene_stale_ = true;
    update();
}

void GlView::capture_positions()
{
    if (!position_source_) return;
    position_source_(scene_.bodies);
    orbilan::capture_positions(scene_);
    keep_selection(view_, scene_.bodies.body_count);
}

void GlView::set_redraw_timer(int fps_index)
{
    const int interval = redraw_interval_ms(fps_index);
    if (interval > 0)
        redraw_timer_.start(interval);
    else
        redraw_timer_.stop();
}

void GlView::kill_redraw_timer() { redraw_timer_.stop(); }

void GlView::on_view_timer()
{
    capture_positions();
    if (view_.hide_trails == 0) advance_trails(scene_, view_);
    const int k = view_.look_at_body;
    if (k > 0 && is_scene_body(scene_, k)) {
        const Trail& t = scene_.trail[k];
        view_.camera_target = {t.trail_x[0], t.trail_y[0], t.trail_z[0]};
    } else {
        view_.camera_target = {0, 0, 0};
    }
    setup_projection();
    rebuild_view();
    if (tick_listener_) tick_listener_(scene_.bodies);
}

void GlView::load_skins(const BodyTable& table, const std::string& default_skin)
{
    if (!make_current()) return;
    release_textures(scene_.texture_id);
    scene_.texture_id = load_body_textures(table, default_skin, platform_);
}

void GlView::show_loaded_bodies(const BodyTable& table, const SimulationState& state, const std::string& default_skin,
                                bool fit_camera)
{
    load_skins(table, default_skin);
    start_following_run(scene_);
    orbilan::capture_positions(scene_, table, state);
    reset_trails(scene_, view_);
    if (fit_camera) fit_view_to_scene(view_, scene_);
    const int k = view_.selected_body;
    if (is_scene_body(scene_, k)) {
        const Trail& t = scene_.trail[k];
        view_.camera_target = {t.trail_x[0], t.trail_y[0], t.trail_z[0]};
        view_.look_at_body = k;
    }
    apply_render_state();
    rebuild_view();
}

void GlView::after_selection(int selected)
{
    if (selected == 0) {
        platform_.message_box(no_objects_message());
        return;
    }
    if (selection_listener_) selection_listener_(selected);
    apply_render_state();
    rebuild_view();
}

void GlView::look_at_origin()
{
    if (!orbilan::look_at_origin(view_, scene_)) {
        platform_.message_box(no_objects_message());
        return;
    }
    apply_render_state();
    redraw_view();
}

void GlView::select_next_body() { after_selection(orbilan::select_next_body(view_, scene_)); }

void GlView::select_previous_body() { after_selection(orbilan::select_previous_body(view_, scene_)); }

void GlView::more_light()
{
    orbilan::more_light(view_);
    apply_render_state();
    rebuild_view();
}

void GlView::less_light()
{
    orbilan::less_light(view_);
    apply_render_state();
    rebuild_view();
}

bool GlView::select_body_at(QPointF at)
{
    if (width() <= 0 || height() <= 0) return false;
    const int k = body_under_point(view_, scene_, at.x() / width(), at.y() / height());
    if (k == 0) return false;
    after_selection(follow_body(view_, scene_, k));
    return true;
}

void GlView::zoom_by(int delta)
{
    zoom_camera(view_, scene_, delta);
    setup_projection();
    capture_positions();
    redraw_view();
}

void GlView::orbit_by(int dx, int dy)
{
    view_.drag_restart = 0;
    view_.drag_last_x = view_.drag_last_y = 0;
    rotate_camera(view_, MK_MBUTTON, dx, dy);
    // A middle-button drag starts afresh after this.
    view_.drag_restart = 1;
    setup_projection();
    redraw_view();
}

void GlView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::MiddleButton) view_.drag_restart = 1;
    if (event->button() == Qt::LeftButton) select_body_at(event->position());
}

void GlView::mouseMoveEvent(QMouseEvent* event)
{
    const int keys = mouse_key_state(*event);
    if (keys != MK_MBUTTON) return;
    setFocus();
    const QPoint at = event->position().toPoint();
    rotate_camera(view_, keys, at.x(), at.y());
    setup_projection();
    redraw_view();
}

void GlView::wheelEvent(QWheelEvent* event)
{
    const int delta = event->angleDelta().y();
    if (delta != 0) zoom_by(delta);
}

}  // namespace orbilan
