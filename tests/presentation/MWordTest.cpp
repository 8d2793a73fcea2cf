#include "uMWord.h"

#include "Error.h"
#include "FakeClipboard.h"
#include "FakeClock.h"
#include "FakeFileDialogs.h"
#include "FakeMessageBoxes.h"
#include "FakeSound.h"
#include "FakeSpeech.h"
#include "ProgramFolder.h"
#include "TestHome.h"
#include "WordFixtures.h"
#include "uINIFileForEXE.h"
#include "uTableModel.h"
#include "uWaveFile.h"
#include "uWordView.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace wordfixtures;
using Kind = FakeMessageBoxes::Kind;

namespace {

const QByteArray WaveBytes = QByteArray("RIFF....WAVEfmt ") + QByteArray(300, '\x33');
const QByteArray Mp3Bytes = QByteArray("ID3") + QByteArray(200, '\x44');

// A program folder of its own, the word view, and a presenter on it with fake services.
class MWordTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteBytes(Home.Path() + "bark.wav", WaveBytes);
        WriteBytes(Home.Path() + "moo.mp3", Mp3Bytes);
        Word = MakePresenter(&View);
    }

    void TearDown() override
    {
        Word.reset();
        GlobalIniFileName.clear();
    }

    std::unique_ptr<TMWord> MakePresenter(TWordView* OnView)
    {
        auto SpeechEngine = std::make_unique<FakeSpeech>();
        auto SoundDevice = std::make_unique<FakeSound>();
        Speech = SpeechEngine.get();
        Sound = SoundDevice.get();
        return std::make_unique<TMWord>(OnView, std::move(SpeechEngine), std::move(SoundDevice), Ticks,
            TWordDataServices { &Boxes, &Dialogs, &Board });
    }

    TWordData& Data() { return Word->WordData(); }
    qint32 Add(const TEntry& Entry) { return AddEntry(Data(), Entry); }
    int WordColumn() const { return View.TableModel()->FieldColumn("Word"); }
    QString TempClip(const QString& Ext) const { return ProgramFolder() + "temp." + Ext; }

    // The words met walking Steps times with Next (or Prior), the current one first.
    QStringList Walk(int Steps, bool Forward)
    {
        QStringList Met { Word->GetWordText() };
        for (int I = 0; I < Steps; ++I) {
            Forward ? Word->Next() : Word->Prior();
            Met << Word->GetWordText();
        }
        return Met;
    }

    // An archive of Words, with the setting "FirstWord" when FirstWord is not null, written
    // by the presenter's collection and left as the open list's content.
    QString MakeArchive(const QString& Name, const QStringList& Words, const QString& FirstWord)
    {
        Word->OpenWordList(Home.Path() + "scratch-" + Name);
        for (const QString& Text : Words)
            Add({ Text });
        if (!FirstWord.isNull())
            TIniFileForEXE::WriteString("FirstWord", FirstWord);
        const QString Path = Home.Path() + Name;
        EXPECT_TRUE(Data().SaveToFile(Path));
        return Path;
    }

    TestHome Home;
    FakeClock Ticks;
    FakeMessageBoxes Boxes;
    FakeFileDialogs Dialogs;
    FakeClipboard Board;
    TWordView View;
    FakeSpeech* Speech = nullptr;
    FakeSound* Sound = nullptr;
    std::unique_ptr<TMWord> Word;
};

TEST_F(MWordTest, CreationPointsTheSettingsAtAFreshWorkingFolderAndShowsItsTable)
{
    const QString Dir = Home.Path() + "Temp/Temp1/";
    EXPECT_EQ(Data().DataDir(), Dir);
    EXPECT_EQ(GlobalIniFileName, Dir + "Tumbalo.ini");
    TIniFileForEXE::WriteString("FirstWord", "cat");
    EXPECT_TRUE(QFileInfo::exists(Dir + "Tumbalo.ini"));
    EXPECT_EQ(View.WordData(), &Data());
    Add({ "cat" });
    EXPECT_EQ(View.rowCount(), 1);
    EXPECT_EQ(Word->GetWordText(), "cat");

    EXPECT_THROW(MakePresenter(nullptr), AssertionError);
    EXPECT_FALSE(QFileInfo::exists(Home.Path() + "Temp/Temp2")) << "nothing is made without a view";

    Word.reset();
    EXPECT_FALSE(QFileInfo::exists(Dir));
    EXPECT_EQ(View.WordData(), nullptr);
    EXPECT_EQ(View.rowCount(), 0);
}

