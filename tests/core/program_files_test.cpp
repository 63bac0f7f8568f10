// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/program_files.h"

#include <sys/stat.h>

#include <vector>

#include <gtest/gtest.h>

#include "files/log_writer.h"
#include "files/settings_file.h"
#include "temp_folder.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;

// A writable program folder with resources keeps everything; otherwise resources come from the
// installed tree or the folder itself, and settings and logs go to the XDG folders (relative
// values of the variables are invalid and ignored).
TEST(ProgramFiles, ResourcesSettingsAndLogsGoWhereTheLayoutSays)
{
    test::TempFolder root;
    for (const char* folder : {"build/bin", "usr/share/orbilan", "archive"}) {
        root.write(fs::path(folder) / "def.bmp", "BM");
        fs::create_directories(root.path() / folder / "Projects");
    }
    const fs::path r = root.path();
    const fs::path config = r / "home/.config/orbilan/options.opt", data = r / "home/.local/share/orbilan";
    const std::tuple<const char*, bool, const char*, fs::path, fs::path, fs::path> cases[] = {
        {"build/bin", true, "", r / "build/bin", r / "build/bin/options.opt", r / "build/bin"},
        {"usr/bin/", false, "", r / "usr/share/orbilan", config, data},
        {"usr/bin/", false, "/x", r / "usr/share/orbilan", "/x/orbilan/options.opt", "/x/orbilan"},
        {"usr/bin/", false, "x", r / "usr/share/orbilan", config, data},
        {"archive", false, "", r / "archive", config, data},
        {"tools", true, "", r / "tools", config, data},  // a program copied alone writes nothing beside itself
    };
    for (const auto& [program, writable, xdg, resources, settings, logs] : cases) {
        FileEnvironment env;
        env.home = (r / "home").string();
        env.xdg_config_home = env.xdg_data_home = xdg;
        env.data_from_program = "../share/orbilan";
        env.writable = [writable = writable](const fs::path&) { return writable; };
        const ProgramFiles files = locate_program_files(r / program, env);
        EXPECT_EQ(files.resource_folder, resources) << program << " " << xdg;
        EXPECT_EQ(files.settings_file, settings) << program << " " << xdg;
        EXPECT_EQ(files.data_folder, logs) << program << " " << xdg;
    }
}

// The record reads back, written under a configuration folder made for it; what a user may have
// typed is tolerated; a folder that cannot be made quietly loses the choice.
TEST(SettingsFile, OneRecordReadBackAndToleratedContent)
{
    test::TempFolder folder;
    const auto path = folder.path() / "config" / "orbilan" / "options.opt";
    for (const int theme : {-17, 2}) {
        save_settings(path, theme);
        EXPECT_EQ(test::read_bytes(path), "\"THEME ID\"," + std::to_string(theme) + "\r\n");
        EXPECT_EQ(load_settings(path), theme);
    }
    const std::pair<const char*, int> cases[] = {{"THEME ID,3\r\n", 3}, {"2\r\n", 0}, {"", 0}, {"\"THEME ID\",", 0}};
    for (const auto& [content, theme_id] : cases)
        EXPECT_EQ(load_settings(folder.write("options.opt", content)), theme_id) << "content: " << content;
    std::vector<UserMessage> received;
    const MessageSink sink = [&](const UserMessage& m) { received.push_back(m); };
    EXPECT_EQ(load_settings(folder.path() / "none.opt", sink), 0) << "a first start, with nothing to say";
    const auto blocker = folder.write("config-file", "x");
    save_settings(blocker / "orbilan" / "options.opt", 3);
    EXPECT_EQ(test::read_bytes(blocker), "x");
    // A named pipe in its place neither blocks start-up nor the theme button, and is named.
    const auto pipe = folder.path() / "pipe.opt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(load_settings(pipe, sink), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].text, "Settings file " + pipe.string() + " is not a regular file. The theme starts at 0.");
    save_settings(pipe, 2);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

// Lines of four masked fields ending in CR LF, in a file emptied at each open (orbilan-run's tests
// see the Logs folder made); a log that cannot be opened, a named pipe that nothing reads included (it
// would block START for ever), is named in one message.
TEST(LogWriter, WritesMaskedLinesOrSaysWhyItCannot)
{
    test::TempFolder folder;
    const auto path = default_log_path(folder.path());
    folder.write("Logs/noname.tXT", "old line of an earlier run\r\n");
    auto log = LogWriter::open(path, {});
    ASSERT_NE(log, nullptr);
    log->write_line(10, 1.495978707e11L, 0, -0.0L);
    log->write_line(-2.5e-7L, -9.80665L, 1e300L, 6.02214076e23L);
    EXPECT_TRUE(log->close());
    EXPECT_EQ(test::read_bytes(path),
              "1.000E+01 , 1.495978707000E+11 , 0.000000000000E+00 , 0.000000000000E+00\r\n"
              "-2.500E-07 , -9.806650000000E+00 , 1.000000000000E+300 , 6.022140760000E+23\r\n");
    folder.write("blocker", "a file where a folder should be");
    const auto pipe = folder.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const auto& bad : {folder.path() / "blocker" / "log.txt", folder.path(), std::filesystem::path{}, pipe}) {
        std::vector<UserMessage> received;
        EXPECT_EQ(LogWriter::open(bad, [&](const UserMessage& m) { received.push_back(m); }), nullptr) << bad;
        ASSERT_EQ(received.size(), 1u) << bad;
        const std::string text = "Cannot open the log file " + bad.string() + (bad == pipe ? " (a pipe that" : " (");
        EXPECT_EQ(received[0].text.rfind(text, 0), 0u) << received[0].text;
        EXPECT_EQ(received[0].icon, MessageIcon::error);
    }
}

}  // namespace
}  // namespace orbilan
