#include "ui_test_support.h"
#include "widgets/button_record.h"
#include "widgets/round_button.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <memory>

using namespace orbilan;
using orbilan::test::in_window;
using orbilan::test::pixel_of;

namespace {

// A button of 40 x 30 with 20-pixel corners on a plain host window, and a count of its clicks.
class RoundButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.setGeometry(100, 100, 200, 120);
        button_ = new RoundButton(&host_, 42, "", 20, 20, 40, 30);
        clicks_ = std::make_unique<QSignalSpy>(button_, &RoundButton::clicked);
        orbilan::test::show_and_wait(&host_);
    }

    QWindow* window() { return host_.windowHandle(); }
    QPoint at(QPoint local) { return in_window(button_, local); }
    QPoint centre() { return at(QPoint(20, 15)); }
    QPoint outside() { return QPoint(150, 100); }

    // Brings the mouse onto the button from outside; a move to where the mouse already is goes unseen.
    void hover() {
        QTest::mouseMove(window(), outside());
        QTest::mouseMove(window(), centre());
    }

    // A solid 16 x 16 PNG in the temporary folder, loaded by path like any image with a dot in its name.
    QString solid_png(const char* name, QColor color) {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(color);
        const QString path = folder_.filePath(name);
        image.save(path);
        return path;
    }

    QWidget host_;
    RoundButton* button_ = nullptr;
    std::unique_ptr<QSignalSpy> clicks_;
    QTemporaryDir folder_;
};

TEST_F(RoundButtonTest, ReleaseOutsideAfterDraggingOutSendsNoClickButDraggingBackInDoes) {
    QTest::mousePress(window(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(button_->visual_state(), VISUAL_PRESSED);
    QTest::mouseMove(window(), outside());
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL) << "a press dragged off the button shows it released";
    QTest::mouseRelease(window(), Qt::LeftButton, {}, outside());
    EXPECT_EQ(clicks_->count(), 0);

    QTest::mousePress(window(), Qt::LeftButton, {}, centre());
    QTest::mouseMove(window(), outside());
    QTest::mouseMove(window(), centre());
    EXPECT_EQ(button_->visual_state(), VISUAL_PRESSED) << "dragging back in shows it pressed again";
    QTest::mouseRelease(window(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(clicks_->count(), 1);
    EXPECT_EQ(button_->visual_state(), VISUAL_HOT) << "released under the mouse, the button stays lit";
}

TEST_F(RoundButtonTest, CutOffCornerNeitherPressesNorClicks) {
    EXPECT_FALSE(button_->hit_region().contains(QPoint(1, 1)));
    EXPECT_TRUE(button_->hit_region().contains(QPoint(20, 1)));
    QTest::mouseClick(window(), Qt::LeftButton, {}, at(QPoint(1, 1)));
    QTest::mouseClick(window(), Qt::LeftButton, {}, at(QPoint(38, 28)));
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL);

    // Held from the middle and let go over a corner: the corner counts as outside.
    QTest::mousePress(window(), Qt::LeftButton, {}, centre());
    QTest::mouseMove(window(), at(QPoint(1, 1)));
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL);
    QTest::mouseRelease(window(), Qt::LeftButton, {}, at(QPoint(1, 1)));
    EXPECT_EQ(clicks_->count(), 0);
}

TEST_F(RoundButtonTest, DoubleClickSendsTwoClicks) {
    QTest::mouseDClick(window(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(clicks_->count(), 2);
}

TEST_F(RoundButtonTest, NegativeCornerGivesSquareCorners) {
    button_->set_corner(-7, true);
    EXPECT_EQ(button_->corner(), 0);
    EXPECT_TRUE(button_->hit_region().contains(QPoint(0, 0)));
    QTest::mouseClick(window(), Qt::LeftButton, {}, at(QPoint(0, 0)));
    EXPECT_EQ(clicks_->count(), 1);
}

TEST_F(RoundButtonTest, ImagesFollowTheStateAndFallBack) {
    button_->set_corner(0);
    EXPECT_TRUE(button_->load_image(IMAGE_ICON, solid_png("normal.png", Qt::red)));
    EXPECT_EQ(button_->image_width(), 16) << "a fresh normal image is drawn at 16 x 16";
    EXPECT_TRUE(button_->load_hot_image(IMAGE_ICON, solid_png("hot.png", Qt::green)));
    EXPECT_FALSE(button_->load_disabled_image(IMAGE_ICON, folder_.filePath("missing.png")));
    button_->set_image_size(16, 16);
    button_->set_image_pos(IMAGE_CENTER);

    // The image is centred at (12, 7); pressed, it moves one pixel right and down.
    EXPECT_EQ(pixel_of(button_, QPoint(12, 7)), qRgb(255, 0, 0));
    hover();
    EXPECT_EQ(button_->visual_state(), VISUAL_HOT);
    EXPECT_EQ(pixel_of(button_, QPoint(12, 7)), qRgb(0, 255, 0));
    QTest::mousePress(window(), Qt::LeftButton, {}, centre());
    const QImage pressed = button_->grab().toImage();
    EXPECT_EQ(pressed.pixel(13, 8), qRgb(0, 255, 0)) << "pressed falls back to the hot image, shifted";
    EXPECT_NE(pressed.pixel(12, 7), qRgb(0, 255, 0));
    QTest::mouseRelease(window(), Qt::LeftButton, {}, centre());

    button_->setEnabled(false);
    EXPECT_EQ(pixel_of(button_, QPoint(12, 7)), qRgb(255, 0, 0)) << "no disabled image: the normal one stands in";
    button_->load_disabled_image(IMAGE_ICON, solid_png("disabled.png", Qt::darkGray));
    EXPECT_EQ(pixel_of(button_, QPoint(12, 7)), QColor(Qt::darkGray).rgb());
}

TEST_F(RoundButtonTest, LeavingWithoutAFinalMoveRestoresTheNormalLook) {
    hover();
    ASSERT_EQ(button_->visual_state(), VISUAL_HOT);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button_, &leave);
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL);
}

TEST_F(RoundButtonTest, DisablingALitButtonShowsItsDisabledLookAtOnce) {
    hover();
    QTest::mousePress(window(), Qt::LeftButton, {}, centre());
    button_->setEnabled(false);
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL);
    QTest::mouseRelease(window(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(clicks_->count(), 0) << "a press that outlives its button's enabling never clicks";
}

TEST_F(RoundButtonTest, CallerImageIsDrawnAtThirtyTwoPixels) {
    QPixmap square(8, 8);
    square.fill(Qt::blue);
    EXPECT_TRUE(button_->set_image(IMAGE_ICON, ButtonImage(square)).is_null());
    EXPECT_EQ(button_->image_width(), 32);
    EXPECT_EQ(button_->image_height(), 32);
    const ButtonImage previous = button_->set_image(IMAGE_ICON, ButtonImage());
    EXPECT_FALSE(previous.is_null()) << "the caller gets its image back";
    EXPECT_EQ(button_->image_width(), 0);
}

TEST_F(RoundButtonTest, DisabledButtonNeverClicksAndShowsABlueCaption) {
    QFont big = button_->font();
    big.setPixelSize(24);
    big.setBold(true);
    button_->setFont(big);
    button_->setText("WW");
    button_->setEnabled(false);
    QTest::mouseClick(window(), Qt::LeftButton, {}, centre());
    QTest::keyClick(button_, Qt::Key_Return);
    EXPECT_EQ(clicks_->count(), 0);

    const QImage image = button_->grab().toImage();
    int blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 255)) ++blue;
    EXPECT_GT(blue, 20) << "a disabled caption is drawn in pure blue";
}

