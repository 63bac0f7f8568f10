#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>

#include "app/application.h"
#include "app/start_up_steps.h"
#include "panels/control_ids.h"
#include "app/start_up.h"
#include "platform/recording_platform.h"
#include "view/gl_view.h"
#include "view/trails.h"

namespace orbilan {
namespace {

class ViewWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gl_ = std::make_unique<GlView>(view_, scene_, platform_);
        gl_->resize(160, 120);
        gl_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(gl_.get()));
        if (!gl_->isValid()) GTEST_SKIP() << "no OpenGL context on this display";
    }

    ViewState view_;
    SceneBodies scene_;
    RecordingPlatform platform_;
    std::unique_ptr<GlView> gl_;
};

TEST_F(ViewWidgetTest, TicksReadTheRunsSnapshotAndFollowTheBody)
{
    // A stand-in for a running simulation: body 2 moves 10 m along y per published step.
    BodySnapshot published;
    published.body_count = 2;
    for (auto* column : {&published.x, &published.y, &published.z}) column->assign(3, 5);
    published.radius.assign(3, 1);
    int reads = 0;
    gl_->set_position_source([&](BodySnapshot& out) {
        ++reads;
        published.y[2] += 10;
        out = published;
    });
    int ticks_seen = 0;
    gl_->set_tick_listener([&](const BodySnapshot&) { ++ticks_seen; });
    scene_.bodies.body_count = 2;
    reset_trails(scene_, view_);
    view_.look_at_body = 2;
    view_.camera_distance = 100;

    for (int i = 0; i < 3; ++i) gl_->on_view_timer();
    EXPECT_EQ(reads, 3);
    EXPECT_EQ(ticks_seen, 3);
    const Trail& t = scene_.trail[2];
    EXPECT_EQ(t.trail_y[0], 35);
    EXPECT_EQ(t.trail_y[2], 25);
    EXPECT_EQ(static_cast<double>(view_.camera_target[1]), 35) << "the camera follows body 2";

    view_.hide_trails = -1;
    gl_->on_view_timer();
    EXPECT_EQ(t.trail_y[0], 45);
    EXPECT_EQ(t.trail_y[1], 35) << "hidden trails do not advance";

    view_.look_at_body = 0;
    gl_->on_view_timer();
    EXPECT_EQ(static_cast<double>(view_.camera_target[1]), 0);

    EXPECT_FALSE(gl_->redraw_timer_active()) << "ticks come only from a run's timer";
    gl_->set_redraw_timer(6);
    EXPECT_TRUE(gl_->redraw_timer_active());
    gl_->set_redraw_timer(0);
    EXPECT_FALSE(gl_->redraw_timer_active()) << "frame rate 0 stops the ticks";
}

TEST_F(ViewWidgetTest, MiddleDragTurnsAndWheelZooms)
{
    view_.camera_distance = 100;
    const QPointF start(50, 50);
    QMouseEvent press(QEvent::MouseButtonPress, start, gl_->mapToGlobal(start), Qt::MiddleButton,
                      Qt::MiddleButton, Qt::NoModifier);
    QApplication::sendEvent(gl_.get(), &press);
    for (const QPointF at : {QPointF(50, 50), QPointF(98, 50)}) {
        QMouseEvent move(QEvent::MouseMove, at, gl_->mapToGlobal(at), Qt::NoButton, Qt::MiddleButton,
                         Qt::NoModifier);
        QApplication::sendEvent(gl_.get(), &move);
    }
    EXPECT_DOUBLE_EQ(view_.camera_yaw_d, -2) << "48 pixels right after a press";

    const QPointF shifted(200, 50);
    QMouseEvent with_shift(QEvent::MouseMove, shifted, gl_->mapToGlobal(shifted), Qt::NoButton,
                           Qt::MiddleButton, Qt::ShiftModifier);
    QApplication::sendEvent(gl_.get(), &with_shift);
    EXPECT_DOUBLE_EQ(view_.camera_yaw_d, -2) << "shift held: no turn";

    QWheelEvent toward_user(QPointF(50, 50), gl_->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(gl_.get(), &toward_user);
    EXPECT_EQ(view_.camera_distance, 100 * 1.2000000476837158);
    EXPECT_EQ(view_.z_near, view_.camera_distance / 4);
}

TEST(OpenProject, ASampleProjectLoadsWithItsSkins)
{
    RecordingPlatform platform;
    platform.folder = ORBILAN_PROGRAM_DIR "/";
    platform.area = {0, 0, 320, 241};
    Program program;
    ASSERT_EQ(start_up(program, platform, program_start_up_steps(platform)), StartUpOutcome::running);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(program.main_window.get()));
    if (!program.gl_window->isValid()) GTEST_SKIP() << "no OpenGL context on this display";

    platform.dialog_answers.push_back(ORBILAN_SOURCE_DIR "/assets/Projects/solar_system.txt");
    program.application->toolbar_command(TB_OPEN);
    EXPECT_TRUE(platform.boxes.empty());
    ASSERT_GT(program.scene.bodies.body_count, 5);
    for (int i = 1; i <= program.scene.bodies.body_count; ++i)
        EXPECT_NE(program.scene.texture_id[i], 0u) << "body " << i;
    EXPECT_NE(program.scene.texture_id[1], program.scene.texture_id[2]) << "each skin its own texture";
    EXPECT_EQ(program.view.look_at_body, 1);
    EXPECT_GT(program.view.camera_distance, 0);
    EXPECT_TRUE(program.table.texture_file[0].empty());

    const QImage image = program.gl_window->grabFramebuffer();
    int lit = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) lit += qGreen(image.pixel(x, y)) > 20;
    EXPECT_GT(lit, 100) << "the plane and the axes are drawn";

    // A missing project leaves the loaded one as it was.
    const int bodies = program.table.body_count;
    platform.dialog_answers.push_back(ORBILAN_SOURCE_DIR "/assets/Projects/none.txt");
    program.application->toolbar_command(TB_OPEN);
    EXPECT_EQ(program.table.body_count, bodies);
}

}  // namespace
}  // namespace orbilan
