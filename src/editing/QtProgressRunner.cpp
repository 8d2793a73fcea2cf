#include "QtProgressRunner.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>

QtProgressRunner::QtProgressRunner(QWidget* Parent, int MinimumDurationMs)
    : FParent(Parent)
    , FMinimumDuration(std::max(0, MinimumDurationMs))
{ }

void QtProgressRunner::SetParent(QWidget* Parent)
{
    FParent = Parent;
}

void QtProgressRunner::Run(const QString& Caption, bool CanCancel, const std::function<void(const TProgress&)>& Work)
{
    QProgressDialog Dialog(Caption, QString(), 0, 0, FParent);
    Dialog.setWindowTitle(QStringLiteral("Tumbalo"));
    Dialog.setWindowModality(Qt::ApplicationModal);
    Dialog.setAutoClose(false);
    Dialog.setAutoReset(false);
    if (CanCancel) {
        Dialog.setCancelButtonText(QStringLiteral("Cancel"));
        Dialog.setMinimumDuration(FMinimumDuration);
        // The dialog shows itself from the first report that comes after the minimum duration.
        Dialog.setValue(0);
    } else {
        // Nothing reports steps, so the dialog has to be on screen before the work blocks the
        // window: a busy bar, painted now.
        Dialog.setCancelButton(nullptr);
        Dialog.setMinimumDuration(0);
        Dialog.show();
        Dialog.repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    const TProgress Progress = [&Dialog, CanCancel](int Done, int Total) {
        if (Total > 0 && Dialog.maximum() != Total)
            Dialog.setMaximum(Total);
        // A modal dialog processes events here, so the cancel button can be pressed.
        Dialog.setValue(std::clamp(Done, 0, std::max(Total, 0)));
        return !(CanCancel && Dialog.wasCanceled());
    };
    Work(Progress);
}
