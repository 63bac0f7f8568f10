// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/recording_platform.h"

#include <utility>

namespace orbilan {

std::string RecordingPlatform::open_file(const std::string& title, const std::string& folder, const std::string& filter,
                                         const std::string& suffix)
{
    return answer({title, folder, filter, suffix, false});
}

std::string RecordingPlatform::save_file(const std::string& title, const std::string& folder, const std::string& filter,
                                         const std::string& suffix)
{
    return answer({title, folder, filter, suffix, true});
}

std::string RecordingPlatform::answer(Dialog dialog)
{
    dialogs.push_back(std::move(dialog));
    if (dialog_answers.empty()) return {};
    std::string path = std::move(dialog_answers.front());
    dialog_answers.pop_front();
    return path;
}

}  // namespace orbilan
