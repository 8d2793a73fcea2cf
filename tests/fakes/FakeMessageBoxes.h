#pragma once

#include "MessageBoxes.h"

#include <QList>
#include <QString>

#include <deque>

// Records every message box and answers confirmations from a queue the test fills
// (Yes when the queue is empty).
class FakeMessageBoxes final : public MessageBoxes
{
public:
    enum class Kind { Error, Warning, Information, Confirm };

    struct Shown
    {
        Kind Type;
        QString Text;
        QString Caption;
    };

    void ShowError(const QString& Text, const QString& Caption = {}) override { Record(Kind::Error, Text, Caption); }
    void ShowWarning(const QString& Text, const QString& Caption = {}) override
    {
        Record(Kind::Warning, Text, Caption);
    }
    void ShowInformation(const QString& Text, const QString& Caption = {}) override
    {
        Record(Kind::Information, Text, Caption);
    }
    Answer Confirm(const QString& Text, const QString& Caption = {}) override
    {
        Record(Kind::Confirm, Text, Caption);
        if (Answers.empty())
            return Answer::Yes;
        const Answer Next = Answers.front();
        Answers.pop_front();
        return Next;
    }

    std::deque<Answer> Answers;
    QList<Shown> Boxes;

private:
    void Record(Kind Type, const QString& Text, const QString& Caption) { Boxes.append({ Type, Text, Caption }); }
};
