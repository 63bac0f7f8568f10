// SPDX-License-Identifier: GPL-3.0-or-later
// Not a test: runs the solar system sample for half a year with the Moon's acceleration logged and
// the plot window open, and saves a picture of the whole screen, for the README.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>

#include "app/panel_commands.h"
#include "docs/screenshots/sample_run.h"
#include "panels/panel.h"

int main(int argc, char** argv)
{
    if (wrong_usage(argc, argv)) return 2;
    QApplication application(argc, argv);
    SampleRun run;
    orbilan::Application* started = open_sample(run, argv);
    if (!started) return 1;
    orbilan::Application& app = *started;
    orbilan::Session& s = app.session();
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
    if (!stop_run(app)) return 1;
    QTest::qWait(300);
    return grab_screen().save(argv[3]) ? 0 : 1;
}