TEST_F(MWordTest, WalkingFollowsTheViewsFiltersAndOrderAndWrapsAround)
{
    Add({ "cat", true });
    Add({ "Apple" });
    Add({ "dog", false, Home.Path() + "bark.wav" });
    Add({ "banana", true, Home.Path() + "bark.wav" });
    Add({ "Cab" });
    struct Case
    {
        const char* Name;
        const char* Filter; // nullptr: no word criterion
        int Photo;
        int SortColumn; // -1: the table's order
        Qt::SortOrder Order;
        QStringList Rows;
    };
    const int Words = View.TableModel()->FieldColumn("Word");
    const Case Cases[] = {
        { "table order", nullptr, 0, -1, Qt::AscendingOrder, { "cat", "Apple", "dog", "banana", "Cab" } },
        { "by word", nullptr, 0, Words, Qt::AscendingOrder, { "Apple", "banana", "Cab", "cat", "dog" } },
        { "by word, descending", nullptr, 0, Words, Qt::DescendingOrder, { "dog", "cat", "Cab", "banana", "Apple" } },
        { "word filter", "CA", 0, -1, Qt::AscendingOrder, { "cat", "Cab" } },
        { "pictures, descending", "", 1, Words, Qt::DescendingOrder, { "cat", "banana" } },
        { "one row", "dog", 0, -1, Qt::AscendingOrder, { "dog" } },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        if (C.Filter)
            View.SetWordFilter(QString::fromUtf8(C.Filter));
        else
            View.ClearWordCriterion();
        View.SetPhotoFilter(C.Photo);
        View.sort(C.SortColumn, C.Order);
        ASSERT_TRUE(View.SetFocusedRow(0));
        const int N = static_cast<int>(C.Rows.size());
        QStringList Forward = C.Rows.mid(0);
        Forward << C.Rows.first();
        EXPECT_EQ(Walk(N, true), Forward);
        QStringList Backward { C.Rows.first() };
        for (int I = N - 1; I >= 0; --I)
            Backward << C.Rows.at(I);
        EXPECT_EQ(Walk(N, false), Backward);
    }
}

TEST_F(MWordTest, AViewWithoutRowsHasNoCurrentEntry)
{
    const qint32 Id = Add({ "dog", true, Home.Path() + "bark.wav", 0x00112233 });
    View.SetWordFilter("zzz");
    EXPECT_TRUE(Word->IsGridEmpty());
    EXPECT_EQ(Word->GetWordText(), "");
    EXPECT_EQ(Word->GetBackColor(), TWordData::clBtnFace);
    EXPECT_FALSE(Word->HasClip());
    EXPECT_FALSE(Word->HasPicture());
    EXPECT_TRUE(Word->DisplayPicture().isNull());
    Word->Next();
    Word->Prior();
    EXPECT_EQ(CurrentWordAsStored(Data()), "dog");

    const std::uint32_t Before = Word->LastSpeakTick();
    Ticks.Advance(1000);
    Word->SpeakCurrent();
    Word->PlayClip();
    EXPECT_EQ(Speech->Spoken, QStringList());
    EXPECT_EQ(Sound->Calls, QStringList());
    EXPECT_EQ(Word->LastSpeakTick(), Before);

    // The hidden entry gets no clip from the audio clip window.
    Data().ClearAudio();
    EXPECT_THROW(Word->StoreClip(Home.Path() + "bark.wav"), Error);
    EXPECT_FALSE(Data().HasAudioOf(Id));
}

