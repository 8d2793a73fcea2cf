#include "ModelTesterMessages.h"
#include "uWordView.h"

#include "TestHome.h"
#include "WordFixtures.h"
#include "uTableModel.h"
#include "uWordData.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace wordfixtures;

namespace {

TEST(WordViewLike, PercentTakesAnyRunUnderscoreOneCharacterLetterCaseIgnored)
{
    struct Case
    {
        const char* Text;
        const char* Pattern;
        bool Matches;
    };
    const Case Cases[] = {
        { "Cat", "%ca%", true }, { "scAB", "%ab%", true }, { "cd", "%ab%", false }, { "", "%%", true },
        { "", "%x%", false }, { "abc", "abc", true }, { "abcd", "abc", false }, { "ABC", "a_c", true },
        { "ac", "a_c", false }, { "abc", "%c", true }, { "abc", "%b", false },
        { "abcbcd", "%b_d", true }, // the first b leads nowhere
        { "abcbd", "%b_d", false }, { "aXbXc", "a%b%c", true }, { "aXbX", "a%b%c", false },
        { "海豹海", "%海豹%", true }, { "海海", "%豹%", false },
        { "\xf0\xa0\x80\x80x", "_x", true }, // one character outside the basic plane
        { "Straße", "%STRASSE%", false }, // case folding goes character by character
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(TWordView::MatchesLike(QString::fromUtf8(C.Text), QString::fromUtf8(C.Pattern)), C.Matches)
            << C.Text << " like " << C.Pattern;
    }
}

// A program folder of its own, a collection on a fresh working folder and the view over it,
// checked by a model tester all along.
class WordViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TesterComplaints().clear();
        FOldHandler = qInstallMessageHandler(CollectTesterMessages);
        Data = std::make_unique<TWordData>(TWordData::CreateWorkDir());
        View = std::make_unique<TWordView>();
        View->SetWordData(Data.get());
        Tester = std::make_unique<QAbstractItemModelTester>(
            View.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
        WriteBytes(Clip, QByteArray("RIFF....WAVEfmt ") + QByteArray(200, '\x22'));
    }

    void TearDown() override
    {
        Tester.reset();
        View->SetWordData(nullptr);
        View.reset();
        Data.reset();
        qInstallMessageHandler(FOldHandler);
        EXPECT_EQ(TesterComplaints(), QStringList());
    }

    qint32 Add(const TEntry& Entry) { return AddEntry(*Data, Entry); }
    void AddWords(const QStringList& Words)
    {
        for (const QString& Word : Words)
            Add({ Word });
    }

    QStringList Shown() const { return View->ShownWords(); }
    int WordColumn() const { return View->TableModel()->FieldColumn("Word"); }

    // The view's picture and sound filters each show exactly the entries whose file is there
    // (index 1) or is not (index 2).
    void ExpectFiltersAgreeWithFiles()
    {
        const QSet<qint32> All = AllRowIDs(*Data);
        for (const bool Photo : { true, false }) {
            const QSet<qint32> With = RowIDsWithFile(*Data, Photo);
            for (const int Index : { 1, 2 }) {
                View->SetPhotoFilter(Photo ? Index : 0);
                View->SetAudioFilter(Photo ? 0 : Index);
                const QList<qint32> Rows = View->ShownRowIDs();
                const QSet<qint32> ShownIds(Rows.begin(), Rows.end());
                EXPECT_EQ(ShownIds, Index == 1 ? With : All - With)
                    << (Photo ? "picture" : "sound") << " filter " << Index;
            }
        }
        View->SetPhotoFilter(0);
        View->SetAudioFilter(0);
    }

    TestHome Home;
    QString Clip = Home.Path() + "clip.wav";
    std::unique_ptr<TWordData> Data;
    std::unique_ptr<TWordView> View;
    std::unique_ptr<QAbstractItemModelTester> Tester;

private:
    QtMessageHandler FOldHandler = nullptr;
};

