// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/qt_platform.h"

namespace orbilan {

// A stand-in for tests: records every message box, answers file dialogs from a queue (empty
// answers once the queue runs dry, as if the user cancelled) and reports a chosen folder and work
// area. OpenGL is probed on the display unless a test chooses the outcome.
class RecordingPlatform : public Platform {
public:
    struct Dialog {
        std::string title, folder, filter, suffix;
        bool save = false;
    };

    std::vector<UserMessage> boxes;
    std::vector<Dialog> dialogs;
    std::deque<std::string> dialog_answers;
    std::string folder = "./";
    WorkArea area{0, 0, 1280, 1024};
    std::optional<GlSupport> gl;
    // Called with each box while it would be shown, to look at the windows behind it.
    std::function<void(const UserMessage&)> on_box;

    void message_box(const UserMessage& message) override
    {
        boxes.push_back(message);
        if (on_box) on_box(message);
    }
    std::string open_file(const std::string& title, const std::string& folder, const std::string& filter,
                          const std::string& suffix) override;
    std::string save_file(const std::string& title, const std::string& folder, const std::string& filter,
                          const std::string& suffix) override;
    std::string program_folder() override { return folder; }
    WorkArea work_area() override { return area; }
    GlSupport probe_gl() override { return gl ? *gl : probe_view_gl(); }

private:
    std::string answer(Dialog dialog);
};

}  // namespace orbilan
