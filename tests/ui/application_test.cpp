// SPDX-License-Identifier: GPL-3.0-or-later
// ORBILAN end to end: start-up with the real panels and view, commands by click, runs to their end.
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <QtCharts/QLineSeries>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "app/application.h"
#include "app/plot_window.h"
#include "app/start_up.h"
#include "app/start_up_steps.h"
#include "core/test_bodies.h"
#include "decoded_video.h"
#include "files/number_format.h"
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "platform/recording_platform.h"
#include "sim/energy.h"
#include "temp_folder.h"
#include "ui_test_support.h"
#include "view/camera.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;

class ProgramTest : public ::testing::Test {
protected:
    // A program folder of its own: the built program's projects and skins, a fresh settings file.
    // The program goes before its folder.
    test::TempFolder temp;
    const fs::path folder = temp.path();
    fs::path program_dir = folder;
    RecordingPlatform platform;
    std::unique_ptr<Program> program;

    void SetUp() override
    {
        for (const char* entry : {"Projects", "skins", "def.bmp"})
            fs::create_symlink(fs::path(ORBILAN_PROGRAM_DIR) / entry, folder / entry);
        start();
    }

    void start(const fs::path& project = {}, std::optional<Integrator> integrator = std::nullopt)
    {
        program.reset();
        platform.folder = program_dir.string() + "/";
        program = std::make_unique<Program>();
        StartUpSteps steps = program_start_up_steps(platform);
        // Whether the host window was on screen when the toolbar first showed.
        steps.build_toolbar = [this, build = steps.build_toolbar](Program& p) {
            QWidget* built = build(p);
            built->installEventFilter(&host_before_toolbar);
            host_before_toolbar.host = p.main_window.get();
            return built;
        };
        ASSERT_EQ(start_up(*program, platform, steps, project, integrator), StartUpOutcome::running);
    }

    struct ShowOrder : QObject {
        QWidget* host = nullptr;
        std::optional<bool> host_was_shown;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Show && !host_was_shown) host_was_shown = host->isVisible();
            return false;
        }
    } host_before_toolbar;

    Session& s() { return program->application->session(); }
    Panel& toolbar() { return *s().panels.toolbar_panel; }
    Panel& time_panel() { return *s().panels.time_panel; }
    Panel& log_panel() { return *s().panels.log_panel; }
    Panel& options() { return *s().panels.options_panel; }
    Panel& numeric() { return *s().panels.numeric_panel; }

    // Clicks as the user makes them, on the panel's button or check box.
    void click(Panel& panel, int id, int times = 1)
    {
        QWidget* control = panel.control(id);
        ASSERT_NE(control, nullptr) << id;
        if (!panel.isVisible()) test::show_and_wait(&panel);
        for (int k = 0; k < times; ++k) QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
    }

    void open_path(const fs::path& path)
    {
        platform.dialog_answers.push_back(path.string());
        click(toolbar(), TB_OPEN);
    }
    // The samples name the pace they are best watched at; the tests run them as fast as possible.
    void open(const std::string& project)
    {
        open_path(folder / "Projects" / project);
        ASSERT_GT(s().table.body_count, 0) << "project " << project << " did not load";
        program->application->set_pace(0);
    }

    // Waits for the end of the run and of its refresh on this thread.
    void wait_for_end()
    {
        const auto ended = [&] { return !run_active(s()) && toolbar().control(TB_START)->isEnabled(); };
        ASSERT_TRUE(QTest::qWaitFor(ended, 60000)) << "run never ended";
    }
    void run_until(const char* stop_time)
    {
        time_panel().set_text(TM_STOP_TIME, stop_time);
        click(toolbar(), TB_START);
        wait_for_end();
    }
    QImage picture() { return s().gl_window->grabFramebuffer(); }

    // A project of one body at the origin, and with `impulses` an impulse program for it beside it.
    fs::path write_craft(const std::string& name, const char* mass, const std::string& impulses)
    {
        temp.write(name + ".JI", "Impulses, 1\r\nBody, 1\r\n" + impulses);
        return temp.write(name + ".txt", std::string("craft, one body\r\nObjects, 1\r\ndt, 1\r\nG, 1\r\nObject, 1, "
                                                     "Craft,\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\nMass, ") +
                                             mass + "\r\nDensity, 1\r\n");
    }
};

TEST_F(ProgramTest, OpenShowsTheProjectNextTheNextBodyAndResetKeepsIt)
{
    open("figure_eight.txt");
    EXPECT_EQ(fs::path(platform.dialogs.back().folder), folder / "Projects");
    EXPECT_EQ(platform.dialogs.back().filter, "TXT(*.txt)");
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_EQ(toolbar().text(0), "figure_eight; Object : 1  (A)  [GAUSS-RADAU]");
    EXPECT_EQ(numeric().text(0), "NUMERIC DATA for OBJECT =  1  (A)");
    EXPECT_EQ(numeric().text(NV_X), "9.70004360E-01");
    EXPECT_EQ(time_panel().text(TM_DT), "1.000E-04");
    EXPECT_EQ(time_panel().text(TM_ELAPSED), "0.000");
    EXPECT_EQ(log_panel().combo(LG_BODY)->count(), 3);
    EXPECT_EQ(log_panel().combo(LG_BODY)->itemText(2), "3  ( C )");
    EXPECT_FALSE(toolbar().control(TB_IMPULSE)->isEnabled()) << "no impulse program, no lamp";

    click(toolbar(), TB_NEXT);  // a loaded project already follows body 1
    const std::pair<int, const char*> shown[] = {{0, "NUMERIC DATA for OBJECT =  2  (B)"},
                                                 {NV_NAME, "B"},
                                                 {NV_X, "-9.70004360E-01"},
                                                 {NV_Y, "2.43087530E-01"},
                                                 {NV_VX, "4.66203685E-01"},
                                                 {NV_VY, "4.32365730E-01"}};
    for (const auto& [id, text] : shown) EXPECT_EQ(numeric().text(id), text) << id;

    // RESET PROJECT after a run keeps the selection and the camera's distance.
    const double distance = s().view.camera_distance *= 3;
    run_until("0.01");
    click(toolbar(), TB_RESET);
    EXPECT_EQ(s().view.selected_body, 2);
    EXPECT_EQ(s().view.camera_distance, distance);
    EXPECT_EQ(s().state.sim_time, 0);
    EXPECT_EQ(toolbar().text(0), "figure_eight; Object : 2  (B)  [GAUSS-RADAU]");
}

