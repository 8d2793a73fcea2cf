#include "InstanceChannel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QtEndian>

#include <array>

namespace InstanceChannel {

namespace {

constexpr int HeaderSize = 5 * 4;
constexpr int ConnectTimeoutMs = 2000;

QByteArray Header(std::uint32_t Message, std::uint32_t Parameter, std::uint32_t Number, std::uint32_t Length)
{
    const std::array<std::uint32_t, 5> Fields { Message, Parameter, Number, Length, 0 };
    QByteArray Bytes(HeaderSize, Qt::Uninitialized);
    for (std::size_t I = 0; I < Fields.size(); ++I)
        qToLittleEndian<std::uint32_t>(Fields[I], Bytes.data() + 4 * I);
    return Bytes;
}

// Connects to Window; a socket file that refuses the connection belongs to a copy that is
// gone and is removed, so later starts do not ask it again.
bool Connect(QLocalSocket& Socket, const QString& Window, int TimeoutMs)
{
    Socket.connectToServer(Window);
    if (Socket.waitForConnected(std::min(TimeoutMs, ConnectTimeoutMs)))
        return true;
    if (Socket.error() == QLocalSocket::ConnectionRefusedError) {
        const QFileInfo Info(Window);
        if (Info.exists() && !Info.isDir() && !Info.isFile())
            QFile::remove(Window);
    }
    return false;
}

// Sends one request and waits for the four bytes of its answer; nullopt-like false when
// the answer did not come in time.
bool Exchange(QLocalSocket& Socket, const QByteArray& Request, int TimeoutMs, std::uint32_t& Answer)
{
    const QDeadlineTimer Deadline(TimeoutMs);
    Socket.write(Request);
    while (Socket.bytesToWrite() > 0) {
        if (!Socket.waitForBytesWritten(int(std::max<qint64>(1, Deadline.remainingTime()))))
            return false;
    }
    while (Socket.bytesAvailable() < 4) {
        if (Deadline.hasExpired() || !Socket.waitForReadyRead(int(std::max<qint64>(1, Deadline.remainingTime()))))
            return false;
    }
    const QByteArray Bytes = Socket.read(4);
    Answer = qFromLittleEndian<std::uint32_t>(Bytes.constData());
    return true;
}

} // namespace

TCopyDataStruct MakeCopyData(std::uint32_t Number, const QString& FileName)
{
    TCopyDataStruct Block;
    Block.dwData = Number;
    Block.lpData = FileName.toUtf8();
    Block.lpData.append('\0');
    Block.cbData = static_cast<std::uint32_t>(Block.lpData.size());
    return Block;
}

QByteArray CopyDataPath(const TCopyDataStruct& Block)
{
    const qsizetype End = Block.lpData.indexOf('\0');
    return End < 0 ? Block.lpData : Block.lpData.left(End);
}

QString DefaultFolder()
{
    QString Folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (Folder.isEmpty())
        Folder = QDir::tempPath();
    if (!Folder.endsWith(QLatin1Char('/')))
        Folder += QLatin1Char('/');
    return Folder;
}

std::uint32_t OwnHandle()
{
    return static_cast<std::uint32_t>(QCoreApplication::applicationPid());
}

QString WindowName(const QString& Folder, std::uint32_t Handle)
{
    QString Path = Folder;
    if (!Path.endsWith(QLatin1Char('/')))
        Path += QLatin1Char('/');
    return Path + PlayWindowClassName + QLatin1Char('-') + QString::number(Handle);
}

QString ClassNameOf(const QString& WindowName)
{
    const QString Name = QFileInfo(WindowName).fileName();
    const qsizetype Dash = Name.lastIndexOf(QLatin1Char('-'));
    return (Dash < 0 ? Name : Name.left(Dash)).left(224);
}

QStringList TopLevelWindows(const QString& Folder)
{
    const QDir Dir(Folder);
    QStringList Result;
    for (const QFileInfo& Info : Dir.entryInfoList(QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (!Info.isDir() && !Info.isFile() && !Info.isSymLink())
            Result.append(Info.absoluteFilePath());
    }
    return Result;
}

std::uint32_t SendCopyData(const QString& Window, const TCopyDataStruct& Block, int TimeoutMs)
{
    QLocalSocket Socket;
    if (!Connect(Socket, Window, TimeoutMs))
        return 0;
    const QByteArray Data = Block.lpData.left(Block.cbData);
    std::uint32_t Answer = 0;
    if (!Exchange(Socket, Header(WM_COPYDATA, 0, Block.dwData, std::uint32_t(Data.size())) + Data, TimeoutMs, Answer))
        return 0;
    return Answer;
}

bool SendRestore(const QString& Window, int TimeoutMs)
{
    QLocalSocket Socket;
    if (!Connect(Socket, Window, TimeoutMs))
        return false;
    std::uint32_t Answer = 0;
    return Exchange(Socket, Header(WM_SYSCOMMAND, SC_RESTORE, 0, 0), TimeoutMs, Answer);
}

} // namespace InstanceChannel

using namespace InstanceChannel;

TInstanceServer::TInstanceServer(TCopyDataHandler OnCopyData, TRestoreHandler OnRestore, QObject* Parent)
    : QObject(Parent)
    , FOnCopyData(std::move(OnCopyData))
    , FOnRestore(std::move(OnRestore))
    , FServer(new QLocalServer(this))
{
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(FServer, &QLocalServer::newConnection, this, &TInstanceServer::AcceptConnections);
}

TInstanceServer::~TInstanceServer()
{
    FServer->close(); // removes the socket file
}

bool TInstanceServer::Listen(const QString& Folder, std::uint32_t Handle)
{
    FServer->close();
    QDir().mkpath(Folder);
    const QString Name = WindowName(Folder, Handle);
    QLocalServer::removeServer(Name);
    return FServer->listen(Name);
}

QString TInstanceServer::FullServerName() const
{
    return FServer->isListening() ? FServer->fullServerName() : QString();
}

void TInstanceServer::AcceptConnections()
{
    while (QLocalSocket* Socket = FServer->nextPendingConnection()) {
        connect(Socket, &QLocalSocket::disconnected, Socket, &QObject::deleteLater);
        connect(Socket, &QLocalSocket::readyRead, this, [this, Socket] { ReadRequest(Socket); });
        if (Socket->bytesAvailable() > 0)
            ReadRequest(Socket);
    }
}

void TInstanceServer::ReadRequest(QLocalSocket* Socket)
{
    if (Socket->bytesAvailable() < HeaderSize)
        return;
    const QByteArray Head = Socket->peek(HeaderSize);
    std::array<std::uint32_t, 5> Fields {};
    for (std::size_t I = 0; I < Fields.size(); ++I)
        Fields[I] = qFromLittleEndian<std::uint32_t>(Head.constData() + 4 * I);
    const std::uint32_t Length = Fields[3];
    if (Length > MaxDataLength) {
        Socket->abort();
        return;
    }
    if (Socket->bytesAvailable() < HeaderSize + qint64(Length))
        return; // the rest is on its way
    Socket->read(HeaderSize);
    TCopyDataStruct Block;
    Block.dwData = Fields[2];
    Block.cbData = Length;
    Block.lpData = Socket->read(Length);

    std::uint32_t Answer = 0;
    if (Fields[0] == WM_COPYDATA) {
        if (FOnCopyData)
            Answer = FOnCopyData(Block);
    } else if (Fields[0] == WM_SYSCOMMAND && Fields[1] == SC_RESTORE) {
        if (FOnRestore)
            FOnRestore();
    } else {
        Socket->abort();
        return;
    }
    QByteArray Reply(4, Qt::Uninitialized);
    qToLittleEndian<std::uint32_t>(Answer, Reply.data());
    Socket->write(Reply);
    Socket->flush();
    Socket->disconnectFromServer();
}
