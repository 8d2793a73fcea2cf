#pragma once

#include <QString>

#include <cstdint>

// The program entry: decides whether this start is needed at all, and if so runs the play
// window until it closes. A start with a file that a running copy has open brings that copy
// to the front and ends; every other start opens its own play window. Several copies run side
// by side as long as they have different files open.

// Runs the program with main's arguments and gives its exit code.
int RunTumbalo(int Argc, char* Argv[]);

// The first command-line argument when there is one, otherwise the empty text. Taken from the
// program-wide parameters' raw arguments, since a full path ("/home/u/a.tlo") would read as a
// switch to the parameter parser.
QString StartFileArgument();

// True when a running copy has the start file open and was brought to the front, so this start
// must end. No copy is asked when the start file names no existing file.
bool HandOffToRunningCopy(const QString& Folder);

// Asks every play window of every running copy in Folder whether it has FileName open (the
// names compared without regard to ASCII letter case) and stops at the first that has; this
// copy never counts itself. With Restore, that copy is restored and brought to the front.
// Gives whether a copy had the file open.
bool FindRunningCopy(bool Restore, const QString& FileName, const QString& Folder);

// True when the socket Window belongs to a play window: its class name equals "TFrmTumbalo"
// without regard to the case of ASCII letters.
bool IsPlayWindow(const QString& Window);

// Asks the copy with Handle in Folder to restore itself and bring its last active window (a
// modal help or editor window, else the play window) to the front. Handle 0 does nothing.
void ActivateCopy(std::uint32_t Handle, const QString& Folder);

// Text equality without regard to the case of ASCII letters; other characters must match.
bool SameTextAscii(const QByteArray& A, const QByteArray& B);