// A project that names the adaptive method after its bodies runs with it: the toolbar says so,
// the run lands on the stop time, and what continues the method stays for the next START. The
// command line's method applies to every project opened, RESET included.
TEST_F(ProgramTest, AProjectNamingGaussRadauRunsWithIt)
{
    start({}, Integrator::gauss_radau);
    open("figure_eight.txt");
    EXPECT_EQ(toolbar().text(0), "figure_eight; Object : 1  (A)  [GAUSS-RADAU]");
    click(toolbar(), TB_RESET);
    EXPECT_EQ(s().state.integrator, Integrator::gauss_radau);
    start();

    open_path(temp.write("pair.txt",
                         "pair, two bodies\r\nObjects, 2\r\ndt, 0.3\r\nG, 1\r\n"
                         "Object, 1, A,\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\n"
                         "Object, 2, B,\r\nPosition, 1, 0, 0\r\nVelocity, 0, 1, 0\r\nMass, 1e-9\r\n"
                         "Density, 1\r\nMethod, \"gauss-radau\", 0\r\n"));
    EXPECT_EQ(toolbar().text(0), "pair; Object : 1  (A)  [GAUSS-RADAU]");
    run_until("1");
    EXPECT_EQ(s().state.sim_time, 1);
    EXPECT_TRUE(s().state.radau_carry.fits(2));
}

