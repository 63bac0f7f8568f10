// SPDX-License-Identifier: GPL-3.0-or-later
// Not a test: opens a sample project, shows every panel, runs the simulation for a while and
// saves a picture of the whole screen, for the README.
#include <QApplication>
#include <QCheckBox>

#include "app/panel_commands.h"
#include "docs/screenshots/sample_run.h"
#include "panels/panel.h"
#include "widgets/round_button.h"

int main(int argc, char** argv)
{
    if (wrong_usage(argc, argv)) return 2;
    QApplication application(argc, argv);
    SampleRun run;
    orbilan::Application* started = open_sample(run, argv);
    if (!started) return 1;
    orbilan::Application& app = *started;
    orbilan::Session& s = app.session();
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
    const QPixmap shot = grab_screen();
    if (!stop_run(app)) return 1;
    return shot.save(argv[3]) ? 0 : 1;
}
