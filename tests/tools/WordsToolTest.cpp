#include "TestHome.h"
#include "uEncrypt.h"
#include "uWordArchive.h"
#include "uWordData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
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

QByteArray ReadFile(const QString& Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& Path, const QByteArray& Data)
{
    QFile File(Path);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    ASSERT_EQ(File.write(Data), Data.size());
}

// Every file of a folder with its content.
QMap<QString, QByteArray> Files(const QString& Folder)
{
    QMap<QString, QByteArray> Result;
    for (const QString& Name : QDir(Folder).entryList(QDir::Files | QDir::Hidden))
        Result[Name] = ReadFile(Folder + "/" + Name);
    return Result;
}

class WordsToolTest : public ::testing::Test
{
protected:
    // Writes a word archive Name holding Words (in this order); a word ending in "+" gets a
    // picture (the "+" is not part of it).
    void MakeList(const QString& Name, const QStringList& Words)
    {
        TWordData Data(TWordData::CreateWorkDir());
        for (QString Word : Words) {
            const bool Picture = Word.endsWith('+');
            if (Picture)
                Word.chop(1);
            Data.DataSet().Append();
            Data.DataSet().FieldByName("Word").SetAsString(Word);
            Data.DataSet().Post();
            if (Picture) {
                QImage Image(4, 4, QImage::Format_RGB32);
                Image.fill(Qt::red);
                Data.StorePhoto(Image);
            }
        }
        Data.SetModified(true);
        ASSERT_TRUE(Data.SaveToFile(Name));
    }