// Cancelling, a missing file, and files that are not projects (a PNG: Ctrl-Z at byte 6 and NUL
// bytes after it; a named pipe with no writer; a device; a folder): none may hang the window or
// replace the project on show, nor its name in the caption, even while the refusal is shown.
TEST_F(ProgramTest, ProjectsThatCannotBeOpenedLeaveTheLoadedOne)
{
    open("binary_star.txt");
    temp.write("picture.png", std::string_view("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20));
    ASSERT_EQ(::mkfifo((folder / "pipe.txt").c_str(), 0600), 0);
    for (const fs::path& path : {folder / "missing.txt", folder / "picture.png", folder / "pipe.txt",
                                 fs::path("/dev/zero"), folder / "Projects"}) {
        platform.boxes.clear();
        std::string caption_behind_box;
        platform.on_box = [&](const UserMessage&) { caption_behind_box = toolbar().text(0).toStdString(); };
        open_path(path);
        EXPECT_EQ(caption_behind_box, "binary_star; Object : 1  (Alpha)") << "the caption names the refused " << path;
        EXPECT_EQ(s().table.body_count, 2) << path;
        ASSERT_EQ(platform.boxes.size(), 1u) << path;
        EXPECT_NE(platform.boxes[0].text.find(path.string()), std::string::npos) << platform.boxes[0].text;
        EXPECT_EQ(toolbar().text(0), "binary_star; Object : 1  (Alpha)") << path;
    }
    platform.on_box = nullptr;
    open_path("");  // the user cancels
    EXPECT_EQ(toolbar().text(0), "PROJECT - ");
    EXPECT_EQ(platform.boxes.back().text, "Canceled !");
    EXPECT_EQ(s().table.body_count, 2);
    click(toolbar(), TB_RESET);
    EXPECT_EQ(platform.boxes.back().text, "No project loaded !");
}

// A run locks exactly the controls that would change the project, the step, the stop time or the
// log, and gives them all back at its end. START, STOP/PAUSE and START again follow the same
// trajectory as one unbroken run.
TEST_F(ProgramTest, ARunLocksItsControlsAndPauseResumesTheSameTrajectory)
{
    open("figure_eight.txt");
    s().state.integrator = Integrator::euler;  // compared with the first-order stepper
    test::Stepper<> expected(s().table, s().state);
    expected.state.dt = 1e-4L;  // as the time panel shows it
    // Far enough that the first run is still going when STOP comes: three bodies take a
    // microsecond a step, and a run that has already ended would make the second one step back.
    expected.state.stop_time = 100;
    expected.start();
    while (!expected.step().stop) {}

    const std::pair<Panel*, std::vector<int>> locked[] = {
        {&toolbar(), {TB_START, TB_OPEN, TB_RESET, TB_END, TB_IMPULSE}},
        {&log_panel(), {LG_SELECT_FILE, LG_FILE_NAME, LG_MODE, LG_BODY, LG_EVERY, LG_ENABLED}},
        {&time_panel(), {TM_DT, TM_STOP_TIME, TM_DT_MUL10, TM_DT_DIV10}},
        {&options(), {}},
        {&numeric(), {}}};
    time_panel().set_text(TM_STOP_TIME, "100");
    click(toolbar(), TB_START);
    for (const auto& [panel, ids] : locked)
        for (const ControlDef& def : panel->def().controls)
            EXPECT_EQ(panel->control(def.id)->isEnabled(), std::count(ids.begin(), ids.end(), def.id) == 0) << def.name;
    click(toolbar(), TB_STOP);
    wait_for_end();
    for (const auto& [panel, ids] : locked)
        for (const int id : ids) EXPECT_EQ(panel->control(id)->isEnabled(), id != TB_IMPULSE) << id;
    const extended paused_at = s().state.sim_time;
    EXPECT_GT(paused_at, 0);
    ASSERT_LT(paused_at, 100) << "the run ended before STOP/PAUSE";
    EXPECT_EQ(time_panel().text(TM_ELAPSED).toStdString(), elapsed_time_text(paused_at, 1))
        << "the end of a run shows its time";

    click(toolbar(), TB_START);
    wait_for_end();
    EXPECT_EQ(s().state.sim_time, expected.state.sim_time);
    EXPECT_TRUE(test::same_bodies(s().table, expected.table));
}

// The step changes tenfold, the stop time is typed in the unit shown and may lie in the past, and
// t = 0 restarts the clock of a run.
TEST_F(ProgramTest, TimePanelSetsTheStepTheStopTimeAndTheClock)
{
    open("binary_star.txt");
    for (const auto& [id, shown] : {std::pair{TM_DT_MUL10, "1.000E-02"}, std::pair{TM_DT_DIV10, "1.000E-03"},
                                    std::pair{TM_DT_DIV10, "1.000E-04"}, std::pair{TM_DT_MUL10, "1.000E-03"}}) {
        click(time_panel(), id);
        EXPECT_EQ(time_panel().text(TM_DT), shown);
    }
    click(time_panel(), TM_UNIT);  // seconds to hours
    EXPECT_EQ(time_panel().text(TM_TIME_LABEL), "time (hour)");
    run_until("1E-05");  // 36 ms; the run stops at the first step that reaches it, within 1 ms past
    EXPECT_TRUE(s().state.sim_time >= 0.036L && s().state.sim_time < 0.036L + 0.0011L);
    run_until("-1E-05");
    EXPECT_EQ(s().state.run_direction, RunDirection::backward);
    EXPECT_TRUE(s().state.sim_time <= -0.036L && s().state.sim_time > -0.036L - 0.0011L);

    time_panel().set_text(TM_STOP_TIME, "1E+99");
    click(toolbar(), TB_START);
    ASSERT_TRUE(QTest::qWaitFor([&] { return current_bodies(s()).sim_time > 1; }, 30000));
    click(time_panel(), TM_RESET_TIME);
    EXPECT_EQ(time_panel().text(TM_ELAPSED), "0.000");
    // The next tick shows the clock as reset, not the step from before the click.
    s().gl_window->on_view_timer();
    const BodySnapshot& ticked = s().scene.bodies;
    EXPECT_LT(ticked.sim_time, static_cast<long double>(ticked.steps) * 1e-3L - 0.9L)
        << static_cast<double>(ticked.sim_time) << " after " << ticked.steps << " steps";
    click(toolbar(), TB_STOP);
    wait_for_end();
    // Without the reset the clock would read steps x dt; it lost the second or more before it.
    const long double unreset = static_cast<long double>(s().run->steps_done()) * 1e-3L;
    EXPECT_LT(s().state.sim_time, unreset - 0.9L) << static_cast<double>(s().state.sim_time);
}

// The log goes to the default file, or to the one chosen, but never to the project itself
// however its name is spelled; a log that cannot be written ends the run.
TEST_F(ProgramTest, LogGoesToTheDefaultOrTheChosenFileButNeverToTheProject)
{
    const fs::path project = folder / "two.txt";
    fs::copy_file(folder / "Projects" / "binary_star.txt", project);
    open_path(project);
    click(log_panel(), LG_ENABLED);
    log_panel().set_text(LG_EVERY, "10");
    log_panel().combo(LG_BODY)->setCurrentIndex(1);
    run_until("0.035");
    const fs::path fallback = folder / "Logs" / "noname.tXT";
    EXPECT_EQ(log_panel().text(LG_FILE_NAME).toStdString(), fallback.string());
    const std::string lines = test::read_bytes(fallback);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    // The first variable, acceleration: body 2 is pulled toward body 1 at G m / d^2 = 1/4.
    EXPECT_EQ(lines.rfind("1.000E-02 , 2.4999", 0), 0u) << lines;

    for (const fs::path& chosen : {folder / "." / "two.txt", folder / "mine.txt"}) {
        platform.dialog_answers.push_back(chosen.string());
        click(log_panel(), LG_SELECT_FILE);
        EXPECT_TRUE(platform.dialogs.back().title == "Open Log" && platform.dialogs.back().save);
        run_until("0.05");
    }
    EXPECT_NE(platform.boxes.at(0).text.find("is the project's own file"), std::string::npos) << platform.boxes[0].text;
    EXPECT_EQ(test::read_bytes(project), test::read_bytes(folder / "Projects" / "binary_star.txt"));
    EXPECT_TRUE(fs::exists(folder / "mine.txt"));

    // A disk that fills up during a run (here a file size limit): the run ends, a box names the
    // file, the controls come back and the lines written so far stay.
    constexpr rlim_t LIMIT = 64 * 1024;
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit small{LIMIT, previous.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto previous_handler = ::signal(SIGXFSZ, SIG_IGN);
    log_panel().set_text(LG_EVERY, "1");
    run_until("1E+99");
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previous_handler);
    EXPECT_EQ(platform.boxes.back().text,
              "Cannot write the log file " + (folder / "mine.txt").string() + " (File too large)");
    EXPECT_EQ(platform.boxes.back().icon, MessageIcon::error);
    EXPECT_TRUE(log_panel().control(LG_ENABLED)->isEnabled());
    EXPECT_EQ(fs::file_size(folder / "mine.txt"), LIMIT);
}

// Each frame-rate caption names the ticks the view then gets during a run; between runs there are
// none. What is drawn stays put when the trails are switched off and on, the frame rate changes,
// or a run starts without ticks and something rebuilds the scene.
TEST_F(ProgramTest, FrameRateCaptionsMatchTheTicksAndTheBodiesStayPut)
{
    open("binary_star.txt");
    const QImage loaded = picture();
    click(options(), OP_TRAILS, 2);
    EXPECT_TRUE(picture() == loaded) << "after trails off and on";
    click(options(), OP_FPS);
    EXPECT_EQ(s().gl_window->redraw_interval(), 0) << "no run, no ticks";
    click(options(), OP_FPS, 2);
    ASSERT_EQ(options().text(OP_FPS), "FPS=0 (OFF)");
    click(options(), OP_AXIS, 2);
    EXPECT_TRUE(picture() == loaded) << "after frame rate changes";

    time_panel().set_text(TM_STOP_TIME, "1E+99");
    click(toolbar(), TB_START);
    click(options(), OP_AXIS, 2);
    EXPECT_TRUE(picture() == loaded) << "after START with no ticks";
    std::set<QString> captions;
    for (int k = 0; k < FPS_INDEX_COUNT; ++k) {
        click(options(), OP_FPS);
        const QString caption = *captions.insert(options().text(OP_FPS)).first;
        const int fps = caption == "FPS=0 (OFF)" ? 0 : caption.mid(4).toInt();
        ASSERT_TRUE(caption == "FPS=" + QString::number(fps) || fps == 0) << caption.toStdString();
        EXPECT_EQ(s().gl_window->redraw_interval(), fps == 0 ? 0 : 1000 / fps) << caption.toStdString();
    }
    EXPECT_EQ(captions.size(), std::size_t{FPS_INDEX_COUNT});
    click(toolbar(), TB_STOP);
    wait_for_end();
    EXPECT_EQ(s().gl_window->redraw_interval(), 0);
}

// The check boxes hide and show their part of the picture, the light buttons step the ambient
// light, and the radius buttons act on the selected body, between runs and during one.
TEST_F(ProgramTest, OptionsChangeWhatIsDrawn)
{
    open("figure_eight.txt");  // bodies off the axes, seen from above the plane
    ViewState& view = s().view;
    view.camera_pitch = -60;
    const std::pair<int, ViewSwitch*> switches[] = {{OP_AXIS, &view.hide_axis},
                                                    {OP_PLANE, &view.hide_xy_plane},
                                                    {OP_LINE, &view.hide_origin_lines},
                                                    {OP_TRAILS, &view.hide_trails},
                                                    {OP_SPHERE, &view.hide_spheres}};
    const QImage all = picture();
    for (const auto& [id, hidden] : switches) {
        EXPECT_TRUE(options().is_checked(id) && *hidden == 0) << id;
        click(options(), id);
        EXPECT_TRUE(!options().is_checked(id) && *hidden == -1) << id;
        if (id != OP_TRAILS) {
            EXPECT_TRUE(picture() != all) << id << " changes nothing drawn";
        }
        click(options(), id);
    }
    const double ambient = view.ambient_level;
    click(options(), OP_LIGHT_MORE);
    EXPECT_EQ(view.ambient_level, ambient + LIGHT_STEP);
    click(options(), OP_LIGHT_LESS, 2);
    EXPECT_EQ(view.ambient_level, ambient + LIGHT_STEP - LIGHT_STEP - LIGHT_STEP);

    click(toolbar(), TB_NEXT);
    const double radius = s().table.radius[2];
    click(options(), OP_RADIUS_DOUBLE);
    EXPECT_EQ(s().table.radius[2], 2 * radius);
    EXPECT_EQ(s().scene.bodies.radius[2], 2 * radius) << "the view draws the new size";
    click(options(), OP_RADIUS_HALF, 2);
    EXPECT_EQ(s().table.radius[2], radius / 2);
    click(options(), OP_RADIUS_RESET);
    EXPECT_EQ(s().table.radius[2], radius);
    EXPECT_EQ(s().table.radius[1], radius) << "only the selected body changes";

    time_panel().set_text(TM_STOP_TIME, "1E+99");
    click(toolbar(), TB_START);
    click(options(), OP_RADIUS_DOUBLE);
    EXPECT_EQ(s().scene.bodies.radius[2], 2 * radius) << "a run draws the new size at once, not a tick later";
    click(toolbar(), TB_STOP);
    wait_for_end();
    EXPECT_EQ(s().table.radius[2], 2 * radius);
    EXPECT_EQ(s().scene.bodies.radius[2], 2 * radius);
}

TEST_F(ProgramTest, CollisionsSwitchedOnDuringARunMergeBodies)
{
    open("cluster.txt");
    click(toolbar(), TB_NEXT, 60);
    EXPECT_EQ(s().view.selected_body, 60);
    // The rocks meet in the first simulated second; a step a hundred times finer keeps that
    // second long enough for the click to come first, however fast the steps are.
    click(time_panel(), TM_DT_DIV10, 2);
    click(toolbar(), TB_START);
    click(options(), OP_COLLISION);
    EXPECT_EQ(options().text(OP_COLLISION), "COLLISION : ON");
    ASSERT_TRUE(QTest::qWaitFor([&] { return current_bodies(s()).body_count < 40; }, 60000));
    click(toolbar(), TB_STOP);
    wait_for_end();
    const int n = s().table.body_count;
    EXPECT_EQ(s().view.selected_body, n) << "the selection moved down with the last body";
    EXPECT_EQ(s().view.look_at_body, 0) << "and the camera went back to the origin";
    const std::string name = s().table.name[n];
    EXPECT_NE(numeric().text(0).toStdString().find("(" + name + ")"), std::string::npos);
}

// A craft's impulse program lights the lamp. A burn that empties the craft stops the run with its
// message; the exhaust line keeps a tenth of the camera distance as the wheel zooms during a run;
// closing the program stops the run.
TEST_F(ProgramTest, ThrustEmptyingTheCraftStopsTheRunAndItsExhaustLineFollowsTheZoom)
{
    const fs::path project = write_craft("burn", "10", "Burn, -1, 2\r\nMass, 30\r\nExhaust, 1, 0, 0\r\n");
    open_path(project);
    EXPECT_TRUE(toolbar().control(TB_IMPULSE)->isEnabled()) << "the impulse lamp is lit";
    click(toolbar(), TB_START);
    wait_for_end();
    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_EQ(platform.boxes.back().text, "Error : mass <= 0");
    EXPECT_EQ(s().state.sim_time, 1);

    open_path(write_craft("craft", "1000", "Burn, -1, 1E+15\r\nMass, 1\r\nExhaust, 1, 0, 0\r\n"));
    click(toolbar(), TB_START);
    EXPECT_EQ(s().gl_window->redraw_interval(), 100) << "START brings the ticks of FPS=10";
    const auto plume_length = [&] {
        const ExhaustPlume p = current_bodies(s()).exhaust_plume;
        return p.trail_x[1] - p.trail_x[0];
    };
    const auto follows_zoom = [&] {
        const double wanted = s().view.camera_distance / 10;
        return std::fabs(plume_length() - wanted) < 1e-9 * wanted;
    };
    EXPECT_TRUE(QTest::qWaitFor(follows_zoom, 10000)) << plume_length();

    GlView& view = *s().gl_window;
    const double before = s().view.camera_distance;
    const QPointF middle(view.width() / 2.0, view.height() / 2.0);
    QWheelEvent toward_user(middle, view.mapToGlobal(middle), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                            Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &toward_user);
    ASSERT_GT(s().view.camera_distance, before);
    EXPECT_TRUE(QTest::qWaitFor(follows_zoom, 10000))
        << plume_length() << " for a distance of " << s().view.camera_distance;
    toolbar().close();  // the toolbar's close ends the program, even mid-run
    EXPECT_FALSE(run_active(s()));
}

// The toolbar shows and hides each panel, and so do the panel's own button and its title bar's
// close. Every panel is transient for the host window, which is on screen before any of them (a
// window manager links a transient window only to a host it already manages), so the panels stay
// above the view whatever is clicked. END PROGRAM ends the event loop at once, whatever panels are shown.
TEST_F(ProgramTest, PanelsShowAndHideAndEndProgramEndsTheLoop)
{
    const QWindow* host = program->main_window->windowHandle();
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(toolbar().windowHandle()->transientParent(), host);
    EXPECT_EQ(host_before_toolbar.host_was_shown, true);
    const std::pair<int, Panel*> toggles[] = {{TB_SHOW_TIME, &time_panel()},
                                              {TB_SHOW_NUMERIC, &numeric()},
                                              {TB_SHOW_OPTIONS, &options()},
                                              {TB_SHOW_LOG, &log_panel()}};
    for (const auto& [id, panel] : toggles) {
        EXPECT_FALSE(panel->isVisible()) << id;
        click(toolbar(), id);
        EXPECT_TRUE(panel->isVisible()) << id;
        EXPECT_EQ(panel->windowHandle()->transientParent(), host) << id;
        click(toolbar(), id);
        EXPECT_FALSE(panel->isVisible()) << id;
        click(toolbar(), id);
        click(*panel, HIDE_BUTTON_ID);
        EXPECT_FALSE(panel->isVisible()) << id;
        click(toolbar(), id);
        EXPECT_TRUE(panel->isVisible()) << id << ": one press shows a panel its own button hid";
        panel->close();
        EXPECT_FALSE(panel->isVisible()) << id << ": the title bar's close hides the panel";
        click(toolbar(), id);
        EXPECT_TRUE(panel->isVisible()) << id << ": and one press shows it again";
    }
    QTimer::singleShot(0, [&] { click(toolbar(), TB_END); });
    QObject guard;  // the fallback timer goes with the test
    QTimer::singleShot(5000, &guard, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0) << "the program kept running";
}

// The keyboard alone reaches every shown panel and comes back: Tab in the view or F6 goes to the next
// window, Shift+F6 to the previous one, each time to a control that takes keys.
TEST_F(ProgramTest, KeyboardReachesEveryShownPanelFromTheView)
{
    click(toolbar(), TB_SHOW_TIME);
    QWidget& host = *program->main_window;
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    s().gl_window->setFocus();
    const auto keyboard_in = [](const QWidget& window) {
        return QTest::qWaitFor([&] {
            const QWidget* focus = QApplication::focusWidget();
            return focus != nullptr && focus->window() == &window && QApplication::activeWindow() == &window;
        });
    };
    const auto press = [](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    };
    press(Qt::Key_Tab);
    EXPECT_TRUE(keyboard_in(toolbar())) << "Tab leaves the view for the toolbar";
    press(Qt::Key_F6);
    EXPECT_TRUE(keyboard_in(time_panel()));
    press(Qt::Key_F6);
    EXPECT_TRUE(keyboard_in(host)) << "the hidden panels are left out";
    EXPECT_EQ(QApplication::focusWidget(), s().gl_window);
    press(Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_TRUE(keyboard_in(time_panel()));
}

// The host window covers the work area, less one line, with no frame of its own. A top bar and
// a dock on the left move the work area's corner; both modes keep clear of them, the view
// follows, and so does the toolbar. Minimising the toolbar takes the host window along, and restoring the host brings it back.
TEST_F(ProgramTest, FullScreenAndMinimiseMoveTheHostWindow)
{
    platform.area = {64, 30, 1216, 994};
    start();
    QWidget& host = *program->main_window;
    EXPECT_EQ(host.windowTitle(), "ORBILAN 3");
    EXPECT_TRUE(host.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(host.geometry(), QRect(64, 30, 1216, 993));
    EXPECT_EQ(toolbar().frameGeometry().topLeft(), QPoint(64 + 1216 / 2 - 240, 30))
        << "the toolbar sits at the top of the work area, centred on it";
    click(toolbar(), TB_FULL_SCREEN);
    EXPECT_EQ(host.geometry(), QRect(64 + 96, 30 + 247, 1030, 500));
    EXPECT_EQ(s().gl_window->geometry(), QRect(0, 0, 1030, 499));
    click(toolbar(), TB_FULL_SCREEN);
    EXPECT_EQ(host.geometry(), QRect(64, 30, 1216, 993));
    EXPECT_EQ(s().gl_window->geometry(), QRect(0, 0, 1216, 992));
    host.resize(800, 600);
    EXPECT_TRUE(QTest::qWaitFor([&] { return s().gl_window->size() == QSize(800, 600); })) << "the view follows";
    toolbar().showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.isMinimized(); }));
    host.showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !toolbar().isMinimized(); }));
}

