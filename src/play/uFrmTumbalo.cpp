#include "uFrmTumbalo.h"

#include "Clock.h"
#include "Error.h"
#include "KeyboardLock.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "SoundDevice.h"
#include "SpeechEngine.h"
#include "VirtualKeys.h"
#include "uColorValue.h"
#include "uFrmEditor.h"
#include "uFrmHelp.h"
#include "uINIFileForEXE.h"
#include "uLogHandler.h"
#include "uMWord.h"
#include "uPictureBox.h"
#include "uRegExt.h"
#include "uTumbaloMain.h"
#include "uWindowFocus.h"
#include "uWordView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>

using namespace VirtualKeys;

namespace {

// The label's design state: a small red "0" before the first entry is shown.
const QString DesignCaption = QStringLiteral("0      ");
constexpr std::uint32_t DesignLabelColor = 0x000000FF;
constexpr int DesignFontSize = 8; // points; 11 pixels on a screen of 96 dots per inch
constexpr int DesignWidth = 467;
constexpr int DesignHeight = 355;

// What a list without these settings gets.
constexpr int DefaultFontSize = 160;
constexpr int DefaultInterval = 2000;
// Font face names are kept to this many characters.
constexpr int MaxFontNameLength = 31;
const QString ListenerName = QStringLiteral("MainFormSetting");

// An integer setting, or Default when it is missing or not a number.
int IntegerSetting(const QString& Key, int Default)
{
    bool Ok = false;
    const int Value = TIniFileForEXE::ReadString(Key).trimmed().toInt(&Ok);
    return Ok ? Value : Default;
}

void SetTextColor(QLabel* Label, std::uint32_t Value)
{
    QPalette Palette = Label->palette();
    Palette.setColor(QPalette::WindowText, ColorFromValue(Value, QApplication::palette()));
    Label->setPalette(Palette);
}

} // namespace

