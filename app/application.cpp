// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaObject>

#include <algorithm>
#include <cmath>
#include <system_error>
#include <vector>

#include "app/host_window.h"
#include "app/panel_commands.h"
#include "app/run_pace.h"
#include "app/view_menu.h"
#include "app/view_picture.h"
#include "files/log_writer.h"
#include "files/project_loader.h"
#include "files/remembered_settings.h"
#include "panels/captions.h"
#include "panels/displays.h"
#include "panels/panel.h"
#include "platform/platform.h"
#include "view/camera.h"
#include "view/skins.h"
#include "view/trails.h"
#include "widgets/round_button.h"

namespace orbilan {

namespace {

UserMessage information(const char* text) { return {text, "ORBILAN", MessageIcon::information}; }

// Where the keyboard lands in a window: the control it last had there, or the first it can reach.
QWidget* keyboard_target(QWidget& window)
{
    if (QWidget* last = window.focusWidget()) return last;
    for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain())
        if (w->window() == &window && w->isEnabled() && w->isVisible() && (w->focusPolicy() & Qt::TabFocus)) return w;
    return nullptr;
}

}  // namespace

Application::Application(Program& program, Platform& platform)
    : program_(program),
      session_(program, platform),
      recording_([this] { show_caption_note(); }, [this](const QString& failure) { show_note(false, failure); })
{
    session_.run = std::make_unique<SimulationRun>(program.table, program.state, *this);
    // Ten times a slice: the energy takes at most a tenth of this thread's time.
    plot_work_.setInterval(10 * PlotFeed::SLICE);
    connect(&plot_work_, &QTimer::timeout, this, [this] {
        if (!plotting() || !plot_feed_.work()) plot_work_.stop();
        refresh_plot(true);
    });
}

Application::~Application() { shut_down_run(); }

void Application::shut_down_run()
{
    mass_error_answer_.close();
    session_.run->join(true);
}

void Application::attach()
{
    Panels& panels = program_.panels;
    GlView* gl_window = program_.gl_window;
    connect(panels.toolbar_panel, &Panel::command, this, &Application::toolbar_command);
    connect(panels.toolbar_panel, &Panel::close_requested, this, &Application::end_program);
    connect(panels.toolbar_panel, &Panel::minimize_requested, this, [this] { program_.main_window->showMinimized(); });
    connect(panels.time_panel, &Panel::command, this, [this](int id) { time_panel_handler(session_, id); });
    connect(panels.log_panel, &Panel::command, this, [this](int id) { log_panel_handler(session_, id); });
    connect(panels.numeric_panel, &Panel::command, this, [this](int id) { numeric_panel_handler(session_, id); });
    connect(panels.options_panel, &Panel::command, this, [this](int id) { options_panel_handler(session_, id); });
    qApp->installEventFilter(this);
    if (!gl_window) return;
    gl_window->set_position_source([this](BodySnapshot& out) { session_.run->read_snapshot(out); });
    gl_window->set_tick_listener([this](const BodySnapshot& bodies) { refresh_on_tick(bodies); });
    gl_window->set_selection_listener([this](int k) { on_selection(k); });
    gl_window->set_distance_listener([this](double d) { session_.run->set_camera_distance(d); });
    gl_window->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(gl_window, &QWidget::customContextMenuRequested, this, &Application::show_view_menu);
}

