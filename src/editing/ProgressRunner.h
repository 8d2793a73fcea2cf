#pragma once

#include "Progress.h"

#include <QString>

#include <functional>

// Shows the adult that a long operation (an import, an export, removing duplicates, saving)
// is under way while it runs on the one user-interface thread. The program passes
// QtProgressRunner, a modal progress dialog; tests pass a fake that records the captions and
// presses cancel on cue.
class ProgressRunner
{
public:
    virtual ~ProgressRunner() = default;

    // Runs Work and returns when it is done. Work reports through the TProgress it is given
    // (Done of Total entries); with CanCancel, that TProgress answers false once the adult
    // pressed cancel, and Work stops before its next entry. Without CanCancel the adult only
    // sees that the program is busy. Errors of Work reach the caller after the dialog is gone.
    virtual void Run(const QString& Caption, bool CanCancel, const std::function<void(const TProgress&)>& Work) = 0;
};
