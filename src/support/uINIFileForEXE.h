#pragma once

#include <QString>

// The settings file in use once the word collection exists: its working folder's
// "Tumbalo.ini". Empty until the presenter sets it; while empty, the settings file comes from
// the command line or sits beside the program (see TIniFileForEXE::GetIniFileName).
extern QString GlobalIniFileName;

// The settings store: text values under keys in one section of an INI file, the section being
// named after the file ("Tumbalo" for "Tumbalo.ini"). Every call resolves the file name again,
// reads or writes the file and lets it go, so nothing is cached and a value written is read
// back at once. Keys are compared without regard to letter case; values come back trimmed and
// at most 2047 characters long. Lines of other sections are kept as they are.
//
// Files are UTF-8 text with CR LF line ends; a file that is not valid UTF-8 is read as
// GB18030 (settings written by older copies). A write replaces the whole file at once, through
// a temporary file beside it, so an interrupted write leaves the old file intact.
class TIniFileForEXE
{
public:
    TIniFileForEXE() = delete;

    // The longest value ReadString gives back.
    static constexpr int MaxValueLength = 2047;

    // GlobalIniFileName when set; else the command line's named value "IniFileName", unchanged;
    // else the program's path with its extension replaced by ".ini".
    static QString GetIniFileName();

    // The settings file's name without folder and extension.
    static QString GetSectionName();

    // The value under Key; the empty text when the file, the section or the key is missing.
    static QString ReadString(const QString& Key);

    // Stores Value under Key, creating the file, the section and the key's line as needed.
    // Line breaks in Value become blanks, since a value is one line. Fails with an Error
    // "Unable to write to <file>" when the file cannot be written.
    static void WriteString(const QString& Key, const QString& Value);
};
