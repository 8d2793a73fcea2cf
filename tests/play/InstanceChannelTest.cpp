// The channel between running copies: queries and restore requests over real local sockets,
// with the answering copies played by servers in threads of their own (as another process
// would answer while this one waits).

#include "InstanceChannel.h"
#include "uTumbaloMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>

using namespace InstanceChannel;

namespace {

// A running copy with the list FileName open, answering in its own thread.
class TFakeCopy
{
public:
    TFakeCopy(const QString& Folder, std::uint32_t Handle, const QString& FileName, int DelayMs = 0)
        : FHandle(Handle)
        , FFileName(FileName.toUtf8())
        , FDelayMs(DelayMs)
    {
        FContext.moveToThread(&FThread);
        FThread.start();
        QMetaObject::invokeMethod(
            &FContext,
            [this, Folder] {
                FServer = new TInstanceServer(
                    [this](const TCopyDataStruct& Block) {
                        ++Queries;
                        LastNumber = Block.dwData;
                        LastLength = Block.cbData;
                        if (FDelayMs > 0)
                            QThread::msleep(FDelayMs);
                        return SameTextAscii(CopyDataPath(Block), FFileName) ? FHandle : 0u;
                    },
                    [this] { ++Restores; });
                Listening = FServer->Listen(Folder, FHandle);
            },
            Qt::BlockingQueuedConnection);
    }

    ~TFakeCopy()
    {
        QMetaObject::invokeMethod(
            &FContext, [this] { delete FServer; }, Qt::BlockingQueuedConnection);
        FThread.quit();
        FThread.wait();
    }

