// ORBILAN end to end: start-up with the real panels and view, commands by click, runs to their end.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>

#include "app/application.h"
#include "app/start_up.h"
#include "app/start_up_steps.h"
#include "files/number_format.h"
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "platform/recording_platform.h"
#include "sim/gravity_step.h"
#include "widgets/round_button.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A program folder of its own: the built program's projects and skins, a fresh settings file.
fs::path make_program_folder(const std::string& name)
{
    const fs::path folder = fs::temp_directory_path() / ("orbilan-app-" + name + "-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const char* entry : {"Projects", "skins", "def.bmp"})
        fs::create_symlink(fs::path(ORBILAN_PROGRAM_DIR) / entry, folder / entry);
    return folder;
}

class ProgramTest : public ::testing::Test {
protected:
    fs::path folder = make_program_folder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::path program_dir = folder;
    RecordingPlatform platform;
    std::unique_ptr<Program> program;

    void SetUp() override { start(); }
    void TearDown() override
    {
        program.reset();
        fs::remove_all(folder);
    }

    void start(const fs::path& project = {})
    {
        platform.folder = program_dir.string() + "/";
        program = std::make_unique<Program>();
        ASSERT_EQ(start_up(*program, platform, program_start_up_steps(platform), project), StartUpOutcome::running);
    }

    Session& s() { return program->application->session(); }
    Panel& toolbar() { return *s().panels.toolbar_panel; }

    // A click as the user makes it, on the panel's button or check box.
    void click(Panel& panel, int id)
    {
        QWidget* control = panel.control(id);
        ASSERT_NE(control, nullptr) << id;
        if (!panel.isVisible()) {
            panel.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        }
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
    }

    void open(const std::string& project)
    {
        platform.dialog_answers.push_back((folder / "Projects" / project).string());
        click(toolbar(), TB_OPEN);
        ASSERT_EQ(s().table.body_count > 0, true) << "project " << project << " did not load";
    }

    bool controls_locked() const
    {
        return !program->application->session().panels.toolbar_panel->control(TB_START)->isEnabled();
    }

    // Waits for the end of the run and of its refresh on this thread.
    void wait_for_end()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !run_active(s()) && !controls_locked(); }, 60000)) << "run never ended";
    }

    void set_stop_time(const char* text) { s().panels.time_panel->set_text(TM_STOP_TIME, text); }
};

TEST_F(ProgramTest, OpenShowsTheProjectAndNamesTheSelectedBody)
{
    open("figure_eight.txt");
    EXPECT_EQ(toolbar().text(0), "figure_eight; Object : 1  (A)");
    EXPECT_EQ(s().panels.numeric_panel->text(0), "NUMERIC DATA for OBJECT =  1  (A)");
    EXPECT_EQ(s().panels.time_panel->text(TM_DT), "1.000E-04");
    EXPECT_EQ(s().panels.time_panel->text(TM_ELAPSED), "0.000");
    EXPECT_EQ(s().panels.log_panel->combo(LG_BODY)->count(), 3);
    EXPECT_EQ(s().panels.log_panel->combo(LG_BODY)->itemText(2), "3  ( C )");
    EXPECT_EQ(platform.dialogs.back().title, "Open Project");
    EXPECT_EQ(fs::path(platform.dialogs.back().folder), folder / "Projects");
    EXPECT_EQ(platform.dialogs.back().filter, "TXT(*.txt)");
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(ProgramTest, CancelledOpenKeepsTheProjectAndSaysSo)
{
    open("binary_star.txt");
    click(toolbar(), TB_OPEN);  // no answer queued: the user cancels
    EXPECT_EQ(toolbar().text(0), "PROJECT - ");
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, "Canceled !");
    EXPECT_EQ(s().table.body_count, 2);
    click(toolbar(), TB_RESET);
    EXPECT_EQ(platform.boxes.back().text, "No project loaded !");
}

