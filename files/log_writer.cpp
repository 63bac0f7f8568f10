#include "files/log_writer.h"

#include <system_error>

#include "files/number_format.h"

namespace orbilan {

std::unique_ptr<LogWriter> LogWriter::open(const std::filesystem::path& path, const MessageSink& messages)
{
    if (path.has_parent_path()) {
        std::error_code ignored;  // a folder that cannot be made shows up as a file that cannot be opened
        std::filesystem::create_directories(path.parent_path(), ignored);
    }
    std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "wb");
    if (!file) {
        if (messages)
            messages({"Cannot open the log file " + path.string(), "ORBILAN", MessageIcon::error});
        return nullptr;
    }
    return std::unique_ptr<LogWriter>(new LogWriter(file));
}

LogWriter::~LogWriter() { std::fclose(file_); }

void LogWriter::write_line(extended time, extended a, extended b, extended c)
{
    const std::string line = format_number(time, NumberMask::exp_3) + " , " +
                             format_number(a, NumberMask::exp_12) + " , " +
                             format_number(b, NumberMask::exp_12) + " , " +
                             format_number(c, NumberMask::exp_12) + "\r\n";
    std::fwrite(line.data(), 1, line.size(), file_);
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
