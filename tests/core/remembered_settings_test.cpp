// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/remembered_settings.h"

#include <sys/stat.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace orbilan {
namespace {

constexpr int FPS_COUNT = 7;

// What is written reads back as it was, names with spaces, commas and " = " included.
TEST(RememberedSettings, ReadBackAsWritten)
{
    test::TempFolder folder;
    const auto path = folder.path() / "config" / REMEMBERED_FILE_NAME;
    RememberedSettings settings;
    settings.last_project = "/home/u/my = projects, old/solar system.txt";
    settings.fps_index = 6;
    settings.ambient_level = 0.30000000000000004;
    settings.pace = 86400;
    settings.panel_places = {{"TB_PANEL", {-20, 5}}, {"LOG PANEL", {300, 700}}};
    ASSERT_TRUE(write_remembered(path, settings));
    const RememberedSettings read = read_remembered(path, FPS_COUNT);
    EXPECT_EQ(read.last_project, settings.last_project);
    EXPECT_EQ(read.fps_index, 6);
    EXPECT_EQ(read.ambient_level, 0.30000000000000004);
    EXPECT_EQ(read.pace, 86400);
    EXPECT_EQ(read.panel_places, settings.panel_places);
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".new"));
}

// A hostile or damaged file gives up only what it damages; a file that is no regular text file
// gives nothing and never blocks. A write that cannot replace the file leaves what was there.
TEST(RememberedSettings, HostileFilesNeitherCrashNorLoseAnything)
{
    test::TempFolder folder;
    const auto path = folder.write(REMEMBERED_FILE_NAME,
                                   "frame rate = 7\r\nlight = 1.5\r\nrun speed = nan\r\nrun speed = -1\r\n"
                                   "panel A = 1e9, 3\r\npanel B = 12\r\npanel  = 1, 2\r\npanel C = 4, 5\r\n"
                                   "light=0.5\n= 3\nlast project = \n" +
                                       std::string(5000, 'x') + "\nframe rate = 2\n");
    RememberedSettings read = read_remembered(path, FPS_COUNT);
    EXPECT_EQ(read.fps_index, 2);
    EXPECT_FALSE(read.ambient_level);
    EXPECT_FALSE(read.pace);
    EXPECT_EQ(read.panel_places, (std::map<std::string, std::pair<int, int>>{{"C", {4, 5}}}));
    EXPECT_EQ(read.last_project, "");

    const auto fifo = folder.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string binary = "frame rate = 3\n";
    binary += '\0';
    for (const auto& hostile : {fifo, folder.path(), folder.write("binary", binary), folder.path() / "missing"})
        EXPECT_FALSE(read_remembered(hostile, FPS_COUNT).fps_index) << hostile;

    // A named pipe where the temporary file goes is replaced, not waited on.
    ASSERT_EQ(::mkfifo((path.string() + ".new").c_str(), 0600), 0);
    read.fps_index = 5;
    ASSERT_TRUE(write_remembered(path, read));
    EXPECT_EQ(read_remembered(path, FPS_COUNT).fps_index, 5);
    // A folder in the file's place is not written over.
    const auto taken = folder.path() / "taken";
    std::filesystem::create_directories(taken / "inside");
    EXPECT_FALSE(write_remembered(taken, read));
    EXPECT_TRUE(std::filesystem::exists(taken / "inside"));
}

}  // namespace
}  // namespace orbilan
