#pragma once

#include "InstanceChannel.h"

#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>

class Clipboard;
class Clock;
class ColorDialogs;
class FileDialogs;
class KeyboardLock;
class MessageBoxes;
class ProgressRunner;
class SoundDevice;
class SpeechEngine;
class TFrmEditor;
class TMWord;
class TPictureBox;
class TPictureCache;
class TWordData;
class TWordView;

// What the play window is given: the clock of the key guard (and of the presenter's speech
// guard), the speech engine and the sound device (handed on to the presenter, which owns
// them), the message boxes, file dialogs and clipboard of the word collection and the editor,
// the editor's colour chooser and progress reporter (the Qt ones when missing), and the
// keyboard lock. The clock and the services behind plain pointers must outlive the window.
struct TPlayServices
{
    const Clock* TickClock = nullptr;
    std::unique_ptr<SpeechEngine> Speech;
    std::unique_ptr<SoundDevice> Sound;
    MessageBoxes* Boxes = nullptr;
    FileDialogs* Dialogs = nullptr;
    Clipboard* Board = nullptr;
    KeyboardLock* Lock = nullptr;
    ColorDialogs* Colors = nullptr;
    ProgressRunner* Progress = nullptr;
};

// The play window, the program's main window and the only thing the child sees: the current
// entry of the word list as a large label that follows the pointer, over the entry's picture
// and on its background colour. Every key, click, wheel turn and timer tick becomes an action:
// for the child nearly everything means "next entry"; the function keys are for the adult.
//
// Guards keep a child hammering the keyboard from queuing work: a key acts only after more than
// 100 ms of keyboard quiet (on the clock it was given), and the presenter speaks at most once
// per 500 ms of quiet. A new entry is painted at once, before it is spoken, since speaking
// blocks the window.
//
// Settings. The window's display (full screen, windowed size, font face and size) and the
// automatic-play interval are stored with each word list: written before every save of the
// list (SaveSettings) and applied after every opening of an archive while the editor is
// hidden (ReloadSettings), both as the list's listeners "MainFormSetting", which run after
// the editor's "GridSetting". A list opened from the editor is applied when the editor closes.
//
// Ownership: the window owns the editor window (hidden, a top-level window of its own, shown
// modally on F2), the presenter (and through it the word list and its working folder), the
// picture, the label and the automatic-play timer. The presenter walks the editor's word
// view, so it is made after the editor and freed before it. The keyboard lock is switched on
// while the window is made and off when it goes, after the presenter and the editor are
// gone; the temporary folder of the word lists is removed last when no other copy of the
// program runs. The window also puts the program-wide log handler in place.
class TFrmTumbalo final : public QWidget
{
    Q_OBJECT

public:
    // The label's colours cycled by the right mouse button, as 0x00BBGGRR values.
    static constexpr std::array<std::uint32_t, 18> WordColors { 0x00000000, 0x00000080, 0x00008000, 0x00008080,
        0x00800000, 0x00800080, 0x00808000, 0x00808080, 0x00C0C0C0, 0x000000FF, 0x0000FF00, 0x0000FFFF, 0x00FF0000,
        0x00FF00FF, 0x00FFFF00, 0x00C0C0C0, 0x00808080, 0x00FFFFFF };

    // The size of the window when full screen is switched off and the word list stores none.
    static constexpr int DefaultWindowedWidth = 300;
    static constexpr int DefaultWindowedHeight = 200;

    // The smallest and largest label font sizes the wheel gives, in points.
    static constexpr int MinFontSize = 8;
    static constexpr int MaxFontSize = 500;

    // The keyboard stays quiet this long, in milliseconds, before a key acts again.
    static constexpr std::uint32_t KeyGuardMs = 100;

    explicit TFrmTumbalo(TPlayServices Services, QWidget* Parent = nullptr);
    ~TFrmTumbalo() override;

    // --- Event handlers ------------------------------------------------------------------------

    // One key event, by virtual-key code (see VirtualKeys): acts through HandleKey when more
    // than 100 ms passed since the previous key event, and is dropped otherwise. Either way the
    // key is marked as handled (Key := 0) and the guard starts anew from the clock read after
    // the action.
    void FormKeyDown(int& Key);
    // The pointer at (X, Y) in the window's coordinates.
    void FormMouseMove(int X, int Y);
    // The pointer at (X, Y) relative to the label, or to the picture.
    void Label1MouseMove(int X, int Y);
    void cxDBImage1MouseMove(int X, int Y);
    // A button pressed on the label: left and middle show the next entry, right cycles the
    // label's colour.
    void Label1MouseDown(Qt::MouseButton Button);
    // The wheel turned by WheelDelta (120 a usual notch): the label's font grows or shrinks by
    // WheelDelta / 10 points, kept between 8 and 500.
    void FormMouseWheel(int WheelDelta);
    void Timer1Timer();
    // The window is closing: a list with entries is written back without a question (an
    // untitled one asks for a name). A failing save keeps the window open and shows why, so
    // nothing is lost; a cancelled name dialog closes anyway. Gives whether the window may close.
    bool FormClose();

