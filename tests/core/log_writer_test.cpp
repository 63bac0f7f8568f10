#include "files/log_writer.h"

#include <sys/stat.h>

#include <vector>

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace orbilan {
namespace {

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
