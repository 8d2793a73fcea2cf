#pragma once

#include <QString>

// Path and file-name routines shared by the log file, the parameter reader and the settings
// store. Both "/" and "\" count as folder separators, so names written in either style (a
// settings file named on the command line, a path inside an old word list) come out the same.

// Fails with an Error when Name cannot serve as a file name: "Empty string is not valid file
// name." for an empty or blank name; "The path of file "<Name>" does not exist, and fail to
// create it." when the folder of the expanded name is missing and cannot be created. Creates
// that folder with its missing parents as a side effect.
void CheckFileName(const QString& Name);

// True when the folder exists afterwards: a missing folder is created together with its
// missing parents, from the outermost one inwards. False for an empty path and when a
// regular file stands where a folder must be.
bool ForceFolder(const QString& Path);

// The full path of the parent folder of the folder Path, ending with "/". The root is its own
// parent. Relative paths are taken from the current folder.
QString ParentFolder(const QString& Path);

// The file name part (after the last separator) without its extension: "/p/Tumbalo.ini" gives
// "Tumbalo".
QString NameWithoutExt(const QString& Path);

// Name without its extension: cut at the last "." when no separator follows it. "a.b.ini"
// gives "a.b"; "/x.y/file" stays whole.
QString RemoveExt(const QString& Name);

// Name made a full, clean path with "/" separators: relative names are taken from the current
// folder, "." and ".." parts are resolved by text (links are not followed). A trailing
// separator is kept, so a folder name stays recognisable as one.
QString ExpandFileName(const QString& Name);
