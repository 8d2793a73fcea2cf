#include "uWordData.h"

#include "ArchiveFixtures.h"
#include "Error.h"
#include "FakeClipboard.h"
#include "TestHome.h"
#include "uLogHandler.h"
#include "uWordArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

using namespace fixtures;

// Texts in failure messages as text, not as arrays of code units.
static void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}

namespace {

const QByteArray WaveBytes = QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16) + QByteArray(500, '\x22');

// A program folder of its own with the program-wide log on its "Log.log", a collection on a
// fresh working folder, and a clipboard in memory.
class WordDataImportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto Log = std::make_unique<TLogHandler>();
        Log->SetFileName(LogName());
        FOldLog = ReplaceLogHandler(std::move(Log));
        Data = MakeCollection();
    }
    void TearDown() override
    {
        Data.reset();
        ReplaceLogHandler(std::move(FOldLog));
    }

    std::unique_ptr<TWordData> MakeCollection()
    {
        bool Created = false;
        const QString Dir = TWordData::CreateWorkDir(&Created);
        EXPECT_TRUE(Created);
        return std::make_unique<TWordData>(Dir, TWordDataServices { nullptr, nullptr, &Board });
    }

    QString LogName() const { return Home.Path() + "Log.log"; }

    // Appends and posts an entry; Media holds 'P' for a picture, 'A' for a clip. Gives its RowID.
    qint32 Add(TWordData& Target, const QString& Word, const QVariant& Category = {}, const char* Media = "",
        const QVariant& Color = {}, const QString& Status = {})
    {
        TDataTable& Table = Target.DataSet();
        Table.Append();
        Table.FieldByName("Word").SetValue(Word);
        Table.FieldByName("Category").SetValue(Category);
        Table.FieldByName("BackColor").SetValue(Color);
        if (!Status.isEmpty())
            Table.FieldByName("Status").SetValue(Status);
        Table.Post();
        const qint32 RowID = Target.CurrentRowID();
        if (QByteArray(Media).contains('P')) {
            QImage Picture(4, 4, QImage::Format_RGB32);
            Picture.fill(QColor::fromRgb(static_cast<QRgb>(qHash(Word) & 0xFFFFFF)));
            Target.StorePhoto(Picture);
        }
        if (QByteArray(Media).contains('A')) {
            const QString Clip = Home.Path() + "clip.wav";
            WriteFile(Clip, WaveBytes + QByteArray::number(RowID));
            Target.StoreAudio(Clip);
        }
        return RowID;
    }
    qint32 Add(const QString& Word, const QVariant& Category = {}, const char* Media = "")
    {
        return Add(*Data, Word, Category, Media);
    }

    // Each entry as "RowID Word|Category|Status|BackColor|media" in table order; null shows as "~".
    static QStringList Entries(TWordData& Source)
    {
        QStringList Result;
        TDataTable& Table = Source.DataSet();
        const auto Text = [&](int Row, const char* Field) {
            const QVariant V = Table.Value(Row, Table.FieldIndex(Field));
            return V.isValid() ? V.toString() : QStringLiteral("~");
        };
        for (int Row = 0; Row < Table.RecordCount(); ++Row) {
            const qint32 RowID = Table.Value(Row, Table.FieldIndex("RowID")).toInt();
            const QVariant Color = Table.Value(Row, Table.FieldIndex("BackColor"));
            Result << QStringLiteral("%1 %2|%3|%4|%5|%6%7")
                          .arg(RowID)
                          .arg(Text(Row, "Word"), Text(Row, "Category"), Text(Row, "Status"),
                              Color.isValid() ? QString::number(static_cast<quint32>(Color.toInt()), 16)
                                              : QStringLiteral("~"),
                              Source.HasPhotoOf(RowID) ? "P" : "", Source.HasAudioOf(RowID) ? "A" : "");
        }
        return Result;
    }

    static QStringList Words(TWordData& Source)
    {
        QStringList Result;
        TDataTable& Table = Source.DataSet();
        for (int Row = 0; Row < Table.RecordCount(); ++Row)
            Result << Table.Value(Row, Table.FieldIndex("Word")).toString();
        return Result;
    }

    // Writes Source as a word archive Name.
    static void SaveList(TWordData& Source, const QString& Name)
    {
        Source.SetModified(true);
        ASSERT_TRUE(Source.SaveToFile(Name));
    }

    // The names of the files a word archive holds.
    QStringList ArchiveFiles(const QString& Name)
    {
        const QString Folder = Home.Path() + "look/";
        TWordData::DeleteDirectory(Folder);
        TWordArchive::UnpackArchive(Name, Folder);
        QStringList Files = QDir(Folder).entryList(QDir::Files, QDir::Name);
        TWordData::DeleteDirectory(Folder);
        return Files;
    }

    QStringList LogLines() const
    {
        const QByteArray Log = ReadFile(LogName());
        if (Log == "<missing>")
            return {};
        QStringList Lines = QString::fromUtf8(Log).split("\r\n");
        EXPECT_EQ(Lines.takeLast(), "");
        return Lines;
    }

    TestHome Home;
    FakeClipboard Board;
    std::unique_ptr<TWordData> Data;

