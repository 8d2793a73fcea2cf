#include "uText.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

QByteArray Gb18030(const QString& Text)
{
    QStringEncoder Encoder("GB18030");
    return Encoder.encode(Text);
}

TEST(TextTest, Utf8IsKeptAndEverythingElseIsReadAsGb18030)
{
    const QString Chinese = QStringLiteral("FirstWord=海海 猫");
    struct Case
    {
        const char* What;
        QByteArray Bytes;
        QString Expected;
    };
    const Case Cases[] = {
        { "empty", QByteArray(), QString() },
        { "ascii", QByteArray("abc\r\n"), QStringLiteral("abc\r\n") },
        { "utf-8", Chinese.toUtf8(), Chinese },
        { "utf-8 with byte order mark", QByteArray("\xEF\xBB\xBF") + Chinese.toUtf8(), Chinese },
        { "gb18030", Gb18030(Chinese), Chinese },
        // A character outside the old two-byte range, which only GB18030 has.
        { "gb18030 four-byte", Gb18030(QStringLiteral("x😀")), QStringLiteral("x😀") },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(DecodeText(C.Bytes), C.Expected) << C.What;
}

TEST(TextTest, Utf8CutOffInsideACharacterIsNotUtf8)
{
    const QByteArray Whole = QStringLiteral("ab海").toUtf8();
    EXPECT_TRUE(IsValidUtf8(Whole));
    EXPECT_FALSE(IsValidUtf8(Whole.left(Whole.size() - 1)));
    EXPECT_FALSE(IsValidUtf8(QByteArray("\xC0\xAF")));
}

} // namespace