// The camera commands need bodies; LOOK TO (0,0,0) names itself in the toolbar.
TEST_F(ProgramTest, CameraCommandsNeedBodies)
{
    for (const int id : {TB_START, TB_LOOK_ORIGIN, TB_NEXT, TB_PREV}) {
        platform.boxes.clear();
        click(toolbar(), id);
        ASSERT_EQ(platform.boxes.size(), 1u) << id;
        EXPECT_EQ(platform.boxes[0].text, "NO OBJECTS !!");
    }
    platform.boxes.clear();
    open("binary_star.txt");
    click(toolbar(), TB_LOOK_ORIGIN);
    EXPECT_EQ(toolbar().text(0), "ORBILAN : LOOK TO CENTER (0,0,0)");
    EXPECT_TRUE(s().view.look_at_body == 0 && s().view.camera_target[0] == 0);
    click(toolbar(), TB_PREV);
    EXPECT_EQ(s().view.look_at_body, 1) << "the first press only follows the selected body again";
    for (const int id : {TB_NEXT, TB_NEXT, TB_PREV, TB_PREV}) click(toolbar(), id);
    EXPECT_EQ(s().view.selected_body, 1) << "next stops at the last body, previous at the first";
    EXPECT_TRUE(platform.boxes.empty());
}

// A project named on the command line (relative to the current folder, as a shell passes it)
// opens at start as OPEN PROJECT opens one; one that cannot be read leaves the program empty.
TEST_F(ProgramTest, ProjectNamedOnTheCommandLineOpensAtStart)
{
    const fs::path cwd = fs::current_path();
    fs::current_path(folder);
    start("Projects/figure_eight.txt");
    fs::current_path(cwd);
    EXPECT_TRUE(platform.dialogs.empty() && platform.boxes.empty());
    EXPECT_EQ(toolbar().text(0), "figure_eight; Object : 1  (A)  [GAUSS-RADAU]");
    const std::vector<unsigned>& skins = s().scene.texture_id;
    ASSERT_EQ(skins.size(), 4u);
    EXPECT_TRUE(skins[1] != 0 && skins[1] != skins[2] && skins[2] != skins[3] && skins[3] != 0) << "each body its skin";
    click(toolbar(), TB_RESET);
    run_until("0.01");
    EXPECT_TRUE(platform.boxes.empty());

    start(folder / "missing.txt");
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_NE(platform.boxes[0].text.find((folder / "missing.txt").string()), std::string::npos)
        << platform.boxes[0].text;
    EXPECT_EQ(toolbar().text(0), "ORBILAN");
    open("binary_star.txt");  // the program works as if started without a project
}

