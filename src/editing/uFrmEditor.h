#pragma once

#include "Progress.h"
#include "uGridSettings.h"

#include <QDialog>
#include <QPoint>
#include <QString>

#include <functional>
#include <memory>

class Clipboard;
class ColorDialogs;
class FileDialogs;
class MessageBoxes;
class ProgressRunner;
class QAction;
class QComboBox;
class QFontComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;
class TColorBox;
class TEditorGrid;
class TFrmAudio;
class TMWord;
class TPictureView;
class TWordData;
class TWordView;

// What the editor is given. Message boxes show its errors and the collection's questions;
// file dialogs choose the files and folders it opens, appends from and exports to; the
// clipboard takes and gives pictures. A missing colour chooser or progress reporter is
// replaced by the Qt one (QtColorDialogs, QtProgressRunner), so the program passes none and
// tests pass fakes. Everything behind these pointers must outlive the editor.
struct TEditorServices
{
    MessageBoxes* Boxes = nullptr;
    FileDialogs* Dialogs = nullptr;
    Clipboard* Board = nullptr;
    ColorDialogs* Colors = nullptr;
    ProgressRunner* Progress = nullptr;
};

// The adult's editor window for the word list: a filterable, sortable grid of the entries and,
// beside it, the current entry's boxes, picture and clip commands, the list commands (open,
// new, save, append, export, paste lines, delete duplicates), the voice list and two play
// settings (the automatic-play interval and the word's font face).
//
// The grid sits on the word view, which the editor owns as a Qt child and which the presenter
// walks: the editor's filters and sort order decide which entries the child sees and in which
// order. The editor does not own the word list; it holds the presenter (not owned), which owns
// the collection. It owns the audio clip window.
//
// State files: on every save of the list the editor writes "Grid.ini" (columns and sort
// order), "Grid.Flt" (the word criterion) and the settings "PhotoFilter", "AutoFilter" and
// "VoiceName" into the list's working folder; after every opening it reads them back (see
// TGridSettings). A file missing from an archive leaves that part as it was.
//
// Errors of the commands are shown through the message boxes and leave the window open; the
// save writes the list's state files itself and lets their errors stop the save.
class TFrmEditor final : public QDialog
{
    Q_OBJECT

public:
    // The file-type lists of the dialogs.
    static const QString OpenFilter;
    static const QString AppendFilter;
    static const QString ExportFilter;
    // The interval that a box without a decimal integer stands for, in milliseconds.
    static constexpr int DefaultInterval = 2000;
    // The face the font list shows until the play window passes another.
    static const QString DefaultFontName;
    // Listener name on the collection's notifiers.
    static const QString ListenerName;
    // The state files in the list's working folder.
    static const QString GridLayoutFile;
    static const QString GridFilterFile;

    explicit TFrmEditor(TEditorServices Services, QWidget* Parent = nullptr);
    ~TFrmEditor() override;

    // The grid's table view, which the presenter is made on.
    TWordView* WordView() const { return FView; }

    // --- What the play window calls ------------------------------------------------------------

    // Once, right after the presenter exists: hands it to the audio clip window, fills the
    // voice list and selects the voice in use, and adds the listeners "GridSetting".
    void SetWordPresenter(TMWord* Presenter);
    TMWord* WordPresenter() const { return MWord; }
    // The presenter opens FileName (a missing file gives an empty list under that name); on
    // success the caption names the list's file. False for a blank name, caption untouched.
    // Errors of opening reach the caller.
    bool OpenWordFile(const QString& FileName);
    void SetFileOpened(bool Value) { FFileOpened = Value; }
    bool FileOpened() const { return FFileOpened; }
    // The interval box's text as a number; DefaultInterval when it is not a decimal integer.
    int GetInterval() const;
    void SetInterval(int Milliseconds);
    QString GetFontName() const;
    void SetFontName(const QString& FontName);

    TFrmAudio* FrmAudio() const { return FFrmAudio; }

    // --- Event handlers ------------------------------------------------------------------------

    void FormCreate();
    void FormDestroy();
    void FormShow();
    void cxGrid1DBTableView1FocusedRecordChanged();
    void cxGrid1DBTableView1DataControllerFilterChanged();
    void cxGrid1DBTableView1MouseDown(Qt::MouseButton Button, const QPoint& Position);
    void cxGrid1DBTableView1MouseMove(Qt::MouseButtons Buttons, const QPoint& Position);
    void cxGrid1DBTableView1MouseUp(Qt::MouseButton Button, const QPoint& Position);
    void edWordFilterPropertiesChange();
    void edPhotoFilterPropertiesChange();
    void btnPlayClick();
    void btnAudioClick();
    void btnClearPhotoClick();
    void btnPasteClick();
    void btnCopyImageClick();
    void edVoiceListPropertiesChange();
    void btnSpeakClick();
    void btnAppendFromClick();
    void btnFromFolderClick();
    void btnExportClick();
    void actSaveExecute();
    void actSaveUpdate();
    void actOpenExecute();
    void actNewExecute();
    void actPasteLinesExecute();
    void actDeleteDuplicateExecute();
    void edColorClick();
    void edColorCleared();

    // --- Operations ----------------------------------------------------------------------------

    // The entry side follows the focused row: boxes enabled only while the grid shows rows,
    // the boxes' values, the row labels, the picture, the save action.
    void UpdateRecordView();
    void UpdateRowLabels();
    void ShowPicture();
    void PastePicture();
    void ClearPicture();
    void SetWordFilter(const QString& Text);
    // The grid filters anew with the filter lists' choices.
    void RefreshFilter();
    void NewWordFile();
    QString AskOpenFileName(const QString& Filter);
    QString AskFolderName();

