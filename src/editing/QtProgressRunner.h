#pragma once

#include "ProgressRunner.h"

#include <QPointer>
#include <QWidget>

// The progress of a long operation in a modal QProgressDialog over the given parent window.
// The dialog appears once the operation has run for MinimumDurationMs (at once for work that
// cannot be cancelled, which reports no steps), so short operations do not flash a window.
// Reports repaint the dialog and let the cancel button be pressed; the adult cannot reach any
// other window meanwhile.
class QtProgressRunner final : public ProgressRunner
{
public:
    explicit QtProgressRunner(QWidget* Parent = nullptr, int MinimumDurationMs = 400);

    void SetParent(QWidget* Parent);

    void Run(const QString& Caption, bool CanCancel, const std::function<void(const TProgress&)>& Work) override;

private:
    QPointer<QWidget> FParent;
    int FMinimumDuration;
};
