#include "files/program_files.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace orbilan {
namespace {

namespace fs = std::filesystem;

// A home with XDG folders of its own, and a program folder that is writable unless told.
struct Layout {
    test::TempFolder root;
    FileEnvironment env;
    bool program_writable = true;

    Layout()
    {
        env.home = (root.path() / "home").string();
        env.data_from_program = "../share/orbilan";
        env.writable = [this](const fs::path&) { return program_writable; };
    }
    void put_resources(const fs::path& folder) const
    {
        root.write(folder / "def.bmp", "BM");
        fs::create_directories(root.path() / folder / "Projects");
    }
    ProgramFiles locate(const fs::path& program_folder) const
    {
        return locate_program_files(root.path() / program_folder, env);
    }
};

TEST(ProgramFiles, BuildFolderKeepsEverythingBesideThePrograms)
{
    Layout layout;
    layout.put_resources("build/bin");
    layout.put_resources("share/orbilan");  // an installed tree elsewhere changes nothing
    const fs::path bin = layout.root.path() / "build/bin";
    const ProgramFiles files = layout.locate("build/bin");
    EXPECT_EQ(files.resource_folder, bin);
    EXPECT_EQ(files.settings_file, bin / "options.opt");
    EXPECT_EQ(files.data_folder, bin);
}

TEST(ProgramFiles, InstalledTreeReadsShareAndWritesToTheXdgFolders)
{
    Layout layout;
    layout.put_resources("usr/share/orbilan");
    fs::create_directories(layout.root.path() / "usr/bin");
    const fs::path home = layout.env.home;

    ProgramFiles files = layout.locate("usr/bin/");
    EXPECT_EQ(files.resource_folder, layout.root.path() / "usr/share/orbilan");
    EXPECT_EQ(files.settings_file, home / ".config/orbilan/options.opt");
    EXPECT_EQ(files.data_folder, home / ".local/share/orbilan");

    layout.env.xdg_config_home = "/cfg";
    layout.env.xdg_data_home = "/data";
    files = layout.locate("usr/bin/");
    EXPECT_EQ(files.settings_file, fs::path("/cfg/orbilan/options.opt"));
    EXPECT_EQ(files.data_folder, fs::path("/data/orbilan"));

    // Relative values are invalid for the XDG base directories and are ignored.
    layout.env.xdg_config_home = "cfg";
    layout.env.xdg_data_home = "data";
    files = layout.locate("usr/bin/");
    EXPECT_EQ(files.settings_file, home / ".config/orbilan/options.opt");
    EXPECT_EQ(files.data_folder, home / ".local/share/orbilan");
}

TEST(ProgramFiles, ReadOnlyOrBareProgramFolderWritesToTheXdgFolders)
{
    Layout layout;
    layout.put_resources("archive");
    layout.program_writable = false;
    const fs::path home = layout.env.home;
    ProgramFiles files = layout.locate("archive");
    EXPECT_EQ(files.resource_folder, layout.root.path() / "archive") << "an unpacked archive reads its own resources";
    EXPECT_EQ(files.settings_file, home / ".config/orbilan/options.opt");
    EXPECT_EQ(files.data_folder, home / ".local/share/orbilan");

    // A program copied alone into a writable folder finds no resources and writes nothing there.
    layout.program_writable = true;
    fs::create_directories(layout.root.path() / "tools");
    files = layout.locate("tools");
    EXPECT_EQ(files.resource_folder, layout.root.path() / "tools");
    EXPECT_EQ(files.settings_file, home / ".config/orbilan/options.opt");
}

}  // namespace
}  // namespace orbilan
