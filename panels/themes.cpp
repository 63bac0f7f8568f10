// SPDX-License-Identifier: GPL-3.0-or-later
#include "panels/themes.h"

#include "panels/control_ids.h"
#include "panels/panel.h"
#include "panels/panel_set.h"
#include "widgets/button_image.h"
#include "widgets/round_button.h"

#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

namespace orbilan {

namespace {

const ThemeColors THEMES[THEME_COUNT] = {
    {{200, 200, 200}, {200, 200, 200}, {82, 82, 82}, {32, 32, 32}, {32, 32, 32}},
    {{152, 245, 210}, {236, 245, 153}, {176, 41, 34}, {144, 4, 0}, {144, 4, 0}},
    {{152, 245, 210}, {255, 255, 255}, {31, 121, 180}, {1, 81, 130}, {1, 81, 130}},
    {{32, 32, 32}, {10, 10, 10}, {242, 242, 242}, {230, 230, 230}, {255, 255, 255}},
};

bool valid_theme(int theme_id) { return theme_id >= 0 && theme_id < THEME_COUNT; }

void set_colors(QWidget* control, const QColor& fore, const QColor& back)
{
    const bool edit = qobject_cast<QLineEdit*>(control) != nullptr;
    // Labels and check boxes draw text in WindowText on Window, edit boxes in Text on Base.
    const QPalette::ColorRole fore_role = edit ? QPalette::Text : QPalette::WindowText;
    const QPalette::ColorRole back_role = edit ? QPalette::Base : QPalette::Window;
    // Disabled text fades halfway into its background, so a disabled box still reads as the theme's.
    const QColor faded((fore.red() + back.red()) / 2, (fore.green() + back.green()) / 2,
                       (fore.blue() + back.blue()) / 2);
    QPalette palette = control->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor& text = group == QPalette::Disabled ? faded : fore;
        palette.setColor(group, fore_role, text);
        palette.setColor(group, control->foregroundRole(), text);
        palette.setColor(group, back_role, back);
        palette.setColor(group, control->backgroundRole(), back);
    }
    control->setPalette(palette);
    control->setAutoFillBackground(!edit);
}

void apply_role(QWidget* control, ThemeRole role, const ThemeColors& colors)
{
    auto* button = qobject_cast<RoundButton*>(control);
    switch (role) {
    case ThemeRole::fixed: break;
    case ThemeRole::label_colors: set_label_colors(control, colors); break;
    case ThemeRole::edit_colors: set_edit_colors(control, colors); break;
    case ThemeRole::button_face_text_hot:
        if (button != nullptr) button->set_hot_text_color(colors.text_color, true);
        [[fallthrough]];
    case ThemeRole::button_face_text:
        if (button != nullptr) {
            button->set_face_color(colors.button_face_color, true);
            button->set_text_color(colors.button_text_color, true);
        }
        break;
    }
}

void apply_theme_to(Panel* panel, int theme_id, const ThemeColors& colors)
{
    if (panel == nullptr) return;
    if (auto* image = qobject_cast<QLabel*>(panel->control(BACKGROUND_ID))) set_background(image, theme_id);
    for (const ControlDef& def : panel->def().controls) {
        if (QWidget* control = panel->control(def.id)) apply_role(control, def.theme, colors);
    }
    panel->repaint();
}

}  // namespace

void load_theme_colors(int theme_id, ThemeColors& colors)
{
    if (valid_theme(theme_id)) colors = THEMES[theme_id];
}

void apply_theme(Panels& panels, int theme_id, const ThemeColors& colors)
{
    for (Panel* panel :
         {panels.toolbar_panel, panels.numeric_panel, panels.time_panel, panels.options_panel, panels.log_panel})
        apply_theme_to(panel, theme_id, colors);
}

QString background_name(int theme_id)
{
    return valid_theme(theme_id) ? QStringLiteral("IMG_BACK_%1").arg(theme_id) : QString();
}

QPixmap background_pixmap(int theme_id, QSize size)
{
    const QString name = background_name(theme_id);
    if (name.isEmpty() || size.isEmpty()) return {};
    const QImage art = load_resource_image(name);
    if (art.isNull()) return {};
    // Cover the control without distortion, so a panel looks the same whenever it is recoloured.
    const double scale = std::max(double(size.width()) / art.width(), double(size.height()) / art.height());
    const QSize scaled(static_cast<int>(std::ceil(art.width() * scale)),
                       static_cast<int>(std::ceil(art.height() * scale)));
    const QImage fitted = art.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(fitted.copy(QRect(QPoint(0, 0), size)));
}

void set_background(QLabel* image, int theme_id)
{
    const QPixmap pixmap = background_pixmap(theme_id, image->size());
    if (pixmap.isNull()) {
        image->clear();
    } else {
        image->setPixmap(pixmap);
    }
}

void set_label_colors(QWidget* control, const ThemeColors& colors)
{
    set_colors(control, colors.text_color, colors.label_back_color);
}

void set_edit_colors(QWidget* control, const ThemeColors& colors)
{
    set_colors(control, colors.text_color, colors.edit_back_color);
}

}  // namespace orbilan
