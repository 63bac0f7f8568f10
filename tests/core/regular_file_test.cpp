#include "files/regular_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;

TEST(RegularFile, ReadsEveryByteUpToTheLimit)
{
    test::TempFolder folder;
    const std::string bytes("text\r\n\x1a\0after", 13);
    const FileBytes whole = read_regular_file(folder.write("a.txt", bytes), 13);
    EXPECT_EQ(whole.problem, FileProblem::none);
    EXPECT_EQ(whole.bytes, bytes);
    EXPECT_EQ(read_regular_file(folder.write("empty.txt", ""), 0).problem, FileProblem::none);

    const FileBytes over = read_regular_file(folder.path() / "a.txt", 12);
    EXPECT_EQ(over.problem, FileProblem::too_large);
    EXPECT_EQ(file_problem_text(over, 1 << 20), "is larger than 1 MiB.");
    // A sparse file far above the limit is refused from its size alone, without reading it.
    const fs::path huge = folder.path() / "huge.txt";
    folder.write("huge.txt", "x");
    fs::resize_file(huge, (std::uint64_t{1} << 32) + 1);
    EXPECT_EQ(read_regular_file(huge, MAX_PROJECT_BYTES).problem, FileProblem::too_large);
    EXPECT_EQ(file_problem_text(read_regular_file(huge, MAX_PROJECT_BYTES), MAX_PROJECT_BYTES),
              "is larger than 1 GiB.");
}

// None of these may block, allocate without end or be mistaken for an empty file.
TEST(RegularFile, PipesDevicesAndFoldersAreRefusedAtOnce)
{
    test::TempFolder folder;
    const fs::path pipe = folder.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", folder.path() / "zero.txt");
    for (const fs::path& path : {pipe, folder.path(), fs::path("/dev/zero"), fs::path("/dev/urandom"),
                                 folder.path() / "zero.txt"}) {
        const FileBytes file = read_regular_file(path, MAX_PROJECT_BYTES);
        EXPECT_EQ(file.problem, FileProblem::not_regular) << path;
        EXPECT_EQ(file_problem_text(file, MAX_PROJECT_BYTES), "is not a regular file.");
    }
    const FileBytes missing = read_regular_file(folder.path() / "missing.txt", MAX_PROJECT_BYTES);
    EXPECT_EQ(missing.problem, FileProblem::cannot_open);
    EXPECT_EQ(file_problem_text(missing, 0), "cannot be opened (No such file or directory).");

    fs::create_symlink(folder.write("real.txt", "x, 1"), folder.path() / "link.txt");
    EXPECT_EQ(read_regular_file(folder.path() / "link.txt", 100).bytes, "x, 1");
}

TEST(RegularFile, WritingNeverWaitsOnAPipeNobodyReads)
{
    test::TempFolder folder;
    const fs::path pipe = folder.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    errno = 0;
    EXPECT_EQ(open_for_writing(pipe), nullptr);
    EXPECT_EQ(errno, ENXIO);
    EXPECT_EQ(open_for_writing(folder.path()), nullptr);

    const fs::path file = folder.write("old.txt", "a longer earlier content");
    std::FILE* out = open_for_writing(file);
    ASSERT_NE(out, nullptr);
    std::fputs("new", out);
    std::fclose(out);
    EXPECT_EQ(test::read_bytes(file), "new");
    std::FILE* null = open_for_writing("/dev/null");
    ASSERT_NE(null, nullptr);
    std::fclose(null);
}

TEST(RegularFile, SameFileHoweverItIsSpelled)
{
    test::TempFolder folder;
    const fs::path project = folder.write("Projects/two.txt", "T, t");
    fs::create_symlink(project, folder.path() / "link.txt");
    fs::create_hard_link(project, folder.path() / "hard.txt");
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    EXPECT_TRUE(same_file(project, "Projects/two.txt"));
    EXPECT_TRUE(same_file(project, "Projects/../Projects/./two.txt"));
    EXPECT_TRUE(same_file(project, "link.txt"));
    EXPECT_TRUE(same_file(project, "hard.txt"));
    EXPECT_TRUE(same_file("new/out.txt", folder.path() / "new" / ".." / "new" / "out.txt"));
    EXPECT_FALSE(same_file(project, "Projects/other.txt"));
    EXPECT_FALSE(same_file("new/a.txt", "new/b.txt"));
    fs::current_path(previous);
}

}  // namespace
}  // namespace orbilan
