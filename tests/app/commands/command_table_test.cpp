#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/commands/command_table.h"

namespace {

// The framework's edit and pane commands are reached by keys only and have
// no text; every other command has "prompt\ntooltip", both parts written.
TEST(CommandTable, EveryCommandHasATextAndAUniqueId)
{
    std::set<UINT> ids;
    for (const CommandRow& row : CommandTable()) {
        EXPECT_TRUE(ids.insert(row.id).second) << row.id;
        EXPECT_EQ(FindCommand(row.id), &row);
        if (!row.promptAndTip) {
            EXPECT_GE(row.id, ID_FILE_NEW) << row.id;
            EXPECT_FALSE(row.keys[0].empty()) << row.id;
            continue;
        }
        const std::string text = row.promptAndTip;
        const std::size_t newline = text.find('\n');
        ASSERT_NE(newline, std::string::npos) << text;
        EXPECT_GT(newline, 0u) << text;
        EXPECT_LT(newline + 1, text.size()) << text;
        EXPECT_EQ(text.find('\n', newline + 1), std::string::npos) << text;
    }
    EXPECT_EQ(CommandPromptAndTip(ID_FILE_SAVE), nullptr);
    EXPECT_EQ(FindCommand(0), nullptr);
}

TEST(CommandTable, EveryKeyRunsOneCommand)
{
    for (const CommandRow& row : CommandTable()) {
        for (std::string_view key : row.keys) {
            if (!key.empty()) {
                EXPECT_EQ(CommandOfKey(key), row.id) << key;
            }
        }
    }
    // Space is the frame's own (play or stop), not a command's.
    for (const char* key : {"", "Space", "Ctrl+S"}) EXPECT_EQ(CommandOfKey(key), 0u) << key;
}

}  // namespace
