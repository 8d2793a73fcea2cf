#pragma once

// Helpers of the word view and presenter tests: entries with pictures and clips made through
// the collection's own operations, and plain file access.

#include "FileFixtures.h"
#include "uWordData.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QString>
#include <QVariant>

#include <gtest/gtest.h>

#include <utility>

#include <ostream>

// Texts in test failures as text, not as bytes.
inline void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}

namespace wordfixtures {

// Whole files, under the names these tests use.
inline constexpr auto* WriteBytes = &fixtures::WriteFile;
inline constexpr auto* ReadBytes = &fixtures::ReadFile;

inline QImage SmallPicture(Qt::GlobalColor Color = Qt::blue)
{
    QImage Picture(6, 4, QImage::Format_RGB32);
    Picture.fill(Color);
    return Picture;
}

// One entry to add: a null Word stays null; Clip names a sound file to keep as its clip.
struct TEntry
{
    TEntry(QVariant Word, bool Photo = false, QString Clip = {}, QVariant Color = {}, QString Category = {})
        : Word(std::move(Word))
        , Photo(Photo)
        , Clip(std::move(Clip))
        , Color(std::move(Color))
        , Category(std::move(Category))
    { }

    QVariant Word;
    bool Photo;
    QString Clip;
    QVariant Color;
    QString Category;
};

// Appends and posts the entry, then gives it its picture and clip; gives its RowID.
inline qint32 AddEntry(TWordData& Data, const TEntry& Entry)
{
    TDataTable& Table = Data.DataSet();
    Table.Append();
    Table.FieldByName(QStringLiteral("Word")).SetValue(Entry.Word);
    Table.FieldByName(QStringLiteral("BackColor")).SetValue(Entry.Color);
    if (!Entry.Category.isEmpty())
        Table.FieldByName(QStringLiteral("Category")).SetAsString(Entry.Category);
    Table.Post();
    if (Entry.Photo)
        Data.StorePhoto(SmallPicture());
    if (!Entry.Clip.isEmpty())
        Data.StoreAudio(Entry.Clip);
    return Data.CurrentRowID();
}

// The table's current entry's Word as stored.
inline QString CurrentWordAsStored(TWordData& Data)
{
    return Data.DataSet().FieldByName(QStringLiteral("Word")).AsString();
}

// The RowIDs of the entries whose picture (Photo) or clip file exists in the working folder.
inline QSet<qint32> RowIDsWithFile(TWordData& Data, bool Photo)
{
    QSet<qint32> Result;
    TDataTable& Table = Data.DataSet();
    const int Field = Table.FieldIndex(QStringLiteral("RowID"));
    for (int Row = 0; Row < Table.RecordCount(); ++Row) {
        const qint32 RowID = Table.Value(Row, Field).toInt();
        if (QFileInfo(Photo ? Data.PhotoFileNameOf(RowID) : Data.AudioFileNameOf(RowID)).isFile())
            Result.insert(RowID);
    }
    return Result;
}

inline QSet<qint32> AllRowIDs(TWordData& Data)
{
    QSet<qint32> Result;
    TDataTable& Table = Data.DataSet();
    const int Field = Table.FieldIndex(QStringLiteral("RowID"));
    for (int Row = 0; Row < Table.RecordCount(); ++Row)
        Result.insert(Table.Value(Row, Field).toInt());
    return Result;
}

} // namespace wordfixtures
