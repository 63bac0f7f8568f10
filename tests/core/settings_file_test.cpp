#include "files/settings_file.h"

#include <sys/stat.h>

#include <vector>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace orbilan {
namespace {

TEST(SettingsFile, WritesTheQuotedLabelAndTheNumber)
{
    test::TempFolder folder;
    const auto path = folder.path() / "options.opt";
    save_settings(path, 2);
    EXPECT_EQ(test::read_bytes(path), "\"THEME ID\",2\r\n");
    EXPECT_EQ(load_settings(path), 2);
    save_settings(path, -17);
    EXPECT_EQ(test::read_bytes(path), "\"THEME ID\",-17\r\n");
    EXPECT_EQ(load_settings(path), -17);
    save_settings(path, 0);  // a shorter record leaves nothing of the longer one behind
    EXPECT_EQ(test::read_bytes(path), "\"THEME ID\",0\r\n");
}

TEST(SettingsFile, ToleratedContent)
{
    test::TempFolder folder;
    struct Case {
        const char* content;
        int theme_id;
    };
    const Case cases[] = {
        {"THEME ID,3\r\n", 3},    // label wording and quoting do not matter
        {"2\r\n", 0},             // the lone number is taken as the label
        {"\"THEME ID\",2.5", 2},  // halves go to even
        {"\"THEME ID\",3.5", 4},
        {"\"THEME ID\",1\n", 1},  // LF-only file
        {"", 0},
        {"\"THEME ID\",", 0},
        {"\"THEME ID\",1e30", 2147483647},
        {"\"THEME ID\",nan", 0},
    };
    for (const Case& c : cases) {
        const auto path = folder.write("options.opt", c.content);
        EXPECT_EQ(load_settings(path), c.theme_id) << "content: " << c.content;
    }
}

TEST(SettingsFile, MissingOrUnwritableFile)
{
    test::TempFolder folder;
    EXPECT_EQ(load_settings(folder.path() / "none.opt"), 0);
    EXPECT_EQ(load_settings(folder.path()), 0);
    // The first save under a fresh configuration folder makes the folder.
    const auto fresh = folder.path() / "config" / "orbilan" / "options.opt";
    save_settings(fresh, 3);
    EXPECT_EQ(load_settings(fresh), 3);
    // A folder that cannot be made (a file stands in its way) quietly loses the choice.
    const auto blocker = folder.write("config-file", "x");
    save_settings(blocker / "orbilan" / "options.opt", 3);
    EXPECT_EQ(test::read_bytes(blocker), "x");

    // A named pipe in its place neither blocks start-up nor the theme button, and is named.
    const auto pipe = folder.path() / "options.opt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::vector<UserMessage> received;
    EXPECT_EQ(load_settings(pipe, [&](const UserMessage& m) { received.push_back(m); }), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].text, "Settings file " + pipe.string() + "\nis not a regular file. The theme starts at 0.");
    save_settings(pipe, 2);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
}

}  // namespace
}  // namespace orbilan
