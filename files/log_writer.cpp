// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/log_writer.h"

#include <cerrno>
#include <system_error>

#include "files/number_format.h"
#include "files/regular_file.h"

namespace orbilan {

std::unique_ptr<LogWriter> LogWriter::open(const std::filesystem::path& path, const MessageSink& messages)
{
    if (path.has_parent_path()) {
        std::error_code ignored;  // a folder that cannot be made shows up as a file that cannot be opened
        std::filesystem::create_directories(path.parent_path(), ignored);
    }
    std::FILE* file = path.empty() ? nullptr : open_for_writing(path);
    if (!file) {
        const int error = path.empty() ? ENOENT : errno;
        const std::string reason = error == ENXIO         ? "a pipe that nothing reads"
                                   : error == EWOULDBLOCK ? "another program is writing it"
                                                          : error_text(error);
        if (messages)
            messages(
                {"Cannot open the log file " + path.string() + " (" + reason + ")", "ORBILAN", MessageIcon::error});
        return nullptr;
    }
    return std::unique_ptr<LogWriter>(new LogWriter(file, path));
}

LogWriter::~LogWriter() { close(); }

void LogWriter::fail(int error)
{
    if (failure_.empty()) failure_ = "Cannot write the log file " + path_.string() + " (" + error_text(error) + ")";
}

bool LogWriter::write_line(extended time, extended a, extended b, extended c)
{
    if (!failure_.empty() || !file_) return false;
    const std::string line = format_number(time, NumberMask::exp_3) + " , " + format_number(a, NumberMask::exp_12) +
                             " , " + format_number(b, NumberMask::exp_12) + " , " +
                             format_number(c, NumberMask::exp_12) + "\r\n";
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) fail(errno);
    return failure_.empty();
}

bool LogWriter::close()
{
    if (file_) {
        // fclose reports the last buffered write; a failed fflush keeps errno, which fclose may not.
        if (std::fflush(file_) != 0) fail(errno);
        if (std::fclose(file_) != 0) fail(errno);
        file_ = nullptr;
    }
    return failure_.empty();
}

std::filesystem::path default_log_path(const std::filesystem::path& program_folder)
{
    return program_folder / "Logs" / "noname.tXT";
}

std::string log_body_item_text(int i, std::string_view name)
{
    return plain_integer_text(i) + "  ( " + std::string(name) + " )";
}

}  // namespace orbilan
