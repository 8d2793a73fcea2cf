// The play window on a real X server: the keyboard grab against another client's window,
// full screen without a window manager, and two copies of the real program handing off.
// Keys are sent with xdotool through the X test extension, as a keyboard would send them
// (not to a window directly, which would pass by a grab).

#include "FakeClipboard.h"
#include "FakeClock.h"
#include "FakeFileDialogs.h"
#include "FakeMessageBoxes.h"
#include "FakeSound.h"
#include "FakeSpeech.h"
#include "InstanceChannel.h"
#include "TestHome.h"
#include "X11KeyboardLock.h"
#include "XTestMain.h"
#include "uFrmEditor.h"
#include "uFrmTumbalo.h"
#include "uMWord.h"
#include "uPictureBox.h"
#include "uWordData.h"
#include "uWordView.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Runs a helper program to its end and gives its standard output, trimmed.
QString Run(const QString& Program, const QStringList& Arguments)
{
    QProcess Process;
    Process.start(Program, Arguments);
    if (!Process.waitForFinished(15000)) {
        Process.kill();
        Process.waitForFinished();
        return {};
    }
    return QString::fromUtf8(Process.readAllStandardOutput()).trimmed();
}

QString XdoTool(const QStringList& Arguments)
{
    return Run(QStringLiteral("xdotool"), Arguments);
}

bool HaveTools()
{
    return !QStandardPaths::findExecutable("xdotool").isEmpty() && !QStandardPaths::findExecutable("xlogo").isEmpty()
        && !QStandardPaths::findExecutable("xwininfo").isEmpty();
}

#define SKIP_WITHOUT_TOOLS()                                                                                           \
    do {                                                                                                               \
        SKIP_WITHOUT_X();                                                                                              \
        if (!HaveTools())                                                                                              \
            GTEST_SKIP() << "xdotool, xlogo or xwininfo is missing (scripts/install-deps installs them)";              \
    } while (false)

// Another client's window (xlogo) that takes the keyboard focus.
class TOtherWindow
{
public:
    TOtherWindow()
    {
        FProcess.start(QStringLiteral("xlogo"), { QStringLiteral("-geometry"), QStringLiteral("200x200+10+10") });
        FProcess.waitForStarted(5000);
        Id = XdoTool({ "search", "--sync", "--onlyvisible", "--classname", "xlogo" }).section('\n', 0, 0);
    }
    ~TOtherWindow()
    {
        FProcess.kill();
        FProcess.waitForFinished(5000);
    }

    // Gives the other window the keyboard focus; true when it has it.
    bool TakeFocus() const
    {
        XdoTool({ "windowfocus", "--sync", Id });
        return FocusedWindow() == Id;
    }

    static QString FocusedWindow() { return XdoTool({ "getwindowfocus" }); }

    QString Id;

private:
    QProcess FProcess;
};

// The play window of this test program on fakes, with the real keyboard lock.
class XPlayWindowTest : public ::testing::Test
{
protected:
    void MakeWindow()
    {
        TPlayServices Services;
        Services.TickClock = &Clock;
        Services.Speech = std::make_unique<FakeSpeech>();
        Services.Sound = std::make_unique<FakeSound>();
        Services.Boxes = &Boxes;
        Services.Dialogs = &Dialogs;
        Services.Board = &Board;
        Services.Lock = &Lock;
        Window = std::make_unique<TFrmTumbalo>(std::move(Services));
        TDataTable& Table = Window->Word().WordData().DataSet();
        for (const char* Word : { "one", "two", "three", "four", "five" }) {
            Table.Append();
            Table.FieldByName("Word").SetAsString(Word);
            Table.Post();
        }
        Table.First();
        Window->ShowWord();
        Window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Window.get()));
    }

    QString Shown() const { return Window->Label()->text(); }

    // Sends Keys as the keyboard would, after the key guard's quiet time, and waits until the
    // label shows Expected (or a moment passed, when it must not change).
    bool KeyShows(const QString& Keys, const QString& Expected)
    {
        Clock.Advance(1000);
        XdoTool({ "key", Keys });
        return QTest::qWaitFor([&] { return Shown() == Expected; }, 3000);
    }

    TestHome Home;
    FakeClock Clock;
    FakeMessageBoxes Boxes;
    FakeFileDialogs Dialogs;
    FakeClipboard Board;
    X11KeyboardLock Lock;
    std::unique_ptr<TFrmTumbalo> Window;
};