void Application::key_command(KeyCommand command)
{
    Session& s = session_;
    const auto click = [&s](int id) {
        if (RoundButton* button = s.panels.toolbar_panel->button(id)) button->click();
    };
    // Turning by arrow moves as far as a drag of this many pixels.
    constexpr int ORBIT_STEP = 48;
    GlView* view = s.gl_window;
    switch (command) {
    case KeyCommand::start_pause: click(run_active(s) ? TB_STOP : TB_START); break;
    case KeyCommand::open: click(TB_OPEN); break;
    case KeyCommand::reset: click(TB_RESET); break;
    case KeyCommand::full_screen: click(TB_FULL_SCREEN); break;
    case KeyCommand::end: click(TB_END); break;
    case KeyCommand::look_origin: click(TB_LOOK_ORIGIN); break;
    case KeyCommand::previous_body: click(TB_PREV); break;
    case KeyCommand::next_body: click(TB_NEXT); break;
    case KeyCommand::zoom_in:
        if (view) view->zoom_by(1);
        break;
    case KeyCommand::zoom_out:
        if (view) view->zoom_by(-1);
        break;
    case KeyCommand::orbit_left:
        if (view) view->orbit_by(-ORBIT_STEP, 0);
        break;
    case KeyCommand::orbit_right:
        if (view) view->orbit_by(ORBIT_STEP, 0);
        break;
    case KeyCommand::orbit_up:
        if (view) view->orbit_by(0, -ORBIT_STEP);
        break;
    case KeyCommand::orbit_down:
        if (view) view->orbit_by(0, ORBIT_STEP);
        break;
    case KeyCommand::slower: set_pace(slower_pace(s.control.pace)); break;
    case KeyCommand::faster: set_pace(faster_pace(s.control.pace)); break;
    case KeyCommand::shortcut_window: show_shortcut_window(); break;
    case KeyCommand::save_picture: save_view_picture(); break;
    case KeyCommand::record: toggle_recording(); break;
    case KeyCommand::plot_window: show_plot_window(); break;
    }
}

QString Application::save_view_picture()
{
    GlView* view = session_.gl_window;
    const SavedPicture picture =
        save_picture(view ? view->grabFramebuffer() : QImage(), pictures_folder(), QDateTime::currentDateTime());
    show_note(picture.saved, picture.message);
    return picture.message;
}

QString Application::toggle_recording()
{
    if (recording_.active()) {
        const QString said = recording_.stop();
        show_note(said.startsWith("The recording was saved"), said);
        return said;
    }
    GlView* view = session_.gl_window;
    const QString failure = view ? recording_.start(*view, redraw_interval_ms(session_.control.fps_index),
                                                    pictures_folder(), QDateTime::currentDateTime())
                                 : QString("The view could not be recorded: there is no view.");
    if (!failure.isEmpty()) show_note(false, failure);
    return failure;
}

void Application::show_note(bool went_well, const QString& text)
{
    orbilan::show_note(went_well, text, program_.main_window.get());
}

void Application::show_caption_note()
{
    Session& s = session_;
    if (!s.panels.toolbar_panel) return;
    std::string note = pace_caption_note(s.control.pace);
    if (recording_.active()) {
        const std::int64_t left_out = recording_.frames_left_out();
        note += left_out > 0 ? "  [REC, " + std::to_string(left_out) + " frames left out]" : "  [REC]";
    }
    s.panels.toolbar_panel->set_caption_note(QString::fromStdString(note));
}

void Application::set_pace(double pace)
{
    Session& s = session_;
    s.control.pace = pace;
    s.run->set_pace(pace);
    show_caption_note();
}

void Application::show_view_menu(const QPoint& at)
{
    QMenu* menu = make_view_menu(
        session_.gl_window, session_.control.pace, [this](double pace) { set_pace(pace); },
        [this] { save_view_picture(); }, recording_.active(), [this] { toggle_recording(); },
        [this] { show_plot_window(); }, [this] { show_shortcut_window(); });
    menu->popup(session_.gl_window->mapToGlobal(at));
}

void Application::show_shortcut_window()
{
    if (!shortcut_window_) shortcut_window_ = make_shortcut_window(program_.main_window.get());
    shortcut_window_->show();
    shortcut_window_->raise();
}

PlotWindow& Application::show_plot_window()
{
    if (!plot_window_) plot_window_ = new PlotWindow(program_.main_window.get(), plot_feed_);
    plot_window_->show();
    plot_window_->raise();
    plot_window_->activateWindow();
    refresh_plot(true);
    keep_measuring();
    return *plot_window_;
}

bool Application::plotting() const { return plot_window_ && plot_window_->isVisible(); }

void Application::keep_measuring()
{
    if (plotting() && plot_feed_.pending() && !plot_work_.isActive()) plot_work_.start();
}

