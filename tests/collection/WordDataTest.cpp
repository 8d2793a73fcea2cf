#include "uWordData.h"

#include "ArchiveFixtures.h"
#include "Error.h"
#include "FakeClipboard.h"
#include "FakeFileDialogs.h"
#include "FakeMessageBoxes.h"
#include "ProgramFolder.h"
#include "TestHome.h"
#include "uEncrypt.h"
#include "uINIFileForEXE.h"
#include "uProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace fixtures;

namespace {

// A sound file as the recorder leaves it: a header and some samples.
const QByteArray WaveBytes = QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16) + QByteArray(3000, '\x11');

// A program folder of its own, a collection on a fresh working folder, and the fakes of its
// services.
class WordDataTest : public ::testing::Test
{
protected:
    void SetUp() override { Data = MakeCollection(); }
    void TearDown() override { GlobalIniFileName.clear(); }

    std::unique_ptr<TWordData> MakeCollection()
    {
        bool Created = false;
        const QString Dir = TWordData::CreateWorkDir(&Created);
        EXPECT_TRUE(Created);
        return std::make_unique<TWordData>(Dir, Services());
    }

    TWordDataServices Services() { return { &Boxes, &Dialogs, &Board }; }

    // Appends an entry and posts it; gives its RowID.
    qint32 Add(TWordData& Target, const QString& Word, const QVariant& Color = {}, const QString& Category = {})
    {
        TDataTable& Table = Target.DataSet();
        Table.Append();
        Table.FieldByName("Word").SetAsString(Word);
        Table.FieldByName("BackColor").SetValue(Color);
        Table.FieldByName("Category").SetAsString(Category);
        Table.Post();
        return Target.CurrentRowID();
    }
    qint32 Add(const QString& Word, const QVariant& Color = {}) { return Add(*Data, Word, Color); }

    QStringList Words(TWordData& Source)
    {
        QStringList Result;
        TDataTable& Table = Source.DataSet();
        for (Table.First(); !Table.Eof(); Table.Next())
            Result << Table.FieldByName("Word").AsString();
        return Result;
    }

    // The media presence the collection keeps agrees with the files in its folder.
    void ExpectMediaAgreesWithFiles(TWordData& Source)
    {
        TDataTable& Table = Source.DataSet();
        const int RowIDField = Table.FieldIndex("RowID");
        for (int Row = 0; Row < Table.RecordCount(); ++Row) {
            const qint32 RowID = Table.Value(Row, RowIDField).toInt();
            EXPECT_EQ(Source.HasPhotoOf(RowID), QFileInfo(Source.PhotoFileNameOf(RowID)).isFile()) << RowID;
            EXPECT_EQ(Source.HasAudioOf(RowID), QFileInfo(Source.AudioFileNameOf(RowID)).isFile()) << RowID;
        }
    }

    // Saves Data under the name the save dialog is given, as an untitled list does.
    bool SaveAs(const QString& Name)
    {
        Dialogs.SaveAnswers.push_back(Name);
        Data->SetModified(true);
        return Data->SaveIfModified(false);
    }

    // Starts Data as a new untitled list, as the program does at start.
    void StartUntitled() { Data->OpenFile(TWordData::NewUntitledName()); }

    // Opens Name and gives the error text, or the empty text when it opened.
    QString OpenError(TWordData& Target, const QString& Name)
    {
        try {
            Target.OpenFile(Name);
        } catch (const std::exception& E) {
            return ErrorText(E);
        }
        return {};
    }

    TestHome Home;
    FakeMessageBoxes Boxes;
    FakeFileDialogs Dialogs;
    FakeClipboard Board;
    std::unique_ptr<TWordData> Data;
};

TEST_F(WordDataTest, NewCollectionHasTheFiveFieldsAndNumbersFromTwo)
{
    const std::vector<TFieldDef> Expected {
        { "RowID", TFieldType::Integer, 0 },
        { "Word", TFieldType::String, 50 },
        { "BackColor", TFieldType::Integer, 0 },
        { "Category", TFieldType::String, 50 },
        { "Status", TFieldType::String, 20 },
    };
    EXPECT_EQ(Data->DataSet().Fields(), Expected);
    EXPECT_TRUE(Data->IsActive());
    EXPECT_TRUE(Data->IsEmpty());
    EXPECT_FALSE(Data->Modified());
    EXPECT_EQ(Data->DataDir(), Home.Path() + "Temp/Temp1/");

    EXPECT_EQ(Add("cat"), 2);
    EXPECT_EQ(Add("dog"), 3);
    EXPECT_TRUE(Data->Modified());

    // A started entry that is cancelled has used its number up.
    Data->DataSet().Append();
    Data->DataSet().Cancel();
    EXPECT_EQ(Add("cow"), 5);
}

