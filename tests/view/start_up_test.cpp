// SPDX-License-Identifier: GPL-3.0-or-later
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
// event loop, once its windows close, ends with exit code 0.
TEST(StartUp, TheProbeFindsTheOpenGLTheViewGetsAndTheLoopEndsWithZero)
{
    RecordingPlatform platform;  // probes for real
    platform.area = {0, 0, 320, 240};
    Program program;
    ASSERT_EQ(start_up(program, platform, {}), StartUpOutcome::running);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(program.gl_window));
    EXPECT_TRUE(program.gl_window->isValid());
    EXPECT_EQ(QtPlatform().probe_gl(), GlSupport::ok);

    QTimer::singleShot(200, [] { QApplication::closeAllWindows(); });
    EXPECT_EQ(run_program(platform, {}), 0);
}

// Without a window class nothing is made; without a context the view's loop ends at once. Either
// way start-up failed, and the exit code says so.
TEST(StartUp, WithoutOpenGLTheProgramSaysWhyAndEnds)
{
    for (const auto& [gl, text] : {std::pair{GlSupport::no_screen, "Failed To Register The Window Class."},
                                   {GlSupport::no_context, "Can't Create A GL Rendering Context."}}) {
        RecordingPlatform platform;
        platform.gl = gl;
        Program program;
        start_up(program, platform, {});
        ASSERT_EQ(platform.boxes.size(), 1u) << text;
        EXPECT_EQ(platform.boxes[0].text, text);
        EXPECT_EQ(platform.boxes[0].caption, "Error");
        EXPECT_TRUE(!program.main_window || !program.main_window->isVisible()) << "nothing is shown";
        EXPECT_EQ(run_program(platform, {}), EXIT_START_FAILED) << text;
    }
}

}  // namespace
}  // namespace orbilan
