// One road through the real windows: the adult makes a list in the editor (entries typed into
// the grid, a category, a picture, a clip from a file), filters and sorts it, chooses voice,
// font and interval, saves it, closes the program; the program started again with that file
// shows everything as it was left.

#include "PlayFixture.h"
#include "uEditorControls.h"
#include "uFrmAudio.h"
#include "uFrmEditor.h"
#include "uTableModel.h"
#include "uWordView.h"

#include <QComboBox>
#include <QFile>
#include <QFontComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace {

using EditorEndToEndTest = PlayFixture;

template <typename T> T* Child(QWidget* Parent, const char* Name)
{
    T* Found = Parent->findChild<T*>(QString::fromLatin1(Name));
    EXPECT_NE(Found, nullptr) << Name;
    return Found;
}

QStringList TableWords(TWordData& Data)
{
    QStringList Words;
    TDataTable& Table = Data.DataSet();
    for (int Row = 0; Row < Table.RecordCount(); ++Row)
        Words << Table.Value(Row, Table.FieldIndex("Word")).toString();
    return Words;
}

TEST_F(EditorEndToEndTest, ListMadeInTheEditorComesBackWhole)
{
    const QString Name = Home.Path() + "Animals.tlo";
    const QString Clip = Home.Path() + "woof.wav";
    {
        QFile File(Clip);
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write("RIFF woof WAVE");
    }
    Window->LoadStartFile("");
    TFrmEditor* Editor = Window->Editor();

    bool ScriptRan = false;
    QTimer::singleShot(0, Editor, [&] {
        // Whatever fails below, the editor closes and the test goes on to report it.
        const std::unique_ptr<TFrmEditor, void (*)(TFrmEditor*)> CloseAtEnd(Editor, [](TFrmEditor* E) { E->accept(); });
        Editor->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Editor));

        // Entries typed into the grid, one after the other.
        for (const char* Word : { "cat", "dog", "Apple", "bee" }) {
            Child<QToolButton>(Editor, "NavigatorAppend")->click();
            QWidget* Cell = QApplication::focusWidget();
            ASSERT_TRUE(Cell && Editor->Grid()->isAncestorOf(Cell));
            QTest::keyClicks(Cell, Word);
        }
        Child<QToolButton>(Editor, "NavigatorFirst")->click();
        QCoreApplication::processEvents();
        ASSERT_EQ(Child<QLineEdit>(Editor, "edWord")->text(), "cat");

        // The category in its box, the picture from the clipboard.
        auto* Category = Child<QLineEdit>(Editor, "edCategory");
        Category->setFocus();
        QTest::keyClicks(Category, "animal");
        Child<QLineEdit>(Editor, "edWord")->setFocus();
        Board.Picture = QImage(40, 30, QImage::Format_RGB32);
        Board.Picture.fill(Qt::darkRed);
        Child<QPushButton>(Editor, "btnPaste")->click();

        // The dog's clip from a file, in the audio clip window.
        Child<QToolButton>(Editor, "NavigatorNext")->click();
        Dialogs.OpenAnswers.push_back(Clip);
        TFrmAudio* Audio = Editor->FrmAudio();
        QTimer::singleShot(0, Audio, [Audio] {
            Child<QPushButton>(Audio, "btnFromFile")->click();
            Audio->accept();
        });
        Child<QPushButton>(Editor, "btnAudio")->click();

        // Filter, sort, voice, font and interval.
        Child<QLineEdit>(Editor, "edWordFilter")->setText("e");
        Child<QComboBox>(Editor, "edPhotoFilter")->setCurrentIndex(2);
        Editor->Grid()->sortByColumn(Editor->WordView()->TableModel()->FieldColumn("Word"), Qt::DescendingOrder);
        Child<QComboBox>(Editor, "edVoiceList")->setCurrentIndex(2);
        Child<QFontComboBox>(Editor, "edFontName")->setCurrentText("DejaVu Serif");
        Child<QSpinBox>(Editor, "edInterval")->setValue(3500);

        // Saved under a name of its own.
        Dialogs.SaveAnswers.push_back(Name);
        Child<QPushButton>(Editor, "btnSave")->click();
        ScriptRan = true;
    });
    Key(Qt::Key_F2);
    ASSERT_TRUE(ScriptRan);
    ASSERT_TRUE(QFileInfo(Name).isFile());
    EXPECT_TRUE(Boxes.Boxes.isEmpty());
    EXPECT_EQ(Window->AutoRunInterval(), 3500);
    EXPECT_EQ(Window->LabelFontName(), "DejaVu Serif");

    // The play window left windowed at a size of its own, then the program ends.
    Window->resize(500, 400);
    EXPECT_TRUE(Window->close());
    Window.reset();

    // Started again with that file.
    MakeWindow();
    Window->LoadStartFile(Name);
    QCoreApplication::processEvents();
    Editor = Window->Editor();
    EXPECT_EQ(TableWords(Data()), (QStringList { "cat", "dog", "Apple", "bee" }));
    TDataTable& Table = Data().DataSet();
    ASSERT_TRUE(Table.Locate("Word", "cat"));
    EXPECT_EQ(Table.FieldByName("Category").AsString(), "animal");
    EXPECT_TRUE(Data().HasPhoto());
    EXPECT_FALSE(Data().HasAudio());
    ASSERT_TRUE(Table.Locate("Word", "dog"));
    EXPECT_TRUE(Data().HasAudio());
    EXPECT_FALSE(Data().HasPhoto());
    QFile Stored(Data().AudioFileName());
    ASSERT_TRUE(Stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(Stored.readAll().startsWith("RIFF woof WAVE"));

    // Filter and sort: entries with "e" and without a picture, by word descending.
    EXPECT_EQ(Window->WordView()->ShownWords(), (QStringList { "bee", "Apple" }));
    EXPECT_EQ(Child<QLineEdit>(Editor, "edWordFilter")->text(), "e");
    EXPECT_EQ(Child<QComboBox>(Editor, "edPhotoFilter")->currentIndex(), 2);
    QHeaderView* Header = Editor->Grid()->horizontalHeader();
    EXPECT_EQ(Header->sortIndicatorSection(), Editor->WordView()->TableModel()->FieldColumn("Word"));
    EXPECT_EQ(Header->sortIndicatorOrder(), Qt::DescendingOrder);

    // Voice, font, interval and the window.
    EXPECT_EQ(Child<QComboBox>(Editor, "edVoiceList")->currentIndex(), 2);
    EXPECT_EQ(Speech->Voice, Speech->Installed[2].Name);
    EXPECT_EQ(Window->LabelFontName(), "DejaVu Serif");
    EXPECT_EQ(Editor->GetFontName(), "DejaVu Serif");
    EXPECT_EQ(Window->AutoRunInterval(), 3500);
    EXPECT_EQ(Editor->GetInterval(), 3500);
    EXPECT_FALSE(Window->FullShow());
    EXPECT_EQ(Window->size(), QSize(500, 400));
    EXPECT_EQ(Editor->windowTitle(), "Editor--" + Name);
}

} // namespace