TEST_F(WordDataTest, CreatingOnAMissingFolderIsAnAssertion)
{
    const QString Missing = Home.Path() + "nowhere";
    try {
        TWordData Never(Missing);
        FAIL() << "no assertion";
    } catch (const AssertionError& E) {
        EXPECT_TRUE(E.Text().startsWith(Missing + "/ is not a valid path.")) << E.Text().toStdString();
    }
}

TEST_F(WordDataTest, CurrentEntryTextAndColour)
{
    Add("  cat\t\n", 0x0000FF);
    EXPECT_EQ(Data->CurrentWord(), "cat");
    EXPECT_EQ(Data->CurrentBackColor(), 0x0000FFu);
    Add("dog");
    EXPECT_EQ(Data->CurrentBackColor(), TWordData::clBtnFace);
    Add("sky", QVariant(qint64(0xFF000005)));
    EXPECT_EQ(Data->CurrentBackColor(), 0xFF000005u);
}

TEST_F(WordDataTest, MarksReplaceEachOtherAndSetModified)
{
    Add("cat");
    struct Case
    {
        void (TWordData::*Mark)();
        const char* Status;
    };
    const Case Cases[] = {
        { &TWordData::MarkWordRead, "AbleToReadWord" },
        { &TWordData::MarkPicRead, "AbleToReadPic" },
        { &TWordData::MarkWordFailed, "FailToReadWord" },
        { &TWordData::MarkPicFailed, "FailToReadPic" },
    };
    for (const Case& C : Cases) {
        Data->SetModified(false);
        (Data.get()->*C.Mark)();
        EXPECT_EQ(Data->DataSet().FieldByName("Status").AsString(), C.Status);
        EXPECT_TRUE(Data->Modified()) << C.Status;
        EXPECT_EQ(Data->DataSet().State(), TTableState::Browse);
    }
}

TEST_F(WordDataTest, LocateWordIsExactAndKeepsTheEntryWhenMissing)
{
    Add("cat");
    Add("Dog");
    Add(" cow");
    EXPECT_TRUE(Data->LocateWord("Dog"));
    EXPECT_EQ(Data->CurrentWord(), "Dog");
    for (const QString& Missing : { QString("dog"), QString("cow"), QString("ca") })
        EXPECT_FALSE(Data->LocateWord(Missing)) << Missing.toStdString();
    EXPECT_EQ(Data->CurrentWord(), "Dog");
}

TEST_F(WordDataTest, DeletingAnEntryRemovesOnlyItsOwnMedia)
{
    const qint32 Cat = Add("cat");
    QImage Picture(8, 8, QImage::Format_RGB32);
    Picture.fill(Qt::red);
    Data->StorePhoto(Picture);
    WriteFile(Home.Path() + "clip.wav", WaveBytes);
    Data->StoreAudio(Home.Path() + "clip.wav");
    const qint32 Dog = Add("dog");
    Data->StorePhoto(Picture);
    Data->StoreAudio(Home.Path() + "clip.wav");

    ASSERT_TRUE(Data->LocateWord("cat"));
    Data->SetModified(false);
    Data->DataSet().Delete();

    EXPECT_TRUE(Data->Modified());
    EXPECT_FALSE(QFileInfo::exists(Data->PhotoFileNameOf(Cat)));
    EXPECT_FALSE(QFileInfo::exists(Data->AudioFileNameOf(Cat)));
    EXPECT_FALSE(Data->HasPhotoOf(Cat));
    EXPECT_TRUE(Data->HasPhotoOf(Dog));
    EXPECT_TRUE(Data->HasAudioOf(Dog));
    ExpectMediaAgreesWithFiles(*Data);
}

