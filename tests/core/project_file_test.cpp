// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/project_loader.h"

#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/project_writer.h"
#include "files/regular_file.h"
#include "temp_folder.h"
#include "test_bodies.h"

namespace orbilan {
namespace {

std::string lines(std::initializer_list<std::string_view> records, std::string_view end = "\r\n")
{
    std::string text;
    for (std::string_view record : records) text.append(record).append(end);
    return text;
}

const std::initializer_list<std::string_view> TWO_BODIES = {
    "Two bodies, example", "Objects, 2",        "dt, 1",     "G, 1",       "Object, 1, Star, star.bmp",
    "Position, 0, 0, 0",   "Velocity, 0, 0, 0", "Mass, 100", "Density, 1", "Object, 2, Planet,",
    "Position, 10, 0, 0",  "Velocity, 0, 3, 0", "Mass, 1",   "Density, 1",
};

class ProjectFile : public ::testing::Test {
protected:
    LoadResult load(const std::filesystem::path& project)
    {
        received.clear();
        const ProjectLoad load = read_project_fields(project, program_folder(), table, state, sink);
        impulse_found = load.impulse_program_found;
        complete_bodies = load.complete_bodies;
        pace = load.pace;
        return load.result;
    }
    std::filesystem::path program_folder() const { return folder.path() / "program"; }
    std::string default_skin() const { return (program_folder() / "def.bmp").string(); }
    std::filesystem::path two_bodies(const std::string& name, std::string_view end = "\r\n")
    {
        return folder.write(name, lines(TWO_BODIES, end));
    }
    // Writes the table over an older file and reads it back into `read`.
    void write_and_read(const std::string& title = "t")
    {
        const auto path = folder.write("Projects/saved.txt", "an older project");
        ASSERT_TRUE(write_project(path, table, state, title, sink));
        ASSERT_EQ(read_project_fields(path, program_folder(), read, read_state, {}).result, LoadResult::loaded);
    }

