#include "uGridSettings.h"

#include "Error.h"
#include "uText.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace {

const QString WordField = QStringLiteral("Word");
const QString LikeOperator = QStringLiteral("like");

// One [section] of a state file: its name and its keys (lower case) with their values.
struct TSection
{
    QString Name;
    QHash<QString, QString> Values;

    QString Value(const QString& Key) const { return Values.value(Key.toLower()); }
    bool Has(const QString& Key) const { return Values.contains(Key.toLower()); }
};

QList<TSection> ParseSections(const QByteArray& Text)
{
    QList<TSection> Sections;
    const QStringList Lines = QString::fromUtf8(Text).split(QLatin1Char('\n'));
    for (QString Line : Lines) {
        if (Line.endsWith(QLatin1Char('\r')))
            Line.chop(1);
        const QString Trimmed = Line.trimmed();
        if (Trimmed.isEmpty() || Trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (Trimmed.startsWith(QLatin1Char('[')) && Trimmed.endsWith(QLatin1Char(']'))) {
            Sections.append({ Trimmed.mid(1, Trimmed.size() - 2).trimmed(), {} });
            continue;
        }
        const qsizetype Equals = Line.indexOf(QLatin1Char('='));
        if (Equals <= 0 || Sections.isEmpty())
            continue; // a line outside any section, or without a key, is not ours
        const QString Key = Line.left(Equals).trimmed().toLower();
        if (!Key.isEmpty() && !Sections.last().Values.contains(Key))
            Sections.last().Values.insert(Key, TGridSettings::UnescapeValue(Line.mid(Equals + 1)));
    }
    return Sections;
}

// The number after Prefix in a section name ("Column12" gives 12), or -1.
int SectionNumber(const QString& Name, const QString& Prefix)
{
    if (!Name.startsWith(Prefix, Qt::CaseInsensitive))
        return -1;
    bool Ok = false;
    const int Number = Name.mid(Prefix.size()).toInt(&Ok);
    return Ok && Number >= 0 ? Number : -1;
}

bool IsFalse(const QString& Value)
{
    const QString Text = Value.trimmed();
    return Text.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0 || Text == QLatin1String("0");
}

QByteArray ReadSmallFile(const QString& FileName, bool& Ok)
{
    Ok = false;
    const QFileInfo Info(FileName);
    if (!Info.isFile() || Info.size() > TGridSettings::MaxFileSize)
        return {};
    QFile File(FileName);
    if (!File.open(QIODevice::ReadOnly))
        return {};
    const QByteArray Text = File.read(TGridSettings::MaxFileSize + 1);
    if (Text.size() > TGridSettings::MaxFileSize)
        return {};
    Ok = true;
    return Text;
}

void WriteWholeFile(const QString& FileName, const QByteArray& Text)
{
    QSaveFile File(FileName);
    if (!File.open(QIODevice::WriteOnly) || File.write(Text) != Text.size() || !File.commit())
        throw Error(QStringLiteral("Cannot write \"%1\": %2").arg(FileName, File.errorString()));
}

void AddLine(QByteArray& Text, const QString& Key, const QString& Value)
{
    Text += (Key + QLatin1Char('=') + TGridSettings::EscapeValue(Value)).toUtf8() + "\r\n";
}

void AddSection(QByteArray& Text, const QString& Name)
{
    Text += (QLatin1Char('[') + Name + QLatin1Char(']')).toUtf8() + "\r\n";
}

} // namespace

// --- Values ----------------------------------------------------------------------------------

QString TGridSettings::EscapeValue(const QString& Value)
{
    return EscapeText(Value);
}

QString TGridSettings::UnescapeValue(const QString& Value)
{
    QString Result;
    Result.reserve(Value.size());
    for (qsizetype I = 0; I < Value.size(); ++I) {
        const QChar Char = Value.at(I);
        if (Char != QLatin1Char('\\') || I + 1 >= Value.size()) {
            Result += Char;
            continue;
        }
        const QChar Next = Value.at(I + 1);
        if (Next == QLatin1Char('\\')) {
            Result += QLatin1Char('\\');
        } else if (Next == QLatin1Char('n')) {
            Result += QLatin1Char('\n');
        } else if (Next == QLatin1Char('r')) {
            Result += QLatin1Char('\r');
        } else if (Next == QLatin1Char('t')) {
            Result += QLatin1Char('\t');
        } else if (Next == QLatin1Char('x') && I + 3 < Value.size()) {
            bool Ok = false;
            const ushort Code = Value.mid(I + 2, 2).toUShort(&Ok, 16);
            if (!Ok) {
                Result += Char; // not an escape after all: keep the backslash
                continue;
            }
            Result += QChar(Code);
            I += 3;
            continue;
        } else {
            Result += Char; // an unknown escape keeps its backslash
            continue;
        }
        ++I;
    }
    return Result;
}

// --- Layout ----------------------------------------------------------------------------------

