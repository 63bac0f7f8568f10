#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

#include "files/user_message.h"
#include "sim/extended.h"

namespace orbilan {

// One line per logged step: time and three values, " , " between fields, CR LF at the end.
class LogWriter {
public:
    // Creates the file (and its folder when missing) or empties it. Reports a failure through
    // messages, naming the path, and returns null.
    static std::unique_ptr<LogWriter> open(const std::filesystem::path& path, const MessageSink& messages);
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    void write_line(extended time, extended a, extended b, extended c);

private:
    explicit LogWriter(std::FILE* file) : file_(file) {}
    std::FILE* file_;
};

}  // namespace orbilan
