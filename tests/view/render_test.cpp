// SPDX-License-Identifier: GPL-3.0-or-later
#include <GL/gl.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "bmp_bytes.h"
#include "platform/recording_platform.h"
#include "temp_folder.h"
#include "view/camera.h"
#include "view/gl_view.h"
#include "view/skins.h"
#include "view/trails.h"

namespace orbilan {
namespace {

QColor at(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

int brightness(QColor c) { return c.red() + c.green() + c.blue(); }

// The brightest pixel of an area: a one-pixel line lands on either side of an exact pixel boundary.
QColor brightest(const QImage& image, QRect area)
{
    QColor best(0, 0, 0);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (brightness(at(image, x, y)) > brightness(best)) best = at(image, x, y);
    return best;
}
QColor brightest_in_column(const QImage& image, int x) { return brightest(image, {x, 55, 1, 11}); }

// How many pixels are brighter than `threshold` (the sum of the three channels).
int pixels_above(const QImage& image, int threshold)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += brightness(at(image, x, y)) > threshold;
    return count;
}

// A 160 x 120 view looking from +x at the origin; +y runs to the right, +z up.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gl_ = std::make_unique<GlView>(view_, scene_, platform_);
        gl_->resize(160, 120);
        gl_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(gl_.get()));
        if (!gl_->isValid()) GTEST_SKIP() << "no OpenGL context on this display";
    }

    std::string skin(const std::string& name, const test::Bytes& bytes)
    {
        return folder_.write(name, std::string(bytes.begin(), bytes.end())).string();
    }
    std::string grey_skin() { return skin("def.bmp", test::solid_bmp(16, 16, 128, 128, 128)); }
    std::string green_skin() { return skin("green.bmp", test::solid_bmp(16, 16, 40, 200, 40)); }

    // Body 1 (red skin) at y = -4, body 2 at y = +4, both of radius 1.5.
    void load_two_bodies(const std::string& second_skin)
    {
        allocate_body_table(table_, state_, 2);
        table_.texture_file[1] = skin("red.bmp", test::solid_bmp(16, 16, 200, 40, 40));
        table_.texture_file[2] = second_skin;
        table_.y[1] = -4;
        table_.y[2] = 4;
        table_.radius[1] = table_.radius[2] = 1.5;
        gl_->show_loaded_bodies(table_, state_, grey_skin());
    }

    QImage seen_from(double distance)
    {
        view_.camera_target = {0, 0, 0};
        view_.look_at_body = 0;
        view_.camera_distance = distance;
        gl_->apply_render_state();
        gl_->rebuild_view();
        return frame();
    }

    void show_only_spheres()
    {
        view_.hide_xy_plane = view_.hide_axis = view_.hide_trails = view_.hide_origin_lines = -1;
    }
    QImage frame() { return gl_->grabFramebuffer(); }
    void send_move(QPointF at, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QMouseEvent move(QEvent::MouseMove, at, gl_->mapToGlobal(at), Qt::NoButton, Qt::MiddleButton, keys);
        QApplication::sendEvent(gl_.get(), &move);
    }

    test::TempFolder folder_;
    ViewState view_;
    SceneBodies scene_;
    BodyTable table_;
    SimulationState state_;
    RecordingPlatform platform_;
    std::unique_ptr<GlView> gl_;
};

