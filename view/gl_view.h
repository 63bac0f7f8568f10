// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QOpenGLWidget>
#include <QTimer>

#include <functional>
#include <string>

#include "sim/body_snapshot.h"
#include "sim/body_table.h"
#include "sim/simulation_state.h"
#include "view/scene_list.h"
#include "view/view_state.h"

namespace orbilan {

class Platform;

// The frame rates the options panel cycles through, by fps_index.
constexpr int FPS_INDEX_COUNT = 7;

// Redraw timer period for fps_index 1..FPS_INDEX_COUNT - 1; 0 (and anything else) means no timer.
int redraw_interval_ms(int fps_index);

// The 3D view: draws the captured scene with the camera of a ViewState. The state lives with
// the program; the widget supplies the GL context and turns mouse, wheel and timer into the
// view's functions. GL work runs with this widget's context current.
class GlView : public QOpenGLWidget {
    Q_OBJECT
public:
    // Fills a snapshot with the bodies to show: the running simulation's latest step, or the
    // table between runs.
    using PositionSource = std::function<void(BodySnapshot&)>;

    GlView(ViewState& view, SceneBodies& scene, Platform& platform, QWidget* parent = nullptr);
    ~GlView() override;

    void set_position_source(PositionSource source) { position_source_ = std::move(source); }
    // Called by each timer tick, once the frame is set up, with the bodies it captured: to refresh
    // the panels that show values, and for a recording to take the frame.
    void set_tick_listener(std::function<void(const BodySnapshot&)> listener) { tick_listener_ = std::move(listener); }
    // Called with the body a camera command selected.
    void set_selection_listener(std::function<void(int)> listener) { selection_listener_ = std::move(listener); }
    // Called with camera_distance whenever the projection is set up again after it changed
    // (wheel, floors, selection, a load), for a running simulation that sizes the exhaust line.
    void set_distance_listener(std::function<void(double)> listener) { distance_listener_ = std::move(listener); }

    void setup_projection();
    void apply_render_state();
    // A frame with the existing scene list.
    void redraw_view();
    // The scene list compiled anew, then a frame.
    void rebuild_view();
    void capture_positions();

    void set_redraw_timer(int fps_index);
    void kill_redraw_timer();
    // The redraw timer's period in ms; 0 while it is off.
    int redraw_interval() const { return redraw_timer_.isActive() ? redraw_timer_.interval() : 0; }
    void on_view_timer();

    // What a load shows: the skins (default_skin for a body whose skin is missing), fresh trails,
    // the bodies, the camera following the selected body (and fitted to them all when fit_camera
    // is set). Between runs only.
    void show_loaded_bodies(const BodyTable& table, const SimulationState& state, const std::string& default_skin,
                            bool fit_camera = true);

    void look_at_origin();
    void select_next_body();
    void select_previous_body();
    // Selects and follows the body whose sphere is under a point of the view (the nearest to the
    // eye), as the body buttons do; false, with nothing changed, on empty space.
    bool select_body_at(QPointF at);
    // What a wheel step of delta does (delta > 0 zooms in).
    void zoom_by(int delta);
    // What a middle-button drag by dx, dy pixels does.
    void orbit_by(int dx, int dy);
    void more_light();
    void less_light();

    // Frees the textures and lists while the context still exists.
    void destroy_view();

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool make_current();
    using GlSetUp = void (*)(ViewState&, const SceneBodies&, int width, int height);
    void set_up_gl(GlSetUp set_up);
    // The viewport counts device pixels; the window's size is in Qt's logical ones.
    int pixels(int length) const;
    void load_skins(const BodyTable& table, const std::string& default_skin);
    void after_selection(int selected);
    void report_distance();

    ViewState& view_;
    SceneBodies& scene_;
    Platform& platform_;
    QTimer redraw_timer_;
    PositionSource position_source_;
    std::function<void(const BodySnapshot&)> tick_listener_;
    std::function<void(int)> selection_listener_;
    std::function<void(double)> distance_listener_;
    double reported_distance_ = 0;
    SceneLines lines_;
    bool scene_stale_ = true;
    bool gl_ready_ = false;
};

}  // namespace orbilan
