#include "files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

namespace orbilan {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

FileBytes failed(FileProblem problem, int error = 0)
{
    FileBytes file;
    file.problem = problem;
    file.error = error;
    return file;
}

std::string size_text(std::uint64_t bytes)
{
    constexpr std::uint64_t MIB = std::uint64_t{1} << 20;
    if (bytes >= 1024 * MIB && bytes % (1024 * MIB) == 0) return std::to_string(bytes / (1024 * MIB)) + " GiB";
    if (bytes >= MIB && bytes % MIB == 0) return std::to_string(bytes / MIB) + " MiB";
    return std::to_string(bytes) + " bytes";
}

}  // namespace

FileBytes read_regular_file(const std::filesystem::path& path, std::uint64_t max_bytes)
{
    // Devices are not even opened (opening some has effects); the check after opening closes
    // the gap in which the name could be swapped.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return failed(FileProblem::cannot_open, errno);
    if (!S_ISREG(info.st_mode)) return failed(FileProblem::not_regular);
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) return failed(FileProblem::cannot_open, errno);
    if (::fstat(fd.get(), &info) != 0) return failed(FileProblem::cannot_read, errno);
    if (!S_ISREG(info.st_mode)) return failed(FileProblem::not_regular);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > max_bytes) return failed(FileProblem::too_large);

    // One byte of room past the size, so that the end shows without growing the buffer; a file
    // that grows meanwhile is read on, up to the limit.
    FileBytes file;
    file.bytes.resize(static_cast<std::size_t>(size) + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == file.bytes.size()) {
            if (got > max_bytes) return failed(FileProblem::too_large);
            file.bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(max_bytes + 1, 2 * got)));
        }
        const ssize_t count = ::read(fd.get(), file.bytes.data() + got, file.bytes.size() - got);
        if (count < 0) {
            if (errno == EINTR) continue;
            return failed(FileProblem::cannot_read, errno);
        }
        if (count == 0) break;
        got += static_cast<std::size_t>(count);
    }
    if (got > max_bytes) return failed(FileProblem::too_large);
    file.bytes.resize(got);
    return file;
}

std::string file_problem_text(const FileBytes& file, std::uint64_t max_bytes)
{
    switch (file.problem) {
    case FileProblem::none: return {};
    case FileProblem::cannot_open: return "cannot be opened (" + error_text(file.error) + ").";
    case FileProblem::not_regular: return "is not a regular file.";
    case FileProblem::too_large: return "is larger than " + size_text(max_bytes) + ".";
    case FileProblem::cannot_read: return "cannot be read (" + error_text(file.error) + ").";
    }
    return {};
}

std::FILE* open_for_writing(const std::filesystem::path& path)
{
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
    if (fd.get() < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return nullptr;
    if (S_ISREG(info.st_mode) && ::ftruncate(fd.get(), 0) != 0) return nullptr;
    // Once open, writes wait as usual: a pipe's reader sets the pace.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
    std::FILE* file = ::fdopen(fd.get(), "wb");
    if (file) fd.release();
    return file;
}

std::string error_text(int error) { return std::error_code(error, std::generic_category()).message(); }

bool same_file(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code error;
    const bool a_exists = std::filesystem::exists(a, error);
    const bool b_exists = std::filesystem::exists(b, error);
    if (a_exists && b_exists) return std::filesystem::equivalent(a, b, error);
    if (a_exists != b_exists) return false;
    const auto a_spelled = std::filesystem::weakly_canonical(std::filesystem::absolute(a, error), error);
    const auto b_spelled = std::filesystem::weakly_canonical(std::filesystem::absolute(b, error), error);
    return a_spelled == b_spelled;
}

}  // namespace orbilan
