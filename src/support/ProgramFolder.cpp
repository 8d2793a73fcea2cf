#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString WithSlash(const QString& Folder)
{
    QString Path = QDir::cleanPath(QDir(Folder).absolutePath());
    if (!Path.endsWith(QLatin1Char('/')))
        Path += QLatin1Char('/');
    return Path;
}

bool IsWritableFolder(const QString& Folder)
{
    const QFileInfo Info(Folder);
    return Info.isDir() && Info.isWritable();
}

} // namespace

QString ProgramFolder()
{
    const QString Home = qEnvironmentVariable("TUMBALO_HOME");
    if (!Home.isEmpty()) {
        QDir().mkpath(Home);
        return WithSlash(Home);
    }
    const QString ExeFolder = QFileInfo(ProgramPath()).absolutePath();
    if (!ExeFolder.isEmpty() && IsWritableFolder(ExeFolder))
        return WithSlash(ExeFolder);
    QString Data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (Data.isEmpty())
        Data = QDir::homePath() + QStringLiteral("/.local/share/tumbalo");
    QDir().mkpath(Data);
    return WithSlash(Data);
}

QString ProgramPath()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}
