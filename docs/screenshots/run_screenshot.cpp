// SPDX-License-Identifier: GPL-3.0-or-later
// Not a test: opens a sample project, shows every panel, runs the simulation for a while and
// saves a picture of the whole screen, for the README.
#include <QApplication>
#include <QCheckBox>
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
#include "widgets/round_button.h"

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
    for (const int id :
         {orbilan::TB_SHOW_TIME, orbilan::TB_SHOW_NUMERIC, orbilan::TB_SHOW_OPTIONS, orbilan::TB_SHOW_LOG})
        app.toolbar_command(id);
    // A finer step and the fastest frame rate, so that the trails follow the orbits closely; the
    // camera a little above the plane of the inner planets.
    for (int k = 0; k < 2; ++k) orbilan::time_panel_handler(s, orbilan::TM_DT_DIV10);
    for (int k = 0; k < 2; ++k) orbilan::options_panel_handler(s, orbilan::OP_FPS);
    s.view.camera_distance = 7e11;
    s.view.camera_pitch = -35;
    app.toolbar_command(orbilan::TB_START);
    QTest::qWait(3000);
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    app.toolbar_command(orbilan::TB_STOP);
    if (!QTest::qWaitFor([&] { return !orbilan::run_active(s); }, 10000)) return 1;
    return shot.save(argv[3]) ? 0 : 1;
}
