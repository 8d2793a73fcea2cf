#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QLocalServer;
class QLocalSocket;

// The channel between running copies of the program. Each running copy listens on a local
// socket named after its play window's class name and its process id ("TFrmTumbalo-1234") in
// the user's runtime folder; listing that folder is how a starting copy finds the play windows
// of the running ones. Two requests travel on it, kept in the shape of the window messages
// copies once exchanged:
//
//   the copy-data query  message 0x004A: a caller-defined number and a zero-terminated file
//                        path; the answer is the handle of the copy that has the file open,
//                        or 0;
//   the restore request  message 0x0112 with 0xF120: the copy restores and raises itself.
//
// A request is five little-endian 32-bit numbers (message, parameter, caller-defined number,
// data length, 0) followed by the data; the answer is one little-endian 32-bit number. A
// copy's handle is its process id, which is never 0.
namespace InstanceChannel {

constexpr std::uint32_t WM_COPYDATA = 0x004A;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t SC_RESTORE = 0xF120;

// The class name of the play window, which names every copy's socket.
inline const QString PlayWindowClassName = QStringLiteral("TFrmTumbalo");

// Requests carry at most this much data; a longer one is refused unanswered.
constexpr std::uint32_t MaxDataLength = 64 * 1024;

// The copy-data block of a query: the caller-defined number, the data length (the path's
// bytes plus its terminating zero) and the data.
struct TCopyDataStruct
{
    std::uint32_t dwData = 0;
    std::uint32_t cbData = 0;
    QByteArray lpData;
};

// The block for FileName: its UTF-8 bytes followed by a zero byte.
TCopyDataStruct MakeCopyData(std::uint32_t Number, const QString& FileName);

// The path a block carries: its data up to the first zero byte (all of it when there is none).
QByteArray CopyDataPath(const TCopyDataStruct& Block);

// The folder the sockets live in: the user's runtime folder (XDG_RUNTIME_DIR), ending in "/".
QString DefaultFolder();

// This copy's handle: its process id.
std::uint32_t OwnHandle();

// The socket name of the copy with Handle in Folder.
QString WindowName(const QString& Folder, std::uint32_t Handle);

// The class name a socket name carries: the text before its last "-", at most 224 characters
// (the rest of a longer name is cut, as a class-name buffer of 225 characters would cut it).
QString ClassNameOf(const QString& WindowName);

// Full paths of every socket in Folder, the candidates for play windows, in the order of
// their names. Other entries of the folder are left out.
QStringList TopLevelWindows(const QString& Folder);

// Sends the copy-data query to the socket Window and waits for the answer. A socket that
// nobody listens on any more (a copy that died) is removed and answers 0; a copy that does
// not answer within TimeoutMs also counts as 0.
std::uint32_t SendCopyData(const QString& Window, const TCopyDataStruct& Block, int TimeoutMs);

// Sends the restore request to the socket Window; false when the copy could not be reached.
bool SendRestore(const QString& Window, int TimeoutMs);

// How long a starting copy waits for one running copy to answer. A copy that speaks answers
// after its speech, which lasts seconds; one that says nothing for this long is taken to be
// hung, and the start goes on without it.
constexpr int AnswerTimeoutMs = 20000;

} // namespace InstanceChannel

// The answering side: the listening socket of one running copy. Every request is read in the
// event loop of the thread the server lives in and answered by the two handlers: OnCopyData
// for the copy-data query (its result is the answer), OnRestore for the restore request.
// Broken or oversized requests are dropped without an answer. The socket is removed again
// when the server is destroyed.
class TInstanceServer final : public QObject
{
    Q_OBJECT

public:
    using TCopyDataHandler = std::function<std::uint32_t(const InstanceChannel::TCopyDataStruct&)>;
    using TRestoreHandler = std::function<void()>;

    TInstanceServer(TCopyDataHandler OnCopyData, TRestoreHandler OnRestore, QObject* Parent = nullptr);
    ~TInstanceServer() override;

    // Starts listening as WindowName(Folder, Handle), replacing a leftover socket of that name
    // (a copy that died with the same process id). False when the socket cannot be made.
    bool Listen(
        const QString& Folder = InstanceChannel::DefaultFolder(), std::uint32_t Handle = InstanceChannel::OwnHandle());

    // The socket's full path; empty while not listening.
    QString FullServerName() const;

private:
    void AcceptConnections();
    void ReadRequest(QLocalSocket* Socket);

    TCopyDataHandler FOnCopyData;
    TRestoreHandler FOnRestore;
    QLocalServer* FServer;
};