    test::TempFolder folder;
    BodyTable table, read;
    SimulationState state, read_state;
    bool impulse_found = false;
    int complete_bodies = -1;
    double pace = -1;
    std::vector<UserMessage> received;
    MessageSink sink = [this](const UserMessage& message) { received.push_back(message); };
};

// Counts round half to even; bodies the file does not hold read as zeros with density 1, said
// once each, however many bodies share the problem.
TEST_F(ProjectFile, MissingDataIsZeroAndSaidOnce)
{
    const std::string three = lines({"Object, 1, A,", "P, 1, 2, 3", "V, 0, 0, 0", "Mass, 5", "Density, 0",
                                     "Object, 2, B,", "P, 0, 0, 0", "V, 0, 0, 0", "Mass, 5", "Density, -0.0",
                                     "Object, 3, C,", "P, 0, 0, 0", "V, 0, 0, 0", "Mass, 5", "Density, 2"});
    const std::string density = "Density cannot be 0 (zero) ; changed to : 1 kg/m3";
    const std::tuple<std::string, int, int, std::vector<std::string>> cases[] = {
        {lines({"T, t", "Objects, 2.5", "dt, 1", "G, 1"}) + three, 2, 2, {density + "\n(2 objects: 1, 2)"}},
        {"T, t\r\nObjects, 1\r\ndt, 60\r\nG, 1\r\nObject, 1, Sun, x.bmp\r\nP, 5, 0, 0\r\nV, 1, 2, 3\r\nDensity",
         1,
         0,
         {"lists 1 objects but holds the data of only 0", density}},
        {"Nothing, here\r\nObjects, NaN\r\n", 0, 0, {}},
        // A line that lost its CR in a CR LF file runs into the next: the message says where.
        {[] {
             std::string text = lines(TWO_BODIES);
             return text.replace(text.find("Mass, 100\r\n") + 9, 2, "\n");
         }(),
         2,
         1,
         {"holds the data of only 1; the missing values read as 0. Its line ends are mixed: line 8 ends in LF alone",
          density}},
        {lines({"T, t", "Objects, 3.5", "dt, 1", "G, 1"}) + three,
         4,
         3,
         {"lists 4 objects but holds the data of only 3", density + "\n(3 objects: 1, 2, 4)"}},
    };
    for (const auto& [text, bodies, complete, messages] : cases) {
        ASSERT_EQ(load(folder.write("count.txt", text)), LoadResult::loaded) << text;
        EXPECT_EQ(table.body_count, bodies);
        EXPECT_EQ(complete_bodies, complete);
        EXPECT_EQ(table.density[bodies], bodies ? 1 : 0);
        EXPECT_EQ(table.texture_file[bodies], bodies ? default_skin() : "");
        ASSERT_EQ(received.size(), messages.size()) << text;
        for (std::size_t k = 0; k < received.size(); ++k)
            EXPECT_NE(received[k].text.find(messages[k]), std::string::npos) << received[k].text;
        EXPECT_EQ(received.empty() ? "Orbilan" : received.back().caption, "Orbilan");
    }
    EXPECT_EQ(table.mass[4], 0) << "bodies past the end read as zeros";
}

// A file that cannot be read or held leaves the loaded project exactly as it was and is named in
// a message of one line with the reason: not a regular file (never waiting on a pipe or reading a
// device), not text (a NUL byte, wherever it lies), too large (refused from its size alone), an
// impulse program of that kind or one that exists in any form but cannot be read, a count beyond
// what can be loaded.
TEST_F(ProjectFile, FilesThatAreNotLoadedKeepTheProject)
{
    folder.write("Projects/prev.JI", lines({"Impulses, 1", "Body, 2", "Burn, 5, 10", "Mass, 3", "V, 1, 2, 3"}));
    ASSERT_EQ(load(two_bodies("Projects/prev.txt")), LoadResult::loaded);
    const BodyTable loaded = table;
    const auto pipe = folder.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string nul = lines(TWO_BODIES);
    nul[20] = '\0';
    const auto huge = two_bodies("huge.txt");
    std::filesystem::resize_file(huge, std::uint64_t{1} << 32);
    std::filesystem::create_symlink("/dev/zero", folder.path() / "zero.txt");
    const auto binary_program = folder.write("burn.JI", std::string("Impulses, 1\r\n\0\0", 15));
    const auto huge_program = folder.write("big.JI", "Impulses, 1");
    std::filesystem::resize_file(huge_program, MAX_IMPULSE_PROGRAM_BYTES + 1);
    const auto count = [&](const std::string& n) { return folder.write(n + ".txt", lines({"T, t", "Objects, " + n})); };
    const auto fifo_program = folder.path() / "fifo.JI";
    ASSERT_EQ(::mkfifo(fifo_program.c_str(), 0600), 0);
    std::filesystem::create_directory(folder.path() / "Folder.ji");
    std::filesystem::create_symlink("/dev/zero", folder.path() / "zero.JI");
    std::filesystem::create_symlink("gone.JI", folder.path() / "dangling.JI");
    const std::tuple<std::filesystem::path, LoadResult, std::filesystem::path, std::string> cases[] = {
        {folder.path() / "gone.txt", LoadResult::unreadable, "", "cannot be opened"},
        {pipe, LoadResult::unreadable, "", "is not a regular file"},
        {folder.path() / "zero.txt", LoadResult::unreadable, "", "is not a regular file"},
        {folder.path() / "Projects", LoadResult::unreadable, "", "is not a regular file"},
        {folder.write("nul.txt", nul), LoadResult::refused, "", "is not a text file"},
        // A PNG has Ctrl-Z, the end of a text, at byte 6, and its NUL bytes after it.
        {folder.write("p.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\r", 12)), LoadResult::refused, "", "is not a"},
        {huge, LoadResult::refused, "", "is larger than 1 GiB"},
        {count("1000001"), LoadResult::refused, "", "lists 1000001 objects; at most 1000000 can be loaded."},
        {count("&HFFFFFFFFFF"), LoadResult::refused, "", "lists 1.100E+12 objects"},
        {two_bodies("burn.txt"), LoadResult::refused, binary_program, "is not a text file"},
        {two_bodies("big.txt"), LoadResult::refused, huge_program, "is larger than 1 MiB"},
        {two_bodies("fifo.txt"), LoadResult::refused, fifo_program, "is not a regular file"},
        {two_bodies("folder.txt"), LoadResult::refused, folder.path() / "Folder.ji", "is not a regular file"},
        {two_bodies("zero.txt.txt"), LoadResult::refused, folder.path() / "zero.JI", "is not a regular file"},
        {two_bodies("dangling.txt"), LoadResult::refused, folder.path() / "dangling.JI", "cannot be opened (No such"},
    };
    for (const auto& [path, result, named, problem] : cases) {
        EXPECT_EQ(load(path), result) << path;
        EXPECT_TRUE(test::same_bodies(table, loaded)) << path;
        EXPECT_EQ(state.impulse_table[1].ejected_mass, 3) << path;
        ASSERT_EQ(received.size(), 1u) << path;
        EXPECT_NE(received[0].text.find((named.empty() ? path : named).string() + " " + problem), std::string::npos)
            << received[0].text;
        EXPECT_EQ(received[0].text.find('\n'), std::string::npos) << received[0].text;
        EXPECT_EQ(received[0].icon, MessageIcon::error);
    }
}

// A relative skin is looked up beside the project, then in the current folder, in any letter case
// (of two case variants the first in byte order), listing each folder it looks in once.
TEST_F(ProjectFile, SkinsAreLookedUpBesideTheProjectThenInTheCurrentFolder)
{
    for (const char* skin : {"Projects/Skins/Earth.bmp", "Projects/sun.bmp", "work/sun.bmp", "work/moon.bmp",
                             "work/mars.BMP", "work/MARS.bmp"})
        folder.write(skin, "BM");
    const auto absolute = folder.write("elsewhere/mars.bmp", "BM");
    const char* skins[] = {"Skins\\EARTH.BMP", "sun.bmp", "moon.bmp", absolute.c_str(), "no.bmp", "Skins", "Mars.bmp"};
    allocate_body_table(table, state, 7);
    for (int i = 1; i <= 7; ++i) table.texture_file[i] = skins[i - 1];
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path() / "work");
    FolderListings listings;
    prepare_bodies(table, folder.path() / "Projects" / "skins.txt", program_folder(), listings);
    std::filesystem::current_path(previous);
    const std::string expected[] = {(folder.path() / "Projects/Skins/Earth.bmp").string(),
                                    (folder.path() / "Projects/sun.bmp").string(),
                                    "moon.bmp",
                                    absolute.string(),
                                    default_skin(),
                                    default_skin(),
                                    "MARS.bmp"};
    for (int i = 1; i <= 7; ++i) EXPECT_EQ(table.texture_file[i], expected[i - 1]) << skins[i - 1];
    EXPECT_EQ(listings.folders_listed(), 3) << "Projects, Projects/Skins and the current folder";
}

