// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <Qt>

#include <array>
#include <optional>

class QObject;
class QWidget;

namespace orbilan {

// What the program's keys do; the toolbar's commands among them are its buttons' clicks.
enum class KeyCommand {
    start_pause,
    open,
    reset,
    full_screen,
    end,
    look_origin,
    previous_body,
    next_body,
    zoom_in,
    zoom_out,
    orbit_left,
    orbit_right,
    orbit_up,
    orbit_down,
    slower,
    faster,
    shortcut_window,
    save_picture,
    record,
    plot_window,
};

struct ShortcutText {
    const char* keys;
    const char* what;
};

// The keys as --help, the manual and the shortcut window list them.
extern const std::array<ShortcutText, 16> SHORTCUT_TEXTS;

// The command of a key press, if it is one of the program's keys.
std::optional<KeyCommand> key_command(int key, Qt::KeyboardModifiers modifiers);

// True when a focused control uses the key itself: a button (or check box) its Space and Enter, an
// edit box the keys that type and move in its text, a list the keys that choose in it.
bool control_keeps_key(const QObject* control, int key, Qt::KeyboardModifiers modifiers);

// A tool window of owner listing the keys; hidden until shown.
QWidget* make_shortcut_window(QWidget* owner);

}  // namespace orbilan
