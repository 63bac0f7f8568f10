// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "sim/extended.h"

namespace orbilan {

// Where a run writes its log: one line every log_every steps. The engine only decides what goes
// into a line; the log file's format belongs to the files code, which implements this.
class RunLog {
public:
    virtual ~RunLog() = default;
    // One line: the time and three values. False once a line could not be written.
    virtual bool write_line(extended time, extended a, extended b, extended c) = 0;
    // Completes the log; false when that or an earlier line failed.
    virtual bool close() = 0;
    // What failed, naming the log; empty while nothing has.
    virtual const std::string& failure() const = 0;
};

}  // namespace orbilan