    // The dump of a list: one line per entry.
    QStringList Dump(const QString& Name)
    {
        const TRun Run = RunTool({ "dump", Name });
        EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
        QStringList Lines = QString::fromUtf8(Run.Out).split('\n');
        Lines.removeLast();
        return Lines;
    }

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

TEST_F(WordsToolTest, AppendTakesTextArchivesAndFoldersAndSavesWithABackup)
{
    const QString List = Home.Path() + "List.tlo";
    MakeList(List, { "x" });
    const QString Backup = Home.Path() + "List.~lo";

    // A text file written on a Chinese system (GB18030), blanks and empty lines kept.
    const QString Text = Home.Path() + "words.txt";
    WriteFile(Text, "\xBA\xA3\xBA\xA3\r\n\r\n  cat  \r\n");
    QByteArray Before = ReadFile(List);
    TRun Run = RunTool({ "append", List, Text });
    EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
    EXPECT_EQ(Run.Out, "3 entries appended\n");
    EXPECT_EQ(ReadFile(Backup), Before);
    EXPECT_EQ(Dump(List),
        (QStringList {
            "2\tx\t\t\t\tno\tno", "3\t海海\t\t\t\tno\tno", "4\t\t\t\t\tno\tno", "5\t  cat  \t\t\t\tno\tno" }));

    // Another word archive, whatever the letter case of its extension: words trimmed, pictures kept.
    const QString Other = Home.Path() + "Other.TLO";
    MakeList(Other, { " dog +", "cow" });
    Before = ReadFile(List);
    Run = RunTool({ "append", List, Other });
    EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
    EXPECT_EQ(ReadFile(Backup), Before);
    EXPECT_EQ(Dump(List).mid(4), (QStringList { "6\tdog\t4278190095\t\t\tyes\tno", "7\tcow\t4278190095\t\t\tno\tno" }));
    EXPECT_TRUE(QDir(TWordData::WorkRoot()).isEmpty()); // the import's folder is gone

    // A folder holding an unpacked list is read and left as it was.
    const QString Folder = Home.Path() + "unpacked";
    TWordArchive::UnpackArchive(Other, Folder);
    const auto FolderBefore = Files(Folder);
    Run = RunTool({ "append", List, Folder });
    EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
    EXPECT_EQ(Dump(List).size(), 8);
    EXPECT_EQ(Files(Folder), FolderBefore);
}

TEST_F(WordsToolTest, ExportWritesTheWordsOrTheWholeListAndLeavesTheListAlone)
{
    const QString List = Home.Path() + "List.tlo";
    MakeList(List, { "  cat  ", "海海+", "dog" });
    const QByteArray Before = ReadFile(List);

    const QString Text = Home.Path() + "out.txt";
    TRun Run = RunTool({ "export", List, Text });
    EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
    EXPECT_EQ(ReadFile(Text), "  cat  \r\n\xE6\xB5\xB7\xE6\xB5\xB7\r\ndog\r\n");

    const QString Copy = Home.Path() + "Copy.TLO";
    Run = RunTool({ "export", List, Copy });
    EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
    EXPECT_EQ(Dump(Copy), Dump(List));

    EXPECT_EQ(ReadFile(List), Before);
    EXPECT_FALSE(QFileInfo::exists(Home.Path() + "List.~lo"));
}

TEST_F(WordsToolTest, DedupeRemovesDuplicatesLogsThemAndSavesOnlyWhenItDid)
{
    const QString List = Home.Path() + "List.tlo";
    MakeList(List, { "cat", "dog", "cat", "cat+" });
    const QByteArray Before = ReadFile(List);

    TRun Run = RunTool({ "dedupe", List });
    EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
    EXPECT_EQ(Run.Out, "2 duplicate entries deleted\n");
    EXPECT_EQ(ReadFile(Home.Path() + "Log.log"), "Delete record: 2;\tcat;\r\nDelete record: 4;\tcat;\r\n");
    EXPECT_EQ(ReadFile(Home.Path() + "List.~lo"), Before);
    EXPECT_EQ(Dump(List), (QStringList { "3\tdog\t\t\t\tno\tno", "5\tcat\t\t\t\tyes\tno" }));

    // Nothing left to remove: nothing logged, nothing written.
    const QByteArray After = ReadFile(List);
    QFile::remove(Home.Path() + "List.~lo");
    Run = RunTool({ "dedupe", List });
    EXPECT_EQ(Run.Status, 0) << Run.Err.toStdString();
    EXPECT_EQ(Run.Out, "0 duplicate entries deleted\n");
    EXPECT_EQ(ReadFile(Home.Path() + "Log.log").count("\r\n"), 2);
    EXPECT_EQ(ReadFile(List), After);
    EXPECT_FALSE(QFileInfo::exists(Home.Path() + "List.~lo"));
}

TEST_F(WordsToolTest, BadInputGivesAClearErrorAndANonZeroStatus)
{
    MakeList(Home.Path() + "List.tlo", { "cat" });
    const QByteArray List = ReadFile(Home.Path() + "List.tlo");
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
        { { "append", Home.Path() + "List.tlo" }, {}, 2, "usage" },
        { { "append", Home.Path() + "missing.tlo", Home.Path() + "List.tlo" }, {}, 1, "No such word list" },
        { { "append", Home.Path() + "List.tlo", Home.Path() + "missing.txt" }, {}, 1, "No such file or folder" },
        { { "append", Home.Path() + "List.tlo", NotAList }, {}, 1, "Fail to unzip" },
        { { "export", Home.Path() + "List.tlo", " " }, {}, 1, "No name to export to" },
        { { "export", Home.Path() + "List.tlo", Home.Path() + "no/such/folder.txt" }, {}, 1, "Cannot write the file" },
        { { "dedupe", NotAList }, {}, 1, "Fail to unzip" },
    };
    for (const Case& C : Cases) {
        const TRun Run = RunTool(C.Args, C.Input);
        EXPECT_EQ(Run.Status, C.Status) << C.Args.join(' ').toStdString();
        EXPECT_TRUE(Run.Err.contains(C.Error)) << Run.Err.toStdString();
    }
    // A failed append or export leaves the list as it was.
    EXPECT_EQ(ReadFile(Home.Path() + "List.tlo"), List);
    EXPECT_FALSE(QFileInfo::exists(Home.Path() + "List.~lo"));
}

} // namespace