TEST_F(MWordTest, CurrentEntryTextColourAndPicture)
{
    Add({ " \tcat \r\n", true, {}, 0x00112233 });
    EXPECT_EQ(Word->GetWordText(), "cat");
    EXPECT_EQ(Word->GetBackColor(), 0x00112233u);
    EXPECT_TRUE(Word->HasPicture());
    EXPECT_FALSE(Word->HasClip());
    const QImage Picture = Word->DisplayPicture();
    EXPECT_EQ(Picture.size(), SmallPicture().size());

    Add({ "dog" });
    EXPECT_EQ(Word->GetBackColor(), TWordData::clBtnFace);
    EXPECT_FALSE(Word->HasPicture());
    EXPECT_TRUE(Word->DisplayPicture().isNull());

    // A damaged picture file shows no picture instead of an error on the play screen.
    WriteBytes(Data().PhotoFileName(), "not a picture");
    Data().NoteMediaFile(Data().CurrentRowID(), true);
    EXPECT_TRUE(Word->HasPicture());
    EXPECT_TRUE(Word->DisplayPicture().isNull());
}

TEST_F(MWordTest, AHiddenCurrentEntryLeavesTheFirstShownRowCurrent)
{
    for (const char* Text : { "cat", "dog", "Cab", "cow" })
        Add({ Text });
    Data().LocateWord("dog");
    View.SetWordFilter("ca");
    EXPECT_EQ(Word->GetWordText(), "cat");
    EXPECT_EQ(CurrentWordAsStored(Data()), "cat");
    EXPECT_EQ(Walk(2, true), QStringList({ "cat", "Cab", "cat" }));

    // An edit that hides the current entry: the next request sees the first shown row.
    Data().LocateWord("Cab");
    ASSERT_TRUE(View.setData(View.index(1, WordColumn()), "owl"));
    EXPECT_EQ(Word->GetWordText(), "cat");
    Word->Prior();
    EXPECT_EQ(Word->GetWordText(), "cat") << "one row left";
}

// Each step waits, then asks to speak; a spoken word takes 400 ms. The guard counts from the
// end of the last request with a word, spoken or dropped.
TEST_F(MWordTest, SpeechGuardDropsRequestsWithin500msOfTheLastOne)
{
    struct Step
    {
        std::uint32_t Wait;
        bool Speaks;
    };
    const Step Steps[] = {
        { 0, true },
        { 300, false }, // 300 ms after the word was spoken
        { 600, true }, // 600 ms after the dropped request
        { 400, false },
        { 400, false }, // 800 ms after speaking, but 400 after the dropped request
        { 500, false }, // exactly 500 is not more than 500
        { 501, true },
    };
    for (const std::uint32_t Start : { 1000000u, 0xFFFFF800u }) { // the second wraps around
        SCOPED_TRACE(Start);
        Ticks.Set(Start);
        Word.reset();
        Word = MakePresenter(&View);
        Add({ "cat" });
        Speech->OnSpeak = [this](const QString&) { Ticks.Advance(400); };
        int Spoken = 0;
        for (const Step& S : Steps) {
            Ticks.Advance(S.Wait);
            Word->SpeakCurrent();
            Spoken += S.Speaks ? 1 : 0;
            EXPECT_EQ(Speech->Spoken.size(), Spoken) << "after waiting " << S.Wait;
            EXPECT_EQ(Word->LastSpeakTick(), Ticks.TickCount());
        }
    }

    // A failing engine is silent and still counts as speech.
    Ticks.Advance(1000);
    Speech->FailSpeak = true;
    EXPECT_NO_THROW(Word->SpeakCurrent());
    EXPECT_EQ(Word->LastSpeakTick(), Ticks.TickCount());
    EXPECT_THROW(Word->SpeakText(), Error) << "the editor's Speak button hears of it";
}

TEST_F(MWordTest, AnEntryWithAClipIsPlayedNotSpoken)
{
    Add({ "dog", false, Home.Path() + "bark.wav" });
    Add({ "cat" });
    Speech->SelectVoice("English (America)");
    Data().LocateWord("dog");

    Word->SpeakCurrent();
    EXPECT_EQ(Speech->Spoken, QStringList());
    EXPECT_EQ(Sound->Calls, QStringList({ "Open", "Play" }));
    EXPECT_EQ(Sound->FileName(), TempClip("wav"));
    EXPECT_EQ(ReadBytes(TempClip("wav")), WaveBytes) << "the clip without its trailer";

    Ticks.Advance(600);
    Word->Next();
    Word->SpeakCurrent();
    EXPECT_EQ(Sound->Calls, QStringList({ "Open", "Play", "Stop", "Close" }));
    EXPECT_FALSE(QFileInfo::exists(TempClip("wav")));
    EXPECT_EQ(Sound->FileName(), "");
    EXPECT_EQ(Speech->Spoken, QStringList({ "cat" }));
}

