#include "files/project_writer.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "files/project_loader.h"
#include "temp_folder.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

struct ProjectWriter : ::testing::Test {
    // Writes the table over an older file and reads it back into `read`.
    void write_and_read(const std::string& title = "t")
    {
        const auto path = folder.write("Projects/saved.txt", "an older project");
        ASSERT_TRUE(write_project(path, table, state, title, sink));
        ASSERT_EQ(read_project_fields(path, folder.path(), read, read_state, {}), LoadResult::loaded);
    }

    test::TempFolder folder;
    BodyTable table, read;
    SimulationState state, read_state;
    std::vector<UserMessage> received;
    MessageSink sink = [this](const UserMessage& message) { received.push_back(message); };
};

// Every 80-bit value, infinities and the extremes included, and every name the reader can produce
// read back as they were: a leading quote or space comes from a bare field (a TAB before it in the
// source) and is written so again.
TEST_F(ProjectWriter, ReadingBackGivesTheSameBitsAndNames)
{
    const extended values[] = {0.0L,
                               -0.0L,
                               1.0L / 3,
                               0.1L,
                               std::nextafter(1.0L, 2.0L),
                               std::numeric_limits<extended>::denorm_min(),
                               -LDBL_MIN,
                               LDBL_MAX,
                               -6.02214076e4000L,
                               -29780.123456789012345L,
                               std::numeric_limits<extended>::infinity(),
                               5.9722e24L};
    const char* names[] = {"Sun",      "Alpha, Centauri\r\nB",
                           "Sa\"turn", "  leading spaces",
                           "",         "tab\there",
                           "\"Quoted", " \"space then quote",
                           "\"",       "end\""};
    test::make_bodies(table, state, {{}, {}, {}, {}, {}, {}, {}, {}, {}, {}});
    for (int i = 1, next = 0; i <= 10; ++i) {
        for (auto* column : {&table.x, &table.y, &table.z, &table.vx, &table.vy, &table.vz})
            (*column)[i] = values[next++ % 12];
        table.name[i] = names[i - 1];
        table.mass[i] = values[i] * values[i] + 1;
        table.density[i] = std::nextafter(static_cast<extended>(i), 0.0L);
        table.radius[i] = sphere_radius(table.mass[i], table.density[i]);
        table.texture_file[i] = (folder.path() / (i == 1 ? "Projects/sun.bmp" : "def.bmp")).string();
    }
    folder.write("Projects/sun.bmp", "BM");
    state.dt = 1.0L / 3;
    state.grav_constant = 6.67430e-11L;
    write_and_read("A \"saved\", project");
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(test::same_bits(read_state.dt, state.dt));
    EXPECT_TRUE(test::same_bits(read_state.grav_constant, state.grav_constant));
    EXPECT_TRUE(test::same_bodies(read, table));
}

// A double quote together with a comma, a line end or a TAB has no spelling in the field format;
// NaN has none either. The file is still written, and one message names the bodies concerned.
TEST_F(ProjectWriter, WhatCannotBeSpelledOrWrittenIsSaid)
{
    allocate_body_table(table, state, 8);
    for (int i = 2; i <= 8; ++i) table.name[i] = "Alpha \"A\", " + std::to_string(i);
    table.texture_file[3] = "odd\",\tname.bmp";
    table.vz[4] = std::numeric_limits<extended>::quiet_NaN();
    write_and_read();
    ASSERT_EQ(received.size(), 3u);
    EXPECT_NE(received[0].text.find("Names that"), std::string::npos) << received[0].text;
    EXPECT_NE(received[0].text.find("(7 objects: 2, 3, 4, 5, 6, ...)"), std::string::npos) << received[0].text;
    EXPECT_NE(received[1].text.find("(object 3)"), std::string::npos) << received[1].text;
    EXPECT_NE(received[2].text.find("(NaN) read back as 0 (object 4)"), std::string::npos) << received[2].text;
    EXPECT_EQ(read.name[2], "Alpha A, 2") << "the closest spelling: without its quotes";
    EXPECT_EQ(read.vz[4], 0);
    // A failed write leaves the old file as it was, no temporary behind, and names the file.
    std::filesystem::create_directories(folder.path() / "taken.txt" / "inside");
    EXPECT_FALSE(write_project(folder.path() / "taken.txt", table, state, "t", sink));
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "taken.txt" / "inside"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "taken.txt.part"));
    EXPECT_NE(received.back().text.find((folder.path() / "taken.txt").string()), std::string::npos);
}

}  // namespace
}  // namespace orbilan