TEST_F(RoundButtonTest, FrozenLampIgnoresTheMouseAndTakesNoFocus) {
    button_->set_fixed_state(1, true);
    EXPECT_EQ(button_->focusable(), 0);
    QCoreApplication::processEvents();
    QSignalSpy frames(button_, &RoundButton::frame_drawn);
    hover();
    QTest::mousePress(window(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL);
    QTest::mouseRelease(window(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(clicks_->count(), 0);
    EXPECT_FALSE(button_->hasFocus());
    EXPECT_EQ(frames.count(), 0) << "nothing about a frozen lamp changes, so it is never repainted";
}

TEST_F(RoundButtonTest, EnterClicksAtOnceAndSpaceClicksOnRelease) {
    host_.activateWindow();
    button_->setFocus();
    QTest::keyPress(button_, Qt::Key_Return);
    EXPECT_EQ(clicks_->count(), 1);

    QTest::keyPress(button_, Qt::Key_Space);
    EXPECT_EQ(button_->visual_state(), VISUAL_PRESSED);
    EXPECT_EQ(clicks_->count(), 1) << "space clicks only when it is let go";
    QTest::keyRelease(button_, Qt::Key_Space);
    EXPECT_EQ(clicks_->count(), 2);
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL);
}

TEST_F(RoundButtonTest, RepaintsOnlyWhenTheLookChanges) {
    QTest::mouseMove(window(), outside());
    QCoreApplication::processEvents();
    QSignalSpy frames(button_, &RoundButton::frame_drawn);
    QTest::mouseMove(window(), centre());
    QTest::mouseMove(window(), centre() + QPoint(3, 1));
    QTest::mouseMove(window(), centre() + QPoint(-4, 2));
    ASSERT_EQ(frames.count(), 1) << "three moves over the button, one change of look";
    EXPECT_EQ(frames.at(0).at(0).value<FrameLook>(), FrameLook::raised) << "a lit button shows its raised frame";
    QTest::mousePress(window(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(frames.last().at(0).value<FrameLook>(), FrameLook::sunken);
    QTest::mouseRelease(window(), Qt::LeftButton, {}, centre());
    QTest::mouseMove(window(), outside());
    EXPECT_EQ(frames.last().at(0).value<FrameLook>(), FrameLook::flat);
}

TEST(ImagePosition, GridCodesUseMarginsAndRoundHalvesToEven) {
    ButtonRecord r;
    r.image_width = 32;
    r.image_height = 32;
    r.image_margin_left = 1;
    r.image_margin_top = 2;
    r.image_margin_right = 3;
    r.image_margin_bottom = 4;
    struct Case {
        int code;
        QPoint expected;
    };
    // A 23 x 21 button: (23 - 32) / 2 = -4.5 rounds to -4, (21 - 32) / 2 = -5.5 to -6.
    const Case cases[] = {{-1, {1, 2}},   {-2, {-3, 2}},   {-3, {-12, 2}},  {-4, {1, -4}},   {-5, {-3, -4}},
                          {-6, {-12, -4}}, {-7, {1, -15}}, {-8, {-3, -15}}, {-9, {-12, -15}}};
    for (const Case& c : cases) {
        r.image_align = c.code;
        EXPECT_EQ(image_position(r, 23, 21), c.expected) << "grid code " << c.code;
    }
    r.image_align = 0;
    r.image_x = 5;
    r.image_y = 6;
    EXPECT_EQ(image_position(r, 23, 21), QPoint(5, 6));
}

}  // namespace
