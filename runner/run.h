// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

#include "runner/command_line.h"
#include "runner/processes.h"

namespace orbilan {

// Standard error: messages, and while a run goes on a progress line redrawn in place, which a
// message first erases. Both threads write through it.
class Terminal {
public:
    // One "orbilan-run: " line per line of the text.
    void message(const std::string& text);
    void progress(const std::string& line);
    void erase_progress();
    // Says nothing: a process other than rank 0.
    bool muted = false;

private:
    void erase_progress_locked();

    std::mutex mutex_;
    std::size_t shown_ = 0;
};

// Something that stops the run before it starts, said in a message.
struct NotRun {
    std::string what;
};

// Loads the project, runs it, prints the summary and writes the outputs; the exit status, the same
// on every process. Throws NotRun, std::bad_alloc and std::system_error.
int run(const Arguments& args, Terminal& terminal, const Processes& processes);

}  // namespace orbilan