TEST_F(ProgramTest, UnreadableProjectLeavesTheLoadedOneInPlace)
{
    open("binary_star.txt");
    platform.dialog_answers.push_back((folder / "missing.txt").string());
    click(toolbar(), TB_OPEN);
    EXPECT_EQ(s().table.body_count, 2);
    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_NE(platform.boxes.back().text.find("missing.txt"), std::string::npos);
    EXPECT_EQ(toolbar().text(0), "binary_star; Object : 1  (Alpha)");
}

// Files that are not projects: a PNG (Ctrl-Z at byte 6, NUL bytes after it), a named pipe with no
// writer, a device, a folder. None may hang the window or replace the project on show.
TEST_F(ProgramTest, FilesThatAreNotProjectsLeaveTheLoadedOneInPlace)
{
    open("binary_star.txt");
    const fs::path png = folder / "picture.png";
    std::ofstream(png, std::ios::binary) << std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20);
    const fs::path pipe = folder / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const fs::path& path : {png, pipe, fs::path("/dev/zero"), folder / "Projects"}) {
        platform.boxes.clear();
        platform.dialog_answers.push_back(path.string());
        click(toolbar(), TB_OPEN);
        EXPECT_EQ(s().table.body_count, 2) << path;
        ASSERT_EQ(platform.boxes.size(), 1u) << path;
        EXPECT_NE(platform.boxes[0].text.find(path.string()), std::string::npos) << platform.boxes[0].text;
        EXPECT_EQ(toolbar().text(0), "binary_star; Object : 1  (Alpha)") << path;
    }
}

// A thousand bodies listed in a 37-byte file: one box for the count, one for the densities.
TEST_F(ProgramTest, AMessageForManyBodiesIsShownOnce)
{
    const fs::path project = folder / "many.txt";
    std::ofstream(project, std::ios::binary) << "Many bodies, x\r\nObjects, 1000\r\ndt, 1\r\n";
    platform.dialog_answers.push_back(project.string());
    click(toolbar(), TB_OPEN);
    EXPECT_EQ(s().table.body_count, 1000);
    ASSERT_EQ(platform.boxes.size(), 2u);
    EXPECT_NE(platform.boxes[0].text.find("lists 1000 objects but holds the data of only 0"), std::string::npos)
        << platform.boxes[0].text;
    EXPECT_EQ(platform.boxes[1].text,
              "Density cannot be 0 (zero) ; changed to : 1 kg/m3\n(1000 objects: 1, 2, 3, 4, 5, ...)");
}

// The settings file and the default skin as named pipes: start-up and OPEN PROJECT go on, and
// say which file they could not read.
TEST_F(ProgramTest, NamedPipesInTheProgramFolderNeverHangIt)
{
    program.reset();
    ASSERT_EQ(::mkfifo((folder / "options.opt").c_str(), 0600), 0);
    fs::remove(folder / "def.bmp");
    ASSERT_EQ(::mkfifo((folder / "def.bmp").c_str(), 0600), 0);
    start();
    EXPECT_EQ(program->theme_id, 0);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_NE(platform.boxes[0].text.find((folder / "options.opt").string()), std::string::npos);
    click(*s().panels.options_panel, OP_SKIN);  // saving the theme must not wait for a reader
    EXPECT_EQ(s().theme_id, 1);

    platform.boxes.clear();
    const fs::path plain = folder / "plain.txt";
    std::ofstream(plain, std::ios::binary) << "Plain, no skins\r\nObjects, 2\r\ndt, 1\r\nG, 1\r\n"
                                              "Object, 1, A,\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\n"
                                              "Object, 2, B,\r\nPosition, 9, 0, 0\r\nVelocity, 0, 0, 0\r\nMass, 1\r\nDensity, 1\r\n";
    platform.dialog_answers.push_back(plain.string());
    click(toolbar(), TB_OPEN);
    EXPECT_EQ(s().table.body_count, 2);
    ASSERT_EQ(platform.boxes.size(), 1u) << "one box for the default skin, not one per body";
    EXPECT_NE(platform.boxes[0].text.find((folder / "def.bmp").string() + "\nis not a regular file"),
              std::string::npos)
        << platform.boxes[0].text;
}