TEST_F(MWordTest, AClipWithoutItsTrailerPlaysNothingAndIsNotSpoken)
{
    Add({ "dog" });
    WriteBytes(Data().AudioFileName(), WaveBytes);
    Data().NoteMediaFile(Data().CurrentRowID(), false);
    ASSERT_TRUE(Word->HasClip());
    Word->SpeakCurrent();
    Word->PlayClip();
    EXPECT_EQ(Sound->Calls, QStringList());
    EXPECT_EQ(Speech->Spoken, QStringList());
    EXPECT_EQ(Sound->FileName(), "");
}

TEST_F(MWordTest, PlayClipStopsTheFormerClipAndNeverSpeaks)
{
    Add({ "dog", false, Home.Path() + "bark.wav" });
    Add({ "cow", false, Home.Path() + "moo.mp3" });
    Add({ "cat" });
    const std::uint32_t Tick = Word->LastSpeakTick();

    Word->PlayClip(); // cat has no clip
    EXPECT_EQ(Sound->Calls, QStringList());
    EXPECT_EQ(Speech->Spoken, QStringList());

    Data().LocateWord("dog");
    Word->PlayClip();
    EXPECT_TRUE(QFileInfo::exists(TempClip("wav")));
    Data().LocateWord("cow");
    Word->PlayClip();
    EXPECT_EQ(Sound->Calls, QStringList({ "Open", "Play", "Stop", "Close", "Open", "Play" }));
    EXPECT_FALSE(QFileInfo::exists(TempClip("wav"))) << "the first clip's file goes first";
    EXPECT_EQ(ReadBytes(TempClip("mp3")), Mp3Bytes);
    EXPECT_EQ(Word->LastSpeakTick(), Tick);

    Sound->FailAt = FakeSound::Step::Play;
    EXPECT_NO_THROW(Word->PlayClip());
    Sound->FailAt.reset();
    EXPECT_EQ(Speech->Spoken, QStringList());
}

TEST_F(MWordTest, StopClipDeletesTheFileUnlessAStepFails)
{
    Add({ "dog", false, Home.Path() + "bark.wav" });
    struct Case
    {
        const char* Name;
        std::optional<FakeSound::Step> FailAt;
        bool FileGoes;
    };
    const Case Cases[] = {
        { "all steps work", std::nullopt, true },
        { "stop fails", FakeSound::Step::Stop, false },
        { "close fails", FakeSound::Step::Close, false },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        Word->PlayClip();
        ASSERT_TRUE(QFileInfo::exists(TempClip("wav")));
        Sound->FailAt = C.FailAt;
        EXPECT_NO_THROW(Word->StopClip());
        Sound->FailAt.reset();
        EXPECT_EQ(Sound->FileName(), "");
        EXPECT_EQ(QFileInfo::exists(TempClip("wav")), !C.FileGoes);
        Sound->Close();
    }
    Sound->Calls.clear();
    Word->StopClip();
    EXPECT_EQ(Sound->Calls, QStringList()) << "an idle player is left alone";
}

