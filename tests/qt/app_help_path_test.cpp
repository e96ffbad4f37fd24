#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/help_path.h"
#include "tests/support/test_paths.h"

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

TEST(HelpPath, TheInstalledManualIsFoundFromTheBinDirectory)
{
    EXPECT_EQ(InstalledManualPath("/usr/bin"), "/usr/share/doc/kestrel/manual.html");
    EXPECT_EQ(InstalledManualPath("/opt/k/bin/"), "/opt/k/share/doc/kestrel/manual.html");
    EXPECT_EQ(InstalledManualPath(""), "");
}

TEST(HelpPath, TheHelpFileComesFirstThenTheManual)
{
    const std::string dir = kestrel::test::MakeTempDir("kestrel-help");
    const std::string chm = dir + "/Kestrel.CHM";
    const std::string manual = dir + "/manual.html";
    EXPECT_EQ(ChooseHelpFile(chm, manual), chm);  // neither: the help file all the same
    EXPECT_EQ(ChooseHelpFile("", manual), "");
    std::ofstream(manual) << "<html></html>";
    EXPECT_EQ(ChooseHelpFile(chm, manual), manual);
    EXPECT_EQ(ChooseHelpFile("", manual), manual);  // a refused help path
    std::ofstream(chm) << "ITSF";
    EXPECT_EQ(ChooseHelpFile(chm, manual), chm);
    std::filesystem::remove_all(dir);
}

}  // namespace
