#pragma once

#include <QColor>

#include <optional>

// The colour chooser behind the editor's background colour box. The program passes
// QtColorDialogs; tests pass a fake that answers from a script.
class ColorDialogs
{
public:
    virtual ~ColorDialogs() = default;

    // A colour chosen by the adult, starting from Initial (invalid when the entry has none);
    // nothing when the dialog was cancelled.
    virtual std::optional<QColor> GetColor(const QColor& Initial) = 0;
};
