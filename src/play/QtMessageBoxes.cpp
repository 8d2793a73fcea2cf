#include "QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QString CaptionOr(const QString& Caption)
{
    return Caption.isEmpty() ? QStringLiteral("Tumbalo") : Caption;
}

// Over the window the adult works in: a modal window (the editor, the audio clip window) when
// one is up, else the given parent.
QWidget* BoxParent(QWidget* Parent)
{
    if (QWidget* Modal = QApplication::activeModalWidget())
        return Modal;
    return Parent;
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
    QMessageBox::critical(BoxParent(FParent), CaptionOr(Caption), Text);
}

void QtMessageBoxes::ShowWarning(const QString& Text, const QString& Caption)
{
    QMessageBox::warning(BoxParent(FParent), CaptionOr(Caption), Text);
}

void QtMessageBoxes::ShowInformation(const QString& Text, const QString& Caption)
{
    QMessageBox::information(BoxParent(FParent), CaptionOr(Caption), Text);
}

MessageBoxes::Answer QtMessageBoxes::Confirm(const QString& Text, const QString& Caption)
{
    const auto Button = QMessageBox::question(BoxParent(FParent), CaptionOr(Caption), Text,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (Button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}
