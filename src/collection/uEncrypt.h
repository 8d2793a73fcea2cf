#pragma once

#include <QByteArray>
#include <QString>

// The list file's side of the text cipher: reading and writing the file's bytes, and the one
// cipher combination the list file uses (the mask transform, no chaining, 128-bit key), as
// Base64 text without line breaks. Only class operations; never instantiated.
// Failures are Error: the cipher's own message for broken cipher text, or a message naming
// the file when it cannot be read or written.
class TFrmEncrypt
{
public:
    TFrmEncrypt() = delete;

    // The file's bytes, unchanged.
    static QByteArray LoadFileAsText(const QString& FileName);
    // Creates or replaces the file with exactly Text. The old file stays whole until the new
    // one is complete, so a failed write never leaves a broken list file.
    static void SaveTextToFile(const QByteArray& Text, const QString& FileName);

    static QByteArray EncryptText(const QByteArray& Text);
    static QByteArray DecryptText(const QByteArray& Text);
};
