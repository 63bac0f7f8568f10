#include <GL/gl.h>

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "bmp_bytes.h"
#include "platform/recording_platform.h"
#include "view/camera.h"
#include "view/gl_view.h"
#include "view/skins.h"

namespace orbilan {
namespace {

struct Rgb {
    int r, g, b;
};

Rgb at(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return {qRed(p), qGreen(p), qBlue(p)};
}

int brightness(Rgb c) { return c.r + c.g + c.b; }

// The brightest pixel of column x between rows y0 and y1: a one-pixel line lands on either
// side of an exact pixel boundary.
Rgb brightest_in_column(const QImage& image, int x, int y0, int y1)
{
    Rgb best{0, 0, 0};
    for (int y = y0; y <= y1; ++y)
        if (brightness(at(image, x, y)) > brightness(best)) best = at(image, x, y);
    return best;
}

Rgb brightest_in_row(const QImage& image, int y, int x0, int x1)
{
    Rgb best{0, 0, 0};
    for (int x = x0; x <= x1; ++x)
        if (brightness(at(image, x, y)) > brightness(best)) best = at(image, x, y);
    return best;
}

int brightest_anywhere(const QImage& image)
{
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const Rgb c = at(image, x, y);
            most = std::max({most, c.r, c.g, c.b});
        }
    return most;
}

constexpr int WIDTH = 160;
constexpr int HEIGHT = 120;

// A 160 x 120 view looking from +x at the origin; +y runs to the right, +z up.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder_.isValid());
        gl_ = std::make_unique<GlView>(view_, scene_, platform_);
        gl_->resize(WIDTH, HEIGHT);
        gl_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(gl_.get()));
        if (!gl_->isValid()) GTEST_SKIP() << "no OpenGL context on this display";
    }

    std::string skin(const std::string& name, const test::Bytes& bytes)
    {
        const std::string path = folder_.filePath(QString::fromStdString(name)).toStdString();
        test::write_file(path, bytes);
        return path;
    }

    // Body 1 (red skin) at y = -4, body 2 (green skin) at y = +4, both of radius 1.5.
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

    void look_from(double distance)
    {
        view_.camera_target = {0, 0, 0};
        view_.look_at_body = 0;
        view_.camera_distance = distance;
        gl_->apply_render_state();
        gl_->rebuild_view();
    }

    void hide_all_but_spheres()
    {
        view_.hide_xy_plane = view_.hide_axis = view_.hide_trails = view_.hide_origin_lines = -1;
    }

    QImage frame() { return gl_->grabFramebuffer(); }
    std::string grey_skin() { return skin("def.bmp", test::solid_bmp(16, 16, 128, 128, 128)); }

    QTemporaryDir folder_;
    ViewState view_;
    SceneBodies scene_;
    BodyTable table_;
    SimulationState state_;
    RecordingPlatform platform_;
    std::unique_ptr<GlView> gl_;
};

TEST_F(RenderTest, NothingButBlackBeforeAProjectOrWithEverythingHidden)
{
    EXPECT_EQ(brightest_anywhere(frame()), 0) << "no project loaded";

    load_two_bodies(skin("green.bmp", test::solid_bmp(16, 16, 40, 200, 40)));
    look_from(30);
    EXPECT_GT(brightest_anywhere(frame()), 100);

    hide_all_but_spheres();
    view_.hide_spheres = -1;
    gl_->rebuild_view();
    EXPECT_EQ(brightest_anywhere(frame()), 0) << "every switch hidden";
}

TEST_F(RenderTest, BodiesShowTheirSkinsLitFromBodyOneWhichGlows)
{
    load_two_bodies(skin("green.bmp", test::solid_bmp(16, 16, 40, 200, 40)));
    // Axes and origin lines stay on: their colours must not tint the spheres.
    view_.hide_xy_plane = view_.hide_trails = -1;
    for (int i = 0; i < 5; ++i) less_light(view_);
    look_from(30);
    const QImage image = frame();

    // Body 1 at column 50: its own skin colour at full strength with no ambient light.
    const Rgb sun = at(image, 46, 57);
    EXPECT_NEAR(sun.r, 200, 4);
    EXPECT_NEAR(sun.g, 40, 4);
    EXPECT_NEAR(sun.b, 40, 4);

    // Body 2 at column 110: green, bright on the side facing body 1, dark on the far side.
    const Rgb near_side = at(image, 104, 60);
    const Rgb far_side = at(image, 116, 60);
    EXPECT_GT(near_side.g, 60);
    EXPECT_GT(near_side.g, 3 * near_side.r);
    EXPECT_GT(near_side.g, 3 * near_side.b);
    EXPECT_GT(near_side.g, far_side.g + 50);
    EXPECT_EQ(brightness(at(image, 80, 90)), 0) << "below the bodies";
    EXPECT_EQ(brightness(at(image, 110, 90)), 0);
}