    // Fill-drag: a left press on a cell starts it, each move to the next row up or down in the
    // same column writes the start cell's value there, the release ends it.
    void BeginCellDrag();
    void DragCellValue();
    void EndCellDrag();
    bool Dragging() const { return FDragging; }
    int DragRowIndex() const { return FDragRowIndex; }
    int DragColumnIndex() const { return FDragColumnIndex; }
    const QString& DragFieldName() const { return FDragFieldName; }
    const QString& DragValue() const { return FDragValue; }

    // Listeners "GridSetting": before every save, after every opening.
    void SaveGridSetting(TWordData* Data);
    void LoadGridSetting(TWordData* Data);
    void SaveFilterSetting(TWordData* Data);
    void LoadFilterSetting(TWordData* Data);
    void SaveVoiceSetting();
    void LoadVoiceSetting();

    // The grid's layout as it stands (columns in their order, widths, visibility, sort).
    TGridLayout GridLayout() const;
    // Puts columns in the order Layout names them (the grid's others follow in their order),
    // sets their widths (0 keeps the width) and visibility, and sorts as it says.
    void ApplyGridLayout(const TGridLayout& Layout);
    // The grid's filter: the word criterion, when there is one.
    TGridFilter GridFilter() const;
    void ApplyGridFilter(const TGridFilter& Filter);

    // Writes what the entry boxes hold into the current entry when it differs (what leaving
    // a box does); the commands that work on the list call it first.
    void PostPendingEdits();

    TEditorGrid* Grid() const { return cxGrid1; }

protected:
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    void BuildWindow();
    void BuildActions();
    // Runs a command; its error is shown instead of leaving the window.
    template <typename TCommand> void Guarded(TCommand Command);
    // Runs a long operation with the progress reporter; a missing reporter just runs it.
    void RunWithProgress(const QString& Caption, bool CanCancel, const std::function<void(const TProgress&)>& Work);

    TWordData* Data() const;
    bool HasPresenter() const { return MWord != nullptr; }
    // The grid's columns, as the table's fields in grid order (BackColor is no grid column).
    static const QStringList& GridFields();
    int FieldColumn(const QString& FieldName) const;
    QString FieldNameOf(int Column) const;
    // After the rows were taken away and given back (an opening, a reload) the header starts
    // afresh: the layout kept here goes back on it.
    void ViewAboutToBeReset();
    void ViewWasReset();
    void SetColumnCaptions();
    // The grid's current cell follows the focused row of the view.
    void SyncGridToFocus();
    void GridCurrentChanged(const QModelIndex& Current);
    void ShowRecordValues();
    void PostBoxValue(const QString& FieldName, const QVariant& Value);
    void UpdateCaption();
    void ScheduleRecordView();
    void CatchUpWithView();
    void NavigatorMove(int Row);
    void NavigatorInsert(bool AtEnd);
    void NavigatorDelete();

    TMWord* MWord = nullptr;
    TFrmAudio* FFrmAudio = nullptr; // Qt child
    bool FFileOpened = false;
    bool FDragging = false;
    int FDragRowIndex = -99;
    int FDragColumnIndex = -99;
    QString FDragFieldName;
    QString FDragValue;

    TEditorServices FServices;
    std::unique_ptr<ColorDialogs> FOwnColors;
    std::unique_ptr<ProgressRunner> FOwnProgress;

    TWordView* FView; // Qt child
    TGridLayout FLayout; // the layout while the header has no columns
    bool FHeaderReady = false; // the header shows the view's columns with FLayout applied
    bool FSyncingFocus = false;
    bool FLoadingSettings = false;
    // The grid and the entry side catch up with the view once the event that changed it is
    // done: the view announces a new focus while the grid has not yet heard of the rows that
    // moved it, and a post marks the list changed only after the table announced the values.
    QTimer* FRecordViewUpdate; // Qt child
    // The save action is also brought up to date now and then while the window is shown, as
    // the collection announces no change of its flag.
    QTimer* FActionPoll; // Qt child

    // Controls, Qt children; names as their objectName.
    QLineEdit* edWordFilter;
    QComboBox* edPhotoFilter;
    QComboBox* edAudioFilter;
    TEditorGrid* cxGrid1;
    QWidget* Navigator;
    QLabel* lblRowCount;
    QLabel* lblCurrentIdx;
    QLineEdit* edWord;
    QLineEdit* edCategory;
    QLineEdit* edStatus;
    TColorBox* edColor;
    QToolButton* btnPlay;
    QPushButton* btnAudio;
    QPushButton* btnClearPhoto;
    QPushButton* btnPaste;
    QPushButton* btnCopyImage;
    TPictureView* cxImage1;
    QComboBox* edVoiceList;
    QPushButton* btnSpeak;
    QPushButton* btnExport;
    QPushButton* btnAppendFrom;
    QPushButton* btnFromFolder;
    QPushButton* btnSave;
    QPushButton* cxButton1;
    QPushButton* btnNew;
    QPushButton* cxButton2;
    QSpinBox* edInterval;
    QFontComboBox* edFontName;
    QAction* actSave;
    QAction* actOpen;
    QAction* actNew;
    QAction* actPasteLines;
    QAction* actDeleteDuplicate;
};
