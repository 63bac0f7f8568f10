#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/host_window.h"
#include "app/start_up.h"
#include "platform/recording_platform.h"
#include "view/gl_view.h"

namespace orbilan {
namespace {

// Records the order in which start-up asks for the platform's services and runs its steps.
class OrderedPlatform : public RecordingPlatform {
public:
    std::vector<std::string> log;
    std::string program_folder() override
    {
        log.push_back("program folder");
        return RecordingPlatform::program_folder();
    }
    WorkArea work_area() override
    {
        log.push_back("work area");
        return RecordingPlatform::work_area();
    }
    GlSupport probe_gl() override
    {
        log.push_back("opengl");
        return RecordingPlatform::probe_gl();
    }
};

StartUpSteps logging_steps(OrderedPlatform& platform, QWidget*& toolbar)
{
    StartUpSteps steps;
    steps.load_settings = [&platform](const std::filesystem::path& settings_file) {
        platform.log.push_back("settings from " + settings_file.filename().string());
        return 2;
    };
    steps.set_theme_colours = [&platform](Program& program) {
        platform.log.push_back("theme " + std::to_string(program.theme_id));
    };
    steps.build_toolbar = [&platform, &toolbar](Program& program) {
        platform.log.push_back("toolbar over " + std::to_string(program.view.view_width));
        toolbar = new QWidget(program.main_window.get(), Qt::Tool);
        toolbar->show();
        return toolbar;
    };
    steps.build_panels = [&platform](Program& program) {
        platform.log.push_back(program.gl_window ? "panels after the view" : "panels without a view");
    };
    return steps;
}

TEST(StartUp, BuildsEverythingInOrderOverTheWorkArea)
{
    OrderedPlatform platform;
    platform.folder = "/opt/orbilan/";
    platform.area = {0, 0, 1020, 700};
    QWidget* toolbar = nullptr;
    Program program;
    ASSERT_EQ(start_up(program, platform, logging_steps(platform, toolbar)), StartUpOutcome::running);

    EXPECT_EQ(platform.log, (std::vector<std::string>{
                                "program folder", "settings from options.opt", "theme 2", "opengl",
                                "work area", "toolbar over 1020", "panels after the view"}));
    EXPECT_EQ(program.program_folder, "/opt/orbilan/");
    EXPECT_EQ(program.state.fps_index, 4);
    EXPECT_EQ(program.view.ambient_level, 0.4000000059604645);
    EXPECT_EQ(program.table.body_count, 0);
    EXPECT_EQ(program.table.x.size(), 1u) << "slot 0 exists";
    EXPECT_EQ(program.work_area_height, 700);

    HostWindow& main_window = *program.main_window;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&main_window));
    EXPECT_EQ(main_window.windowTitle(), "ORBILAN 3");
    EXPECT_TRUE(main_window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(main_window.geometry(), QRect(0, 0, 1020, 699));
    ASSERT_NE(program.gl_window, nullptr);
    EXPECT_TRUE(program.gl_window->isVisible());
    EXPECT_EQ(program.gl_window->geometry(), QRect(0, 0, 1020, 699));
    EXPECT_EQ(program.view.view_height, 699);
    EXPECT_TRUE(platform.boxes.empty());

    // The toolbar minimises and comes back with the host window.
    main_window.showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return toolbar->isMinimized(); }));
    main_window.showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !toolbar->isMinimized(); }));

    // The view follows the host window's size.
    main_window.resize(800, 600);
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.gl_window->size() == QSize(800, 600); }));
    EXPECT_EQ(program.view.view_width, 800);
}

TEST(StartUp, FailuresShowTheirErrorBoxAndEndWithTheirExitCode)
{
    struct Case {
        GlSupport gl;
        const char* text;
        StartUpOutcome outcome;
        int exit_code;
    };
    const Case cases[] = {
        {GlSupport::no_window_class, "Failed To Register The Window Class.", StartUpOutcome::failed, 0},
        {GlSupport::no_window, "Window Creation Error.", StartUpOutcome::failed, 0},
        {GlSupport::no_pixel_format, "Can't Find A Suitable PixelFormat.", StartUpOutcome::ended, 1},
        {GlSupport::pixel_format_refused, "Can't Set The PixelFormat.", StartUpOutcome::ended, 1},
        {GlSupport::no_context, "Can't Create A GL Rendering Context.", StartUpOutcome::ended, 1},
        {GlSupport::cannot_activate, "Can't activate GLRC.", StartUpOutcome::ended, 1},
    };
    for (const Case& c : cases) {
        OrderedPlatform platform;
        platform.gl = c.gl;
        QWidget* toolbar = nullptr;
        Program program;
        EXPECT_EQ(start_up(program, platform, logging_steps(platform, toolbar)), c.outcome) << c.text;
        ASSERT_EQ(platform.boxes.size(), 1u) << c.text;
        EXPECT_EQ(platform.boxes[0].text, c.text);
        EXPECT_EQ(platform.boxes[0].caption, "Error");
        EXPECT_EQ(platform.boxes[0].icon, MessageIcon::none);
        EXPECT_EQ(program.gl_window, nullptr) << c.text;
        EXPECT_TRUE(!program.main_window || !program.main_window->isVisible()) << "nothing is shown";
        if (c.gl == GlSupport::no_window_class) {
            EXPECT_FALSE(program.main_window) << "no window made";
        }

        OrderedPlatform again;
        again.gl = c.gl;
        EXPECT_EQ(run_program(again, {}), c.exit_code) << c.text;
    }
}

TEST(StartUp, TheEventLoopEndsWithExitCodeOne)
{
    RecordingPlatform platform;
    platform.area = {0, 0, 640, 480};
    QTimer::singleShot(200, [] { QApplication::closeAllWindows(); });
    EXPECT_EQ(run_program(platform, {}), 1);
}

}  // namespace
}  // namespace orbilan