private:
    std::unique_ptr<TLogHandler> FOldLog;
};

// ---------------------------------------------------------------------------------------
// Text files and pasted lines

TEST_F(WordDataImportTest, TextFileGivesOneEntryPerLineExactlyAsRead)
{
    struct Case
    {
        const char* Name;
        QByteArray Bytes;
        QStringList Words;
    };
    const QString Fifty = QString(50, 'a');
    const QString FiftyChinese = QString(50, QChar(0x6D77));
    const Case Cases[] = {
        { "CR LF with a final break", "cat\r\n\r\ndog\r\n", { "cat", "", "dog" } },
        { "LF, no final break", "cat\n\ndog", { "cat", "", "dog" } },
        { "CR only", "cat\r\rdog\r", { "cat", "", "dog" } },
        { "blanks kept", "  cat  \r\n\tdog", { "  cat  ", "\tdog" } },
        { "empty file", "", {} },
        { "a lone line break", "\r\n", { "" } },
        { "UTF-8 with a byte order mark", "\xEF\xBB\xBF海海\r\n", { "海海" } },
        { "GB18030 (not valid UTF-8)", "\xBA\xA3\xBA\xA3\r\n\xBA\xBA\xD7\xD6\xA8\xA6\r\n", { "海海", "汉字é" } },
        { "long lines cut to 50 characters", (Fifty + "bcd\n" + FiftyChinese + "海海").toUtf8(),
            { Fifty, FiftyChinese } },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto Target = MakeCollection();
        Add(*Target, "x");
        const QString Name = Home.Path() + "words.txt";
        WriteFile(Name, C.Bytes);
        EXPECT_EQ(Target->AppendFromTextFile(Name), C.Words.size());
        EXPECT_EQ(Words(*Target), QStringList { "x" } + C.Words);
        // Nothing but the Word is set, and no entry has media.
        const QStringList All = Entries(*Target);
        for (qsizetype I = 1; I < All.size(); ++I)
            EXPECT_TRUE(All[I].endsWith("|~|~|~|")) << All[I].toStdString();
    }
}

TEST_F(WordDataImportTest, UnreadableTextFileIsAnErrorAndAppendsNothing)
{
    Add("x");
    const QString Folder = Home.Path() + "folder.txt";
    QDir().mkpath(Folder);
    EXPECT_THROW(Data->AppendFromTextFile(Folder), Error);
    EXPECT_THROW(Data->AppendFromTextFile(Home.Path() + "missing.txt"), Error);
    // A file far larger than any word list (a sparse one: it takes no room on the disk).
    QFile Huge(Home.Path() + "huge.txt");
    ASSERT_TRUE(Huge.open(QIODevice::WriteOnly) && Huge.resize(qint64(257) << 20));
    Huge.close();
    EXPECT_THROW(Data->AppendFromFile(Huge.fileName()), Error);
    EXPECT_EQ(Words(*Data), QStringList { "x" });
}

