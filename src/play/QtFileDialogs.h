#pragma once

#include "FileDialogs.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// The file and folder dialogs on QFileDialog, modal to the given parent window, or over the
// modal window that is up (the editor, the audio clip window). The "|" filter pairs become
// Qt's name filters ("Tumbalo(*.tlo)|*.tlo" gives "Tumbalo (*.tlo)"); the save dialog adds
// DefaultExt through the dialog's default suffix and does not ask before an existing file is
// chosen; the open dialog also takes the name of a file that does not exist. A cancelled
// dialog gives the empty text.
class QtFileDialogs final : public FileDialogs
{
public:
    explicit QtFileDialogs(QWidget* Parent = nullptr);

    void SetParent(QWidget* Parent);

    QString GetSaveFileName(const QString& Filter, const QString& DefaultExt, const QString& InitialFolder,
        const QString& ProposedName) override;
    QString GetOpenFileName(const QString& Filter, const QString& InitialFolder) override;
    QString GetExistingFolder(const QString& InitialFolder) override;

    // The name filters for a "|" filter: each description with its patterns, the patterns
    // separated by blanks (a pattern list "*.a;*.b" gives "(*.a *.b)"). A description that
    // already ends with its patterns in brackets keeps them and gets no second pair. A
    // trailing description without pattern is dropped.
    static QStringList NameFilters(const QString& Filter);

private:
    QPointer<QWidget> FParent;
};