// Sets an environment variable for the length of a test; an empty value unsets it.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) old_ = old;
        value.empty() ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The program installed under a prefix: nothing beside the program, the resources in
// share/orbilan/, a fresh home.
TEST_F(ProgramTest, InstalledProgramReadsShareAndWritesUnderTheHomeFolder)
{
    const fs::path prefix = folder / "usr";
    const fs::path share = prefix / "share/orbilan";
    fs::create_directories(prefix / "bin");
    fs::create_directories(share);
    for (const char* entry : {"Projects", "skins", "def.bmp"})
        fs::create_symlink(fs::path(ORBILAN_PROGRAM_DIR) / entry, share / entry);
    const fs::path home = folder / "home";
    ScopedVariable home_variable("HOME", home.string());
    ScopedVariable config("XDG_CONFIG_HOME", "");
    ScopedVariable data("XDG_DATA_HOME", "");
    program_dir = prefix / "bin";
    start();

    open_path(share / "Projects/binary_star.txt");
    EXPECT_EQ(fs::path(platform.dialogs.back().folder), share / "Projects") << "OPEN PROJECT starts in the samples";
    EXPECT_EQ(s().table.body_count, 2);

    click(options(), OP_SKIN);
    EXPECT_EQ(test::read_bytes(home / ".config/orbilan/options.opt"), "\"THEME ID\",1\r\n");
    click(log_panel(), LG_ENABLED);
    run_until("0.01");
    EXPECT_TRUE(fs::is_regular_file(home / ".local/share/orbilan/Logs/noname.tXT"));
    EXPECT_TRUE(fs::is_empty(prefix / "bin")) << "nothing is written beside an installed program";

    start();  // the theme is remembered, and its colours are the panels' from the start
    EXPECT_EQ(program->theme_id, 1);
    QWidget* label = time_panel().control(TM_TIME_LABEL);
    EXPECT_EQ(label->palette().color(label->backgroundRole()), QColor(176, 41, 34)) << "the red theme's labels";
}