TEST_F(MWordTest, RecordingStopsTheClipWritesTheHeaderAndKeepsTheRecordingAsTheClip)
{
    Add({ "cow", false, Home.Path() + "bark.wav" });
    const qint32 Id = Add({ "dog" });
    View.SetAudioFilter(2);
    EXPECT_EQ(View.ShownWords(), QStringList({ "dog" }));
    View.SetAudioFilter(0);
    Data().LocateWord("cow");
    Word->PlayClip();
    Data().LocateWord("dog");
    Sound->Calls.clear();

    ASSERT_TRUE(Word->StartRecording());
    EXPECT_FALSE(QFileInfo::exists(TempClip("wav")));
    EXPECT_EQ(Sound->Calls, QStringList({ "Stop", "Close", "Open", "StartRecording" }));
    const QString Recording = TMWord::TempWaveFileName();
    EXPECT_EQ(Recording, Home.Path() + "Temp.wav");
    EXPECT_EQ(Sound->FileName(), Recording);
    QByteArray Header = ReadBytes(Recording);
    ASSERT_EQ(Header.size(), WaveHeaderSize);
    EXPECT_TRUE(Header.startsWith("RIFF"));
    EXPECT_EQ(Header.at(22), 2) << "stereo";
    EXPECT_EQ(Header.at(34), 16) << "16 bits";

    // The recorder appends its samples; the fake leaves that to the test.
    const QByteArray Recorded = Header + QByteArray(400, '\x55');
    WriteBytes(Recording, Recorded);
    Sound->Calls.clear();
    Word->StopRecording();
    EXPECT_EQ(Sound->Calls, QStringList({ "Stop", "Save " + Recording, "Close" }));
    EXPECT_EQ(ReadBytes(Data().AudioFileNameOf(Id)), Recorded + QByteArray("EXT=.wav\0\0", 10));
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Type, Kind::Information);
    EXPECT_EQ(Boxes.Boxes[0].Text, QString::fromUtf8("声音录制完毕!"));
    EXPECT_EQ(Boxes.Boxes[0].Caption, QString::fromUtf8("信息"));
    EXPECT_EQ(Sound->FileName(), Recording) << "the player keeps the recording's name";

    // The next stop finds the player closed: the name goes, the recording file stays.
    Word->StopClip();
    EXPECT_EQ(Sound->FileName(), "");
    EXPECT_TRUE(QFileInfo::exists(Recording));

    View.SetAudioFilter(1);
    EXPECT_EQ(View.ShownWords(), QStringList({ "cow", "dog" })) << "the filters know of the new clip";
}

TEST_F(MWordTest, RecordingFailuresShowTheirMessages)
{
    const qint32 Id = Add({ "dog" });
    const QString Recording = TMWord::TempWaveFileName();
    for (const FakeSound::Step Step : { FakeSound::Step::Open, FakeSound::Step::StartRecording }) {
        Boxes.Boxes.clear();
        QFile::remove(Recording);
        Sound->FailAt = Step;
        EXPECT_FALSE(Word->StartRecording());
        Sound->FailAt.reset();
        EXPECT_EQ(ReadBytes(Recording).size(), WaveHeaderSize) << "the header is there all the same";
        ASSERT_EQ(Boxes.Boxes.size(), 1);
        EXPECT_EQ(Boxes.Boxes[0].Type, Kind::Error);
        EXPECT_EQ(Boxes.Boxes[0].Text, QString::fromUtf8("媒体设备初始化失败"));
        EXPECT_EQ(Boxes.Boxes[0].Caption, QString::fromUtf8("错误"));
        Word->StopClip();
    }

    for (const FakeSound::Step Step : { FakeSound::Step::Stop, FakeSound::Step::Save, FakeSound::Step::Close }) {
        ASSERT_TRUE(Word->StartRecording());
        Boxes.Boxes.clear();
        Sound->FailAt = Step;
        Word->StopRecording();
        Sound->FailAt.reset();
        EXPECT_FALSE(Data().HasAudioOf(Id));
        ASSERT_EQ(Boxes.Boxes.size(), 1);
        EXPECT_EQ(Boxes.Boxes[0].Type, Kind::Error);
        EXPECT_EQ(Boxes.Boxes[0].Text, QString::fromUtf8("保存声音文件出错!"));
        EXPECT_EQ(Boxes.Boxes[0].Caption, QString::fromUtf8("错误"));
        Word->StopClip();
    }

    // A recording while no entry is shown is kept nowhere.
    ASSERT_TRUE(Word->StartRecording());
    View.SetWordFilter("zzz");
    Boxes.Boxes.clear();
    Word->StopRecording();
    EXPECT_FALSE(Data().HasAudioOf(Id));
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Text, QString::fromUtf8("保存声音文件出错!"));
}

