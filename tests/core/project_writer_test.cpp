#include "files/project_writer.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "files/number_format.h"
#include "files/project_loader.h"
#include "temp_folder.h"

namespace orbilan {
namespace {

// The 80 bits of the value (the rest of a long double's storage is padding).
bool same_bits(extended a, extended b) { return std::memcmp(&a, &b, 10) == 0; }

::testing::AssertionResult bits_equal(extended written, extended read)
{
    if (same_bits(written, read)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "wrote " << round_trip_text(written) << ", read "
                                         << round_trip_text(read);
}

class ProjectWriter : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::vector<extended> values = {
            0.0L, -0.0L, 1.0L / 3, -2.0L / 3, 0.1L, std::nextafter(1.0L, 2.0L),
            std::numeric_limits<extended>::denorm_min(), -LDBL_MIN, LDBL_MIN * 0.75L, LDBL_MAX,
            -LDBL_MAX, 1e-4000L, -6.02214076e4000L, 1.495978707e11L, -29780.123456789012345L,
            static_cast<extended>(PI), 3.14159265358979323846264338327950288L, 5.9722e24L};
        const int count = 7;
        allocate_body_table(table, state, count);
        std::size_t next = 0;
        const auto value = [&] { return values[next++ % values.size()]; };
        for (int i = 1; i <= count; ++i) {
            table.x[i] = value();
            table.y[i] = value();
            table.z[i] = value();
            table.vx[i] = value();
            table.vy[i] = value();
            table.vz[i] = value();
            table.mass[i] = std::fabs(value()) + 1;
            table.density[i] = std::nextafter(static_cast<extended>(i), 0.0L);
        }
        table.name = {"", "Sun", "Alpha, Centauri\r\nB", "Sa\"turn", "  leading spaces", "", "tab\there", "7"};
        state.dt = 1.0L / 3;
        state.grav_constant = 6.67430e-11L;
    }