// The example project with the impulse program beside it: moon.orbit.txt has MOON.ji, of which at
// most 100 entries are read. Loading a project without one (here with LF line ends) clears it.
TEST_F(ProjectFile, ReadsTheExampleProjectAndItsImpulseProgram)
{
    std::string program = lines({"Impulses, 150", "Body, 1", "Burn, 10, 20", "Mass, 5", "Exhaust, 1, 2, 3"});
    for (int k = 2; k <= 101; ++k) program += lines({"Burn, " + std::to_string(k) + ", 1", "Mass, 1", "E, -1, 0, 0"});
    folder.write("Projects/MOON.ji", program);
    folder.write("Projects/star.bmp", "BM");
    const auto project = two_bodies("Projects/moon.orbit.txt");
    state.impulse_next = 7;
    ASSERT_EQ(load(project), LoadResult::loaded);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(std::tuple(table.name[2], table.mass[1], table.vy[2], complete_bodies), std::tuple("Planet", 100, 3, 2));
    EXPECT_EQ(table.texture_file[1], (folder.path() / "Projects/star.bmp").string());
    EXPECT_DOUBLE_EQ(table.radius[1], std::cbrt(300 / (4 * PI)));
    EXPECT_TRUE(impulse_found);
    EXPECT_EQ(std::tuple(state.impulse_count, state.impulse_body, state.impulse_next), std::tuple(100, 1, 1));
    const ImpulseEntry& first = state.impulse_table[1];
    EXPECT_EQ(std::tuple(first.start_time, first.duration, first.ejected_mass, first.exhaust_vz),
              std::tuple(10, 20, 5, 3));
    EXPECT_EQ(state.impulse_table[100].start_time, 100);

    ASSERT_EQ(load(two_bodies("Projects/plain.txt", "\n")), LoadResult::loaded);
    EXPECT_FALSE(impulse_found);
    EXPECT_EQ(std::tuple(state.impulse_count, state.impulse_body, state.impulse_table[1].start_time),
              std::tuple(0, 0, 0));
    folder.write("Projects/neg.JI", lines({"Impulses, -3", "Body, 1"}));
    ASSERT_EQ(load(two_bodies("Projects/neg.txt")), LoadResult::loaded);
    EXPECT_TRUE(impulse_found);
    EXPECT_EQ(state.impulse_count, 0);
}