TEST_F(MWordTest, OpenWordListGoesToTheFirstWord)
{
    const QString Sea = QString::fromUtf8("海海");
    struct Case
    {
        const char* Name;
        QStringList Words;
        QString FirstWord; // null: no setting
        QString Current;
    };
    const Case Cases[] = {
        { "setting names an entry", { "cat", "dog", Sea }, "dog", "dog" },
        { "no setting", { "cat", "dog", Sea }, QString(), Sea },
        { "empty setting", { "cat", Sea }, "", Sea },
        { "setting names no entry", { "cat", "dog" }, "cow", "cat" },
        { "neither", { "cat", "dog" }, QString(), "cat" },
    };
    int N = 0;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const QString Archive = MakeArchive(QString("list%1.tlo").arg(++N), C.Words, C.FirstWord);
        ASSERT_TRUE(Word->OpenWordList(Home.Path() + "elsewhere.tlo"));
        ASSERT_TRUE(Word->OpenWordList(Archive));
        EXPECT_EQ(Data().FileName(), Archive);
        EXPECT_EQ(View.rowCount(), C.Words.size());
        EXPECT_EQ(Word->GetWordText(), C.Current);
    }

    // The first word hidden by a filter: the first shown row.
    View.SetWordFilter("o");
    ASSERT_TRUE(Word->OpenWordList(Home.Path() + "list1.tlo"));
    EXPECT_EQ(Word->GetWordText(), "dog");
    View.SetWordFilter("a");
    EXPECT_EQ(Word->GetWordText(), "cat");
}

TEST_F(MWordTest, OpenWordListNamesBlanksMissingFilesCancelsAndErrors)
{
    Word->OpenWordList(Home.Path() + "first.tlo");
    Add({ "cat" });
    for (const char* Blank : { "", "   ", "\t" })
        EXPECT_FALSE(Word->OpenWordList(Blank));
    EXPECT_EQ(Data().FileName(), Home.Path() + "first.tlo");
    EXPECT_EQ(View.rowCount(), 1);

    // Cancelling the question about unsaved changes still counts as done.
    Boxes.Answers.push_back(MessageBoxes::Answer::Cancel);
    EXPECT_TRUE(Word->OpenWordList(Home.Path() + "second.tlo"));
    EXPECT_EQ(Data().FileName(), Home.Path() + "first.tlo");
    EXPECT_EQ(Word->GetWordText(), "cat");

    Boxes.Answers.push_back(MessageBoxes::Answer::No);
    EXPECT_TRUE(Word->OpenWordList(Home.Path() + "missing.tlo"));
    EXPECT_EQ(Data().FileName(), Home.Path() + "missing.tlo");
    EXPECT_TRUE(View.IsAttached());
    EXPECT_EQ(View.rowCount(), 0);

    // A broken archive raises to the caller, and the view shows the list again afterwards.
    WriteBytes(Home.Path() + "broken.tlo", "this is no archive");
    EXPECT_THROW(Word->OpenWordList(Home.Path() + "broken.tlo"), Error);
    EXPECT_TRUE(View.IsAttached());
    Add({ "dog" });
    EXPECT_EQ(View.rowCount(), 1);
    EXPECT_EQ(Word->GetWordText(), "dog");
}

TEST_F(MWordTest, OpeningWithTheMediaFiltersOnShowsTheRightEntries)
{
    Word->OpenWordList(Home.Path() + "first.tlo");
    Add({ "plain" });
    Add({ "picture", true });
    Add({ "clip", false, Home.Path() + "bark.wav" });
    const QString Archive = Home.Path() + "media.tlo";
    ASSERT_TRUE(Data().SaveToFile(Archive));
    ASSERT_TRUE(Word->OpenWordList(Home.Path() + "empty.tlo"));

    View.SetPhotoFilter(1);
    ASSERT_TRUE(Word->OpenWordList(Archive));
    EXPECT_EQ(View.ShownWords(), QStringList({ "picture" }));
    View.SetPhotoFilter(2);
    View.SetAudioFilter(2);
    EXPECT_EQ(View.ShownWords(), QStringList({ "plain" }));
}

TEST_F(MWordTest, Voices)
{
    QStringList Names { "left over" };
    Word->GetVoiceNames(Names);
    EXPECT_EQ(
        Names, QStringList({ "Chinese (Mandarin, latin as Pinyin)", "English (America)", "English (Great Britain)" }));
    EXPECT_EQ(Word->CurrentVoiceIndex(), -1) << "the voice follows the text";

    Word->SelectVoice(2);
    EXPECT_EQ(Speech->Voice, "English (Great Britain)");
    EXPECT_EQ(Word->CurrentVoiceIndex(), 2);
    Word->SelectVoice(-1);
    EXPECT_EQ(Word->CurrentVoiceIndex(), 2);
    EXPECT_THROW(Word->SelectVoice(3), Error);
    EXPECT_EQ(Word->CurrentVoiceIndex(), 2);

    Speech->Voice = "Klingon";
    EXPECT_EQ(Word->CurrentVoiceIndex(), -1);

    Speech->FailVoices = true;
    Word->GetVoiceNames(Names);
    EXPECT_EQ(Names, QStringList());
    EXPECT_EQ(Word->CurrentVoiceIndex(), -1);
}