TEST_F(WordViewTest, WordCriterionIgnoresLetterCaseAndAnEmptyBoxShowsEveryEntry)
{
    AddWords({ "ab", "xAb", "AB", "cd" });
    Add({ QVariant() }); // an entry without a word
    EXPECT_EQ(View->rowCount(), 5);
    EXPECT_FALSE(View->HasWordCriterion());

    View->SetWordFilter("ab");
    EXPECT_EQ(Shown(), QStringList({ "ab", "xAb", "AB" }));
    EXPECT_EQ(View->WordCriterionValue(), "%ab%");
    EXPECT_EQ(View->WordCriterionText(), "ab");

    View->SetWordFilter("");
    EXPECT_TRUE(View->HasWordCriterion());
    EXPECT_EQ(View->WordCriterionValue(), "%%");
    EXPECT_EQ(View->rowCount(), 5);

    // A criterion restored from a stored filter applies whatever the box shows.
    View->SetWordCriterion("c_", "c?");
    EXPECT_EQ(Shown(), QStringList({ "cd" }));
    View->ClearWordCriterion();
    EXPECT_EQ(View->rowCount(), 5);
}

TEST_F(WordViewTest, PictureAndSoundFiltersCombine)
{
    Add({ "none" });
    Add({ "picture", true });
    Add({ "clip", false, Clip });
    Add({ "both", true, Clip });
    struct Case
    {
        int Photo;
        int Audio;
        QStringList Rows;
    };
    const Case Cases[] = {
        { 0, 0, { "none", "picture", "clip", "both" } }, { 1, 0, { "picture", "both" } }, { 2, 0, { "none", "clip" } },
        { 0, 1, { "clip", "both" } }, { 0, 2, { "none", "picture" } }, { 1, 1, { "both" } }, { 1, 2, { "picture" } },
        { 2, 1, { "clip" } }, { 2, 2, { "none" } },
        { -1, 3, { "none", "picture", "clip", "both" } }, // no choice counts as "all"
    };
    for (const Case& C : Cases) {
        View->SetPhotoFilter(C.Photo);
        View->SetAudioFilter(C.Audio);
        EXPECT_EQ(Shown(), C.Rows) << "picture " << C.Photo << ", sound " << C.Audio;
    }
    View->SetPhotoFilter(1);
    View->SetAudioFilter(0);
    View->SetWordFilter("BO");
    EXPECT_EQ(Shown(), QStringList({ "both" }));
}

TEST_F(WordViewTest, AFilterHidingEveryRowFocusesNothingAndKeepsTheCursor)
{
    AddWords({ "ab", "cd", "ef" });
    Data->LocateWord("cd");
    View->SetWordFilter("zzz");
    EXPECT_EQ(View->rowCount(), 0);
    EXPECT_EQ(View->FocusedRow(), -1);
    EXPECT_FALSE(View->SetFocusedRow(0));
    QCoreApplication::processEvents();
    EXPECT_EQ(CurrentWordAsStored(*Data), "cd");

    View->SetWordFilter("");
    EXPECT_EQ(View->FocusedRow(), 1);
    EXPECT_EQ(CurrentWordAsStored(*Data), "cd");
}

TEST_F(WordViewTest, FocusFollowsTheTableCursorAndTheCursorFollowsTheFocus)
{
    AddWords({ "a", "b", "c", "d" });
    View->sort(WordColumn(), Qt::DescendingOrder); // d c b a: rows differ from the table's
    QSignalSpy Focus(View.get(), &TWordView::FocusedRowChanged);
    auto LastAnnounced = [&] { return Focus.isEmpty() ? -99 : Focus.last().at(0).toInt(); };

    Data->LocateWord("b");
    EXPECT_EQ(View->FocusedRow(), 2);
    EXPECT_EQ(LastAnnounced(), 2);

    // Inserted before b in the table's order; sorted between c and b in the view.
    TDataTable& Table = Data->DataSet();
    Table.Insert();
    Table.FieldByName("Word").SetAsString("bb");
    Table.Post();
    EXPECT_EQ(Shown(), QStringList({ "d", "c", "bb", "b", "a" }));
    EXPECT_EQ(View->FocusedRow(), 2);
    EXPECT_EQ(LastAnnounced(), 2);

    Table.Delete(); // b, after bb in the table's order, becomes current
    EXPECT_EQ(CurrentWordAsStored(*Data), "b");
    EXPECT_EQ(View->FocusedRow(), 2);

    // A reload puts the first record of the table's order, a, on the cursor.
    const QByteArray Packet = Table.SaveToXml();
    Data->LocateWord("c");
    EXPECT_EQ(LastAnnounced(), 1);
    Table.LoadFromXml(Packet);
    EXPECT_EQ(View->FocusedRow(), 3);
    EXPECT_EQ(LastAnnounced(), 3);

    for (int Row = 0; Row < View->rowCount(); ++Row) {
        ASSERT_TRUE(View->SetFocusedRow(Row));
        EXPECT_EQ(CurrentWordAsStored(*Data), View->WordAt(Row));
        EXPECT_EQ(View->FocusedRow(), Row);
        EXPECT_EQ(LastAnnounced(), Row);
    }
    EXPECT_FALSE(View->SetFocusedRow(View->rowCount()));
    EXPECT_FALSE(View->SetFocusedRow(-1));
}