TEST_F(XPlayWindowTest, DesktopKeysReachThePlayWindowWhileTheLockHolds)
{
    SKIP_WITHOUT_TOOLS();
    MakeWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lock.IsGrabbed(); }, 5000));
    TOtherWindow Other;
    ASSERT_FALSE(Other.Id.isEmpty());
    ASSERT_TRUE(Other.TakeFocus());

    EXPECT_TRUE(KeyShows("a", "two"));
    EXPECT_TRUE(KeyShows("super", "three"));
    // Alt acts as a key of its own; Tab follows within 100 ms and is dropped.
    EXPECT_TRUE(KeyShows("alt+Tab", "four"));
    QTest::qWait(300);
    EXPECT_EQ(Shown(), "four");
    EXPECT_EQ(TOtherWindow::FocusedWindow(), Other.Id); // nobody switched windows

    // Once the lock is off the desktop gets its keys back: they go to the focused window.
    Lock.EndHook();
    EXPECT_FALSE(Lock.IsGrabbed());
    EXPECT_FALSE(KeyShows("b", "five"));
    EXPECT_EQ(Shown(), "four");
}

TEST_F(XPlayWindowTest, TheAdultTypesIntoTheEditorWhileTheLockHolds)
{
    SKIP_WITHOUT_TOOLS();
    MakeWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Lock.IsGrabbed(); }, 5000));
    TFrmEditor* Editor = Window->Editor();
    QString Typed;
    bool Ran = false;
    // F2 from the keyboard shows the editor modally; inside it the keys go to the focused box.
    QTimer Poll;
    Poll.setInterval(50);
    QObject::connect(&Poll, &QTimer::timeout, Editor, [&] {
        if (!Editor->isVisible())
            return;
        Poll.stop();
        const std::unique_ptr<TFrmEditor, void (*)(TFrmEditor*)> CloseAtEnd(Editor, [](TFrmEditor* E) { E->accept(); });
        Ran = true;
        if (!QTest::qWaitForWindowActive(Editor, 5000))
            return;
        auto* Box = Editor->findChild<QLineEdit*>("edWordFilter");
        Box->setFocus();
        XdoTool({ "type", "--delay", "50", "two" });
        // Typed is checked below; a timeout shows there as the wrong text.
        (void)QTest::qWaitFor([&] { return Box->text() == "two"; }, 3000);
        Typed = Box->text();
    });
    Poll.start();
    Clock.Advance(1000);
    XdoTool({ "key", "F2" });
    ASSERT_TRUE(QTest::qWaitFor([&] { return Ran && !Editor->isVisible(); }, 10000));
    EXPECT_EQ(Typed, "two");
    EXPECT_EQ(Window->WordView()->ShownWords(), QStringList { "two" });
    // Back in the play window, the lock holds again and keys reach the child's window.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Lock.IsGrabbed(); }, 5000));
    EXPECT_TRUE(KeyShows("a", "two"));
}

// The window's outer geometry as the X server has it.
QRect XGeometry(WId Window)
{
    const QString Info = Run("xwininfo", { "-id", QString::number(Window) });
    const auto Number = [&](const char* Label) {
        const QRegularExpression Pattern(QString::fromLatin1(Label) + QStringLiteral(":\\s*(-?\\d+)"));
        return Pattern.match(Info).captured(1).toInt();
    };
    return { Number("Absolute upper-left X"), Number("Absolute upper-left Y"), Number("Width"), Number("Height") };
}

TEST_F(XPlayWindowTest, FullScreenCoversTheScreenWithoutAWindowManager)
{
    SKIP_WITHOUT_TOOLS();
    MakeWindow();
    const QRect Screen = Window->screen()->geometry();
    Window->SetFullShow(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return XGeometry(Window->winId()) == Screen; }, 5000))
        << "X geometry " << XGeometry(Window->winId()).width() << "x" << XGeometry(Window->winId()).height();
    EXPECT_TRUE(Window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(Window->geometry(), Screen);
    EXPECT_EQ(Window->Picture()->geometry(), Window->rect());

    Window->SetFullShow(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return XGeometry(Window->winId()).size() == QSize(300, 200); }, 5000));
    EXPECT_FALSE(Window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(Window->isVisible());
}

// --- Two copies of the real program ------------------------------------------------------------

// A word list with one entry, written as Name.
void MakeList(const QString& Name, const QString& Word)
{
    QTemporaryDir Folder;
    TWordData Data(Folder.path() + '/', {}, false);
    Data.DataSet().Append();
    Data.DataSet().FieldByName("Word").SetAsString(Word);
    Data.DataSet().Post();
    ASSERT_TRUE(Data.SaveToFile(Name));
}

class TwoCopiesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Home = Dir.path() + "/home/";
        Runtime = Dir.path() + "/runtime/";
        QDir().mkpath(Home);
        QDir().mkpath(Runtime);
        QFile::setPermissions(Runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void TearDown() override
    {
        for (QProcess* Copy : { &First, &Second }) {
            if (Copy->state() != QProcess::NotRunning) {
                Copy->kill();
                Copy->waitForFinished(5000);
            }
        }
    }

    void Start(QProcess& Copy, const QString& File)
    {
        QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
        Environment.insert("QT_QPA_PLATFORM", "xcb");
        Environment.insert("TUMBALO_HOME", Home);
        Environment.insert("XDG_RUNTIME_DIR", Runtime);
        Environment.insert("XDG_DATA_HOME", Dir.path() + "/data");
        Copy.setProcessEnvironment(Environment);
        Copy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        Copy.start(TUMBALO_EXE, { File });
        ASSERT_TRUE(Copy.waitForStarted(5000));
    }

    // Waits until Copy listens for other copies and shows its window; gives the window.
    QString WaitUntilRunning(QProcess& Copy)
    {
        const QString Socket = InstanceChannel::WindowName(Runtime, std::uint32_t(Copy.processId()));
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(Socket); }, 15000))
            return {};
        return XdoTool({ "search", "--sync", "--onlyvisible", "--pid", QString::number(Copy.processId()) })
            .section('\n', 0, 0);
    }

    QTemporaryDir Dir;
    QString Home;
    QString Runtime;
    QProcess First;
    QProcess Second;
};

TEST_F(TwoCopiesTest, SameFileInOtherLetterCaseRaisesTheRunningCopy)
{
    SKIP_WITHOUT_TOOLS();
    MakeList(Home + "List.tlo", "first");
    ASSERT_TRUE(QFile::copy(Home + "List.tlo", Home + "LIST.TLO")); // the name must name a file
    Start(First, Home + "List.tlo");
    const QString FirstWindow = WaitUntilRunning(First);
    ASSERT_FALSE(FirstWindow.isEmpty());

    TOtherWindow Other;
    ASSERT_TRUE(Other.TakeFocus());

    Start(Second, Home + "LIST.TLO");
    ASSERT_TRUE(Second.waitForFinished(20000));
    EXPECT_EQ(Second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(Second.exitCode(), 0);
    EXPECT_EQ(First.state(), QProcess::Running);
    EXPECT_TRUE(QTest::qWaitFor([&] { return TOtherWindow::FocusedWindow() == FirstWindow; }, 5000));
}

TEST_F(TwoCopiesTest, RaisedCopyBringsItsModalWindowToTheFront)
{
    SKIP_WITHOUT_TOOLS();
    MakeList(Home + "List.tlo", "first");
    Start(First, Home + "List.tlo");
    ASSERT_FALSE(WaitUntilRunning(First).isEmpty());
    // F1 reaches the first copy through its keyboard grab and opens its help window.
    QTest::qWait(300);
    XdoTool({ "key", "F1" });
    QString Help;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            Help = XdoTool({ "search", "--onlyvisible", "--name", "How to use Tumbalo" }).section('\n', 0, 0);
            return !Help.isEmpty();
        },
        10000));

    TOtherWindow Other;
    ASSERT_TRUE(Other.TakeFocus());
    Start(Second, Home + "List.tlo");
    ASSERT_TRUE(Second.waitForFinished(20000));
    EXPECT_EQ(Second.exitCode(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return TOtherWindow::FocusedWindow() == Help; }, 5000));
}

TEST_F(TwoCopiesTest, AnotherFileStartsASecondCopy)
{
    SKIP_WITHOUT_TOOLS();
    MakeList(Home + "List.tlo", "first");
    MakeList(Home + "Other.tlo", "second");
    Start(First, Home + "List.tlo");
    ASSERT_FALSE(WaitUntilRunning(First).isEmpty());
    Start(Second, Home + "Other.tlo");
    EXPECT_FALSE(WaitUntilRunning(Second).isEmpty());
    EXPECT_EQ(First.state(), QProcess::Running);
    EXPECT_EQ(Second.state(), QProcess::Running);
}

TEST_F(TwoCopiesTest, CopyThatDiedIsPassedBy)
{
    SKIP_WITHOUT_TOOLS();
    MakeList(Home + "List.tlo", "first");
    Start(First, Home + "List.tlo");
    ASSERT_FALSE(WaitUntilRunning(First).isEmpty());
    const QString DeadSocket = InstanceChannel::WindowName(Runtime, std::uint32_t(First.processId()));
    First.kill(); // leaves its socket behind
    First.waitForFinished(5000);
    ASSERT_TRUE(QFileInfo::exists(DeadSocket));

    Start(Second, Home + "List.tlo");
    EXPECT_FALSE(WaitUntilRunning(Second).isEmpty());
    EXPECT_EQ(Second.state(), QProcess::Running);
    EXPECT_FALSE(QFileInfo::exists(DeadSocket));
}

} // namespace
