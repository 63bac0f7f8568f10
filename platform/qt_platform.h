// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSurfaceFormat>

#include "platform/platform.h"

namespace orbilan {

// The format of the view's context: fixed-function OpenGL with a 24-bit depth buffer.
QSurfaceFormat view_surface_format();

// Tries that format on the display without showing anything.
GlSupport probe_view_gl();

// The real services, through Qt.
class QtPlatform : public Platform {
public:
    void message_box(const UserMessage& message) override;
    std::string open_file(const std::string& title, const std::string& folder, const std::string& filter,
                          const std::string& suffix) override;
    std::string save_file(const std::string& title, const std::string& folder, const std::string& filter,
                          const std::string& suffix) override;
    std::string program_folder() override;
    WorkArea work_area() override;
    GlSupport probe_gl() override;
};

}  // namespace orbilan