TEST_F(WordDataTest, PictureOperations)
{
    Add("cat");
    EXPECT_FALSE(Data->HasPhoto());

    // An empty clipboard writes no file, yet counts as a change.
    Data->SetModified(false);
    EXPECT_TRUE(Data->PastePhoto().isNull());
    EXPECT_FALSE(Data->HasPhoto());
    EXPECT_TRUE(Data->Modified());

    // A pasted bitmap with transparency is kept as JPEG.
    Board.Picture = QImage(40, 30, QImage::Format_ARGB32);
    Board.Picture.fill(QColor(0, 0, 255, 255));
    Data->PastePhoto();
    ASSERT_TRUE(Data->HasPhoto());
    EXPECT_TRUE(ReadFile(Data->PhotoFileName()).startsWith("\xFF\xD8\xFF"));
    const QImage Loaded = Data->LoadPhoto();
    EXPECT_EQ(Loaded.size(), QSize(40, 30));
    EXPECT_GT(qBlue(Loaded.pixel(20, 15)), 200);

    Data->ClearPhoto();
    EXPECT_FALSE(Data->HasPhoto());
    EXPECT_FALSE(QFileInfo::exists(Data->PhotoFileName()));

    // A picture file that is not a picture: the reader's error reaches the caller.
    WriteFile(Data->PhotoFileName(), "not a picture");
    EXPECT_THROW(Data->LoadPhoto(), Error);
}

TEST_F(WordDataTest, ClipTrailerRoundTrip)
{
    Add("cat");
    struct Case
    {
        const char* Source;
        QByteArray Trailer;
        const char* TempName;
    };
    const Case Cases[] = {
        { "Temp.wav", QByteArray("EXT=.wav\0\0", 10), "temp.wav" },
        { "song.mp3", QByteArray("EXT=.mp3\0\0", 10), "temp.mp3" },
        { "long.abcdefgh", QByteArray("EXT=.abcde", 10), "temp.abcde" },
        { "noext", QByteArray("EXT=\0\0\0\0\0\0", 10), "temp" },
    };
    for (const Case& C : Cases) {
        const QString Source = Home.Path() + C.Source;
        WriteFile(Source, WaveBytes);
        Data->SetModified(false);
        Data->StoreAudio(Source);
        EXPECT_TRUE(Data->Modified());
        EXPECT_EQ(ReadFile(Source), WaveBytes) << "the source stays as it was";
        EXPECT_EQ(ReadFile(Data->AudioFileName()), WaveBytes + C.Trailer) << C.Source;

        const QString Temp = TWordData::ExtractClip(Data->AudioFileName());
        EXPECT_EQ(Temp, Home.Path() + C.TempName);
        EXPECT_EQ(ReadFile(Temp), WaveBytes) << C.Source;
    }
    Data->ClearAudio();
    EXPECT_FALSE(Data->HasAudio());
}

TEST_F(WordDataTest, ClipsWithoutAUsableTrailerGiveNoFile)
{
    const QString Clip = Home.Path() + "clip.ADO";
    const QByteArray Cases[] = {
        "EXT=.wav", // shorter than a trailer
        WaveBytes, // no trailer
        WaveBytes + QByteArray("EXT=/../x\0", 10), // would leave the program's folder
        WaveBytes + QByteArray("EXT=.\\..\\\0", 10),
    };
    WriteFile(Clip, "");
    const auto Before = Tree(Home.Path());
    for (const QByteArray& Content : Cases) {
        WriteFile(Clip, Content);
        EXPECT_EQ(TWordData::ExtractClip(Clip), QString());
    }
    EXPECT_EQ(TWordData::ExtractClip(Home.Path() + "missing.ADO"), QString());
    EXPECT_EQ(Tree(Home.Path()).keys(), Before.keys());
}

TEST_F(WordDataTest, WorkingFolders)
{
    const QString Root = TWordData::WorkRoot();
    EXPECT_EQ(Root, Home.Path() + "Temp/");
    // Temp1 belongs to the fixture's collection; Temp3 is taken too.
    QDir().mkpath(Root + "Temp3");
    EXPECT_EQ(TWordData::NewWorkDirName(), Root + "Temp2/");

    bool Created = false;
    const QString Dir = TWordData::CreateWorkDir(&Created);
    EXPECT_TRUE(Created);
    EXPECT_EQ(Dir, Root + "Temp2/");
    EXPECT_EQ(TWordData::NewWorkDirName(), Root + "Temp4/");

    EXPECT_TRUE(TWordData::DeleteDirectory(""));
    EXPECT_TRUE(TWordData::DeleteDirectory(Root + "missing/"));

    // Deleting follows no link out of the folder.
    const QString Outside = Home.Path() + "outside/";
    QDir().mkpath(Outside);
    WriteFile(Outside + "keep.txt", "keep");
    WriteFile(Dir + "file", "x");
    ASSERT_TRUE(QFile::link(Outside, Dir + "link"));
    EXPECT_TRUE(TWordData::DeleteDirectory(Dir));
    EXPECT_FALSE(QFileInfo::exists(Dir));
    EXPECT_EQ(ReadFile(Outside + "keep.txt"), "keep");

    // A collection deletes its own folder when it goes.
    const QString Own = Data->DataDir();
    Data.reset();
    EXPECT_FALSE(QFileInfo::exists(Own));
}

