// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

class QLabel;
class QWidget;

namespace orbilan {

struct Panels;

constexpr int THEME_COUNT = 4;

// The five colours of a theme; all black until a valid theme is loaded.
struct ThemeColors {
    QColor button_text_color{0, 0, 0};
    QColor text_color{0, 0, 0};
    QColor label_back_color{0, 0, 0};
    QColor button_face_color{0, 0, 0};
    QColor edit_back_color{0, 0, 0};
};

// Sets the colours of theme `theme_id`; any id outside 0..3 leaves them as they are.
void load_theme_colors(int theme_id, ThemeColors& colors);

// Re-applies theme `theme_id` (backgrounds and colours) to every panel that exists.
void apply_theme(Panels& panels, int theme_id, const ThemeColors& colors);

// "IMG_BACK_0" .. "IMG_BACK_3", or empty for an id outside 0..3.
QString background_name(int theme_id);

// The theme's background for an image control of `size`: scaled to cover it, anchored top left.
QPixmap background_pixmap(int theme_id, QSize size);
void set_background(QLabel* image, int theme_id);

void set_label_colors(QWidget* control, const ThemeColors& colors);
void set_edit_colors(QWidget* control, const ThemeColors& colors);

}  // namespace orbilan
