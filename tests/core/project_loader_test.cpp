#include "files/project_loader.h"

#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files/number_format.h"
#include "files/regular_file.h"
#include "temp_folder.h"

namespace orbilan {
namespace {

std::string lines(std::initializer_list<std::string_view> records, std::string_view end = "\r\n")
{
    std::string text;
    for (std::string_view record : records) text.append(record).append(end);
    return text;
}

const std::initializer_list<std::string_view> TWO_BODIES = {
    "Two bodies, example", "Objects, 2", "dt, 1", "G, 1",
    "Object, 1, Star, star.bmp", "Position, 0, 0, 0", "Velocity, 0, 0, 0", "Mass, 100", "Density, 1",
    "Object, 2, Planet,", "Position, 10, 0, 0", "Velocity, 0, 3, 0", "Mass, 1", "Density, 1",
};

class ProjectLoader : public ::testing::Test {
protected:
    LoadResult load(const std::filesystem::path& project)
    {
        return read_project_fields(project, program_folder(), table, state, sink, &impulse_found, &complete_bodies);
    }
    std::filesystem::path program_folder() const { return folder.path() / "program"; }
    std::string default_skin() const { return (program_folder() / "def.bmp").string(); }

    // A loaded project that a refused or unreadable file must leave alone.
    void load_previous_project()
    {
        folder.write("Projects/prev.JI", lines({"Impulses, 1", "Body, 2", "Burn, 5, 10", "Mass, 3", "V, 1, 2, 3"}));
        ASSERT_EQ(load(folder.write("Projects/prev.txt", lines(TWO_BODIES))), LoadResult::loaded);
        received.clear();
    }
    void expect_previous_project_kept() const
    {
        ASSERT_EQ(table.body_count, 2);
        EXPECT_EQ(table.name[1], "Star");
        EXPECT_EQ(table.vy[2], 3);
        EXPECT_EQ(state.dt, 1);
        EXPECT_EQ(state.impulse_count, 1);
        EXPECT_EQ(state.impulse_body, 2);
        EXPECT_EQ(state.impulse_table[1].ejected_mass, 3);
        EXPECT_TRUE(impulse_found);
    }
    void expect_one_message_naming(const std::filesystem::path& path, const std::string& detail = "")
    {
        ASSERT_EQ(received.size(), 1u);
        EXPECT_NE(received[0].text.find(path.string()), std::string::npos) << received[0].text;
        EXPECT_NE(received[0].text.find(detail), std::string::npos) << received[0].text;
        EXPECT_EQ(received[0].icon, MessageIcon::error);
    }