TEST_F(MWordTest, ExportingTheWholeListWritesItsArchiveAndKeepsItUnsaved)
{
    ASSERT_TRUE(Word->OpenWordList(Home.Path() + "mine.tlo"));
    Add({ "cat", true });
    Add({ "dog", false, Home.Path() + "bark.wav" });
    TIniFileForEXE::WriteString("FirstWord", "dog");
    ASSERT_TRUE(Data().Modified());

    const QString Export = Home.Path() + "copy.TLO";
    Word->ExportToFile(Export);
    EXPECT_EQ(Data().FileName(), Home.Path() + "mine.tlo");
    EXPECT_TRUE(Data().Modified()) << "mine.tlo itself still lacks the entries";
    EXPECT_FALSE(QFileInfo::exists(Home.Path() + "copy.~lo"));

    TWordData Copy(TWordData::CreateWorkDir());
    Copy.OpenFile(Export);
    EXPECT_EQ(Copy.DataSet().RecordCount(), 2);
    EXPECT_TRUE(QFileInfo::exists(Copy.DataDir() + "Tumbalo.ini")) << "the settings travel with it";
    EXPECT_EQ(RowIDsWithFile(Copy, true), RowIDsWithFile(Data(), true));
    EXPECT_EQ(RowIDsWithFile(Copy, false), RowIDsWithFile(Data(), false));
}

TEST_F(MWordTest, ExportingShownRowsWritesThemInTheViewsOrder)
{
    Add({ "cat", true });
    Add({ " dog ", false, Home.Path() + "bark.wav" });
    Add({ "Apple" });
    Add({ "bee" });
    Data().LocateWord("bee");
    View.sort(WordColumn(), Qt::DescendingOrder);

    View.SetPhotoFilter(2);
    const QString Rows = Home.Path() + "shown.tlo";
    Word->ExportToFile(Rows);
    EXPECT_EQ(Word->GetWordText(), "bee") << "the focus stays";
    TWordData Copy(TWordData::CreateWorkDir());
    Copy.OpenFile(Rows);
    QStringList Words;
    for (TDataTable& Table = Copy.DataSet(); !Table.Eof(); Table.Next())
        Words << CurrentWordAsStored(Copy);
    EXPECT_EQ(Words, QStringList({ "bee", "Apple", "dog" }));
    EXPECT_EQ(RowIDsWithFile(Copy, false), QSet<qint32>({ 4 })) << "new RowIDs, the clip along";
    EXPECT_FALSE(QFileInfo::exists(Copy.DataDir() + "Tumbalo.ini"));

    View.SetPhotoFilter(0);
    View.sort(WordColumn(), Qt::AscendingOrder);
    const QString Text = Home.Path() + "words.txt";
    Word->ExportToFile(Text);
    EXPECT_EQ(ReadBytes(Text), QByteArray(" dog \r\nApple\r\nbee\r\ncat\r\n"));

    View.SetWordFilter("zzz");
    Word->ExportToFile(Text);
    EXPECT_EQ(ReadBytes(Text), QByteArray());

    const QStringList Before = QDir(Home.Path()).entryList(QDir::Files);
    Word->ExportToFile(" ");
    EXPECT_EQ(QDir(Home.Path()).entryList(QDir::Files), Before);
}

TEST_F(MWordTest, AppendFromATextFileShowsTheNewEntries)
{
    Add({ "cat" });
    WriteBytes(Home.Path() + "more.txt", "dog\r\n\r\nbee\r\n");
    EXPECT_EQ(Word->AppendFrom(Home.Path() + "more.txt"), 3);
    EXPECT_EQ(View.ShownWords(), QStringList({ "cat", "dog", "", "bee" }));
    EXPECT_EQ(Word->AppendFrom(" "), 0);
}

} // namespace
