#pragma once

#include <QString>

// The message boxes that services and windows show: an error, a warning or an information
// box with one OK button, and a confirmation box with Yes, No and Cancel. The program
// passes the Qt implementation; tests pass a fake that records every box and answers from a
// script. A caption left empty means the program's default caption.
class MessageBoxes
{
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~MessageBoxes() = default;

    virtual void ShowError(const QString& Text, const QString& Caption = {}) = 0;
    virtual void ShowWarning(const QString& Text, const QString& Caption = {}) = 0;
    virtual void ShowInformation(const QString& Text, const QString& Caption = {}) = 0;
    virtual Answer Confirm(const QString& Text, const QString& Caption = {}) = 0;
};