TFrmTumbalo::TFrmTumbalo(TPlayServices Services, QWidget* Parent)
    : QWidget(Parent)
    , FClock(Services.TickClock ? *Services.TickClock : SystemClock::Instance())
    , FBoxes(Services.Boxes)
    , FLock(Services.Lock)
    , cxImage1(new TPictureBox(this))
    , lblWord(new QLabel(this))
    , Timer1(new QTimer(this))
    , FPictureCache(new TPictureCache(this))
{
    TUMBALO_ASSERT(Services.Speech && Services.Sound, QStringLiteral("The play window needs speech and sound"));

    // 1. The window and its controls.
    setObjectName(QStringLiteral("FrmTumbalo"));
    cxImage1->setObjectName(QStringLiteral("cxImage1"));
    lblWord->setObjectName(QStringLiteral("lblWord"));
    Timer1->setObjectName(QStringLiteral("Timer1"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAutoFillBackground(true);
    resize(DesignWidth, DesignHeight);
    if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
        QRect Frame(QPoint(0, 0), size());
        Frame.moveCenter(Screen->availableGeometry().center());
        move(Frame.topLeft());
    }

    cxImage1->setMouseTracking(true);
    cxImage1->installEventFilter(this);
    cxImage1->hide();

    lblWord->setText(DesignCaption);
    lblWord->setAutoFillBackground(false); // transparent: the picture and colour show through
    lblWord->setAttribute(Qt::WA_TranslucentBackground);
    lblWord->setMouseTracking(true);
    lblWord->setFocusPolicy(Qt::NoFocus);
    lblWord->setTextFormat(Qt::PlainText);
    lblWord->installEventFilter(this);
    QFont Font = lblWord->font();
    Font.setPointSize(DesignFontSize);
    lblWord->setFont(Font);
    SetTextColor(lblWord, DesignLabelColor);
    lblWord->adjustSize();
    lblWord->raise(); // above the picture

    Timer1->setInterval(FInterval);
    connect(Timer1, &QTimer::timeout, this, &TFrmTumbalo::Timer1Timer);

    // 2. Switches and caption.
    FSpeak = true;
    FShowPicture = true;
    setWindowTitle(QStringLiteral("Tumbalo"));

    // 3. The keyboard lock, before anything else exists.
    if (FLock)
        FLock->BeginHook(this);

    // The editor window, hidden and without owner: its grid's view is the word view.
    FEditor = std::make_unique<TFrmEditor>(
        TEditorServices { Services.Boxes, Services.Dialogs, Services.Board, Services.Colors, Services.Progress });

    // 4. The presenter on the editor's word view; it makes the empty word list.
    FWord = std::make_unique<TMWord>(FEditor->WordView(), std::move(Services.Speech), std::move(Services.Sound), FClock,
        TWordDataServices { Services.Boxes, Services.Dialogs, Services.Board });
    // The editor's listeners "GridSetting" come first, so they run before the window's own.
    FEditor->SetWordPresenter(FWord.get());

    // 5. The empty list: an empty label on the button face, nothing spoken.
    ShowWord();

    // 6. The picture fills the client area.
    cxImage1->setGeometry(rect());

    // The program-wide log handler, beside the program.
    auto Log = std::make_unique<TLogHandler>(FBoxes);
    Log->SetFileName(ProgramFolder() + QStringLiteral("Log.log"));
    ReplaceLogHandler(std::move(Log));

    // The window's settings travel with each word list.
    TWordData& Data = FWord->WordData();
    Data.BeforeSaveNotifier().AddListener(ListenerName, &TFrmTumbalo::SaveSettings, this);
    Data.AfterOpenNotifier().AddListener(ListenerName, &TFrmTumbalo::ReloadSettings, this);
}

TFrmTumbalo::~TFrmTumbalo()
{
    Timer1->stop();
    FWord.reset(); // the word list and its working folder, the voice, the player
    FEditor.reset(); // with the word view the presenter walked
    if (FLock)
        FLock->EndHook();
    TWordData::CleanWorkRoot();
}

// --- Event handlers --------------------------------------------------------------------------

void TFrmTumbalo::FormKeyDown(int& Key)
{
    if (TicksBetween(FLastKeyTick, FClock.TickCount()) > KeyGuardMs)
        HandleKey(Key);
    Key = 0;
    FLastKeyTick = FClock.TickCount();
}

void TFrmTumbalo::FormMouseMove(int X, int Y)
{
    PlaceLabel(X, Y);
}

void TFrmTumbalo::Label1MouseMove(int X, int Y)
{
    PlaceLabel(X + lblWord->x(), Y + lblWord->y());
}

void TFrmTumbalo::cxDBImage1MouseMove(int X, int Y)
{
    PlaceLabel(X + cxImage1->x(), Y + cxImage1->y());
}

void TFrmTumbalo::Label1MouseDown(Qt::MouseButton Button)
{
    if (Button == Qt::LeftButton || Button == Qt::MiddleButton)
        ShowNextWord();
    else if (Button == Qt::RightButton)
        CycleWordColor();
}

void TFrmTumbalo::FormMouseWheel(int WheelDelta)
{
    const int Size = LabelFontSize() + WheelDelta / 10; // truncates toward zero
    SetLabelFontSize(std::clamp(Size, MinFontSize, MaxFontSize));
}

void TFrmTumbalo::Timer1Timer()
{
    ShowNextWord();
}

bool TFrmTumbalo::FormClose()
{
    TWordData& Data = FWord->WordData();
    try {
        Data.SetModified(true);
        if (Data.IsEmpty())
            return true;
        // A cancelled name dialog leaves the list untitled and the window closes; a named
        // list that could not be written keeps the window open (the collection showed why).
        if (!Data.SaveIfModified(false) && !Data.IsUntitled())
            return false;
    } catch (const std::exception& Failure) {
        if (FBoxes)
            FBoxes->ShowError(ErrorText(Failure));
        return false;
    }
    return true;
}

// --- Operations ------------------------------------------------------------------------------

void TFrmTumbalo::ShowWord()
{
    lblWord->setText(FWord->GetWordText());
    lblWord->adjustSize();
    UpdatePicture();
    FBackColor = FWord->GetBackColor();
    QPalette Palette = palette();
    Palette.setColor(QPalette::Window, ColorFromValue(FBackColor, QApplication::palette()));
    setPalette(Palette);
    repaint(); // on screen now: speaking blocks the window
    PrefetchNextPicture(); // decoded while the word is spoken
    SpeakWord(false);
}

void TFrmTumbalo::ShowNextWord()
{
    FWord->Next();
    ShowWord();
}

void TFrmTumbalo::ShowPriorWord()
{
    FWord->Prior();
    ShowWord();
}

void TFrmTumbalo::SpeakWord(bool Force)
{
    if (Force || FSpeak)
        FWord->SpeakCurrent();
}

void TFrmTumbalo::CycleWordColor()
{
    FColorIndex = (FColorIndex + 1) % int(WordColors.size());
    SetTextColor(lblWord, WordColors[std::size_t(FColorIndex)]);
    SpeakWord(false);
}

void TFrmTumbalo::UpdatePicture()
{
    QImage Original;
    QImage Scaled;
    if (FShowPicture && FWord->HasPicture()) {
        // A picture decoded ahead is used as it is; otherwise the presenter decodes it now.
        if (!FPictureCache->Find(FWord->WordData().PhotoFileName(), cxImage1->size(), Original, Scaled))
            Original = FWord->DisplayPicture();
    }
    cxImage1->SetPicture(Original, Scaled);
    cxImage1->setVisible(!Original.isNull());
}

void TFrmTumbalo::PrefetchNextPicture()
{
    if (!FShowPicture)
        return;
    TWordView* View = WordView();
    const int Rows = View->rowCount();
    const int Row = View->FocusedRow();
    if (Rows < 2 || Row < 0)
        return;
    const qint32 RowID = View->RowIDAt((Row + 1) % Rows);
    TWordData& Data = FWord->WordData();
    if (Data.HasPhotoOf(RowID))
        FPictureCache->Prefetch(Data.PhotoFileNameOf(RowID), cxImage1->size());
}

void TFrmTumbalo::PlaceLabel(int X, int Y)
{
    const int W = lblWord->width();
    const int H = lblWord->height();
    const QSize Outer = frameGeometry().size();
    lblWord->move(ClampPosition(X - W / 2, Outer.width() - W), ClampPosition(Y - H / 2, Outer.height() - H));
}

int TFrmTumbalo::ClampPosition(int Value, int Limit) const
{
    if (FTextMayLeave)
        return Value;
    return std::min(std::max(0, Value), Limit);
}

void TFrmTumbalo::SetFullShow(bool Value)
{
    FFullShow = Value;
    const bool WasVisible = isVisible();
    if (Value) {
        // Borderless first, then the whole screen. Without a window manager nobody acts on
        // the full-screen state, so the geometry is set to the screen's as well.
        setWindowFlag(Qt::FramelessWindowHint, true);
        setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) | Qt::WindowFullScreen);
        const QRect Screen = screen()->geometry();
        setGeometry(Screen);
        if (WasVisible) {
            show();
            setGeometry(Screen);
        }
    } else {
        setWindowState(windowState() & ~(Qt::WindowFullScreen | Qt::WindowMaximized | Qt::WindowMinimized));
        resize(StoredWindowedSize());
        setWindowFlag(Qt::FramelessWindowHint, false);
        if (WasVisible)
            show();
    }
}