// Fewer triangles for spheres a few pixels wide, never for one that fills the view: a sphere
// 46 pixels in radius covers its disc as a finely tessellated sphere does, and one of 3 pixels
// still shows.
TEST_F(RenderTest, SpheresStayRoundAtAnySize)
{
    hide_all_but_spheres();
    allocate_body_table(table_, state_, 1);
    table_.radius[1] = 1;
    gl_->show_loaded_bodies(table_, state_, grey_skin());
    const auto lit_pixels = [](const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += brightness(at(image, x, y)) > 0;
        return count;
    };
    // Seen from 5 radii, the outline subtends asin(1 / 5); the view is 120 pixels for 30 degrees.
    look_from(5);
    const double outline = std::tan(std::asin(0.2)) * 60 / std::tan(15 * PI / 180);
    EXPECT_NEAR(lit_pixels(frame()) / (PI * outline * outline), 1.0, 0.012);

    look_from(75);
    EXPECT_GT(lit_pixels(frame()), 15) << "a sphere 3 pixels in radius";
}

TEST_F(RenderTest, MissingOrUnusableSkinsFallBack)
{
    // A missing file takes the grey default skin.
    load_two_bodies(folder_.filePath("nowhere.bmp").toStdString());
    hide_all_but_spheres();
    look_from(30);
    Rgb body2 = at(frame(), 106, 60);
    EXPECT_GT(body2.r, 30);
    EXPECT_NEAR(body2.r, body2.g, 3);
    EXPECT_NEAR(body2.g, body2.b, 3);
    EXPECT_TRUE(platform_.boxes.empty());

    // A 1-bit skin gives no texture and no message: the sphere wears body 1's skin.
    const test::Bytes one_bit = test::bmp_file(32, 1, 1, test::Bytes(4, 0xFF), {{0, 0, 0, 0}, {255, 255, 255, 0}});
    load_two_bodies(skin("mono.bmp", one_bit));
    hide_all_but_spheres();
    look_from(30);
    body2 = at(frame(), 106, 60);
    EXPECT_GT(body2.r, 2 * body2.g);
    EXPECT_TRUE(platform_.boxes.empty());
}

TEST_F(RenderTest, MissingDefaultSkinIsReportedOncePerLoad)
{
    allocate_body_table(table_, state_, 3);
    const std::string missing = folder_.filePath("def.bmp").toStdString();
    gl_->makeCurrent();
    const std::vector<unsigned> textures = load_body_textures(table_, missing, platform_);
    ASSERT_EQ(platform_.boxes.size(), 1u);
    EXPECT_EQ(platform_.boxes[0].text, "File not found - Unable to find texture " + missing);
    EXPECT_EQ(platform_.boxes[0].caption, "");
    EXPECT_EQ(textures[1], 0u);
}

TEST_F(RenderTest, AReplacedProjectsTexturesAreFreed)
{
    load_two_bodies(skin("green.bmp", test::solid_bmp(16, 16, 40, 200, 40)));
    const std::vector<unsigned> first = scene_.texture_id;
    ASSERT_NE(first[1], 0u);
    ASSERT_NE(first[2], 0u);
    allocate_body_table(table_, state_, 0);
    gl_->show_loaded_bodies(table_, state_, grey_skin());
    gl_->makeCurrent();
    EXPECT_FALSE(glIsTexture(first[1]));
    EXPECT_FALSE(glIsTexture(first[2]));
}

TEST_F(RenderTest, TrailsRunYellowThenFadeToBlack)
{
    load_two_bodies(skin("green.bmp", test::solid_bmp(16, 16, 40, 200, 40)));
    hide_all_but_spheres();
    view_.hide_trails = 0;
    view_.hide_spheres = -1;
    // Body 1's history runs along y from -6 (newest) to about +6 (oldest) at x = 1.
    Trail& t = scene_.trail[1];
    for (int j = 0; j <= view_.trail_length + 1; ++j) {
        t.trail_x[j] = 1;
        t.trail_y[j] = -6 + 0.12 * j;
        t.trail_z[j] = 0;
    }
    scene_.trail[2] = Trail{};
    look_from(30);
    const QImage image = frame();

    const Rgb newer = brightest_in_column(image, 80 - 30, 55, 65);  // y about -3.4
    EXPECT_GT(newer.r, 240);
    EXPECT_GT(newer.g, 240);
    EXPECT_LT(newer.b, 15);
    const Rgb middle = brightest_in_column(image, 80 + 10, 55, 65);
    const Rgb old = brightest_in_column(image, 80 + 40, 55, 65);
    EXPECT_LT(middle.g, 240);
    EXPECT_GT(middle.g, old.g + 50) << "older points fade";
    EXPECT_NEAR(old.r, old.g, 8);
    EXPECT_LT(old.b, 15);
    EXPECT_EQ(brightness(brightest_in_column(image, 80 + 75, 55, 65)), 0) << "past the oldest point";

    // The exhaust line goes with the trails; a thrust without exhaust velocity leaves its far
    // end undefined, and then no line is drawn.
    const auto white_pixels = [](const QImage& picture) {
        int count = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) count += brightness(at(picture, x, y)) > 700;
        return count;
    };
    scene_.bodies.exhaust_plume.trail_x = {1, 1};
    scene_.bodies.exhaust_plume.trail_y = {0, 3};
    scene_.bodies.exhaust_plume.trail_z = {0, 3};
    gl_->rebuild_view();
    EXPECT_GT(white_pixels(frame()), 10);
    scene_.bodies.exhaust_plume.trail_y[1] = std::nan("");
    gl_->rebuild_view();
    EXPECT_EQ(white_pixels(frame()), 0);

    // A zero x marks the end of the filled slots of the newer half (y about -0.7 here).
    t.trail_x[40] = 0;
    gl_->rebuild_view();
    EXPECT_EQ(brightness(brightest_in_column(frame(), 80 - 6, 55, 65)), 0);
}