void Application::refresh_plot(bool now)
{
    if (!plotting()) return;
    const std::string_view caption = time_unit_caption(session_.control.time_unit);
    plot_window_->refresh(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())),
                          session_.control.time_unit_factor, now);
}

void Application::toolbar_command(int id)
{
    Session& s = session_;
    switch (id) {
    case TB_START: start_run(); break;
    case TB_STOP: s.run->stop(); break;
    case TB_OPEN:
        if (open_project()) show_loaded_project(true);
        break;
    case TB_RESET:
        if (reload_project()) show_loaded_project(false);
        break;
    case TB_SHOW_OPTIONS: toggle_panel(*s.panels.options_panel, s.states.options_panel_state); break;
    case TB_SHOW_NUMERIC: toggle_panel(*s.panels.numeric_panel, s.states.numeric_panel_state); break;
    case TB_SHOW_TIME: toggle_panel(*s.panels.time_panel, s.states.time_panel_state); break;
    case TB_SHOW_LOG: toggle_panel(*s.panels.log_panel, s.states.log_panel_state); break;
    case TB_LOOK_ORIGIN:
        if (s.scene.bodies.body_count > 0) s.panels.toolbar_panel->set_text(0, "ORBILAN : LOOK TO CENTER (0,0,0)");
        s.gl_window->look_at_origin();
        break;
    case TB_FULL_SCREEN: toggle_full_screen(); break;
    case TB_NEXT: s.gl_window->select_next_body(); break;
    case TB_PREV: s.gl_window->select_previous_body(); break;
    case TB_END: end_program(); break;
    default: break;  // the impulse lamp is no command
    }
}

void Application::open_project_file(const std::filesystem::path& path)
{
    Session& s = session_;
    const std::filesystem::path previous = s.project_path;
    std::error_code no_current_folder;
    s.project_path = std::filesystem::absolute(path, no_current_folder);
    if (no_current_folder) s.project_path = path;
    if (open_chosen_project(previous)) show_loaded_project(true);
}

bool Application::open_project()
{
    Session& s = session_;
    const std::filesystem::path previous = s.project_path;
    s.project_path.clear();
    s.project_path =
        s.platform.open_file("Open Project", (s.files.resource_folder / "Projects").string(), "TXT(*.txt)", "TXT");
    return open_chosen_project(previous);
}

bool Application::open_chosen_project(const std::filesystem::path& previous)
{
    Session& s = session_;
    if (s.project_path.empty()) {
        s.panels.toolbar_panel->set_text(0, "PROJECT - ");
        s.platform.message_box(information("Canceled !"));
        return false;
    }
    if (!load_project_file()) {
        // The loaded project stays, and with it its name.
        s.project_path = previous;
        if (s.table.body_count > 0)
            show_selection(s.panels, s.table, s.view.selected_body, s.project_path, s.state.integrator);
        else
            s.panels.toolbar_panel->set_text(0, "ORBILAN");
        return false;
    }
    // Named only once it is the project loaded; a file refused meanwhile leaves the caption alone.
    s.panels.toolbar_panel->set_text(0, "PROJECT - " + QString::fromStdString(s.project_path.string()));
    set_pace(s.control.pace);
    return true;
}

bool Application::reload_project()
{
    Session& s = session_;
    if (s.project_path.empty()) {
        s.platform.message_box(information("No project loaded !"));
        return false;
    }
    // The run speed in use stays: the user may have chosen it.
    const double pace = s.control.pace;
    if (!load_project_file()) return false;
    s.control.pace = pace;
    return true;
}

bool Application::load_project_file()
{
    Session& s = session_;
    const auto sink = [&](const UserMessage& m) { s.platform.message_box(m); };
    const ProjectLoad load = read_project_fields(s.project_path, s.files.resource_folder, s.table, s.state, sink);
    if (load.result != LoadResult::loaded) return false;
    s.control.pace = load.pace;
    if (s.integrator_choice) s.state.integrator = *s.integrator_choice;
    s.panels.toolbar_panel->set_control_enabled(TB_IMPULSE, load.impulse_program_found);
    return true;
}