    test::TempFolder folder;
    BodyTable table;
    SimulationState state;
    std::vector<UserMessage> received;
    MessageSink sink = [this](const UserMessage& message) { received.push_back(message); };
};

TEST_F(ProjectWriter, ReadingBackGivesTheSameBits)
{
    folder.write("Projects/sun.bmp", "BM");
    table.texture_file[1] = "sun.bmp";
    const auto path = folder.path() / "Projects" / "saved.txt";
    ASSERT_TRUE(write_project(path, table, state, "A \"saved\", project", sink));

    BodyTable read;
    SimulationState read_state;
    ASSERT_EQ(read_project_fields(path, folder.path(), read, read_state, sink), LoadResult::loaded);
    EXPECT_TRUE(received.empty());
    ASSERT_EQ(read.body_count, table.body_count);
    EXPECT_TRUE(bits_equal(state.dt, read_state.dt));
    EXPECT_TRUE(bits_equal(state.grav_constant, read_state.grav_constant));
    for (int i = 1; i <= table.body_count; ++i) {
        SCOPED_TRACE("body " + std::to_string(i));
        EXPECT_EQ(read.name[i], table.name[i]);
        for (auto column : {&BodyTable::x, &BodyTable::y, &BodyTable::z, &BodyTable::vx, &BodyTable::vy,
                            &BodyTable::vz, &BodyTable::mass, &BodyTable::density})
            EXPECT_TRUE(bits_equal((table.*column)[i], (read.*column)[i]));
    }
    EXPECT_EQ(read.texture_file[1], (folder.path() / "Projects" / "sun.bmp").string());
    EXPECT_EQ(read.texture_file[2], (folder.path() / "def.bmp").string());
}

// Every name the reader can produce reads back as it was: a leading quote or space comes from a
// bare field (a TAB before it in the source), and is written so again.
TEST_F(ProjectWriter, NamesWithQuotesReadBackAsTheyWere)
{
    allocate_body_table(table, state, 5);
    table.name = {"", "\"Quoted start", " \"space then quote", "in\"side", "\"", "end\""};
    table.x[1] = std::numeric_limits<extended>::infinity();
    table.y[1] = -std::numeric_limits<extended>::infinity();
    const auto path = folder.path() / "quotes.txt";
    ASSERT_TRUE(write_project(path, table, state, "q", sink));
    EXPECT_TRUE(received.empty());
    BodyTable read;
    SimulationState read_state;
    ASSERT_EQ(read_project_fields(path, folder.path(), read, read_state, {}), LoadResult::loaded);
    EXPECT_EQ(read.name, table.name);
    EXPECT_EQ(read.x[1], table.x[1]);
    EXPECT_EQ(read.y[1], table.y[1]);
}

// A double quote together with a comma, a line end or a TAB has no spelling in the field format;
// NaN has none either. The file is still written, and one message names the bodies concerned.
TEST_F(ProjectWriter, WhatCannotBeSpelledIsNamedOnceWithItsBodies)
{
    allocate_body_table(table, state, 8);
    for (int i = 2; i <= 8; ++i) table.name[i] = "Alpha \"A\", " + std::to_string(i);
    table.texture_file[3] = "odd\",\tname.bmp";
    table.vz[4] = std::numeric_limits<extended>::quiet_NaN();
    const auto path = folder.path() / "lossy.txt";
    ASSERT_TRUE(write_project(path, table, state, "l", sink));
    ASSERT_EQ(received.size(), 3u);
    EXPECT_NE(received[0].text.find("Names that"), std::string::npos) << received[0].text;
    EXPECT_NE(received[0].text.find("(7 objects: 2, 3, 4, 5, 6, ...)"), std::string::npos) << received[0].text;
    EXPECT_NE(received[1].text.find("(object 3)"), std::string::npos) << received[1].text;
    EXPECT_NE(received[2].text.find("(NaN)"), std::string::npos) << received[2].text;
    EXPECT_NE(received[2].text.find("(object 4)"), std::string::npos) << received[2].text;

    BodyTable read;
    SimulationState read_state;
    ASSERT_EQ(read_project_fields(path, folder.path(), read, read_state, {}), LoadResult::loaded);
    ASSERT_EQ(read.body_count, 8);
    EXPECT_EQ(read.name[2], "Alpha A, 2");  // the closest spelling: without its quotes
    EXPECT_EQ(read.vz[4], 0);
}

TEST_F(ProjectWriter, WritesTheReadableLayout)
{
    allocate_body_table(table, state, 1);
    table.name[1] = "Star";
    table.texture_file[1] = "star.bmp";
    table.mass[1] = 100;
    table.density[1] = 1;
    state.dt = 1;
    state.grav_constant = 1;
    const auto path = folder.path() / "one.txt";
    ASSERT_TRUE(write_project(path, table, state, "One", sink));
    const std::string one = "1.00000000000000000000E+00";
    const std::string zeros = "0.00000000000000000000E+00, 0.00000000000000000000E+00, 0.00000000000000000000E+00";
    EXPECT_EQ(test::read_bytes(path),
              "\"One\", \"ORBILAN project\"\r\nObjects, 1\r\ndt, " + one + "\r\nG, " + one +
                  "\r\nObject, 1, \"Star\", \"star.bmp\"\r\nPosition, " + zeros + "\r\nVelocity, " + zeros +
                  "\r\nMass, 1.00000000000000000000E+02\r\nDensity, " + one + "\r\n");
}

TEST_F(ProjectWriter, FailureKeepsTheOldFileAndIsReported)
{
    const auto blocked = folder.path() / "no-folder" / "x.txt";
    EXPECT_FALSE(write_project(blocked, table, state, "t", sink));
    ASSERT_EQ(received.size(), 1u);
    EXPECT_NE(received[0].text.find(blocked.string()), std::string::npos);

    // A folder in the way of the rename: the old content stays and no temporary is left behind.
    std::filesystem::create_directories(folder.path() / "taken.txt" / "inside");
    EXPECT_FALSE(write_project(folder.path() / "taken.txt", table, state, "t", sink));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "taken.txt" / "inside"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "taken.txt.part"));
    EXPECT_EQ(received.size(), 2u);
}

}  // namespace
}  // namespace orbilan
