// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/number_format.h"
#include "panels/captions.h"
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "ui_test_support.h"
#include "widgets/button_image.h"
#include "widgets/control_id.h"
#include "widgets/fitted_edit.h"
#include "widgets/round_button.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QToolTip>

#include <limits>
#include <set>
#include <vector>

using namespace orbilan;
using namespace orbilan::test;

namespace {

QColor colour_of(const QWidget* control, QPalette::ColorRole role) { return control->palette().color(role); }

QImage background_of(Panel* panel) { return qobject_cast<QLabel*>(panel->control(BACKGROUND_ID))->pixmap().toImage(); }

class PanelsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host_.setGeometry(0, 0, 1280, 1000);
        build(0);
    }
    void build(int theme_id)
    {
        load_theme_colors(theme_id, colors_);
        panels_ = create_panels(&host_, 1280, theme_id, colors_);
    }
    void change_to(int theme_id)
    {
        load_theme_colors(theme_id, colors_);
        apply_theme(panels_, theme_id, colors_);
    }

    QWidget host_;
    ThemeColors colors_;
    Panels panels_;
};

// Every control lies inside its panel, no two controls the user works with overlap (a label may
// reach into the box under it), every caption fits its control, and the user may type only where
// a value is asked for.
TEST_F(PanelsTest, ControlsFitTheirPanelAndEachOther)
{
    std::set<std::pair<QString, int>> editable;
    for (Panel* panel :
         {panels_.toolbar_panel, panels_.options_panel, panels_.numeric_panel, panels_.time_panel, panels_.log_panel}) {
        std::vector<const ControlDef*> placed;
        for (const ControlDef& def : panel->def().controls) {
            if (def.kind == ControlKind::background) continue;
            const QWidget* control = panel->control(def.id);
            const QRect at = control->geometry();
            EXPECT_TRUE(panel->rect().contains(at)) << def.name;
            if (def.kind != ControlKind::label) {
                for (const ControlDef* other : placed)
                    EXPECT_FALSE(at.intersects(panel->control(other->id)->geometry()))
                        << def.name << " covers " << other->name;
                placed.push_back(&def);
            }
            // Room for the check mark beside a check box's text, and for a button's frame.
            const int room = def.kind == ControlKind::check_box ? def.w - 20
                             : def.kind == ControlKind::label   ? def.w
                                                                : def.w - 2;
            if (def.kind == ControlKind::label || def.kind == ControlKind::check_box ||
                def.kind == ControlKind::text_button) {
                EXPECT_LE(control->fontMetrics().horizontalAdvance(QString(def.text).trimmed()), room) << def.name;
            }
            if (auto* edit = qobject_cast<const QLineEdit*>(control); edit && !edit->isReadOnly())
                editable.insert({panel->objectName(), def.id});
        }
    }
    const std::set<std::pair<QString, int>> expected{{"time_panel", TM_STOP_TIME},
                                                     {"log_panel", LG_EVERY},
                                                     {"numeric_panel", NV_NAME},
                                                     {"numeric_panel", NV_MASS},
                                                     {"numeric_panel", NV_DENSITY}};
    EXPECT_EQ(editable, expected);
}

// Under a window manager every panel is taller by its title bar; panels then move down just
// enough that no frame covers the next panel, and stay where the table puts them otherwise.
// Every panel is centred on the host.
TEST(PanelLayout, FramesNeverOverlapWhateverTheTitleBars)
{
    const PanelDef* column[] = {&TOOLBAR_PANEL, &TIME_PANEL, &LOG_PANEL, &NUMERIC_PANEL, &OPTIONS_PANEL};
    for (const PanelDef* def : column) EXPECT_EQ(stacked_y(*def, 24), def->y) << def->caption;
    for (int frame = 0; frame <= 80; ++frame) {
        for (std::size_t k = 1; k < std::size(column); ++k) {
            const int above_ends = stacked_y(*column[k - 1], frame) + column[k - 1]->height + frame;
            EXPECT_GE(stacked_y(*column[k], frame), above_ends) << column[k]->caption << " with " << frame;
            EXPECT_GE(stacked_y(*column[k], frame), column[k]->y);
        }
    }
    EXPECT_EQ(stacked_y(OPTIONS_PANEL, 40), 506 + 65 + 40) << "the options panel clears the numeric panel's frame";
    EXPECT_EQ(panel_x(1281), 400) << "centred on the host: 640.5 rounds to the even 640";
    EXPECT_EQ(panel_x(1283), 402) << "641.5 rounds to the even 642";
}

// An icon as the button shows it: drawn over the button's face.
QImage on_face(const char* name, QColor face)
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(face);
    QPainter painter(&image);
    painter.drawImage(0, 0, load_resource_image(name, QSize(32, 32)));
    return image;
}

