#include "uFileIO.h"

#include "Error.h"

#include <QFile>
#include <QSaveFile>

QByteArray ReadWholeFile(const QString& FileName, qint64 MaxSize)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open the file \"%1\": %2").arg(FileName, File.errorString()));
    if (MaxSize >= 0 && File.size() > MaxSize)
        throw Error(QStringLiteral("The file \"%1\" is too large (more than %2 MB).").arg(FileName).arg(MaxSize >> 20));
    QByteArray Data = File.readAll();
    if (File.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read the file \"%1\": %2").arg(FileName, File.errorString()));
    return Data;
}

void WriteWholeFile(const QString& FileName, const QByteArray& Head, const QByteArray& Tail)
{
    QSaveFile File(FileName);
    const bool Written = File.open(QIODevice::WriteOnly) && File.write(Head) == Head.size()
        && File.write(Tail) == Tail.size() && File.commit();
    if (!Written)
        throw Error(QStringLiteral("Cannot write the file \"%1\": %2").arg(FileName, File.errorString()));
}
