#pragma once

#include <QByteArray>
#include <QString>

// Turns bytes read from outside the program (settings files, imported text files, pasted
// text) into text. Files written by this program are UTF-8; older word lists were written in
// the Chinese code page, so bytes that are not valid UTF-8 are read as GB18030, its superset.
// A UTF-8 byte order mark at the start is dropped. Never fails: bytes that fit neither
// encoding come back as replacement characters.
QString DecodeText(const QByteArray& Bytes);

// True when Bytes are valid UTF-8 as a whole (an empty array is).
bool IsValidUtf8(const QByteArray& Bytes);

// One line of text for a line-based file: a backslash becomes \\, line feed, carriage return
// and tab become \n, \r and \t, other control characters \xNN.
QString EscapeText(const QString& Value);
