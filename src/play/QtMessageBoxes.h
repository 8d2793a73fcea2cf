#pragma once

#include "MessageBoxes.h"

#include <QPointer>
#include <QWidget>

// The message boxes on QMessageBox, modal to the given parent window (or application-modal
// when there is none), or over the modal window that is up (the editor, the audio clip
// window). An empty caption shows "Tumbalo".
class QtMessageBoxes final : public MessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget* Parent = nullptr);

    void SetParent(QWidget* Parent);

    void ShowError(const QString& Text, const QString& Caption = {}) override;
    void ShowWarning(const QString& Text, const QString& Caption = {}) override;
    void ShowInformation(const QString& Text, const QString& Caption = {}) override;
    Answer Confirm(const QString& Text, const QString& Caption = {}) override;

private:
    QPointer<QWidget> FParent;
};
