// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "files/user_message.h"

namespace orbilan {

// The desktop's usable rectangle (the screen without panels and task bars).
struct WorkArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// How far the view's OpenGL set-up got; anything but ok names the step that failed.
enum class GlSupport {
    ok,
    no_screen,
    no_native_surface,
    no_colour_buffer,
    no_depth_buffer,
    no_context,
    cannot_activate,
};

// The operating-system services the program uses. The program calls them only through this
// interface so that tests can answer dialogs and record message boxes instead of blocking.
class Platform {
public:
    virtual ~Platform() = default;

    virtual void message_box(const UserMessage& message) = 0;
    // Empty when the user cancels.
    virtual std::string open_file(const std::string& title, const std::string& folder, const std::string& filter,
                                  const std::string& suffix) = 0;
    virtual std::string save_file(const std::string& title, const std::string& folder, const std::string& filter,
                                  const std::string& suffix) = 0;
    // The executable's folder with a trailing separator.
    virtual std::string program_folder() = 0;
    virtual WorkArea work_area() = 0;
    // Tries the view's OpenGL format without showing anything.
    virtual GlSupport probe_gl() = 0;

    // True when a file or a folder exists at path.
    virtual bool file_exists(const std::string& path);
    // The file of that name, its letter case ignored as on Windows; empty when there is none.
    virtual std::string find_file(const std::string& name);
};

}  // namespace orbilan
