#include "uPathUtils.h"

#include "Error.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

bool IsSeparator(QChar Char)
{
    return Char == QLatin1Char('/') || Char == QLatin1Char('\\');
}

QString WithSlashes(QString Path)
{
    Path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return Path;
}

// "/" and "\" count alike; returns -1 when there is none.
qsizetype LastSeparator(const QString& Path)
{
    for (qsizetype Index = Path.size() - 1; Index >= 0; --Index)
        if (IsSeparator(Path.at(Index)))
            return Index;
    return -1;
}

// Compares two folder paths after expansion, ignoring a trailing separator.
bool SameFolder(const QString& A, const QString& B)
{
    auto Bare = [](QString Path) {
        Path = ExpandFileName(Path);
        while (Path.size() > 1 && Path.endsWith(QLatin1Char('/')))
            Path.chop(1);
        return Path;
    };
    return Bare(A) == Bare(B);
}

} // namespace

QString ExpandFileName(const QString& Name)
{
    QString Path = WithSlashes(Name);
    const bool Trailing = Path.endsWith(QLatin1Char('/'));
    if (!Path.startsWith(QLatin1Char('/')))
        Path = QDir::currentPath() + QLatin1Char('/') + Path;

    // By text, as a ".." at the root stays at the root (QDir::cleanPath would keep "/..").
    QStringList Parts;
    for (const QString& Part : Path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (Part == QLatin1String("."))
            continue;
        if (Part == QLatin1String("..")) {
            if (!Parts.isEmpty())
                Parts.removeLast();
            continue;
        }
        Parts.append(Part);
    }
    QString Result = QLatin1Char('/') + Parts.join(QLatin1Char('/'));
    if (Trailing && !Result.endsWith(QLatin1Char('/')))
        Result += QLatin1Char('/');
    return Result;
}

void CheckFileName(const QString& Name)
{
    if (Name.trimmed().isEmpty())
        throw Error(QStringLiteral("Empty string is not valid file name."));
    const QString Full = ExpandFileName(Name);
    const QString Folder = Full.left(Full.lastIndexOf(QLatin1Char('/')) + 1);
    if (!ForceFolder(Folder))
        throw Error(QStringLiteral("The path of file \"%1\" does not exist, and fail to create it.").arg(Name));
}

bool ForceFolder(const QString& Path)
{
    if (Path.trimmed().isEmpty())
        return false;
    const QString Folder = ExpandFileName(Path);
    if (QFileInfo(Folder).isDir())
        return true;
    const QString Parent = ParentFolder(Folder);
    if (SameFolder(Parent, Folder))
        return false;
    if (!ForceFolder(Parent))
        return false;
    QDir().mkdir(Folder);
    // Another process may have made it in the meantime; what counts is that it exists.
    return QFileInfo(Folder).isDir();
}

QString ParentFolder(const QString& Path)
{
    QString Folder = Path.isEmpty() ? QStringLiteral(".") : WithSlashes(Path);
    if (!Folder.endsWith(QLatin1Char('/')))
        Folder += QLatin1Char('/');
    return ExpandFileName(Folder + QStringLiteral("../"));
}

QString NameWithoutExt(const QString& Path)
{
    return RemoveExt(Path.mid(LastSeparator(Path) + 1));
}

QString RemoveExt(const QString& Name)
{
    for (qsizetype Index = Name.size() - 1; Index >= 0; --Index) {
        const QChar Char = Name.at(Index);
        if (Char == QLatin1Char('.'))
            return Name.left(Index);
        if (IsSeparator(Char))
            break;
    }
    return Name;
}