// Icons are drawn on a clear background: the button's face shows around the symbol, and so does
// the raised frame the mouse brings up. A disabled button shows its disabled icon.
TEST_F(PanelsTest, IconsLeaveTheButtonFaceAndFrameInSight)
{
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

    show_and_wait(panels_.toolbar_panel);
    RoundButton* start = panels_.toolbar_panel->button(TB_START);
    EXPECT_EQ(pixel_of(start, {4, 16}), start->face_color().rgb()) << "the face beside the triangle";
    QTest::mouseMove(panels_.toolbar_panel->windowHandle(), in_window(start, {30, 30}));
    QTest::mouseMove(panels_.toolbar_panel->windowHandle(), in_window(start, {16, 16}));
    ASSERT_EQ(start->visual_state(), VISUAL_HOT);
    const QColor edge(pixel_of(start, {0, 16}));
    const QColor lit = start->palette().color(QPalette::Light);
    EXPECT_LE(
        std::abs(edge.red() - lit.red()) + std::abs(edge.green() - lit.green()) + std::abs(edge.blue() - lit.blue()), 8)
        << "the raised frame's lit edge shows under the mouse: " << edge.name().toStdString();

    const QPoint on_triangle(12, 16);
    const QImage disabled_icon = on_face("ICON_START_D", start->face_color());
    ASSERT_NE(disabled_icon.pixel(on_triangle), on_face("ICON_START", start->face_color()).pixel(on_triangle));
    disable_run_controls(panels_);
    EXPECT_EQ(pixel_of(start, on_triangle), disabled_icon.pixel(on_triangle));
}

std::vector<int> tab_order_from(Panel* panel, int first_id)
{
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

// A button reached by Tab shows a mark that reads on its face, and Space or Enter presses it. The
// keyboard reaches every control: Tab goes row by row, left to right, the hide button last.
TEST_F(PanelsTest, TabWalksEachPanelAsItReadsAndPressesButtons)
{
    show_and_wait(panels_.toolbar_panel);
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

    const std::pair<Panel*, std::vector<int>> orders[] = {
        {panels_.toolbar_panel,  // the impulse lamp is no stop
         {TB_START, TB_STOP, TB_OPEN, TB_RESET, TB_SHOW_TIME, TB_SHOW_NUMERIC, TB_SHOW_OPTIONS, TB_SHOW_LOG,
          TB_LOOK_ORIGIN, TB_PREV, TB_NEXT, TB_FULL_SCREEN, TB_END}},
        {panels_.time_panel,
         {TM_ELAPSED, TM_RESET_TIME, TM_UNIT, TM_STOP_TIME, TM_DT_DIV10, TM_DT, TM_DT_MUL10, TM_HIDE}},
        {panels_.log_panel, {LG_SELECT_FILE, LG_FILE_NAME, LG_MODE, LG_BODY, LG_EVERY, LG_ENABLED, LG_HIDE}},
        {panels_.options_panel,
         {OP_AXIS, OP_PLANE, OP_LINE, OP_TRAILS, OP_SPHERE, OP_COLLISION, OP_SKIN, OP_FPS, OP_LIGHT_LESS, OP_LIGHT_MORE,
          OP_RADIUS_HALF, OP_RADIUS_RESET, OP_RADIUS_DOUBLE, OP_HIDE}},
        {panels_.numeric_panel, {NV_NAME, NV_MASS, NV_DENSITY, NV_X, NV_Y, NV_Z, NV_VX, NV_VY, NV_VZ, NV_HIDE}}};
    for (const auto& [panel, order] : orders) {
        show_and_wait(panel);
        EXPECT_EQ(tab_order_from(panel, order.front()), order) << panel->objectName().toStdString();
    }
}

// The widest texts the number boxes can get show whole: the sign and every digit, no scrolling.
TEST_F(PanelsTest, WidestNumbersShowWhole)
{
    const extended most = std::numeric_limits<extended>::max();
    const std::tuple<Panel*, int, std::string> texts[] = {
        {panels_.numeric_panel, NV_X, "-6.31100722E-100"},
        {panels_.numeric_panel, NV_Y, format_number(-most, NumberMask::exp_8)},
        {panels_.numeric_panel, NV_Z, format_number(-std::numeric_limits<extended>::denorm_min(), NumberMask::exp_8)},
        {panels_.numeric_panel, NV_MASS, format_number(-most, NumberMask::exp_6)},
        {panels_.time_panel, TM_DT, format_number(-most, NumberMask::exp_3)}};
    for (const auto& [panel, id, text] : texts) {
        show_and_wait(panel);
        auto* edit = qobject_cast<FittedEdit*>(panel->control(id));
        edit->setText(QString::fromStdString(text));
        QCoreApplication::processEvents();
        const int width = edit->fontMetrics().horizontalAdvance(edit->text());
        EXPECT_LE(width, edit->text_room()) << text;
        // In pixels: the ink inside the text area spans the whole text; a scrolled text loses its
        // first characters to the box's edge.
        const QImage image = edit->grab().toImage();
        const QRect area = edit->text_area();
        int first = -1, last = -1;
        for (int x = area.left(); x <= area.right(); ++x)
            for (int y = area.top() + 2; y < area.bottom() - 2; ++y)
                if (contrast_ratio(QColor(image.pixel(x, y)), edit->palette().color(QPalette::Base)) > 2) {
                    first = first < 0 ? x : first;
                    last = x;
                }
        EXPECT_GE(last - first + 1, width - 3) << text << ": the whole text is drawn";
    }
}

// A disabled control shows no hint: the lamp before a program is loaded, OPEN during a run.
TEST_F(PanelsTest, DisabledControlsShowNoHints)
{
    show_and_wait(panels_.toolbar_panel);
    QWidget* lamp = panels_.toolbar_panel->control(TB_IMPULSE);
    QWidget* open = panels_.toolbar_panel->control(TB_OPEN);
    EXPECT_EQ(hint_shown_for(lamp), "") << "no impulse program is loaded";
    lamp->setEnabled(true);
    EXPECT_EQ(hint_shown_for(lamp), "IMPULSE PROGRAM LOADED");
    EXPECT_EQ(hint_shown_for(open), "OPEN PROJECT");
    disable_run_controls(panels_);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); })) << "a tip up when its control is disabled goes";
    EXPECT_EQ(hint_shown_for(open), "");
    QToolTip::hideText();
}