TEST_F(WordDataImportTest, PastedLinesGoBeforeTheCurrentEntryInTheirOrder)
{
    struct Case
    {
        const char* Name;
        QString Clipboard;
        QStringList Words; // x and y before, x current
    };
    const Case Cases[] = {
        { "three lines", "a\r\nb\r\nc", { "a", "b", "c", "x", "y" } },
        { "blank lines give no entry", "cat\r\n\r\ndog\r\n", { "cat", "dog", "x", "y" } },
        { "blanks are kept", "  cat  \n \t \n", { "  cat  ", "x", "y" } },
        { "nothing on the clipboard", "", { "x", "y" } },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto Target = MakeCollection();
        Add(*Target, "x");
        Add(*Target, "y");
        ASSERT_TRUE(Target->LocateWord("x"));
        Board.PlainText = C.Clipboard;
        Target->PasteLines();
        EXPECT_EQ(Words(*Target), C.Words);
        EXPECT_EQ(Target->DataSet().FieldByName("Word").AsString(), C.Words.first());
    }

    // Into an empty list, and without a clipboard at all.
    auto Empty = MakeCollection();
    Board.PlainText = "a\nb";
    EXPECT_EQ(Empty->PasteLines(), 2);
    EXPECT_EQ(Words(*Empty), (QStringList { "a", "b" }));
    TWordData Boardless(TWordData::CreateWorkDir());
    EXPECT_EQ(Boardless.GetClipboardText(), "");
    EXPECT_EQ(Boardless.PasteLines(), 0);
}

// ---------------------------------------------------------------------------------------
// Archives and folders

TEST_F(WordDataImportTest, AppendFromFileTellsArchivesFromTextByTheExtension)
{
    {
        auto Source = MakeCollection();
        Add(*Source, "from archive");
        SaveList(*Source, Home.Path() + "List.TLO");
    }
    QFile::copy(Home.Path() + "List.TLO", Home.Path() + "List.tlo");
    WriteFile(Home.Path() + "words.txt", "from text\r\n");
    WriteFile(Home.Path() + "words", "no extension\r\n");
    QDir().mkpath(Home.Path() + "folder.txt");

    const std::pair<QString, QStringList> Cases[] = {
        { Home.Path() + "List.TLO", { "from archive" } },
        { Home.Path() + "List.tlo", { "from archive" } },
        { Home.Path() + "words.txt", { "from text" } },
        { Home.Path() + "words", { "no extension" } },
        { "", {} },
        { "   ", {} },
        { Home.Path() + "missing.txt", {} },
        { Home.Path() + "folder.txt", {} },
    };
    for (const auto& [Name, Expected] : Cases) {
        SCOPED_TRACE(Name.toStdString());
        auto Target = MakeCollection();
        EXPECT_EQ(Target->AppendFromFile(Name), Expected.size());
        EXPECT_EQ(Words(*Target), Expected);
        EXPECT_EQ(Target->Modified(), !Expected.isEmpty());
    }
}

TEST_F(WordDataImportTest, ImportCopiesEntriesWithMediaAndRemovesItsFolder)
{
    const QString Archive = Home.Path() + "Source.tlo";
    {
        auto Source = MakeCollection();
        Add(*Source, "  cat  ", "animal", "P", 0x0000FF, "AbleToReadPic");
        Add(*Source, "dog", {}, "A");
        Add(*Source, "海海", "", "PA", QVariant(qint64(TWordData::clBtnFace)));
        SaveList(*Source, Archive);
        EXPECT_EQ(Entries(*Source),
            (QStringList { "2   cat  |animal|AbleToReadPic|ff|P", "3 dog|~|~|~|A", "4 海海||~|ff00000f|PA" }));
    }
    // The own list already has an entry with a picture under the RowID the source's cat had.
    Add("x", {}, "P");
    const QByteArray OwnPicture = ReadFile(Data->PhotoFileNameOf(2));
    const auto RootBefore = QDir(TWordData::WorkRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);

    EXPECT_EQ(Data->AppendFromFile(Archive), 3);
    // The Word is trimmed, a missing colour becomes the button face, the rest is copied as text.
    EXPECT_EQ(Entries(*Data),
        (QStringList {
            "2 x|~|~|~|P", "3 cat|animal|AbleToReadPic|ff|P", "4 dog|||ff00000f|A", "5 海海|||ff00000f|PA" }));
    EXPECT_EQ(ReadFile(Data->PhotoFileNameOf(2)), OwnPicture);
    EXPECT_NE(ReadFile(Data->PhotoFileNameOf(3)), OwnPicture);
    EXPECT_EQ(TWordData::ExtractClip(Data->AudioFileNameOf(4)), Home.Path() + "temp.wav");
    EXPECT_EQ(ReadFile(Home.Path() + "temp.wav"), WaveBytes + "3");
    EXPECT_TRUE(Data->Modified());
    EXPECT_EQ(QDir(TWordData::WorkRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), RootBefore);

    // An archive that cannot be unpacked appends nothing and leaves no folder behind.
    WriteFile(Home.Path() + "broken.tlo", "no archive at all");
    try {
        Data->AppendFromFile(Home.Path() + "broken.tlo");
        FAIL() << "no error";
    } catch (const Error& E) {
        EXPECT_TRUE(E.Text().startsWith("Fail to unzip")) << E.Text().toStdString();
    }
    EXPECT_EQ(Data->DataSet().RecordCount(), 4);
    EXPECT_EQ(QDir(TWordData::WorkRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), RootBefore);
}