// START, STOP/PAUSE and START again follow the same trajectory as one unbroken run.
TEST_F(ProgramTest, PauseAndResumeContinueTheSameTrajectory)
{
    open("figure_eight.txt");
    BodyTable expected = s().table;
    SimulationState expected_state = s().state;
    expected_state.dt = 1e-4L;  // as the time panel shows it
    expected_state.run_direction = 1;
    // Far enough that the first run is still going when STOP comes: three bodies take a
    // microsecond a step, and a run that has already ended would make the second one step back.
    expected_state.stop_time = 100;
    StepWorkspace work;
    init_workspace(work, expected, 1);
    prepare_step(expected, expected_state, work);
    while (!gravity_step(expected, expected_state, work, 0).stop) {
    }

    set_stop_time("100");
    click(toolbar(), TB_START);
    EXPECT_TRUE(controls_locked());
    for (const int id : {TB_OPEN, TB_RESET, TB_END})
        EXPECT_FALSE(toolbar().control(id)->isEnabled()) << id;
    for (const int id : {LG_SELECT_FILE, LG_FILE_NAME, LG_MODE, LG_BODY, LG_EVERY, LG_ENABLED})
        EXPECT_FALSE(s().panels.log_panel->control(id)->isEnabled()) << id;
    for (const int id : {TM_DT, TM_STOP_TIME, TM_DT_MUL10, TM_DT_DIV10})
        EXPECT_FALSE(s().panels.time_panel->control(id)->isEnabled()) << id;
    EXPECT_TRUE(toolbar().control(TB_STOP)->isEnabled());
    EXPECT_TRUE(s().panels.time_panel->control(TM_UNIT)->isEnabled());
    EXPECT_TRUE(s().gl_window->redraw_timer_active());
    click(toolbar(), TB_STOP);
    wait_for_end();
    const extended paused_at = s().state.sim_time;
    EXPECT_GT(paused_at, 0);
    ASSERT_LT(paused_at, 100) << "the run ended before STOP/PAUSE";
    EXPECT_FALSE(s().gl_window->redraw_timer_active());
    EXPECT_EQ(s().panels.time_panel->text(TM_ELAPSED).toStdString(),
              elapsed_time_text(paused_at, 1)) << "the end of a run shows its time";

    click(toolbar(), TB_START);
    wait_for_end();
    EXPECT_EQ(s().state.sim_time, expected_state.sim_time);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(s().table.x[i], expected.x[i]) << i;
        EXPECT_EQ(s().table.vy[i], expected.vy[i]) << i;
    }
}

TEST_F(ProgramTest, StopTimeIsTypedInTheShownUnitAndMayLieInThePast)
{
    open("binary_star.txt");
    click(*s().panels.time_panel, TM_UNIT);  // seconds to hours
    EXPECT_EQ(s().panels.time_panel->text(TM_TIME_LABEL), "time (hour)");
    set_stop_time("1E-05");  // 36 ms
    click(toolbar(), TB_START);
    wait_for_end();
    // The run stops at the first step that reaches the stop time: within one step (1 ms) past it.
    EXPECT_GE(s().state.sim_time, 0.036L);
    EXPECT_LT(s().state.sim_time, 0.036L + 0.0011L);

    set_stop_time("-1E-05");
    click(toolbar(), TB_START);
    wait_for_end();
    EXPECT_EQ(s().state.run_direction, 2);
    EXPECT_LE(s().state.sim_time, -0.036L);
    EXPECT_GT(s().state.sim_time, -0.036L - 0.0011L);
}