    // --- Operations ----------------------------------------------------------------------------

    void ShowWord();
    void ShowNextWord();
    void ShowPriorWord();
    void SpeakWord(bool Force);
    void CycleWordColor();
    void UpdatePicture();
    void PlaceLabel(int X, int Y);
    int ClampPosition(int Value, int Limit) const;
    void SetFullShow(bool Value);
    void ShowHelp();
    void HandleKey(int Key);
    void HandleWordKey(int Key);
    // F2: the editor window, modally. Afterwards the timer takes the editor's interval and the
    // label its font face; a list opened from the editor brings its own settings instead.
    void ShowEditor();

    // Opens the start file through the editor: Argument when it is not empty, else a new
    // untitled name beside the program. An error while opening is shown through the message
    // boxes and the window goes on with an empty list. The label reads "Loading..." meanwhile.
    void LoadStartFile(const QString& Argument);

    // The open list's display settings: full screen unless "IsFullShow" reads "False" (any
    // letter case), the font face (an empty one keeps the face; the face then in effect goes
    // to the editor) and the font size (160 when missing or not a number).
    void LoadDisplaySettings();
    // The timer's interval from "AutoRunInterval" (2000 when missing or not a number), shown in
    // the editor as well; whether automatic play is on does not change.
    void LoadAutoRunInterval();
    // Listener "MainFormSetting" after an archive was opened: the settings above, unless the
    // editor is shown (ShowEditor applies them when it closes).
    void ReloadSettings(TWordData* Data = nullptr);
    // Listener "MainFormSetting" before the list is saved: font size and face, full screen and,
    // only when windowed, the window's size (without its frame, as full screen restores it),
    // the current word and the interval.
    void SaveSettings(TWordData* Data = nullptr);
    // The label's font face; an empty name changes nothing, a longer one than 31 characters
    // is cut.
    void SetLabelFontName(const QString& FontName);
    QString LabelFontName() const;
    // Makes the desktop open ".tlo" files with this program, only when the program was started
    // without a file. A failure is shown as a warning; the program goes on.
    void AssociateFileType(const QString& Argument);

    // The answer to another copy's copy-data query: this copy's handle when the path it carries
    // equals the open list's file name without regard to ASCII letter case, else 0.
    std::uint32_t WMCopyData(const InstanceChannel::TCopyDataStruct& Block);
    // Another copy asked this one to come to the front: un-minimise, raise and activate the
    // window, then raise its modal window (help or editor) above it when one is open.
    void RestoreFromOtherCopy();

    // --- State, for the ties and for tests -----------------------------------------------------

    TMWord& Word() { return *FWord; }
    TFrmEditor* Editor() const { return FEditor.get(); }
    TWordView* WordView() const;
    QLabel* Label() const { return lblWord; }
    TPictureBox* Picture() const { return cxImage1; }
    TPictureCache* PictureCache() const { return FPictureCache; }
    QTimer* AutoPlayTimer() const { return Timer1; }
    int ColorIndex() const { return FColorIndex; }
    bool FullShow() const { return FFullShow; }
    bool TextMayLeave() const { return FTextMayLeave; }
    bool ShowPictures() const { return FShowPicture; }
    bool Speaking() const { return FSpeak; }
    // Automatic play is on (F9); the timer then ticks when its interval is above 0.
    bool AutoPlay() const { return FAutoPlay; }
    // The automatic-play interval in milliseconds; 0 means the timer never ticks.
    void SetAutoRunInterval(int Milliseconds);
    int AutoRunInterval() const { return FInterval; }
    // The colour value the background was last painted with.
    std::uint32_t BackColor() const { return FBackColor; }
    int LabelFontSize() const;
    void SetLabelFontSize(int Points);
    // The size full screen goes back to: the list's stored windowed size, or 300 x 200.
    QSize StoredWindowedSize() const;

protected:
    bool event(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void ApplyTimer();
    // Starts decoding the picture of the entry after the current one.
    void PrefetchNextPicture();

    // In declaration order, as the window keeps its state.
    int FColorIndex = 0;
    bool FFullShow = false;
    bool FTextMayLeave = false;
    bool FShowPicture = true;
    bool FSpeak = true;
    std::uint32_t FLastKeyTick = 0;

    const Clock& FClock;
    MessageBoxes* FBoxes;
    KeyboardLock* FLock;
    bool FAutoPlay = false;
    int FInterval = 2000;
    std::uint32_t FBackColor = 0xFF00000F;

    TPictureBox* cxImage1; // Qt child, below the label
    QLabel* lblWord; // Qt child
    QTimer* Timer1; // Qt child
    TPictureCache* FPictureCache; // Qt child
    std::unique_ptr<TFrmEditor> FEditor; // a window of its own, hidden until F2
    std::unique_ptr<TMWord> FWord; // walks the editor's word view: made after it, freed before
};
