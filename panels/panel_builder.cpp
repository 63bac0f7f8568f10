// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/control_ids.h"
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "widgets/control_id.h"
#include "widgets/fitted_edit.h"
#include "widgets/round_button.h"
#include "widgets/tooltips.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <vector>

namespace orbilan {

namespace {

// Closed height of a drop-down list; the table's height is that of the open list.
constexpr int COMBO_HEIGHT = 21;
constexpr int COMBO_ITEM_HEIGHT = 16;
constexpr int PANEL_FONT_PIXELS = 10;

Qt::Alignment alignment(unsigned style)
{
    const Qt::Alignment horizontal = (style & ALIGN_RIGHT) != 0    ? Qt::AlignRight
                                     : (style & ALIGN_CENTER) != 0 ? Qt::AlignHCenter
                                                                   : Qt::AlignLeft;
    return horizontal | Qt::AlignTop;
}

void configure_image_button(RoundButton* button, const ControlDef& def)
{
    if (def.images.normal != nullptr) button->load_image(IMAGE_ICON, def.images.normal);
    if (def.images.hot != nullptr) button->load_hot_image(IMAGE_ICON, def.images.hot);
    if (def.images.disabled != nullptr) button->load_disabled_image(IMAGE_ICON, def.images.disabled);
    if ((def.style & STATUS_LAMP) != 0) button->set_fixed_state(1, true);
    button->set_image_size(def.image_size, def.image_size);
    button->set_face_color(QColor::fromRgb(def.face));
    button->set_image_pos(IMAGE_CENTER);
    button->set_corner(def.corner);
    // A lamp stays dark until something switches it on.
    if ((def.style & STATUS_LAMP) != 0) button->setEnabled(false);
}

void configure_text_button(RoundButton* button, const ControlDef& def, const ThemeColors& colors)
{
    button->set_face_color(colors.button_face_color, true);
    button->set_text_color(colors.button_text_color, true);
    button->set_hot_text_color(colors.text_color, true);
    button->set_pressed_text_color(QColor(255, 255, 255), true);
    button->set_raised(1, true);
    button->set_corner(def.corner);
}

QWidget* make_control(Panel* panel, const ControlDef& def, int theme_id, const ThemeColors& colors)
{
    switch (def.kind) {
    case ControlKind::background: {
        auto* image = new QLabel(panel);
        image->setGeometry(def.x, def.y, def.w, def.h);
        set_background(image, theme_id);
        return image;
    }
    case ControlKind::label: {
        auto* label = new QLabel(def.text, panel);
        label->setGeometry(def.x, def.y, def.w, def.h);
        label->setAlignment(alignment(def.style));
        label->setWordWrap(true);
        set_label_colors(label, colors);
        return label;
    }
    case ControlKind::edit: {
        auto* edit = new FittedEdit(def.text, panel);
        edit->setGeometry(def.x, def.y, def.w, def.h);
        edit->setAlignment((alignment(def.style) & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
        edit->setFrame((def.style & BORDER) != 0);
        edit->setReadOnly((def.style & READ_ONLY) != 0);
        edit->setTextMargins(0, 0, 0, 0);
        // Slightly tighter letters, so that a signed number with a two-digit exponent
        // ("-6.31100722E+08") fits the numeric panel's 90-pixel boxes at full width; longer
        // exponents narrow the letters further.
        QFont font = panel->font();
        font.setLetterSpacing(QFont::PercentageSpacing, 90);
        edit->set_base_font(font);
        set_edit_colors(edit, colors);
        return edit;
    }
    case ControlKind::check_box: {
        auto* box = new QCheckBox(def.text, panel);
        box->setGeometry(def.x, def.y, def.w, def.h);
        box->setChecked((def.style & CHECKED) != 0);
        set_label_colors(box, colors);
        QObject::connect(box, &QCheckBox::clicked, panel, [panel, id = def.id] { emit panel->command(id); });
        return box;
    }
    case ControlKind::combo_box: {
        auto* box = new QComboBox(panel);
        box->setGeometry(def.x, def.y, def.w, COMBO_HEIGHT);
        box->setMaxVisibleItems(std::max(1, (def.h - COMBO_HEIGHT) / COMBO_ITEM_HEIGHT));
        return box;
    }
    case ControlKind::text_button:
    case ControlKind::image_button: {
        auto* button = new RoundButton(panel, def.id, def.text, def.x, def.y, def.w, def.h);
        if (def.kind == ControlKind::image_button) {
            configure_image_button(button, def);
        } else {
            configure_text_button(button, def, colors);
        }
        QObject::connect(button, &RoundButton::clicked, panel, [panel, id = def.id] { emit panel->command(id); });
        return button;
    }
    }
    return nullptr;
}

// Tab goes through a panel as one reads it: row by row, left to right, and the hide button last.
// Controls whose middles lie within half a row of each other share a row.
void set_reading_tab_order(Panel* panel)
{
    constexpr int SAME_ROW = 10;
    std::vector<QWidget*> stops;
    for (const ControlDef& def : panel->def().controls) {
        QWidget* control = panel->control(def.id);
        if (def.id != HIDE_BUTTON_ID && (control->focusPolicy() & Qt::TabFocus) != 0) stops.push_back(control);
    }
    std::stable_sort(stops.begin(), stops.end(), [](const QWidget* a, const QWidget* b) {
        return a->geometry().center().y() < b->geometry().center().y();
    });
    for (std::size_t first = 0; first < stops.size();) {
        const int row_y = stops[first]->geometry().center().y();
        std::size_t end = first;
        while (end < stops.size() && stops[end]->geometry().center().y() - row_y <= SAME_ROW) ++end;
        std::stable_sort(stops.begin() + static_cast<std::ptrdiff_t>(first),
                         stops.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        first = end;
    }
    if (QWidget* hide = panel->control(HIDE_BUTTON_ID)) stops.push_back(hide);
    for (std::size_t k = 1; k < stops.size(); ++k) QWidget::setTabOrder(stops[k - 1], stops[k]);
}

Panel* build_panel(const PanelDef& def, QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors)
{
    auto* panel = new Panel(def, main_window, client_width);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(PANEL_FONT_PIXELS);
    panel->setFont(font);
    for (const ControlDef& def_row : def.controls) {
        QWidget* control = make_control(panel, def_row, theme_id, colors);
        set_control_id(control, def_row.id);
        control->setObjectName(def_row.name);
    }
    for (const ControlDef& def_row : def.controls) {
        if (def_row.tooltip != nullptr) AddTooltip(panel, def_row.id, def_row.tooltip);
    }
    set_reading_tab_order(panel);
    return panel;
}

// The controls a run locks, panel by panel.
constexpr int TOOLBAR_RUN_CONTROLS[] = {TB_START, TB_OPEN, TB_RESET, TB_END};
constexpr int LOG_RUN_CONTROLS[] = {LG_SELECT_FILE, LG_FILE_NAME, LG_MODE, LG_BODY, LG_EVERY, LG_ENABLED};
constexpr int TIME_RUN_CONTROLS[] = {TM_DT, TM_STOP_TIME, TM_DT_MUL10, TM_DT_DIV10};

void set_enabled(Panel* panel, std::span<const int> ids, bool enabled)
{
    if (panel == nullptr) return;
    for (int id : ids) panel->set_control_enabled(id, enabled);
}

}  // namespace

Panel* build_toolbar_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors)
{
    return build_panel(TOOLBAR_PANEL, main_window, client_width, theme_id, colors);
}

Panel* build_options_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors)
{
    return build_panel(OPTIONS_PANEL, main_window, client_width, theme_id, colors);
}

Panel* build_numeric_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors)
{
    return build_panel(NUMERIC_PANEL, main_window, client_width, theme_id, colors);
}

Panel* build_time_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors)
{
    return build_panel(TIME_PANEL, main_window, client_width, theme_id, colors);
}

