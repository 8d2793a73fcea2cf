#include "QtMessageBoxes.h"

#include <QMessageBox>

namespace {

QString CaptionOr(const QString& Caption)
{
    return Caption.isEmpty() ? QStringLiteral("Tumbalo") : Caption;
}

} // namespace

QtMessageBoxes::QtMessageBoxes(QWidget* Parent)
    : FParent(Parent)
{ }

void QtMessageBoxes::SetParent(QWidget* Parent)
{
    FParent = Parent;
}

void QtMessageBoxes::ShowError(const QString& Text, const QString& Caption)
{
    QMessageBox::critical(FParent, CaptionOr(Caption), Text);
}

void QtMessageBoxes::ShowWarning(const QString& Text, const QString& Caption)
{
    QMessageBox::warning(FParent, CaptionOr(Caption), Text);
}

void QtMessageBoxes::ShowInformation(const QString& Text, const QString& Caption)
{
    QMessageBox::information(FParent, CaptionOr(Caption), Text);
}

MessageBoxes::Answer QtMessageBoxes::Confirm(const QString& Text, const QString& Caption)
{
    const auto Button = QMessageBox::question(
        FParent, CaptionOr(Caption), Text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (Button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}
