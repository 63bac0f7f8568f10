// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>

#include "app/panel_commands.h"
#include "files/log_writer.h"
#include "files/number_format.h"
#include "files/settings_file.h"
#include "panels/control_ids.h"
#include "panels/displays.h"
#include "panels/panel.h"
#include "platform/platform.h"
#include "view/camera.h"
#include "view/trails.h"

namespace orbilan {

namespace {

QString text_of(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

// The number a list item starts with ("2 : POSITION" gives 2).
int leading_number(const QString& item)
{
    return round_half_even(parse_number_text(item.section(' ', 0, 0).toStdString()));
}

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
void change_radius(Session& s, RunCommand command)
{
    command.value = s.view.selected_body;
    s.run->post(command);
    if (s.gl_window) s.gl_window->capture_positions();
    refresh_view(s);
}

}  // namespace

void time_panel_handler(Session& s, int id)
{
    switch (id) {
    case TM_RESET_TIME:
        s.run->post({RunCommand::Kind::reset_time});
        show_elapsed_time(s.panels, s.control, 0);
        break;
    case TM_UNIT:
        s.control.time_unit = next_time_unit(s.control.time_unit);
        s.control.time_unit_factor = time_unit_factor(s.control.time_unit);
        show_elapsed_time(s.panels, s.control, current_bodies(s).sim_time);
        break;
    case TM_DT_MUL10:
    case TM_DT_DIV10:
        if (run_active(s)) break;  // the buttons are disabled for a run
        s.state.dt = id == TM_DT_MUL10 ? s.state.dt * 10 : s.state.dt / 10;
        show_dt(s.panels, s.state);
        break;
    case TM_HIDE: hide_panel(*s.panels.time_panel, s.states.time_panel_state); break;
    default: break;
    }
}

void read_time_settings(Session& s)
{
    const Panel& p = *s.panels.time_panel;
    s.state.dt = parse_number_text(p.text(TM_DT).toStdString());
    s.state.stop_time = parse_number_text(p.text(TM_STOP_TIME).toStdString()) / s.control.time_unit_factor;
}

void fill_log_lists(Session& s)
{
    QComboBox& modes = *s.panels.log_panel->combo(LG_MODE);
    QComboBox& bodies = *s.panels.log_panel->combo(LG_BODY);
    modes.clear();
    for (const std::string_view item : LOG_MODE_ITEMS) modes.addItem(text_of(item));
    bodies.clear();
    for (int i = 1; i <= s.table.body_count; ++i)
        bodies.addItem(QString::fromStdString(log_body_item_text(i, s.table.name[i])));
    modes.setCurrentIndex(0);
    bodies.setCurrentIndex(0);
}

void choose_log_file(Session& s)
{
    s.control.log_file_name.clear();
    s.control.log_file_name =
        s.platform.save_file("Open Log", (s.files.data_folder / "Logs").string(), "TXT(*.txt)", "TXT");
    s.panels.log_panel->set_text(LG_FILE_NAME, QString::fromStdString(s.control.log_file_name));
    if (s.control.log_file_name.empty()) s.platform.message_box({"Canceled !", "ORBILAN", MessageIcon::information});
}

void read_log_settings(Session& s)
{
    Panel& p = *s.panels.log_panel;
    s.control.log_enabled = p.is_checked(LG_ENABLED) ? 1 : 0;
    if (s.control.log_enabled == 0) return;
    s.control.log_file_name = p.text(LG_FILE_NAME).toStdString();
    if (s.control.log_file_name.empty()) {
        s.control.log_file_name = default_log_path(s.files.data_folder).string();
        p.set_text(LG_FILE_NAME, QString::fromStdString(s.control.log_file_name));
    }
    s.state.log_mode = static_cast<LogMode>(leading_number(p.combo(LG_MODE)->currentText()));
    s.state.log_body = leading_number(p.combo(LG_BODY)->currentText());
    s.state.log_every = round_half_even(parse_number_text(p.text(LG_EVERY).toStdString()));
}

void log_panel_handler(Session& s, int id)
{
    if (id == LG_SELECT_FILE) choose_log_file(s);
    if (id == LG_HIDE) hide_panel(*s.panels.log_panel, s.states.log_panel_state);
}

// The panel only hides itself; what it shows is written by the display functions.
void numeric_panel_handler(Session& s, int id)
{
    if (id == NV_HIDE) hide_panel(*s.panels.numeric_panel, s.states.numeric_panel_state);
}

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