void TFrmTumbalo::ShowHelp()
{
    TFrmHelp Help(this);
    Help.exec();
}

void TFrmTumbalo::HandleKey(int Key)
{
    switch (Key) {
    case VK_ESCAPE:
        close();
        break;
    case VK_F1:
        ShowHelp();
        break;
    case VK_F2:
        ShowEditor();
        break;
    case VK_F10:
        showMinimized();
        break;
    case VK_F11:
        FTextMayLeave = !FTextMayLeave;
        PlaceLabel(lblWord->x(), lblWord->y());
        break;
    case VK_F12:
        SetFullShow(!FFullShow);
        break;
    default:
        HandleWordKey(Key);
        break;
    }
}

void TFrmTumbalo::HandleWordKey(int Key)
{
    if (FWord->GetWordText().isEmpty())
        return;
    TWordData& Data = FWord->WordData();
    switch (Key) {
    case VK_RETURN:
        SpeakWord(true);
        break;
    case VK_LEFT:
    case VK_UP:
        ShowPriorWord();
        break;
    case VK_4:
        Data.MarkWordFailed();
        break;
    case VK_5:
        Data.MarkPicFailed();
        break;
    case VK_F4:
        Data.MarkWordRead();
        break;
    case VK_F5:
        Data.MarkPicRead();
        break;
    case VK_F6:
        lblWord->setHidden(!lblWord->isHidden());
        break;
    case VK_F7:
        FShowPicture = !FShowPicture;
        UpdatePicture();
        break;
    case VK_F8:
        FSpeak = !FSpeak;
        break;
    case VK_F9:
        FAutoPlay = !FAutoPlay;
        ApplyTimer();
        break;
    default:
        ShowNextWord();
        break;
    }
}