// The follow-up of a successful load; a reset keeps the selection and the camera's distance.
void Application::show_loaded_project(bool opened)
{
    Session& s = session_;
    // A video is of one project.
    if (opened && recording_.active()) toggle_recording();
    show_dt(s.panels, s.state);
    if (opened) s.view.selected_body = 1;
    // A reset project may hold fewer bodies than the selection named.
    s.view.selected_body = std::clamp(s.view.selected_body, 1, std::max(1, s.table.body_count));
    const int k = s.view.selected_body;
    show_body_state(s.panels, s.table, k);
    show_selection(s.panels, s.table, k, s.project_path, s.state.integrator);
    s.state.sim_time = 0;
    show_elapsed_time(s.panels, s.control, 0);
    s.state.exhaust_plume = {};
    plot_feed_.forget();
    fill_log_lists(s);
    s.gl_window->show_loaded_bodies(s.table, s.state, (s.files.resource_folder / DEFAULT_SKIN_FILE).string(), opened);
}

void Application::toggle_panel(Panel& panel, int& panel_state)
{
    if (panel_state == PANEL_SHOWN) {
        panel.hide();
        panel_state = PANEL_HIDDEN;
    } else {
        panel.show();
        panel_state = PANEL_SHOWN;
    }
}

void Application::toggle_full_screen()
{
    Session& s = session_;
    HostWindow& host = *program_.main_window;
    s.full_screen = static_cast<std::uint8_t>(~s.full_screen);
    // Both places are measured from the work area's corner, which a top bar or a dock moves.
    const int left = program_.work_area_left;
    const int top = program_.work_area_top;
    const int w = program_.work_area_width;
    const int h = program_.work_area_height;
    if (s.full_screen)
        host.setGeometry(left, top, w, h - 1);
    else
        host.setGeometry(left + static_cast<int>(std::nearbyint(w / 2.0 - 512)),
                         top + static_cast<int>(std::nearbyint(h / 2.0 - 250)), 1030, 500);
    s.view.view_width = host.width();
    s.view.view_height = host.height();
    s.gl_window->setGeometry(0, 0, s.view.view_width, s.view.view_height - 1);
    s.gl_window->apply_render_state();
    s.gl_window->redraw_view();
}

bool Application::eventFilter(QObject* watched, QEvent* event)
{
    // A dialog, a menu or an open list keeps the keyboard to itself.
    if (event->type() != QEvent::KeyPress || QApplication::activeModalWidget() != nullptr ||
        QApplication::activePopupWidget() != nullptr)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // Seen once it reaches a widget, so that a focused control can keep the keys it uses.
    if (const auto command = orbilan::key_command(key->key(), key->modifiers());
        command && watched->isWidgetType() && !control_keeps_key(watched, key->key(), key->modifiers())) {
        const bool turning = *command >= KeyCommand::zoom_in && *command <= KeyCommand::orbit_down;
        if (turning || !key->isAutoRepeat()) key_command(*command);
        return true;
    }
    // The view is the host window's only control, so Tab there would go nowhere.
    const bool in_view = watched == session_.gl_window && session_.gl_window != nullptr;
    if (key->key() == Qt::Key_F6)
        focus_next_window(!(key->modifiers() & Qt::ShiftModifier));
    else if (in_view && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab))
        focus_next_window(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
    else
        return false;
    return true;
}

