#pragma once

#include <QByteArray>
#include <QString>

// Whole-file reading and writing for the program's own files (list files, clips, text
// imports and exports). Failures raise Error naming the file and the system's reason.

// The file's bytes, unchanged. A file larger than MaxSize bytes (when MaxSize >= 0) is refused
// before it is read, so a wrong choice of file cannot fill the memory.
QByteArray ReadWholeFile(const QString& FileName, qint64 MaxSize = -1);

// Creates or replaces FileName with Head followed by Tail. The old file stays whole until the
// new one is complete (written beside it, then renamed), so a failed write never leaves a
// broken file.
void WriteWholeFile(const QString& FileName, const QByteArray& Head, const QByteArray& Tail = {});