TEST_F(WordDataImportTest, FolderAppendsReadTheFolderAndNeverChangeIt)
{
    const QString Archive = Home.Path() + "Source.tlo";
    {
        auto Source = MakeCollection();
        Add(*Source, "cat", "animal", "P");
        Add(*Source, "dog", "animal", "A");
        Add(*Source, "cow");
        WriteFile(Source->DataDir() + "Tumbalo.ini", "[Settings]\r\n");
        SaveList(*Source, Archive);
    }
    const QString Folder = Home.Path() + "unpacked/";
    TWordArchive::UnpackArchive(Archive, Folder);
    const auto Before = Tree(Folder);

    Add("x");
    EXPECT_EQ(Data->AppendFromPath(Folder), 3);
    EXPECT_EQ(Data->AppendFromPath(Home.Path() + "unpacked"), 3); // the same without the separator
    EXPECT_EQ(Words(*Data), (QStringList { "x", "cat", "dog", "cow", "cat", "dog", "cow" }));
    EXPECT_TRUE(Data->HasPhotoOf(3) && Data->HasAudioOf(4) && !Data->HasMedia());
    EXPECT_TRUE(Data->HasPhotoOf(6) && Data->HasAudioOf(7));
    EXPECT_FALSE(QFileInfo::exists(Data->DataDir() + "Tumbalo.ini"));
    EXPECT_EQ(Tree(Folder), Before);

    // A folder without a list file appends nothing and stays as it was.
    const QString Plain = Home.Path() + "plain/";
    QDir().mkpath(Plain);
    WriteFile(Plain + "Photo2.ADO", "not ours");
    WriteFile(Plain + "notes.txt", "cat");
    const auto PlainBefore = Tree(Plain);
    Data->SetModified(false);
    EXPECT_EQ(Data->AppendFromPath(Plain), 0);
    EXPECT_EQ(Tree(Plain), PlainBefore);
    EXPECT_FALSE(Data->Modified());

    // Its own working folder, however named, and a blank name do nothing; a missing one is an error.
    const int Count = Data->DataSet().RecordCount();
    QString Own = Data->DataDir();
    EXPECT_EQ(Data->AppendFromPath(Own), 0);
    Own.chop(1);
    EXPECT_EQ(Data->AppendFromPath(Own), 0);
    EXPECT_EQ(Data->AppendFromPath(Own + "/../" + QFileInfo(Own).fileName()), 0);
    EXPECT_EQ(Data->AppendFromPath(" "), 0);
    EXPECT_EQ(Data->DataSet().RecordCount(), Count);
    EXPECT_THROW(Data->AppendFromPath(Home.Path() + "nowhere"), Error);
}

TEST_F(WordDataImportTest, BrokenListFileInAFolderAppendsNothing)
{
    const QString Folder = Home.Path() + "broken/";
    QDir().mkpath(Folder);
    WriteFile(Folder + "Tumbalo.lox", "this is no list file");
    const auto Before = Tree(Folder);
    Add("x");
    EXPECT_THROW(Data->AppendFromPath(Folder), Error);
    EXPECT_EQ(Words(*Data), QStringList { "x" });
    EXPECT_EQ(Tree(Folder), Before);
}