void Application::focus_next_window(bool forward)
{
    const Panels& p = session_.panels;
    std::vector<QWidget*> panels;
    for (QWidget* panel : {static_cast<QWidget*>(p.toolbar_panel), static_cast<QWidget*>(p.time_panel),
                           static_cast<QWidget*>(p.log_panel), static_cast<QWidget*>(p.numeric_panel),
                           static_cast<QWidget*>(p.options_panel)})
        if (panel != nullptr && panel->isVisible()) panels.push_back(panel);
    std::stable_sort(panels.begin(), panels.end(), [](const QWidget* a, const QWidget* b) { return a->y() < b->y(); });
    std::vector<QWidget*> windows{program_.main_window.get()};
    windows.insert(windows.end(), panels.begin(), panels.end());

    const QWidget* focus = QApplication::focusWidget();
    const QWidget* current = focus ? focus->window() : QApplication::activeWindow();
    const auto at = std::find(windows.begin(), windows.end(), current);
    const auto n = static_cast<std::ptrdiff_t>(windows.size());
    const std::ptrdiff_t from = at == windows.end() ? (forward ? n - 1 : 0) : at - windows.begin();
    QWidget& next = *windows[static_cast<std::size_t>((from + (forward ? 1 : n - 1)) % n)];

    QWidget* target = &next == program_.main_window.get() ? session_.gl_window : keyboard_target(next);
    // The host window is never raised: without a window manager it would cover the panels.
    if (&next != program_.main_window.get()) next.raise();
    next.activateWindow();
    if (target) target->setFocus(Qt::ShortcutFocusReason);
}

namespace {

std::filesystem::path remembered_path(const Session& s)
{
    return s.files.settings_file.parent_path() / REMEMBERED_FILE_NAME;
}

std::vector<Panel*> all_panels(const Panels& p)
{
    return {p.toolbar_panel, p.time_panel, p.log_panel, p.numeric_panel, p.options_panel};
}

}  // namespace

void Application::restore_remembered(bool open_last_project)
{
    Session& s = session_;
    const RememberedSettings settings = read_remembered(remembered_path(s), FPS_INDEX_COUNT);
    // The first caption is the panel's own; only a rate the user changed is shown anew.
    if (settings.fps_index && *settings.fps_index != s.control.fps_index && s.panels.options_panel)
        set_frame_rate(s, *settings.fps_index);
    if (settings.ambient_level) {
        s.view.ambient_level = *settings.ambient_level;
        if (s.gl_window) refresh_view(s);
    }
    // A place off the work area (another screen, gone) would lose the panel: it stays inside.
    const int right = program_.work_area_left + program_.work_area_width - 40;
    const int bottom = program_.work_area_top + program_.work_area_height - 40;
    for (Panel* panel : all_panels(s.panels)) {
        const auto place =
            panel ? settings.panel_places.find(panel->objectName().toStdString()) : settings.panel_places.end();
        if (place == settings.panel_places.end()) continue;
        panel->place_at(
            {std::clamp(place->second.first, program_.work_area_left, std::max(program_.work_area_left, right)),
             std::clamp(place->second.second, program_.work_area_top, std::max(program_.work_area_top, bottom))});
    }
    std::error_code error;
    if (open_last_project && !settings.last_project.empty() &&
        std::filesystem::is_regular_file(settings.last_project, error))
        open_project_file(settings.last_project);
    // After the project: the speed last chosen wins over the one the project names.
    if (settings.pace) set_pace(*settings.pace);
}

void Application::save_remembered()
{
    Session& s = session_;
    RememberedSettings settings;
    settings.last_project = s.project_path.string();
    settings.fps_index = s.control.fps_index;
    settings.ambient_level = s.view.ambient_level;
    settings.pace = s.control.pace;
    for (const Panel* panel : all_panels(s.panels))
        if (panel && panel->placed())
            settings.panel_places[panel->objectName().toStdString()] = {panel->x(), panel->y()};
    write_remembered(remembered_path(s), settings);
}

void Application::end_program()
{
    // The video closed so that it plays; the program ends, so nothing is said.
    recording_.stop();
    save_remembered();
    shut_down_run();
    if (program_.main_window) program_.main_window->on_host_close();
}

void Application::on_selection(int k)
{
    Session& s = session_;
    const BodySnapshot bodies = current_bodies(s);
    show_selection(s.panels, bodies, k, s.project_path, s.state.integrator);
    show_body_state(s.panels, bodies, k);
}

void Application::refresh_on_tick(const BodySnapshot& bodies)
{
    Session& s = session_;
    if (s.states.time_panel_state == PANEL_SHOWN) show_elapsed_time(s.panels, s.control, bodies.sim_time);
    if (s.states.numeric_panel_state == PANEL_SHOWN) show_body_state(s.panels, bodies, s.view.selected_body);
    recording_.on_view_frame(s.gl_window->redraw_interval());
    plot_feed_.on_tick(bodies, plotting());
    refresh_plot(false);
    keep_measuring();
}

