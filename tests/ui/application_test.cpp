// ORBILAN end to end: start-up with the real panels and view, commands by click, runs to their end.
#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
    RecordingPlatform platform;
    std::unique_ptr<Program> program;

    void SetUp() override { start(); }
    void TearDown() override
    {
        program.reset();
        fs::remove_all(folder);
    }

    void start()
    {
        platform.folder = folder.string() + "/";
        program = std::make_unique<Program>();
        ASSERT_EQ(start_up(*program, platform, program_start_up_steps(platform)), StartUpOutcome::running);
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
    EXPECT_LT(paused_at, 100);
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

}  // namespace
}  // namespace orbilan