TEST_F(WordDataImportTest, MediaThatCannotBeCopiedIsAnErrorNotALoss)
{
    auto Source = MakeCollection();
    Add(*Source, "cat", {}, "P");
    Add(*Source, "dog", {}, "P");
    // Where the second picture would go, something stands in the way.
    ASSERT_TRUE(QDir().mkpath(Data->PhotoFileNameOf(3)));
    EXPECT_THROW(Data->AppendAll(*Source), Error);
    // The entry made before the failure stays; the failed one is gone.
    EXPECT_EQ(Entries(*Data), QStringList { "2 cat|||ff00000f|P" });
    EXPECT_EQ(Data->DataSet().State(), TTableState::Browse);
    EXPECT_TRUE(Data->Modified());
}

TEST_F(WordDataImportTest, AFolderWithADeviceForAPictureIsReadWithoutIt)
{
    const QString Folder = Home.Path() + "odd/";
    {
        auto Source = MakeCollection();
        Add(*Source, "cat", {}, "P");
        Add(*Source, "dog", {}, "A");
        Source->SetModified(true);
        Source->WriteListFile();
        QDir().mkpath(Folder);
        for (const QString& Name : QDir(Source->DataDir()).entryList(QDir::Files))
            QFile::copy(Source->DataDir() + Name, Folder + Name);
    }
    QFile::remove(Folder + "Photo2.ADO");
    ASSERT_TRUE(QFile::link("/dev/null", Folder + "Photo2.ADO"));
    EXPECT_EQ(Data->AppendFromPath(Folder), 2);
    EXPECT_EQ(Entries(*Data), (QStringList { "2 cat|||ff00000f|", "3 dog|||ff00000f|A" }));
}

// ---------------------------------------------------------------------------------------
// Export

TEST_F(WordDataImportTest, ExportedRowsAreNewEntriesWithMediaAndNoSettings)
{
    const qint32 Cat = Add("  cat  ", "animal", "P");
    const qint32 Dog = Add("dog");
    const qint32 Cow = Add("cow", "", "A");
    WriteFile(Data->DataDir() + "Tumbalo.ini", "[Settings]\r\n");
    WriteFile(Data->DataDir() + "Grid.ini", "layout");
    WriteFile(Data->DataDir() + "Grid.Flt", "filter");
    ASSERT_TRUE(Data->LocateWord("dog"));
    Data->SetModified(false);

    // A filtered and sorted view: cow before cat, dog hidden; 99 is no entry's RowID.
    const QString Name = Home.Path() + "Shown.tlo";
    EXPECT_TRUE(Data->ExportRowsTo(Name, { Cow, 99, Cat }));
    EXPECT_EQ(ArchiveFiles(Name), (QStringList { "Audio2.ADO", "Photo3.ADO", "Tumbalo.lox" }));
    auto Shown = MakeCollection();
    Shown->OpenFile(Name);
    EXPECT_EQ(Entries(*Shown), (QStringList { "2 cow|||ff00000f|A", "3 cat|animal||ff00000f|P" }));
    EXPECT_EQ(ReadFile(Shown->PhotoFileNameOf(3)), ReadFile(Data->PhotoFileNameOf(Cat)));

    // The list itself is left as it was.
    EXPECT_EQ(Data->CurrentRowID(), Dog);
    EXPECT_FALSE(Data->Modified());
    EXPECT_EQ(Data->FileName(), "");

    // No rows still make a list, an empty one.
    const QString None = Home.Path() + "None.tlo";
    EXPECT_TRUE(Data->ExportRowsTo(None, {}));
    Shown->OpenFile(None);
    EXPECT_TRUE(Shown->IsEmpty());
    EXPECT_EQ(ArchiveFiles(None), QStringList { "Tumbalo.lox" });

    // Every row shown: the editor writes the list itself, settings and grid files included.
    const QString Whole = Home.Path() + "Whole.tlo";
    Data->SetModified(true);
    ASSERT_TRUE(Data->SaveToFile(Whole));
    EXPECT_EQ(ArchiveFiles(Whole),
        (QStringList { "Audio4.ADO", "Grid.Flt", "Grid.ini", "Photo2.ADO", "Tumbalo.ini", "Tumbalo.lox" }));
    EXPECT_FALSE(Data->Modified());
    EXPECT_EQ(Data->FileName(), "");
    EXPECT_FALSE(QFileInfo::exists(Home.Path() + "Whole.~lo"));

    EXPECT_FALSE(Data->ExportRowsTo("", { Cat }));
    EXPECT_FALSE(Data->ExportRowsTo("  ", { Cat }));
}