TEST_F(WordDataTest, ACollectionThatOnlyReadsAFolderLeavesIt)
{
    const QString Folder = Home.Path() + "user/";
    QDir().mkpath(Folder);
    WriteFile(Folder + "Photo7.ADO", "x");
    const auto Before = Tree(Folder);
    {
        TWordData Reader(Folder, {}, false);
        EXPECT_TRUE(Reader.IsEmpty());
    }
    EXPECT_EQ(Tree(Folder), Before);
}

TEST_F(WordDataTest, ArchiveRoundTripKeepsEntriesMediaAndStateFiles)
{
    QStringList Events;
    struct Listener
    {
        QStringList* Log;
        void Save(TWordData* Source)
        {
            Log->append("save");
            WriteFile(Source->DataDir() + "Grid.ini", "grid layout");
            WriteFile(Source->DataDir() + "Grid.Flt", "grid filter");
        }
        void Open(TWordData* Source)
        {
            Log->append("open:" + QString::fromUtf8(ReadFile(Source->DataDir() + "Grid.Flt")));
        }
    } Window { &Events };
    Data->BeforeSaveNotifier().AddListener("GridSetting", &Listener::Save, &Window);
    Data->AfterOpenNotifier().AddListener("GridSetting", &Listener::Open, &Window);

    StartUntitled();
    GlobalIniFileName = Data->DataDir() + "Tumbalo.ini";
    TIniFileForEXE::WriteString("FirstWord", "海海");
    Add("cat", 0x00FF00);
    QImage Picture(16, 16, QImage::Format_RGB32);
    Picture.fill(Qt::green);
    Data->StorePhoto(Picture);
    Add("海海");
    WriteFile(Home.Path() + "Temp.wav", WaveBytes);
    Data->StoreAudio(Home.Path() + "Temp.wav");
    Add("<&\"'>");
    Data->MarkWordRead();

    const QString Name = Home.Path() + "Words.tlo";
    ASSERT_TRUE(SaveAs(Name));
    EXPECT_EQ(Data->FileName(), Name);
    EXPECT_FALSE(Data->Modified());
    EXPECT_EQ(Events, QStringList { "save" });

    auto Other = MakeCollection();
    Other->BeforeSaveNotifier().AddListener("GridSetting", &Listener::Save, &Window);
    Other->AfterOpenNotifier().AddListener("GridSetting", &Listener::Open, &Window);
    Other->OpenFile(Name);
    EXPECT_EQ(Events, (QStringList { "save", "open:grid filter" }));
    EXPECT_EQ(Words(*Other), (QStringList { "cat", "海海", "<&\"'>" }));
    EXPECT_EQ(Other->FileName(), Name);
    EXPECT_FALSE(Other->Modified());
    ASSERT_TRUE(Other->LocateWord("cat"));
    EXPECT_EQ(Other->CurrentBackColor(), 0x00FF00u);
    EXPECT_TRUE(Other->HasPhoto());
    EXPECT_EQ(Other->LoadPhoto().size(), QSize(16, 16));
    ASSERT_TRUE(Other->LocateWord("海海"));
    EXPECT_TRUE(Other->HasAudio());
    EXPECT_EQ(ReadFile(TWordData::ExtractClip(Other->AudioFileName())), WaveBytes);
    ASSERT_TRUE(Other->LocateWord("<&\"'>"));
    EXPECT_EQ(Other->DataSet().FieldByName("Status").AsString(), "AbleToReadWord");
    EXPECT_EQ(ReadFile(Other->DataDir() + "Tumbalo.ini"), ReadFile(Data->DataDir() + "Tumbalo.ini"));
    ExpectMediaAgreesWithFiles(*Other);

    // Numbering goes on from the largest RowID of the loaded list.
    EXPECT_EQ(Other->LastRowID(), 4);
    EXPECT_EQ(Add(*Other, "new"), 5);
}

