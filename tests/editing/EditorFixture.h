#pragma once

// An editor window with its presenter on fakes, shown offscreen: the dialogs, message boxes,
// clipboard, colour chooser and progress reporter answer from scripts, the speech engine and
// the sound device make no sound. Entries go straight into the collection's table.

#include "FakeClipboard.h"
#include "FakeClock.h"
#include "FakeColorDialogs.h"
#include "FakeFileDialogs.h"
#include "FakeMessageBoxes.h"
#include "FakeProgressRunner.h"
#include "FakeSound.h"
#include "FakeSpeech.h"
#include "FileFixtures.h"
#include "TestHome.h"
#include "uEditorControls.h"
#include "uFrmAudio.h"
#include "uFrmEditor.h"
#include "uMWord.h"
#include "uTableModel.h"
#include "uWordData.h"
#include "uWordView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}

namespace editorfixtures {

inline QImage SmallPicture(Qt::GlobalColor Color = Qt::blue)
{
    QImage Picture(8, 6, QImage::Format_RGB32);
    Picture.fill(Color);
    return Picture;
}

// Whole files, under the names these tests use.
inline constexpr auto* WriteBytes = &fixtures::WriteFile;
inline constexpr auto* ReadBytes = &fixtures::ReadFile;

} // namespace editorfixtures

class EditorFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MakeEditor();
        Editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Editor.get()));
    }

    void TearDown() override { FreeEditor(); }

    // The play window's order: the editor, then the presenter on its view, then the hook-up.
    void MakeEditor()
    {
        Editor = std::make_unique<TFrmEditor>(TEditorServices { &Boxes, &Dialogs, &Board, &Colors, &Progress });
        auto SpeechFake = std::make_unique<FakeSpeech>();
        auto SoundFake = std::make_unique<FakeSound>();
        Speech = SpeechFake.get();
        Sound = SoundFake.get();
        Word = std::make_unique<TMWord>(Editor->WordView(), std::move(SpeechFake), std::move(SoundFake), Clock,
            TWordDataServices { &Boxes, &Dialogs, &Board });
        Editor->SetWordPresenter(Word.get());
    }

    // The presenter goes first, as in the play window.
    void FreeEditor()
    {
        Word.reset();
        Editor.reset();
    }

    TWordData& Data() { return Word->WordData(); }
    TDataTable& Table() { return Data().DataSet(); }
    TWordView* View() { return Editor->WordView(); }

    template <typename T> T* Find(const char* Name)
    {
        T* Widget = Editor->findChild<T*>(QString::fromLatin1(Name));
        EXPECT_NE(Widget, nullptr) << Name;
        return Widget;
    }

    // Appends an entry with a picture and a clip as asked; gives its RowID.
    qint32 Add(const QString& Text, bool Photo = false, bool Clip = false, const QString& Category = {})
    {
        Table().Append();
        Table().FieldByName(QStringLiteral("Word")).SetAsString(Text);
        if (!Category.isEmpty())
            Table().FieldByName(QStringLiteral("Category")).SetAsString(Category);
        Table().Post();
        if (Photo)
            Data().StorePhoto(editorfixtures::SmallPicture());
        if (Clip) {
            const QString Sound = Home.Path() + QStringLiteral("clip.wav");
            editorfixtures::WriteBytes(Sound, QByteArray("RIFF....WAVEfmt "));
            Data().StoreAudio(Sound);
        }
        return Data().CurrentRowID();
    }

    void AddWords(const QStringList& Words)
    {
        for (const QString& Text : Words)
            Add(Text);
    }

    // Lets queued focus checks and repaints run.
    static void Settle() { QCoreApplication::processEvents(); }

    QStringList ShownWords() { return View()->ShownWords(); }

    QString RowCountLabel() { return Find<QLabel>("lblRowCount")->text(); }
    QString CurrentIdxLabel() { return Find<QLabel>("lblCurrentIdx")->text(); }

    TestHome Home;
    FakeClock Clock;
    FakeMessageBoxes Boxes;
    FakeFileDialogs Dialogs;
    FakeClipboard Board;
    FakeColorDialogs Colors;
    FakeProgressRunner Progress;
    FakeSpeech* Speech = nullptr;
    FakeSound* Sound = nullptr;
    std::unique_ptr<TFrmEditor> Editor;
    std::unique_ptr<TMWord> Word;
};