TEST_F(ProgramTest, LogGoesToTheChosenFileOrTheDefaultOne)
{
    open("binary_star.txt");
    Panel& log = *s().panels.log_panel;
    click(log, LG_ENABLED);
    log.set_text(LG_EVERY, "10");
    log.combo(LG_BODY)->setCurrentIndex(1);
    set_stop_time("0.035");
    click(toolbar(), TB_START);
    wait_for_end();
    const fs::path fallback = folder / "Logs" / "noname.tXT";
    EXPECT_EQ(log.text(LG_FILE_NAME).toStdString(), fallback.string());
    std::ifstream first(fallback, std::ios::binary);
    const std::string lines((std::istreambuf_iterator<char>(first)), {});
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines;
    // The first variable, acceleration: body 2 is pulled toward body 1 at G m / d^2 = 1/4.
    EXPECT_EQ(lines.rfind("1.000E-02 , 2.4999", 0), 0u) << lines;

    const fs::path chosen = folder / "mine.txt";
    platform.dialog_answers.push_back(chosen.string());
    click(log, LG_SELECT_FILE);
    EXPECT_EQ(platform.dialogs.back().title, "Open Log");
    EXPECT_TRUE(platform.dialogs.back().save);
    s().panels.time_panel->set_text(TM_STOP_TIME, "0.05");
    click(toolbar(), TB_START);
    wait_for_end();
    EXPECT_TRUE(fs::exists(chosen));
}