    std::atomic<int> Queries { 0 };
    std::atomic<int> Restores { 0 };
    std::atomic<std::uint32_t> LastNumber { 0 };
    std::atomic<std::uint32_t> LastLength { 0 };
    bool Listening = false;

private:
    std::uint32_t FHandle;
    QByteArray FFileName;
    int FDelayMs;
    QThread FThread;
    QObject FContext;
    TInstanceServer* FServer = nullptr;
};

class InstanceChannelTest : public ::testing::Test
{
protected:
    QString Folder() const { return Dir.path() + "/"; }
    QTemporaryDir Dir;
};

TEST_F(InstanceChannelTest, QueryCarriesThePathAndGetsTheAnswer)
{
    TFakeCopy Copy(Folder(), 4242, "/lists/Animals.tlo");
    ASSERT_TRUE(Copy.Listening);
    const QString Window = WindowName(Folder(), 4242);
    EXPECT_EQ(QFileInfo(Window).fileName(), "TFrmTumbalo-4242");
    EXPECT_EQ(SendCopyData(Window, MakeCopyData(1, "/lists/ANIMALS.tlo"), 5000), 4242u);
    EXPECT_EQ(Copy.LastNumber, 1u);
    EXPECT_EQ(Copy.LastLength, std::uint32_t(QByteArray("/lists/ANIMALS.tlo").size() + 1));
    EXPECT_EQ(SendCopyData(Window, MakeCopyData(0, "/lists/Other.tlo"), 5000), 0u);
    EXPECT_EQ(Copy.Queries, 2);
}

TEST_F(InstanceChannelTest, FindsTheCopyWithTheFileAndRestoresOnlyIt)
{
    TFakeCopy First(Folder(), 111, "/a/x.tlo");
    TFakeCopy Second(Folder(), 222, "/a/y.tlo");
    EXPECT_TRUE(FindRunningCopy(true, "/A/Y.TLO", Folder()));
    EXPECT_EQ(First.Queries, 1); // asked and answered 0
    EXPECT_EQ(Second.Queries, 1);
    EXPECT_EQ(First.Restores, 0);
    EXPECT_EQ(Second.Restores, 1);

    EXPECT_TRUE(FindRunningCopy(false, "/a/x.tlo", Folder()));
    EXPECT_EQ(Second.Queries, 1); // the enumeration stopped at the first answer
    EXPECT_EQ(First.Restores, 0);

    EXPECT_FALSE(FindRunningCopy(true, "/a/z.tlo", Folder()));
    EXPECT_EQ(First.Restores + Second.Restores, 1);
}

TEST_F(InstanceChannelTest, FirstAnswerWins)
{
    TFakeCopy First(Folder(), 301, "/same.tlo");
    TFakeCopy Second(Folder(), 302, "/same.tlo");
    EXPECT_TRUE(FindRunningCopy(true, "/same.tlo", Folder()));
    EXPECT_EQ(First.Restores, 1);
    EXPECT_EQ(Second.Queries, 0);
}

TEST_F(InstanceChannelTest, OwnSocketIsNeverAsked)
{
    // Another socket answering with this copy's own handle does not count...
    TFakeCopy Impostor(Folder(), OwnHandle() + 1, "/mine.tlo");
    // ...and this copy's own socket is not even asked (it would have to answer itself).
    TFakeCopy Self(Folder(), OwnHandle(), "/mine.tlo");
    EXPECT_EQ(SendCopyData(WindowName(Folder(), OwnHandle() + 1), MakeCopyData(1, "/mine.tlo"), 5000), OwnHandle() + 1);
    EXPECT_TRUE(FindRunningCopy(false, "/mine.tlo", Folder())); // the impostor answers with its own
    EXPECT_EQ(Self.Queries, 0);
}

TEST_F(InstanceChannelTest, AnswerWithOwnHandleCountsAsNone)
{
    // A copy whose answer is this copy's handle: it is treated as no answer.
    struct TEcho
    {
        QThread Thread;
        QObject Context;
        TInstanceServer* Server = nullptr;
    } Echo;
    Echo.Context.moveToThread(&Echo.Thread);
    Echo.Thread.start();
    const QString Where = Folder();
    QMetaObject::invokeMethod(
        &Echo.Context,
        [&Echo, Where] {
            Echo.Server = new TInstanceServer([](const TCopyDataStruct&) { return OwnHandle(); }, [] {});
            Echo.Server->Listen(Where, 777);
        },
        Qt::BlockingQueuedConnection);
    EXPECT_FALSE(FindRunningCopy(true, "/any.tlo", Folder()));
    QMetaObject::invokeMethod(
        &Echo.Context, [&Echo] { delete Echo.Server; }, Qt::BlockingQueuedConnection);
    Echo.Thread.quit();
    Echo.Thread.wait();
}

// A socket file left behind by a copy that died: bound, never listened on, closed.
void MakeStaleSocket(const QString& Path)
{
    const int Fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(Fd, 0);
    sockaddr_un Address {};
    Address.sun_family = AF_UNIX;
    const QByteArray Name = QFile::encodeName(Path);
    ASSERT_LT(std::size_t(Name.size()), sizeof(Address.sun_path));
    std::memcpy(Address.sun_path, Name.constData(), std::size_t(Name.size()));
    ASSERT_EQ(::bind(Fd, reinterpret_cast<sockaddr*>(&Address), sizeof(Address)), 0);
    ::close(Fd);
}

TEST_F(InstanceChannelTest, StaleSocketsAreSkippedAndRemoved)
{
    const QString Stale = WindowName(Folder(), 100);
    MakeStaleSocket(Stale);
    ASSERT_TRUE(QFileInfo::exists(Stale));
    TFakeCopy Live(Folder(), 200, "/live.tlo");
    EXPECT_EQ(TopLevelWindows(Folder()), (QStringList { Stale, WindowName(Folder(), 200) }));
    EXPECT_TRUE(FindRunningCopy(true, "/live.tlo", Folder()));
    EXPECT_FALSE(QFileInfo::exists(Stale));
    EXPECT_EQ(Live.Restores, 1);
}

TEST_F(InstanceChannelTest, LeftoverSocketOfTheSameNameIsReplaced)
{
    MakeStaleSocket(WindowName(Folder(), 555));
    TFakeCopy Copy(Folder(), 555, "/list.tlo");
    EXPECT_TRUE(Copy.Listening);
    EXPECT_TRUE(FindRunningCopy(false, "/list.tlo", Folder()));
}

TEST_F(InstanceChannelTest, OnlyPlayWindowSocketsAreAsked)
{
    QFile Plain(Folder() + "TFrmTumbalo-9");
    ASSERT_TRUE(Plain.open(QIODevice::WriteOnly)); // a plain file, not a socket
    Plain.close();
    QDir(Folder()).mkdir("TFrmTumbalo-8");
    MakeStaleSocket(Folder() + "SomethingElse-7");
    EXPECT_EQ(TopLevelWindows(Folder()), QStringList { Folder() + "SomethingElse-7" });
    EXPECT_FALSE(FindRunningCopy(true, "/x.tlo", Folder()));
    EXPECT_TRUE(QFileInfo::exists(Folder() + "SomethingElse-7")); // not ours: left alone
}

TEST_F(InstanceChannelTest, SilentCopyTimesOut)
{
    TFakeCopy Slow(Folder(), 61, "/slow.tlo", 1500);
    EXPECT_EQ(SendCopyData(WindowName(Folder(), 61), MakeCopyData(1, "/slow.tlo"), 200), 0u);
}

TEST_F(InstanceChannelTest, BrokenRequestsGetNoAnswerAndTheCopyGoesOn)
{
    TFakeCopy Copy(Folder(), 71, "/ok.tlo");
    const QString Window = WindowName(Folder(), 71);
    const auto SendRaw = [&](std::uint32_t Message, std::uint32_t Length) {
        QLocalSocket Socket;
        Socket.connectToServer(Window);
        EXPECT_TRUE(Socket.waitForConnected(2000));
        QByteArray Request(20, '\0');
        qToLittleEndian<std::uint32_t>(Message, Request.data());
        qToLittleEndian<std::uint32_t>(Length, Request.data() + 12);
        Socket.write(Request);
        Socket.waitForBytesWritten(2000);
        // The copy hangs up without answering.
        if (Socket.state() == QLocalSocket::ConnectedState)
            Socket.waitForDisconnected(2000);
        return Socket.readAll();
    };
    EXPECT_TRUE(SendRaw(WM_COPYDATA, MaxDataLength + 1).isEmpty());
    EXPECT_TRUE(SendRaw(0x1234, 0).isEmpty());
    EXPECT_EQ(Copy.Queries, 0);
    EXPECT_EQ(SendCopyData(Window, MakeCopyData(1, "/ok.tlo"), 5000), 71u);
}

struct TWindowCase
{
    QString Name;
    bool IsPlay;
};

class IsPlayWindowTest : public ::testing::TestWithParam<TWindowCase>
{ };

TEST_P(IsPlayWindowTest, ComparesTheClassNameWithoutAsciiCase)
{
    EXPECT_EQ(IsPlayWindow(GetParam().Name), GetParam().IsPlay) << GetParam().Name.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Names, IsPlayWindowTest,
    ::testing::Values(TWindowCase { "/run/user/0/TFrmTumbalo-12", true }, TWindowCase { "tfrmtumbalo-1", true },
        TWindowCase { "TFRMTUMBALO-77", true }, TWindowCase { "TFrmTumbaloX-1", false },
        TWindowCase { "TFrmTumbalo", true }, TWindowCase { "TFrmEditor-3", false },
        TWindowCase { QString::fromUtf8("TFrmTümbalo-1"), false }, TWindowCase { "", false }));

} // namespace
