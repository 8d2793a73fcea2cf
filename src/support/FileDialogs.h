#pragma once

#include <QString>

// The file and folder dialogs that the collection and the windows open. Filters are written
// as pairs of description and pattern separated by "|", as "Tumbalo(*.tlo)|*.tlo|Text
// file(*.txt)|*.txt". A cancelled dialog gives the empty text. The program passes the Qt
// implementation; tests pass a fake that answers from a script.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    // A save dialog that proposes ProposedName, opens in InitialFolder and adds DefaultExt
    // (without dot) when the typed name has no extension. It does not ask before an existing
    // file is chosen.
    virtual QString GetSaveFileName(
        const QString& Filter, const QString& DefaultExt, const QString& InitialFolder, const QString& ProposedName)
        = 0;
    virtual QString GetOpenFileName(const QString& Filter, const QString& InitialFolder) = 0;
    virtual QString GetExistingFolder(const QString& InitialFolder) = 0;
};
