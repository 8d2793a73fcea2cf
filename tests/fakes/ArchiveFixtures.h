#pragma once

// Small file and archive helpers for tests that build word archives and folders by hand,
// including hostile and broken ones, and compare folder trees before and after.

#include "FileFixtures.h"

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>

#include <gtest/gtest.h>
#include <zip.h>

#include <optional>
#include <vector>

namespace fixtures {

// Everything under a folder: relative path to content ("<dir>" for folders, "-> target" for
// links). Comparing two of these shows any file written, changed or left anywhere.
inline QMap<QString, QByteArray> Tree(const QString& Root)
{
    QMap<QString, QByteArray> Result;
    QDirIterator It(
        Root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (It.hasNext()) {
        const QFileInfo Info(It.next());
        const QString Relative = QDir(Root).relativeFilePath(Info.filePath());
        if (Info.isSymLink())
            Result[Relative] = "-> " + Info.symLinkTarget().toUtf8();
        else if (Info.isDir())
            Result[Relative] = "<dir>";
        else
            Result[Relative] = ReadFile(Info.filePath());
    }
    return Result;
}

// One entry of an archive made by a test.
struct TFixtureEntry
{
    QByteArray Name;
    QByteArray Data;
    zip_int32_t Method = ZIP_CM_DEFLATE;
    std::optional<zip_uint32_t> UnixMode = std::nullopt; // file type and permissions
    bool Utf8Flag = true;
};

// Writes an archive holding exactly Entries, names taken as they are.
inline void MakeArchive(const QString& Path, const std::vector<TFixtureEntry>& Entries)
{
    int Code = 0;
    zip_t* Za = zip_open(QFile::encodeName(Path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &Code);
    ASSERT_NE(Za, nullptr) << Code;
    for (const TFixtureEntry& Entry : Entries) {
        zip_source_t* Source = zip_source_buffer(Za, Entry.Data.constData(), zip_uint64_t(Entry.Data.size()), 0);
        const zip_int64_t Index
            = zip_file_add(Za, Entry.Name.constData(), Source, Entry.Utf8Flag ? ZIP_FL_ENC_UTF_8 : ZIP_FL_ENC_CP437);
        ASSERT_GE(Index, 0) << zip_strerror(Za);
        ASSERT_EQ(zip_set_file_compression(Za, zip_uint64_t(Index), Entry.Method, 0), 0);
        if (Entry.UnixMode) {
            ASSERT_EQ(
                zip_file_set_external_attributes(Za, zip_uint64_t(Index), 0, ZIP_OPSYS_UNIX, *Entry.UnixMode << 16), 0);
        }
    }
    ASSERT_EQ(zip_close(Za), 0) << zip_strerror(Za);
}

} // namespace fixtures
