// The run-health options of the command line: --hud, and --json with --list.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

using Action = CommandLineResult::Action;

CommandLineResult Parse(std::initializer_list<const char*> words)
{
    QStringList list;
    for (const char* word : words) list << QString::fromUtf8(word);
    return ParseCommandLine(list);
}

TEST(HealthOptions, AreReadAndJsonNeedsList)
{
    EXPECT_TRUE(Parse({"--hud", "dir"}).info.m_bHud);
    EXPECT_FALSE(Parse({"dir"}).info.m_bHud);
    const CommandLineResult json = Parse({"--list", "--json", "dir"});
    ASSERT_EQ(json.action, Action::Run);
    EXPECT_TRUE(json.info.m_bList && json.info.m_bJson);
    EXPECT_EQ(Parse({"--json", "dir"}).action, Action::UsageError);
    EXPECT_TRUE(CommandLineUsage().contains(QStringLiteral("--list [--json] PATH")));
    EXPECT_TRUE(CommandLineHelp().contains(QStringLiteral("--hud")));
}

}  // namespace
