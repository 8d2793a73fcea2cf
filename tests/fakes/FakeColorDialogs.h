#pragma once

#include "ColorDialogs.h"

#include <QList>

#include <deque>

// Answers the colour chooser from a queue the test fills (a cancel when it is empty) and
// records the colour each call started from.
class FakeColorDialogs final : public ColorDialogs
{
public:
    std::optional<QColor> GetColor(const QColor& Initial) override
    {
        Asked.append(Initial);
        if (Answers.empty())
            return std::nullopt;
        const QColor Answer = Answers.front();
        Answers.pop_front();
        return Answer;
    }

    std::deque<QColor> Answers;
    QList<QColor> Asked;
};