// A disk that fills up during a run (here a file size limit): the run ends, a box names the file,
// the controls come back and the lines written so far stay.
TEST_F(ProgramTest, ALogThatCannotBeWrittenEndsTheRunAndSaysSo)
{
    open("binary_star.txt");
    const fs::path log_file = folder / "long.txt";
    platform.dialog_answers.push_back(log_file.string());
    click(*s().panels.log_panel, LG_SELECT_FILE);
    click(*s().panels.log_panel, LG_ENABLED);
    set_stop_time("1E+99");

    constexpr rlim_t LIMIT = 64 * 1024;
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    const rlimit small{LIMIT, previous.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const auto previous_handler = ::signal(SIGXFSZ, SIG_IGN);
    click(toolbar(), TB_START);
    wait_for_end();
    ::setrlimit(RLIMIT_FSIZE, &previous);
    ::signal(SIGXFSZ, previous_handler);

    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_EQ(platform.boxes.back().text, "Cannot write the log file " + log_file.string() + " (File too large)");
    EXPECT_EQ(platform.boxes.back().icon, MessageIcon::error);
    EXPECT_TRUE(toolbar().control(TB_START)->isEnabled());
    EXPECT_TRUE(s().panels.log_panel->control(LG_ENABLED)->isEnabled());
    std::ifstream written(log_file, std::ios::binary);
    const std::string lines((std::istreambuf_iterator<char>(written)), {});
    EXPECT_EQ(lines.size(), LIMIT);
    EXPECT_EQ(lines.rfind("1.000E-03 , ", 0), 0u) << lines.substr(0, 80);
}

// However the log file is spelled, it may not be the project that is loaded.
TEST_F(ProgramTest, ALogFileThatIsTheProjectIsRefused)
{
    const fs::path project = folder / "two.txt";
    fs::copy_file(folder / "Projects" / "binary_star.txt", project);
    platform.dialog_answers.push_back(project.string());
    click(toolbar(), TB_OPEN);
    platform.dialog_answers.push_back((folder / "." / "two.txt").string());
    click(*s().panels.log_panel, LG_SELECT_FILE);
    click(*s().panels.log_panel, LG_ENABLED);
    click(toolbar(), TB_START);
    EXPECT_FALSE(run_active(s()));
    EXPECT_TRUE(toolbar().control(TB_START)->isEnabled());
    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_NE(platform.boxes.back().text.find("is the project's own file"), std::string::npos) << platform.boxes.back().text;
    std::ifstream kept(project, std::ios::binary), original(folder / "Projects" / "binary_star.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), std::string(std::istreambuf_iterator<char>(original), {}));
}

TEST_F(ProgramTest, FrameRateCyclesDuringAndOutsideARun)
{
    open("binary_star.txt");
    Panel& options = *s().panels.options_panel;
    click(options, OP_FPS);
    EXPECT_EQ(options.text(OP_FPS), "FPS=20");
    EXPECT_FALSE(s().gl_window->redraw_timer_active()) << "no run, no timer";
    click(toolbar(), TB_START);
    for (int k = 0; k < 2; ++k) click(options, OP_FPS);
    EXPECT_EQ(options.text(OP_FPS), "FPS=0 (OFF)");
    EXPECT_FALSE(s().gl_window->redraw_timer_active());
    click(options, OP_FPS);
    EXPECT_EQ(options.text(OP_FPS), "FPS=1");
    EXPECT_TRUE(s().gl_window->redraw_timer_active());
    click(toolbar(), TB_STOP);
    wait_for_end();
}

TEST_F(ProgramTest, CollisionsSwitchedOnDuringARunMergeBodies)
{
    open("cluster.txt");
    for (int k = 0; k < 60; ++k) click(toolbar(), TB_NEXT);
    EXPECT_EQ(s().state.selected_body, 60);
    // The rocks meet in the first simulated second; a step a hundred times finer keeps that
    // second long enough for the click to come first, however fast the steps are.
    for (int k = 0; k < 2; ++k) click(*s().panels.time_panel, TM_DT_DIV10);
    click(toolbar(), TB_START);
    click(*s().panels.options_panel, OP_COLLISION);
    EXPECT_EQ(s().panels.options_panel->text(OP_COLLISION), "COLLISION : ON");
    ASSERT_TRUE(QTest::qWaitFor([&] { return current_bodies(s()).body_count < 40; }, 60000));
    click(toolbar(), TB_STOP);
    wait_for_end();
    const int n = s().table.body_count;
    EXPECT_LE(s().state.selected_body, n);
    const std::string name = s().table.name[s().state.selected_body];
    EXPECT_NE(s().panels.numeric_panel->text(0).toStdString().find("(" + name + ")"), std::string::npos);
}

TEST_F(ProgramTest, ResetKeepsTheSelectionAndTheCameraDistance)
{
    open("figure_eight.txt");
    click(toolbar(), TB_NEXT);  // a loaded project already follows body 1
    const double distance = s().view.camera_distance * 3;
    s().view.camera_distance = distance;
    set_stop_time("0.01");
    click(toolbar(), TB_START);
    wait_for_end();
    click(toolbar(), TB_RESET);
    EXPECT_EQ(s().state.selected_body, 2);
    EXPECT_EQ(s().view.camera_distance, distance);
    EXPECT_EQ(s().state.sim_time, 0);
    EXPECT_EQ(toolbar().text(0), "figure_eight; Object : 2  (B)");
}

TEST_F(ProgramTest, ThemeIsRememberedAcrossARestart)
{
    click(*s().panels.options_panel, OP_SKIN);
    EXPECT_EQ(s().theme_id, 1);
    std::ifstream settings(folder / "options.opt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(settings), {}), "\"THEME ID\",1\r\n");
    program.reset();
    start();
    EXPECT_EQ(program->theme_id, 1);
}

TEST_F(ProgramTest, EndingTheProgramDuringARunStopsIt)
{
    open("cluster.txt");
    click(toolbar(), TB_START);
    ASSERT_TRUE(run_active(s()));
    toolbar().close();  // the toolbar's close ends the program, even mid-run
    EXPECT_FALSE(run_active(s()));
}

TEST_F(ProgramTest, PanelsShowAndHideFromTheToolbarAndTheirOwnButton)
{
    const std::pair<int, Panel*> toggles[] = {{TB_SHOW_TIME, s().panels.time_panel},
                                              {TB_SHOW_NUMERIC, s().panels.numeric_panel},
                                              {TB_SHOW_OPTIONS, s().panels.options_panel},
                                              {TB_SHOW_LOG, s().panels.log_panel}};
    for (const auto& [id, panel] : toggles) {
        EXPECT_FALSE(panel->isVisible()) << id;
        click(toolbar(), id);
        EXPECT_TRUE(panel->isVisible()) << id;
        click(toolbar(), id);
        EXPECT_FALSE(panel->isVisible()) << id;
        click(toolbar(), id);
        click(*panel, HIDE_BUTTON_ID);
        EXPECT_FALSE(panel->isVisible()) << id;
        click(toolbar(), id);
        EXPECT_TRUE(panel->isVisible()) << id << ": one press shows a panel its own button hid";
        panel->close();
        EXPECT_TRUE(panel->isVisible()) << id << ": panels are never closed";
    }
}

TEST_F(ProgramTest, FullScreenTogglesToTheFixedWindowAndBack)
{
    program.reset();
    platform.area = {0, 0, 1920, 1040};
    start();
    QWidget& host = *program->main_window;
    EXPECT_EQ(host.geometry(), QRect(0, 0, 1920, 1039));
    click(toolbar(), TB_FULL_SCREEN);
    EXPECT_EQ(host.geometry(), QRect(448, 270, 1030, 500));
    EXPECT_EQ(s().gl_window->geometry(), QRect(0, 0, 1030, 499));
    click(toolbar(), TB_FULL_SCREEN);
    EXPECT_EQ(host.geometry(), QRect(0, 0, 1920, 1039));
    EXPECT_EQ(s().gl_window->geometry(), QRect(0, 0, 1920, 1038));

    // A top bar and a dock on the left move the work area's corner; both modes keep clear of them.
    program.reset();
    platform.area = {64, 30, 1216, 994};
    start();
    QWidget& docked = *program->main_window;
    EXPECT_EQ(docked.geometry(), QRect(64, 30, 1216, 993));
    click(toolbar(), TB_FULL_SCREEN);
    EXPECT_EQ(docked.geometry(), QRect(64 + 96, 30 + 247, 1030, 500));
    click(toolbar(), TB_FULL_SCREEN);
    EXPECT_EQ(docked.geometry(), QRect(64, 30, 1216, 993));
}

// END PROGRAM ends the event loop at once, whichever panels are shown.
TEST_F(ProgramTest, EndProgramEndsTheLoopWithAnyPanelShown)
{
    for (const int shown : {0, TB_SHOW_TIME, TB_SHOW_NUMERIC, TB_SHOW_OPTIONS, TB_SHOW_LOG}) {
        program.reset();
        start();
        if (shown != 0) click(toolbar(), shown);
        QTimer::singleShot(0, [&] { click(toolbar(), TB_END); });
        QTimer never_ended;
        never_ended.setSingleShot(true);
        QObject::connect(&never_ended, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        never_ended.start(5000);
        EXPECT_EQ(QApplication::exec(), 0) << "with panel " << shown << " shown the program kept running";
    }
}

// Minimising the toolbar takes the host window along, and restoring the host brings it back.
TEST_F(ProgramTest, MinimisingTheToolbarTakesTheHostAlong)
{
    QWidget& host = *program->main_window;
    toolbar().showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return host.isMinimized(); }));
    host.showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !toolbar().isMinimized(); }));
}

