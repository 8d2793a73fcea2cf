#pragma once

#include <QDialog>

class FileDialogs;
class MessageBoxes;
class QPushButton;
class QToolButton;
class TMWord;

// The audio clip window: gives the editor's current entry its own spoken clip, recorded from
// the microphone or taken from a sound file, plays it back, or removes it so that the entry
// is spoken by text-to-speech again. All sound work is the presenter's; the window only keeps
// whether a recording it started is under way (Recording), which outlives closing and
// showing the window again.
//
// Ownership: the editor makes it with itself and frees it with itself; the presenter is not
// owned. The dialog and message-box services must outlive the window. Errors of a command
// (a sound file that cannot be read) are shown as an error box; the entry keeps what it had.
class TFrmAudio final : public QDialog
{
    Q_OBJECT

public:
    // The file dialog's filter, set when the window is made.
    static const QString OpenDialogFilter;

    TFrmAudio(FileDialogs* Dialogs, MessageBoxes* Boxes, QWidget* Parent = nullptr);

    // Once, before the window is first shown.
    void SetWordPresenter(TMWord* Presenter);
    TMWord* WordPresenter() const { return MWord; }

    bool Recording() const { return FRecording; }
    QString OpenDialog1Filter() const { return FOpenDialogFilter; }

    // --- Event handlers ------------------------------------------------------------------------

    void FormCreate();
    void FormShow();
    void btnPlayClick();
    void btnStartRecordClick();
    void btnStopRecordClick();
    void btnFromFileClick();
    void btnClearClick();

    // Play only with a clip and while not recording; start and stop by the recording state;
    // clear only with a clip; importing from a file always.
    void UpdateButtons();

protected:
    void showEvent(QShowEvent* Event) override;

private:
    // Runs a command; its error is shown instead of leaving the window.
    template <typename TCommand> void Guarded(TCommand Command);

    TMWord* MWord = nullptr;
    bool FRecording = false;
    QString FOpenDialogFilter;
    FileDialogs* FDialogs;
    MessageBoxes* FBoxes;

    QToolButton* btnPlay; // Qt children
    QPushButton* btnStartRecord;
    QPushButton* btnStopRecord;
    QPushButton* btnFromFile;
    QPushButton* btnClear;
};
