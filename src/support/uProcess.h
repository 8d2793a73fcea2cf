#pragma once

#include <QString>

// Counts running copies of a program by the file name of their executable, read from /proc.
// The working root is removed at shutdown only when this copy is the last one, so a count
// that cannot be taken gives 0 and keeps the folders.
class TProcessHandler
{
public:
    TProcessHandler() = delete;

    // Running processes whose executable's file name (without folder) equals ExeName without
    // regard to letter case; 0 when /proc cannot be read.
    static int CountProcesses(const QString& ExeName);

    // True when exactly one running process has this program's executable file name.
    static bool IsOnlyInstance();

    // CountProcesses over the process folder ProcFolder instead of /proc.
    static int CountProcessesIn(const QString& ProcFolder, const QString& ExeName);
};
