#include "platform/qt_platform.h"
#include "ui_test_support.h"
#include "widgets/button_record.h"
#include "widgets/control_id.h"
#include "widgets/round_button.h"
#include "widgets/tooltips.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>

#include <memory>

using namespace orbilan;
using namespace orbilan::test;

namespace {

// A button of 40 x 30 with 20-pixel corners on a plain host window, and a count of its clicks.
class RoundButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_.setGeometry(100, 100, 200, 120);
        button_ = new RoundButton(&host_, 42, "", 20, 20, 40, 30);
        clicks_ = std::make_unique<QSignalSpy>(button_, &RoundButton::clicked);
        show_and_wait(&host_);
    }

    QWindow* window() { return host_.windowHandle(); }
    QPoint at(QPoint local) { return in_window(button_, local); }
    QPoint centre() { return at(QPoint(20, 15)); }
    QPoint outside() { return QPoint(150, 100); }
    void press() { QTest::mousePress(window(), Qt::LeftButton, {}, centre()); }
    void release() { QTest::mouseRelease(window(), Qt::LeftButton, {}, centre()); }

    // Brings the mouse onto the button from outside; a move to where the mouse already is goes unseen.
    void hover()
    {
        QTest::mouseMove(window(), outside());
        QTest::mouseMove(window(), centre());
    }

    // A solid 16 x 16 PNG in the temporary folder, loaded by path like any image with a dot in its name.
    QString solid_png(const char* name, QColor color)
    {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(color);
        image.save(folder_.filePath(name));
        return folder_.filePath(name);
    }

    QWidget host_;
    RoundButton* button_ = nullptr;
    std::unique_ptr<QSignalSpy> clicks_;
    QTemporaryDir folder_;
};

// A click needs press and release inside the rounded shape; a press dragged off shows released,
// dragged back shows pressed again, and a cut-off corner is outside.
TEST_F(RoundButtonTest, ClicksOnlyInsideItsRoundedShape)
{
    press();
    EXPECT_EQ(button_->visual_state(), VISUAL_PRESSED);
    QTest::mouseMove(window(), at(QPoint(1, 1)));
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL) << "the corner counts as outside";
    QTest::mouseRelease(window(), Qt::LeftButton, {}, at(QPoint(1, 1)));
    QTest::mouseClick(window(), Qt::LeftButton, {}, at(QPoint(38, 28)));
    EXPECT_EQ(clicks_->count(), 0);

    press();
    QTest::mouseMove(window(), outside());
    QTest::mouseMove(window(), centre());
    EXPECT_EQ(button_->visual_state(), VISUAL_PRESSED) << "dragging back in shows it pressed again";
    release();
    EXPECT_EQ(clicks_->count(), 1);
    EXPECT_EQ(button_->visual_state(), VISUAL_HOT) << "released under the mouse, the button stays lit";
    QEvent leave(QEvent::Leave);  // leaving without a final move inside
    QApplication::sendEvent(button_, &leave);
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL);

    QTest::mouseDClick(window(), Qt::LeftButton, {}, centre());
    EXPECT_EQ(clicks_->count(), 3) << "a double click is two clicks";
    button_->set_corner(-7, true);
    EXPECT_EQ(button_->corner(), 0);
    QTest::mouseClick(window(), Qt::LeftButton, {}, at(QPoint(0, 0)));
    EXPECT_EQ(clicks_->count(), 4) << "a negative corner is square";
}

