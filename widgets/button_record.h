// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/button_image.h"

#include <QColor>
#include <QPoint>
#include <Qt>

namespace orbilan {

enum VisualState { VISUAL_NORMAL = 0, VISUAL_HOT = 1, VISUAL_PRESSED = 2 };
enum PressSource { PRESS_NONE = 0, PRESS_MOUSE = 1, PRESS_SPACE = 2 };
enum TextBkMode { TEXT_BK_TRANSPARENT = 1, TEXT_BK_OPAQUE = 2 };
enum class FrameLook { raised, sunken, flat };

// Codes of the 3 x 3 image grid; any other value places the image at (image_x, image_y).
constexpr int IMAGE_TOP_LEFT = -1;
constexpr int IMAGE_CENTER = -5;
constexpr int IMAGE_BOTTOM_RIGHT = -9;

constexpr int DEFAULT_TEXT_FORMAT = Qt::AlignCenter | Qt::TextSingleLine;

// Everything a rounded button knows about itself. Colours left invalid are filled from the
// system palette when the button is made.
struct ButtonRecord {
    int id = 0;
    int corner = 20;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    QColor face_color;
    int text_bk_mode = TEXT_BK_TRANSPARENT;
    QColor text_bk_color;
    QColor text_color;
    QColor pressed_text_color;
    QColor hot_text_color;
    int emboss = 0;
    int raised = 0;
    int focusable = 1;
    int visual_state = VISUAL_NORMAL;
    int press_source = PRESS_NONE;
    int fixed_state = 0;
    ButtonImage image;
    ButtonImage hot_image;
    ButtonImage pressed_image;
    ButtonImage disabled_image;
    int image_type = IMAGE_BITMAP;
    int image_x = 0;
    int image_y = 0;
    int image_width = 16;
    int image_height = 16;
    int image_align = -4;
    int no_press_shift = 0;
    int image_margin_left = 0;
    int image_margin_top = 0;
    int image_margin_right = 0;
    int image_margin_bottom = 0;
    int text_format = DEFAULT_TEXT_FORMAT;
    int text_margin_left = 0;
    int text_margin_top = 0;
    int text_margin_right = 0;
    int text_margin_bottom = 0;
    QColor built_for_face;
};

// The system colours a paint needs, read from the widget's palette.
struct SystemColors {
    QColor face;
    QColor text;
    QColor highlight;
    QColor shadow;
    QColor info_back;
};

// What one paint of a button depends on besides its record.
struct ButtonSurface {
    int width = 0;
    int height = 0;
    QString caption;
    bool enabled = true;
    bool has_focus = false;
    bool focus_mark = false;  // the focus came from the keyboard (or the window), not a click
    SystemColors system;
};

// The face a button gets before anyone sets one: a shade lighter than the system face, except on
// pure black or white faces.
QColor default_face_color(const QColor& system_face);

// Keeps a face that followed the old system face in step with a new one; caller-set faces stay.
void rebuild_colors(ButtonRecord& record, const QColor& system_face);

QPoint image_position(const ButtonRecord& record, int width, int height);
FrameLook frame_look(const ButtonRecord& record);

// Captions must read on their face: at least this contrast ratio (as the web's accessibility
// guidelines define it for large text and interface parts).
constexpr double MIN_CAPTION_CONTRAST = 3.0;

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double contrast_ratio(const QColor& a, const QColor& b);

// `color` if it reads on `face`; otherwise the first colour on the way from it to black or to
// white, whichever is nearer, that does.
QColor readable_on(const QColor& color, const QColor& face);

// The colour the caption is drawn in for the button's state (disabled: blue), made readable on
// its face.
QColor caption_color(const ButtonRecord& record, bool enabled);

}  // namespace orbilan
