// SPDX-License-Identifier: GPL-3.0-or-later
// Not a test: runs the solar system sample for half a year with the Moon's acceleration logged and
// the plot window open, and saves a picture of the whole screen, for the README.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <cstdio>

#include "app/application.h"
#include "app/panel_commands.h"
#include "app/start_up.h"
#include "app/start_up_steps.h"
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "platform/recording_platform.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PROGRAM_FOLDER PROJECT OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    orbilan::RecordingPlatform platform;
    platform.folder = std::string(argv[1]) + "/";
    platform.area = {0, 0, 1280, 800};
    orbilan::Program program;
    if (orbilan::start_up(program, platform, orbilan::program_start_up_steps(platform)) !=
        orbilan::StartUpOutcome::running)
        return 1;
    orbilan::Application& app = *program.application;
    orbilan::Session& s = app.session();
    platform.dialog_answers.push_back(platform.folder + "Projects/" + argv[2]);
    app.toolbar_command(orbilan::TB_OPEN);
    for (const int id : {orbilan::TB_SHOW_TIME, orbilan::TB_SHOW_LOG}) app.toolbar_command(id);
    // Days on the clock and on the plots' time axis; the Moon's acceleration in the log.
    for (int k = 0; k < 2; ++k) orbilan::time_panel_handler(s, orbilan::TM_UNIT);
    qobject_cast<QAbstractButton*>(s.panels.log_panel->control(orbilan::LG_ENABLED))->click();
    s.panels.log_panel->combo(orbilan::LG_BODY)->setCurrentIndex(4);
    s.view.camera_distance = 7e11;
    s.view.camera_pitch = -35;
    orbilan::PlotWindow& plots = app.show_plot_window();
    plots.move(580, 150);
    app.set_pace(30 * 86400.0);
    app.toolbar_command(orbilan::TB_START);
    QTest::qWait(6000);
    app.toolbar_command(orbilan::TB_STOP);
    if (!QTest::qWaitFor([&] { return !orbilan::run_active(s); }, 10000)) return 1;
    QTest::qWait(300);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    return shot.save(argv[3]) ? 0 : 1;
}
