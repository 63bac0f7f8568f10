// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/regular_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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
    // Emptied only once it is ours: another writer's lines stay whole.
    if (S_ISREG(info.st_mode) && (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || ::ftruncate(fd.get(), 0) != 0))
        return nullptr;
    // Once open, writes wait as usual: a pipe's reader sets the pace.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return nullptr;
    std::FILE* file = ::fdopen(fd.get(), "wb");
    if (file) fd.release();
    return file;
}

namespace {

// The file a replacement goes to: path itself, or the file its links lead to.
std::filesystem::path replacement_target(const std::filesystem::path& path, std::string& problem)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::error_code error;
    const auto target = std::filesystem::canonical(path, error);
    if (error) problem = "is a link to nothing that can be written (" + error.message() + ").";
    return target;
}

std::string target_problem(const std::filesystem::path& target)
{
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) return "is not a regular file.";
    } else if (errno != ENOENT) {
        return "cannot be written (" + error_text(errno) + ").";
    }
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return "cannot be written (" + error_text(errno) + ").";
    return {};
}

bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = ::write(fd, bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

}  // namespace

std::string replacement_problem(const std::filesystem::path& path)
{
    if (path.empty()) return "cannot be written (" + error_text(ENOENT) + ").";
    std::string problem;
    const auto target = replacement_target(path, problem);
    return problem.empty() ? target_problem(target) : problem;
}

bool replace_file(const std::filesystem::path& path, std::string_view bytes, std::string& problem)
{
    problem = replacement_problem(path);
    if (!problem.empty()) return false;
    const auto target = replacement_target(path, problem);
    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;

    // A name of our own beside the target; O_EXCL and O_NOFOLLOW refuse anything already there.
    static std::atomic<unsigned> serial{0};
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = target;
        temporary += "." + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1)) + ".part";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        problem = "cannot be written (" + error_text(errno) + ").";
        return false;
    }
    bool written =
        write_all(fd, bytes) && (!replacing || ::fchmod(fd, old.st_mode & 07777) == 0) && ::fdatasync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
    if (written) error = errno;
    ::unlink(temporary.c_str());
    problem = "cannot be written (" + error_text(error) + ").";
    return false;
}

HeldOutput::~HeldOutput()
{
    if (fd_ < 0) return;
    if (created_ && !replaced_) ::unlink(path_.c_str());
    ::close(fd_);
}

std::string HeldOutput::hold(const std::filesystem::path& path)
{
    if (std::string problem = replacement_problem(path); !problem.empty()) return problem;
    std::string ignored;
    path_ = replacement_target(path, ignored);
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    const bool made = fd_ >= 0;
    if (fd_ < 0 && errno == EEXIST) fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return "cannot be written (" + error_text(errno) + ").";
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return "is not a regular file.";
    // Another writer may have taken a file just made; then it stays theirs.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK ? "is being written by another program."
                                    : "cannot be locked (" + error_text(errno) + ").";
    created_ = made;
    return {};
}

bool HeldOutput::replace(std::string_view bytes, std::string& problem)
{
    replaced_ = replace_file(path_, bytes, problem) || replaced_;
    return problem.empty();
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
