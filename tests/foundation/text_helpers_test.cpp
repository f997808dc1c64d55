#include "foundation/Text_Helpers.h"
#include "foundation/platform/Guid.h"

#include <gtest/gtest.h>

#include <cstring>
#include <unordered_set>

TEST(Copy_String_Bounded, FitsTruncatesAndNeverOverruns)
{
    char buffer[8];
    std::memset(buffer, 'q', sizeof buffer);
    EXPECT_EQ(copy_string_bounded(buffer, "abc", sizeof buffer), 3u);
    EXPECT_STREQ(buffer, "abc");

    EXPECT_EQ(copy_string_bounded(buffer, "abcdefghijk", sizeof buffer), 11u);
    EXPECT_STREQ(buffer, "abcdefg");

    EXPECT_EQ(copy_string_bounded(buffer, "abc", 1), 3u);
    EXPECT_EQ(buffer[0], '\0');

    buffer[0] = 'q';
    EXPECT_EQ(copy_string_bounded(buffer, "abc", 0), 3u);
    EXPECT_EQ(buffer[0], 'q');

    EXPECT_EQ(copy_string_bounded(buffer, nullptr, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "");
}

TEST(To_Forward_Slashes, TurnsBackslashesAndCutsAt1024)
{
    EXPECT_EQ(to_forward_slashes("C:\\Users\\me\\file.txt"), "C:/Users/me/file.txt");
    EXPECT_EQ(to_forward_slashes(std::string(1500, 'a')), std::string(1024, 'a'));
    EXPECT_EQ(to_forward_slashes(""), "");
}

TEST(Split_String, AppendsNonEmptyPiecesOnly)
{
    std::vector<std::string> pieces{"kept"};
    split_string("a||b|", "|", pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"kept", "a", "b"}));

    split_string("x::y", "::", pieces);
    EXPECT_EQ(pieces.back(), "y");
    EXPECT_EQ(pieces.size(), 5u);

    split_string("abc", "", pieces);
    split_string("", "|", pieces);
    split_string("|||", "|", pieces);
    EXPECT_EQ(pieces.size(), 5u);
}

TEST(New_Guid_String, ThirtyTwoLowerHexDigitsAndNeverRepeats)
{
    std::unordered_set<std::string> seen;
    for (int i = 0; i < 10000; ++i) {
        const std::string guid = new_guid_string();
        ASSERT_EQ(guid.size(), 32u);
        ASSERT_EQ(guid.find_first_not_of("0123456789abcdef"), std::string::npos) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 10000u);
}
