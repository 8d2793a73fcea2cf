#pragma once

#include <QString>
#include <QtGlobal>

// What an archive may claim before any of it is unpacked. The defaults keep a hostile or
// broken archive from filling the disk or the folder; tests pass smaller figures.
struct TArchiveLimits
{
    // Sum of the entries' declared sizes, in bytes.
    quint64 MaxTotalSize = quint64(4) << 30;
    qint64 MaxEntries = 100000;
};

// Packs a working folder into a word archive (".tlo", a ZIP archive) and unpacks one into a
// folder. Never instantiated. Every failure raises Error with a message that names the
// archive, the folder and, where one is to blame, the entry.
//
// An archive holds each file of the folder under its plain name. Pictures and clips
// ("Photo*.ADO", "Audio*.ADO") are already compressed and are stored as they are; every other
// file is deflated.
class TWordArchive
{
public:
    TWordArchive() = delete;

    // Writes every regular file of Folder into the archive ZipFile, replacing an existing
    // archive as a whole: the result holds exactly the folder's files. Subfolders, links and
    // special files are skipped (a working folder has none), as is ZipFile itself should it lie
    // in Folder. The archive is built in a temporary file beside ZipFile, flushed to disk and
    // renamed over ZipFile only when complete; on any failure ZipFile is left as it was and the
    // temporary file is removed. A read-only ZipFile is not replaced.
    static void PackFolder(const QString& Folder, const QString& ZipFile);

    // Unpacks every entry of ZipFile into Folder (made when missing). The whole archive is
    // checked first: an entry that is not a plain file name, a link or other special entry, an
    // encrypted entry or one packed with a method this program cannot read, more entries than
    // Limits allows, or declared sizes that add up to more than Limits allows, is refused before
    // anything is written. While unpacking, no file gets more bytes than its entry declares
    // and a CRC mismatch is an error. A failure halfway leaves the files unpacked so far in
    // Folder (the caller empties it) and removes the file that was being written, so no short
    // or damaged file is left looking complete; nothing is ever written outside Folder.
    static void UnpackArchive(
        const QString& ZipFile, const QString& Folder, const TArchiveLimits& Limits = TArchiveLimits());

    // Whether a file of this name is stored without compression: pictures and clips.
    static bool IsStoredFileName(const QString& FileName);
};