QByteArray TGridSettings::LayoutText(const TGridLayout& Layout)
{
    QByteArray Text;
    AddSection(Text, QStringLiteral("Grid"));
    AddLine(Text, QStringLiteral("SortField"), Layout.SortField);
    AddLine(Text, QStringLiteral("SortOrder"),
        Layout.SortDescending ? QStringLiteral("Descending") : QStringLiteral("Ascending"));
    int Number = 0;
    for (const TGridColumn& Column : Layout.Columns) {
        AddSection(Text, QStringLiteral("Column%1").arg(++Number));
        AddLine(Text, QStringLiteral("Field"), Column.FieldName);
        AddLine(Text, QStringLiteral("Width"), QString::number(Column.Width));
        AddLine(Text, QStringLiteral("Visible"), Column.Visible ? QStringLiteral("True") : QStringLiteral("False"));
    }
    return Text;
}

TGridLayout TGridSettings::ParseLayout(const QByteArray& Text)
{
    TGridLayout Layout;
    // Columns in the order of their numbers; a number given twice keeps its first section.
    QList<std::pair<int, TGridColumn>> Numbered;
    for (const TSection& Section : ParseSections(Text)) {
        if (Section.Name.compare(QStringLiteral("Grid"), Qt::CaseInsensitive) == 0) {
            Layout.SortField = Section.Value(QStringLiteral("SortField")).trimmed();
            Layout.SortDescending = Section.Value(QStringLiteral("SortOrder"))
                                        .trimmed()
                                        .compare(QStringLiteral("Descending"), Qt::CaseInsensitive)
                == 0;
            continue;
        }
        const int Number = SectionNumber(Section.Name, QStringLiteral("Column"));
        if (Number < 0)
            continue;
        TGridColumn Column;
        Column.FieldName = Section.Value(QStringLiteral("Field")).trimmed();
        if (Column.FieldName.isEmpty())
            continue;
        bool Ok = false;
        const int Width = Section.Value(QStringLiteral("Width")).trimmed().toInt(&Ok);
        Column.Width = Ok && Width > 0 && Width <= MaxColumnWidth ? Width : 0;
        Column.Visible = !IsFalse(Section.Value(QStringLiteral("Visible")));
        Numbered.append({ Number, Column });
    }
    std::stable_sort(Numbered.begin(), Numbered.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
    for (const auto& [Number, Column] : Numbered) {
        const bool Known = std::any_of(Layout.Columns.begin(), Layout.Columns.end(), [&](const TGridColumn& Other) {
            return Other.FieldName.compare(Column.FieldName, Qt::CaseInsensitive) == 0;
        });
        if (!Known)
            Layout.Columns.append(Column);
    }
    return Layout;
}

void TGridSettings::SaveLayout(const QString& FileName, const TGridLayout& Layout)
{
    WriteWholeFile(FileName, LayoutText(Layout));
}

std::optional<TGridLayout> TGridSettings::LoadLayout(const QString& FileName)
{
    bool Ok = false;
    const QByteArray Text = ReadSmallFile(FileName, Ok);
    if (!Ok)
        return std::nullopt;
    return ParseLayout(Text);
}

// --- Filter ----------------------------------------------------------------------------------

QByteArray TGridSettings::FilterText(const TGridFilter& Filter)
{
    QByteArray Text;
    AddSection(Text, QStringLiteral("Filter"));
    AddLine(Text, QStringLiteral("Criteria"), Filter.HasWordCriterion ? QStringLiteral("1") : QStringLiteral("0"));
    if (Filter.HasWordCriterion) {
        AddSection(Text, QStringLiteral("Criterion1"));
        AddLine(Text, QStringLiteral("Field"), WordField);
        AddLine(Text, QStringLiteral("Operator"), LikeOperator);
        AddLine(Text, QStringLiteral("Value"), Filter.Value);
        AddLine(Text, QStringLiteral("DisplayText"), Filter.DisplayText);
    }
    return Text;
}

TGridFilter TGridSettings::ParseFilter(const QByteArray& Text)
{
    TGridFilter Filter;
    for (const TSection& Section : ParseSections(Text)) {
        if (SectionNumber(Section.Name, QStringLiteral("Criterion")) < 0)
            continue;
        // Only a "like" criterion on the word is one the grid can hold.
        if (Section.Value(QStringLiteral("Field")).trimmed().compare(WordField, Qt::CaseInsensitive) != 0
            || Section.Value(QStringLiteral("Operator")).trimmed().compare(LikeOperator, Qt::CaseInsensitive) != 0
            || !Section.Has(QStringLiteral("Value")))
            continue;
        Filter.HasWordCriterion = true;
        Filter.Value = Section.Value(QStringLiteral("Value"));
        Filter.DisplayText = Section.Value(QStringLiteral("DisplayText"));
        break;
    }
    return Filter;
}

void TGridSettings::SaveFilter(const QString& FileName, const TGridFilter& Filter)
{
    WriteWholeFile(FileName, FilterText(Filter));
}

std::optional<TGridFilter> TGridSettings::LoadFilter(const QString& FileName)
{
    bool Ok = false;
    const QByteArray Text = ReadSmallFile(FileName, Ok);
    if (!Ok)
        return std::nullopt;
    return ParseFilter(Text);
}
