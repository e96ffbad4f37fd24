// The command table's keys on the main window: each key text is a key Qt
// knows, written as Qt writes it, and ends up on its command's action.
#include "app/accelerators.h"
#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

TEST(CommandKeys, EveryKeyTextIsOneKnownKey)
{
    for (const CommandRow& row : CommandTable()) {
        for (std::string_view key : row.keys) {
            if (key.empty()) continue;
            const QKeySequence sequence = KeyOfText(key);
            EXPECT_EQ(sequence.count(), 1) << key;
            EXPECT_EQ(sequence.toString(QKeySequence::PortableText).toStdString(), key);
        }
    }
}

TEST_F(AppTest, EveryKeyIsAShortcutOfItsCommand)
{
    Start();
    for (const CommandRow& row : CommandTable()) {
        const QList<QKeySequence> keys = CommandKeys(row);
        if (keys.isEmpty()) continue;
        QAction* action = Action(row.id);
        ASSERT_NE(action, nullptr) << row.id;
        EXPECT_EQ(action->shortcuts(), keys) << row.id;
    }
}

}  // namespace
}  // namespace app_test