// The colours each kind of control takes in each theme: captions, text, label background, button
// face and edit background; the toolbar's own buttons keep their faces. A settings file may name a
// theme that does not exist: black colours and no background until a theme brings them. Each
// background looks the same whenever its theme comes back.
TEST_F(PanelsTest, EachThemeColoursEveryKindOfControl)
{
    struct Theme {
        QColor caption, text, label_back, face, edit_back;
    };
    const Theme themes[THEME_COUNT] = {
        {{200, 200, 200}, {200, 200, 200}, {82, 82, 82}, {32, 32, 32}, {32, 32, 32}},
        {{152, 245, 210}, {236, 245, 153}, {176, 41, 34}, {144, 4, 0}, {144, 4, 0}},
        {{152, 245, 210}, {255, 255, 255}, {31, 121, 180}, {1, 81, 130}, {1, 81, 130}},
        {{32, 32, 32}, {10, 10, 10}, {242, 242, 242}, {230, 230, 230}, {255, 255, 255}},
    };
    EXPECT_EQ(colour_of(panels_.log_panel->control(LG_ENABLED), QPalette::Window), themes[0].label_back)
        << "built like the other check boxes";
    colors_ = {};
    build(7);
    QWidget* log_enabled = panels_.log_panel->control(LG_ENABLED);
    EXPECT_EQ(colour_of(panels_.time_panel->control(TM_TIME_LABEL), QPalette::Window), QColor(0, 0, 0));
    EXPECT_TRUE(background_of(panels_.toolbar_panel).isNull());
    std::vector<QImage> backgrounds;
    for (int id = 0; id < THEME_COUNT + 1; ++id) {
        change_to(id % THEME_COUNT);
        const Theme& t = themes[id % THEME_COUNT];
        for (QWidget* label : {panels_.time_panel->control(TM_TIME_LABEL), panels_.options_panel->control(OP_AXIS)}) {
            EXPECT_EQ(colour_of(label, QPalette::WindowText), t.text) << id;
            EXPECT_EQ(colour_of(label, QPalette::Window), t.label_back) << id;
        }
        for (QWidget* edit : {panels_.time_panel->control(TM_STOP_TIME), panels_.numeric_panel->control(NV_X)}) {
            EXPECT_EQ(colour_of(edit, QPalette::Text), t.text) << id;
            EXPECT_EQ(colour_of(edit, QPalette::Base), t.edit_back) << id;
        }
        EXPECT_EQ(colour_of(log_enabled, QPalette::Window), t.edit_back)
            << "the log's check box sits on the edit colour";
        RoundButton* unit = panels_.time_panel->button(TM_UNIT);
        EXPECT_EQ(unit->face_color(), t.face) << id;
        EXPECT_EQ(unit->text_color(), t.caption) << id;
        EXPECT_EQ(unit->hot_text_color(), t.text) << id;
        EXPECT_EQ(unit->pressed_text_color(), QColor(255, 255, 255)) << "the pressed caption stays white";
        EXPECT_EQ(panels_.log_panel->button(LG_SELECT_FILE)->face_color(), t.face) << id;
        EXPECT_EQ(panels_.toolbar_panel->button(TB_NEXT)->face_color(), t.face) << id;
        EXPECT_EQ(panels_.toolbar_panel->button(TB_START)->face_color(), QColor(200, 220, 200)) << id;
        EXPECT_EQ(background_of(panels_.options_panel).size(), QSize(1024, 65)) << id;
        backgrounds.push_back(background_of(panels_.toolbar_panel));
    }
    EXPECT_NE(backgrounds[1], backgrounds[0]);
    EXPECT_EQ(backgrounds[THEME_COUNT], backgrounds[0]);
}