TEST_F(WordViewTest, AHiddenCurrentEntryGivesTheFocusToTheFirstShownRow)
{
    AddWords({ "cat", "dog", "cab", "cow" });
    Data->LocateWord("dog");
    View->SetWordFilter("ca");
    EXPECT_EQ(CurrentWordAsStored(*Data), "cat") << "a filter moves the focus at once";
    EXPECT_EQ(View->FocusedRow(), 0);

    // The grid edits the focused entry so that the filter drops it: the table is announcing
    // the change then, so the focus moves on the next turn of the event loop.
    ASSERT_TRUE(View->setData(View->index(0, WordColumn()), "bird"));
    EXPECT_EQ(Shown(), QStringList({ "cab" }));
    QCoreApplication::processEvents();
    EXPECT_EQ(CurrentWordAsStored(*Data), "cab");
    EXPECT_EQ(View->FocusedRow(), 0);

    // Asked before the event loop turned, the view moves the focus itself.
    ASSERT_TRUE(View->setData(View->index(0, WordColumn()), "owl"));
    EXPECT_EQ(View->rowCount(), 0);
    View->SetWordFilter("o");
    EXPECT_EQ(Shown(), QStringList({ "dog", "owl", "cow" }));
    EXPECT_EQ(View->FocusedRow(), 1) << "owl stayed current and is shown again";
    Data->LocateWord("bird");
    EXPECT_EQ(View->FocusedRow(), 0);
    EXPECT_EQ(CurrentWordAsStored(*Data), "dog");
}

TEST_F(WordViewTest, SortsByAnyColumnBothWaysKeepingTheFocusedEntry)
{
    Add({ "b", false, {}, 5, "x" });
    Add({ "A", false, {}, 300 });
    Add({ "c", false, {}, {}, "X" });
    Add({ "a", false, {}, 20, "y" });
    Data->LocateWord("c");
    struct Case
    {
        const char* Field;
        Qt::SortOrder Order;
        QStringList Rows;
    };
    const Case Cases[] = {
        { "Word", Qt::AscendingOrder, { "A", "a", "b", "c" } }, { "Word", Qt::DescendingOrder, { "c", "b", "a", "A" } },
        { "Category", Qt::AscendingOrder, { "A", "c", "b", "a" } }, // empty first, X before x
        { "BackColor", Qt::AscendingOrder, { "c", "b", "a", "A" } }, // numbers by value
        { "BackColor", Qt::DescendingOrder, { "A", "a", "b", "c" } },
        { "", Qt::AscendingOrder, { "b", "A", "c", "a" } }, // no column: the table's order
    };
    for (const Case& C : Cases) {
        const int Column = *C.Field ? View->TableModel()->FieldColumn(C.Field) : -1;
        View->sort(Column, C.Order);
        EXPECT_EQ(Shown(), C.Rows) << C.Field << " " << C.Order;
        EXPECT_EQ(View->WordAt(View->FocusedRow()), "c") << C.Field << " " << C.Order;
    }
}