TEST_F(RenderTest, BodiesShowTheirSkinsLitFromBodyOneWhichGlows)
{
    load_two_bodies(green_skin());
    // Axes and origin lines stay on: their colours must not tint the spheres.
    view_.hide_xy_plane = view_.hide_trails = -1;
    for (int i = 0; i < 5; ++i) less_light(view_);
    const QImage image = seen_from(30);

    // Body 1 at column 50: its own skin colour at full strength with no ambient light.
    const QColor sun = at(image, 46, 57);
    EXPECT_NEAR(sun.red(), 200, 4);
    EXPECT_NEAR(sun.green(), 40, 4);
    EXPECT_NEAR(sun.blue(), 40, 4);

    // Body 2 at column 110: green, bright on the side facing body 1, dark on the far side.
    const QColor near_side = at(image, 104, 60);
    const QColor far_side = at(image, 116, 60);
    EXPECT_GT(near_side.green(), 60);
    EXPECT_GT(near_side.green(), 3 * std::max(near_side.red(), near_side.blue()));
    EXPECT_GT(near_side.green(), far_side.green() + 50);
    EXPECT_EQ(brightness(at(image, 80, 90)) + brightness(at(image, 110, 90)), 0) << "below the bodies";
}

// Fewer triangles for spheres a few pixels wide, never for one that fills the view: a sphere
// 46 pixels in radius covers its disc as a finely tessellated sphere does, and one of 3 pixels
// still shows.
TEST_F(RenderTest, SpheresStayRoundAtAnySize)
{
    show_only_spheres();
    allocate_body_table(table_, state_, 1);
    table_.radius[1] = 1;
    gl_->show_loaded_bodies(table_, state_, grey_skin());
    // Seen from 5 radii, the outline subtends asin(1 / 5); the view is 120 pixels for 30 degrees.
    const double outline = std::tan(std::asin(0.2)) * 60 / std::tan(15 * PI / 180);
    EXPECT_NEAR(pixels_above(seen_from(5), 0) / (PI * outline * outline), 1.0, 0.012);
    EXPECT_GT(pixels_above(seen_from(75), 0), 15) << "a sphere 3 pixels in radius";
}

// A missing skin takes the default one; a skin the reader refuses gives no texture and no message,
// and the body wears body 1's skin; a missing default skin is reported once per load, and one that
// is a named pipe is never waited on. A new project's load frees the textures of the one before.
TEST_F(RenderTest, SkinsFallBackAndGoWithTheirProject)
{
    load_two_bodies((folder_.path() / "nowhere.bmp").string());
    show_only_spheres();
    QColor body2 = at(seen_from(30), 106, 60);
    EXPECT_GT(body2.red(), 30);
    EXPECT_NEAR(body2.red(), body2.green(), 3) << "grey";
    EXPECT_NEAR(body2.green(), body2.blue(), 3);

    load_two_bodies(
        skin("mono.bmp", test::bmp_file(32, 1, 1, test::Bytes(4, 0xFF), {{0, 0, 0, 0}, {255, 255, 255, 0}})));
    body2 = at(seen_from(30), 106, 60);
    EXPECT_GT(body2.red(), 2 * body2.green()) << "red, as body 1";
    EXPECT_TRUE(platform_.boxes.empty());

    const unsigned red = scene_.texture_id[1];
    ASSERT_NE(red, 0u);
    allocate_body_table(table_, state_, 3);
    const std::string missing = (folder_.path() / "none.bmp").string();
    gl_->show_loaded_bodies(table_, state_, missing);
    ASSERT_EQ(platform_.boxes.size(), 1u);
    EXPECT_EQ(platform_.boxes[0].text, "File not found - Unable to find texture " + missing);
    EXPECT_EQ(platform_.boxes[0].caption, "");
    EXPECT_EQ(scene_.texture_id, (std::vector<unsigned>{0, 0, 0, 0}));
    gl_->makeCurrent();
    EXPECT_FALSE(glIsTexture(red));

    ASSERT_EQ(::mkfifo(missing.c_str(), 0600), 0);
    gl_->show_loaded_bodies(table_, state_, missing);
    ASSERT_EQ(platform_.boxes.size(), 2u);
    EXPECT_NE(platform_.boxes[1].text.find(missing + "\nis not a regular file"), std::string::npos)
        << platform_.boxes[1].text;
}

