#include "engines/libburn/PseudoDriveConfig.h"
#include "engines/libburn/ModelText.h"

#include <gtest/gtest.h>

namespace {

using Addresses = std::vector<std::string>;

// Tests that the variable takes paths with and without the stdio: prefix,
// drops relative and empty entries and duplicates, and keeps the order.
TEST(PseudoDriveConfigTest, VariableListsAbsolutePathsInOrder)
{
    EXPECT_EQ(PseudoDriveConfig::parseVariable("/a.iso:stdio:/b.iso::relative.iso:/a.iso:stdio:/c d.iso"),
              (Addresses{"stdio:/a.iso", "stdio:/b.iso", "stdio:/c d.iso"}));
    EXPECT_EQ(PseudoDriveConfig::parseVariable(""), Addresses{});
    EXPECT_EQ(PseudoDriveConfig::parseVariable("stdio"), Addresses{});
}

// Tests that the file takes one path per line, with comments, blanks around
// entries and CR line ends ignored.
TEST(PseudoDriveConfigTest, FileListsOnePathPerLine)
{
    EXPECT_EQ(PseudoDriveConfig::parseFile("# drives\n  /a.iso  \r\nstdio:/b.iso # second\n\nrelative\n/a.iso\n"),
              (Addresses{"stdio:/a.iso", "stdio:/b.iso"}));
}

// Tests that the volume label sits among the paths without becoming one: the
// last setting counts, comments end it, and ISO 9660's 32 characters are kept.
TEST(PseudoDriveConfigTest, VolumeLabelIsASettingOfItsOwn)
{
    const std::string text = "/a.iso\nvolume-label FIRST\n  volume-label  Photo Disc 2026 # the label\r\n";
    EXPECT_EQ(PseudoDriveConfig::parseVolumeLabel(text), "Photo Disc 2026");
    EXPECT_EQ(PseudoDriveConfig::parseFile(text), (Addresses{"stdio:/a.iso"}));
    EXPECT_EQ(PseudoDriveConfig::parseVolumeLabel("volume-label " + std::string(40, 'L')), std::string(32, 'L'));
    EXPECT_EQ(PseudoDriveConfig::parseVolumeLabel("volume-label\nvolume-labelX\n/volume-label Y\n"), "");
}

// Tests that libburn's blank-padded fields make one tidy model text.
TEST(ModelTextTest, JoinsTrimmedVendorAndProduct)
{
    EXPECT_EQ(ModelText::of("YOYODYNE", "WARP DRIVE      "), "YOYODYNE WARP DRIVE");
    EXPECT_EQ(ModelText::of("  ", "DRIVE"), "DRIVE");
    EXPECT_EQ(ModelText::of(nullptr, nullptr), "");
}

} // namespace