    test::TempFolder folder;
    BodyTable table;
    SimulationState state;
    bool impulse_found = false;
    int complete_bodies = -1;
    std::vector<UserMessage> received;
    MessageSink sink = [this](const UserMessage& message) { received.push_back(message); };
};

TEST_F(ProjectLoader, ReadsTheExampleProject)
{
    folder.write("Projects/star.bmp", "BM");
    ASSERT_EQ(load(folder.write("Projects/two.txt", lines(TWO_BODIES))), LoadResult::loaded);
    EXPECT_TRUE(received.empty());
    ASSERT_EQ(table.body_count, 2);
    ASSERT_EQ(table.name.size(), 3u);
    EXPECT_EQ(state.dt, 1);
    EXPECT_EQ(state.grav_constant, 1);
    EXPECT_EQ(table.name[1], "Star");
    EXPECT_EQ(table.name[2], "Planet");
    EXPECT_EQ(table.texture_file[1], (folder.path() / "Projects/star.bmp").string());
    EXPECT_EQ(table.texture_file[2], default_skin());
    EXPECT_EQ(table.texture_file[0], "");
    EXPECT_EQ(table.mass[1], 100);
    EXPECT_EQ(table.x[2], 10);
    EXPECT_EQ(table.vy[2], 3);
    EXPECT_EQ(table.texture_id[1], 0);
    EXPECT_DOUBLE_EQ(table.radius[1], std::cbrt(300 / (4 * PI)));
    EXPECT_FALSE(impulse_found);
    EXPECT_EQ(state.impulse_next, 1);
}

TEST_F(ProjectLoader, LayoutAndLineEndsDoNotChangeWhatIsRead)
{
    ASSERT_EQ(load(folder.write("crlf.txt", lines(TWO_BODIES))), LoadResult::loaded);
    const BodyTable expected = table;
    const auto expect_same = [&](const char* layout) {
        EXPECT_EQ(table.body_count, expected.body_count) << layout;
        EXPECT_EQ(table.name, expected.name) << layout;
        EXPECT_EQ(table.x, expected.x) << layout;
        EXPECT_EQ(table.vy, expected.vy) << layout;
        EXPECT_EQ(table.mass, expected.mass) << layout;
        EXPECT_EQ(table.density, expected.density) << layout;
    };
    std::string one_line = lines(TWO_BODIES, ",");
    one_line.replace(one_line.find("Planet,,"), 8, "Planet,\"\",");
    ASSERT_EQ(load(folder.write("one.txt", one_line)), LoadResult::loaded);
    expect_same("one line");
    ASSERT_EQ(load(folder.write("lf.txt", lines(TWO_BODIES, "\n"))), LoadResult::loaded);
    expect_same("LF only");
    ASSERT_EQ(load(folder.write("cr.txt", lines(TWO_BODIES, "\r"))), LoadResult::loaded);
    expect_same("CR only");
}

TEST_F(ProjectLoader, CountsRoundHalfToEven)
{
    const std::string bodies = lines({"Object, 1, A,", "P, 1, 2, 3", "V, 0, 0, 0", "Mass, 5", "Density, 2",
                                      "Object, 2, B,", "P, 0, 0, 0", "V, 0, 0, 0", "Mass, 5", "Density, 2",
                                      "Object, 3, C,", "P, 0, 0, 0", "V, 0, 0, 0", "Mass, 5", "Density, 2"});
    ASSERT_EQ(load(folder.write("a.txt", lines({"T, t", "Objects, 2.5", "dt, 1", "G, 1"}) + bodies)),
              LoadResult::loaded);
    EXPECT_EQ(table.body_count, 2);
    EXPECT_TRUE(received.empty());
    // 3.5 asks for a fourth body that the file lacks: it reads as zeros, density fixed to 1.
    ASSERT_EQ(load(folder.write("b.txt", lines({"T, t", "Objects, 3.5", "dt, 1", "G, 1"}) + bodies)),
              LoadResult::loaded);
    ASSERT_EQ(table.body_count, 4);
    EXPECT_EQ(table.name[4], "");
    EXPECT_EQ(table.mass[4], 0);
    EXPECT_EQ(table.density[4], 1);
    EXPECT_EQ(complete_bodies, 3);
    EXPECT_EQ(received.size(), 2u);  // the missing body, and its density
}

TEST_F(ProjectLoader, ZeroDensitiesAreFixedWithOneMessage)
{
    auto records = std::vector<std::string_view>(TWO_BODIES);
    records[8] = "Density, 0";
    std::string text;
    for (auto record : records) text.append(record).append("\r\n");
    ASSERT_EQ(load(folder.write("one.txt", text)), LoadResult::loaded);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].text, "Density cannot be 0 (zero) ; changed to : 1 kg/m3");
    EXPECT_EQ(received[0].caption, "Orbilan");
    EXPECT_EQ(received[0].icon, MessageIcon::error);
    EXPECT_EQ(table.density[1], 1);
    EXPECT_DOUBLE_EQ(table.radius[1], std::cbrt(300 / (4 * PI)));

    received.clear();
    records[13] = "Density, -0.0";
    text.clear();
    for (auto record : records) text.append(record).append("\r\n");
    ASSERT_EQ(load(folder.write("two.txt", text)), LoadResult::loaded);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].text, "Density cannot be 0 (zero) ; changed to : 1 kg/m3\n(2 objects: 1, 2)");
    EXPECT_EQ(table.density[1], 1);
    EXPECT_EQ(table.density[2], 1);
}

// 37 bytes that ask for a million bodies: one message for the count it does not hold, one for
// the densities, never one per body.
TEST_F(ProjectLoader, ACountTheFileDoesNotHoldIsReportedOnce)
{
    const auto path = folder.write("million.txt", "Many, bodies\r\nObjects, 1000000\r\ndt, 1\r\n");
    ASSERT_EQ(load(path), LoadResult::loaded);
    EXPECT_EQ(table.body_count, 1000000);
    EXPECT_EQ(complete_bodies, 0);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_NE(received[0].text.find(path.string()), std::string::npos);
    EXPECT_NE(received[0].text.find("lists 1000000 objects but holds the data of only 0"), std::string::npos)
        << received[0].text;
    EXPECT_EQ(received[1].text,
              "Density cannot be 0 (zero) ; changed to : 1 kg/m3\n(1000000 objects: 1, 2, 3, 4, 5, ...)");
    EXPECT_EQ(table.texture_file[1000000], default_skin());
}

