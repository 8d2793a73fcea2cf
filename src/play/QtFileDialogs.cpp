#include "QtFileDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString StartFolder(const QString& InitialFolder)
{
    return InitialFolder.isEmpty() ? QDir::homePath() : InitialFolder;
}

// Over the window the adult works in: a modal window (the editor, the audio clip window) when
// one is up, else the given parent.
QWidget* DialogParent(QWidget* Parent)
{
    if (QWidget* Modal = QApplication::activeModalWidget())
        return Modal;
    return Parent;
}

// The one chosen file of a finished dialog, or the empty text when it was cancelled.
QString ChosenFile(QFileDialog& Dialog)
{
    if (Dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList Files = Dialog.selectedFiles();
    return Files.isEmpty() ? QString() : Files.first();
}

} // namespace

QtFileDialogs::QtFileDialogs(QWidget* Parent)
    : FParent(Parent)
{ }

void QtFileDialogs::SetParent(QWidget* Parent)
{
    FParent = Parent;
}

QStringList QtFileDialogs::NameFilters(const QString& Filter)
{
    QStringList Result;
    const QStringList Parts = Filter.split(QLatin1Char('|'));
    for (qsizetype I = 0; I + 1 < Parts.size(); I += 2) {
        const QString Description = Parts.at(I).trimmed();
        QStringList Patterns = Parts.at(I + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& Pattern : Patterns)
            Pattern = Pattern.trimmed();
        const QString Bracketed = QLatin1Char('(') + Patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        // Qt reads the patterns from the last brackets of a filter, so a description that
        // already shows them in brackets needs a blank before them and no second pair.
        QString Compact = Description;
        Compact.remove(QLatin1Char(' '));
        QString CompactBracketed = Bracketed;
        CompactBracketed.remove(QLatin1Char(' '));
        const QString PatternsInDescription = QLatin1Char('(') + Patterns.join(QLatin1Char(';')) + QLatin1Char(')');
        if (Compact.endsWith(CompactBracketed) || Compact.endsWith(PatternsInDescription)) {
            QString Name = Description.left(Description.lastIndexOf(QLatin1Char('('))).trimmed();
            Result.append((Name.isEmpty() ? QString() : Name + QLatin1Char(' ')) + Bracketed);
        } else {
            Result.append((Description.isEmpty() ? QString() : Description + QLatin1Char(' ')) + Bracketed);
        }
    }
    return Result;
}

QString QtFileDialogs::GetSaveFileName(
    const QString& Filter, const QString& DefaultExt, const QString& InitialFolder, const QString& ProposedName)
{
    QFileDialog Dialog(DialogParent(FParent), QString(), StartFolder(InitialFolder));
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    Dialog.setFileMode(QFileDialog::AnyFile);
    Dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    Dialog.setNameFilters(NameFilters(Filter));
    Dialog.setDefaultSuffix(DefaultExt);
    if (!ProposedName.isEmpty())
        Dialog.selectFile(QFileInfo(ProposedName).fileName());
    return ChosenFile(Dialog);
}

QString QtFileDialogs::GetOpenFileName(const QString& Filter, const QString& InitialFolder)
{
    QFileDialog Dialog(DialogParent(FParent), QString(), StartFolder(InitialFolder));
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name of a file that does not exist is taken too: opening it starts a new list
    // under that name, and a clip from it fails with the file's own error.
    Dialog.setFileMode(QFileDialog::AnyFile);
    Dialog.setNameFilters(NameFilters(Filter));
    return ChosenFile(Dialog);
}

QString QtFileDialogs::GetExistingFolder(const QString& InitialFolder)
{
    return QFileDialog::getExistingDirectory(DialogParent(FParent), QString(), StartFolder(InitialFolder));
}
