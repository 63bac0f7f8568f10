// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRgb>

#include <span>

namespace orbilan {

enum class ControlKind { background, label, edit, check_box, combo_box, text_button, image_button };

// Style bits of a table row; labels and edits are left-aligned unless told otherwise.
enum ControlStyle : unsigned {
    STYLE_NONE = 0,
    ALIGN_CENTER = 1u << 0,
    ALIGN_RIGHT = 1u << 1,
    BORDER = 1u << 2,
    READ_ONLY = 1u << 3,
    CHECKED = 1u << 4,
    STATUS_LAMP = 1u << 5,  // an image button frozen in its normal look that only shows on/off
};

// What a theme change does to a control, beyond the background every panel gets.
enum class ThemeRole {
    fixed,                 // keeps the colours it was built with
    label_colors,          // theme text on the label background
    edit_colors,           // theme text on the edit background
    button_face_text,      // button face and caption colour
    button_face_text_hot,  // face, caption and hot caption colour
};

struct ImageNames {
    const char* normal = nullptr;
    const char* hot = nullptr;
    const char* disabled = nullptr;
};

// One control of a panel, as the builder creates it.
struct ControlDef {
    int id;
    const char* name;
    ControlKind kind;
    const char* text;
    int x, y, w, h;  // for a combo box, h is the height of the open list
    unsigned style;
    ImageNames images;
    int image_size;
    QRgb face;
    int corner;
    ThemeRole theme;
    const char* tooltip;
};

struct PanelDef {
    const char* name;
    const char* caption;
    int y;
    int width;
    int height;
    bool ends_program;  // the toolbar: system menu and minimise box, and its close ends the program
    std::span<const ControlDef> controls;
};

extern const PanelDef TOOLBAR_PANEL;
extern const PanelDef OPTIONS_PANEL;
extern const PanelDef NUMERIC_PANEL;
extern const PanelDef TIME_PANEL;
extern const PanelDef LOG_PANEL;

}  // namespace orbilan
