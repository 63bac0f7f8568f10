#include "files/log_writer.h"

#include <sys/stat.h>

#include <vector>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace orbilan {
namespace {

struct RecordedMessages {
    std::vector<UserMessage> received;
    MessageSink sink() { return [this](const UserMessage& message) { received.push_back(message); }; }
};

TEST(LogWriter, LinesAreFourMaskedFieldsEndingInCrLf)
{
    test::TempFolder folder;
    const auto path = default_log_path(folder.path());
    RecordedMessages messages;
    {
        auto log = LogWriter::open(path, messages.sink());  // creates the missing Logs folder
        ASSERT_NE(log, nullptr);
        log->write_line(10, 1.495978707e11L, 0, -0.0L);
        log->write_line(-2.5e-7L, -9.80665L, 1e300L, 6.02214076e23L);
    }
    EXPECT_EQ(test::read_bytes(path),
              "1.000E+01 , 1.495978707000E+11 , 0.000000000000E+00 , 0.000000000000E+00\r\n"
              "-2.500E-07 , -9.806650000000E+00 , 1.000000000000E+300 , 6.022140760000E+23\r\n");
    EXPECT_TRUE(messages.received.empty());
}

TEST(LogWriter, EachOpenStartsAnEmptyFile)
{
    test::TempFolder folder;
    const auto path = folder.write("run.txt", "old line of an earlier run\r\n");
    LogWriter::open(path, {})->write_line(1, 2, 3, 4);
    EXPECT_EQ(test::read_bytes(path),
              "1.000E+00 , 2.000000000000E+00 , 3.000000000000E+00 , 4.000000000000E+00\r\n");
    LogWriter::open(path, {});
    EXPECT_EQ(test::read_bytes(path), "");
}

TEST(LogWriter, FileThatCannotBeOpenedIsReported)
{
    test::TempFolder folder;
    folder.write("blocker", "a file where a folder should be");
    for (const auto& path : {folder.path() / "blocker" / "log.txt", folder.path(), std::filesystem::path{}}) {
        RecordedMessages messages;
        EXPECT_EQ(LogWriter::open(path, messages.sink()), nullptr) << path;
        ASSERT_EQ(messages.received.size(), 1u) << path;
        EXPECT_NE(messages.received[0].text.find(path.string()), std::string::npos);
        EXPECT_EQ(messages.received[0].caption, "ORBILAN");
        EXPECT_EQ(messages.received[0].icon, MessageIcon::error);
    }
}

// Failed writes are not lost in a buffer: the writer says so, naming the file and the reason.
TEST(LogWriter, FailedWritesAreReported)
{
    auto full = LogWriter::open("/dev/full", {});
    ASSERT_NE(full, nullptr);
    bool written = true;
    for (int line = 0; line < 1000 && written; ++line) written = full->write_line(line, 1, 2, 3);
    EXPECT_FALSE(written) << "a full disk goes unnoticed";
    EXPECT_FALSE(full->close());
    EXPECT_EQ(full->failure(), "Cannot write the log file /dev/full (No space left on device)");

    // Only the final flush finds it: a short run still hears of it.
    auto short_run = LogWriter::open("/dev/full", {});
    EXPECT_TRUE(short_run->write_line(1, 2, 3, 4));
    EXPECT_FALSE(short_run->close());
    EXPECT_NE(short_run->failure(), "");

    // A named pipe that nothing reads would block START for ever.
    test::TempFolder folder;
    const auto pipe = folder.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    RecordedMessages messages;
    EXPECT_EQ(LogWriter::open(pipe, messages.sink()), nullptr);
    ASSERT_EQ(messages.received.size(), 1u);
    EXPECT_EQ(messages.received[0].text, "Cannot open the log file " + pipe.string() + " (a pipe that nothing reads)");
}

TEST(LogWriter, PanelTexts)
{
    EXPECT_EQ(default_log_path("/opt/orbilan"), std::filesystem::path("/opt/orbilan/Logs/noname.tXT"));
    EXPECT_EQ(log_body_item_text(1, "Sun"), "1  ( Sun )");
    EXPECT_EQ(log_body_item_text(12, ""), "12  (  )");
    EXPECT_EQ(LOG_MODE_ITEMS[0], "1 : ACCELERATION");
    EXPECT_EQ(LOG_MODE_ITEMS[1], "2 : POSITION");
}

}  // namespace
}  // namespace orbilan
