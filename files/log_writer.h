// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "files/user_message.h"
#include "sim/extended.h"
#include "sim/run_log.h"

namespace orbilan {

// A run's log as a file: one line per logged step, time and three values, " , " between fields,
// CR LF at the end.
class LogWriter final : public RunLog {
public:
    // Creates the file (and its folder when missing) or empties it. Reports a failure through
    // messages, naming the path, and returns null.
    // A named pipe that nothing reads cannot be opened rather than blocking the caller.
    static std::unique_ptr<LogWriter> open(const std::filesystem::path& path, const MessageSink& messages);
    ~LogWriter() override;
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // False once a write has failed (a full disk, a pipe closed by its reader); the lines
    // written before stay in the file.
    bool write_line(extended time, extended a, extended b, extended c) override;
    // Writes what is buffered and closes the file; false when that or an earlier write failed.
    bool close() override;
    // Names the file and the reason once a write has failed; empty before.
    const std::string& failure() const override { return failure_; }

private:
    LogWriter(std::FILE* file, std::filesystem::path path) : file_(file), path_(std::move(path)) {}
    void fail(int error);

    std::FILE* file_;
    std::filesystem::path path_;
    std::string failure_;
};

// The log file used when the user chose none: program_folder/Logs/noname.tXT
std::filesystem::path default_log_path(const std::filesystem::path& program_folder);

// The log panel's body list item for body i: "1  ( Sun )".
std::string log_body_item_text(int i, std::string_view name);

// The log panel's variable list; each item starts with its log_mode number.
constexpr std::string_view LOG_MODE_ITEMS[] = {"1 : ACCELERATION", "2 : POSITION"};

}  // namespace orbilan