TEST_F(ProgramTest, LookToOriginNamesItselfInTheToolbar)
{
    open("binary_star.txt");
    click(toolbar(), TB_LOOK_ORIGIN);
    EXPECT_EQ(toolbar().text(0), "ORBILAN : LOOK TO CENTER (0,0,0)");
    EXPECT_EQ(s().view.look_at_body, 0);
    EXPECT_EQ(s().view.camera_target[0], 0);
    EXPECT_TRUE(platform.boxes.empty());
}

// What is drawn stays put when the trails are switched off and on, the frame rate changes, or a
// run starts without ticks and something rebuilds the scene: the bodies stay where they were.
TEST_F(ProgramTest, BodiesStayPutWhenTrailsOrFrameRateChange)
{
    open("binary_star.txt");
    GlView& view = *s().gl_window;
    const QImage loaded = view.grabFramebuffer();
    const auto same_picture = [&](const char* after) {
        const QImage now = view.grabFramebuffer();
        ASSERT_EQ(now.size(), loaded.size());
        int differing = 0;
        for (int y = 0; y < now.height(); ++y)
            for (int x = 0; x < now.width(); ++x) differing += now.pixel(x, y) != loaded.pixel(x, y);
        EXPECT_EQ(differing, 0) << "after " << after;
    };
    Panel& options = *s().panels.options_panel;
    click(options, OP_TRAILS);
    click(options, OP_TRAILS);
    same_picture("trails off and on");
    for (int k = 0; k < 3; ++k) click(options, OP_FPS);
    ASSERT_EQ(options.text(OP_FPS), "FPS=0 (OFF)");
    click(options, OP_AXIS);
    click(options, OP_AXIS);
    same_picture("frame rate changes");
    click(toolbar(), TB_START);
    click(options, OP_AXIS);
    click(options, OP_AXIS);
    same_picture("START with no ticks");
    click(toolbar(), TB_STOP);
    wait_for_end();
}

