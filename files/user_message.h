#pragma once

#include <functional>
#include <string>

namespace orbilan {

enum class MessageIcon { none, information, error };

// A message for the user: the GUI shows a box with this text, caption and icon; the headless
// runner prints it to stderr.
struct UserMessage {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::none;
};

using MessageSink = std::function<void(const UserMessage&)>;

}  // namespace orbilan