TEST_F(WordDataTest, OpeningAMissingFileStartsAnEmptyListUnderThatName)
{
    Add("cat");
    WriteFile(Data->DataDir() + "Grid.ini", "x");
    Data->SetModified(false);
    const QString Name = Home.Path() + "New.tlo";
    Data->OpenFile(Name);
    EXPECT_TRUE(Data->IsEmpty());
    EXPECT_TRUE(Data->IsActive());
    EXPECT_EQ(Data->FileName(), Name);
    EXPECT_FALSE(Data->Modified());
    EXPECT_TRUE(QDir(Data->DataDir()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Name));
}

TEST_F(WordDataTest, UnchangedListWritesNoListFileAndAnArchiveWithoutOneOpensEmpty)
{
    const QString Name = Home.Path() + "Plain.tlo";
    ASSERT_TRUE(Data->SaveToFile(Name));
    EXPECT_FALSE(QFileInfo::exists(Data->ListFileName()));

    MakeArchive(Name, { { "Grid.ini", "only a grid" } });
    Data->OpenFile(Name);
    EXPECT_TRUE(Data->IsEmpty());
    EXPECT_EQ(ReadFile(Data->DataDir() + "Grid.ini"), "only a grid");
}

TEST_F(WordDataTest, UntitledNames)
{
    const QString First = Home.Path() + "Untitle1.tlo";
    EXPECT_EQ(TWordData::NewUntitledName(), First);
    WriteFile(First, "");
    EXPECT_EQ(TWordData::NewUntitledName(), Home.Path() + "Untitle2.tlo");

    struct Case
    {
        QString Name;
        bool Exists;
        bool Untitled;
    };
    const Case Cases[] = {
        { Home.Path() + "Untitle3.tlo", false, true },
        { Home.Path() + "Untitle3.tlo", true, false },
        { Home.Path() + "Words.tlo", false, false },
        { Home.Path() + "untitle4.tlo", false, false },
        { "", false, false },
    };
    for (const Case& C : Cases) {
        if (C.Exists)
            MakeArchive(C.Name, { { "Grid.ini", "x" } });
        Data->OpenFile(C.Name);
        EXPECT_EQ(Data->IsUntitled(), C.Untitled) << C.Name.toStdString();
    }
}

TEST_F(WordDataTest, SaveQuestionAnswers)
{
    const QString Name = Home.Path() + "Words.tlo";
    Data->OpenFile(Name);
    Add("cat");

    Boxes.Answers = { MessageBoxes::Answer::No };
    EXPECT_TRUE(Data->SaveIfModified(true));
    EXPECT_TRUE(Data->Modified());
    EXPECT_FALSE(QFileInfo::exists(Name));
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Text, "The current file has been modified, do you want to save it?");

    Boxes.Answers = { MessageBoxes::Answer::Cancel };
    EXPECT_FALSE(Data->SaveIfModified(true));
    EXPECT_FALSE(QFileInfo::exists(Name));

    // Cancel on opening another list changes nothing.
    Boxes.Answers = { MessageBoxes::Answer::Cancel };
    Data->OpenFile(Home.Path() + "Other.tlo");
    EXPECT_EQ(Data->FileName(), Name);
    EXPECT_EQ(Words(*Data), QStringList { "cat" });

    Boxes.Answers = { MessageBoxes::Answer::Yes };
    EXPECT_TRUE(Data->SaveIfModified(true));
    EXPECT_TRUE(QFileInfo::exists(Name));
    EXPECT_FALSE(Data->Modified());
}

TEST_F(WordDataTest, UntitledListAsksForANameAndCancelWritesNothing)
{
    const QString Untitled = TWordData::NewUntitledName();
    Data->OpenFile(Untitled);
    Add("cat");

    EXPECT_FALSE(Data->SaveIfModified(false));
    ASSERT_EQ(Dialogs.Calls.size(), 1);
    EXPECT_EQ(Dialogs.Calls[0].Filter, "Tumbalo(*.tlo)|*.tlo");
    EXPECT_EQ(Dialogs.Calls[0].DefaultExt, "tlo");
    EXPECT_EQ(Dialogs.Calls[0].InitialFolder, Home.Path());
    EXPECT_EQ(Dialogs.Calls[0].ProposedName, Untitled);
    EXPECT_EQ(Data->FileName(), Untitled);
    EXPECT_TRUE(Data->Modified());

    const QString Chosen = Home.Path() + "Chosen.tlo";
    Dialogs.SaveAnswers = { Chosen };
    EXPECT_TRUE(Data->SaveIfModified(false));
    EXPECT_EQ(Data->FileName(), Chosen);
    EXPECT_TRUE(QFileInfo::exists(Chosen));
    EXPECT_FALSE(QFileInfo::exists(Untitled));
}

