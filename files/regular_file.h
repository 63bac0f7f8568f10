// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace orbilan {

// Why a file's bytes were not read.
enum class FileProblem {
    none,
    cannot_open,  // missing, no permission, ...
    not_regular,  // a folder, a named pipe, a device
    too_large,    // above the limit given for its kind
    cannot_read,  // an input error while reading
};

struct FileBytes {
    std::string bytes;
    FileProblem problem = FileProblem::none;
    int error = 0;  // errno of an open or read that failed
};

// Size limits far above any real file of each kind. They only stop devices, runaway files and
// hostile ones before they take the memory.
constexpr std::uint64_t MAX_PROJECT_BYTES = std::uint64_t{1} << 30;          // a million bodies in full take 400 MB
constexpr std::uint64_t MAX_IMPULSE_PROGRAM_BYTES = std::uint64_t{1} << 20;  // 100 entries take 20 kB
constexpr std::uint64_t MAX_SETTINGS_BYTES = std::uint64_t{1} << 20;         // one short line

// Reads a regular file whole, never more than max_bytes. Pipes, devices and folders are refused
// without waiting on them: a named pipe with no writer never blocks the caller.
FileBytes read_regular_file(const std::filesystem::path& path, std::uint64_t max_bytes);

// What went wrong, for a message that names the file first: "is not a regular file."
std::string file_problem_text(const FileBytes& file, std::uint64_t max_bytes);

// Text files never hold a NUL byte; images and other binary files nearly always do.
inline bool looks_binary(std::string_view bytes) { return bytes.find('\0') != std::string_view::npos; }

// Opens a file for writing, creating it when missing. A regular file is locked for this process
// until it is closed, then emptied: a second writer fails with EWOULDBLOCK before it can empty
// or interleave anything. A named pipe that nothing reads fails at once instead of blocking. Null
// on failure, errno set.
std::FILE* open_for_writing(const std::filesystem::path& path);

// Why bytes cannot replace the file at path, empty when they can: the folder must exist and take
// new files, and a file already there must be a regular file (a link is followed to one).
std::string replacement_problem(const std::filesystem::path& path);

// Replaces the file at path as a whole: the bytes go to a fresh file beside it, created
// exclusively (never through a link, never over another name), which is then renamed over it. A
// link at path keeps pointing to the file it named, which is replaced; the mode of a replaced
// file is kept. On failure nothing changed and `problem` says why: "is not a regular file",
// "cannot be written (No space left on device)".
bool replace_file(const std::filesystem::path& path, std::string_view bytes, std::string& problem);

// An output file kept from other writers for as long as this lives: locked, and created empty
// when missing (then removed again unless kept). Problems as replacement_problem, or "is being
// written by another program".
class HeldOutput {
public:
    HeldOutput() = default;
    ~HeldOutput();
    HeldOutput(const HeldOutput&) = delete;
    HeldOutput& operator=(const HeldOutput&) = delete;
    // Empty on success, else why the file cannot be held.
    std::string hold(const std::filesystem::path& path);
    // replace_file on the held file. A file that hold() created is removed at the end unless
    // this succeeded.
    bool replace(std::string_view bytes, std::string& problem);

private:
    std::filesystem::path path_;
    int fd_ = -1;
    bool created_ = false;
    bool replaced_ = false;
};

// The system's text for an errno value: "No space left on device".
std::string error_text(int error);

// True when both paths name one file, however each is spelled (links, "..", relative paths).
// Paths that do not exist yet are compared by their absolute, normalised spelling.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace orbilan
