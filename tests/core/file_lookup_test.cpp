#include "files/file_lookup.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace orbilan {
namespace {

TEST(FileLookup, ExactNameFirstThenAnyCase)
{
    test::TempFolder folder;
    folder.write("Earth.BMP", "a");
    folder.write("earth.bmp", "b");
    folder.write("moon.JI", "c");
    EXPECT_EQ(find_file(folder.path() / "earth.bmp"), folder.path() / "earth.bmp");
    EXPECT_EQ(find_file(folder.path() / "Earth.BMP"), folder.path() / "Earth.BMP");
    // Two case variants and neither exact: the first in byte order.
    EXPECT_EQ(find_file(folder.path() / "EARTH.bmp"), folder.path() / "Earth.BMP");
    EXPECT_EQ(find_file(folder.path() / "Moon.ji"), folder.path() / "moon.JI");
}

TEST(FileLookup, FindsNothingForFoldersMissingNamesAndEmptyNames)
{
    test::TempFolder folder;
    folder.write("Skins/sun.bmp", "a");
    EXPECT_FALSE(find_file(folder.path() / "Skins").has_value());
    EXPECT_FALSE(find_file(folder.path() / "skins").has_value());
    EXPECT_FALSE(find_file(folder.path() / "Skins" / "mars.bmp").has_value());
    EXPECT_FALSE(find_file(folder.path() / "nowhere" / "sun.bmp").has_value());
    EXPECT_FALSE(find_file("").has_value());
}

TEST(FileLookup, BackslashSeparatesFoldersInRelativeNames)
{
    test::TempFolder folder;
    folder.write("Skins/sun.bmp", "a");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
    EXPECT_EQ(find_file("Skins\\sun.bmp"), std::filesystem::path("Skins/sun.bmp"));
    EXPECT_EQ(find_file("Skins\\SUN.bmp"), std::filesystem::path("Skins/sun.bmp"));
    EXPECT_EQ(find_file("sun.bmp"), std::nullopt);
    std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace orbilan
