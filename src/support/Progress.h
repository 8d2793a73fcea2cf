#pragma once

#include <algorithm>
#include <functional>

// How a long operation (appending thousands of entries, exporting, removing duplicates) tells
// its caller how far it is, and how the caller stops it: Done of Total entries are finished;
// returning false asks the operation to stop before its next entry. What was done so far stays
// done. An empty TProgress means nobody watches and nothing stops the operation.
using TProgress = std::function<bool(int Done, int Total)>;

// The counting side of a TProgress for one run over Total entries. The operation asks
// Continue(Done) before each entry; the callback hears of it at the start, then whenever about
// a 500th of the work more is done (every entry for runs of up to 500), so a progress dialog
// that repaints on every report does not slow a run over 100,000 entries down. Finish reports
// the end.
class TProgressCounter
{
public:
    TProgressCounter(const TProgress& Progress, int Total)
        : FProgress(Progress)
        , FTotal(Total)
        , FStep(std::max(1, Total / 500))
    { }

    // False when the caller asked to stop: the operation does not start entry number Done.
    bool Continue(int Done)
    {
        if (!FProgress || (FReported >= 0 && Done - FReported < FStep))
            return true;
        FReported = Done;
        return FProgress(Done, FTotal);
    }

    // Reports Done entries at the end of the run (also after a stop, so the caller sees what
    // was done); nothing when that figure was reported last.
    void Finish(int Done)
    {
        if (FProgress && Done != FReported)
            FProgress(Done, FTotal);
    }

private:
    TProgress FProgress;
    int FTotal;
    int FStep;
    int FReported = -1; // nothing reported yet
};
