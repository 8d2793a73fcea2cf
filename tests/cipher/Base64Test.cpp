#include "CipherError.h"
#include "CipherTestUtil.h"
#include "uBase64.h"

#include <gtest/gtest.h>

namespace {

TEST(Base64Test, EncodesAndDecodesKnownValues)
{
    struct Case
    {
        std::string Bytes;
        const char* Text;
    };
    const Case Cases[] = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" },
        { "foobar", "Zm9vYmFy" },
        { std::string("\x00\xFF", 2), "AP8=" },
        { std::string("\xFB\xEF\xBE", 3), "++++" },
        { std::string("\xFF\xFF\xFF", 3), "////" },
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(Base64Encode(C.Bytes), C.Text);
        EXPECT_EQ(Base64Decode(C.Text), C.Bytes) << C.Text;
    }
}

TEST(Base64Test, RoundTripsEveryLengthUpToAFewGroups)
{
    for (std::size_t Length = 0; Length < 100; ++Length) {
        const std::string Bytes = RandomBytes(Length, unsigned(Length));
        const std::string Text = Base64Encode(Bytes);
        ASSERT_EQ(Text.size(), Base64EncodedLength(Length));
        EXPECT_EQ(Base64Decode(Text), Bytes) << Length;
    }
}

TEST(Base64Test, RejectsAnythingButWholeWellFormedGroups)
{
    const std::string Rejected[] = {
        "Zg=", // not a multiple of four
        "Zm9vY",
        "A",
        "Zm9v\r\n", // line break
        "Zm9v\nZm9v",
        "Zm 9", // blank
        "Zm-v", // between "+" and "z" but not in the alphabet
        "Zm?v",
        "Zm9{", // above "z"
        "Zm9\x80",
        std::string("Zm9\0", 4),
        "Z===", // padding too early
        "====",
        "Zg=v", // padding not at the end of the group
        "Zg==Zm9v", // padding before the last group
        "=Zm9",
    };
    for (const std::string& Text : Rejected) {
        try {
            Base64Decode(Text);
            ADD_FAILURE() << "accepted " << ToHex(Text);
        } catch (const ECipherException& E) {
            EXPECT_STREQ(E.what(), "Invalid Base64 Character") << ToHex(Text);
        }
    }
}

} // namespace
