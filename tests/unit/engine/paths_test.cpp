// Windows paths mapped to Linux folders by drive letter.
#include <gtest/gtest.h>

#include "paths.h"
#include "test_support.h"

namespace qz::engine {
namespace {
namespace fs = std::filesystem;

TEST(DriveMap, MapsByLetterIgnoringCase) {
    DriveMap drives;
    ASSERT_TRUE(drives.AddOption("C=/tmp/c"));
    ASSERT_TRUE(drives.AddOption("e=/srv/e"));
    EXPECT_EQ(drives.Map("C:\\Db\\x.MDF"), fs::path("/tmp/c/Db/x.MDF"));
    EXPECT_EQ(drives.Map("c:\\Db\\x.MDF"), fs::path("/tmp/c/Db/x.MDF"));
    EXPECT_EQ(drives.Map("E:\\QUENTARO.bak"), fs::path("/srv/e/QUENTARO.bak"));
    EXPECT_EQ(drives.Map("C:\\"), fs::path("/tmp/c"));
    EXPECT_EQ(drives.Map("C:"), fs::path("/tmp/c"));
}

TEST(DriveMap, SeparatorsCollapseAndDotsResolve) {
    DriveMap drives;
    drives.Add('d', "/m/d");
    EXPECT_EQ(drives.Map("D:\\\\Data\\\\\\QUENTARO.bak"), fs::path("/m/d/Data/QUENTARO.bak"));
    EXPECT_EQ(drives.Map("D:/Data/x.bak"), fs::path("/m/d/Data/x.bak"));
    EXPECT_EQ(drives.Map("D:\\a\\.\\b\\..\\c"), fs::path("/m/d/a/c"));
    EXPECT_EQ(drives.Map("D:\\..\\..\\etc\\passwd"), fs::path("/m/d/etc/passwd")) << "never above the drive";
    EXPECT_EQ(drives.Map("D:\\Db\\x.MDF. "), fs::path("/m/d/Db/x.MDF")) << "trailing dots and blanks go";
}

TEST(DriveMap, UnmappedOrRelativePathsAreNotFound) {
    DriveMap drives;
    drives.Add('C', "/tmp/c");
    EXPECT_FALSE(drives.Map("F:\\Db\\x.MDF"));
    EXPECT_FALSE(drives.Map("C:Db\\x.MDF"));
    EXPECT_FALSE(drives.Map("\\\\server\\share\\x.bak"));
    EXPECT_FALSE(drives.Map("Db\\x.MDF"));
    EXPECT_FALSE(drives.Map(""));
}

TEST(DriveMap, MalformedOptionsAreRefused) {
    DriveMap drives;
    EXPECT_FALSE(drives.AddOption("C:/tmp"));
    EXPECT_FALSE(drives.AddOption("1=/tmp"));
    EXPECT_FALSE(drives.AddOption("C="));
    EXPECT_FALSE(drives.AddOption("CD=/tmp"));
    EXPECT_TRUE(drives.Empty());
}

TEST(DriveMap, ExistingNamesAreFoundInAnyCase) {
    testing::TempFolder root;
    fs::create_directories(root / "Data");
    testing::WriteFile(root / "Data" / "QUENTARO.bak", {1});
    DriveMap drives;
    drives.Add('D', root.Path());
    EXPECT_EQ(drives.Map("D:\\DATA\\quentaro.BAK"), root / "Data" / "QUENTARO.bak");
    EXPECT_EQ(drives.Map("D:\\data\\new.MDF"), root / "Data" / "new.MDF") << "new names keep their case";
    EXPECT_EQ(drives.Map("D:\\Missing\\x"), root / "Missing" / "x");
}

}  // namespace
}  // namespace qz::engine