// A trailing Pace line is read after other trailing lines too; a pace that is no positive finite number, one
// inside an incomplete body, or none at all, runs as fast as possible.
TEST_F(ProjectFile, PaceLineAfterTheBodies)
{
    const std::string bodies = lines(TWO_BODIES);
    const std::pair<std::string, double> cases[] = {
        {bodies + "Pace, 86400\r\n", 86400},
        {bodies + "Method, \"other\", 1e-9\r\nPace, 2.5\r\n", 2.5},
        {bodies + "Pace, -4\r\n", 0},
        {bodies + "Pace, inf\r\n", 0},
        {bodies + "Pace, 1e400\r\n", 0},
        {bodies, 0},
        {lines({"T, t", "Objects, 3", "dt, 1", "G, 1", "Object, 1, A,", "Pace, 60"}), 0},
    };
    for (const auto& [text, pace] : cases) {
        ASSERT_EQ(load(folder.write("paced.txt", text)), LoadResult::loaded) << text;
        EXPECT_EQ(this->pace, pace) << text;
    }
}

// Every 80-bit value, infinities and the extremes included, and every name the reader can produce
// read back as they were: a leading quote or space comes from a bare field (a TAB before it in the
// source) and is written so again.
TEST_F(ProjectFile, ReadingBackGivesTheSameBitsAndNames)
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
        table.texture_file[i] = i == 1 ? (folder.path() / "Projects/sun.bmp").string() : default_skin();
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

// A Method line after the bodies chooses the adaptive method; anything else after them, or a
// Method line where bodies are missing, leaves the first-order step. What a run of the method
// wrote reads back bit for bit.
TEST_F(ProjectFile, AMethodLineAfterTheBodiesChoosesTheMethod)
{
    ASSERT_EQ(load(folder.write("method.txt", lines(TWO_BODIES) + "Method, \"gauss-radau\", 1e-11\r\n")),
              LoadResult::loaded);
    EXPECT_EQ(state.integrator, Integrator::gauss_radau);
    EXPECT_EQ(state.tolerance, 1e-11L);
    EXPECT_FALSE(state.radau_carry.fits(2));
    ASSERT_EQ(load(folder.write("other.txt", lines(TWO_BODIES) + "Method, \"leapfrog\", 1e-11\r\n")),
              LoadResult::loaded);
    EXPECT_EQ(state.integrator, Integrator::euler);
    ASSERT_EQ(load(folder.write("short.txt", lines({"Short", "Objects, 2", "dt, 1", "G, 1", "Object, 1, A,",
                                                    "Method, \"gauss-radau\", 0"}))),
              LoadResult::loaded);
    EXPECT_EQ(state.integrator, Integrator::euler);

    test::make_bodies(table, state, {{.x = 1}, {.x = 2}});
    state.integrator = Integrator::gauss_radau;
    state.radau_carry.step = 1.0L / 3;
    state.radau_carry.predicted = true;
    for (std::size_t k = 0; k < GaussRadauCarry::size_for(2); ++k)
        state.radau_carry.values.push_back(std::ldexp(1.0L / 7, static_cast<int>(k) - 90));
    write_and_read();
    EXPECT_EQ(read_state.integrator, Integrator::gauss_radau);
    EXPECT_TRUE(test::same_bits(read_state.radau_carry.step, state.radau_carry.step));
    EXPECT_TRUE(read_state.radau_carry.predicted);
    EXPECT_FALSE(read_state.radau_carry.accepted_any);
    ASSERT_TRUE(read_state.radau_carry.fits(2));
    for (std::size_t k = 0; k < GaussRadauCarry::size_for(2); ++k)
        EXPECT_TRUE(test::same_bits(read_state.radau_carry.values[k], state.radau_carry.values[k])) << k;
}

// A double quote together with a comma, a line end or a TAB has no spelling in the field format;
// NaN has none either. The file is still written, and one message names the bodies concerned.
TEST_F(ProjectFile, WhatCannotBeSpelledOrWrittenIsSaid)
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
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_FALSE(entry.path().string().ends_with(".part")) << entry.path();
    EXPECT_NE(received.back().text.find((folder.path() / "taken.txt").string() + " is not a regular file."),
              std::string::npos)
        << received.back().text;
}

}  // namespace
}  // namespace orbilan