Panel* build_log_panel(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors)
{
    return build_panel(LOG_PANEL, main_window, client_width, theme_id, colors);
}

Panels create_panels(QWidget* main_window, int client_width, int theme_id, const ThemeColors& colors)
{
    Panels panels;
    panels.toolbar_panel = build_toolbar_panel(main_window, client_width, theme_id, colors);
    panels.toolbar_panel->show();
    panels.options_panel = build_options_panel(main_window, client_width, theme_id, colors);
    panels.numeric_panel = build_numeric_panel(main_window, client_width, theme_id, colors);
    panels.time_panel = build_time_panel(main_window, client_width, theme_id, colors);
    panels.log_panel = build_log_panel(main_window, client_width, theme_id, colors);
    return panels;
}

void disable_run_controls(Panels& panels)
{
    set_enabled(panels.toolbar_panel, TOOLBAR_RUN_CONTROLS, false);
    set_enabled(panels.log_panel, LOG_RUN_CONTROLS, false);
}

void enable_run_controls(Panels& panels)
{
    set_enabled(panels.toolbar_panel, TOOLBAR_RUN_CONTROLS, true);
    set_enabled(panels.log_panel, LOG_RUN_CONTROLS, true);
}

void disable_time_controls(Panels& panels) { set_enabled(panels.time_panel, TIME_RUN_CONTROLS, false); }

void enable_time_controls(Panels& panels) { set_enabled(panels.time_panel, TIME_RUN_CONTROLS, true); }

}  // namespace orbilan