TEST_F(ProjectLoader, TruncatedFileReadsMissingFieldsAsZero)
{
    ASSERT_EQ(load(folder.write("cut.txt", "Title, t\r\nObjects, 2\r\ndt, 60\r\nG, 6.674e-11\r\nObject, 1, Sun,")),
              LoadResult::loaded);
    ASSERT_EQ(table.body_count, 2);
    EXPECT_EQ(state.dt, 60);
    EXPECT_EQ(state.grav_constant, 6.674e-11L);
    EXPECT_EQ(table.name[1], "Sun");
    EXPECT_EQ(table.x[1], 0);
    EXPECT_EQ(table.texture_file[1], default_skin());
    EXPECT_EQ(complete_bodies, 0);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_NE(received[0].text.find("lists 2 objects but holds the data of only 0"), std::string::npos);
    EXPECT_NE(received[1].text.find("(2 objects: 1, 2)"), std::string::npos);  // both densities were missing

    // Ending right after the last number is no truncation.
    received.clear();
    std::string whole = lines(TWO_BODIES);
    whole.resize(whole.size() - 2);
    ASSERT_EQ(load(folder.write("whole.txt", whole)), LoadResult::loaded);
    EXPECT_EQ(complete_bodies, 2);
    EXPECT_TRUE(received.empty());
}

TEST_F(ProjectLoader, UnreadableFileKeepsTheLoadedProject)
{
    load_previous_project();
    const auto missing = folder.path() / "Projects" / "gone.txt";
    EXPECT_EQ(load(missing), LoadResult::unreadable);
    expect_previous_project_kept();
    expect_one_message_naming(missing);
    received.clear();
    EXPECT_EQ(load(folder.path() / "Projects"), LoadResult::unreadable);
    expect_previous_project_kept();
    expect_one_message_naming(folder.path() / "Projects");
}

TEST_F(ProjectLoader, BinaryFilesAreRefusedWhereverTheirNulByteLies)
{
    load_previous_project();
    std::string binary = lines(TWO_BODIES);
    binary[20] = '\0';
    // A PNG has Ctrl-Z, the end of the text, at byte 6, and its NUL bytes after it.
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20);
    for (const auto& [name, bytes] : {std::pair{"image.txt", binary}, std::pair{"picture.png", png},
                                      std::pair{"tail.txt", lines(TWO_BODIES) + "\x1a" + std::string(4, '\0')}}) {
        const auto path = folder.write(std::string("Projects/") + name, bytes);
        EXPECT_EQ(load(path), LoadResult::refused) << name;
        expect_previous_project_kept();
        expect_one_message_naming(path, "is not a text file");
        received.clear();
    }
}

TEST_F(ProjectLoader, OnlyRegularFilesOfSaneSizeAreRead)
{
    load_previous_project();
    const auto pipe = folder.path() / "Projects" / "pipe.txt";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::filesystem::path& path : {pipe, std::filesystem::path("/dev/zero"), std::filesystem::path("/dev/urandom")}) {
        EXPECT_EQ(load(path), LoadResult::unreadable) << path;
        expect_previous_project_kept();
        expect_one_message_naming(path, "is not a regular file");
        received.clear();
    }
    const auto huge = folder.write("Projects/huge.txt", lines(TWO_BODIES));
    std::filesystem::resize_file(huge, MAX_PROJECT_BYTES + 1);
    EXPECT_EQ(load(huge), LoadResult::refused);
    expect_previous_project_kept();
    expect_one_message_naming(huge, "is larger than 1 GiB");
}

// The impulse program is part of the project: a bad one refuses the load and names itself.
TEST_F(ProjectLoader, ImpulseProgramThatIsNotTextRefusesTheProject)
{
    load_previous_project();
    const auto program = folder.write("Projects/burn.JI", std::string("Impulses, 1\r\n\0\0", 15));
    EXPECT_EQ(load(folder.write("Projects/burn.txt", lines(TWO_BODIES))), LoadResult::refused);
    expect_previous_project_kept();
    expect_one_message_naming(program, "is not a text file");
    received.clear();

    folder.write("Projects/burn.JI", lines({"Impulses, 1", "Body, 1"}));
    std::filesystem::resize_file(program, MAX_IMPULSE_PROGRAM_BYTES + 1);
    EXPECT_EQ(load(folder.path() / "Projects/burn.txt"), LoadResult::refused);
    expect_previous_project_kept();
    expect_one_message_naming(program, "is larger than 1 MiB");
}