TEST_F(RenderTest, TrailsRunYellowThenFadeToBlackInAsManyBatchesAsTheyTake)
{
    load_two_bodies(green_skin());
    view_.hide_xy_plane = view_.hide_axis = view_.hide_origin_lines = view_.hide_spheres = -1;
    // Body 1's history runs along y from -6 (newest) to about +6 (oldest) at x = 1.
    Trail& t = scene_.trail[1];
    for (int j = 0; j <= view_.trail_length + 1; ++j) {
        t.trail_x[j] = 1;
        t.trail_y[j] = -6 + 0.12 * j;
        t.trail_z[j] = 0;
    }
    scene_.trail[2] = Trail{};
    const QImage image = seen_from(30);
    const QColor newer = brightest_in_column(image, 80 - 30);  // y about -3.4
    EXPECT_TRUE(newer.red() > 240 && newer.green() > 240 && newer.blue() < 15);
    const QColor middle = brightest_in_column(image, 80 + 10);
    const QColor old = brightest_in_column(image, 80 + 40);
    EXPECT_LT(middle.green(), 240);
    EXPECT_GT(middle.green(), old.green() + 50) << "older points fade";
    EXPECT_NEAR(old.red(), old.green(), 8);
    EXPECT_LT(old.blue(), 15);
    EXPECT_EQ(brightness(brightest_in_column(image, 80 + 75)), 0) << "past the oldest point";

    // The exhaust line goes with the trails; a thrust without exhaust velocity leaves its far
    // end undefined, and then no line is drawn.
    ExhaustPlume& plume = scene_.bodies.exhaust_plume;
    plume = {{1, 1}, {0, 3}, {0, 3}};
    gl_->rebuild_view();
    EXPECT_GT(pixels_above(frame(), 700), 10);
    plume.trail_y[1] = std::nan("");
    gl_->rebuild_view();
    EXPECT_EQ(pixels_above(frame(), 700), 0);

    // A zero x marks the end of the filled slots of the newer half (y about -0.7 here).
    t.trail_x[40] = 0;
    gl_->rebuild_view();
    EXPECT_EQ(brightness(brightest_in_column(frame(), 80 - 6)), 0);

    // Trails are drawn in batches: the trails on either side of each batch boundary and the last
    // one all show. Bodies whose trails lie far below the view fill the batches in between.
    const int per_trail = view_.trail_length + 1;
    const int last_of_batch = static_cast<int>((TRAIL_BATCH_SEGMENTS + per_trail - 1) / per_trail);
    const int n = 2 * last_of_batch + 3;
    scene_.bodies.body_count = n;
    scene_.trail.assign(n + 1, Trail{});
    scene_.bodies.radius.assign(n + 1, 0.5);
    const std::vector<std::pair<int, double>> shown{{1, -6}, {last_of_batch, -2}, {last_of_batch + 1, 2}, {n, 6}};
    for (int i = 1; i <= n; ++i) {
        double y = 0, z = -1000;
        for (const auto& [body, at] : shown)
            if (body == i) y = at, z = 0;
        Trail& trail = scene_.trail[i];
        for (int j = 0; j < trail.slot_count(); ++j) {
            trail.trail_x[j] = 1;
            trail.trail_y[j] = y;
            trail.trail_z[j] = z + 4 - 0.08 * j;
        }
    }
    const QImage batches = seen_from(30);
    for (const auto& [body, at] : shown) {
        // The trails stand at x = 1, 29 units from the eye; the view is 4:3 with 30 degrees upright.
        const int column = 80 + static_cast<int>(std::lround(at * 80 / (29 * std::tan(15 * PI / 180) * 4 / 3)));
        EXPECT_GT(brightest(batches, {column - 1, 50, 3, 11}).green(), 200)
            << "the trail of body " << body << " near column " << column;
    }
}