void Application::start_run()
{
    Session& s = session_;
    if (!has_bodies(s)) {
        s.platform.message_box(no_objects_message());
        return;
    }
    if (run_active(s)) return;
    disable_run_controls(s.panels);
    disable_time_controls(s.panels);
    reset_trails(s.scene, s.view);
    s.state.exhaust_plume = {};
    read_time_settings(s);
    read_log_settings(s);

    RunOptions options;
    options.threads = workers_beside_a_window();
    if (s.control.log_enabled == 1) {
        const auto sink = [&](const UserMessage& m) { s.platform.message_box(m); };
        if (is_project_input(s.control.log_file_name, s.project_path)) {
            sink({"The log file " + s.control.log_file_name + " is the project's own file; choose another log file.",
                  "ORBILAN", MessageIcon::error});
        } else {
            options.log = LogWriter::open(s.control.log_file_name, sink);
        }
        if (!options.log) {
            // No run may silently lose its log.
            enable_time_controls(s.panels);
            enable_run_controls(s.panels);
            return;
        }
    }
    const int k = s.view.selected_body;
    if (is_body(s.table, k)) s.view.camera_target = {s.table.x[k], s.table.y[k], s.table.z[k]};
    s.view.look_at_body = k;
    s.state.collision_mode = s.control.collision_mode;
    const RunDirection direction =
        s.state.stop_time >= s.state.sim_time ? RunDirection::forward : RunDirection::backward;
    options.camera_distance = s.view.camera_distance;
    plot_feed_.begin_run(s.table, s.state, options.log != nullptr, plotting());
    if (options.log) options.log = plot_feed_.tap(std::move(options.log));
    start_following_run(s.scene);
    try {
        s.run->start(direction, std::move(options));
    } catch (const std::system_error& error) {
        s.platform.message_box(
            {std::string("The run could not start: ") + error.what(), "ORBILAN", MessageIcon::error});
        enable_time_controls(s.panels);
        enable_run_controls(s.panels);
        return;
    }
    s.gl_window->set_redraw_timer(s.control.fps_index);
    program_.main_window->setFocus();
}

void Application::on_mass_error()
{
    if (!mass_error_answer_.arm()) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!mass_error_answer_.closing())
                session_.platform.message_box({"Error : mass <= 0", "ORBILAN", MessageIcon::information});
            mass_error_answer_.answer();
        },
        Qt::QueuedConnection);
    mass_error_answer_.wait();
}

void Application::on_body_deleted(int)
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            Session& s = session_;
            // The names below the selection may have moved, and the selection itself.
            const BodySnapshot bodies = current_bodies(s);
            keep_selection(s.view, bodies.body_count);
            show_selection(s.panels, bodies, s.view.selected_body, s.project_path, s.state.integrator);
        },
        Qt::QueuedConnection);
}

void Application::on_run_end(RunEnd)
{
    QMetaObject::invokeMethod(
        this, [this] { finish_run(); }, Qt::QueuedConnection);
}

// The end of a run, in its order: timer off, controls back, the panels refreshed.
void Application::finish_run()
{
    Session& s = session_;
    if (run_active(s)) return;  // a newer run already started
    s.run->join();
    s.gl_window->kill_redraw_timer();
    enable_time_controls(s.panels);
    enable_run_controls(s.panels);
    show_elapsed_time(s.panels, s.control, s.state.sim_time);
    keep_selection(s.view, s.table.body_count);
    show_body_header(s.panels, s.table, s.view.selected_body);
    show_body_state(s.panels, s.table, s.view.selected_body);
    plot_feed_.end_run(s.table, s.state.sim_time, plotting());
    keep_measuring();
    for (const std::string& failure : {s.run->log_failure(), s.run->failure()})
        if (!failure.empty()) s.platform.message_box({failure, "ORBILAN", MessageIcon::error});
}

}  // namespace orbilan
