#pragma once

#include <QString>
#include <QStringList>

// Makes the desktop open word archives with this program, through the freedesktop shared MIME
// database and a desktop entry in the user's data folder. An existing mapping of the extension,
// whatever program it names, is left alone, so the user's own choice is never overwritten.
class TRegExt
{
public:
    TRegExt() = delete;

    // When no MIME database (the user's or the system's) maps "*<Extension>", writes a MIME
    // package mapping it to the type derived from FileType (see MimeTypeName) and a desktop
    // entry that opens such files with ProgramPath, then refreshes both databases with
    // update-mime-database and update-desktop-database where those tools exist. Fails with an
    // Error "Fail to open <path>" naming the file that could not be written; files written
    // before it stay, and the databases are not refreshed.
    static void RegisterExtension(const QString& Extension, const QString& ProgramPath, const QString& FileType);

    // True when a MIME database in the user's or a system data folder maps "*<Extension>".
    static bool IsExtensionMapped(const QString& Extension);

    // The MIME type name for FileType: "tlo_auto_file" gives "application/x-tlo-auto-file".
    static QString MimeTypeName(const QString& FileType);

    // XDG_DATA_HOME, or ~/.local/share when it is unset or not an absolute path.
    static QString UserDataFolder();

    // The folders of XDG_DATA_DIRS, or /usr/local/share and /usr/share when it is unset.
    static QStringList SystemDataFolders();

    // The desktop entry's Exec value: the program path quoted (with the escapes desktop
    // entries need), a blank, and the field code of one file.
    static QString ExecLine(const QString& ProgramPath);
};