// A sample opens at its pace, named in the caption; [ and ] step through the run speeds, live in a
// run, and Space starts and pauses it. Every other key clicks its toolbar button, from the view or
// from an edit box, while a focused button keeps Space and an edit box the keys it types.
TEST_F(ProgramTest, KeysDoWhatTheirButtonsDo)
{
    open_path(folder / "Projects" / "binary_star.txt");
    EXPECT_EQ(s().control.pace, 4);
    EXPECT_TRUE(toolbar().windowTitle().endsWith("  [4 s/s]")) << toolbar().windowTitle().toStdString();
    QWidget* view = s().gl_window;
    QTest::keyClick(view, Qt::Key_BracketRight);
    EXPECT_TRUE(toolbar().windowTitle().endsWith("  [1 min/s]"));
    for (int k = 0; k < 3; ++k) QTest::keyClick(view, Qt::Key_BracketLeft);
    EXPECT_EQ(s().control.pace, 1) << "real time is the slowest";
    EXPECT_TRUE(toolbar().windowTitle().endsWith("  [real time]"));
    QTest::keyClick(view, Qt::Key_Space);
    ASSERT_TRUE(run_active(s()));
    for (int k = 0; k < 6; ++k) QTest::keyClick(view, Qt::Key_BracketRight);
    EXPECT_EQ(s().control.pace, 0);
    EXPECT_EQ(toolbar().windowTitle(), toolbar().text(0)) << "as fast as possible adds nothing";
    const long long steps = s().run->steps_done();
    EXPECT_TRUE(QTest::qWaitFor([&] { return s().run->steps_done() > steps + 100000; })) << "no longer paced";
    QTest::keyClick(view, Qt::Key_Space);
    wait_for_end();
    QTest::keyClick(view, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(s().control.pace, 0) << "RESET keeps the run speed chosen, not the project's";

    // The buttons' clicks, heard without acting on them.
    QObject::disconnect(&toolbar(), nullptr, program->application.get(), nullptr);
    QSignalSpy clicks(&toolbar(), &Panel::command);
    auto* stop_time = qobject_cast<QLineEdit*>(time_panel().control(TM_STOP_TIME));
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int button;
    } keys[] = {{Qt::Key_Space, {}, TB_START},
                {Qt::Key_O, Qt::ControlModifier, TB_OPEN},
                {Qt::Key_R, Qt::ControlModifier, TB_RESET},
                {Qt::Key_F11, {}, TB_FULL_SCREEN},
                {Qt::Key_Q, Qt::ControlModifier, TB_END},
                {Qt::Key_Home, {}, TB_LOOK_ORIGIN},
                {Qt::Key_PageUp, {}, TB_PREV},
                {Qt::Key_PageDown, {}, TB_NEXT}};
    for (QWidget* where : {view, static_cast<QWidget*>(stop_time)}) {
        for (const auto& k : keys) {
            // An edit box keeps Space and Home for its text.
            if (where == stop_time && (k.key == Qt::Key_Space || k.key == Qt::Key_Home)) continue;
            clicks.clear();
            QTest::keyClick(where, k.key, k.modifiers);
            ASSERT_EQ(clicks.size(), 1) << k.key;
            EXPECT_EQ(clicks[0][0].toInt(), k.button) << k.key;
        }
    }
    clicks.clear();
    QTest::keyClick(toolbar().control(TB_SHOW_TIME), Qt::Key_Space);
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks[0][0].toInt(), TB_SHOW_TIME) << "a focused button keeps Space";

    // + and - are a wheel step each way; the arrows turn the camera as a drag of 48 pixels (2 degrees).
    ViewState& camera = s().view;
    const double distance = camera.camera_distance;
    QTest::keyClick(view, Qt::Key_Plus, Qt::ShiftModifier);
    EXPECT_EQ(camera.camera_distance, distance / ZOOM_FACTOR);
    QTest::keyClick(view, Qt::Key_Minus);
    EXPECT_DOUBLE_EQ(camera.camera_distance, distance);
    stop_time->setText("");
    QTest::keyClick(stop_time, Qt::Key_Minus);
    EXPECT_EQ(stop_time->text(), "-") << "an edit box keeps the keys it types";
    EXPECT_DOUBLE_EQ(camera.camera_distance, distance);
    const extended yaw = camera.camera_yaw, pitch = camera.camera_pitch;
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(camera.camera_yaw, yaw - 2);
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(camera.camera_pitch, pitch + 2);
    QTest::keyClick(view, Qt::Key_Left);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(camera.camera_yaw, yaw);
    EXPECT_EQ(camera.camera_pitch, pitch);

    // The view's menu keeps the arrows for itself.
    QContextMenuEvent right_click(QContextMenuEvent::Mouse, view->rect().center(),
                                  view->mapToGlobal(view->rect().center()));
    QApplication::sendEvent(view, &right_click);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr) << "the right button opens the view's menu";
    QTest::keyClick(menu, Qt::Key_Right);
    EXPECT_EQ(camera.camera_yaw, yaw);
    menu->close();
}

