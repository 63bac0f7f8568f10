// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <mutex>

namespace orbilan {

// Where the simulation thread waits while the user reads a message it asked the user-interface
// thread to show. Once the program is closing, the gate releases any wait and refuses new ones,
// so a shutdown that joins the thread never waits for an answer that cannot come.
class AnswerGate {
public:
    // Arms a wait for the next answer; false when the program is closing and nobody will answer.
    // The check and the arming happen under one lock, so a close comes either before (refused)
    // or after (the wait is released).
    bool arm()
    {
        std::lock_guard lock(mutex_);
        if (closing_) return false;
        answered_ = false;
        return true;
    }

    // Returns once the armed wait is answered or the gate closes.
    void wait()
    {
        std::unique_lock lock(mutex_);
        answer_given_.wait(lock, [this] { return answered_; });
    }

    void answer()
    {
        {
            std::lock_guard lock(mutex_);
            answered_ = true;
        }
        answer_given_.notify_all();
    }

    void close()
    {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
            answered_ = true;
        }
        answer_given_.notify_all();
    }

    bool closing() const
    {
        std::lock_guard lock(mutex_);
        return closing_;
    }

private:
    mutable std::mutex mutex_;
    bool answered_ = true;
    bool closing_ = false;
    std::condition_variable answer_given_;
};

}  // namespace orbilan
