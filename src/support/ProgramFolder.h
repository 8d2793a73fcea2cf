#pragma once

#include <QString>

// The program's folder: where the working root "Temp", "Log.log", the untitled lists and the
// temporary sound files live. In this order: the folder named by TUMBALO_HOME when it is set;
// the executable's own folder when it is writable; the user's application data folder.
// The result is an absolute path that ends with "/". The folder is created when missing.
QString ProgramFolder();

// The program's own full path (argument 0 made absolute, as the system reports it).
QString ProgramPath();
