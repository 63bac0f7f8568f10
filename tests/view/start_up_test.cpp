#include <QApplication>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/start_up.h"
#include "platform/qt_platform.h"
#include "platform/recording_platform.h"
#include "view/gl_view.h"

namespace orbilan {
namespace {

// The real probe on this display agrees with the view that start-up then makes. The program's
// event loop, once its windows close, ends with exit code 1.
TEST(StartUp, TheProbeFindsTheOpenGLTheViewGetsAndTheLoopEndsWithOne)
{
    RecordingPlatform platform;  // probes for real
    platform.area = {0, 0, 320, 240};
    Program program;
    ASSERT_EQ(start_up(program, platform, {}), StartUpOutcome::running);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(program.gl_window));
    EXPECT_TRUE(program.gl_window->isValid());
    EXPECT_EQ(QtPlatform().probe_gl(), GlSupport::ok);

    QTimer::singleShot(200, [] { QApplication::closeAllWindows(); });
    EXPECT_EQ(run_program(platform, {}), 1);
}

TEST(StartUp, WithoutOpenGLTheProgramSaysWhyAndEnds)
{
    struct Case {
        GlSupport gl;
        const char* text;
        int exit_code;  // 0: nothing was made; 1: the view's loop ended at once
    };
    for (const Case& c : {Case{GlSupport::no_window_class, "Failed To Register The Window Class.", 0},
                          Case{GlSupport::no_context, "Can't Create A GL Rendering Context.", 1}}) {
        RecordingPlatform platform;
        platform.gl = c.gl;
        Program program;
        start_up(program, platform, {});
        ASSERT_EQ(platform.boxes.size(), 1u) << c.text;
        EXPECT_EQ(platform.boxes[0].text, c.text);
        EXPECT_EQ(platform.boxes[0].caption, "Error");
        EXPECT_TRUE(!program.main_window || !program.main_window->isVisible()) << "nothing is shown";
        EXPECT_EQ(run_program(platform, {}), c.exit_code) << c.text;
    }
}

}  // namespace
}  // namespace orbilan
