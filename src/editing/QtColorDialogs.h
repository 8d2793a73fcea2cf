#pragma once

#include "ColorDialogs.h"

#include <QPointer>
#include <QWidget>

// The colour chooser on QColorDialog, modal to the given parent window.
class QtColorDialogs final : public ColorDialogs
{
public:
    explicit QtColorDialogs(QWidget* Parent = nullptr);

    void SetParent(QWidget* Parent);

    std::optional<QColor> GetColor(const QColor& Initial) override;

private:
    QPointer<QWidget> FParent;
};
