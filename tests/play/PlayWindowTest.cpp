// The play window on fakes, offscreen: the key guard, the key table, the mouse and the wheel,
// label placement, colours, pictures, full screen, the start file and the copy-data answer.

#include "PlayFixture.h"
#include "VirtualKeys.h"
#include "uColorValue.h"
#include "uFrmHelp.h"
#include "uINIFileForEXE.h"
#include "uPictureBox.h"
#include "uWordView.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QWheelEvent>

#include <fstream>
#include <string>

namespace {

const QStringList Words { "one", "two", "three", "four", "five", "six", "seven" };

using PlayWindowTest = PlayFixture;

// --- The key guard -----------------------------------------------------------------------------

struct TGuardCase
{
    const char* Name;
    std::uint32_t Start; // the clock before the first key
    std::vector<std::uint32_t> Gaps; // milliseconds before each key after the first
    std::vector<int> Acting; // which keys act (their positions, from 0)
};

class KeyGuardTest : public PlayFixture, public ::testing::WithParamInterface<TGuardCase>
{ };

TEST_P(KeyGuardTest, ActsOnlyAfterMoreThan100MsOfQuiet)
{
    const TGuardCase& Case = GetParam();
    AddWords(Words);
    ShowFirst();
    Clock.Set(Case.Start);
    int Position = 0;
    std::vector<int> Acted;
    for (std::size_t I = 0; I <= Case.Gaps.size(); ++I) {
        if (I > 0)
            Clock.Advance(Case.Gaps[I - 1]);
        // Different letters: the guard does not care which key it is.
        Key(Qt::Key_A + int(I % 26));
        if (Shown() != Words[Position]) {
            Acted.push_back(int(I));
            Position = (Position + 1) % int(Words.size());
            ASSERT_EQ(Shown(), Words[Position]) << "key " << I;
        }
    }
    EXPECT_EQ(Acted, Case.Acting);
}

INSTANTIATE_TEST_SUITE_P(Cases, KeyGuardTest,
    ::testing::Values(
        // Two keys 50 ms apart: the second is dropped and pushes the window: a third key 60 ms
        // later (110 ms after the first) is dropped too; one 101 ms after that acts.
        TGuardCase { "FiftyApart", 5000000, { 50, 60, 101 }, { 0, 3 } },
        // A held key repeating every 30 ms acts once; after 150 ms of quiet the next acts.
        TGuardCase { "HeldKey", 5000000, { 30, 30, 30, 30, 30, 30, 150 }, { 0, 7 } },
        // Exactly 100 ms is not enough; 101 ms is.
        TGuardCase { "Boundary", 5000000, { 100, 101, 101 }, { 0, 2, 3 } },
        // The millisecond counter wraps after 49.7 days; the difference still counts right.
        TGuardCase { "CounterWraps", 0xFFFFFFC0u, { 0x50, 0x70, 0x10 }, { 0, 2 } }),
    [](const ::testing::TestParamInfo<TGuardCase>& Info) { return std::string(Info.param.Name); });

// 10,000 keys at random gaps of 0 to 150 ms: exactly the keys after more than 100 ms of quiet
// act, and the window's memory does not grow.
long ResidentKilobytes()
{
    std::ifstream Status("/proc/self/status");
    std::string Line;
    while (std::getline(Status, Line)) {
        if (Line.rfind("VmRSS:", 0) == 0)
            return std::stol(Line.substr(6));
    }
    return -1;
}

TEST_F(PlayWindowTest, HammeredKeyboardGivesExactlyTheGuardedActions)
{
    AddWords(Words);
    ShowFirst();
    QRandomGenerator Random(20261211);
    const QList<int> Keys { Qt::Key_A, Qt::Key_Space, Qt::Key_Right, Qt::Key_9, Qt::Key_Shift, Qt::Key_F3 };
    int Position = 0;
    int Expected = 0;
    long Before = 0;
    std::uint32_t Quiet = 1000; // since the last key event
    for (int I = 0; I < 10000; ++I) {
        if (I == 1000) {
            QCoreApplication::processEvents();
            Before = ResidentKilobytes();
        }
        const std::uint32_t Gap = Random.bounded(151);
        Clock.Advance(Gap);
        Quiet = I == 0 ? 1000 : Gap;
        Key(Keys[int(Random.bounded(qsizetype(Keys.size())))]);
        if (Quiet > 100) {
            ++Expected;
            Position = (Position + 1) % int(Words.size());
        }
        ASSERT_EQ(Shown(), Words[Position]) << "key " << I << " after " << Gap << " ms";
        Speech->Spoken.clear(); // the fake's record is not the window's memory
        Speech->SpokenVoices.clear();
    }
    QCoreApplication::processEvents();
    const long After = ResidentKilobytes();
    EXPECT_GT(Expected, 1000);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine, so the resident size grows by design;
    // its leak checker reports real leaks when the program ends.
    (void)Before;
    (void)After;
#else
    EXPECT_LT(After - Before, 1024) << "resident memory grew from " << Before << " kB to " << After << " kB";
#endif
}

// --- The key table -----------------------------------------------------------------------------

TEST_F(PlayWindowTest, EnterSpeaksEvenWithSpeechOff)
{
    AddWords(Words);
    ShowFirst();
    Key(Qt::Key_F8); // speech off
    Quiet();
    Key(Qt::Key_Space);
    EXPECT_EQ(Shown(), "two");
    EXPECT_TRUE(Speech->Spoken.isEmpty());
    Quiet();
    Key(Qt::Key_Return);
    EXPECT_EQ(Speech->Spoken, QStringList { "two" });
    EXPECT_EQ(Shown(), "two");
}

TEST_F(PlayWindowTest, ArrowsWalkBothWaysAroundTheList)
{
    AddWords({ "a1", "a2", "a3" });
    ShowFirst();
    const QList<std::pair<int, QString>> Steps { { Qt::Key_Left, "a3" }, { Qt::Key_Up, "a2" }, { Qt::Key_Right, "a3" },
        { Qt::Key_Down, "a1" }, { Qt::Key_Z, "a2" } };
    for (const auto& [QtKey, Word] : Steps) {
        Quiet();
        Key(QtKey);
        EXPECT_EQ(Shown(), Word) << QtKey;
    }
}

struct TMarkCase
{
    const char* Name;
    int QtKey;
    Qt::KeyboardModifiers Modifiers;
    QString Status; // empty: the key shows the next entry instead
};

class MarkTest : public PlayFixture, public ::testing::WithParamInterface<TMarkCase>
{ };

TEST_P(MarkTest, StoresTheStatusOrMovesOn)
{
    const TMarkCase& Case = GetParam();
    AddWords(Words);
    ShowFirst();
    Key(Qt::Key_Space); // on "two"
    Quiet();
    const int Spoken = int(Speech->Spoken.size());
    Press(Case.QtKey, Case.Modifiers);
    if (Case.Status.isEmpty()) {
        EXPECT_EQ(Shown(), "three");
        EXPECT_EQ(Status(), "");
    } else {
        // Marking changes only the stored status: same entry, nothing spoken.
        EXPECT_EQ(Shown(), "two");
        EXPECT_EQ(Data().CurrentWord(), "two");
        EXPECT_EQ(Status(), Case.Status);
        EXPECT_EQ(Speech->Spoken.size(), Spoken);
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, MarkTest,
    ::testing::Values(TMarkCase { "F4", Qt::Key_F4, Qt::NoModifier, "AbleToReadWord" },
        TMarkCase { "CtrlF4", Qt::Key_F4, Qt::ControlModifier, "AbleToReadWord" },
        TMarkCase { "F5", Qt::Key_F5, Qt::NoModifier, "AbleToReadPic" },
        TMarkCase { "CtrlF5", Qt::Key_F5, Qt::ControlModifier, "AbleToReadPic" },
        TMarkCase { "Digit4", Qt::Key_4, Qt::NoModifier, "FailToReadWord" },
        TMarkCase { "Digit5", Qt::Key_5, Qt::NoModifier, "FailToReadPic" },
        TMarkCase { "ShiftedDigit4", Qt::Key_Dollar, Qt::ShiftModifier, "FailToReadWord" },
        TMarkCase { "Keypad4", Qt::Key_4, Qt::KeypadModifier, "" },
        TMarkCase { "Keypad5", Qt::Key_5, Qt::KeypadModifier, "" },
        TMarkCase { "ControlAlone", Qt::Key_Control, Qt::ControlModifier, "" }),
    [](const ::testing::TestParamInfo<TMarkCase>& Info) { return std::string(Info.param.Name); });

TEST_F(PlayWindowTest, TheLastMarkWins)
{
    AddWords(Words);
    ShowFirst();
    Key(Qt::Key_F4);
    Quiet();
    Key(Qt::Key_5);
    EXPECT_EQ(Status(), "FailToReadPic");
}

TEST_F(PlayWindowTest, SwitchKeysForTextPicturesSpeechAndAutoPlay)
{
    Add("pic", {}, true);
    Add("plain");
    ShowFirst();
    EXPECT_TRUE(Window->Picture()->isVisible());

    Key(Qt::Key_F6);
    EXPECT_TRUE(Window->Label()->isHidden());
    Quiet();
    Key(Qt::Key_F6);
    EXPECT_FALSE(Window->Label()->isHidden());

    Quiet();
    Key(Qt::Key_F7);
    EXPECT_FALSE(Window->ShowPictures());
    EXPECT_FALSE(Window->Picture()->isVisible());
    Quiet();
    Key(Qt::Key_F7);
    EXPECT_TRUE(Window->Picture()->isVisible());

    Quiet();
    Key(Qt::Key_F9);
    EXPECT_TRUE(Window->AutoPlay());
    EXPECT_TRUE(Window->AutoPlayTimer()->isActive());
    EXPECT_EQ(Window->AutoPlayTimer()->interval(), 2000);
    Window->Timer1Timer();
    EXPECT_EQ(Shown(), "plain");
    EXPECT_FALSE(Window->Picture()->isVisible());
    Quiet();
    Key(Qt::Key_F9);
    EXPECT_FALSE(Window->AutoPlayTimer()->isActive());

    // An interval of 0 never ticks, so automatic play then shows nothing.
    Window->SetAutoRunInterval(0);
    Quiet();
    Key(Qt::Key_F9);
    EXPECT_TRUE(Window->AutoPlay());
    EXPECT_FALSE(Window->AutoPlayTimer()->isActive());
}

TEST_F(PlayWindowTest, EmptyViewAnswersOnlyTheWindowKeys)
{
    ASSERT_TRUE(Window->Word().IsGridEmpty());
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(Window->BackColor(), 0xFF00000Fu);
    const QColor ButtonFace = QApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(Window->palette().color(QPalette::Window), ButtonFace);

    for (int QtKey : { Qt::Key_F9, Qt::Key_F7, Qt::Key_F8, Qt::Key_Return, Qt::Key_F4, Qt::Key_A }) {
        Quiet();
        Key(QtKey);
    }
    EXPECT_FALSE(Window->AutoPlayTimer()->isActive());
    EXPECT_FALSE(Window->AutoPlay());
    EXPECT_TRUE(Window->ShowPictures());
    EXPECT_TRUE(Window->Speaking());
    EXPECT_TRUE(Speech->Spoken.isEmpty());

    Quiet();
    Key(Qt::Key_F11);
    EXPECT_TRUE(Window->TextMayLeave());
    Quiet();
    Key(Qt::Key_F10);
    EXPECT_TRUE(Window->isMinimized());
    Window->showNormal();

    // The timer and the mouse buttons move nowhere and show the empty label.
    Window->Timer1Timer();
    ClickLabel(Qt::LeftButton);
    EXPECT_EQ(Shown(), "");
    EXPECT_EQ(Window->BackColor(), 0xFF00000Fu);
    EXPECT_TRUE(Speech->Spoken.isEmpty());
}

TEST_F(PlayWindowTest, HelpKeyShowsTheHelpWindowModally)
{
    AddWords(Words);
    ShowFirst();
    QString Title;
    QStringList Lines;
    bool ReadOnly = false;
    QSize Size;
    int Result = -1;
    QTimer::singleShot(0, [&] {
        auto* Help = qobject_cast<TFrmHelp*>(QApplication::activeModalWidget());
        ASSERT_NE(Help, nullptr);
        Title = Help->windowTitle();
        auto* Memo = Help->findChild<QPlainTextEdit*>("cxMemo1");
        Lines = Memo->toPlainText().split('\n');
        ReadOnly = Memo->isReadOnly();
        Size = Help->size();
        QObject::connect(Help, &QDialog::finished, [&](int Code) { Result = Code; });
        QTest::keyClick(Help, Qt::Key_Return); // OK is the default button
    });
    Key(Qt::Key_F1);
    EXPECT_EQ(Title, "How to use Tumbalo");
    EXPECT_EQ(Lines, TFrmHelp::HelpLines());
    EXPECT_EQ(Lines.size(), 15);
    EXPECT_TRUE(ReadOnly);
    EXPECT_EQ(Size, QSize(593, 294));
    EXPECT_EQ(Result, QDialog::Accepted);
    EXPECT_EQ(Shown(), "one"); // F1 is not a word key
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// --- Painting ----------------------------------------------------------------------------------

TEST_F(PlayWindowTest, NewEntryIsOnScreenBeforeItIsSpoken)
{
    AddWords(Words);
    ShowFirst();
    QStringList Painted;
    struct TPaintSpy : QObject
    {
        QStringList* Texts;
        QLabel* Label;
        bool eventFilter(QObject*, QEvent* Event) override
        {
            if (Event->type() == QEvent::Paint)
                Texts->append(Label->text());
            return false;
        }
    } Spy;
    Spy.Texts = &Painted;
    Spy.Label = Window->Label();
    Window->Label()->installEventFilter(&Spy);
    QString PaintedWhenSpoken;
    Speech->OnSpeak = [&](const QString&) { PaintedWhenSpoken = Painted.isEmpty() ? QString() : Painted.last(); };
    Key(Qt::Key_Space);
    EXPECT_EQ(Speech->Spoken, QStringList { "two" });
    EXPECT_EQ(PaintedWhenSpoken, "two");
}

TEST_F(PlayWindowTest, BackgroundTakesTheEntryColourOrTheButtonFace)
{
    Add("blue", 0x00FF0000);
    Add("none");
    Add("system text", int(0xFF000008u));
    ShowFirst();
    EXPECT_EQ(Window->palette().color(QPalette::Window), QColor(0, 0, 255));
    Key(Qt::Key_Space);
    EXPECT_EQ(Window->BackColor(), 0xFF00000Fu);
    EXPECT_EQ(Window->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Button));
    Quiet();
    Key(Qt::Key_Space);
    EXPECT_EQ(Window->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Text));
}

TEST_F(PlayWindowTest, PictureFillsTheWindowAndTheNextOneIsDecodedAhead)
{
    Add("first", {}, true);
    Add("second", {}, true);
    Add("third");
    ShowFirst();
    EXPECT_EQ(Window->Picture()->geometry(), Window->rect());
    EXPECT_TRUE(Window->Picture()->isVisible());
    // 64 x 48 scaled to fit 640 x 480.
    EXPECT_EQ(Window->Picture()->ScaledPicture().size(), QSize(640, 480));

    const QString Second = Data().PhotoFileNameOf(Window->WordView()->RowIDAt(1));
    QImage Original;
    QImage Scaled;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Window->PictureCache()->Find(Second, Window->Picture()->size(), Original, Scaled); }, 5000));
    EXPECT_EQ(Scaled.size(), QSize(640, 480));

    Key(Qt::Key_Space);
    EXPECT_TRUE(Window->Picture()->isVisible());
    Quiet();
    Key(Qt::Key_Space);
    EXPECT_FALSE(Window->Picture()->isVisible());

    Window->resize(320, 400);
    EXPECT_EQ(Window->Picture()->geometry(), Window->rect());
}

