// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shortcuts.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <initializer_list>

namespace orbilan {

const std::array<ShortcutText, 16> SHORTCUT_TEXTS = {{
    {"Space", "START, or PAUSE during a run"},
    {"Ctrl+O", "OPEN PROJECT"},
    {"Ctrl+R", "RESET PROJECT"},
    {"F11", "TOGGLE FULL SCREEN"},
    {"Ctrl+Q", "END PROGRAM"},
    {"Ctrl+S", "save the view as a PNG picture in the pictures folder"},
    {"Ctrl+Shift+R", "start, stop recording the view as an MP4 video in the pictures folder"},
    {"Home", "LOOK TO CENTER (0,0,0)"},
    {"Page Up, Page Down", "previous, next body"},
    {"+, -", "zoom in, out (as the wheel)"},
    {"arrow keys", "turn the camera (as a middle-button drag)"},
    {"[, ]", "run slower, faster (real time ... 1 yr/s, as fast as possible)"},
    {"F1", "a window listing these keys"},
    {"F2", "a window plotting the energy, and the logged quantity, against time"},
    {"left click", "select and follow the body under the pointer"},
    {"right click", "the view's menu: run speed, picture, recording, plots, this list"},
}};

namespace {

bool one_of(int key, std::initializer_list<int> keys) { return std::find(keys.begin(), keys.end(), key) != keys.end(); }

}  // namespace

std::optional<KeyCommand> key_command(int key, Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    if (mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_R) return KeyCommand::record;
    if (mods == Qt::ControlModifier) {
        switch (key) {
        case Qt::Key_O: return KeyCommand::open;
        case Qt::Key_R: return KeyCommand::reset;
        case Qt::Key_Q: return KeyCommand::end;
        case Qt::Key_S: return KeyCommand::save_picture;
        default: return std::nullopt;
        }
    }
    // Whether + [ ] need Shift depends on the keyboard's layout.
    if ((mods & ~Qt::ShiftModifier) == Qt::NoModifier) {
        switch (key) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: return KeyCommand::zoom_in;
        case Qt::Key_Minus: return KeyCommand::zoom_out;
        case Qt::Key_BracketLeft: return KeyCommand::slower;
        case Qt::Key_BracketRight: return KeyCommand::faster;
        default: break;
        }
    }
    if (mods != Qt::NoModifier) return std::nullopt;
    switch (key) {
    case Qt::Key_Space: return KeyCommand::start_pause;
    case Qt::Key_F11: return KeyCommand::full_screen;
    case Qt::Key_Home: return KeyCommand::look_origin;
    case Qt::Key_PageUp: return KeyCommand::previous_body;
    case Qt::Key_PageDown: return KeyCommand::next_body;
    case Qt::Key_Left: return KeyCommand::orbit_left;
    case Qt::Key_Right: return KeyCommand::orbit_right;
    case Qt::Key_Up: return KeyCommand::orbit_up;
    case Qt::Key_Down: return KeyCommand::orbit_down;
    case Qt::Key_F1: return KeyCommand::shortcut_window;
    case Qt::Key_F2: return KeyCommand::plot_window;
    default: return std::nullopt;
    }
}

bool control_keeps_key(const QObject* control, int key, Qt::KeyboardModifiers modifiers)
{
    if (qobject_cast<const QAbstractButton*>(control))
        return one_of(key, {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter});
    if (modifiers & Qt::ControlModifier) return false;
    if (qobject_cast<const QLineEdit*>(control) || qobject_cast<const QAbstractSpinBox*>(control))
        return one_of(key, {Qt::Key_Space, Qt::Key_Plus, Qt::Key_Equal, Qt::Key_Minus, Qt::Key_BracketLeft,
                            Qt::Key_BracketRight, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home});
    if (qobject_cast<const QComboBox*>(control))
        return one_of(key, {Qt::Key_Space, Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp,
                            Qt::Key_PageDown, Qt::Key_Home});
    return false;
}

QWidget* make_shortcut_window(QWidget* owner)
{
    auto* window = new QWidget(owner, Qt::Tool);
    window->setObjectName("shortcut_window");
    window->setWindowTitle("ORBILAN : KEYS");
    auto* grid = new QGridLayout(window);
    int row = 0;
    for (const ShortcutText& shortcut : SHORTCUT_TEXTS) {
        grid->addWidget(new QLabel(shortcut.keys, window), row, 0);
        grid->addWidget(new QLabel(shortcut.what, window), row++, 1);
    }
    return window;
}

}  // namespace orbilan
