#include "CipherTestUtil.h"
#include "Error.h"
#include "uEncrypt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cctype>
#include <csignal>
#include <functional>

namespace {

QByteArray ToBytes(const std::string& S)
{
    return QByteArray(S.data(), qsizetype(S.size()));
}

QString MessageOf(const std::function<void()>& Action)
{
    try {
        Action();
    } catch (const Error& E) {
        return E.Text();
    }
    return {};
}

TEST(ListFileCipherTest, RoundTripsAnyByteString)
{
    const QByteArray Texts[] = {
        QByteArray(),
        QByteArray("a"),
        QByteArray("12345678"),
        QStringLiteral("<DATAPACKET Version=\"2.0\">苹果 apple</DATAPACKET>\r\n").toUtf8(),
        ToBytes(RandomBytes(1, 1)),
        ToBytes(RandomBytes(4099, 2)),
        QByteArray(64, '\0'),
        QByteArray(65, '\xFF'),
    };
    for (const QByteArray& Text : Texts) {
        const QByteArray Cipher = TFrmEncrypt::EncryptText(Text);
        // Base64 on one line: the list file holds nothing else.
        for (const char C : Cipher)
            ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(C)) || C == '+' || C == '/' || C == '=');
        const qsizetype StreamBytes = (Text.size() / 8 + 1) * 8;
        EXPECT_EQ(Cipher.size(), (StreamBytes + 2) / 3 * 4);
        EXPECT_EQ(TFrmEncrypt::DecryptText(Cipher), Text);
    }
}

TEST(ListFileCipherTest, BrokenCipherTextRaisesTheCipherMessage)
{
    struct Case
    {
        QByteArray Text;
        const char* Message;
    };
    const Case Cases[] = {
        { "", "Invalid file format" },
        { "QUJD", "Invalid file format" },
        { "AAAAAAAAAAA=\r\n", "Invalid Base64 Character" },
        { "AAAAAAAA-AA=", "Invalid Base64 Character" },
        { "AAAAAAAAAAA", "Invalid Base64 Character" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(MessageOf([&] { TFrmEncrypt::DecryptText(C.Text); }), QString::fromUtf8(C.Message)) << C.Message;

    // A final block counting more bytes than a block holds. The list file's transform xors
    // each block with a mask, so flipping cipher bits flips the same plain bits: 7 becomes 8.
    QByteArray Stream = QByteArray::fromBase64(TFrmEncrypt::EncryptText("abcdefg"));
    ASSERT_EQ(Stream.size(), 8);
    Stream[7] = char(Stream[7] ^ (7 ^ 8));
    EXPECT_EQ(MessageOf([&] { TFrmEncrypt::DecryptText(Stream.toBase64()); }), QStringLiteral("Invalid file format"));
    Stream[7] = char(Stream[7] ^ (8 ^ 6));
    EXPECT_EQ(TFrmEncrypt::DecryptText(Stream.toBase64()), QByteArray("abcdef"));
}

TEST(ListFileTest, SavesAndLoadsExactBytesAndReplacesTheFile)
{
    QTemporaryDir Dir;
    const QString Name = Dir.filePath(QStringLiteral("Tumbalo.lox"));
    const QByteArray First = ToBytes(RandomBytes(3000, 5)) + "\r\n\n\r";
    TFrmEncrypt::SaveTextToFile(First, Name);
    EXPECT_EQ(TFrmEncrypt::LoadFileAsText(Name), First);

    TFrmEncrypt::SaveTextToFile("short", Name);
    EXPECT_EQ(TFrmEncrypt::LoadFileAsText(Name), QByteArray("short"));
    TFrmEncrypt::SaveTextToFile(QByteArray(), Name);
    EXPECT_EQ(TFrmEncrypt::LoadFileAsText(Name), QByteArray());
    // Nothing left behind from the replacing.
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("Tumbalo.lox") });
}

TEST(ListFileTest, FailuresNameTheFile)
{
    QTemporaryDir Dir;
    const QString Missing = Dir.filePath(QStringLiteral("missing.lox"));
    EXPECT_TRUE(MessageOf([&] { TFrmEncrypt::LoadFileAsText(Missing); }).contains(Missing));

    const QString InNoFolder = Dir.filePath(QStringLiteral("no-folder/Tumbalo.lox"));
    EXPECT_TRUE(MessageOf([&] { TFrmEncrypt::SaveTextToFile("x", InNoFolder); }).contains(InNoFolder));

    // A folder in the file's place stays as it was.
    const QString Folder = Dir.filePath(QStringLiteral("Tumbalo.lox"));
    ASSERT_TRUE(QDir().mkdir(Folder));
    EXPECT_TRUE(MessageOf([&] { TFrmEncrypt::SaveTextToFile("x", Folder); }).contains(Folder));
    EXPECT_TRUE(QFileInfo(Folder).isDir());
    EXPECT_TRUE(MessageOf([&] { TFrmEncrypt::LoadFileAsText(Folder); }).contains(Folder));
}

TEST(ListFileTest, FailedWriteLeavesTheOldFileWhole)
{
    QTemporaryDir Dir;
    const QString Name = Dir.filePath(QStringLiteral("Tumbalo.lox"));
    const QByteArray Old = TFrmEncrypt::EncryptText("the list as it was");
    TFrmEncrypt::SaveTextToFile(Old, Name);

    // Files of this process may not grow past 64 KiB for a moment: the new text cannot be
    // written in full. The write then fails with EFBIG instead of a signal.
    struct rlimit Saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
    const auto OldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit Small = Saved;
    Small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
    const QString Message = MessageOf([&] { TFrmEncrypt::SaveTextToFile(QByteArray(1024 * 1024, 'x'), Name); });
    setrlimit(RLIMIT_FSIZE, &Saved);
    std::signal(SIGXFSZ, OldHandler);

    EXPECT_TRUE(Message.contains(Name)) << Message.toStdString();
    EXPECT_EQ(TFrmEncrypt::LoadFileAsText(Name), Old);
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("Tumbalo.lox") });
}

} // namespace
