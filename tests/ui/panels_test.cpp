#include "files/number_format.h"
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "ui_test_support.h"
#include "widgets/button_image.h"
#include "widgets/control_id.h"
#include "widgets/fitted_edit.h"
#include "widgets/round_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QHelpEvent>
#include <QToolTip>

#include <limits>
#include <vector>

using namespace orbilan;
using orbilan::test::in_window;

namespace {

std::vector<int> child_ids(const Panel* panel) {
    std::vector<int> ids;
    for (QObject* child : panel->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child); widget != nullptr && control_id(widget) >= 0)
            ids.push_back(control_id(widget));
    }
    return ids;
}

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        host_.setGeometry(0, 0, 1280, 1000);
        load_theme_colors(0, colors_);
        panels_ = create_panels(&host_, 1280, 0, colors_);
    }

    Panel* all(int k) {
        Panel* list[] = {panels_.toolbar_panel, panels_.options_panel, panels_.numeric_panel, panels_.time_panel,
                         panels_.log_panel};
        return list[k];
    }

    QWidget host_;
    ThemeColors colors_;
    Panels panels_;
};

TEST_F(PanelsTest, ControlsAreCreatedInStartUpOrder) {
    using V = std::vector<int>;
    EXPECT_EQ(child_ids(panels_.toolbar_panel), (V{600, 105, 110, 122, 120, 115, 135, 130, 125, 140, 155, 150, 185,
                                                   180, 199}));
    EXPECT_EQ(child_ids(panels_.time_panel), (V{600, 300, 200, 100, 105, 310, 210, 380, 280, 325, 315, 199}));
    EXPECT_EQ(child_ids(panels_.log_panel), (V{600, 115, 315, 220, 317, 222, 400, 320, 410, 325, 420, 199}));
    EXPECT_EQ(child_ids(panels_.numeric_panel), (V{600, 359, 357, 358, 209, 207, 208, 351, 352, 353, 354, 355, 356,
                                                   201, 202, 203, 204, 205, 206, 199}));
    EXPECT_EQ(child_ids(panels_.options_panel), (V{600, 400, 420, 422, 405, 410, 415, 120, 115, 325, 315, 335, 332,
                                                   330, 199}));
}

TEST_F(PanelsTest, EveryControlStandsWhereItsTableSays) {
    for (int k = 0; k < 5; ++k) {
        Panel* panel = all(k);
        for (const ControlDef& def : panel->def().controls) {
            QWidget* control = panel->control(def.id);
            ASSERT_NE(control, nullptr) << def.name;
            const int height = def.kind == ControlKind::combo_box ? control->height() : def.h;
            EXPECT_EQ(control->geometry(), QRect(def.x, def.y, def.w, height)) << def.name;
            EXPECT_EQ(control->objectName(), def.name);
            EXPECT_EQ(control->toolTip(), QString(def.tooltip == nullptr ? "" : def.tooltip)) << def.name;
            if (def.kind != ControlKind::background && def.kind != ControlKind::combo_box) {
                EXPECT_EQ(panel->text(def.id), def.text) << def.name;
            }
        }
    }
}

TEST_F(PanelsTest, SpotChecksOfTextsAndPlaces) {
    EXPECT_EQ(panels_.toolbar_panel->control(TB_PREV)->toolTip(), "SELECT PREVIOUS OBJECT ");
    EXPECT_EQ(panels_.toolbar_panel->text(TB_START), "PROCESS");
    EXPECT_EQ(panels_.time_panel->text(TM_STOP_TIME), "1E+99");
    EXPECT_EQ(panels_.options_panel->control(OP_COLLISION)->toolTip(),
              "TOGGLE COLLISION MODE: OFF (point mass) OR ON (inelastic)");
    EXPECT_EQ(panels_.options_panel->control(BACKGROUND_ID)->size(), QSize(1024, 65));
    EXPECT_EQ(panels_.log_panel->control(BACKGROUND_ID)->size(), QSize(480, 100));
    EXPECT_EQ(panels_.numeric_panel->control(NV_VZ)->geometry(), QRect(344, 43, 90, 18));
    EXPECT_EQ(panels_.numeric_panel->control(NV_HIDE)->toolTip(), "HIDE NUMERIC DIALOG");
    EXPECT_TRUE(panels_.numeric_panel->control(NV_X)->toolTip().isEmpty());
    EXPECT_EQ(panels_.log_panel->control(LG_BODY)->geometry().topLeft(), QPoint(140, 70));

    auto* elapsed = qobject_cast<QLineEdit*>(panels_.time_panel->control(TM_ELAPSED));
    auto* stop = qobject_cast<QLineEdit*>(panels_.time_panel->control(TM_STOP_TIME));
    ASSERT_TRUE(elapsed && stop);
    EXPECT_TRUE(elapsed->isReadOnly());
    EXPECT_FALSE(stop->isReadOnly());
    EXPECT_TRUE(elapsed->alignment() & Qt::AlignRight);
}

