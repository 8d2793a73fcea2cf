#pragma once

#include "ProgressRunner.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Runs the work at once, without a window, and records each run's caption, whether it could
// be cancelled and every report it got. With CancelAtReport set, the report of that number
// (counting from 1 over the whole life of the fake) and all later ones answer "stop", as if
// the adult had pressed cancel just then.
class FakeProgressRunner final : public ProgressRunner
{
public:
    struct Ran
    {
        QString Caption;
        bool CanCancel;
        QList<std::pair<int, int>> Reports; // Done, Total
    };

    void Run(const QString& Caption, bool CanCancel, const std::function<void(const TProgress&)>& Work) override
    {
        Runs.append({ Caption, CanCancel, {} });
        const int Index = int(Runs.size()) - 1;
        Work([this, Index, CanCancel](int Done, int Total) {
            Runs[Index].Reports.append({ Done, Total });
            ++ReportCount;
            return !(CanCancel && CancelAtReport && ReportCount >= *CancelAtReport);
        });
    }

    QList<Ran> Runs;
    std::optional<int> CancelAtReport;
    int ReportCount = 0;
};
