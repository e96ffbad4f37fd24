// The bounded buffers of a connection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote/remote_lines.h"

namespace {

TEST(RemoteLineBuffer, SplitsLinesAcrossPiecesAndRefusesOverlongOnes)
{
    struct Case {
        std::vector<std::string> pieces;
        std::vector<std::string> lines;
        bool ok;
    };
    const Case cases[] = {
        {{"a\nb\n"}, {"a", "b"}, true},
        {{"ab", "c\n", "\n"}, {"abc", ""}, true},
        {{"12345678\n"}, {"12345678"}, true},          // exactly the limit
        {{"1234", "56789\n"}, {}, false},              // one over, in two pieces
        {{"123456789"}, {}, false},                    // over before its end comes
        {{"ok\n", "123456789\n"}, {"ok"}, false},
    };
    for (const Case& c : cases) {
        RemoteLineBuffer buffer(8);
        std::vector<std::string> lines;
        bool ok = true;
        for (const std::string& piece : c.pieces) ok = ok && buffer.Append(piece, lines);
        EXPECT_EQ(ok, c.ok) << c.pieces.front();
        EXPECT_EQ(lines, c.lines) << c.pieces.front();
    }
}

TEST(RemoteSendQueue, HoldsAtMostItsLimitAndHandsBytesOutInOrder)
{
    RemoteSendQueue queue(10);
    EXPECT_TRUE(queue.Push("hello"));
    EXPECT_TRUE(queue.Push("world"));
    EXPECT_FALSE(queue.Push("!"));
    EXPECT_EQ(queue.Front(), "helloworld");
    queue.Consume(7);
    EXPECT_EQ(queue.Front(), "rld");
    EXPECT_TRUE(queue.Push("1234567"));
    EXPECT_EQ(queue.Front(), "rld1234567");
    queue.Consume(100);
    EXPECT_TRUE(queue.Empty());
}

}  // namespace
