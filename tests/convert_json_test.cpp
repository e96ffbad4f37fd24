// kestrel-convert --info writes lastError into a JSON string: any bytes must
// give valid JSON.
#include <gtest/gtest.h>

#include "tools/json_text.h"

TEST(ConvertInfo, JsonTextEscapesQuotesControlsAndBytesAbove127)
{
    EXPECT_EQ(JsonEscaped("Corrupted TIFF file!"), "Corrupted TIFF file!");
    EXPECT_EQ(JsonEscaped("a\"b\\c\n\x01"), "a\\\"b\\\\c\\u000a\\u0001");
    EXPECT_EQ(JsonEscaped("\xE9t\xC3\xA9\x7F"), "\\u00e9t\\u00c3\\u00a9\\u007f");
}