TEST_F(WordDataTest, SavingOverAnArchiveKeepsABackupOfTheOldOne)
{
    const QString Name = Home.Path() + "Words.tlo";
    const QString Backup = Home.Path() + "Words.~lo";
    WriteFile(Backup, "older backup");
    Data->OpenFile(Name);
    Add("cat");
    ASSERT_TRUE(Data->SaveIfModified(false));
    EXPECT_EQ(ReadFile(Backup), "older backup") << "no archive yet, so no new backup";
    const QByteArray FirstArchive = ReadFile(Name);

    Add("dog");
    ASSERT_TRUE(Data->SaveIfModified(false));
    EXPECT_EQ(ReadFile(Backup), FirstArchive);
    EXPECT_NE(ReadFile(Name), FirstArchive);
}

TEST_F(WordDataTest, FailedSaveReportsFalseShowsWhyAndKeepsTheWork)
{
    const QString Name = Home.Path() + "Words.tlo";
    Data->OpenFile(Name);
    Add("cat");
    ASSERT_TRUE(Data->SaveIfModified(false));
    const QByteArray Saved = ReadFile(Name);

    // A listener that fails stops the save before anything is written.
    struct Failing
    {
        void Save(TWordData*) { throw Error("Unable to write to Grid.ini"); }
    } Window;
    Data->BeforeSaveNotifier().AddListener("GridSetting", &Failing::Save, &Window);
    Add("dog");
    EXPECT_FALSE(Data->SaveIfModified(false));
    EXPECT_TRUE(Data->Modified());
    ASSERT_FALSE(Boxes.Boxes.isEmpty());
    EXPECT_EQ(Boxes.Boxes.last().Type, FakeMessageBoxes::Kind::Error);
    EXPECT_EQ(Boxes.Boxes.last().Text, "Unable to write to Grid.ini");
    EXPECT_EQ(ReadFile(Name), Saved);

    // So does an archive that cannot be written; the list file was brought up to date, yet
    // the changes still count as unsaved.
    struct Quiet
    {
        void Save(TWordData*) { }
    } Calm;
    Data->BeforeSaveNotifier().AddListener("GridSetting", &Quiet::Save, &Calm);
    const QString Blocked = Home.Path() + "blocked/Words.tlo";
    WriteFile(Home.Path() + "blocked", "a file where a folder should be");
    EXPECT_THROW(Data->SaveToFile(Blocked), Error);
    EXPECT_TRUE(Data->Modified());

    // An unchanged list still saves when asked again (nothing lost on the way).
    EXPECT_TRUE(Data->SaveIfModified(false));
    auto Other = MakeCollection();
    Other->OpenFile(Name);
    EXPECT_EQ(Words(*Other), (QStringList { "cat", "dog" }));
}