TEST_F(PanelsTest, CheckBoxesStartAsTheViewDoes) {
    for (int id : {OP_AXIS, OP_PLANE, OP_LINE, OP_TRAILS, OP_SPHERE})
        EXPECT_TRUE(panels_.options_panel->is_checked(id)) << id;
    EXPECT_FALSE(panels_.log_panel->is_checked(LG_ENABLED));
}

TEST_F(PanelsTest, WindowsAreCentredOnTheHostAndOnlyTheToolbarShows) {
    struct Expected {
        Panel* panel;
        const char* caption;
        QRect geometry;
    };
    const Expected expected[] = {{panels_.toolbar_panel, "ORBILAN", {400, 0, 480, 45}},
                                 {panels_.options_panel, "OPTIONS", {400, 600, 480, 65}},
                                 {panels_.numeric_panel, "NUMERIC VIEW", {400, 506, 480, 65}},
                                 {panels_.time_panel, "TIME", {400, 82, 480, 45}},
                                 {panels_.log_panel, "LOG", {400, 165, 480, 100}}};
    for (const Expected& e : expected) {
        EXPECT_EQ(e.panel->windowTitle(), e.caption);
        EXPECT_EQ(QRect(e.panel->pos(), e.panel->size()), e.geometry) << e.caption;
        EXPECT_EQ(e.panel->parentWidget(), &host_);
        EXPECT_TRUE(e.panel->windowFlags() & Qt::Tool);
        EXPECT_EQ(e.panel->isVisible(), e.panel == panels_.toolbar_panel) << e.caption;
    }
    EXPECT_EQ(panel_x(1281), 400) << "640.5 rounds to the even 640";
    EXPECT_EQ(panel_x(1283), 402) << "641.5 rounds to the even 642";
    EXPECT_EQ(panel_x(1024), 272);
}

TEST_F(PanelsTest, WindowSystemCannotCloseAPanelAndTheToolbarAsksToEnd) {
    orbilan::test::show_and_wait(panels_.time_panel);
    QSignalSpy time_end(panels_.time_panel, &Panel::close_requested);
    QSignalSpy toolbar_end(panels_.toolbar_panel, &Panel::close_requested);
    EXPECT_FALSE(panels_.time_panel->close());
    EXPECT_TRUE(panels_.time_panel->isVisible());
    EXPECT_EQ(time_end.count(), 0);
    EXPECT_FALSE(panels_.toolbar_panel->close());
    EXPECT_EQ(toolbar_end.count(), 1);
}

TEST_F(PanelsTest, ClicksReachThePanelAsControlIds) {
    orbilan::test::show_and_wait(panels_.toolbar_panel);
    orbilan::test::show_and_wait(panels_.options_panel);
    QSignalSpy toolbar(panels_.toolbar_panel, &Panel::command);
    QSignalSpy options(panels_.options_panel, &Panel::command);
    QWidget* start = panels_.toolbar_panel->control(TB_START);
    QTest::mouseClick(panels_.toolbar_panel->windowHandle(), Qt::LeftButton, {}, in_window(start, {16, 16}));
    ASSERT_EQ(toolbar.count(), 1);
    EXPECT_EQ(toolbar.at(0).at(0).toInt(), TB_START);

    QWidget* axis = panels_.options_panel->control(OP_AXIS);
    QTest::mouseClick(panels_.options_panel->windowHandle(), Qt::LeftButton, {}, in_window(axis, {8, 10}));
    ASSERT_EQ(options.count(), 1);
    EXPECT_EQ(options.at(0).at(0).toInt(), OP_AXIS);
    EXPECT_FALSE(panels_.options_panel->is_checked(OP_AXIS)) << "check boxes toggle themselves";
}

