// SPDX-License-Identifier: GPL-3.0-or-later
// The five panels, control by control, in the order each panel creates its controls.
#include "panels/control_ids.h"
#include "panels/control_table.h"

namespace orbilan {

namespace {

using K = ControlKind;
using R = ThemeRole;

constexpr ControlDef background(int w, int h)
{
    return {BACKGROUND_ID, "BACKGROUND", K::background, "", 0, 0, w, h, STYLE_NONE, {}, 0, 0, 0, R::fixed, nullptr};
}

constexpr ControlDef label(int id, const char* name, const char* text, int x, int y, int w, int h,
                           unsigned style = STYLE_NONE)
{
    return {id, name, K::label, text, x, y, w, h, style, {}, 0, 0, 0, R::label_colors, nullptr};
}

constexpr ControlDef edit(int id, const char* name, const char* text, int x, int y, int w, int h, unsigned style,
                          const char* tooltip)
{
    return {id, name, K::edit, text, x, y, w, h, style, {}, 0, 0, 0, R::edit_colors, tooltip};
}

constexpr ControlDef text_button(int id, const char* name, const char* text, int x, int y, int w, int h,
                                 const char* tooltip)
{
    return {id, name, K::text_button, text, x, y, w, h, STYLE_NONE, {}, 0, 0, 2, R::button_face_text_hot, tooltip};
}

constexpr ControlDef check_box(int id, const char* name, const char* text, int x, int y, int w, int h, unsigned style,
                               ThemeRole theme, const char* tooltip)
{
    return {id, name, K::check_box, text, x, y, w, h, style, {}, 0, 0, 0, theme, tooltip};
}

constexpr ControlDef combo_box(int id, const char* name, int x, int y, int w, int list_h, const char* tooltip)
{
    return {id, name, K::combo_box, "", x, y, w, list_h, STYLE_NONE, {}, 0, 0, 0, R::fixed, tooltip};
}

constexpr ControlDef image_button(int id, const char* name, const char* text, int x, int y, int w, int h,
                                  ImageNames images, int image_size, QRgb face, int corner, ThemeRole theme,
                                  const char* tooltip, unsigned style = STYLE_NONE)
{
    return {id, name, K::image_button, text, x, y, w, h, style, images, image_size, face, corner, theme, tooltip};
}

constexpr ImageNames EXIT_IMAGES{"ICON_EXIT", "ICON_EXIT_H", "ICON_EXIT_D"};
constexpr QRgb GREY_FACE = qRgb(200, 200, 200);

constexpr ControlDef hide_button(const char* name, const char* tooltip)
{
    return image_button(HIDE_BUTTON_ID, name, "", 450, 6, 23, 23, EXIT_IMAGES, 24, GREY_FACE, 8, R::fixed, tooltip);
}

constexpr QRgb GREEN_FACE = qRgb(200, 220, 200);
constexpr QRgb RED_FACE = qRgb(220, 200, 200);
constexpr QRgb YELLOW_FACE = qRgb(220, 220, 200);
constexpr QRgb BLACK_FACE = qRgb(0, 0, 0);

constexpr ControlDef TOOLBAR_CONTROLS[] = {
    background(480, 45),
    image_button(TB_START, "TB_START", "PROCESS", 8, 6, 32, 32, {"ICON_START", "ICON_START_H", "ICON_START_D"}, 32,
                 GREEN_FACE, 10, R::fixed, "START"),
    image_button(TB_STOP, "TB_STOP", "STOP", 42, 6, 32, 32, {"ICON_STOP", "ICON_STOP_H", "ICON_STOP_D"}, 32, RED_FACE,
                 10, R::fixed, "STOP/PAUSE"),
    image_button(TB_IMPULSE, "TB_IMPULSE", "Load", 79, 6, 23, 23, {"ICON_START", nullptr, "ICON_START_D"}, 32,
                 YELLOW_FACE, 8, R::fixed, "IMPULSE PROGRAM LOADED", STATUS_LAMP),
    image_button(TB_OPEN, "TB_OPEN", "Load", 108, 6, 32, 32, {"ICON_OPEN", "ICON_OPEN_H", "ICON_OPEN_D"}, 32,
                 YELLOW_FACE, 10, R::fixed, "OPEN PROJECT"),
    image_button(TB_RESET, "TB_RESET", "Load", 145, 6, 23, 23, {"ICON_RESET", "ICON_RESET_H", "ICON_RESET_D"}, 32,
                 YELLOW_FACE, 8, R::fixed, "RESET PROJECT"),
    image_button(TB_SHOW_TIME, "TB_SHOW_TIME", "0", 173, 6, 32, 32, {"ICON_TIME", "ICON_TIME_H", "ICON_TIME_D"}, 32,
                 BLACK_FACE, 10, R::fixed, "SHOW TIME DIALOG"),
    image_button(TB_SHOW_NUMERIC, "TB_SHOW_NUMERIC", "0", 206, 6, 32, 32,
                 {"ICON_NUMERIC", "ICON_NUMERIC_H", "ICON_NUMERIC_D"}, 32, BLACK_FACE, 10, R::fixed,
                 "SHOW NUMERIC DIALOG"),
    image_button(TB_SHOW_OPTIONS, "TB_SHOW_OPTIONS", "0", 239, 6, 32, 32,
                 {"ICON_OPTIONS", "ICON_OPTIONS_H", "ICON_OPTIONS_D"}, 32, BLACK_FACE, 10, R::fixed,
                 "SHOW OPTIONS DIALOG"),
    image_button(TB_SHOW_LOG, "TB_SHOW_LOG", "0", 272, 6, 32, 32, {"ICON_LOG", "ICON_LOG_H", "ICON_LOG_D"}, 32,
                 BLACK_FACE, 10, R::fixed, "SHOW LOG DIALOG"),
    image_button(TB_FULL_SCREEN, "TB_FULL_SCREEN", "", 410, 6, 31, 31,
                 {"ICON_FULL_SCREEN", "ICON_FULL_SCREEN_H", "ICON_FULL_SCREEN_D"}, 32, GREY_FACE, 10, R::fixed,
                 "TOGGLE FULL SCREEN"),
    image_button(TB_LOOK_ORIGIN, "TB_LOOK_ORIGIN", "0", 307, 6, 23, 23, {"ICON_ZERO", "ICON_ZERO_H", nullptr}, 24,
                 GREEN_FACE, 10, R::button_face_text, "LOOK TO (0,0,0)"),
    image_button(TB_PREV, "TB_PREV", "PREV", 333, 6, 32, 32, {"ICON_ARROW_PREV", "ICON_ARROW_PREV_H", nullptr}, 32,
                 GREEN_FACE, 10, R::button_face_text, "SELECT PREVIOUS OBJECT "),
    image_button(TB_NEXT, "TB_NEXT", "NEXT", 367, 6, 32, 32, {"ICON_ARROW_NEXT", "ICON_ARROW_NEXT_H", nullptr}, 32,
                 GREEN_FACE, 10, R::button_face_text, "SELECT NEXT OBJECT"),
    hide_button("TB_END", "END PROGRAM"),
};

constexpr ControlDef OPTIONS_CONTROLS[] = {
    background(1024, 65),
    text_button(OP_COLLISION, "OP_COLLISION", "COLLISION : OFF", 11, 35, 100, 20,
                "TOGGLE COLLISION MODE: OFF (point mass) OR ON (inelastic)"),
    check_box(OP_AXIS, "OP_AXIS", "AXIS", 10, 10, 80, 20, CHECKED, R::label_colors, "SHOW AXIS"),
    check_box(OP_PLANE, "OP_PLANE", "XY PLANE", 90, 10, 80, 20, CHECKED, R::label_colors, "SHOW XY PLANE"),
    check_box(OP_LINE, "OP_LINE", "LINE", 170, 10, 80, 20, CHECKED, R::label_colors,
              "SHOW LINE FROM (0,0,0,) TO OBJECT CENTER"),
    check_box(OP_TRAILS, "OP_TRAILS", "TRAILS", 250, 10, 80, 20, CHECKED, R::label_colors, "SHOW TRAILS"),
    check_box(OP_SPHERE, "OP_SPHERE", "OBJECT", 330, 10, 80, 20, CHECKED, R::label_colors, "SHOW OBJECT SPHERE"),
    text_button(OP_SKIN, "OP_SKIN", "CHANGE SKIN", 115, 35, 100, 20, "SKIN (COLOR) CHANGE"),
    text_button(OP_FPS, "OP_FPS", "FPS = 10", 220, 35, 100, 20, "CHANGE FPS (frames per second)"),
    text_button(OP_LIGHT_LESS, "OP_LIGHT_LESS", "L-", 330, 35, 20, 20, "LESS LIGHT"),
    text_button(OP_LIGHT_MORE, "OP_LIGHT_MORE", "L+", 350, 35, 20, 20, "MORE LIGHT"),
    text_button(OP_RADIUS_HALF, "OP_RADIUS_HALF", "S/2", 380, 35, 30, 20, "R=R / 2"),
    text_button(OP_RADIUS_RESET, "OP_RADIUS_RESET", "R", 410, 35, 20, 20, "RESET OBJECT R"),
    text_button(OP_RADIUS_DOUBLE, "OP_RADIUS_DOUBLE", "S*2", 430, 35, 30, 20, "R=R * 2"),
    hide_button("OP_HIDE", "HIDE OPTIONS DIALOG"),
};

constexpr unsigned VALUE_BOX = BORDER | ALIGN_RIGHT;
constexpr unsigned SHOWN_VALUE = BORDER | READ_ONLY | ALIGN_RIGHT;

// Three rows of three label/value pairs; labels at x = 10, 152, 294, values 50 pixels further.
constexpr ControlDef NUMERIC_CONTROLS[] = {
    background(480, 65),
    label(NV_NAME_LABEL, "NV_NAME_LABEL", "NAME ", 10, 3, 50, 18, ALIGN_RIGHT),
    label(NV_MASS_LABEL, "NV_MASS_LABEL", "m (kg) ", 152, 3, 50, 18, ALIGN_RIGHT),
    label(NV_DENSITY_LABEL, "NV_DENSITY_LABEL", "RO ", 294, 3, 50, 18, ALIGN_RIGHT),
    edit(NV_NAME, "NV_NAME", "object", 60, 3, 90, 18, VALUE_BOX, nullptr),
    edit(NV_MASS, "NV_MASS", "0", 202, 3, 90, 18, VALUE_BOX, nullptr),
    edit(NV_DENSITY, "NV_DENSITY", "0", 344, 3, 90, 18, VALUE_BOX, nullptr),
    label(NV_X_LABEL, "NV_X_LABEL", "X (m) ", 10, 23, 50, 18, ALIGN_RIGHT),
    label(NV_Y_LABEL, "NV_Y_LABEL", "Y (m) ", 152, 23, 50, 18, ALIGN_RIGHT),
    label(NV_Z_LABEL, "NV_Z_LABEL", "Z (m) ", 294, 23, 50, 18, ALIGN_RIGHT),
    label(NV_VX_LABEL, "NV_VX_LABEL", "vX (m/s) ", 10, 43, 50, 18, ALIGN_RIGHT),
    label(NV_VY_LABEL, "NV_VY_LABEL", "vY (m/s) ", 152, 43, 50, 18, ALIGN_RIGHT),
    label(NV_VZ_LABEL, "NV_VZ_LABEL", "vZ (m/s) ", 294, 43, 50, 18, ALIGN_RIGHT),
    edit(NV_X, "NV_X", "0", 60, 23, 90, 18, SHOWN_VALUE, nullptr),
    edit(NV_Y, "NV_Y", "0", 202, 23, 90, 18, SHOWN_VALUE, nullptr),
    edit(NV_Z, "NV_Z", "0", 344, 23, 90, 18, SHOWN_VALUE, nullptr),
    edit(NV_VX, "NV_VX", "0", 60, 43, 90, 18, SHOWN_VALUE, nullptr),
    edit(NV_VY, "NV_VY", "0", 202, 43, 90, 18, SHOWN_VALUE, nullptr),
    edit(NV_VZ, "NV_VZ", "0", 344, 43, 90, 18, SHOWN_VALUE, nullptr),
    hide_button("NV_HIDE", "HIDE NUMERIC DIALOG"),
};

constexpr ControlDef TIME_CONTROLS[] = {
    background(480, 45),
    label(TM_TIME_LABEL, "TM_TIME_LABEL", "time (s) :", 10, 4, 120, 16),
    edit(TM_ELAPSED, "TM_ELAPSED", "0", 10, 20, 120, 18, SHOWN_VALUE, "ELAPSED TIME - IN SELECTED TIME UNIT"),
    text_button(TM_RESET_TIME, "TM_RESET_TIME", "t = 0", 135, 18, 40, 20, "SET TIME = 0"),
    text_button(TM_UNIT, "TM_UNIT", "t UNIT", 180, 18, 40, 20, "CHANGE TIME UNIT"),
    label(TM_STOP_LABEL, "TM_STOP_LABEL", "STOP time :", 225, 5, 60, 18, ALIGN_CENTER),
    edit(TM_STOP_TIME, "TM_STOP_TIME", "1E+99", 225, 20, 60, 18, VALUE_BOX, "STOP TIME - IN SELECTED TIME UNIT"),
    label(TM_DT_LABEL, "TM_DT_LABEL", "dt (s)", 340, 5, 60, 18, ALIGN_CENTER),
    edit(TM_DT, "TM_DT", "1", 340, 20, 60, 18, SHOWN_VALUE, "INTEGRATION STEP"),
    text_button(TM_DT_DIV10, "TM_DT_DIV10", "/ 10", 310, 20, 30, 18, "dt=dt / 10"),
    text_button(TM_DT_MUL10, "TM_DT_MUL10", "x 10", 400, 20, 30, 18, "dt=dt x 10"),
    hide_button("TM_HIDE", "HIDE TIME DIALOG"),
};

constexpr ControlDef LOG_CONTROLS[] = {
    background(480, 100),
    image_button(LG_SELECT_FILE, "LG_SELECT_FILE", "file", 10, 8, 32, 32, {"ICON_OPEN", "ICON_OPEN_H", "ICON_OPEN_D"},
                 32, GREY_FACE, 10, R::button_face_text_hot, "SELECT LOG FILENAME (*.TXT)"),
    label(LG_FILE_LABEL, "LG_FILE_LABEL", "Filename (*.TXT) :", 50, 4, 390, 16),
    edit(LG_FILE_NAME, "LG_FILE_NAME", "", 50, 20, 390, 18, BORDER | READ_ONLY, "LOG FILENAME"),
    label(LG_EVERY_LABEL, "LG_EVERY_LABEL", "N dt", 280, 50, 60, 16),
    edit(LG_EVERY, "LG_EVERY", "1", 280, 70, 60, 18, VALUE_BOX, nullptr),
    check_box(LG_ENABLED, "LG_ENABLED", "LOG ENABLED", 360, 70, 100, 20, STYLE_NONE, R::edit_colors, "TURN LOGGING ON"),
    label(LG_MODE_LABEL, "LG_MODE_LABEL", "LOG MODE", 10, 55, 100, 16),
    combo_box(LG_MODE, "LG_MODE", 10, 70, 120, 180, "SELECT LOG VARIABLE"),
    label(LG_BODY_LABEL, "LG_BODY_LABEL", "OBJECT TO LOG", 140, 55, 100, 16),
    combo_box(LG_BODY, "LG_BODY", 140, 70, 120, 180, "SELECT OBJECT TO LOG"),
    hide_button("LG_HIDE", "HIDE LOG DIALOG"),
};

}  // namespace

const PanelDef TOOLBAR_PANEL{"toolbar_panel", "ORBILAN", 0, 480, 45, true, TOOLBAR_CONTROLS};
const PanelDef OPTIONS_PANEL{"options_panel", "OPTIONS", 600, 480, 65, false, OPTIONS_CONTROLS};
const PanelDef NUMERIC_PANEL{"numeric_panel", "NUMERIC VIEW", 506, 480, 65, false, NUMERIC_CONTROLS};
const PanelDef TIME_PANEL{"time_panel", "TIME", 82, 480, 45, false, TIME_CONTROLS};
const PanelDef LOG_PANEL{"log_panel", "LOG", 165, 480, 100, false, LOG_CONTROLS};

}  // namespace orbilan