// --- Mouse -------------------------------------------------------------------------------------

void MoveMouse(QWidget* Target, QPoint Point)
{
    QMouseEvent Move(QEvent::MouseMove, QPointF(Point), Target->mapToGlobal(QPointF(Point)), Qt::NoButton, Qt::NoButton,
        Qt::NoModifier);
    QApplication::sendEvent(Target, &Move);
}

struct TPlaceCase
{
    const char* Name;
    QSize LabelSize;
    QPoint Pointer;
    bool TextMayLeave;
    QPoint Expected;
};

class PlaceLabelTest : public PlayFixture, public ::testing::WithParamInterface<TPlaceCase>
{ };

TEST_P(PlaceLabelTest, CentresTheLabelOnThePointerWithinTheWindow)
{
    const TPlaceCase& Case = GetParam();
    // The window's outer size, frame included, is what bounds the label.
    Window->resize(QSize(640, 480) - (Window->frameGeometry().size() - Window->size()));
    ASSERT_EQ(Window->frameGeometry().size(), QSize(640, 480));
    if (Case.TextMayLeave)
        Key(Qt::Key_F11);
    Window->Label()->resize(Case.LabelSize);
    MoveMouse(Window.get(), Case.Pointer);
    EXPECT_EQ(Window->Label()->pos(), Case.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlaceLabelTest,
    ::testing::Values(TPlaceCase { "TopLeftCorner", { 200, 100 }, { 0, 0 }, false, { 0, 0 } },
        TPlaceCase { "TopLeftCornerMayLeave", { 200, 100 }, { 0, 0 }, true, { -100, -50 } },
        TPlaceCase { "Middle", { 200, 100 }, { 320, 240 }, false, { 220, 190 } },
        TPlaceCase { "BottomRight", { 200, 100 }, { 639, 479 }, false, { 440, 380 } },
        TPlaceCase { "BottomRightMayLeave", { 200, 100 }, { 639, 479 }, true, { 539, 429 } },
        TPlaceCase { "OddSize", { 201, 101 }, { 101, 51 }, false, { 1, 1 } },
        TPlaceCase { "WiderThanWindow", { 800, 100 }, { 320, 240 }, false, { -160, 190 } }),
    [](const ::testing::TestParamInfo<TPlaceCase>& Info) { return std::string(Info.param.Name); });

TEST_F(PlayWindowTest, PointerOverLabelAndPictureCountsInWindowCoordinates)
{
    Add("pic", {}, true);
    ShowFirst();
    QLabel* Label = Window->Label();
    Label->resize(200, 100);
    Label->move(100, 100);
    MoveMouse(Label, { 150, 70 }); // (250, 170) in the window
    EXPECT_EQ(Label->pos(), QPoint(150, 120));
    MoveMouse(Window->Picture(), { 400, 300 });
    EXPECT_EQ(Label->pos(), QPoint(300, 250));
}

TEST_F(PlayWindowTest, F11MovesTheLabelCentreToItsFormerCorner)
{
    QLabel* Label = Window->Label();
    Label->resize(200, 100);
    Label->move(100, 80);
    Key(Qt::Key_F11); // may leave: centre to (100, 80)
    EXPECT_EQ(Label->pos(), QPoint(0, 30));
    Quiet();
    Key(Qt::Key_F11); // kept inside: centre to (0, 30), then clamped
    EXPECT_EQ(Label->pos(), QPoint(0, 0));
}

TEST_F(PlayWindowTest, MouseButtonsOnTheLabel)
{
    AddWords(Words);
    ShowFirst();
    ClickLabel(Qt::LeftButton);
    EXPECT_EQ(Shown(), "two");
    Quiet();
    ClickLabel(Qt::MiddleButton);
    EXPECT_EQ(Shown(), "three");
    // Clicks elsewhere do nothing.
    QTest::mouseClick(Window.get(), Qt::LeftButton, Qt::NoModifier, QPoint(630, 470));
    EXPECT_EQ(Shown(), "three");
}

TEST_F(PlayWindowTest, RightClickCyclesTheEighteenColours)
{
    AddWords(Words);
    ShowFirst();
    Key(Qt::Key_F8); // speech off
    Quiet();
    const auto TextColor = [&] { return Window->Label()->palette().color(QPalette::WindowText); };
    EXPECT_EQ(TextColor(), QColor(255, 0, 0)); // the design colour
    ClickLabel(Qt::RightButton);
    EXPECT_EQ(Window->ColorIndex(), 1);
    EXPECT_EQ(TextColor(), QColor(128, 0, 0)); // maroon
    EXPECT_TRUE(Speech->Spoken.isEmpty());
    EXPECT_EQ(Shown(), "one");
    for (int I = 0; I < 17; ++I)
        ClickLabel(Qt::RightButton);
    EXPECT_EQ(Window->ColorIndex(), 0);
    EXPECT_EQ(TextColor(), QColor(0, 0, 0));

    // With speech on, a colour change speaks the entry (past the speech guard).
    Quiet();
    Key(Qt::Key_F8);
    Quiet();
    ClickLabel(Qt::RightButton);
    EXPECT_EQ(Speech->Spoken, QStringList { "one" });
    // The colour stays with the label, not with the entry.
    Quiet();
    Key(Qt::Key_Space);
    EXPECT_EQ(TextColor(), QColor(128, 0, 0));
}

struct TWheelCase
{
    const char* Name;
    int Size;
    int Delta;
    int Expected;
};

class WheelTest : public PlayFixture, public ::testing::WithParamInterface<TWheelCase>
{ };

TEST_P(WheelTest, ChangesTheFontSizeWithinBounds)
{
    const TWheelCase& Case = GetParam();
    Window->SetLabelFontSize(Case.Size);
    const QPointF At(100, 100);
    QWheelEvent Wheel(At, Window->mapToGlobal(At), QPoint(), QPoint(0, Case.Delta), Qt::NoButton, Qt::NoModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(Window.get(), &Wheel);
    EXPECT_EQ(Window->LabelFontSize(), Case.Expected);
    EXPECT_EQ(Window->Label()->size(), Window->Label()->sizeHint());
}

INSTANTIATE_TEST_SUITE_P(Cases, WheelTest,
    ::testing::Values(TWheelCase { "UpToTheTop", 495, 120, 500 }, TWheelCase { "DownToTheBottom", 15, -120, 8 },
        TWheelCase { "SmallDeltaDoesNothing", 40, 5, 40 }, TWheelCase { "TruncatesTowardZero", 40, -119, 29 },
        TWheelCase { "OneNotchUp", 40, 120, 52 }),
    [](const ::testing::TestParamInfo<TWheelCase>& Info) { return std::string(Info.param.Name); });

// --- Full screen -------------------------------------------------------------------------------

TEST_F(PlayWindowTest, F12LeavesFullScreenForTheStoredOrDefaultSize)
{
    Window->SetFullShow(true);
    EXPECT_TRUE(Window->FullShow());
    EXPECT_TRUE(Window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(Window->geometry(), Window->screen()->geometry());

    Key(Qt::Key_F12);
    EXPECT_FALSE(Window->FullShow());
    EXPECT_FALSE(Window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(Window->isFullScreen());
    EXPECT_TRUE(Window->isVisible());
    EXPECT_EQ(Window->size(), QSize(300, 200));

    // The list's stored size is read anew at each switch; a value that is no number gives
    // the default for that side.
    TIniFileForEXE::WriteString("MainFormWidth", "520");
    TIniFileForEXE::WriteString("MainFormHeight", "big");
    Quiet();
    Key(Qt::Key_F12);
    EXPECT_TRUE(Window->FullShow());
    Quiet();
    Key(Qt::Key_F12);
    EXPECT_EQ(Window->size(), QSize(520, 200));
}

// --- Lock, start file, closing, other copies ---------------------------------------------------

TEST_F(PlayWindowTest, KeyboardLockHoldsForTheWindowsLifetime)
{
    EXPECT_EQ(LockCalls, QStringList { "BeginHook" });
    EXPECT_EQ(Lock.Window, Window.get());
    const QString WorkDir = Data().DataDir();
    ASSERT_TRUE(QFileInfo(WorkDir).isDir());
    Window.reset();
    EXPECT_EQ(LockCalls, (QStringList { "BeginHook", "EndHook" }));
    EXPECT_FALSE(QFileInfo::exists(WorkDir));
}

TEST_F(PlayWindowTest, StartFileIsOpenedAndAnswersCopyDataQueries)
{
    AddWords({ "x", "y" });
    const QString Name = Home.Path() + "Words.tlo";
    ASSERT_TRUE(Data().SaveToFile(Name));
    Window.reset();
    MakeWindow();
    Window->LoadStartFile(Name);
    EXPECT_EQ(Shown(), "y"); // the entry current when the list was saved
    EXPECT_EQ(Data().FileName(), Name);

    using namespace InstanceChannel;
    const std::uint32_t Handle = OwnHandle();
    EXPECT_EQ(Window->WMCopyData(MakeCopyData(1, Name)), Handle);
    EXPECT_EQ(Window->WMCopyData(MakeCopyData(0, Home.Path() + "WORDS.TLO")), Handle);
    EXPECT_EQ(Window->WMCopyData(MakeCopyData(1, Home.Path() + "Other.tlo")), 0u);
    EXPECT_EQ(Window->WMCopyData(MakeCopyData(1, "")), 0u);
    // Only ASCII letters are compared without regard to case.
    const QString Accented = Home.Path() + QString::fromUtf8("Ä.tlo");
    Data().SetModified(false);
    Data().OpenFile(Accented);
    EXPECT_EQ(Window->WMCopyData(MakeCopyData(1, Accented)), Handle);
    EXPECT_EQ(Window->WMCopyData(MakeCopyData(1, Home.Path() + QString::fromUtf8("ä.tlo"))), 0u);
}

TEST_F(PlayWindowTest, BrokenStartFileIsReportedAndPlayGoesOnEmpty)
{
    const QString Name = Home.Path() + "Broken.tlo";
    QFile File(Name);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write("this is no archive");
    File.close();
    Window->LoadStartFile(Name);
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Type, FakeMessageBoxes::Kind::Error);
    EXPECT_EQ(Shown(), "");
    Quiet();
    Key(Qt::Key_A);
    EXPECT_TRUE(Window->isVisible());
    // Closing does not write the empty list over the file that could not be read.
    EXPECT_TRUE(Window->close());
    EXPECT_EQ(File.size(), qint64(18));
}

TEST_F(PlayWindowTest, NoArgumentStartsAnUntitledList)
{
    Window->LoadStartFile("");
    EXPECT_EQ(Data().FileName(), Home.Path() + "Untitle1.tlo");
    EXPECT_TRUE(Data().IsUntitled());
    EXPECT_EQ(Shown(), "");
    EXPECT_TRUE(Boxes.Boxes.isEmpty());
}

TEST_F(PlayWindowTest, ClosingWritesTheListBack)
{
    const QString Name = Home.Path() + "Marks.tlo";
    Window->LoadStartFile(Name);
    AddWords(Words);
    ShowFirst();
    Key(Qt::Key_F4);
    Data().SetModified(false); // written back on closing even without changes
    Quiet();
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Window->isVisible());
    ASSERT_TRUE(QFileInfo(Name).isFile());

    Window.reset();
    MakeWindow();
    Window->LoadStartFile(Name);
    EXPECT_EQ(Shown(), "one");
    EXPECT_EQ(Status(), "AbleToReadWord");
}

TEST_F(PlayWindowTest, FailedSaveKeepsTheWindowOpen)
{
    QFile Blocker(Home.Path() + "NotAFolder");
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();
    Window->LoadStartFile(Home.Path() + "NotAFolder/List.tlo");
    AddWords(Words);
    ShowFirst();
    EXPECT_FALSE(Window->close());
    EXPECT_TRUE(Window->isVisible());
    ASSERT_FALSE(Boxes.Boxes.isEmpty());
    EXPECT_EQ(Boxes.Boxes.last().Type, FakeMessageBoxes::Kind::Error);
}

TEST_F(PlayWindowTest, UntitledListAsksForANameAndClosesWhenCancelled)
{
    Window->LoadStartFile("");
    AddWords(Words);
    EXPECT_TRUE(Window->close()); // the name dialog answers nothing
    ASSERT_EQ(Dialogs.Calls.size(), 1);
    EXPECT_EQ(Dialogs.Calls[0].Kind, "save");
}

} // namespace
