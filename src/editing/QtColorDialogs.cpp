#include "QtColorDialogs.h"

#include <QColorDialog>

QtColorDialogs::QtColorDialogs(QWidget* Parent)
    : FParent(Parent)
{ }

void QtColorDialogs::SetParent(QWidget* Parent)
{
    FParent = Parent;
}

std::optional<QColor> QtColorDialogs::GetColor(const QColor& Initial)
{
    const QColor Chosen = QColorDialog::getColor(Initial.isValid() ? Initial : QColor(Qt::white), FParent);
    if (!Chosen.isValid())
        return std::nullopt;
    return Chosen;
}