// A left click on a star selects and follows it, as the body buttons do; on empty space it changes
// nothing.
TEST_F(ProgramTest, LeftClickSelectsTheBodyUnderThePointer)
{
    open("binary_star.txt");
    click(toolbar(), TB_LOOK_ORIGIN);
    // Seen from the y axis, the stars lie left and right of the origin.
    s().view.camera_yaw = 90;
    GlView& view = *s().gl_window;
    view.redraw_view();
    QTest::mouseClick(&view, Qt::LeftButton, {}, view.rect().center());
    EXPECT_EQ(s().view.look_at_body, 0) << "the centre lies between the stars";
    EXPECT_EQ(s().view.selected_body, 1);
    // Where Beta (at x = -1) shows on the screen.
    const ViewFrustum f = view_frustum(s().view);
    const double q[3] = {-1 - f.eye[0], -f.eye[1], -f.eye[2]};
    const auto dot = [&q](const std::array<double, 3>& axis) {
        return q[0] * axis[0] + q[1] * axis[1] + q[2] * axis[2];
    };
    const double depth = dot(f.forward);
    const QPoint beta(qRound(view.width() * (0.5 + 0.5 * dot(f.side) / depth / f.tan_across)),
                      qRound(view.height() * (0.5 - 0.5 * dot(f.up) / depth / f.tan_up)));
    QTest::mouseClick(&view, Qt::LeftButton, {}, beta);
    EXPECT_EQ(s().view.look_at_body, 2);
    EXPECT_EQ(s().view.selected_body, 2);
    EXPECT_EQ(numeric().text(0), "NUMERIC DATA for OBJECT =  2  (Beta)");
}

// Ctrl+S writes the view at its full resolution as a PNG into the pictures folder and says where;
// a folder it cannot write to is named with the reason.
TEST_F(ProgramTest, CtrlSSavesTheViewAsAPicture)
{
    open("binary_star.txt");
    const fs::path pictures = temp.path() / "Pictures";
    fs::create_directory(pictures);
    setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
    QTest::keyClick(s().gl_window, Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(s().gl_window, Qt::Key_S, Qt::ControlModifier);
    std::vector<fs::path> saved;
    for (const auto& entry : fs::directory_iterator(pictures)) saved.push_back(entry.path());
    ASSERT_EQ(saved.size(), 2u) << "a second picture within the same second has a name of its own";
    const QImage image(QString::fromStdString(saved[0].string()));
    EXPECT_EQ(image.size(), picture().size());
    EXPECT_EQ(saved[0].filename().string().substr(0, 8), "orbilan-");

    const fs::path missing = pictures / "gone";
    setenv("XDG_PICTURES_DIR", missing.c_str(), 1);
    const QString failure = program->application->save_view_picture();
    EXPECT_TRUE(failure.startsWith("The view could not be saved as " + QString::fromStdString(missing.string())))
        << failure.toStdString();
    EXPECT_TRUE(failure.endsWith("does not exist.")) << failure.toStdString();
    // A device that takes no files, as a full or read-only disk would refuse one.
    setenv("XDG_PICTURES_DIR", "/proc", 1);
    const QString refused = program->application->save_view_picture();
    unsetenv("XDG_PICTURES_DIR");
    EXPECT_TRUE(refused.startsWith("The view could not be saved as /proc/orbilan-")) << refused.toStdString();
    EXPECT_FALSE(fs::exists(missing));
}

// Ctrl+Shift+R twice records the view, through a run and a pause, beside the pictures: a video that
// decodes to the frames the message counts, as long as the recording took. A folder that is not
// there is named, and no file claims to be a video.
TEST_F(ProgramTest, CtrlShiftRRecordsTheViewAsAVideo)
{
    open("binary_star.txt");
    const fs::path pictures = temp.path() / "Pictures";
    fs::create_directory(pictures);
    setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
    click(options(), OP_FPS);
    ASSERT_EQ(options().text(OP_FPS), "FPS=20");
    const auto said = [](const QString& start, const QString& end = {}) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && box->text().startsWith(start))
                return box->text().endsWith(end);
        return false;
    };
    const auto record_key = [this] {
        QTest::keyClick(s().gl_window, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    };

    record_key();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(toolbar().windowTitle().endsWith("[REC]")) << toolbar().windowTitle().toStdString();
    time_panel().set_text(TM_STOP_TIME, "1E+99");
    click(toolbar(), TB_START);
    QTest::qWait(1500);
    click(toolbar(), TB_STOP);
    wait_for_end();
    QTest::qWait(500);
    const double seconds = clock.elapsed() / 1000.0;
    record_key();
    EXPECT_FALSE(toolbar().windowTitle().contains("[REC"));

    std::vector<fs::path> videos;
    for (const auto& entry : fs::directory_iterator(pictures)) videos.push_back(entry.path());
    ASSERT_EQ(videos.size(), 1u);
    EXPECT_EQ(videos[0].extension(), ".mp4");
    const test::DecodedVideo video = test::decode_video(videos[0]);
    ASSERT_EQ(video.error, "");
    ASSERT_FALSE(video.frames.empty());
    EXPECT_TRUE(said(QString("The recording was saved as %1: %2 frames at 20 per second.")
                         .arg(QString::fromStdString(videos[0].string()))
                         .arg(video.frames.size())));
    // A busy machine's late ticks cost frames, never the video's pace.
    EXPECT_GE(video.frames.size(), std::size_t(seconds * 20 / 4));
    EXPECT_LE(video.frames.size(), std::size_t(seconds * 20 + 3));
    EXPECT_NEAR(video.seconds.back(), seconds, 0.1);
    EXPECT_EQ(video.frames[0].size(), QSize(picture().width() & ~1, picture().height() & ~1));

    const fs::path missing = pictures / "gone";
    setenv("XDG_PICTURES_DIR", missing.c_str(), 1);
    record_key();
    unsetenv("XDG_PICTURES_DIR");
    EXPECT_TRUE(said("The view could not be recorded to " + QString::fromStdString(missing.string()),
                     "the folder " + QString::fromStdString(missing.string()) + " does not exist."));
    EXPECT_FALSE(toolbar().windowTitle().contains("[REC"));
    EXPECT_FALSE(fs::exists(missing));
}

