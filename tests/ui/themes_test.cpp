#include "panels/control_ids.h"
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "ui_test_support.h"
#include "widgets/round_button.h"

#include <QLabel>
#include <QLineEdit>

#include <map>
#include <set>

using namespace orbilan;

namespace {

// Every colour a control shows, so two looks can be compared control by control.
QString look_of(QWidget* control) {
    if (auto* button = qobject_cast<RoundButton*>(control)) {
        return button->face_color().name() + button->text_color().name() + button->hot_text_color().name() +
               button->pressed_text_color().name();
    }
    const QPalette& p = control->palette();
    return p.color(control->foregroundRole()).name() + p.color(control->backgroundRole()).name();
}

std::map<int, QString> looks_of(Panel* panel) {
    std::map<int, QString> looks;
    for (const ControlDef& def : panel->def().controls) {
        if (def.id != BACKGROUND_ID) looks[def.id] = look_of(panel->control(def.id));
    }
    return looks;
}

std::set<int> changed(const std::map<int, QString>& before, const std::map<int, QString>& after) {
    std::set<int> ids;
    for (const auto& [id, look] : before) {
        if (after.at(id) != look) ids.insert(id);
    }
    return ids;
}

QImage background_of(Panel* panel) {
    auto* image = qobject_cast<QLabel*>(panel->control(BACKGROUND_ID));
    return image->pixmap().toImage();
}

class ThemesTest : public ::testing::Test {
protected:
    void build(int theme_id) {
        load_theme_colors(theme_id, colors_);
        panels_ = create_panels(&host_, 1280, theme_id, colors_);
    }