// The exhaust line keeps a tenth of the camera distance as the wheel zooms during a run.
TEST_F(ProgramTest, ExhaustLineFollowsTheZoomDuringARun)
{
    const fs::path project = folder / "craft.txt";
    std::ofstream(project, std::ios::binary) << "craft, one long burn\r\nObjects, 1\r\ndt, 1\r\nG, 1\r\n"
                                                "Object, 1, Craft,\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\n"
                                                "Mass, 1000\r\nDensity, 1\r\n";
    std::ofstream(folder / "craft.JI", std::ios::binary) << "Impulses, 1\r\nBody, 1\r\nBurn, -1, 1E+15\r\n"
                                                            "Mass, 1\r\nExhaust, 1, 0, 0\r\n";
    platform.dialog_answers.push_back(project.string());
    click(toolbar(), TB_OPEN);
    click(toolbar(), TB_START);
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
    QWheelEvent toward_user(middle, view.mapToGlobal(middle), QPoint(), QPoint(0, -120), Qt::NoButton,
                            Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view, &toward_user);
    ASSERT_GT(s().view.camera_distance, before);
    EXPECT_TRUE(QTest::qWaitFor(follows_zoom, 10000))
        << plume_length() << " for a distance of " << s().view.camera_distance;
    click(toolbar(), TB_STOP);
    wait_for_end();
}

TEST_F(ProgramTest, ThrustThatEmptiesTheCraftStopsTheRunWithItsMessage)
{
    const fs::path project = folder / "burn.txt";
    std::ofstream(project, std::ios::binary) << "burn, one craft\r\nObjects, 1\r\ndt, 1\r\nG, 1\r\n"
                                                "Object, 1, Craft,\r\nPosition, 0, 0, 0\r\nVelocity, 0, 0, 0\r\n"
                                                "Mass, 10\r\nDensity, 1\r\n";
    std::ofstream(folder / "BURN.ji", std::ios::binary) << "Impulses, 1\r\nBody, 1\r\nBurn, -1, 2\r\nMass, 30\r\n"
                                                           "Exhaust, 1, 0, 0\r\n";
    platform.dialog_answers.push_back(project.string());
    click(toolbar(), TB_OPEN);
    EXPECT_TRUE(toolbar().control(TB_IMPULSE)->isEnabled()) << "the impulse lamp is lit";
    click(toolbar(), TB_START);
    wait_for_end();
    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_EQ(platform.boxes.back().text, "Error : mass <= 0");
    EXPECT_EQ(s().state.sim_time, 1);
}

