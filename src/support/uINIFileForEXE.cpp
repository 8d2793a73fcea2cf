#include "uINIFileForEXE.h"

#include "Error.h"
#include "uEXEParam.h"
#include "uPathUtils.h"
#include "uText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

QString GlobalIniFileName;

namespace {

// The file's lines without their line ends; an empty list for a missing file. Ok turns false
// only when the file exists but cannot be read.
QStringList ReadLines(const QString& FileName, bool& Ok)
{
    Ok = true;
    QFile File(FileName);
    if (!File.exists())
        return {};
    if (!File.open(QIODevice::ReadOnly)) {
        Ok = false;
        return {};
    }
    const QByteArray Bytes = File.readAll();
    if (File.error() != QFileDevice::NoError) {
        Ok = false;
        return {};
    }
    QStringList Lines = DecodeText(Bytes).split(QLatin1Char('\n'));
    // The last line end leaves one empty piece behind it.
    if (!Lines.isEmpty() && Lines.back().isEmpty())
        Lines.removeLast();
    for (QString& Line : Lines)
        if (Line.endsWith(QLatin1Char('\r')))
            Line.chop(1);
    return Lines;
}

// The section name of a "[name]" line, or a null text for any other line.
QString SectionOf(const QString& Line)
{
    const QString Trimmed = Line.trimmed();
    if (Trimmed.startsWith(QLatin1Char('[')) && Trimmed.endsWith(QLatin1Char(']')))
        return Trimmed.mid(1, Trimmed.size() - 2).trimmed();
    return QString();
}

bool IsSectionLine(const QString& Line)
{
    return !SectionOf(Line).isNull();
}

// True when Line is "Key=..." for Key in any letter case; Value receives the trimmed rest.
bool IsKeyLine(const QString& Line, const QString& Key, QString* Value = nullptr)
{
    const qsizetype Equals = Line.indexOf(QLatin1Char('='));
    if (Equals < 0 || IsSectionLine(Line))
        return false;
    if (Line.left(Equals).trimmed().compare(Key.trimmed(), Qt::CaseInsensitive) != 0)
        return false;
    if (Value)
        *Value = Line.mid(Equals + 1).trimmed();
    return true;
}

// The index of the first line of the section Section, or -1.
qsizetype FindSection(const QStringList& Lines, const QString& Section)
{
    for (qsizetype Index = 0; Index < Lines.size(); ++Index) {
        const QString Name = SectionOf(Lines.at(Index));
        if (!Name.isNull() && Name.compare(Section, Qt::CaseInsensitive) == 0)
            return Index;
    }
    return -1;
}

// The index after the last line of the section that starts at Header.
qsizetype SectionEnd(const QStringList& Lines, qsizetype Header)
{
    qsizetype Index = Header + 1;
    while (Index < Lines.size() && !IsSectionLine(Lines.at(Index)))
        ++Index;
    return Index;
}

QString CutValue(QString Value)
{
    if (Value.size() > TIniFileForEXE::MaxValueLength) {
        Value.truncate(TIniFileForEXE::MaxValueLength);
        // Do not leave half of a character that needs two UTF-16 units.
        if (Value.back().isHighSurrogate())
            Value.chop(1);
    }
    return Value;
}

void CheckKey(const QString& Key)
{
    TUMBALO_ASSERT(!Key.trimmed().isEmpty() && !Key.contains(QLatin1Char('=')) && !Key.contains(QLatin1Char('\n'))
            && !Key.contains(QLatin1Char('\r')) && !IsSectionLine(Key),
        QStringLiteral("Invalid settings key \"%1\"").arg(Key));
}

} // namespace

QString TIniFileForEXE::GetIniFileName()
{
    if (!GlobalIniFileName.isEmpty())
        return GlobalIniFileName;
    const QString Named = ExeParams().ParamValue(QStringLiteral("IniFileName"));
    if (!Named.isEmpty())
        return Named;
    return RemoveExt(ExeParams().ExeFileName()) + QStringLiteral(".ini");
}

QString TIniFileForEXE::GetSectionName()
{
    return NameWithoutExt(GetIniFileName());
}

QString TIniFileForEXE::ReadString(const QString& Key)
{
    CheckKey(Key);
    bool Ok = true;
    const QStringList Lines = ReadLines(GetIniFileName(), Ok);
    const qsizetype Header = FindSection(Lines, GetSectionName());
    if (Header < 0)
        return QString();
    const qsizetype End = SectionEnd(Lines, Header);
    QString Value;
    for (qsizetype Index = Header + 1; Index < End; ++Index)
        if (IsKeyLine(Lines.at(Index), Key, &Value))
            return CutValue(Value);
    return QString();
}

void TIniFileForEXE::WriteString(const QString& Key, const QString& Value)
{
    CheckKey(Key);
    const QString FileName = GetIniFileName();
    const QString Section = GetSectionName();
    const auto Fail = [&FileName]() { throw Error(QStringLiteral("Unable to write to %1").arg(FileName)); };

    bool Ok = true;
    QStringList Lines = ReadLines(FileName, Ok);
    if (!Ok)
        Fail();

    QString OneLine = Value;
    OneLine.replace(QLatin1String("\r\n"), QLatin1String(" "));
    OneLine.replace(QLatin1Char('\r'), QLatin1Char(' '));
    OneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QString NewLine = Key.trimmed() + QLatin1Char('=') + OneLine;

    const qsizetype Header = FindSection(Lines, Section);
    if (Header < 0) {
        Lines.append(QLatin1Char('[') + Section + QLatin1Char(']'));
        Lines.append(NewLine);
    } else {
        const qsizetype End = SectionEnd(Lines, Header);
        qsizetype Found = -1;
        for (qsizetype Index = Header + 1; Index < End && Found < 0; ++Index)
            if (IsKeyLine(Lines.at(Index), Key))
                Found = Index;
        if (Found >= 0) {
            Lines[Found] = NewLine;
        } else {
            // After the section's last non-blank line, so blank lines keep separating sections.
            qsizetype Insert = End;
            while (Insert > Header + 1 && Lines.at(Insert - 1).trimmed().isEmpty())
                --Insert;
            Lines.insert(Insert, NewLine);
        }
    }

    QByteArray Bytes;
    for (const QString& Line : Lines)
        Bytes += Line.toUtf8() + "\r\n";

    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly) || File.write(Bytes) != Bytes.size() || !File.commit())
        Fail();
}
