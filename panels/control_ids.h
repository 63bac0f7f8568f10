// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Control identifiers shared by the panels and their handlers. Every panel has its hide button at
// 199 (on the toolbar it ends the program) and its background image at 600.
namespace orbilan {

constexpr int HIDE_BUTTON_ID = 199;
constexpr int BACKGROUND_ID = 600;

constexpr int TB_START = 105;
constexpr int TB_STOP = 110;
constexpr int TB_IMPULSE = 122;
constexpr int TB_OPEN = 120;
constexpr int TB_RESET = 115;
constexpr int TB_SHOW_TIME = 135;
constexpr int TB_SHOW_NUMERIC = 130;
constexpr int TB_SHOW_OPTIONS = 125;
constexpr int TB_SHOW_LOG = 140;
constexpr int TB_LOOK_ORIGIN = 150;
constexpr int TB_PREV = 185;
constexpr int TB_NEXT = 180;
constexpr int TB_FULL_SCREEN = 155;
constexpr int TB_END = HIDE_BUTTON_ID;

constexpr int TM_TIME_LABEL = 300;
constexpr int TM_ELAPSED = 200;
constexpr int TM_RESET_TIME = 100;
constexpr int TM_UNIT = 105;
constexpr int TM_STOP_LABEL = 310;
constexpr int TM_STOP_TIME = 210;
constexpr int TM_DT_LABEL = 380;
constexpr int TM_DT = 280;
constexpr int TM_DT_DIV10 = 325;
constexpr int TM_DT_MUL10 = 315;
constexpr int TM_HIDE = HIDE_BUTTON_ID;

constexpr int LG_SELECT_FILE = 115;
constexpr int LG_FILE_LABEL = 315;
constexpr int LG_FILE_NAME = 220;
constexpr int LG_EVERY_LABEL = 317;
constexpr int LG_EVERY = 222;
constexpr int LG_ENABLED = 400;
constexpr int LG_MODE_LABEL = 320;
constexpr int LG_MODE = 410;
constexpr int LG_BODY_LABEL = 325;
constexpr int LG_BODY = 420;
constexpr int LG_HIDE = HIDE_BUTTON_ID;

constexpr int NV_NAME_LABEL = 359;
constexpr int NV_MASS_LABEL = 357;
constexpr int NV_DENSITY_LABEL = 358;
constexpr int NV_X_LABEL = 351;
constexpr int NV_Y_LABEL = 352;
constexpr int NV_Z_LABEL = 353;
constexpr int NV_VX_LABEL = 354;
constexpr int NV_VY_LABEL = 355;
constexpr int NV_VZ_LABEL = 356;
constexpr int NV_NAME = 209;
constexpr int NV_MASS = 207;
constexpr int NV_DENSITY = 208;
constexpr int NV_X = 201;
constexpr int NV_Y = 202;
constexpr int NV_Z = 203;
constexpr int NV_VX = 204;
constexpr int NV_VY = 205;
constexpr int NV_VZ = 206;
constexpr int NV_HIDE = HIDE_BUTTON_ID;

constexpr int OP_COLLISION = 400;
constexpr int OP_AXIS = 420;
constexpr int OP_PLANE = 422;
constexpr int OP_LINE = 405;
constexpr int OP_TRAILS = 410;
constexpr int OP_SPHERE = 415;
constexpr int OP_SKIN = 120;
constexpr int OP_FPS = 115;
constexpr int OP_LIGHT_LESS = 325;
constexpr int OP_LIGHT_MORE = 315;
constexpr int OP_RADIUS_HALF = 335;
constexpr int OP_RADIUS_RESET = 332;
constexpr int OP_RADIUS_DOUBLE = 330;
constexpr int OP_HIDE = HIDE_BUTTON_ID;

}  // namespace orbilan