TEST_F(WordViewTest, ASortedViewStaysSortedThroughEveryChangeOfTheTable)
{
    AddWords({ "pear", "Apple", "fig", "banana" });
    View->sort(WordColumn(), Qt::AscendingOrder);
    // The table's words in the view's order, sorted afresh.
    auto Expected = [this] {
        QStringList Words;
        TDataTable& Table = Data->DataSet();
        for (int Row = 0; Row < Table.RecordCount(); ++Row)
            Words << Table.Value(Row, WordColumn()).toString();
        std::stable_sort(Words.begin(), Words.end(), [](const QString& A, const QString& B) {
            const int Folded = A.compare(B, Qt::CaseInsensitive);
            return Folded != 0 ? Folded < 0 : A.compare(B) < 0;
        });
        return Words;
    };
    TDataTable& Table = Data->DataSet();
    struct Step
    {
        const char* Name;
        std::function<void()> Change;
    };
    const Step Steps[] = {
        { "append", [&] { Add({ "cherry" }); } },
        { "edit through the view",
            [&] {
                const int Row = static_cast<int>(Shown().indexOf("fig"));
                ASSERT_TRUE(View->setData(View->index(Row, WordColumn()), "Zucchini"));
            } },
        { "insert",
            [&] {
                Data->LocateWord("pear");
                Table.Insert();
                Table.FieldByName("Word").SetAsString("avocado");
                Table.Post();
            } },
        { "delete",
            [&] {
                Data->LocateWord("banana");
                Table.Delete();
            } },
        { "the table's own ordering", [&] { Table.SetIndexFieldNames("Word"); } },
        { "a posted entry moving in that ordering", [&] { Add({ "kiwi" }); } },
        { "the table's order again", [&] { Table.SetIndexFieldNames(""); } },
        { "reload", [&] { Table.LoadFromXml(Table.SaveToXml()); } },
        { "bulk append",
            [&] {
                TControlsDisabled Quiet(Table);
                AddWords({ "date", "Elder", "apricot" });
            } },
        { "another sort column and back",
            [&] {
                View->sort(View->TableModel()->FieldColumn("Category"), Qt::AscendingOrder);
                View->sort(WordColumn(), Qt::AscendingOrder);
            } },
    };
    for (const Step& S : Steps) {
        S.Change();
        EXPECT_EQ(Shown(), Expected()) << "after: " << S.Name;
    }
}

TEST_F(WordViewTest, ADetachedViewShowsNothingUntilAttachedAgain)
{
    AddWords({ "a", "b" });
    View->SetPhotoFilter(1);
    EXPECT_EQ(View->rowCount(), 0);
    View->DetachSource();
    EXPECT_FALSE(View->IsAttached());
    Data->LocateWord("b");
    Data->StorePhoto(SmallPicture());
    Add({ "c", true });
    EXPECT_EQ(View->rowCount(), 0);
    EXPECT_EQ(View->FocusedRow(), -1);
    View->AttachSource();
    EXPECT_EQ(Shown(), QStringList({ "b", "c" }));
    EXPECT_EQ(View->WordAt(View->FocusedRow()), "c");
}

TEST_F(WordViewTest, MediaPresenceAgreesWithTheFilesThroughTheFilters)
{
    QList<qint32> Ids;
    for (int I = 0; I < 6; ++I)
        Ids << Add({ QString("w%1").arg(I), I % 2 == 0, I % 3 == 0 ? Clip : QString() });
    ExpectFiltersAgreeWithFiles();

    Data->LocateWord("w0");
    Data->ClearPhoto();
    Data->ClearAudio();
    Data->LocateWord("w1");
    Data->StoreAudio(Clip);
    Data->LocateWord("w4");
    Data->DataSet().Delete(); // takes its picture with it
    ExpectFiltersAgreeWithFiles();

    // A reload rebuilds the presence from the unpacked files.
    const QString Archive = Home.Path() + "media.tlo";
    ASSERT_TRUE(Data->SaveToFile(Archive));
    Data->OpenFile(Home.Path() + "other.tlo");
    ExpectFiltersAgreeWithFiles();
    Data->OpenFile(Archive);
    ASSERT_EQ(Data->DataSet().RecordCount(), 5);
    ExpectFiltersAgreeWithFiles();

    // Entries appended from an archive bring their files.
    Data->AppendFromFile(Archive);
    ASSERT_EQ(Data->DataSet().RecordCount(), 10);
    ExpectFiltersAgreeWithFiles();
}

} // namespace