TEST_F(PanelsTest, ImpulseLampOnlyShowsOnOrOff) {
    orbilan::test::show_and_wait(panels_.toolbar_panel);
    RoundButton* lamp = panels_.toolbar_panel->button(TB_IMPULSE);
    ASSERT_NE(lamp, nullptr);
    EXPECT_FALSE(lamp->isEnabled());
    EXPECT_EQ(lamp->fixed_state(), 1);
    EXPECT_EQ(lamp->focusPolicy(), Qt::NoFocus);

    lamp->setEnabled(true);
    QSignalSpy commands(panels_.toolbar_panel, &Panel::command);
    QTest::mouseClick(panels_.toolbar_panel->windowHandle(), Qt::LeftButton, {}, in_window(lamp, {11, 11}));
    EXPECT_EQ(commands.count(), 0);
    EXPECT_EQ(lamp->visual_state(), VISUAL_NORMAL);
}

TEST_F(PanelsTest, RunControlsLockAndUnlockExactlyTheirTen) {
    disable_run_controls(panels_);
    disable_time_controls(panels_);
    const std::pair<Panel*, std::vector<int>> locked[] = {
        {panels_.toolbar_panel, {TB_START, TB_OPEN, TB_RESET, TB_END}},
        {panels_.log_panel, {LG_SELECT_FILE, LG_FILE_NAME, LG_MODE, LG_BODY, LG_EVERY, LG_ENABLED}},
        {panels_.time_panel, {TM_DT, TM_STOP_TIME, TM_DT_MUL10, TM_DT_DIV10}}};
    for (const auto& [panel, ids] : locked) {
        for (const ControlDef& def : panel->def().controls) {
            const bool should_lock = std::find(ids.begin(), ids.end(), def.id) != ids.end();
            const bool lamp = def.id == TB_IMPULSE;
            EXPECT_EQ(panel->control(def.id)->isEnabled(), !should_lock && !lamp) << def.name;
        }
    }
    enable_run_controls(panels_);
    enable_time_controls(panels_);
    for (const auto& [panel, ids] : locked)
        for (int id : ids) EXPECT_TRUE(panel->control(id)->isEnabled()) << id;
}

// An icon as the button shows it: drawn over the button's face.
QImage on_face(const char* name, QColor face) {
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(face);
    QPainter painter(&image);
    painter.drawImage(0, 0, load_resource_image(name, QSize(32, 32)));
    return image;
}

TEST_F(PanelsTest, DisabledImageButtonShowsItsDisabledIcon) {
    orbilan::test::show_and_wait(panels_.toolbar_panel);
    RoundButton* start = panels_.toolbar_panel->button(TB_START);
    const QImage disabled_icon = on_face("ICON_START_D", start->face_color());
    const QImage normal_icon = on_face("ICON_START", start->face_color());
    const QPoint sample(12, 16);  // on the play triangle
    ASSERT_NE(disabled_icon.pixel(sample), normal_icon.pixel(sample));
    EXPECT_EQ(orbilan::test::pixel_of(start, sample), normal_icon.pixel(sample));
    disable_run_controls(panels_);
    EXPECT_EQ(orbilan::test::pixel_of(start, sample), disabled_icon.pixel(sample));
}