TEST_F(WordDataImportTest, ExportedTextHoldsTheWordsAsGivenInUtf8WithCrLf)
{
    const QString Name = Home.Path() + "words.txt";
    WriteFile(Name, QByteArray(1000, 'z'));
    EXPECT_TRUE(Data->ExportTextTo(Name, { "  ant  ", "海海", "" }));
    EXPECT_EQ(ReadFile(Name), "  ant  \r\n\xE6\xB5\xB7\xE6\xB5\xB7\r\n\r\n");

    EXPECT_TRUE(Data->ExportTextTo(Name, {}));
    EXPECT_EQ(ReadFile(Name), "");

    EXPECT_FALSE(Data->ExportTextTo("", { "a" }));
    QDir().mkpath(Home.Path() + "folder.txt");
    EXPECT_THROW(Data->ExportTextTo(Home.Path() + "folder.txt", { "a" }), Error);
}

// ---------------------------------------------------------------------------------------
// Duplicates

TEST_F(WordDataImportTest, DuplicateGroups)
{
    struct TEntry
    {
        QString Word;
        QVariant Category;
        const char* Media = "";
    };
    struct Case
    {
        const char* Name;
        std::vector<TEntry> Table; // RowIDs 2, 3, ... in this order
        QStringList Kept; // RowIDs in table order
        QStringList Log;
    };
    const Case Cases[] = {
        { "three equal entries without media: the last in the walk stays",
            { { "cat", "animal" }, { "cat", "animal" }, { "cat", "animal" } }, { "4" },
            { "Delete record: 2;\tcat;animal", "Delete record: 3;\tcat;animal" } },
        { "entries with a picture or a clip always stay",
            { { "cat", "animal", "P" }, { "cat", "animal", "A" }, { "cat", "animal" } }, { "2", "3" },
            { "Delete record: 4;\tcat;animal" } },
        { "letter case and category count", { { "Cat", "animal" }, { "cat", "animal" }, { "cat", "pet" } },
            { "2", "3", "4" }, {} },
        { "groups are logged in the order of Word and Category",
            { { "dog", "x" }, { "cat", "x" }, { "dog", "x" }, { "cat", "x" }, { "ant", "x" } }, { "4", "5", "6" },
            { "Delete record: 3;\tcat;x", "Delete record: 2;\tdog;x" } },
        { "blanks around the word count only where the order puts the words together",
            { { "cat", "a" }, { " cat", "a" }, { "b", "a" }, { "cat ", "a" } }, { "3", "4", "5" },
            { "Delete record: 2;\tcat;a" } },
        { "an empty category is the same as none", { { "cat", {} }, { "cat", "" } }, { "3" },
            { "Delete record: 2;\tcat;" } },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        QFile::remove(LogName());
        auto Target = MakeCollection();
        for (const TEntry& E : C.Table)
            Add(*Target, E.Word, E.Category, E.Media);
        const int Deleted = Target->DeleteDuplicates();
        EXPECT_EQ(Deleted, C.Log.size());
        QStringList Kept;
        TDataTable& Table = Target->DataSet();
        for (int Row = 0; Row < Table.RecordCount(); ++Row)
            Kept << Table.Value(Row, 0).toString();
        EXPECT_EQ(Kept, C.Kept);
        EXPECT_EQ(LogLines(), C.Log);
        EXPECT_EQ(Target->DeleteList().size(), C.Log.size());
    }
}