TEST_F(ProjectLoader, AbsurdCountsAreRefusedOrEmpty)
{
    load_previous_project();
    struct Case {
        const char* count;
        const char* shown;
    };
    for (const Case& c : {Case{"1e30", "1.000E+30"}, Case{"1000001", "1000001"}, Case{"&HFFFFFFFFFF", "1.100E+12"}}) {
        const auto path = folder.write("Projects/huge.txt", lines({"T, t", "Objects, " + std::string(c.count)}));
        EXPECT_EQ(load(path), LoadResult::refused) << c.count;
        expect_previous_project_kept();
        expect_one_message_naming(path, c.shown);
        received.clear();
    }
    for (const char* count : {"-5", "0", "0.4", "NaN", "inf", "-1e30", ""}) {
        load_previous_project();
        const auto path = folder.write("Projects/empty.txt", lines({"T, t", "Objects, " + std::string(count), "dt, 2"}));
        EXPECT_EQ(load(path), LoadResult::loaded) << count;
        EXPECT_EQ(table.body_count, 0) << count;
        EXPECT_EQ(table.x.size(), 1u) << count;
        EXPECT_EQ(state.dt, 2) << count;
        EXPECT_EQ(state.impulse_count, 0) << count;
        EXPECT_FALSE(impulse_found) << count;
        EXPECT_TRUE(received.empty()) << count;
    }
}

TEST_F(ProjectLoader, HostileLongFieldsAreReadWithoutHarm)
{
    const std::string long_name(1 << 20, 'N');
    const std::string long_number(100000, '9');
    const auto path = folder.write("long.txt", "T, t\r\nObjects, 1\r\ndt, " + long_number + "\r\nG, 1\r\nObject, 1, " +
                                                   long_name + ", " + long_name + "\r\nPosition, 1" + long_number +
                                                   ", 2, 3\r\n");
    ASSERT_EQ(load(path), LoadResult::loaded);
    EXPECT_EQ(state.dt, parse_number_text(std::string(255, '9')));
    EXPECT_EQ(table.x[1], parse_number_text("1" + std::string(254, '9')));
    EXPECT_EQ(table.name[1], long_name);
    EXPECT_EQ(table.texture_file[1], default_skin());
    EXPECT_EQ(table.y[1], 2);
    EXPECT_EQ(table.z[1], 3);
}

TEST_F(ProjectLoader, SkinsAreLookedUpBesideTheProjectThenInTheCurrentFolder)
{
    folder.write("Projects/Skins/Earth.bmp", "BM");
    folder.write("Projects/sun.bmp", "BM");
    folder.write("work/sun.bmp", "BM");
    folder.write("work/moon.bmp", "BM");
    const auto absolute = folder.write("elsewhere/mars.bmp", "BM");
    const auto project = folder.write(
        "Projects/skins.txt",
        lines({"T, t", "Objects, 6", "dt, 1", "G, 1", "Object, 1, Earth, Skins\\EARTH.BMP", "P, 0,0,0", "V, 0,0,0",
               "M, 1", "D, 1", "Object, 2, Sun, sun.bmp", "P, 0,0,0", "V, 0,0,0", "M, 1", "D, 1",
               "Object, 3, Moon, moon.bmp", "P, 0,0,0", "V, 0,0,0", "M, 1", "D, 1", "Object, 4, Mars, " +
               absolute.string(), "P, 0,0,0", "V, 0,0,0", "M, 1", "D, 1", "Object, 5, X, nothing.bmp", "P, 0,0,0",
               "V, 0,0,0", "M, 1", "D, 1", "Object, 6, Y, Skins", "P, 0,0,0", "V, 0,0,0", "M, 1", "D, 1"}));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path() / "work");
    const LoadResult result = load(project);
    std::filesystem::current_path(previous);
    ASSERT_EQ(result, LoadResult::loaded);
    EXPECT_EQ(table.texture_file[1], (folder.path() / "Projects/Skins/Earth.bmp").string());
    EXPECT_EQ(table.texture_file[2], (folder.path() / "Projects/sun.bmp").string());
    EXPECT_EQ(table.texture_file[3], "moon.bmp");
    EXPECT_EQ(table.texture_file[4], absolute.string());
    EXPECT_EQ(table.texture_file[5], default_skin());
    EXPECT_EQ(table.texture_file[6], default_skin());  // a folder is not a skin
}