// Every caption reads on its face, in every theme and every state: normal, under the mouse,
// pressed and disabled (the disabled blue where it reads, the nearest readable colour elsewhere).
TEST_F(PanelsTest, EveryCaptionReadsOnItsFace)
{
    for (int theme = 0; theme < THEME_COUNT; ++theme) {
        build(theme);
        for (const bool applied : {false, true}) {  // as built at start-up, and after a change
            if (applied) change_to(theme);
            for (Panel* panel : {panels_.time_panel, panels_.options_panel, panels_.toolbar_panel, panels_.log_panel}) {
                for (const ControlDef& def : panel->def().controls) {
                    RoundButton* button = panel->button(def.id);
                    if (button == nullptr || QString(def.text).isEmpty()) continue;
                    ButtonRecord record = button->record();
                    for (const int state : {VISUAL_NORMAL, VISUAL_HOT, VISUAL_PRESSED}) {
                        record.visual_state = state;
                        for (const bool enabled : {true, false}) {
                            if (!enabled && state != VISUAL_NORMAL) continue;
                            const QColor caption = caption_color(record, enabled);
                            EXPECT_GE(contrast_ratio(caption, record.face_color), MIN_CAPTION_CONTRAST)
                                << "theme " << theme << " " << def.name << " state " << state
                                << (enabled ? "" : " disabled") << ": " << caption.name().toStdString() << " on "
                                << record.face_color.name().toStdString();
                        }
                    }
                }
            }
        }
    }

    // The same in pixels, as drawn during a run: every pixel of the disabled "/ 10" and "x 10" that
    // is not the face reads on it, smoothed glyph edges included.
    for (int theme = 0; theme < THEME_COUNT; ++theme) {
        build(theme);
        show_and_wait(panels_.time_panel);
        disable_time_controls(panels_);
        for (const int id : {TM_DT_DIV10, TM_DT_MUL10}) {
            RoundButton* button = panels_.time_panel->button(id);
            const QImage image = button->grab().toImage();
            int glyph_pixels = 0;
            double faintest = 21;
            for (int y = 3; y < image.height() - 3; ++y)
                for (int x = 3; x < image.width() - 3; ++x) {
                    const QColor pixel(image.pixel(x, y));
                    if (pixel == button->face_color()) continue;
                    ++glyph_pixels;
                    faintest = std::min(faintest, contrast_ratio(pixel, button->face_color()));
                }
            EXPECT_GT(glyph_pixels, 10) << "theme " << theme << " " << id;
            EXPECT_GE(faintest, MIN_CAPTION_CONTRAST) << "theme " << theme << " " << id;
        }
    }
}

// 7200 s in each unit, pressing the unit button five times; the mask is chosen on the unrounded
// value, with an exponent from 1000 on.
TEST(Captions, TimesInEachUnitAndTheToolbarsName)
{
    const char* expected[TIME_UNIT_COUNT] = {"7.200E+09", "7.200E+03", "2.000", "0.083", "0.000"};
    int unit = 1;
    for (int press = 0; press < TIME_UNIT_COUNT; ++press, unit = next_time_unit(unit))
        EXPECT_EQ(elapsed_time_text(7200, time_unit_factor(unit)), expected[unit]) << "unit " << unit;
    EXPECT_EQ(unit, 1);
    EXPECT_EQ(elapsed_time_text(999.9996L, 1), "1000.000");
    EXPECT_EQ(elapsed_time_text(1000, 1), "1.000E+03");
    EXPECT_EQ(elapsed_time_text(-5e9L, 1), "-5000000000.000");
    EXPECT_EQ(toolbar_caption("/home/u/v1.2/moon.orbit.txt", 12, "Moon"), "moon; Object : 12  (Moon)");
}

}  // namespace