// F2 opens the plot window. Through a paused and resumed run its energy curve holds, at every
// point, the relative change that the engine's own bodies give at that time; the position log of
// 30,000 lines is thinned to its bound and keeps its extremes exactly. The plots save as a PNG.
TEST_F(ProgramTest, PlotsShowTheEnginesEnergyAndTheThinnedLog)
{
    open("binary_star.txt");
    click(log_panel(), LG_ENABLED);
    log_panel().combo(LG_MODE)->setCurrentIndex(1);
    log_panel().combo(LG_BODY)->setCurrentIndex(1);
    QTest::keyClick(s().gl_window, Qt::Key_F2);
    PlotWindow* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && qobject_cast<PlotWindow*>(w)) window = qobject_cast<PlotWindow*>(w);
    ASSERT_NE(window, nullptr) << "F2 shows the plot window";
    test::Stepper<> expected(s().table, s().state);
    // Slow enough for a few dozen frames.
    program->application->set_pace(20);
    run_until("15");
    run_until("30");
    // The last point is measured after the run.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program->application->plot_feed().pending(); }));

    expected.state.dt = s().state.dt;
    expected.state.stop_time = 30;
    expected.start();
    const extended start = total_energy(expected.table, expected.state.grav_constant);
    std::map<double, double> energy{{0.0, 0.0}};
    double low = 1, high = -1;  // of body 2's x after each step, as the log has it
    for (bool stop = false; !stop;) {
        stop = expected.step().stop;
        const extended now = total_energy(expected.table, expected.state.grav_constant);
        energy[static_cast<double>(expected.state.sim_time)] = static_cast<double>(relative_energy_change(start, now));
        low = std::min(low, static_cast<double>(expected.table.x[2]));
        high = std::max(high, static_cast<double>(expected.table.x[2]));
    }
    ASSERT_EQ(expected.state.sim_time, s().state.sim_time);

    const QList<QPointF> curve = window->energy_series()->points();
    EXPECT_GT(curve.size(), 10);
    EXPECT_EQ(curve.first(), QPointF(0, 0));
    EXPECT_EQ(curve.last().x(), static_cast<double>(s().state.sim_time));
    for (const QPointF& p : curve) {
        const auto at = energy.find(p.x());
        ASSERT_NE(at, energy.end()) << "no step ends at t = " << p.x();
        EXPECT_EQ(p.y(), at->second) << "t = " << p.x();
    }
    const QList<QPointF> x = window->logged_series(0)->points();
    EXPECT_TRUE(x.size() > 1000 && x.size() <= 2002) << x.size();
    const auto [lowest, highest] =
        std::minmax_element(x.begin(), x.end(), [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    EXPECT_EQ(lowest->y(), low);
    EXPECT_EQ(highest->y(), high);

    const fs::path pictures = temp.path() / "Pictures";
    fs::create_directory(pictures);
    setenv("XDG_PICTURES_DIR", pictures.c_str(), 1);
    const SavedPicture saved = window->save_plot();
    unsetenv("XDG_PICTURES_DIR");
    ASSERT_TRUE(saved.saved) << saved.message.toStdString();
    EXPECT_EQ(saved.path.filename().string().rfind("orbilan-plot-", 0), 0u);
    EXPECT_FALSE(QImage(QString::fromStdString(saved.path.string())).isNull());
}

// The next start finds the last project, the frame rate, the light, the run speed chosen and the
// panels where they were left; a last project gone missing starts the program empty and silent.
TEST_F(ProgramTest, NextStartRemembersWhatTheLastOneLeft)
{
    open("binary_star.txt");
    click(options(), OP_FPS);
    click(options(), OP_LIGHT_MORE);
    program->application->set_pace(3600);
    test::show_and_wait(&log_panel());
    log_panel().move(37, 211);
    const int fps = s().control.fps_index;
    const QString fps_caption = options().text(OP_FPS);
    const double light = s().view.ambient_level;
    const fs::path project = s().project_path;
    program->application->save_remembered();

    start();
    EXPECT_EQ(s().project_path, project);
    EXPECT_EQ(s().table.body_count, 2);
    EXPECT_EQ(s().control.fps_index, fps);
    EXPECT_EQ(options().text(OP_FPS), fps_caption);
    EXPECT_EQ(s().view.ambient_level, light);
    EXPECT_EQ(s().control.pace, 3600);
    EXPECT_TRUE(toolbar().windowTitle().endsWith("[1 h/s]"));
    EXPECT_EQ(log_panel().pos(), QPoint(37, 211));

    program->application->save_remembered();
    fs::remove(folder / "Projects");
    fs::create_directory(folder / "Projects");
    platform.boxes.clear();
    start();
    EXPECT_TRUE(s().project_path.empty());
    EXPECT_EQ(s().table.body_count, 0);
    EXPECT_TRUE(platform.boxes.empty());
}

}  // namespace
}  // namespace orbilan