// Trails are drawn in batches: the trails on either side of each batch boundary and the last
// one all show. Bodies whose trails lie far below the view fill the batches in between.
TEST_F(RenderTest, EveryTrailShowsHoweverManyBatchesTheyTake)
{
    hide_all_but_spheres();
    view_.hide_trails = 0;
    view_.hide_spheres = -1;
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
        Trail& t = scene_.trail[i];
        for (int j = 0; j < t.slot_count(); ++j) {
            t.trail_x[j] = 1;
            t.trail_y[j] = y;
            t.trail_z[j] = z + 4 - 0.08 * j;
        }
    }
    look_from(30);
    const QImage image = frame();
    for (const auto& [body, at] : shown) {
        // The trails stand at x = 1, 29 units from the eye; the view is 4:3 with 30 degrees upright.
        const int column = 80 + static_cast<int>(std::lround(at * 80 / (29 * std::tan(15 * PI / 180) * 4 / 3)));
        int green = 0;
        for (int x = column - 1; x <= column + 1; ++x) green = std::max(green, brightest_in_column(image, x, 50, 60).g);
        EXPECT_GT(green, 200) << "the trail of body " << body << " near column " << column;
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
            const bool stripe = col >= 14 && col <= 17;  // s = 0.22 .. 0.28
            const std::uint8_t r = !stripe && col < W / 2 ? 220 : 0;
            const std::uint8_t g = stripe ? 220 : 0;
            const std::uint8_t b = !stripe && col >= W / 2 ? 220 : 0;
            std::uint8_t* p = &pixels[(row * W + col) * 3];
            p[0] = b, p[1] = g, p[2] = r;
        }
    allocate_body_table(table_, state_, 1);
    table_.texture_file[1] = skin("halves.bmp", test::bmp_file(W, H, 24, pixels));
    table_.radius[1] = 3;
    gl_->show_loaded_bodies(table_, state_, grey_skin());
    hide_all_but_spheres();

    const auto seen_from_yaw = [&](double yaw) {
        view_.camera_yaw = yaw;
        view_.camera_yaw_d = yaw;
        look_from(30);
        return frame();
    };
    // From -y the middle of the skin faces the camera: red to its left, blue to its right.
    QImage image = seen_from_yaw(-90);
    const Rgb left = at(image, 70, 60), right = at(image, 90, 60);
    EXPECT_GT(left.r, 150) << "left of the middle: the skin's left half";
    EXPECT_LT(left.b, 40);
    EXPECT_GT(right.b, 150) << "right of the middle: the skin's right half";
    EXPECT_LT(right.r, 40);

    // From -x the camera looks at s = 0.25, the stripe, with red on both sides.
    image = seen_from_yaw(180);
    const Rgb middle = at(image, 80, 60);
    EXPECT_GT(middle.g, 150) << "the stripe faces -x";
    EXPECT_GT(at(image, 66, 60).r, 150);
    EXPECT_GT(at(image, 94, 60).r, 150);

    // From +x only blue: s = 0.75 faces +x.
    image = seen_from_yaw(0);
    for (const int x : {66, 80, 94}) {
        EXPECT_GT(at(image, x, 60).b, 150) << x;
        EXPECT_LT(at(image, x, 60).g, 40) << x;
    }
}

TEST_F(RenderTest, GridCentreLinesGiveWayToTheAxes)
{
    // Seen from straight above: +x runs down the picture, +y to the right.
    view_.plane_half_size = 10;
    view_.camera_pitch_d = -89;
    view_.camera_pitch = -89;
    look_from(40);

    const Rgb axis = brightest_in_row(frame(), 90, 76, 84);
    EXPECT_GT(axis.g, 200) << "the green x axis over the positive half";
    EXPECT_LT(axis.r, 20);

    view_.hide_axis = -1;
    gl_->rebuild_view();
    const QImage image = frame();
    const Rgb centre_line = brightest_in_row(image, 90, 76, 84);
    EXPECT_NEAR(centre_line.r, 26, 6) << "the grid colour runs the full length";
    EXPECT_NEAR(centre_line.g, 51, 6);
    const Rgb negative_half = brightest_in_row(image, 30, 76, 84);
    EXPECT_NEAR(negative_half.g, 51, 6);
}

}  // namespace
}  // namespace orbilan