// The first click on an inactive window: the window takes focus between press and release, which
// must neither lose the click nor leave the keyboard's focus mark behind, and neither may the focus
// that a disabled button hands on. Focus moved by the keyboard shows the mark.
TEST_F(RoundButtonTest, FocusArrivingDuringAPressKeepsTheClickAndShowsNoMark)
{
    auto* next = new RoundButton(&host_, 43, "", 100, 20, 40, 30);
    next->show();
    for (RoundButton* button : {button_, next}) button->set_focusable(1);
    press();
    QFocusEvent arrived(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(button_, &arrived);
    EXPECT_EQ(button_->visual_state(), VISUAL_PRESSED);
    release();
    EXPECT_EQ(clicks_->count(), 1) << "a press and a release over the button are a click";

    host_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host_));
    ASSERT_TRUE(QTest::qWaitFor([&] { return button_->hasFocus(); }));
    EXPECT_FALSE(button_->shows_focus_mark()) << "clicked with the mouse, activated by the window";
    button_->setEnabled(false);  // as START is for a run
    ASSERT_TRUE(next->hasFocus());
    EXPECT_FALSE(next->shows_focus_mark()) << "focus handed on, no key pressed";
    button_->setEnabled(true);
    QTest::keyClick(next, Qt::Key_Tab);
    ASSERT_TRUE(button_->hasFocus());
    EXPECT_TRUE(button_->shows_focus_mark()) << "Tab shows where focus went";
    press();
    EXPECT_FALSE(button_->shows_focus_mark()) << "the mouse takes the mark away again";
    release();
}

TEST_F(RoundButtonTest, ImagesFollowTheStateAndFallBack)
{
    button_->set_corner(0);
    EXPECT_TRUE(button_->load_image(IMAGE_ICON, solid_png("normal.png", Qt::red)));
    EXPECT_EQ(button_->image_width(), 16) << "a fresh normal image is drawn at 16 x 16";
    EXPECT_TRUE(button_->load_hot_image(IMAGE_ICON, solid_png("hot.png", Qt::green)));
    EXPECT_FALSE(button_->load_disabled_image(IMAGE_ICON, folder_.filePath("missing.png")));
    button_->set_image_pos(IMAGE_CENTER);

    // The image is centred at (12, 7); pressed, it moves one pixel right and down.
    EXPECT_EQ(pixel_of(button_, QPoint(12, 7)), qRgb(255, 0, 0));
    hover();
    EXPECT_EQ(pixel_of(button_, QPoint(12, 7)), qRgb(0, 255, 0));
    press();
    const QImage pressed = button_->grab().toImage();
    EXPECT_EQ(pressed.pixel(13, 8), qRgb(0, 255, 0)) << "pressed falls back to the hot image, shifted";
    for (const QPoint left_or_above : {QPoint(12, 8), QPoint(13, 7)})
        EXPECT_NE(pressed.pixel(left_or_above), qRgb(0, 255, 0)) << "shifted right and down";
    release();

    button_->setEnabled(false);
    EXPECT_EQ(pixel_of(button_, QPoint(12, 7)), qRgb(255, 0, 0)) << "no disabled image: the normal one stands in";
    button_->load_disabled_image(IMAGE_ICON, solid_png("disabled.png", Qt::darkGray));
    EXPECT_EQ(pixel_of(button_, QPoint(12, 7)), QColor(Qt::darkGray).rgb());
}

// Disabled while lit and pressed, a button drops both looks at once, never clicks, and draws its
// caption in pure blue where that reads.
TEST_F(RoundButtonTest, DisabledButtonNeverClicksAndShowsABlueCaption)
{
    QFont big = button_->font();
    big.setPixelSize(24);
    big.setBold(true);
    button_->setFont(big);
    button_->setText("WW");
    hover();
    press();
    button_->setEnabled(false);
    EXPECT_EQ(button_->visual_state(), VISUAL_NORMAL);
    release();
    QTest::mouseClick(window(), Qt::LeftButton, {}, centre());
    QTest::keyClick(button_, Qt::Key_Return);
    EXPECT_EQ(clicks_->count(), 0);

    const QImage image = button_->grab().toImage();
    int blue = 0;
    for (int k = 0; k < image.width() * image.height(); ++k)
        blue += image.pixel(k % image.width(), k / image.width()) == qRgb(0, 0, 255);
    EXPECT_GT(blue, 20);
}

