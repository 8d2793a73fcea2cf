#include "QtFileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

QString StartFolder(const QString& InitialFolder)
{
    return InitialFolder.isEmpty() ? QDir::homePath() : InitialFolder;
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
    QFileDialog Dialog(FParent, QString(), StartFolder(InitialFolder));
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
    QFileDialog Dialog(FParent, QString(), StartFolder(InitialFolder));
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    Dialog.setFileMode(QFileDialog::ExistingFile);
    Dialog.setNameFilters(NameFilters(Filter));
    return ChosenFile(Dialog);
}

QString QtFileDialogs::GetExistingFolder(const QString& InitialFolder)
{
    return QFileDialog::getExistingDirectory(FParent, QString(), StartFolder(InitialFolder));
}