TEST_F(ProgramTest, TimeResetDuringARunRestartsTheClock)
{
    open("binary_star.txt");
    set_stop_time("1E+99");
    click(toolbar(), TB_START);
    ASSERT_TRUE(QTest::qWaitFor([&] { return current_bodies(s()).sim_time > 1; }, 30000));
    click(*s().panels.time_panel, TM_RESET_TIME);
    EXPECT_EQ(s().panels.time_panel->text(TM_ELAPSED), "0.000");
    click(toolbar(), TB_STOP);
    wait_for_end();
    // Without the reset the clock would read steps x dt; it lost the second or more before it.
    const long double unreset = static_cast<long double>(s().run->steps_done()) * 1e-3L;
    EXPECT_LT(s().state.sim_time, unreset - 0.9L) << static_cast<double>(s().state.sim_time);
}

TEST_F(ProgramTest, CommandsThatNeedBodiesSayThereAreNone)
{
    for (const int id : {TB_START, TB_LOOK_ORIGIN, TB_NEXT, TB_PREV}) {
        platform.boxes.clear();
        click(toolbar(), id);
        ASSERT_EQ(platform.boxes.size(), 1u) << id;
        EXPECT_EQ(platform.boxes[0].text, "NO OBJECTS !!");
    }
}

TEST_F(ProgramTest, ProjectNamedOnTheCommandLineOpensAtStart)
{
    program.reset();
    const fs::path cwd = fs::current_path();
    fs::current_path(folder);
    start("Projects/figure_eight.txt");  // relative to the current folder, as a shell passes it
    fs::current_path(cwd);
    EXPECT_TRUE(platform.dialogs.empty()) << "no dialog: the file is chosen";
    EXPECT_TRUE(platform.boxes.empty());
    EXPECT_EQ(s().table.body_count, 3);
    EXPECT_EQ(toolbar().text(0), "figure_eight; Object : 1  (A)");
    EXPECT_EQ(s().project_path, folder / "Projects/figure_eight.txt");
    EXPECT_NE(s().scene.texture_id[1], 0u) << "the skins are loaded like those of a project opened later";
    click(toolbar(), TB_RESET);
    EXPECT_TRUE(platform.boxes.empty());
    set_stop_time("0.01");
    click(toolbar(), TB_START);
    wait_for_end();
    EXPECT_GE(s().state.sim_time, 0.01L);
}

TEST_F(ProgramTest, UnreadableProjectOnTheCommandLineSaysSoAndStartsEmpty)
{
    program.reset();
    start(folder / "missing.txt");
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_NE(platform.boxes[0].text.find((folder / "missing.txt").string()), std::string::npos) << platform.boxes[0].text;
    EXPECT_EQ(s().table.body_count, 0);
    EXPECT_EQ(toolbar().text(0), "ORBILAN");
    click(toolbar(), TB_RESET);
    EXPECT_EQ(platform.boxes.back().text, "No project loaded !");
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
    program.reset();
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

    click(toolbar(), TB_OPEN);
    EXPECT_EQ(fs::path(platform.dialogs.back().folder), share / "Projects") << "OPEN PROJECT starts in the samples";
    platform.dialog_answers.push_back((share / "Projects/binary_star.txt").string());
    click(toolbar(), TB_OPEN);
    EXPECT_EQ(s().table.body_count, 2);

    click(*s().panels.options_panel, OP_SKIN);
    EXPECT_EQ(read_file(home / ".config/orbilan/options.opt"), "\"THEME ID\",1\r\n");
    click(*s().panels.log_panel, LG_ENABLED);
    set_stop_time("0.01");
    click(toolbar(), TB_START);
    wait_for_end();
    EXPECT_TRUE(fs::is_regular_file(home / ".local/share/orbilan/Logs/noname.tXT"));
    EXPECT_TRUE(fs::is_empty(prefix / "bin")) << "nothing is written beside an installed program";

    program.reset();
    start();
    EXPECT_EQ(program->theme_id, 1);
}

}  // namespace
}  // namespace orbilan