// Icons are drawn on a clear background: the button's face shows around the symbol, and so does
// the raised frame the mouse brings up.
TEST_F(PanelsTest, IconsLeaveTheButtonFaceAndFrameInSight) {
    for (const ControlDef& def : panels_.toolbar_panel->def().controls) {
        for (const char* name : {def.images.normal, def.images.hot, def.images.disabled}) {
            if (name == nullptr) continue;
            const QImage icon = load_resource_image(name, QSize(32, 32));
            ASSERT_FALSE(icon.isNull()) << name;
            int clear = 0;
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x) clear += qAlpha(icon.pixel(x, y)) == 0;
            for (const QPoint corner : {QPoint(0, 0), QPoint(31, 0), QPoint(0, 31), QPoint(31, 31)})
                EXPECT_EQ(qAlpha(icon.pixel(corner)), 0) << name;
            EXPECT_GT(clear, 32 * 32 / 16) << name << ": the symbol alone is drawn";
        }
    }

    orbilan::test::show_and_wait(panels_.toolbar_panel);
    RoundButton* start = panels_.toolbar_panel->button(TB_START);
    EXPECT_EQ(orbilan::test::pixel_of(start, {4, 16}), start->face_color().rgb()) << "the face beside the triangle";
    QTest::mouseMove(panels_.toolbar_panel->windowHandle(), in_window(start, {30, 30}));
    QTest::mouseMove(panels_.toolbar_panel->windowHandle(), in_window(start, {16, 16}));
    ASSERT_EQ(start->visual_state(), VISUAL_HOT);
    const QColor edge(orbilan::test::pixel_of(start, {0, 16}));
    const QColor lit = start->palette().color(QPalette::Light);
    EXPECT_LE(std::abs(edge.red() - lit.red()) + std::abs(edge.green() - lit.green()) + std::abs(edge.blue() - lit.blue()), 8)
        << "the raised frame's lit edge shows under the mouse: " << edge.name().toStdString();
}

TEST_F(PanelsTest, HandlersReachControlsById) {
    Panel* numeric = panels_.numeric_panel;
    numeric->set_text(NV_NAME, "Earth");
    EXPECT_EQ(numeric->text(NV_NAME), "Earth");
    numeric->set_text(0, "NUMERIC VIEW - Earth");
    EXPECT_EQ(numeric->windowTitle(), "NUMERIC VIEW - Earth");
    QComboBox* modes = panels_.log_panel->combo(LG_MODE);
    ASSERT_NE(modes, nullptr);
    modes->addItems({"ACCELERATION", "POSITION"});
    modes->setCurrentIndex(1);
    EXPECT_EQ(panels_.log_panel->text(LG_MODE), "POSITION");
    panels_.log_panel->set_checked(LG_ENABLED, true);
    EXPECT_TRUE(panels_.log_panel->is_checked(LG_ENABLED));
    EXPECT_EQ(numeric->control(12345), nullptr);
}

}  // namespace

namespace {

TEST_F(PanelsTest, TextsFitTheirControls) {
    for (int k = 0; k < 5; ++k) {
        Panel* panel = all(k);
        for (const ControlDef& def : panel->def().controls) {
            QWidget* control = panel->control(def.id);
            // Room for the check mark beside a check box's text, and for a button's frame.
            const int room = def.kind == ControlKind::check_box ? def.w - 20
                             : def.kind == ControlKind::label   ? def.w
                                                                : def.w - 2;
            if (def.kind == ControlKind::label || def.kind == ControlKind::check_box ||
                def.kind == ControlKind::text_button) {
                const QString text = QString(def.text).trimmed();
                EXPECT_LE(control->fontMetrics().horizontalAdvance(text), room) << def.name;
            }
        }
    }
}

}  // namespace

namespace {

std::vector<int> tab_order_from(Panel* panel, int first_id) {
    panel->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(panel));
    panel->control(first_id)->setFocus(Qt::TabFocusReason);
    std::vector<int> ids{first_id};
    for (int k = 0; k < 30; ++k) {
        QTest::keyClick(panel->focusWidget(), Qt::Key_Tab);
        const int id = control_id(panel->focusWidget());
        if (id == first_id) break;
        ids.push_back(id);
    }
    return ids;
}

