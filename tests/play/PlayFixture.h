#pragma once

// A play window on fakes: the fake clock drives the key guard and the presenter's speech
// guard, the fake speech engine records what was spoken, the lock records its calls. Entries
// are added straight to the window's word list; ShowFirst makes the first one current.

#include "FakeClipboard.h"
#include "FakeClock.h"
#include "FakeColorDialogs.h"
#include "FakeFileDialogs.h"
#include "FakeKeyboardLock.h"
#include "FakeMessageBoxes.h"
#include "FakeProgressRunner.h"
#include "FakeSound.h"
#include "FakeSpeech.h"
#include "TestHome.h"
#include "uFrmTumbalo.h"
#include "uMWord.h"
#include "uWordData.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}

class PlayFixture : public ::testing::Test
{
protected:
    void SetUp() override { MakeWindow(); }

    void MakeWindow()
    {
        TPlayServices Services;
        Services.TickClock = &Clock;
        auto SpeechFake = std::make_unique<FakeSpeech>();
        auto SoundFake = std::make_unique<FakeSound>();
        Speech = SpeechFake.get();
        Sound = SoundFake.get();
        Services.Speech = std::move(SpeechFake);
        Services.Sound = std::move(SoundFake);
        Services.Boxes = &Boxes;
        Services.Dialogs = &Dialogs;
        Services.Board = &Board;
        Services.Lock = &Lock;
        Services.Colors = &Colors;
        Services.Progress = &Progress;
        Window = std::make_unique<TFrmTumbalo>(std::move(Services));
        Window->resize(640, 480);
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    }

    TWordData& Data() { return Window->Word().WordData(); }

    // Appends an entry; Color is a 0x00BBGGRR value or null.
    void Add(const QString& Word, const QVariant& Color = {}, bool Picture = false)
    {
        TDataTable& Table = Data().DataSet();
        Table.Append();
        Table.FieldByName("Word").SetAsString(Word);
        Table.FieldByName("BackColor").SetValue(Color);
        Table.Post();
        if (Picture) {
            QImage Image(64, 48, QImage::Format_RGB32);
            Image.fill(Qt::darkGreen);
            Data().StorePhoto(Image);
        }
    }

    void AddWords(const QStringList& Words)
    {
        for (const QString& Word : Words)
            Add(Word);
    }

    // Makes the first entry current and shows it, then lets the speech guard and the key guard
    // run out, so the next key and the next speech both act.
    void ShowFirst()
    {
        Data().DataSet().First();
        QCoreApplication::processEvents();
        Window->ShowWord();
        Speech->Spoken.clear();
        Speech->SpokenVoices.clear();
        Quiet();
    }

    // Time passes without keys or speech: both guards are open again.
    void Quiet() { Clock.Advance(1000); }

    void Key(int QtKey, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Window.get(), Qt::Key(QtKey), Modifiers);
    }

    // One key press as the keyboard delivers it with Modifiers already held (QTest would press
    // the modifier keys first, and each of those is a key of its own to the window).
    void Press(int QtKey, Qt::KeyboardModifiers Modifiers)
    {
        QKeyEvent Event(QEvent::KeyPress, QtKey, Modifiers);
        QApplication::sendEvent(Window.get(), &Event);
    }

    // A button pressed and released on the label, whatever its size.
    void ClickLabel(Qt::MouseButton Button)
    {
        QLabel* Label = Window->Label();
        const QPointF At(1, 1);
        QMouseEvent Press(QEvent::MouseButtonPress, At, Label->mapToGlobal(At), Button, Button, Qt::NoModifier);
        QApplication::sendEvent(Label, &Press);
        QMouseEvent Release(
            QEvent::MouseButtonRelease, At, Label->mapToGlobal(At), Button, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Label, &Release);
    }

    QString Shown() const { return Window->Label()->text(); }

    QString Status() { return Data().DataSet().FieldByName("Status").AsString(); }

    TestHome Home;
    FakeClock Clock;
    FakeMessageBoxes Boxes;
    FakeFileDialogs Dialogs;
    FakeClipboard Board;
    FakeColorDialogs Colors;
    FakeProgressRunner Progress;
    QStringList LockCalls;
    FakeKeyboardLock Lock { &LockCalls };
    FakeSpeech* Speech = nullptr;
    FakeSound* Sound = nullptr;
    std::unique_ptr<TFrmTumbalo> Window;
};
