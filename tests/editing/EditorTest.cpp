// The editor window on fakes, offscreen: layout and defaults, the entry side following the
// grid, the three filters, the fill-drag, opening and new files, saving with the grid's state
// files, pictures, the list commands and their progress, the boxes and the navigator.

#include "EditorFixture.h"
#include "uGridSettings.h"
#include "uINIFileForEXE.h"
#include "uTableModel.h"

#include <QFileInfo>
#include <QFontComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSpinBox>
#include <QToolButton>

#include <string>
#include <vector>

using namespace editorfixtures;

namespace {

using EditorTest = EditorFixture;

// --- Layout and defaults -----------------------------------------------------------------------

TEST_F(EditorTest, StartsWithItsCaptionSizeColumnsAndDefaults)
{
    EXPECT_EQ(Editor->windowTitle(), QStringLiteral("Editor"));
    EXPECT_EQ(Editor->size(), QSize(552, 625));
    EXPECT_EQ(Editor->GetInterval(), 2000);
    EXPECT_EQ(Editor->GetFontName(), QStringLiteral("MS Sans Serif"));
    EXPECT_FALSE(Editor->FileOpened());
    EXPECT_EQ(Editor->FrmAudio()->WordPresenter(), Word.get());

    // Columns in their order with their captions and widths; RowID hidden, the colour no column.
    QHeaderView* Header = Editor->Grid()->horizontalHeader();
    TTableModel* Model = View()->TableModel();
    ASSERT_NE(Model, nullptr);
    QStringList Captions;
    QList<int> Widths;
    for (int Visual = 0; Visual < Header->count(); ++Visual) {
        const int Logical = Header->logicalIndex(Visual);
        if (!Header->isSectionHidden(Logical)) {
            Captions << View()->headerData(Logical, Qt::Horizontal).toString();
            Widths << Header->sectionSize(Logical);
        }
    }
    EXPECT_EQ(
        Captions, (QStringList { QString::fromUtf8("字词"), QString::fromUtf8("类目"), QString::fromUtf8("状态") }));
    EXPECT_EQ(Widths, (QList<int> { 115, 54, 55 }));
    EXPECT_TRUE(Header->isSectionHidden(Model->FieldColumn("RowID")));
    EXPECT_TRUE(Header->isSectionHidden(Model->FieldColumn("BackColor")));
    EXPECT_EQ(Header->visualIndex(Model->FieldColumn("RowID")), 3);

    auto* Photo = Find<QComboBox>("edPhotoFilter");
    auto* Audio = Find<QComboBox>("edAudioFilter");
    ASSERT_EQ(Photo->count(), 3);
    EXPECT_EQ(Photo->itemText(1), QString::fromUtf8("有图片"));
    EXPECT_EQ(Photo->itemText(2), QString::fromUtf8("无图片"));
    EXPECT_EQ(Audio->itemText(1), QString::fromUtf8("自定义"));
    EXPECT_EQ(Audio->itemText(2), QStringLiteral("TTS"));
    EXPECT_EQ(Photo->currentIndex(), 0);
    EXPECT_EQ(Audio->currentIndex(), 0);
    EXPECT_EQ(Find<QSpinBox>("edInterval")->singleStep(), 500);

    // The voice list holds the engine's voices; none is chosen while the voice follows the text.
    auto* Voices = Find<QComboBox>("edVoiceList");
    EXPECT_EQ(Voices->count(), Speech->Installed.size());
    EXPECT_EQ(Voices->currentIndex(), -1);

    // The buttons that stand for actions carry the actions' captions.
    EXPECT_EQ(Find<QAbstractButton>("btnSave")->text(), QString::fromUtf8("保存"));
    EXPECT_EQ(Find<QAbstractButton>("cxButton1")->text(), QString::fromUtf8("打开"));
    EXPECT_EQ(Find<QAbstractButton>("btnNew")->text(), QString::fromUtf8("新建"));
    EXPECT_EQ(Find<QAbstractButton>("cxButton2")->text(), QString::fromUtf8("清除重复"));
    EXPECT_EQ(Find<QAction>("actPasteLines")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(Find<QAction>("actSave")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
}

TEST_F(EditorTest, IntervalBoxWithoutANumberGives2000)
{
    Editor->SetInterval(3500);
    EXPECT_EQ(Editor->GetInterval(), 3500);
    Editor->SetInterval(0);
    EXPECT_EQ(Editor->GetInterval(), 0);
    // The adult emptied the box and has not left it yet.
    auto* Box = Find<QSpinBox>("edInterval");
    Box->findChild<QLineEdit*>()->setText(QString());
    EXPECT_EQ(Editor->GetInterval(), 2000);
    Editor->SetFontName(QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(Editor->GetFontName(), QStringLiteral("DejaVu Sans"));
}

// --- The entry side follows the grid ---------------------------------------------------------

TEST_F(EditorTest, FilterHidingEveryRowDisablesTheBoxesButNoButton)
{
    AddWords({ "cat", "dog" });
    Settle();
    Editor->UpdateRecordView();
    EXPECT_TRUE(Find<QLineEdit>("edWord")->isEnabled());
    EXPECT_EQ(RowCountLabel(), "2");

    Find<QLineEdit>("edWordFilter")->setText(QStringLiteral("zebra"));
    Settle();
    for (const char* Box : { "edWord", "edCategory", "edStatus", "edColor" })
        EXPECT_FALSE(Find<QWidget>(Box)->isEnabled()) << Box;
    for (QAbstractButton* Button : Editor->findChildren<QAbstractButton*>()) {
        if (Button->objectName().startsWith("btn") || Button->objectName().startsWith("cxButton")) {
            EXPECT_TRUE(Button->isEnabled() || Button->objectName() == "btnSave") << Button->objectName().toStdString();
        }
    }
    EXPECT_EQ(RowCountLabel(), "0");
    EXPECT_EQ(CurrentIdxLabel(), "0");
    EXPECT_TRUE(Find<QLineEdit>("edWord")->text().isEmpty());

    // Commands without an entry do nothing: no picture goes to the hidden current entry.
    Board.Picture = SmallPicture();
    const qint32 Hidden = Data().CurrentRowID();
    Find<QAbstractButton>("btnPaste")->click();
    EXPECT_FALSE(Data().HasPhotoOf(Hidden));
}

TEST_F(EditorTest, BoxesShowTheFocusedEntryAndWriteItBack)
{
    Add("cat", false, false, "animal");
    Add("apple", false, false, "fruit");
    Data().SetModified(false);
    View()->SetFocusedRow(1);
    Settle();
    EXPECT_EQ(Find<QLineEdit>("edWord")->text(), "apple");
    EXPECT_EQ(Find<QLineEdit>("edCategory")->text(), "fruit");
    EXPECT_EQ(CurrentIdxLabel(), "2");
    EXPECT_EQ(Editor->Grid()->currentIndex().row(), 1);

    // Passing through a box without typing changes nothing.
    auto* WordBox = Find<QLineEdit>("edWord");
    WordBox->setFocus();
    Find<QLineEdit>("edCategory")->setFocus();
    Settle();
    EXPECT_FALSE(Data().Modified());
    EXPECT_FALSE(Find<QAction>("actSave")->isEnabled());

    // Typing and leaving the box writes the entry.
    WordBox->setFocus();
    WordBox->selectAll();
    QTest::keyClicks(WordBox, "pear");
    Find<QLineEdit>("edStatus")->setFocus();
    Settle();
    EXPECT_EQ(Table().FieldByName("Word").AsString(), "pear");
    EXPECT_TRUE(Data().Modified());
    EXPECT_TRUE(Find<QAction>("actSave")->isEnabled());
    EXPECT_TRUE(Find<QAbstractButton>("btnSave")->isEnabled());

    // A colour chosen in the chooser, and taken away with Delete.
    Colors.Answers.push_back(QColor(0x10, 0x20, 0x30));
    Find<QAbstractButton>("edColor")->click();
    EXPECT_EQ(Table().FieldByName("BackColor").AsInteger(), 0x302010);
    auto* ColorBox = Find<TColorBox>("edColor");
    EXPECT_EQ(ColorBox->Color(), QColor(0x10, 0x20, 0x30));
    ColorBox->setFocus();
    QTest::keyClick(ColorBox, Qt::Key_Delete);
    EXPECT_TRUE(Table().FieldByName("BackColor").IsNull());
    // A cancelled chooser leaves the colour.
    Find<QAbstractButton>("edColor")->click();
    EXPECT_TRUE(Table().FieldByName("BackColor").IsNull());
}

// --- Filters -----------------------------------------------------------------------------------

struct TFilterCase
{
    const char* Name;
    int Photo;
    int Audio;
    QStringList Shown;
};

class FilterTest : public EditorFixture, public ::testing::WithParamInterface<TFilterCase>
{ };

TEST_P(FilterTest, PictureAndSoundFiltersCombine)
{
    const TFilterCase& Case = GetParam();
    Add("plain");
    Add("picture", true, false);
    Add("clip", false, true);
    Add("both", true, true);
    Find<QComboBox>("edPhotoFilter")->setCurrentIndex(Case.Photo);
    Find<QComboBox>("edAudioFilter")->setCurrentIndex(Case.Audio);
    Settle();
    EXPECT_EQ(ShownWords(), Case.Shown);
    EXPECT_EQ(RowCountLabel(), QString::number(Case.Shown.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, FilterTest,
    ::testing::Values(TFilterCase { "All", 0, 0, { "plain", "picture", "clip", "both" } },
        TFilterCase { "WithPicture", 1, 0, { "picture", "both" } },
        TFilterCase { "WithoutPicture", 2, 0, { "plain", "clip" } },
        TFilterCase { "OwnClip", 0, 1, { "clip", "both" } }, TFilterCase { "Tts", 0, 2, { "plain", "picture" } },
        TFilterCase { "PictureAndClip", 1, 1, { "both" } }, TFilterCase { "NeitherPictureNorClip", 2, 2, { "plain" } },
        TFilterCase { "PictureWithoutClip", 1, 2, { "picture" } }),
    [](const ::testing::TestParamInfo<TFilterCase>& Info) { return std::string(Info.param.Name); });

TEST_F(EditorTest, WordFilterIgnoresLetterCaseAndClearsAgain)
{
    AddWords({ "cab", "Abby", "TABLE", "dog", "a b" });
    Add("lab", true);
    auto* Filter = Find<QLineEdit>("edWordFilter");
    Filter->setFocus();
    QTest::keyClicks(Filter, "ab");
    Settle();
    EXPECT_EQ(ShownWords(), (QStringList { "cab", "Abby", "TABLE", "lab" }));
    EXPECT_EQ(View()->WordCriterionValue(), "%ab%");
    EXPECT_EQ(View()->WordCriterionText(), "ab");

    // The other filters still apply together with the word.
    Find<QComboBox>("edPhotoFilter")->setCurrentIndex(1);
    EXPECT_EQ(ShownWords(), (QStringList { "lab" }));
    Find<QComboBox>("edPhotoFilter")->setCurrentIndex(0);

    Filter->clear();
    Settle();
    EXPECT_EQ(ShownWords(), (QStringList { "cab", "Abby", "TABLE", "dog", "a b", "lab" }));
    EXPECT_EQ(View()->WordCriterionValue(), "%%");
}

// --- Fill-drag ---------------------------------------------------------------------------------

class FillDragTest : public EditorFixture
{
protected:
    void SetUp() override
    {
        EditorFixture::SetUp();
        const QStringList Categories { "fruit", "", "", "", "", "" };
        for (int I = 0; I < Categories.size(); ++I)
            Add(QStringLiteral("w%1").arg(I), false, false, Categories[I]);
        Data().SetModified(false);
        Settle();
        Editor->resize(900, 700);
        Settle();
    }

    QPoint Cell(int Row, const char* Field)
    {
        const int Column = View()->TableModel()->FieldColumn(Field);
        return Editor->Grid()->visualRect(View()->index(Row, Column)).center();
    }

    void Mouse(QEvent::Type Type, const QPoint& At, Qt::MouseButton Button, Qt::MouseButtons Buttons)
    {
        QWidget* Surface = Editor->Grid()->viewport();
        QMouseEvent Event(Type, At, Surface->mapToGlobal(At), Button, Buttons, Qt::NoModifier);
        QApplication::sendEvent(Surface, &Event);
    }
    void Press(int Row, const char* Field)
    {
        Mouse(QEvent::MouseButtonPress, Cell(Row, Field), Qt::LeftButton, Qt::LeftButton);
    }
    void MoveTo(int Row, const char* Field)
    {
        Mouse(QEvent::MouseMove, Cell(Row, Field), Qt::NoButton, Qt::LeftButton);
    }
    void Release(int Row, const char* Field)
    {
        Mouse(QEvent::MouseButtonRelease, Cell(Row, Field), Qt::LeftButton, Qt::NoButton);
    }

    QStringList CategoriesNow()
    {
        QStringList Result;
        const int Column = Table().FieldIndex("Category");
        for (int Row = 0; Row < Table().RecordCount(); ++Row)
            Result << Table().Value(Row, Column).toString();
        return Result;
    }
};

TEST_F(FillDragTest, DraggingDownACategoryFillsOneRowAfterTheOther)
{
    Press(0, "Category");
    EXPECT_TRUE(Editor->Dragging());
    EXPECT_EQ(Editor->DragValue(), "fruit");
    EXPECT_EQ(Editor->DragFieldName(), "Category");
    EXPECT_EQ(Editor->DragRowIndex(), 0);
    for (int Row = 1; Row <= 3; ++Row) {
        MoveTo(Row, "Category");
        EXPECT_EQ(Editor->DragRowIndex(), Row);
    }
    EXPECT_EQ(CategoriesNow(), (QStringList { "fruit", "fruit", "fruit", "fruit", "", "" }));
    EXPECT_TRUE(Data().Modified());
    Release(3, "Category");
    EXPECT_FALSE(Editor->Dragging());
    EXPECT_EQ(Editor->DragRowIndex(), -99);
    EXPECT_EQ(Editor->DragColumnIndex(), -99);
    EXPECT_TRUE(Editor->DragFieldName().isEmpty());
    EXPECT_TRUE(Editor->DragValue().isEmpty());

    // Moving without the button writes nothing.
    MoveTo(4, "Category");
    EXPECT_EQ(CategoriesNow()[4], "");
}

TEST_F(FillDragTest, ASkippedRowStopsTheFilling)
{
    Press(0, "Category");
    MoveTo(1, "Category");
    MoveTo(3, "Category"); // row 2 skipped by a quick pointer
    MoveTo(4, "Category");
    Release(4, "Category");
    EXPECT_EQ(CategoriesNow(), (QStringList { "fruit", "fruit", "", "", "", "" }));
}

TEST_F(FillDragTest, SidewaysWritesNothing)
{
    Press(0, "Category");
    MoveTo(0, "Word");
    MoveTo(1, "Word");
    MoveTo(1, "Status");
    Release(1, "Status");
    EXPECT_EQ(CategoriesNow(), (QStringList { "fruit", "", "", "", "", "" }));
    EXPECT_EQ(Table().Value(1, Table().FieldIndex("Word")).toString(), "w1");
    EXPECT_FALSE(Data().Modified());
}

TEST_F(FillDragTest, NeverStartsFromAHeader)
{
    // A press on a column header sorts; one on the row indicator selects a row: no fill-drag.
    QHeaderView* Header = Editor->Grid()->horizontalHeader();
    const int Column = View()->TableModel()->FieldColumn("Category");
    const QPoint OnHeader(Header->sectionViewportPosition(Column) + 5, Header->height() / 2);
    QTest::mousePress(Header->viewport(), Qt::LeftButton, {}, OnHeader);
    EXPECT_FALSE(Editor->Dragging());
    QTest::mouseRelease(Header->viewport(), Qt::LeftButton, {}, OnHeader);

    QHeaderView* Indicator = Editor->Grid()->verticalHeader();
    const QPoint OnIndicator(Indicator->width() / 2, Indicator->sectionViewportPosition(0) + 3);
    QTest::mousePress(Indicator->viewport(), Qt::LeftButton, {}, OnIndicator);
    EXPECT_FALSE(Editor->Dragging());
    QTest::mouseRelease(Indicator->viewport(), Qt::LeftButton, {}, OnIndicator);

    // Nor from the right button, nor below the last row.
    Mouse(QEvent::MouseButtonPress, Cell(0, "Category"), Qt::RightButton, Qt::RightButton);
    EXPECT_FALSE(Editor->Dragging());
    Mouse(QEvent::MouseButtonRelease, Cell(0, "Category"), Qt::RightButton, Qt::NoButton);
    const QPoint Below(Cell(5, "Category").x(), Editor->Grid()->viewport()->height() - 2);
    ASSERT_FALSE(Editor->Grid()->indexAt(Below).isValid());
    Mouse(QEvent::MouseButtonPress, Below, Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(Editor->Dragging());
}

// --- Word files --------------------------------------------------------------------------------

TEST_F(EditorTest, CaptionFollowsTheOpenedFileDirectly)
{
    const QString Name = Home.Path() + "lists/animals.tlo";
    EXPECT_FALSE(Editor->OpenWordFile("   "));
    EXPECT_EQ(Editor->windowTitle(), "Editor");
    EXPECT_TRUE(Editor->OpenWordFile(Name));
    EXPECT_EQ(Editor->windowTitle(), "Editor--" + Name);
    EXPECT_FALSE(Editor->OpenWordFile(QString()));
    EXPECT_EQ(Editor->windowTitle(), "Editor--" + Name);
}

TEST_F(EditorTest, OpenSetsFileOpenedAndNewDoesNot)
{
    // A name typed into the open dialog that names no file: an empty list under that name.
    const QString Missing = Home.Path() + "typed.tlo";
    Dialogs.OpenAnswers.push_back(Missing);
    Find<QAbstractButton>("cxButton1")->click();
    EXPECT_TRUE(Editor->FileOpened());
    EXPECT_EQ(Data().FileName(), Missing);
    EXPECT_EQ(Editor->windowTitle(), "Editor--" + Missing);
    ASSERT_FALSE(Dialogs.Calls.isEmpty());
    EXPECT_EQ(Dialogs.Calls.last().Filter, "Tumbalo(*.tlo)|*.tlo");
    EXPECT_EQ(Dialogs.Calls.last().InitialFolder, Home.Path());

    Editor->SetFileOpened(false);
    Find<QAbstractButton>("btnNew")->click();
    EXPECT_FALSE(Editor->FileOpened());
    EXPECT_EQ(Data().FileName(), Home.Path() + "Untitle1.tlo");
    EXPECT_EQ(Editor->windowTitle(), "Editor--" + Home.Path() + "Untitle1.tlo");

    // A cancelled dialog opens nothing.
    Find<QAbstractButton>("cxButton1")->click();
    EXPECT_FALSE(Editor->FileOpened());
    EXPECT_EQ(Data().FileName(), Home.Path() + "Untitle1.tlo");
}

TEST_F(EditorTest, OpeningCalledOffAtTheUnsavedQuestionOpensNothing)
{
    Editor->OpenWordFile(Home.Path() + "first.tlo");
    Add("cat");
    Boxes.Answers.push_back(MessageBoxes::Answer::Cancel);
    Dialogs.OpenAnswers.push_back(Home.Path() + "second.tlo");
    Find<QAbstractButton>("cxButton1")->click();
    EXPECT_FALSE(Editor->FileOpened());
    EXPECT_EQ(Editor->windowTitle(), "Editor--" + Home.Path() + "first.tlo");
    EXPECT_EQ(ShownWords(), QStringList { "cat" });
}

TEST_F(EditorTest, ABrokenArchiveShowsItsErrorAndKeepsTheCaption)
{
    Editor->OpenWordFile(Home.Path() + "first.tlo");
    const QString Broken = Home.Path() + "broken.tlo";
    WriteBytes(Broken, "this is no archive");
    Dialogs.OpenAnswers.push_back(Broken);
    Find<QAbstractButton>("cxButton1")->click();
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Type, FakeMessageBoxes::Kind::Error);
    EXPECT_EQ(Editor->windowTitle(), "Editor--" + Home.Path() + "first.tlo");
    EXPECT_FALSE(Editor->FileOpened());
}

// --- Saving and the grid's state -------------------------------------------------------------

TEST_F(EditorTest, SaveWritesTheGridStateFilesAndSettingsIntoTheArchive)
{
    const QString Name = Home.Path() + "list.tlo";
    Editor->OpenWordFile(Name);
    Add("cat", true);
    Add("Dog");
    Add("cow", false, true);
    Data().SetModified(false);
    Editor->actSaveUpdate();
    EXPECT_FALSE(Find<QAction>("actSave")->isEnabled());
    // A post marks the list changed after the table announced it; the action follows.
    Add("ant");
    Settle();
    EXPECT_TRUE(Find<QAction>("actSave")->isEnabled());

    // The adult's grid: word filter, picture filter off again, sound filter TTS, sorted by the
    // word descending, Category moved before Word and widened, a voice chosen.
    Find<QLineEdit>("edWordFilter")->setText("o");
    Find<QComboBox>("edAudioFilter")->setCurrentIndex(2);
    QHeaderView* Header = Editor->Grid()->horizontalHeader();
    const int WordColumn = View()->TableModel()->FieldColumn("Word");
    const int CategoryColumn = View()->TableModel()->FieldColumn("Category");
    Header->moveSection(Header->visualIndex(CategoryColumn), 0);
    Header->resizeSection(CategoryColumn, 80);
    Editor->Grid()->sortByColumn(WordColumn, Qt::DescendingOrder);
    Find<QComboBox>("edVoiceList")->setCurrentIndex(1);
    EXPECT_EQ(Speech->Voice, Speech->Installed[1].Name);
    EXPECT_EQ(ShownWords(), QStringList { "Dog" });

    Find<QAbstractButton>("btnSave")->click();
    EXPECT_FALSE(Data().Modified());
    EXPECT_FALSE(Find<QAction>("actSave")->isEnabled());
    ASSERT_FALSE(Progress.Runs.isEmpty());
    EXPECT_EQ(Progress.Runs.last().Caption, "Saving...");
    EXPECT_FALSE(Progress.Runs.last().CanCancel);
    ASSERT_TRUE(QFileInfo(Name).isFile());

    const QString Dir = Data().DataDir();
    const std::optional<TGridLayout> Layout = TGridSettings::LoadLayout(Dir + "Grid.ini");
    ASSERT_TRUE(Layout);
    EXPECT_EQ(Layout->SortField, "Word");
    EXPECT_TRUE(Layout->SortDescending);
    ASSERT_EQ(Layout->Columns.size(), 4);
    EXPECT_EQ(Layout->Columns[0], (TGridColumn { "Category", 80, true }));
    EXPECT_EQ(Layout->Columns[1], (TGridColumn { "Word", 115, true }));
    EXPECT_EQ(Layout->Columns[3].FieldName, "RowID");
    EXPECT_FALSE(Layout->Columns[3].Visible);
    const std::optional<TGridFilter> Filter = TGridSettings::LoadFilter(Dir + "Grid.Flt");
    ASSERT_TRUE(Filter);
    EXPECT_EQ(*Filter, (TGridFilter { true, "%o%", "o" }));
    EXPECT_EQ(TIniFileForEXE::ReadString("PhotoFilter"), "0");
    EXPECT_EQ(TIniFileForEXE::ReadString("AutoFilter"), "2");
    EXPECT_EQ(TIniFileForEXE::ReadString("VoiceName"), Speech->Installed[1].Name);

    // Another window on the same file finds it all again.
    FreeEditor();
    MakeEditor();
    Editor->show();
    ASSERT_TRUE(Editor->OpenWordFile(Name));
    Settle();
    EXPECT_EQ(ShownWords(), QStringList { "Dog" });
    EXPECT_EQ(Find<QLineEdit>("edWordFilter")->text(), "o");
    EXPECT_EQ(Find<QComboBox>("edAudioFilter")->currentIndex(), 2);
    EXPECT_EQ(Find<QComboBox>("edPhotoFilter")->currentIndex(), 0);
    EXPECT_EQ(Find<QComboBox>("edVoiceList")->currentIndex(), 1);
    EXPECT_EQ(Speech->Voice, Speech->Installed[1].Name);
    EXPECT_EQ(Editor->GridLayout(), *Layout);
    Header = Editor->Grid()->horizontalHeader();
    EXPECT_EQ(Header->sortIndicatorSection(), View()->TableModel()->FieldColumn("Word"));
    EXPECT_EQ(Header->sortIndicatorOrder(), Qt::DescendingOrder);
    Find<QLineEdit>("edWordFilter")->clear();
    Find<QComboBox>("edAudioFilter")->setCurrentIndex(0);
    EXPECT_EQ(ShownWords(), (QStringList { "Dog", "cow", "cat", "ant" }));
}

TEST_F(EditorTest, ArchiveWithoutStateFilesKeepsLayoutFilterAndVoice)
{
    // An archive written by a collection without listeners holds no grid files or settings.
    const QString Plain = Home.Path() + "plain.tlo";
    {
        TWordData Other(TWordData::CreateWorkDir());
        Other.DataSet().Append();
        Other.DataSet().FieldByName("Word").SetAsString("solo");
        Other.DataSet().Post();
        Other.SaveToFile(Plain);
    }
    Find<QComboBox>("edVoiceList")->setCurrentIndex(2);
    Find<QComboBox>("edPhotoFilter")->setCurrentIndex(2);
    Editor->Grid()->sortByColumn(View()->TableModel()->FieldColumn("Word"), Qt::AscendingOrder);
    const TGridLayout Before = Editor->GridLayout();
    ASSERT_TRUE(Editor->OpenWordFile(Plain));
    Settle();
    EXPECT_EQ(Editor->GridLayout(), Before);
    // Missing filter indexes read as 0; the voice stays.
    EXPECT_EQ(Find<QComboBox>("edPhotoFilter")->currentIndex(), 0);
    EXPECT_EQ(Find<QComboBox>("edVoiceList")->currentIndex(), 2);
    EXPECT_EQ(ShownWords(), QStringList { "solo" });
}

struct TSettingsCase
{
    const char* Name;
    QString Photo;
    QString Auto;
    QString Voice;
    int PhotoIndex;
    int AudioIndex;
    int VoiceIndex; // -2: the voice list keeps what it showed
};

class SettingsTest : public EditorFixture, public ::testing::WithParamInterface<TSettingsCase>
{ };

TEST_P(SettingsTest, StoredFilterAndVoiceSettingsAreReadAfterOpening)
{
    const TSettingsCase& Case = GetParam();
    Find<QComboBox>("edVoiceList")->setCurrentIndex(0);
    Find<QComboBox>("edPhotoFilter")->setCurrentIndex(1);
    TIniFileForEXE::WriteString("PhotoFilter", Case.Photo);
    TIniFileForEXE::WriteString("AutoFilter", Case.Auto);
    TIniFileForEXE::WriteString("VoiceName", Case.Voice);
    Editor->LoadGridSetting(&Data());
    EXPECT_EQ(Find<QComboBox>("edPhotoFilter")->currentIndex(), Case.PhotoIndex);
    EXPECT_EQ(Find<QComboBox>("edAudioFilter")->currentIndex(), Case.AudioIndex);
    EXPECT_EQ(View()->PhotoFilter(), Case.PhotoIndex);
    EXPECT_EQ(View()->AudioFilter(), Case.AudioIndex);
    const int Voice = Case.VoiceIndex == -2 ? 0 : Case.VoiceIndex;
    EXPECT_EQ(Find<QComboBox>("edVoiceList")->currentIndex(), Voice);
    EXPECT_EQ(Speech->Voice, Speech->Installed[Voice].Name);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsTest,
    ::testing::Values(TSettingsCase { "Missing", "", "", "", 0, 0, -2 },
        TSettingsCase { "Stored", "2", "1", "English (Great Britain)", 2, 1, 2 },
        TSettingsCase { "VoiceInOtherCase", "1", "2", "english (america)", 1, 2, 1 },
        TSettingsCase { "NotNumbers", "abc", "1x", "Klingon", 0, 0, -2 },
        TSettingsCase { "OutOfRange", "7", "-1", "", 0, 0, -2 }),
    [](const ::testing::TestParamInfo<TSettingsCase>& Info) { return std::string(Info.param.Name); });

TEST_F(EditorTest, SavingAnUntitledListAsksItsNameFirst)
{
    Editor->OpenWordFile(TWordData::NewUntitledName());
    Add("cat");
    Settle();
    const QString Chosen = Home.Path() + "named.tlo";
    Dialogs.SaveAnswers.push_back(Chosen);
    QTest::keyClick(Editor.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(QFileInfo(Chosen).isFile());
    EXPECT_EQ(Editor->windowTitle(), "Editor--" + Chosen);
    EXPECT_FALSE(Data().Modified());

    // Cancelling the name saves nothing and keeps the changes.
    Editor->OpenWordFile(TWordData::NewUntitledName());
    Add("dog");
    const int RunsBefore = int(Progress.Runs.size());
    Find<QAbstractButton>("btnSave")->click();
    EXPECT_TRUE(Data().Modified());
    EXPECT_EQ(Progress.Runs.size(), RunsBefore);
}

TEST_F(EditorTest, SaveTakesAWordStillBeingTyped)
{
    const QString Name = Home.Path() + "typed.tlo";
    Editor->OpenWordFile(Name);
    Add("cat");
    Settle();
    Find<QAbstractButton>("btnSave")->click();
    ASSERT_FALSE(Data().Modified());
    Settle();
    auto* WordBox = Find<QLineEdit>("edWord");
    WordBox->setFocus();
    WordBox->selectAll();
    QTest::keyClicks(WordBox, "cow");
    Editor->actSaveUpdate(); // as the action's update does while the window is shown
    ASSERT_TRUE(Find<QAction>("actSave")->isEnabled());
    QTest::keyClick(Editor.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Table().FieldByName("Word").AsString(), "cow");
    EXPECT_FALSE(Data().Modified());
    EXPECT_TRUE(WordBox->hasFocus());
}

// --- Pictures ----------------------------------------------------------------------------------

TEST_F(EditorTest, PicturePasteCopyAndClear)
{
    Add("cat");
    Data().SetModified(false);
    Settle();
    auto* Image = Find<TPictureView>("cxImage1");
    EXPECT_FALSE(Image->HasPicture());
    EXPECT_FALSE(Image->isEnabled());

    // Copying without a picture copies nothing.
    Board.Picture = QImage();
    Find<QAbstractButton>("btnCopyImage")->click();
    EXPECT_TRUE(Board.Picture.isNull());

    Board.Picture = SmallPicture(Qt::red);
    Find<QAbstractButton>("btnPaste")->click();
    EXPECT_TRUE(Data().HasPhoto());
    EXPECT_TRUE(Data().Modified());
    EXPECT_TRUE(Image->HasPicture());
    EXPECT_EQ(Image->Picture().size(), QSize(8, 6));

    Board.Picture = QImage();
    Find<QAbstractButton>("btnCopyImage")->click();
    ASSERT_FALSE(Board.Picture.isNull());
    EXPECT_EQ(Board.Picture.size(), QSize(8, 6));

    Find<QAbstractButton>("btnClearPhoto")->click();
    EXPECT_FALSE(Data().HasPhoto());
    EXPECT_FALSE(Image->HasPicture());
}

// --- List commands -----------------------------------------------------------------------------

TEST_F(EditorTest, LongCommandsRunUnderTheProgressWithCancel)
{
    const QString Text = Home.Path() + "words.txt";
    WriteBytes(Text, "one\r\ntwo\r\nthree\r\n");
    Dialogs.OpenAnswers.push_back(Text);
    Find<QAbstractButton>("btnAppendFrom")->click();
    EXPECT_EQ(ShownWords(), (QStringList { "one", "two", "three" }));
    ASSERT_EQ(Progress.Runs.size(), 1);
    EXPECT_TRUE(Progress.Runs[0].CanCancel);
    EXPECT_FALSE(Progress.Runs[0].Reports.isEmpty());
    EXPECT_EQ(Dialogs.Calls.last().Filter, "Tumbalo(*.tlo)|*.tlo|All file(*.*)|*.*");

    // Cancelled at its first report: nothing more is appended.
    Progress.CancelAtReport = Progress.ReportCount + 1;
    Dialogs.OpenAnswers.push_back(Text);
    Find<QAbstractButton>("btnAppendFrom")->click();
    EXPECT_EQ(RowCountLabel(), "3");
    Progress.CancelAtReport.reset();

    Board.PlainText = "x\ny";
    QTest::keyClick(Editor.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Table().RecordCount(), 5);
    EXPECT_EQ(RowCountLabel(), "5");

    Add("one");
    Find<QAbstractButton>("cxButton2")->click();
    EXPECT_EQ(Table().RecordCount(), 5);

    const QString Export = Home.Path() + "out.txt";
    Dialogs.SaveAnswers.push_back(Export);
    Find<QAbstractButton>("btnExport")->click();
    EXPECT_TRUE(QFileInfo(Export).isFile());
    EXPECT_EQ(Dialogs.Calls.last().Filter, "Tumbalo(*.tlo)|*.tlo|Text file(*.txt)|*.txt");

    QStringList Captions;
    for (const auto& Run : Progress.Runs) {
        Captions << Run.Caption;
        EXPECT_TRUE(Run.CanCancel) << Run.Caption.toStdString();
    }
    EXPECT_EQ(Captions,
        (QStringList { "Appending entries...", "Appending entries...", "Pasting lines...", "Deleting duplicates...",
            "Exporting..." }));

    // Cancelled dialogs do nothing and show nothing.
    Find<QAbstractButton>("btnAppendFrom")->click();
    Find<QAbstractButton>("btnFromFolder")->click();
    Find<QAbstractButton>("btnExport")->click();
    EXPECT_EQ(Progress.Runs.size(), Captions.size());
    EXPECT_TRUE(Boxes.Boxes.isEmpty());
}

TEST_F(EditorTest, ExportOfShownRowsNeverReplacesTheListsOwnFile)
{
    const QString Name = Home.Path() + "own.tlo";
    Editor->OpenWordFile(Name);
    AddWords({ "cat", "dog" });
    Data().SaveIfModified(false);
    const QByteArray Saved = ReadBytes(Name);
    Find<QLineEdit>("edWordFilter")->setText("cat");
    Dialogs.SaveAnswers.push_back(Name);
    Find<QAbstractButton>("btnExport")->click();
    EXPECT_EQ(ReadBytes(Name), Saved);
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Type, FakeMessageBoxes::Kind::Error);

    // Into another file the shown rows go.
    const QString Other = Home.Path() + "cats.tlo";
    Dialogs.SaveAnswers.push_back(Other);
    Find<QAbstractButton>("btnExport")->click();
    EXPECT_TRUE(QFileInfo(Other).isFile());
}

TEST_F(EditorTest, ErrorsOfCommandsAreShownAndTheWindowStays)
{
    const QString Missing = Home.Path() + "nofolder";
    Dialogs.FolderAnswers.push_back(Missing);
    Find<QAbstractButton>("btnFromFolder")->click();
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Type, FakeMessageBoxes::Kind::Error);
    EXPECT_EQ(Dialogs.Calls.last().InitialFolder, Home.Path());
    EXPECT_TRUE(Editor->isVisible());
}

// --- Navigator and voices ----------------------------------------------------------------------

TEST_F(EditorTest, NavigatorAppendsMovesAndDeletesWithoutAsking)
{
    AddWords({ "cat", "dog" });
    Data().SetModified(false);
    Settle();
    Find<QToolButton>("NavigatorFirst")->click();
    EXPECT_EQ(CurrentIdxLabel(), "1");
    Find<QToolButton>("NavigatorLast")->click();
    EXPECT_EQ(CurrentIdxLabel(), "2");

    Find<QToolButton>("NavigatorAppend")->click();
    Settle();
    EXPECT_EQ(RowCountLabel(), "3");
    EXPECT_EQ(CurrentIdxLabel(), "3");
    EXPECT_TRUE(Data().Modified());
    const qint32 NewID = Data().CurrentRowID();
    EXPECT_GT(NewID, 0);
    // The new entry's word is being typed in its cell; moving on writes it into that entry.
    QWidget* CellEditor = QApplication::focusWidget();
    ASSERT_NE(CellEditor, nullptr);
    ASSERT_TRUE(Editor->Grid()->isAncestorOf(CellEditor));
    QTest::keyClicks(CellEditor, "ant");

    Find<QToolButton>("NavigatorPrior")->click();
    EXPECT_EQ(Find<QLineEdit>("edWord")->text(), "dog");
    EXPECT_EQ(ShownWords(), (QStringList { "cat", "dog", "ant" }));
    Data().StorePhoto(SmallPicture());
    const QString Photo = Data().PhotoFileName();
    Find<QToolButton>("NavigatorDelete")->click();
    EXPECT_TRUE(Boxes.Boxes.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Photo));
    EXPECT_EQ(Table().RecordCount(), 2);
    EXPECT_EQ(ShownWords(), (QStringList { "cat", "ant" }));
}

TEST_F(EditorTest, SpeakButtonSpeaksTheCurrentWordByTextToSpeech)
{
    Add("cat", false, true);
    Settle();
    Find<QAbstractButton>("btnSpeak")->click();
    EXPECT_EQ(Speech->Spoken, QStringList { "cat" });
    Find<QAbstractButton>("btnPlay")->click();
    EXPECT_TRUE(Sound->Playing);
    Speech->FailSpeak = true;
    Find<QAbstractButton>("btnSpeak")->click();
    ASSERT_EQ(Boxes.Boxes.size(), 1);
}

} // namespace