    QWidget host_;
    ThemeColors colors_;
    Panels panels_;
};

TEST(ThemeColorsTable, FourThemesAndNothingElse) {
    ThemeColors colors;
    EXPECT_EQ(colors.text_color, QColor(0, 0, 0)) << "colours start black";
    load_theme_colors(1, colors);
    EXPECT_EQ(colors.button_text_color, QColor(152, 245, 210));
    EXPECT_EQ(colors.text_color, QColor(236, 245, 153));
    EXPECT_EQ(colors.label_back_color, QColor(176, 41, 34));
    EXPECT_EQ(colors.button_face_color, QColor(144, 4, 0));
    EXPECT_EQ(colors.edit_back_color, QColor(144, 4, 0));
    load_theme_colors(3, colors);
    EXPECT_EQ(colors.edit_back_color, QColor(255, 255, 255));
    EXPECT_EQ(colors.text_color, QColor(10, 10, 10));

    const ThemeColors light = colors;
    for (int outside : {-1, 4, 99}) {
        load_theme_colors(outside, colors);
        EXPECT_EQ(colors.text_color, light.text_color) << outside;
        EXPECT_EQ(colors.label_back_color, light.label_back_color) << outside;
        EXPECT_TRUE(background_name(outside).isEmpty());
    }
    EXPECT_EQ(background_name(2), "IMG_BACK_2");
}

TEST_F(ThemesTest, ThemeChangeRecoloursExactlyTheListedControls) {
    build(0);
    Panel* panels[] = {panels_.toolbar_panel, panels_.numeric_panel, panels_.time_panel, panels_.options_panel,
                       panels_.log_panel};
    std::map<Panel*, std::map<int, QString>> before;
    for (Panel* panel : panels) before[panel] = looks_of(panel);

    load_theme_colors(2, colors_);
    apply_theme(panels_, 2, colors_);

    using S = std::set<int>;
    const std::map<Panel*, S> expected = {
        {panels_.toolbar_panel, S{TB_LOOK_ORIGIN, TB_PREV, TB_NEXT}},
        {panels_.numeric_panel, S{351, 352, 353, 354, 355, 356, 357, 358, 359, 201, 202, 203, 204, 205, 206, 207, 208,
                                  209}},
        {panels_.time_panel, S{300, 310, 380, 200, 210, 280, TM_RESET_TIME, TM_UNIT, TM_DT_MUL10, TM_DT_DIV10}},
        {panels_.options_panel, S{OP_COLLISION, 422, 420, 405, 410, 415, OP_FPS, OP_SKIN, OP_LIGHT_LESS, OP_LIGHT_MORE,
                                  OP_RADIUS_HALF, OP_RADIUS_RESET, OP_RADIUS_DOUBLE}},
        {panels_.log_panel, S{LG_SELECT_FILE, 315, 317, 325, 320, 220, 222, LG_ENABLED}},
    };
    for (Panel* panel : panels)
        EXPECT_EQ(changed(before[panel], looks_of(panel)), expected.at(panel)) << panel->objectName().toStdString();

    RoundButton* prev = panels_.toolbar_panel->button(TB_PREV);
    EXPECT_EQ(prev->face_color(), QColor(1, 81, 130));
    EXPECT_EQ(panels_.toolbar_panel->button(TB_START)->face_color(), QColor(200, 220, 200));
    EXPECT_EQ(panels_.time_panel->button(TM_UNIT)->pressed_text_color(), QColor(255, 255, 255))
        << "the pressed caption stays white";
}

TEST_F(ThemesTest, LogCheckBoxMovesFromLabelToEditBackground) {
    build(1);
    QWidget* enabled = panels_.log_panel->control(LG_ENABLED);
    EXPECT_EQ(enabled->palette().color(enabled->backgroundRole()), QColor(176, 41, 34));
    apply_theme(panels_, 1, colors_);
    EXPECT_EQ(enabled->palette().color(enabled->backgroundRole()), QColor(144, 4, 0));
}

TEST_F(ThemesTest, BackgroundLooksTheSameAfterReapplyingItsTheme) {
    build(1);
    const QImage first_toolbar = background_of(panels_.toolbar_panel);
    const QImage first_options = background_of(panels_.options_panel);
    ASSERT_EQ(first_toolbar.size(), QSize(480, 45));
    ASSERT_EQ(first_options.size(), QSize(1024, 65));

    load_theme_colors(3, colors_);
    apply_theme(panels_, 3, colors_);
    EXPECT_NE(background_of(panels_.toolbar_panel), first_toolbar);
    load_theme_colors(1, colors_);
    apply_theme(panels_, 1, colors_);
    EXPECT_EQ(background_of(panels_.toolbar_panel), first_toolbar);
    EXPECT_EQ(background_of(panels_.options_panel), first_options);
}

TEST_F(ThemesTest, ThemeOutsideTheTableLeavesBlackColoursAndNoBackground) {
    build(7);
    auto* label = panels_.time_panel->control(TM_TIME_LABEL);
    EXPECT_EQ(label->palette().color(label->backgroundRole()), QColor(0, 0, 0));
    EXPECT_TRUE(background_of(panels_.log_panel).isNull());
    orbilan::test::show_and_wait(panels_.time_panel);
    EXPECT_TRUE(panels_.time_panel->isVisible());

    load_theme_colors(0, colors_);
    apply_theme(panels_, 0, colors_);
    EXPECT_EQ(background_of(panels_.log_panel).size(), QSize(480, 100)) << "the next theme brings a background";
}

}  // namespace

namespace {

// Every caption reads on its face, in every theme and every state: normal, under the mouse,
// pressed and disabled (the disabled blue where it reads, the nearest readable colour elsewhere).
TEST_F(ThemesTest, EveryCaptionReadsOnItsFace) {
    for (int theme = 0; theme < THEME_COUNT; ++theme) {
        build(theme);
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
    ButtonRecord light;
    light.face_color = QColor(230, 230, 230);
    EXPECT_EQ(caption_color(light, false), QColor(0, 0, 255)) << "blue stays where it reads";
}

// The same in pixels: the disabled "/ 10" of the dark blue theme is drawn in a colour that reads
// (its strongest pixel; smoothed glyph edges come a little short of the caption's colour).
TEST_F(ThemesTest, DisabledCaptionIsDrawnReadable) {
    build(2);
    orbilan::test::show_and_wait(panels_.time_panel);
    disable_time_controls(panels_);
    RoundButton* divide = panels_.time_panel->button(TM_DT_DIV10);
    const QImage image = divide->grab().toImage();
    double strongest = 1;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            strongest = std::max(strongest, contrast_ratio(QColor(image.pixel(x, y)), divide->face_color()));
    EXPECT_GE(strongest, 0.9 * MIN_CAPTION_CONTRAST);
}

}  // namespace
