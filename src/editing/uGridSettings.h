#pragma once

#include <QList>
#include <QString>

#include <optional>

// The editor grid's state files in the list's working folder, which travel inside the word
// archive: "Grid.ini" holds the grid's layout (column order, widths, visibility and the sort
// order), "Grid.Flt" its filter (the word criterion). Both are small INI-like UTF-8 texts with
// CR LF line ends, so an adult can read them:
//
//   [Grid]                      [Filter]
//   SortField=Word              Criteria=1
//   SortOrder=Ascending         [Criterion1]
//   [Column1]                   Field=Word
//   Field=Word                  Operator=like
//   Width=115                   Value=%ab%
//   Visible=True                DisplayText=ab
//
// A value keeps its blanks; "\" escapes a backslash (\\), line breaks (\n, \r), a tab (\t) and
// other control characters (\xHH). Files are replaced as a whole (an interrupted write leaves
// the old file). Reading is tolerant: lines, sections and values that make no sense are
// skipped, so a damaged file gives what it still holds, and nothing more than the defaults
// when it holds nothing usable; it never raises.

// One column of the grid as stored: the field it shows, its width in pixels (0 when not
// stored) and whether it is shown.
struct TGridColumn
{
    QString FieldName;
    int Width = 0;
    bool Visible = true;

    bool operator==(const TGridColumn&) const = default;
};

// The grid's layout: its columns in the order they stand, and the field it is sorted by
// (empty: the table's own order).
struct TGridLayout
{
    QList<TGridColumn> Columns;
    QString SortField;
    bool SortDescending = false;

    bool operator==(const TGridLayout&) const = default;
};

// The grid's filter: at most one criterion, on the Word column, with the operator "like".
struct TGridFilter
{
    bool HasWordCriterion = false;
    QString Value; // the like pattern, "%" + text + "%" from the word filter box
    QString DisplayText; // the text the pattern was made from

    bool operator==(const TGridFilter&) const = default;
};

class TGridSettings
{
public:
    TGridSettings() = delete;

    // The widest column a file may set; wider values are taken as damage and skipped.
    static constexpr int MaxColumnWidth = 10000;
    // A state file larger than this is not read at all: it is not one of ours.
    static constexpr qint64 MaxFileSize = 1024 * 1024;

    // Write the file FileName; raise Error "Cannot write ..." when it cannot be written.
    static void SaveLayout(const QString& FileName, const TGridLayout& Layout);
    static void SaveFilter(const QString& FileName, const TGridFilter& Filter);

    // Nothing when the file is missing, unreadable or too large; otherwise what it holds.
    static std::optional<TGridLayout> LoadLayout(const QString& FileName);
    static std::optional<TGridFilter> LoadFilter(const QString& FileName);

    // The text forms, for the files above and for tests.
    static QByteArray LayoutText(const TGridLayout& Layout);
    static QByteArray FilterText(const TGridFilter& Filter);
    static TGridLayout ParseLayout(const QByteArray& Text);
    static TGridFilter ParseFilter(const QByteArray& Text);

    static QString EscapeValue(const QString& Value);
    static QString UnescapeValue(const QString& Value);
};
