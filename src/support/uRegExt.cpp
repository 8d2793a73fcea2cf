#include "uRegExt.h"

#include "Error.h"
#include "uPathUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

// The refresh tools get this long before they are given up on.
constexpr int ToolTimeoutMs = 30000;

QString GlobPattern(const QString& Extension)
{
    return Extension.startsWith(QLatin1Char('.')) ? QLatin1Char('*') + Extension : QStringLiteral("*.") + Extension;
}

// "tlo_auto_file" becomes "tlo-auto-file": MIME subtypes and file names stay plain.
QString Slug(const QString& FileType)
{
    QString Result;
    for (const QChar Char : FileType.toLower()) {
        const bool Plain = (Char >= QLatin1Char('a') && Char <= QLatin1Char('z'))
            || (Char >= QLatin1Char('0') && Char <= QLatin1Char('9')) || Char == QLatin1Char('.')
            || Char == QLatin1Char('+') || Char == QLatin1Char('-');
        Result += Plain ? Char : QLatin1Char('-');
    }
    return Result;
}

bool GlobMatches(const QString& Glob, const QString& Pattern, bool CaseSensitive)
{
    return Glob.compare(Pattern, CaseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

// Looks through a compiled glob list: "globs2" lines are weight:type:glob[:flags], "globs"
// lines type:glob.
bool GlobFileMaps(const QString& FileName, const QString& Pattern, bool WithWeights)
{
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!File.atEnd()) {
        const QString Line = QString::fromUtf8(File.readLine()).trimmed();
        if (Line.isEmpty() || Line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList Fields = Line.split(QLatin1Char(':'));
        const qsizetype GlobField = WithWeights ? 2 : 1;
        if (Fields.size() <= GlobField)
            continue;
        const bool CaseSensitive
            = WithWeights && Fields.size() > 3 && Fields.at(3).split(QLatin1Char(',')).contains(QStringLiteral("cs"));
        if (GlobMatches(Fields.at(GlobField), Pattern, CaseSensitive))
            return true;
    }
    return false;
}

// Looks through MIME packages not compiled yet (ours, when update-mime-database is missing).
bool PackagesMap(const QString& Folder, const QString& Pattern)
{
    const QDir Packages(Folder);
    for (const QString& Name : Packages.entryList({ QStringLiteral("*.xml") }, QDir::Files)) {
        QFile File(Packages.filePath(Name));
        if (!File.open(QIODevice::ReadOnly))
            continue;
        QXmlStreamReader Xml(&File);
        while (!Xml.atEnd()) {
            if (Xml.readNext() != QXmlStreamReader::StartElement || Xml.name() != QLatin1String("glob"))
                continue;
            const auto Attributes = Xml.attributes();
            const bool CaseSensitive = Attributes.value(QLatin1String("case-sensitive")) == QLatin1String("true");
            if (GlobMatches(Attributes.value(QLatin1String("pattern")).toString(), Pattern, CaseSensitive))
                return true;
        }
    }
    return false;
}

// Escapes for a string value of a desktop entry.
QString EscapeDesktopString(const QString& Text)
{
    QString Result;
    for (const QChar Char : Text) {
        if (Char == QLatin1Char('\\'))
            Result += QLatin1String("\\\\");
        else if (Char == QLatin1Char('\n'))
            Result += QLatin1String("\\n");
        else if (Char == QLatin1Char('\t'))
            Result += QLatin1String("\\t");
        else if (Char == QLatin1Char('\r'))
            Result += QLatin1String("\\r");
        else
            Result += Char;
    }
    return Result;
}

// Writes Bytes to FileName through a temporary file, creating its folder. Fails with
// "Fail to open <FileName>".
void WriteWhole(const QString& FileName, const QByteArray& Bytes)
{
    QSaveFile File(FileName);
    if (!ForceFolder(QFileInfo(FileName).absolutePath()) || !File.open(QIODevice::WriteOnly)
        || File.write(Bytes) != Bytes.size() || !File.commit())
        throw Error(QStringLiteral("Fail to open ") + FileName);
}

QByteArray MimePackage(const QString& MimeType, const QString& FileType, const QString& Pattern)
{
    QByteArray Bytes;
    QXmlStreamWriter Xml(&Bytes);
    Xml.setAutoFormatting(true);
    Xml.writeStartDocument();
    Xml.writeDefaultNamespace(QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    Xml.writeStartElement(QStringLiteral("mime-info"));
    Xml.writeStartElement(QStringLiteral("mime-type"));
    Xml.writeAttribute(QStringLiteral("type"), MimeType);
    Xml.writeTextElement(QStringLiteral("comment"), FileType);
    Xml.writeEmptyElement(QStringLiteral("glob"));
    Xml.writeAttribute(QStringLiteral("pattern"), Pattern);
    Xml.writeEndElement();
    Xml.writeEndElement();
    Xml.writeEndDocument();
    return Bytes;
}

// An icon file beside the program when there is one, else the program's name as an icon-theme
// name.
QString IconFor(const QString& ProgramPath)
{
    for (const char* Suffix : { ".svg", ".png" }) {
        const QString Candidate = RemoveExt(ProgramPath) + QLatin1String(Suffix);
        if (QFileInfo(Candidate).isFile())
            return QFileInfo(Candidate).absoluteFilePath();
    }
    return NameWithoutExt(ProgramPath);
}

QByteArray DesktopEntry(const QString& ProgramPath, const QString& MimeType)
{
    const QString Text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=%1\n"
                                        "Exec=%2\n"
                                        "Icon=%3\n"
                                        "MimeType=%4;\n"
                                        "Terminal=false\n"
                                        "NoDisplay=true\n")
                             .arg(EscapeDesktopString(NameWithoutExt(ProgramPath)), TRegExt::ExecLine(ProgramPath),
                                 EscapeDesktopString(IconFor(ProgramPath)), MimeType);
    return Text.toUtf8();
}

void RunToolIfPresent(const QString& Tool, const QString& Folder)
{
    const QString Path = QStandardPaths::findExecutable(Tool);
    if (Path.isEmpty())
        return;
    QProcess Process;
    Process.start(Path, { Folder });
    if (Process.waitForStarted() && !Process.waitForFinished(ToolTimeoutMs)) {
        Process.kill();
        Process.waitForFinished();
    }
}

QStringList AbsoluteFolders(const QString& List)
{
    QStringList Result;
    for (const QString& Folder : List.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(Folder))
            Result.append(Folder);
    return Result;
}

} // namespace

QString TRegExt::UserDataFolder()
{
    const QString Home = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(Home))
        return QDir::cleanPath(Home);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QStringList TRegExt::SystemDataFolders()
{
    const QStringList Folders = AbsoluteFolders(qEnvironmentVariable("XDG_DATA_DIRS"));
    if (!Folders.isEmpty())
        return Folders;
    return { QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share") };
}

QString TRegExt::MimeTypeName(const QString& FileType)
{
    return QStringLiteral("application/x-") + Slug(FileType);
}

QString TRegExt::ExecLine(const QString& ProgramPath)
{
    // Inside the quotes ", `, $ and \ take a backslash; % is doubled so it is no field code.
    QString Quoted;
    for (const QChar Char : ProgramPath) {
        if (Char == QLatin1Char('"') || Char == QLatin1Char('`') || Char == QLatin1Char('$')
            || Char == QLatin1Char('\\'))
            Quoted += QLatin1Char('\\');
        if (Char == QLatin1Char('%'))
            Quoted += QLatin1Char('%');
        Quoted += Char;
    }
    // Readers undo the string escapes before the quoting, so those go on last.
    return EscapeDesktopString(QLatin1Char('"') + Quoted + QLatin1Char('"')) + QStringLiteral(" %f");
}

bool TRegExt::IsExtensionMapped(const QString& Extension)
{
    const QString Pattern = GlobPattern(Extension);
    const QString User = UserDataFolder();
    QStringList Folders { User };
    Folders += SystemDataFolders();
    for (const QString& Folder : Folders) {
        const QString Mime = Folder + QStringLiteral("/mime/");
        if (GlobFileMaps(Mime + QStringLiteral("globs2"), Pattern, true)
            || GlobFileMaps(Mime + QStringLiteral("globs"), Pattern, false))
            return true;
    }
    // System packages are compiled by the package manager; the user's may not be.
    return PackagesMap(User + QStringLiteral("/mime/packages"), Pattern);
}

void TRegExt::RegisterExtension(const QString& Extension, const QString& ProgramPath, const QString& FileType)
{
    TUMBALO_ASSERT(!Extension.trimmed().isEmpty() && !FileType.trimmed().isEmpty(),
        QStringLiteral("RegisterExtension needs an extension and a file type"));
    if (IsExtensionMapped(Extension))
        return;

    const QString User = UserDataFolder();
    const QString MimeType = MimeTypeName(FileType);
    const QString Name = Slug(FileType);
    const QString Program = QFileInfo(ProgramPath).absoluteFilePath();

    WriteWhole(User + QStringLiteral("/mime/packages/") + Name + QStringLiteral(".xml"),
        MimePackage(MimeType, FileType, GlobPattern(Extension)));
    WriteWhole(
        User + QStringLiteral("/applications/") + Name + QStringLiteral(".desktop"), DesktopEntry(Program, MimeType));

    RunToolIfPresent(QStringLiteral("update-mime-database"), User + QStringLiteral("/mime"));
    RunToolIfPresent(QStringLiteral("update-desktop-database"), User + QStringLiteral("/applications"));
}
