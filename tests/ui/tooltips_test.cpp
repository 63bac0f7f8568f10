#include "ui_test_support.h"
#include "widgets/control_id.h"
#include "widgets/tooltips.h"

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>

using namespace orbilan;

namespace {

// Asks `control` for its hint as the mouse resting on it would, and returns the text shown.
QString hint_shown_for(QWidget* control) {
    QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), control->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(control, &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

class TooltipTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel_.setGeometry(50, 50, 300, 60);
        control_ = new QLabel("x", &panel_);
        control_->setGeometry(10, 10, 40, 20);
        set_control_id(control_, 210);
        orbilan::test::show_and_wait(&panel_);
    }
    void TearDown() override { QToolTip::hideText(); }

    QWidget panel_;
    QLabel* control_ = nullptr;
};

TEST_F(TooltipTest, SecondRegistrationReplacesTheFirst) {
    ASSERT_TRUE(AddTooltip(&panel_, 210, "STOP TIME"));
    ASSERT_TRUE(AddTooltip(&panel_, 210, "STOP TIME - IN SELECTED TIME UNIT"));
    EXPECT_EQ(control_->toolTip(), "STOP TIME - IN SELECTED TIME UNIT");
    EXPECT_EQ(hint_shown_for(control_), "STOP TIME - IN SELECTED TIME UNIT");
    EXPECT_EQ(control_->toolTipDuration(), TOOLTIP_AUTOPOP_MS);
    EXPECT_TRUE(panel_.testAttribute(Qt::WA_AlwaysShowToolTips)) << "hints show on inactive panels too";
}

TEST_F(TooltipTest, LongHintsWrapAtThreeHundredPixels) {
    const QString text = "TOGGLE COLLISION MODE: OFF (point mass) OR ON (inelastic) AND A GOOD DEAL MORE WORDS";
    ASSERT_TRUE(AddTooltip(&panel_, 210, text));
    const QString shown = hint_shown_for(control_);
    const QStringList lines = shown.split('\n');
    EXPECT_GE(lines.size(), 2) << shown.toStdString();
    const QFontMetrics metrics(QToolTip::font());
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), TOOLTIP_MAX_WIDTH) << line.toStdString();
    EXPECT_EQ(lines.join(' '), text) << "wrapping only turns spaces into line breaks";

    EXPECT_EQ(wrap_hint("START", metrics, TOOLTIP_MAX_WIDTH), "START");
    EXPECT_EQ(wrap_hint("SELECT PREVIOUS OBJECT ", metrics, TOOLTIP_MAX_WIDTH), "SELECT PREVIOUS OBJECT ");
}

TEST_F(TooltipTest, PanelItselfTakesIdZeroAndUnknownIdsFail) {
    EXPECT_TRUE(AddTooltip(&panel_, 0, "PANEL"));
    EXPECT_EQ(panel_.toolTip(), "PANEL");
    EXPECT_FALSE(AddTooltip(&panel_, 999, "NOBODY"));
    EXPECT_FALSE(AddTooltip(nullptr, 210, "NOBODY"));
}

}  // namespace
