#include "uProcess.h"

#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The kernel keeps only this many characters of a process's name in "comm".
constexpr qsizetype CommLength = 15;

QString FileNamePart(const QString& Path)
{
    return Path.mid(Path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The executable's file name of the process in Folder, or the empty text. "exe" is exact but
// unreadable for other users' processes; the first word of "cmdline" is what the process was
// started as; "comm" is the last resort and may be cut short.
QString ExecutableName(const QString& Folder, bool& FromComm)
{
    FromComm = false;
    QString Target = QFile::symLinkTarget(Folder + QStringLiteral("/exe"));
    if (!Target.isEmpty()) {
        // A program file replaced while it runs shows as "<path> (deleted)".
        const QString Deleted = QStringLiteral(" (deleted)");
        if (Target.endsWith(Deleted) && !QFileInfo::exists(Target))
            Target.chop(Deleted.size());
        return FileNamePart(Target);
    }

    QFile CommandLine(Folder + QStringLiteral("/cmdline"));
    if (CommandLine.open(QIODevice::ReadOnly)) {
        const QByteArray Bytes = CommandLine.readAll();
        const QByteArray First = Bytes.left(Bytes.indexOf('\0') < 0 ? Bytes.size() : Bytes.indexOf('\0'));
        if (!First.isEmpty())
            return FileNamePart(QString::fromLocal8Bit(First));
    }

    QFile Comm(Folder + QStringLiteral("/comm"));
    if (Comm.open(QIODevice::ReadOnly)) {
        FromComm = true;
        return QString::fromLocal8Bit(Comm.readAll()).trimmed();
    }
    return QString();
}

} // namespace

int TProcessHandler::CountProcessesIn(const QString& ProcFolder, const QString& ExeName)
{
    const QDir Proc(ProcFolder);
    if (ExeName.isEmpty() || !Proc.exists())
        return 0;
    int Count = 0;
    for (const QString& Entry : Proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool IsNumber = false;
        Entry.toLongLong(&IsNumber);
        if (!IsNumber)
            continue;
        bool FromComm = false;
        const QString Name = ExecutableName(Proc.filePath(Entry), FromComm);
        if (Name.isEmpty())
            continue;
        const QString Wanted = FromComm ? ExeName.left(CommLength) : ExeName;
        if (Name.compare(Wanted, Qt::CaseInsensitive) == 0)
            ++Count;
    }
    return Count;
}

int TProcessHandler::CountProcesses(const QString& ExeName)
{
    return CountProcessesIn(QStringLiteral("/proc"), ExeName);
}

bool TProcessHandler::IsOnlyInstance()
{
    return CountProcesses(FileNamePart(ProgramPath())) == 1;
}