// Archives that must not open: each gives a clear error, writes nothing outside the working
// folder, and leaves the collection on an open, empty table under its old name.
TEST_F(WordDataTest, HostileAndBrokenArchivesAreRefusedSafely)
{
    const QByteArray NotAPacket = TFrmEncrypt::EncryptText("<html>not a packet</html>");
    struct Case
    {
        const char* Label;
        std::vector<TFixtureEntry> Entries;
        const char* Expected; // part of the message
    };
    const std::vector<Case> Cases = {
        { "parent", { { "../x", "evil" } }, "../x" },
        { "absolute", { { "/abs/x", "evil" } }, "/abs/x" },
        { "backslashes", { { "a\\..\\b", "evil" } }, "a\\..\\b" },
        { "link", { { "Photo2.ADO", "/etc/passwd", ZIP_CM_STORE, 0120777 } }, "Photo2.ADO" },
        { "not Base64", { { "Tumbalo.lox", "this is %% not base64!" } }, "Invalid Base64 Character" },
        { "not a packet", { { "Tumbalo.lox", NotAPacket }, { "Photo2.ADO", "picture" } }, "" },
    };
    const QString Old = Home.Path() + "Old.tlo";
    Data->OpenFile(Old);
    for (const Case& C : Cases) {
        const QString Name = Home.Path() + "bad.tlo";
        MakeArchive(Name, C.Entries);
        const auto Before = Tree(Home.Path());
        const QString Message = OpenError(*Data, Name);
        EXPECT_FALSE(Message.isEmpty()) << C.Label;
        EXPECT_TRUE(Message.contains(C.Expected)) << C.Label << ": " << Message.toStdString();
        EXPECT_EQ(Tree(Home.Path()).keys(), Before.keys()) << C.Label;
        EXPECT_TRUE(Data->IsActive()) << C.Label;
        EXPECT_TRUE(Data->IsEmpty()) << C.Label;
        EXPECT_TRUE(QDir(Data->DataDir()).isEmpty()) << C.Label;
        EXPECT_EQ(Data->FileName(), Old) << C.Label;
        ExpectMediaAgreesWithFiles(*Data);

        // The collection goes on working.
        Add("after");
        EXPECT_EQ(Words(*Data), QStringList { "after" }) << C.Label;
        Data->DataSet().Delete();
        Data->SetModified(false);
    }

    // A truncated archive and a file that is no archive at all.
    const QString Good = Home.Path() + "good.tlo";
    Add("cat");
    ASSERT_TRUE(Data->SaveToFile(Good));
    const QByteArray Whole = ReadFile(Good);
    const QString Truncated = Home.Path() + "truncated.tlo";
    WriteFile(Truncated, Whole.left(Whole.size() / 2));
    const QString Text = Home.Path() + "text.tlo";
    WriteFile(Text, "just some text");
    Data->SetModified(false);
    for (const QString& Name : { Truncated, Text }) {
        const QString Message = OpenError(*Data, Name);
        EXPECT_TRUE(Message.startsWith("Fail to unzip " + Name)) << Message.toStdString();
        EXPECT_TRUE(Data->IsEmpty());
    }
}

TEST_F(WordDataTest, MediaPresenceFollowsEveryOperation)
{
    StartUntitled();
    WriteFile(Home.Path() + "clip.wav", WaveBytes);
    QImage Picture(4, 4, QImage::Format_RGB32);
    Picture.fill(Qt::blue);
    for (int I = 0; I < 6; ++I) {
        Add(QString("w%1").arg(I));
        if (I % 2 == 0)
            Data->StorePhoto(Picture);
        if (I % 3 == 0)
            Data->StoreAudio(Home.Path() + "clip.wav");
    }
    ExpectMediaAgreesWithFiles(*Data);
    Data->LocateWord("w0");
    Data->ClearPhoto();
    Data->LocateWord("w3");
    Data->ClearAudio();
    Data->LocateWord("w2");
    Data->DataSet().Delete();
    ExpectMediaAgreesWithFiles(*Data);

    const QString Name = Home.Path() + "Media.tlo";
    ASSERT_TRUE(SaveAs(Name));
    auto Other = MakeCollection();
    Other->OpenFile(Name);
    ExpectMediaAgreesWithFiles(*Other);
    Other->OpenFile(Home.Path() + "Fresh.tlo");
    ExpectMediaAgreesWithFiles(*Other);
}

TEST_F(WordDataTest, CleanWorkRootLeavesTheRootWhileAnotherCopyRuns)
{
    Data.reset();
    QTemporaryDir Bin;
    const QString Copy = Bin.path() + "/" + QFileInfo(ProgramPath()).fileName();
    ASSERT_TRUE(QFile::copy("/bin/sleep", Copy));
    QProcess Other;
    Other.start(Copy, { "30" });
    ASSERT_TRUE(Other.waitForStarted());
    TWordData::CleanWorkRoot();
    EXPECT_TRUE(QFileInfo(TWordData::WorkRoot()).isDir());
    Other.kill();
    Other.waitForFinished();

    // Alone (unless somebody runs this very test program beside us), the root goes.
    const bool Alone = TProcessHandler::IsOnlyInstance();
    TWordData::CleanWorkRoot();
    EXPECT_EQ(QFileInfo::exists(TWordData::WorkRoot()), !Alone);
}

} // namespace