TEST_F(WordDataImportTest, WithoutDuplicatesNothingIsLoggedOrModified)
{
    EXPECT_EQ(Data->DeleteDuplicates(), 0); // empty table
    Add("cat", "animal", "P");
    Add("cat", "animal", "A");
    Add("dog", "animal");
    for (const bool Before : { false, true }) {
        Data->SetModified(Before);
        EXPECT_EQ(Data->DeleteDuplicates(), 0);
        EXPECT_EQ(Data->Modified(), Before);
    }
    EXPECT_EQ(Data->DataSet().RecordCount(), 3);
    EXPECT_FALSE(QFileInfo::exists(LogName()));
}

TEST_F(WordDataImportTest, DuplicateRemovalKeepsTheOrderingAndTheCurrentEntry)
{
    Add("b", "x");
    Add("a", "x");
    Add("b", "x");
    const qint32 Kept = Add("c", "x");
    Add("a", "x");
    TDataTable& Table = Data->DataSet();
    Table.SetIndexFieldNames("Category;RowID");
    ASSERT_TRUE(Data->LocateWord("c"));

    EXPECT_EQ(Data->DeleteDuplicates(), 2);
    EXPECT_EQ(Data->DeleteList(), (QStringList { "3", "2" }));
    EXPECT_EQ(Table.IndexFieldNames(), "Category;RowID");
    EXPECT_EQ(Words(*Data), (QStringList { "b", "c", "a" }));
    EXPECT_EQ(Data->CurrentRowID(), Kept);
    EXPECT_FALSE(Table.ControlsDisabled());
}

TEST_F(WordDataImportTest, ALogThatCannotBeWrittenStopsTheRemovalBeforeTheEntry)
{
    Add("cat");
    Add("cat");
    Add("cat");
    QDir().mkpath(LogName()); // a folder where the log file should be
    Data->SetModified(false);
    EXPECT_THROW(Data->DeleteDuplicates(), Error);
    EXPECT_EQ(Data->DataSet().RecordCount(), 3);
    EXPECT_EQ(Data->DataSet().IndexFieldNames(), "");
    EXPECT_FALSE(Data->DataSet().ControlsDisabled());
    EXPECT_TRUE(Data->Modified()); // the removal had begun
}

