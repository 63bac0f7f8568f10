// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/settings_file.h"
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "panels/panel_handlers.h"
#include "platform/platform.h"
#include "view/camera.h"
#include "view/trails.h"

namespace orbilan {

namespace {

// The frame-rate captions by fps_index.
const char* const FPS_LABELS[FPS_INDEX_COUNT] = {"FPS=0 (OFF)", "FPS=1",  "FPS=2", "FPS=5",
                                                 "FPS=10",      "FPS=20", "FPS=50"};

void toggle(ViewSwitch& hidden) { hidden = static_cast<ViewSwitch>(~hidden); }

void change_frame_rate(Session& s)
{
    if (!has_bodies(s)) {
        s.platform.message_box(no_objects_message());
        return;
    }
    s.gl_window->kill_redraw_timer();
    reset_trails(s.scene, s.view);
    set_frame_rate(s, s.control.fps_index + 1 >= FPS_INDEX_COUNT ? 0 : s.control.fps_index + 1);
}

void toggle_collision_mode(Session& s)
{
    s.control.collision_mode = static_cast<std::uint8_t>(~s.control.collision_mode);
    s.run->post({RunCommand::Kind::set_collision_mode, s.control.collision_mode});
    s.panels.options_panel->set_text(OP_COLLISION, s.control.collision_mode ? "COLLISION : ON" : "COLLISION : OFF");
}

void next_theme(Session& s)
{
    s.theme_id = s.theme_id + 1 >= THEME_COUNT ? 0 : s.theme_id + 1;
    load_theme_colors(s.theme_id, s.colors);
    apply_theme(s.panels, s.theme_id, s.colors);
    save_settings(s.files.settings_file, s.theme_id);
}

// The radius commands act on the selected body, at once between runs and between two steps
// during one; either way the view captures the bodies again, so the new size shows at once.
void change_radius(Session& s, const RunCommand& command)
{
    s.run->post(command);
    if (s.gl_window) s.gl_window->capture_positions();
    refresh_view(s);
}

}  // namespace

void set_frame_rate(Session& s, int fps_index)
{
    s.control.fps_index = fps_index;
    s.panels.options_panel->set_text(OP_FPS, FPS_LABELS[fps_index]);
    if (run_active(s)) s.gl_window->set_redraw_timer(fps_index);
}

void options_panel_handler(Session& s, int id)
{
    switch (id) {
    case OP_AXIS: toggle(s.view.hide_axis); break;
    case OP_PLANE: toggle(s.view.hide_xy_plane); break;
    case OP_LINE: toggle(s.view.hide_origin_lines); break;
    case OP_SPHERE: toggle(s.view.hide_spheres); break;
    case OP_TRAILS:
        toggle(s.view.hide_trails);
        if (s.view.hide_trails == 0) reset_trails(s.scene, s.view);
        break;
    case OP_FPS: change_frame_rate(s); return;
    case OP_COLLISION: toggle_collision_mode(s); return;
    case OP_SKIN: next_theme(s); return;
    case OP_LIGHT_MORE: s.gl_window->more_light(); return;
    case OP_LIGHT_LESS: s.gl_window->less_light(); return;
    case OP_RADIUS_DOUBLE: change_radius(s, {RunCommand::Kind::scale_radius, 0, 2.0}); return;
    case OP_RADIUS_HALF: change_radius(s, {RunCommand::Kind::scale_radius, 0, 0.5}); return;
    case OP_RADIUS_RESET: change_radius(s, {RunCommand::Kind::reset_radius}); return;
    case OP_HIDE: hide_panel(*s.panels.options_panel, s.states.options_panel_state); return;
    default: return;
    }
    refresh_view(s);
}

}  // namespace orbilan