TEST_F(RoundButtonTest, RepaintsOnlyWhenTheLookChanges)
{
    QTest::mouseMove(window(), outside());
    QCoreApplication::processEvents();
    QSignalSpy frames(button_, &RoundButton::frame_drawn);
    QTest::mouseMove(window(), centre());
    QTest::mouseMove(window(), centre() + QPoint(3, 1));
    QTest::mouseMove(window(), centre() + QPoint(-4, 2));
    ASSERT_EQ(frames.count(), 1) << "three moves over the button, one change of look";
    EXPECT_EQ(frames.at(0).at(0).value<FrameLook>(), FrameLook::raised) << "a lit button shows its raised frame";
    press();
    EXPECT_EQ(frames.last().at(0).value<FrameLook>(), FrameLook::sunken);
    release();
    QTest::mouseMove(window(), outside());
    EXPECT_EQ(frames.last().at(0).value<FrameLook>(), FrameLook::flat);
}

// A hint registered again replaces the first, and it shows on an inactive panel. Id 0 is the panel
// itself; an id the panel lacks is refused.
TEST(Tooltips, HintsAreFoundByControlIdAndWrapAtThreeHundredPixels)
{
    QWidget panel;
    panel.setGeometry(50, 50, 300, 60);
    auto* control = new QLabel("x", &panel);
    control->setGeometry(10, 10, 40, 20);
    set_control_id(control, 210);
    show_and_wait(&panel);

    ASSERT_TRUE(AddTooltip(&panel, 210, "STOP TIME - IN SELECTED TIME UNIT"));
    EXPECT_EQ(hint_shown_for(control), "STOP TIME - IN SELECTED TIME UNIT");
    EXPECT_TRUE(panel.testAttribute(Qt::WA_AlwaysShowToolTips)) << "hints show on inactive panels too";
    EXPECT_TRUE(AddTooltip(&panel, 0, "PANEL"));
    EXPECT_EQ(panel.toolTip(), "PANEL");
    EXPECT_FALSE(AddTooltip(&panel, 999, "NOBODY"));
    EXPECT_FALSE(AddTooltip(nullptr, 210, "NOBODY"));

    const QString text = "TOGGLE COLLISION MODE: OFF (point mass) OR ON (inelastic) AND A GOOD DEAL MORE WORDS";
    ASSERT_TRUE(AddTooltip(&panel, 210, text));
    const QStringList lines = hint_shown_for(control).split('\n');
    EXPECT_GE(lines.size(), 2) << lines.join('|').toStdString();
    const QFontMetrics metrics(QToolTip::font());
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), TOOLTIP_MAX_WIDTH) << line.toStdString();
    EXPECT_EQ(lines.join(' '), text) << "wrapping only turns spaces into line breaks";
    EXPECT_EQ(wrap_hint("SELECT PREVIOUS OBJECT ", metrics, TOOLTIP_MAX_WIDTH), "SELECT PREVIOUS OBJECT ");
    QToolTip::hideText();
}

// A message box gives the keyboard back to the control that had it, in its own window, however the
// display would hand focus on (here to the large window under the mouse).
TEST(Dialogs, TheKeyboardReturnsToTheControlThatOpenedTheDialog)
{
    QWidget cover;
    cover.setGeometry(0, 0, 1280, 1024);
    show_and_wait(&cover);
    QWidget panel(&cover, Qt::Tool);
    panel.setGeometry(500, 40, 200, 60);
    auto* first = new RoundButton(&panel, 1, "A", 10, 10, 60, 30);
    auto* second = new RoundButton(&panel, 2, "B", 100, 10, 60, 30);
    for (RoundButton* button : {first, second}) button->set_focusable(1);
    show_and_wait(&panel);
    QCursor::setPos(640, 900);
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    second->setFocus(Qt::TabFocusReason);

    QObject guard;
    QTimer::singleShot(300, &guard, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    QtPlatform().message_box({"Done", "ORBILAN", MessageIcon::information});
    EXPECT_TRUE(QTest::qWaitFor([&] { return second->hasFocus(); }, 2000))
        << "focus is on "
        << (QApplication::focusWidget() ? qPrintable(QApplication::focusWidget()->objectName()) : "nothing");
}

}  // namespace