void TFrmTumbalo::ShowEditor()
{
    FEditor->SetFileOpened(false);
    FEditor->exec();
    SetAutoRunInterval(FEditor->GetInterval());
    SetLabelFontName(FEditor->GetFontName());
    // A list opened from the editor brings its own display settings and interval.
    if (FEditor->FileOpened())
        ReloadSettings();
    FPictureCache->Clear(); // pictures may have changed, or the whole list
    ShowWord();
}

void TFrmTumbalo::LoadDisplaySettings()
{
    // 1. Full screen unless the list says "False".
    const QString FullShow = TIniFileForEXE::ReadString(QStringLiteral("IsFullShow"));
    SetFullShow(FullShow.compare(QStringLiteral("False"), Qt::CaseInsensitive) != 0);
    // 2. The font face, and the face in effect for the editor's font list.
    SetLabelFontName(TIniFileForEXE::ReadString(QStringLiteral("FontName")));
    FEditor->SetFontName(LabelFontName());
    // 3. The font size, without bounds.
    SetLabelFontSize(IntegerSetting(QStringLiteral("FontSize"), DefaultFontSize));
}

void TFrmTumbalo::LoadAutoRunInterval()
{
    SetAutoRunInterval(IntegerSetting(QStringLiteral("AutoRunInterval"), DefaultInterval));
    FEditor->SetInterval(AutoRunInterval());
}

void TFrmTumbalo::ReloadSettings(TWordData*)
{
    if (FEditor->isVisible())
        return;
    LoadDisplaySettings();
    LoadAutoRunInterval();
}

void TFrmTumbalo::SaveSettings(TWordData*)
{
    TIniFileForEXE::WriteString(QStringLiteral("FontSize"), QString::number(LabelFontSize()));
    TIniFileForEXE::WriteString(QStringLiteral("FontName"), LabelFontName());
    TIniFileForEXE::WriteString(
        QStringLiteral("IsFullShow"), FFullShow ? QStringLiteral("True") : QStringLiteral("False"));
    if (!FFullShow) {
        // The size SetFullShow gives back, the window without its frame: a list saved and
        // opened again keeps its window, rather than growing by the frame every time.
        TIniFileForEXE::WriteString(QStringLiteral("MainFormWidth"), QString::number(width()));
        TIniFileForEXE::WriteString(QStringLiteral("MainFormHeight"), QString::number(height()));
    }
    TIniFileForEXE::WriteString(QStringLiteral("FirstWord"), FWord->GetWordText());
    TIniFileForEXE::WriteString(QStringLiteral("AutoRunInterval"), QString::number(AutoRunInterval()));
}

void TFrmTumbalo::SetLabelFontName(const QString& FontName)
{
    if (FontName.isEmpty())
        return;
    QFont Font = lblWord->font();
    Font.setFamily(FontName.left(MaxFontNameLength));
    lblWord->setFont(Font);
    lblWord->adjustSize();
}

QString TFrmTumbalo::LabelFontName() const
{
    return lblWord->font().family();
}

void TFrmTumbalo::LoadStartFile(const QString& Argument)
{
    lblWord->setText(QStringLiteral("Loading..."));
    lblWord->adjustSize();
    const QString Name = Argument.isEmpty() ? TWordData::NewUntitledName() : Argument;
    FPictureCache->Clear();
    try {
        FEditor->OpenWordFile(Name);
    } catch (const std::exception& Failure) {
        // The list cannot be read: say why and go on with what the collection holds now
        // (an empty list), rather than ending the program.
        if (FBoxes)
            FBoxes->ShowError(ErrorText(Failure));
    }
    ShowWord();
}