// A thousand skins that are missing or spelled in another case, from a folder of many files:
// the project's folder and the current one are each listed once, not once per body.
TEST_F(ProjectLoader, EachFolderIsListedOnceHoweverManySkinsAreMissing)
{
    for (int k = 0; k < 300; ++k) folder.write("Projects/skin" + std::to_string(k) + ".bmp", "BM");
    const auto project = folder.path() / "Projects" / "many.txt";
    allocate_body_table(table, state, 1000);
    for (int i = 1; i <= 1000; ++i)
        table.texture_file[i] = i % 2 ? "SKIN" + std::to_string(i % 300) + ".BMP" : "missing" + std::to_string(i) + ".bmp";
    FolderListings listings;
    prepare_bodies(table, project, program_folder(), listings);
    EXPECT_EQ(listings.folders_listed(), 2);
    EXPECT_EQ(table.texture_file[1], (folder.path() / "Projects/skin1.bmp").string());
    EXPECT_EQ(table.texture_file[999], (folder.path() / "Projects/skin99.bmp").string());
    EXPECT_EQ(table.texture_file[2], default_skin());
}

TEST_F(ProjectLoader, ImpulseProgramBesideTheProject)
{
    folder.write("Projects/MOON.ji", lines({"Impulses, 2", "Body, 1", "Burn, 10, 20", "Mass, 5", "Exhaust, 1, 2, 3",
                                            "Burn, 40, 1", "Mass, 0.5", "Exhaust, -1, 0, 0"}));
    const auto project = folder.write("Projects/moon.orbit.txt", lines(TWO_BODIES));
    EXPECT_EQ(impulse_program_path(project), folder.path() / "Projects/MOON.ji");
    state.impulse_next = 7;
    ASSERT_EQ(load(project), LoadResult::loaded);
    EXPECT_TRUE(impulse_found);
    EXPECT_EQ(state.impulse_count, 2);
    EXPECT_EQ(state.impulse_body, 1);
    EXPECT_EQ(state.impulse_next, 1);
    EXPECT_EQ(state.impulse_table[1].start_time, 10);
    EXPECT_EQ(state.impulse_table[1].duration, 20);
    EXPECT_EQ(state.impulse_table[1].ejected_mass, 5);
    EXPECT_EQ(state.impulse_table[1].exhaust_vz, 3);
    EXPECT_EQ(state.impulse_table[2].exhaust_vx, -1);
    EXPECT_EQ(state.impulse_table[3].start_time, 0);

    // Loading a project without one clears the program.
    ASSERT_EQ(load(folder.write("Projects/plain.txt", lines(TWO_BODIES))), LoadResult::loaded);
    EXPECT_FALSE(impulse_found);
    EXPECT_EQ(state.impulse_count, 0);
    EXPECT_EQ(state.impulse_body, 0);
    EXPECT_EQ(state.impulse_table[1].duration, 0);
}

TEST_F(ProjectLoader, ImpulseEntriesPastOneHundredAreIgnored)
{
    std::string program = lines({"Impulses, 150", "Body, 2"});
    for (int k = 1; k <= 101; ++k)
        program += lines({"Burn, " + std::to_string(k) + ", 1", "Mass, 1", "Exhaust, 0, 0, 0"});
    folder.write("Projects/many.JI", program);
    ASSERT_EQ(load(folder.write("Projects/many.txt", lines(TWO_BODIES))), LoadResult::loaded);
    EXPECT_EQ(state.impulse_count, MAX_IMPULSE_ENTRIES);
    EXPECT_EQ(state.impulse_table[100].start_time, 100);
    EXPECT_EQ(state.impulse_table[0].start_time, 0);

    folder.write("Projects/neg.JI", lines({"Impulses, -3", "Body, 1"}));
    ASSERT_EQ(load(folder.write("Projects/neg.txt", lines(TWO_BODIES))), LoadResult::loaded);
    EXPECT_TRUE(impulse_found);
    EXPECT_EQ(state.impulse_count, 0);
}

}  // namespace
}  // namespace orbilan