// The keyboard reaches every control: Tab goes row by row, left to right, the hide button last.
TEST_F(PanelsTest, TabWalksEachPanelAsItReads) {
    using V = std::vector<int>;
    orbilan::test::show_and_wait(panels_.toolbar_panel);
    EXPECT_EQ(tab_order_from(panels_.toolbar_panel, TB_START),
              (V{TB_START, TB_STOP, TB_OPEN, TB_RESET, TB_SHOW_TIME, TB_SHOW_NUMERIC, TB_SHOW_OPTIONS, TB_SHOW_LOG,
                 TB_LOOK_ORIGIN, TB_PREV, TB_NEXT, TB_FULL_SCREEN, TB_END}))
        << "the impulse lamp is no stop";
    orbilan::test::show_and_wait(panels_.time_panel);
    EXPECT_EQ(tab_order_from(panels_.time_panel, TM_ELAPSED),
              (V{TM_ELAPSED, TM_RESET_TIME, TM_UNIT, TM_STOP_TIME, TM_DT_DIV10, TM_DT, TM_DT_MUL10, TM_HIDE}));
    orbilan::test::show_and_wait(panels_.log_panel);
    EXPECT_EQ(tab_order_from(panels_.log_panel, LG_SELECT_FILE),
              (V{LG_SELECT_FILE, LG_FILE_NAME, LG_MODE, LG_BODY, LG_EVERY, LG_ENABLED, LG_HIDE}));
    orbilan::test::show_and_wait(panels_.options_panel);
    EXPECT_EQ(tab_order_from(panels_.options_panel, OP_AXIS),
              (V{OP_AXIS, OP_PLANE, OP_LINE, OP_TRAILS, OP_SPHERE, OP_COLLISION, OP_SKIN, OP_FPS, OP_LIGHT_LESS,
                 OP_LIGHT_MORE, OP_RADIUS_HALF, OP_RADIUS_RESET, OP_RADIUS_DOUBLE, OP_HIDE}));
    orbilan::test::show_and_wait(panels_.numeric_panel);
    EXPECT_EQ(tab_order_from(panels_.numeric_panel, NV_NAME),
              (V{NV_NAME, NV_MASS, NV_DENSITY, NV_X, NV_Y, NV_Z, NV_VX, NV_VY, NV_VZ, NV_HIDE}));
}

// A button reached by Tab shows a mark that reads on its face, and Space or Enter presses it.
TEST_F(PanelsTest, KeyboardFocusIsVisibleAndPresses) {
    orbilan::test::show_and_wait(panels_.toolbar_panel);
    QSignalSpy commands(panels_.toolbar_panel, &Panel::command);
    tab_order_from(panels_.toolbar_panel, TB_STOP);
    RoundButton* start = panels_.toolbar_panel->button(TB_START);
    const QImage unfocused = start->grab().toImage();
    QTest::keyClick(panels_.toolbar_panel->focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_TRUE(start->hasFocus());
    const QImage focused = start->grab().toImage();
    double strongest = 1;
    for (int y = 0; y < focused.height(); ++y)
        for (int x = 0; x < focused.width(); ++x)
            if (focused.pixel(x, y) != unfocused.pixel(x, y))
                strongest = std::max(strongest, contrast_ratio(QColor(focused.pixel(x, y)), start->face_color()));
    EXPECT_GE(strongest, MIN_CAPTION_CONTRAST) << "the focus mark stands out from the face";

    QTest::keyClick(start, Qt::Key_Space);
    QTest::keyClick(start, Qt::Key_Return);
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands.at(0).at(0).toInt(), TB_START);
}

