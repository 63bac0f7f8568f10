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

// Opens a file for writing, creating it when missing and emptying it when it is a regular file.
// A named pipe that nothing reads fails at once instead of blocking. Null on failure, errno set.
std::FILE* open_for_writing(const std::filesystem::path& path);

// The system's text for an errno value: "No space left on device".
std::string error_text(int error);

// True when both paths name one file, however each is spelled (links, "..", relative paths).
// Paths that do not exist yet are compared by their absolute, normalised spelling.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace orbilan