void TFrmTumbalo::AssociateFileType(const QString& Argument)
{
    if (!Argument.isEmpty())
        return;
    try {
        TRegExt::RegisterExtension(QStringLiteral(".tlo"), ProgramPath(), QStringLiteral("tlo_auto_file"));
    } catch (const std::exception& Failure) {
        if (FBoxes)
            FBoxes->ShowWarning(ErrorText(Failure));
    }
}

std::uint32_t TFrmTumbalo::WMCopyData(const InstanceChannel::TCopyDataStruct& Block)
{
    const QByteArray Path = InstanceChannel::CopyDataPath(Block);
    if (Path.isEmpty())
        return 0;
    return SameTextAscii(Path, FWord->WordData().FileName().toUtf8()) ? InstanceChannel::OwnHandle() : 0;
}

void TFrmTumbalo::RestoreFromOtherCopy()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    BringToFront(this);
    QWidget* Popup = QApplication::activeModalWidget();
    if (Popup && Popup != this && Popup->isVisible() && Popup->isEnabled())
        BringToFront(Popup);
}

// --- State -----------------------------------------------------------------------------------

TWordView* TFrmTumbalo::WordView() const
{
    return FEditor->WordView();
}

void TFrmTumbalo::SetAutoRunInterval(int Milliseconds)
{
    FInterval = std::max(0, Milliseconds);
    ApplyTimer();
}

void TFrmTumbalo::ApplyTimer()
{
    // An interval of 0 never ticks, as a timer without interval does nothing.
    if (FAutoPlay && FInterval > 0) {
        if (!Timer1->isActive() || Timer1->interval() != FInterval)
            Timer1->start(FInterval);
    } else {
        Timer1->stop();
        Timer1->setInterval(FInterval);
    }
}

int TFrmTumbalo::LabelFontSize() const
{
    return lblWord->font().pointSize();
}

void TFrmTumbalo::SetLabelFontSize(int Points)
{
    QFont Font = lblWord->font();
    Font.setPointSize(std::max(1, Points));
    lblWord->setFont(Font);
    lblWord->adjustSize();
}

QSize TFrmTumbalo::StoredWindowedSize() const
{
    return { IntegerSetting(QStringLiteral("MainFormWidth"), DefaultWindowedWidth),
        IntegerSetting(QStringLiteral("MainFormHeight"), DefaultWindowedHeight) };
}

// --- Qt events -------------------------------------------------------------------------------

bool TFrmTumbalo::event(QEvent* Event)
{
    // Every key, Tab included, is the child's: none moves the focus.
    if (Event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(Event));
        return true;
    }
    return QWidget::event(Event);
}

void TFrmTumbalo::keyPressEvent(QKeyEvent* Event)
{
    int Key = VirtualKeys::FromQt(*Event);
    FormKeyDown(Key);
    Event->accept();
}

void TFrmTumbalo::mouseMoveEvent(QMouseEvent* Event)
{
    const QPoint Point = Event->position().toPoint();
    FormMouseMove(Point.x(), Point.y());
}

void TFrmTumbalo::wheelEvent(QWheelEvent* Event)
{
    FormMouseWheel(Event->angleDelta().y());
    Event->ignore(); // not marked as handled
}

void TFrmTumbalo::closeEvent(QCloseEvent* Event)
{
    if (FormClose())
        Event->accept();
    else
        Event->ignore();
}

void TFrmTumbalo::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    cxImage1->setGeometry(rect());
}

bool TFrmTumbalo::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == lblWord || Watched == cxImage1) {
        if (Event->type() == QEvent::MouseMove) {
            const QPoint Point = static_cast<QMouseEvent*>(Event)->position().toPoint();
            if (Watched == lblWord)
                Label1MouseMove(Point.x(), Point.y());
            else
                cxDBImage1MouseMove(Point.x(), Point.y());
            return true;
        }
        if (Event->type() == QEvent::MouseButtonPress && Watched == lblWord) {
            Label1MouseDown(static_cast<QMouseEvent*>(Event)->button());
            return true;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}
