// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <filesystem>

#include "app/answer_gate.h"
#include "app/plot_feed.h"
#include "app/plot_window.h"
#include "app/program.h"
#include "app/session.h"
#include "app/shortcuts.h"
#include "app/view_recording.h"

namespace orbilan {

class Panel;
class Platform;

// The program's commands: the toolbar's handler, the panels' handlers wired to their panels,
// START with the run it creates, and the end of that run back on the user-interface thread.
class Application : public QObject, public RunObserver {
    Q_OBJECT
public:
    Application(Program& program, Platform& platform);
    // Stops a run still going and waits for its thread.
    ~Application() override;

    Session& session() { return session_; }

    // Connects the program's five panels and its view once start-up has made them.
    void attach();

    void toolbar_command(int id);
    // Opens a project named on the command line as OPEN PROJECT opens the chosen file.
    void open_project_file(const std::filesystem::path& path);
    void start_run();

    // F6 and Shift+F6 anywhere, and Tab and Shift+Tab in the view, move the keyboard to the next or
    // previous window: the host window, then the shown panels from the top of the screen down.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // A key's command, wherever the keyboard is; a toolbar command is its button's click.
    void key_command(KeyCommand command);
    // Simulated seconds per second of wall time (0: as fast as possible), at once, also during a
    // run; the toolbar's caption names any other pace.
    void set_pace(double pace);
    // Ctrl+S: the view at its full resolution into the pictures folder, said in a message that
    // leaves the run going. Returns that message.
    QString save_view_picture();
    // Ctrl+Shift+R: starts recording the view at the frame rate chosen into the pictures folder, or
    // stops the recording and says where the video is, in the same kind of message. Returns what
    // was said (empty at a start that went well: the toolbar's caption then shows [REC]).
    QString toggle_recording();
    // F2: the plot window, made when first asked for, shown and raised.
    PlotWindow& show_plot_window();
    const PlotFeed& plot_feed() const { return plot_feed_; }

    // What the last session left (see files/remembered_settings.h): the frame rate, the light, the
    // run speed, the panels' places, and the last project when open_last_project is set and it
    // still exists; a project gone missing leaves the program empty, without a message.
    void restore_remembered(bool open_last_project);
    void save_remembered();

    void on_mass_error() override;
    void on_body_deleted(int k) override;
    void on_run_end(RunEnd why) override;

private:
    bool open_project();
    bool open_chosen_project(const std::filesystem::path& previous);
    bool reload_project();
    // The project at project_path into the table and the state, as open and reset both load it;
    // false, with the reasons shown, when it was not loaded (the loaded project then stays).
    bool load_project_file();
    void show_loaded_project(bool opened);
    void toggle_panel(Panel& panel, int& panel_state);
    void toggle_full_screen();
    void focus_next_window(bool forward);
    void end_program();
    void on_selection(int k);
    void refresh_on_tick(const BodySnapshot& bodies);
    void finish_run();
    void shut_down_run();
    void show_view_menu(const QPoint& at);
    void show_shortcut_window();
    // A message that leaves the run going.
    void show_note(bool went_well, const QString& text);
    void show_caption_note();
    bool plotting() const;
    void refresh_plot(bool now);
    // Goes on measuring the energy between frames and after a run, a slice at a time.
    void keep_measuring();

    Program& program_;
    Session session_;

    // The simulation thread waits here while the user reads "Error : mass <= 0".
    AnswerGate mass_error_answer_;
    QWidget* shortcut_window_ = nullptr;  // made when first asked for
    ViewRecording recording_;
    PlotFeed plot_feed_;
    PlotWindow* plot_window_ = nullptr;  // made when first asked for
    QTimer plot_work_;
};

}  // namespace orbilan