// The rule of the duplicate removal, spelled out plainly: group neighbours in the order of raw
// Word then Category by their trimmed key, keep entries with media, else keep the group's last.
TEST_F(WordDataImportTest, DuplicateRemovalAgreesWithThePlainRuleOnRandomLists)
{
    QRandomGenerator Random(20240611);
    const QStringList Words { "a", "b", " a", "a ", "A" };
    const QStringList Categories { "", "x", "y" };
    for (int Round = 0; Round < 20; ++Round) {
        SCOPED_TRACE(Round);
        QFile::remove(LogName());
        auto Target = MakeCollection();
        struct TRef
        {
            qint32 RowID;
            QString Word, Category;
            bool Media;
        };
        std::vector<TRef> Ref;
        const int Count = 1 + Random.bounded(40);
        for (int I = 0; I < Count; ++I) {
            const QString Word = Words[Random.bounded(Words.size())];
            const QString Category = Categories[Random.bounded(Categories.size())];
            const bool Media = Random.bounded(5) == 0;
            Ref.push_back({ Add(*Target, Word, Category, Media ? "P" : ""), Word, Category, Media });
        }
        std::stable_sort(Ref.begin(), Ref.end(), [](const TRef& L, const TRef& R) {
            return std::make_pair(L.Word, L.Category) < std::make_pair(R.Word, R.Category);
        });
        QStringList ExpectedLog;
        std::vector<qint32> Gone;
        for (std::size_t First = 0; First < Ref.size();) {
            const auto Key = [&](std::size_t I) { return Ref[I].Word.trimmed() + ";" + Ref[I].Category; };
            std::size_t End = First;
            bool AnyMedia = false;
            while (End < Ref.size() && Key(End) == Key(First))
                AnyMedia = Ref[End++].Media || AnyMedia;
            for (std::size_t I = First; I < End; ++I) {
                if (!Ref[I].Media && (AnyMedia || I + 1 < End)) {
                    ExpectedLog << QStringLiteral("Delete record: %1;\t%2").arg(Ref[I].RowID).arg(Key(I));
                    Gone.push_back(Ref[I].RowID);
                }
            }
            First = End;
        }
        EXPECT_EQ(Target->DeleteDuplicates(), static_cast<int>(Gone.size()));
        EXPECT_EQ(LogLines(), ExpectedLog);
        TDataTable& Table = Target->DataSet();
        EXPECT_EQ(Table.RecordCount(), Count - static_cast<int>(Gone.size()));
        for (int Row = 0; Row < Table.RecordCount(); ++Row) {
            const qint32 RowID = Table.Value(Row, 0).toInt();
            EXPECT_EQ(std::count(Gone.begin(), Gone.end(), RowID), 0) << RowID;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Progress and cancelling

TEST_F(WordDataImportTest, ProgressIsReportedAndCancellingKeepsWhatWasDone)
{
    // A watcher that records the reports and stops the run once Stop entries are done.
    struct TWatcher
    {
        int Stop = -1;
        QList<std::pair<int, int>> Reports;
        TProgress Progress()
        {
            return [this](int Done, int Total) {
                Reports.append({ Done, Total });
                return Done != Stop;
            };
        }
    };

    const QString Text = Home.Path() + "four.txt";
    WriteFile(Text, "a\nb\nc\nd\n");
    TWatcher Whole;
    EXPECT_EQ(Data->AppendFromTextFile(Text, Whole.Progress()), 4);
    EXPECT_EQ(Whole.Reports, (QList<std::pair<int, int>> { { 0, 4 }, { 1, 4 }, { 2, 4 }, { 3, 4 }, { 4, 4 } }));

    struct Case
    {
        const char* Name;
        std::function<int(TWordData&, const TProgress&)> Run;
        QStringList Words;
    };
    const Case Cases[] = {
        { "text file", [&](TWordData& T, const TProgress& P) { return T.AppendFromTextFile(Text, P); },
            { "x", "a", "b" } },
        { "folder", [&](TWordData& T, const TProgress& P) { return T.AppendFromPath(Data->DataDir(), P); },
            { "x", "a", "b" } },
        { "pasted lines (from the last)",
            [&](TWordData& T, const TProgress& P) {
                return T.InsertLines({ "a", "b", "c", "d" }, P);
            },
            { "c", "d", "x" } },
        { "duplicates",
            [&](TWordData& T, const TProgress& P) {
                T.InsertLines({ "x", "x", "x" });
                return T.DeleteDuplicates(P);
            },
            { "x", "x" } },
    };
    Data->WriteListFile(); // so that its folder is a list to append from
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        auto Target = MakeCollection();
        Add(*Target, "x");
        TWatcher Watcher;
        Watcher.Stop = 2;
        EXPECT_EQ(C.Run(*Target, Watcher.Progress()), 2);
        EXPECT_EQ(Words(*Target), C.Words);
        EXPECT_EQ(Watcher.Reports.back().first, 2);
    }

    // A cancelled export writes nothing and keeps what was there.
    const QString Old = Home.Path() + "old.tlo";
    WriteFile(Old, "old");
    TWatcher Export;
    Export.Stop = 1;
    EXPECT_FALSE(Data->ExportRowsTo(Old, { 2, 3, 4 }, Export.Progress()));
    EXPECT_FALSE(Data->ExportTextTo(Old, { "a", "b" }, Export.Progress()));
    EXPECT_EQ(ReadFile(Old), "old");
}

TEST(ProgressCounter, ReportsAboutFiveHundredTimesAndTheEnd)
{
    int Reports = 0;
    int Last = -1;
    const TProgress Progress = [&](int Done, int Total) {
        EXPECT_EQ(Total, 100000);
        EXPECT_GT(Done, Last);
        Last = Done;
        ++Reports;
        return true;
    };
    TProgressCounter Counter(Progress, 100000);
    for (int Done = 0; Done < 100000; ++Done)
        EXPECT_TRUE(Counter.Continue(Done));
    Counter.Finish(100000);
    EXPECT_EQ(Last, 100000);
    EXPECT_GE(Reports, 500);
    EXPECT_LE(Reports, 502);

    // Nobody watching: never a stop.
    TProgressCounter Unwatched({}, 10);
    EXPECT_TRUE(Unwatched.Continue(0));
    Unwatched.Finish(10);
}

} // namespace
