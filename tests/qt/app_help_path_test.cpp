#include <gtest/gtest.h>

#include <string>

#include "app/help_path.h"

namespace {

TEST(HelpPath, OrdinaryDirectoryGetsOneSeparator)
{
    EXPECT_EQ(BuildHelpPath("/home/ann/shots"), "/home/ann/shots/Kestrel.CHM");
}

TEST(HelpPath, RootAndTrailingSeparatorAreNotDoubled)
{
    EXPECT_EQ(BuildHelpPath("/"), "/Kestrel.CHM");
    EXPECT_EQ(BuildHelpPath("/srv/"), "/srv/Kestrel.CHM");
}

TEST(HelpPath, EmptyDirectoryIsRefused) { EXPECT_EQ(BuildHelpPath(""), ""); }

TEST(HelpPath, LongestDirectoryThatFitsIsKept)
{
    // 247 characters + "/" + "Kestrel.CHM" (11) = 259, one below the 260 of
    // the buffer, which keeps the terminator.
    const std::string directory = "/" + std::string(246, 'd');
    const std::string path = BuildHelpPath(directory);
    ASSERT_EQ(path.size(), 259u);
    EXPECT_EQ(path, directory + "/Kestrel.CHM");
}

TEST(HelpPath, PathsThatDoNotFitAreRefusedNotTruncated)
{
    EXPECT_EQ(BuildHelpPath("/" + std::string(247, 'd')), "");  // path of 260
    EXPECT_EQ(BuildHelpPath("/" + std::string(254, 'd')), "");  // 255, within the read limit
    EXPECT_EQ(BuildHelpPath("/" + std::string(300, 'd')), "");  // beyond the read limit
}

TEST(HelpPath, CurrentDirectoryIsTheBase)
{
    const std::string path = HelpPathFromCurrentDirectory();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(path.substr(path.size() - 12), "/Kestrel.CHM");
}

}  // namespace