// The widest texts the number boxes can get show whole: the sign and every digit, no scrolling.
TEST_F(PanelsTest, WidestNumbersShowWhole) {
    const extended tiniest = std::numeric_limits<extended>::denorm_min();
    const std::pair<Panel*, std::vector<std::pair<int, std::string>>> boxes[] = {
        {panels_.numeric_panel,
         {{NV_X, "-6.31100722E-100"},
          {NV_Y, format_number(-std::numeric_limits<extended>::max(), NumberMask::exp_8)},
          {NV_VZ, format_number(-8.88888888e+4000L, NumberMask::exp_8)},
          {NV_Z, format_number(-tiniest, NumberMask::exp_8)},
          {NV_MASS, format_number(-std::numeric_limits<extended>::max(), NumberMask::exp_6)}}},
        {panels_.time_panel,
         {{TM_DT, format_number(-std::numeric_limits<extended>::max(), NumberMask::exp_3)},
          {TM_ELAPSED, format_number(-std::numeric_limits<extended>::max(), NumberMask::exp_3)}}},
    };
    for (const auto& [panel, texts] : boxes) {
        orbilan::test::show_and_wait(panel);
        for (const auto& [id, text] : texts) {
            auto* edit = qobject_cast<FittedEdit*>(panel->control(id));
            ASSERT_NE(edit, nullptr) << id;
            edit->setText(QString::fromStdString(text));
            QCoreApplication::processEvents();
            const int width = edit->fontMetrics().horizontalAdvance(edit->text());
            EXPECT_LE(width, edit->text_room()) << text;

            // In pixels: the ink inside the text area spans the whole text; a scrolled text loses
            // its first characters to the box's edge.
            const QImage image = edit->grab().toImage();
            const QColor back = edit->palette().color(QPalette::Base);
            const QRect area = edit->text_area();
            int first = -1, last = -1;
            for (int x = 0; x < image.width(); ++x)
                for (int y = area.top() + 2; y < area.bottom() - 2; ++y)
                    if (contrast_ratio(QColor(image.pixel(x, y)), back) > 2 && area.contains(x, y)) {
                        if (first < 0) first = x;
                        last = x;
                        break;
                    }
            EXPECT_GE(last - first + 1, width - 3) << text << ": the whole text is drawn";
        }
    }
}

// A disabled control shows no hint: the lamp before a program is loaded, OPEN during a run.
TEST_F(PanelsTest, DisabledControlsShowNoHints) {
    orbilan::test::show_and_wait(panels_.toolbar_panel);
    const auto hint_for = [](QWidget* control) {
        QToolTip::hideText();
        EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }));
        QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), control->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(control, &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QWidget* lamp = panels_.toolbar_panel->control(TB_IMPULSE);
    QWidget* open = panels_.toolbar_panel->control(TB_OPEN);
    EXPECT_EQ(hint_for(lamp), "") << "no impulse program is loaded";
    EXPECT_EQ(hint_for(open), "OPEN PROJECT");
    lamp->setEnabled(true);
    EXPECT_EQ(hint_for(lamp), "IMPULSE PROGRAM LOADED");

    EXPECT_EQ(hint_for(open), "OPEN PROJECT");
    disable_run_controls(panels_);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); })) << "a tip up when its control is disabled goes";
    EXPECT_EQ(hint_for(open), "");
    QToolTip::hideText();
}

// Under a window manager every panel is taller by its title bar; panels then move down just
// enough that no frame covers the next panel, and stay where the table puts them otherwise.
TEST(PanelLayout, FramesNeverOverlapWhateverTheTitleBars) {
    const PanelDef* column[] = {&TOOLBAR_PANEL, &TIME_PANEL, &LOG_PANEL, &NUMERIC_PANEL, &OPTIONS_PANEL};
    for (const int frame : {0, 24}) {
        for (const PanelDef* def : column) EXPECT_EQ(stacked_y(*def, frame), def->y) << def->caption << " " << frame;
    }
    for (int frame = 0; frame <= 80; ++frame) {
        for (std::size_t k = 1; k < std::size(column); ++k) {
            const int above_ends = stacked_y(*column[k - 1], frame) + column[k - 1]->height + frame;
            EXPECT_GE(stacked_y(*column[k], frame), above_ends) << column[k]->caption << " with " << frame;
            EXPECT_GE(stacked_y(*column[k], frame), column[k]->y);
        }
    }
    EXPECT_EQ(stacked_y(OPTIONS_PANEL, 40), 506 + 65 + 40) << "the options panel clears the numeric panel's frame";
}

}  // namespace
