// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <vector>

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

// The bodies that share one problem, for one message instead of one per body.
class BodyList {
public:
    void add(int k)
    {
        if (first_.size() < SHOWN) first_.push_back(k);
        ++count_;
    }
    int count() const { return count_; }
    // "object 3", "3 objects: 2, 5, 7", "1000000 objects: 1, 2, 3, 4, 5, ..."
    std::string text() const
    {
        if (count_ == 1) return "object " + std::to_string(first_[0]);
        std::string text = std::to_string(count_) + " objects: ";
        for (std::size_t n = 0; n < first_.size(); ++n) text += (n ? ", " : "") + std::to_string(first_[n]);
        if (count_ > static_cast<int>(first_.size())) text += ", ...";
        return text;
    }

private:
    static constexpr std::size_t SHOWN = 5;
    std::vector<int> first_;
    int count_ = 0;
};

}  // namespace orbilan