// A skin whose left half is red and right half blue, with a green stripe a quarter of the way
// across: wrapped as on a GLU sphere, seen from outside with +z up it reads left to right.
TEST_F(RenderTest, SkinsReadLeftToRightFromOutside)
{
    constexpr int W = 64, H = 8;
    test::Bytes pixels(W * 3 * H);
    for (int row = 0; row < H; ++row)
        for (int col = 0; col < W; ++col) {
            const bool stripe = col >= 14 && col <= 17;      // s = 0.22 .. 0.28
            std::uint8_t* p = &pixels[(row * W + col) * 3];  // blue, green, red
            p[0] = !stripe && col >= W / 2 ? 220 : 0;
            p[1] = stripe ? 220 : 0;
            p[2] = !stripe && col < W / 2 ? 220 : 0;
        }
    allocate_body_table(table_, state_, 1);
    table_.texture_file[1] = skin("halves.bmp", test::bmp_file(W, H, 24, pixels));
    table_.radius[1] = 3;
    gl_->show_loaded_bodies(table_, state_, grey_skin());
    show_only_spheres();
    const auto seen_from_yaw = [&](double yaw) {
        view_.camera_yaw = yaw;
        return seen_from(30);
    };
    // From -y the middle of the skin faces the camera: red to its left, blue to its right.
    QImage image = seen_from_yaw(-90);
    const QColor left = at(image, 70, 60), right = at(image, 90, 60);
    EXPECT_TRUE(left.red() > 150 && left.blue() < 40) << "left of the middle: the skin's left half";
    EXPECT_TRUE(right.blue() > 150 && right.red() < 40) << "right of the middle: the skin's right half";

    // From -x the camera looks at s = 0.25, the stripe, with red on both sides.
    image = seen_from_yaw(180);
    EXPECT_GT(at(image, 80, 60).green(), 150) << "the stripe faces -x";
    EXPECT_GT(at(image, 66, 60).red(), 150);
    EXPECT_GT(at(image, 94, 60).red(), 150);

    // From +x only blue: s = 0.75 faces +x.
    image = seen_from_yaw(0);
    for (const int x : {66, 80, 94}) EXPECT_TRUE(at(image, x, 60).blue() > 150 && at(image, x, 60).green() < 40) << x;
}

TEST_F(RenderTest, TicksReadTheRunsSnapshotAndFollowTheBody)
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
    gl_->set_tick_listener([&](const BodySnapshot& bodies) { ticks_seen += bodies.body_count == 2; });
    scene_.bodies = published;
    reset_trails(scene_, view_);
    view_.look_at_body = 2;
    view_.camera_distance = 100;

    for (int i = 0; i < 3; ++i) gl_->on_view_timer();
    EXPECT_TRUE(reads == 3 && ticks_seen == 3) << "each tick reads the run's bodies and hands them on";
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
}

// The middle button alone turns the camera, a degree per 24 pixels, and the pitch stops short of
// the poles; the wheel zooms by the single-precision factor.
TEST_F(RenderTest, MiddleDragTurnsAndWheelZooms)
{
    view_.camera_distance = 100;
    const QPointF start(50, 50);
    QMouseEvent press(QEvent::MouseButtonPress, start, gl_->mapToGlobal(start), Qt::MiddleButton, Qt::MiddleButton,
                      Qt::NoModifier);
    QApplication::sendEvent(gl_.get(), &press);
    send_move(start);  // the first move after a press must not jump
    send_move({98, 50});
    EXPECT_EQ(view_.camera_yaw, -2);
    send_move({200, 50}, Qt::ShiftModifier);
    EXPECT_EQ(view_.camera_yaw, -2) << "shift held: no turn";
    send_move({98, 5000});
    EXPECT_EQ(view_.camera_pitch, -89);
    EXPECT_EQ(view_.camera_yaw, -2);

    QWheelEvent toward_user(start, gl_->mapToGlobal(start), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                            Qt::NoScrollPhase, false);
    QApplication::sendEvent(gl_.get(), &toward_user);
    EXPECT_EQ(view_.camera_distance, 100 * 1.2000000476837158);
    EXPECT_EQ(view_.z_near, view_.camera_distance / 4);
}

}  // namespace
}  // namespace orbilan
