#include "TestHome.h"
#include "uEncrypt.h"
#include "uWordData.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct TRun
{
    int Status;
    QByteArray Out;
    QByteArray Err;
};

// Runs the word list tool with Args and Input on standard input.
TRun RunTool(const QStringList& Args, const QByteArray& Input = {})
{
    QProcess Tool;
    Tool.start(QStringLiteral(TUMBALO_WORDS_TOOL), Args);
    EXPECT_TRUE(Tool.waitForStarted());
    Tool.write(Input);
    Tool.closeWriteChannel();
    EXPECT_TRUE(Tool.waitForFinished(30000));
    return { Tool.exitStatus() == QProcess::NormalExit ? Tool.exitCode() : -1, Tool.readAllStandardOutput(),
        Tool.readAllStandardError() };
}

class WordsToolTest : public ::testing::Test
{
protected:
    TestHome Home;
};

TEST_F(WordsToolTest, DumpPrintsOneLinePerEntryInTableOrder)
{
    const QString Name = Home.Path() + "Words.tlo";
    {
        TWordData Data(TWordData::CreateWorkDir());
        TDataTable& Table = Data.DataSet();
        const auto Add = [&](const QString& Word, const QVariant& Color, const QString& Category) {
            Table.Append();
            Table.FieldByName("Word").SetAsString(Word);
            Table.FieldByName("BackColor").SetValue(Color);
            Table.FieldByName("Category").SetAsString(Category);
            Table.Post();
        };
        Add("cat", 255, "animal");
        QImage Picture(4, 4, QImage::Format_RGB32);
        Picture.fill(Qt::gray);
        Data.StorePhoto(Picture);
        Data.MarkWordRead();
        Add("海海", {}, "");
        QFile Clip(Home.Path() + "clip.wav");
        ASSERT_TRUE(Clip.open(QIODevice::WriteOnly));
        Clip.write("RIFF....WAVE");
        Clip.close();
        Data.StoreAudio(Clip.fileName());
        Add("a\tb", QVariant(qint64(0xFF00000F)), "x");
        ASSERT_TRUE(Data.SaveToFile(Name));
    }
    const TRun Run = RunTool({ "dump", Name });
    EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
    EXPECT_EQ(QString::fromUtf8(Run.Out),
        "2\tcat\t255\tanimal\tAbleToReadWord\tyes\tno\n"
        "3\t海海\t\t\t\tno\tyes\n"
        "4\ta\\tb\t4278190095\tx\t\tno\tno\n");
}

TEST_F(WordsToolTest, NewMakesAnEmptyListAndNeverOverwrites)
{
    const QString Name = Home.Path() + "New.tlo";
    EXPECT_EQ(RunTool({ "new", Name }).Status, 0);
    ASSERT_TRUE(QFileInfo(Name).isFile());
    const TRun Dump = RunTool({ "dump", Name });
    EXPECT_EQ(Dump.Status, 0);
    EXPECT_TRUE(Dump.Out.isEmpty());

    const TRun Again = RunTool({ "new", Name });
    EXPECT_EQ(Again.Status, 1);
    EXPECT_TRUE(Again.Err.contains("exists already"));
}

TEST_F(WordsToolTest, EncryptAndDecryptAreEachOthersReverse)
{
    const QByteArray Plain = "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"/>\r\n海海";
    const TRun Encrypted = RunTool({ "encrypt" }, Plain);
    ASSERT_EQ(Encrypted.Status, 0);
    EXPECT_EQ(Encrypted.Out, TFrmEncrypt::EncryptText(Plain));
    const TRun Decrypted = RunTool({ "decrypt" }, Encrypted.Out + "\n");
    ASSERT_EQ(Decrypted.Status, 0);
    EXPECT_EQ(Decrypted.Out, Plain);
}

TEST_F(WordsToolTest, BadInputGivesAClearErrorAndANonZeroStatus)
{
    const QString NotAList = Home.Path() + "text.tlo";
    QFile File(NotAList);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write("just text");
    File.close();

    struct Case
    {
        QStringList Args;
        QByteArray Input;
        int Status;
        const char* Error;
    };
    const Case Cases[] = {
        { {}, {}, 2, "usage" },
        { { "frobnicate" }, {}, 2, "usage" },
        { { "dump" }, {}, 2, "usage" },
        { { "dump", Home.Path() + "missing.tlo" }, {}, 1, "No such word list" },
        { { "dump", NotAList }, {}, 1, "Fail to unzip" },
        { { "decrypt" }, "not base64!", 1, "Invalid Base64 Character" },
    };
    for (const Case& C : Cases) {
        const TRun Run = RunTool(C.Args, C.Input);
        EXPECT_EQ(Run.Status, C.Status) << C.Args.join(' ').toStdString();
        EXPECT_TRUE(Run.Err.contains(C.Error)) << Run.Err.toStdString();
    }
}

} // namespace
