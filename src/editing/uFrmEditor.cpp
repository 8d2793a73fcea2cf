#include "uFrmEditor.h"

#include "Clipboard.h"
#include "ColorDialogs.h"
#include "Error.h"
#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "ProgressRunner.h"
#include "QtColorDialogs.h"
#include "QtProgressRunner.h"
#include "uColorValue.h"
#include "uEditorControls.h"
#include "uFrmAudio.h"
#include "uINIFileForEXE.h"
#include "uMWord.h"
#include "uTableModel.h"
#include "uWordData.h"
#include "uWordView.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>
#include <cstdint>
#include <cstdlib>

const QString TFrmEditor::OpenFilter = QStringLiteral("Tumbalo(*.tlo)|*.tlo");
const QString TFrmEditor::AppendFilter = QStringLiteral("Tumbalo(*.tlo)|*.tlo|All file(*.*)|*.*");
const QString TFrmEditor::ExportFilter = QStringLiteral("Tumbalo(*.tlo)|*.tlo|Text file(*.txt)|*.txt");
const QString TFrmEditor::DefaultFontName = QStringLiteral("MS Sans Serif");
const QString TFrmEditor::ListenerName = QStringLiteral("GridSetting");
const QString TFrmEditor::GridLayoutFile = QStringLiteral("Grid.ini");
const QString TFrmEditor::GridFilterFile = QStringLiteral("Grid.Flt");

namespace {

const QString WordField = QStringLiteral("Word");
const QString CategoryField = QStringLiteral("Category");
const QString StatusField = QStringLiteral("Status");
const QString RowIDField = QStringLiteral("RowID");
const QString BackColorField = QStringLiteral("BackColor");

// The row indicator at the left of the grid: an empty strip with a marker at the focused row,
// rather than the row numbers, which would be the table's and jump about under a filter.
class TRowIndicator final : public QHeaderView
{
public:
    explicit TRowIndicator(QWidget* Parent)
        : QHeaderView(Qt::Vertical, Parent)
    {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(true);
        setHighlightSections(false);
    }

    QSize sizeHint() const override { return { 14, QHeaderView::sizeHint().height() }; }

protected:
    void paintSection(QPainter* Painter, const QRect& Rect, int LogicalIndex) const override
    {
        Painter->save();
        Painter->fillRect(Rect, palette().color(QPalette::Button));
        Painter->setPen(palette().color(QPalette::Mid));
        Painter->drawLine(Rect.bottomLeft(), Rect.bottomRight());
        Painter->drawLine(Rect.topRight(), Rect.bottomRight());
        const QModelIndex Current = selectionModel() ? selectionModel()->currentIndex() : QModelIndex();
        if (Current.isValid() && Current.row() == LogicalIndex) {
            const QPoint Middle = Rect.center();
            const QPolygon Marker { QPoint(Middle.x() - 2, Middle.y() - 4), QPoint(Middle.x() + 2, Middle.y()),
                QPoint(Middle.x() - 2, Middle.y() + 4) };
            Painter->setBrush(palette().color(QPalette::ButtonText));
            Painter->setPen(Qt::NoPen);
            Painter->drawPolygon(Marker);
        }
        Painter->restore();
    }
};

// An integer setting, or Default when it is missing or not a number.
int IntegerSetting(const QString& Key, int Default)
{
    bool Ok = false;
    const int Value = TIniFileForEXE::ReadString(Key).trimmed().toInt(&Ok);
    return Ok ? Value : Default;
}

// A filter list's index as stored: 0, 1 or 2; anything else is 0 ("全部").
int FilterIndexSetting(const QString& Key)
{
    const int Value = IntegerSetting(Key, 0);
    return Value >= 0 && Value <= 2 ? Value : 0;
}

QPushButton* MakeButton(const QString& Name, const QString& Caption, QWidget* Parent)
{
    auto* Button = new QPushButton(Caption, Parent);
    Button->setObjectName(Name);
    // Enter in a box posts the box; it must not press a button as well.
    Button->setAutoDefault(false);
    return Button;
}

// A button that stands for an action: its caption, its enabled state and its click.
void BindButton(QPushButton* Button, QAction* Action)
{
    Button->setText(Action->text());
    Button->setEnabled(Action->isEnabled());
    QObject::connect(Button, &QPushButton::clicked, Action, &QAction::trigger);
    QObject::connect(Action, &QAction::changed, Button, [Button, Action] {
        Button->setText(Action->text());
        Button->setEnabled(Action->isEnabled());
    });
}

bool SameFile(const QString& A, const QString& B)
{
    if (A.isEmpty() || B.isEmpty())
        return false;
    return QFileInfo(A).absoluteFilePath() == QFileInfo(B).absoluteFilePath();
}

} // namespace

TFrmEditor::TFrmEditor(TEditorServices Services, QWidget* Parent)
    : QDialog(Parent)
    , FServices(Services)
    , FView(new TWordView(this))
    , FRecordViewUpdate(new QTimer(this))
    , FActionPoll(new QTimer(this))
{
    setObjectName(QStringLiteral("FrmEditor"));
    FView->setObjectName(QStringLiteral("cxGrid1DBTableView1"));
    if (!FServices.Colors) {
        FOwnColors = std::make_unique<QtColorDialogs>(this);
        FServices.Colors = FOwnColors.get();
    }
    if (!FServices.Progress) {
        FOwnProgress = std::make_unique<QtProgressRunner>(this);
        FServices.Progress = FOwnProgress.get();
    }
    FRecordViewUpdate->setSingleShot(true);
    FRecordViewUpdate->setInterval(0);
    connect(FRecordViewUpdate, &QTimer::timeout, this, &TFrmEditor::CatchUpWithView);
    FActionPoll->setInterval(250);
    connect(FActionPoll, &QTimer::timeout, this, &TFrmEditor::actSaveUpdate);
    BuildActions();
    BuildWindow();
    FormCreate();
}

TFrmEditor::~TFrmEditor()
{
    // The controls go after this part of the window, and the presenter may be gone already:
    // nothing they announce on the way out (a box losing the focus) may reach the window.
    for (QObject* Child : findChildren<QObject*>())
        QObject::disconnect(Child, nullptr, this, nullptr);
    MWord = nullptr;
    FRecordViewUpdate->stop();
    FActionPoll->stop();
    FormDestroy();
}

// --- The window ------------------------------------------------------------------------------

void TFrmEditor::BuildActions()
{
    const auto Make = [this](const QString& Name, const QString& Caption, const QKeySequence& Shortcut) {
        auto* Action = new QAction(Caption, this);
        Action->setObjectName(Name);
        Action->setShortcut(Shortcut);
        Action->setShortcutContext(Qt::WindowShortcut);
        addAction(Action);
        return Action;
    };
    actSave = Make(QStringLiteral("actSave"), QString::fromUtf8("保存"), QKeySequence(Qt::CTRL | Qt::Key_S));
    actOpen = Make(QStringLiteral("actOpen"), QString::fromUtf8("打开"), QKeySequence());
    actNew = Make(QStringLiteral("actNew"), QString::fromUtf8("新建"), QKeySequence());
    actPasteLines
        = Make(QStringLiteral("actPasteLines"), QString::fromUtf8("多行粘帖"), QKeySequence(Qt::CTRL | Qt::Key_P));
    actDeleteDuplicate = Make(QStringLiteral("actDeleteDuplicate"), QString::fromUtf8("清除重复"), QKeySequence());

    connect(actSave, &QAction::triggered, this, &TFrmEditor::actSaveExecute);
    connect(actOpen, &QAction::triggered, this, &TFrmEditor::actOpenExecute);
    connect(actNew, &QAction::triggered, this, &TFrmEditor::actNewExecute);
    connect(actPasteLines, &QAction::triggered, this, &TFrmEditor::actPasteLinesExecute);
    connect(actDeleteDuplicate, &QAction::triggered, this, &TFrmEditor::actDeleteDuplicateExecute);
    actSave->setEnabled(false);
}

void TFrmEditor::BuildWindow()
{
    setWindowTitle(QStringLiteral("Editor"));
    resize(552, 625);
    if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
        QRect Frame(QPoint(0, 0), size());
        Frame.moveCenter(Screen->availableGeometry().center());
        move(Frame.topLeft());
    }

    auto* Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->setChildrenCollapsible(false);
    auto* Outer = new QHBoxLayout(this);
    Outer->setContentsMargins(4, 4, 4, 4);
    Outer->addWidget(Splitter);

    // --- The list side -----------------------------------------------------------------------
    auto* ListSide = new QWidget(Splitter);
    ListSide->setObjectName(QStringLiteral("ListPanel"));
    auto* ListLayout = new QVBoxLayout(ListSide);
    ListLayout->setContentsMargins(0, 0, 0, 0);

    auto* FilterBox = new QGroupBox(QStringLiteral("Filter"), ListSide);
    auto* FilterLayout = new QFormLayout(FilterBox);
    edWordFilter = new QLineEdit(FilterBox);
    edWordFilter->setObjectName(QStringLiteral("edWordFilter"));
    edPhotoFilter = new QComboBox(FilterBox);
    edPhotoFilter->setObjectName(QStringLiteral("edPhotoFilter"));
    edPhotoFilter->addItems({ QString::fromUtf8("全部"), QString::fromUtf8("有图片"), QString::fromUtf8("无图片") });
    edAudioFilter = new QComboBox(FilterBox);
    edAudioFilter->setObjectName(QStringLiteral("edAudioFilter"));
    edAudioFilter->addItems({ QString::fromUtf8("全部"), QString::fromUtf8("自定义"), QStringLiteral("TTS") });
    FilterLayout->addRow(QString::fromUtf8("词:"), edWordFilter);
    FilterLayout->addRow(QString::fromUtf8("图片:"), edPhotoFilter);
    FilterLayout->addRow(QString::fromUtf8("声音:"), edAudioFilter);
    ListLayout->addWidget(FilterBox);

    Navigator = new QWidget(ListSide);
    Navigator->setObjectName(QStringLiteral("Navigator"));
    auto* NavigatorLayout = new QHBoxLayout(Navigator);
    NavigatorLayout->setContentsMargins(0, 0, 0, 0);
    NavigatorLayout->setSpacing(1);
    const auto NavigatorButton = [this, NavigatorLayout](const QString& Name, const QString& Tip,
                                     QStyle::StandardPixmap Icon, const QString& Text) {
        auto* Button = new QToolButton(Navigator);
        Button->setObjectName(Name);
        Button->setToolTip(Tip);
        if (Text.isEmpty())
            Button->setIcon(style()->standardIcon(Icon));
        else
            Button->setText(Text);
        Button->setAutoRaise(true);
        NavigatorLayout->addWidget(Button);
        return Button;
    };
    QToolButton* First = NavigatorButton(
        QStringLiteral("NavigatorFirst"), QStringLiteral("First record"), QStyle::SP_MediaSkipBackward, QString());
    QToolButton* Prior = NavigatorButton(
        QStringLiteral("NavigatorPrior"), QStringLiteral("Prior record"), QStyle::SP_MediaSeekBackward, QString());
    QToolButton* Next = NavigatorButton(
        QStringLiteral("NavigatorNext"), QStringLiteral("Next record"), QStyle::SP_MediaSeekForward, QString());
    QToolButton* Last = NavigatorButton(
        QStringLiteral("NavigatorLast"), QStringLiteral("Last record"), QStyle::SP_MediaSkipForward, QString());
    QToolButton* Insert = NavigatorButton(
        QStringLiteral("NavigatorInsert"), QStringLiteral("Insert record"), QStyle::SP_CustomBase, QStringLiteral("+"));
    QToolButton* Append = NavigatorButton(QStringLiteral("NavigatorAppend"), QStringLiteral("Append record"),
        QStyle::SP_CustomBase, QStringLiteral("+|"));
    QToolButton* Delete = NavigatorButton(QStringLiteral("NavigatorDelete"), QStringLiteral("Delete record"),
        QStyle::SP_CustomBase, QString::fromUtf8("\u2212"));
    NavigatorLayout->addStretch();
    connect(First, &QToolButton::clicked, this, [this] { NavigatorMove(0); });
    connect(Prior, &QToolButton::clicked, this, [this] { NavigatorMove(std::max(0, FView->FocusedRow() - 1)); });
    connect(Next, &QToolButton::clicked, this,
        [this] { NavigatorMove(std::min(FView->rowCount() - 1, FView->FocusedRow() + 1)); });
    connect(Last, &QToolButton::clicked, this, [this] { NavigatorMove(FView->rowCount() - 1); });
    connect(Insert, &QToolButton::clicked, this, [this] { NavigatorInsert(false); });
    connect(Append, &QToolButton::clicked, this, [this] { NavigatorInsert(true); });
    connect(Delete, &QToolButton::clicked, this, &TFrmEditor::NavigatorDelete);

    cxGrid1 = new TEditorGrid(ListSide);
    cxGrid1->setObjectName(QStringLiteral("cxGrid1"));
    cxGrid1->setVerticalHeader(new TRowIndicator(cxGrid1));
    cxGrid1->setModel(FView);
    cxGrid1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    cxGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    cxGrid1->setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    cxGrid1->setWordWrap(false);
    cxGrid1->verticalHeader()->setDefaultSectionSize(cxGrid1->fontMetrics().height() + 6);
    QHeaderView* Header = cxGrid1->horizontalHeader();
    Header->setSectionsMovable(true);
    Header->setSortIndicatorClearable(false);
    Header->setSortIndicator(-1, Qt::AscendingOrder);
    Header->setStretchLastSection(false);
    cxGrid1->setSortingEnabled(true);
    ListLayout->addWidget(Navigator);
    ListLayout->addWidget(cxGrid1, 1);

    auto* Labels = new QHBoxLayout;
    lblRowCount = new QLabel(QStringLiteral("0"), ListSide);
    lblRowCount->setObjectName(QStringLiteral("lblRowCount"));
    lblCurrentIdx = new QLabel(QStringLiteral("0"), ListSide);
    lblCurrentIdx->setObjectName(QStringLiteral("lblCurrentIdx"));
    Labels->addWidget(new QLabel(QString::fromUtf8("行数:"), ListSide));
    Labels->addWidget(lblRowCount);
    Labels->addStretch();
    Labels->addWidget(new QLabel(QString::fromUtf8("当前行:"), ListSide));
    Labels->addWidget(lblCurrentIdx);
    ListLayout->addLayout(Labels);

    // --- The entry side ----------------------------------------------------------------------
    auto* EntrySide = new QWidget(Splitter);
    EntrySide->setObjectName(QStringLiteral("EntryPanel"));
    auto* EntryLayout = new QVBoxLayout(EntrySide);
    EntryLayout->setContentsMargins(0, 0, 0, 0);

    auto* Boxes = new QFormLayout;
    edWord = new QLineEdit(EntrySide);
    edWord->setObjectName(QStringLiteral("edWord"));
    edWord->setMaxLength(50);
    edCategory = new QLineEdit(EntrySide);
    edCategory->setObjectName(QStringLiteral("edCategory"));
    edCategory->setMaxLength(50);
    edStatus = new QLineEdit(EntrySide);
    edStatus->setObjectName(QStringLiteral("edStatus"));
    edStatus->setMaxLength(20);
    edColor = new TColorBox(EntrySide);
    edColor->setObjectName(QStringLiteral("edColor"));
    edColor->setAutoDefault(false);
    Boxes->addRow(QString::fromUtf8("字词"), edWord);
    Boxes->addRow(QString::fromUtf8("类目"), edCategory);
    Boxes->addRow(QString::fromUtf8("状态"), edStatus);
    Boxes->addRow(QString::fromUtf8("背景颜色"), edColor);
    EntryLayout->addLayout(Boxes);

    auto* ClipRow = new QHBoxLayout;
    btnPlay = new QToolButton(EntrySide);
    btnPlay->setObjectName(QStringLiteral("btnPlay"));
    btnPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    btnPlay->setIconSize(QSize(19, 19));
    btnPlay->setAutoRaise(true);
    btnAudio = MakeButton(QStringLiteral("btnAudio"), QString::fromUtf8("编辑音频..."), EntrySide);
    ClipRow->addWidget(new QLabel(QString::fromUtf8("读词"), EntrySide));
    ClipRow->addWidget(btnPlay);
    ClipRow->addWidget(btnAudio);
    ClipRow->addStretch();
    EntryLayout->addLayout(ClipRow);

    auto* PictureRow = new QHBoxLayout;
    btnClearPhoto = MakeButton(QStringLiteral("btnClearPhoto"), QString::fromUtf8("清除图片"), EntrySide);
    btnPaste = MakeButton(QStringLiteral("btnPaste"), QString::fromUtf8("粘贴图片"), EntrySide);
    btnCopyImage = MakeButton(QStringLiteral("btnCopyImage"), QString::fromUtf8("复制图片"), EntrySide);
    PictureRow->addWidget(btnClearPhoto);
    PictureRow->addWidget(btnPaste);
    PictureRow->addWidget(btnCopyImage);
    EntryLayout->addLayout(PictureRow);

    cxImage1 = new TPictureView(EntrySide);
    cxImage1->setObjectName(QStringLiteral("cxImage1"));
    cxImage1->setMinimumSize(120, 120);
    cxImage1->setEnabled(false);
    EntryLayout->addWidget(cxImage1, 1);

    auto* VoiceRow = new QFormLayout;
    edVoiceList = new QComboBox(EntrySide);
    edVoiceList->setObjectName(QStringLiteral("edVoiceList"));
    edVoiceList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    edVoiceList->setMinimumContentsLength(12);
    VoiceRow->addRow(QString::fromUtf8("语音选择"), edVoiceList);
    EntryLayout->addLayout(VoiceRow);

    btnSpeak = MakeButton(QStringLiteral("btnSpeak"), QStringLiteral("Speak"), EntrySide);
    btnExport = MakeButton(QStringLiteral("btnExport"), QString::fromUtf8("导出..."), EntrySide);
    btnAppendFrom = MakeButton(QStringLiteral("btnAppendFrom"), QString::fromUtf8("添加自..."), EntrySide);
    btnFromFolder = MakeButton(QStringLiteral("btnFromFolder"), QStringLiteral("From folder"), EntrySide);
    btnSave = MakeButton(QStringLiteral("btnSave"), QString(), EntrySide);
    cxButton1 = MakeButton(QStringLiteral("cxButton1"), QString(), EntrySide);
    btnNew = MakeButton(QStringLiteral("btnNew"), QString(), EntrySide);
    cxButton2 = MakeButton(QStringLiteral("cxButton2"), QString(), EntrySide);
    BindButton(btnSave, actSave);
    BindButton(cxButton1, actOpen);
    BindButton(btnNew, actNew);
    BindButton(cxButton2, actDeleteDuplicate);
    auto* Commands = new QGridLayout;
    Commands->addWidget(btnSpeak, 0, 0);
    Commands->addWidget(btnExport, 0, 1);
    Commands->addWidget(btnAppendFrom, 1, 0);
    Commands->addWidget(btnFromFolder, 1, 1);
    Commands->addWidget(btnSave, 2, 0);
    Commands->addWidget(cxButton1, 2, 1);
    Commands->addWidget(btnNew, 3, 0);
    Commands->addWidget(cxButton2, 3, 1);
    EntryLayout->addLayout(Commands);

    auto* Settings = new QGroupBox(QString::fromUtf8("设置"), EntrySide);
    auto* SettingsLayout = new QFormLayout(Settings);
    edInterval = new QSpinBox(Settings);
    edInterval->setObjectName(QStringLiteral("edInterval"));
    edInterval->setRange(0, INT_MAX);
    edInterval->setSingleStep(500);
    edInterval->setValue(DefaultInterval);
    edFontName = new QFontComboBox(Settings);
    edFontName->setObjectName(QStringLiteral("edFontName"));
    edFontName->setEditable(true);
    edFontName->setInsertPolicy(QComboBox::NoInsert);
    edFontName->setCurrentText(DefaultFontName);
    SettingsLayout->addRow(QString::fromUtf8("间隔时间:"), edInterval);
    SettingsLayout->addRow(QString::fromUtf8("字体:"), edFontName);
    EntryLayout->addWidget(Settings);

    Splitter->addWidget(ListSide);
    Splitter->addWidget(EntrySide);
    Splitter->setStretchFactor(0, 0);
    Splitter->setStretchFactor(1, 1);
    Splitter->setSizes({ 250, 302 });

    // --- Wiring ------------------------------------------------------------------------------
    // After setModel: the header and the view react to a reset before the editor does.
    connect(FView, &QAbstractItemModel::modelAboutToBeReset, this, &TFrmEditor::ViewAboutToBeReset);
    connect(FView, &QAbstractItemModel::modelReset, this, &TFrmEditor::ViewWasReset);
    connect(FView, &TWordView::FocusedRowChanged, this, &TFrmEditor::ScheduleRecordView);
    connect(cxGrid1->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex& Current) { GridCurrentChanged(Current); });
    connect(FView, &QAbstractItemModel::dataChanged, this, &TFrmEditor::ScheduleRecordView);
    connect(FView, &QAbstractItemModel::rowsInserted, this, &TFrmEditor::ScheduleRecordView);
    connect(FView, &QAbstractItemModel::rowsRemoved, this, &TFrmEditor::ScheduleRecordView);
    connect(cxGrid1, &TEditorGrid::MouseDown, this, &TFrmEditor::cxGrid1DBTableView1MouseDown);
    connect(cxGrid1, &TEditorGrid::MouseMove, this, &TFrmEditor::cxGrid1DBTableView1MouseMove);
    connect(cxGrid1, &TEditorGrid::MouseUp, this, &TFrmEditor::cxGrid1DBTableView1MouseUp);

    connect(edWordFilter, &QLineEdit::textChanged, this, &TFrmEditor::edWordFilterPropertiesChange);
    connect(edPhotoFilter, &QComboBox::currentIndexChanged, this, &TFrmEditor::edPhotoFilterPropertiesChange);
    connect(edAudioFilter, &QComboBox::currentIndexChanged, this, &TFrmEditor::edPhotoFilterPropertiesChange);
    connect(edVoiceList, &QComboBox::currentIndexChanged, this, &TFrmEditor::edVoiceListPropertiesChange);

    connect(edWord, &QLineEdit::editingFinished, this, [this] { PostBoxValue(WordField, edWord->text()); });
    connect(edCategory, &QLineEdit::editingFinished, this, [this] { PostBoxValue(CategoryField, edCategory->text()); });
    connect(edStatus, &QLineEdit::editingFinished, this, [this] { PostBoxValue(StatusField, edStatus->text()); });
    connect(edColor, &QPushButton::clicked, this, &TFrmEditor::edColorClick);
    connect(edColor, &TColorBox::Cleared, this, &TFrmEditor::edColorCleared);

    connect(btnPlay, &QToolButton::clicked, this, &TFrmEditor::btnPlayClick);
    connect(btnAudio, &QPushButton::clicked, this, &TFrmEditor::btnAudioClick);
    connect(btnClearPhoto, &QPushButton::clicked, this, &TFrmEditor::btnClearPhotoClick);
    connect(btnPaste, &QPushButton::clicked, this, &TFrmEditor::btnPasteClick);
    connect(btnCopyImage, &QPushButton::clicked, this, &TFrmEditor::btnCopyImageClick);
    connect(btnSpeak, &QPushButton::clicked, this, &TFrmEditor::btnSpeakClick);
    connect(btnExport, &QPushButton::clicked, this, &TFrmEditor::btnExportClick);
    connect(btnAppendFrom, &QPushButton::clicked, this, &TFrmEditor::btnAppendFromClick);
    connect(btnFromFolder, &QPushButton::clicked, this, &TFrmEditor::btnFromFolderClick);
}

template <typename TCommand> void TFrmEditor::Guarded(TCommand Command)
{
    try {
        Command();
    } catch (const std::exception& Failure) {
        if (FServices.Boxes)
            FServices.Boxes->ShowError(ErrorText(Failure));
    }
}

void TFrmEditor::RunWithProgress(
    const QString& Caption, bool CanCancel, const std::function<void(const TProgress&)>& Work)
{
    if (FServices.Progress)
        FServices.Progress->Run(Caption, CanCancel, Work);
    else
        Work(TProgress());
}

TWordData* TFrmEditor::Data() const
{
    return MWord ? &MWord->WordData() : nullptr;
}

const QStringList& TFrmEditor::GridFields()
{
    static const QStringList Fields { WordField, CategoryField, StatusField, RowIDField };
    return Fields;
}

int TFrmEditor::FieldColumn(const QString& FieldName) const
{
    const TTableModel* Model = FView->TableModel();
    return Model && FView->columnCount() > 0 ? Model->FieldColumn(FieldName) : -1;
}

QString TFrmEditor::FieldNameOf(int Column) const
{
    const TTableModel* Model = FView->TableModel();
    if (!Model || !Model->Table() || Column < 0 || Column >= Model->Table()->FieldCount()
        || Column >= FView->columnCount())
        return {};
    return Model->Table()->Fields()[static_cast<std::size_t>(Column)].Name;
}

// --- What the play window calls ----------------------------------------------------------------

void TFrmEditor::SetWordPresenter(TMWord* Presenter)
{
    TUMBALO_ASSERT(Presenter, QStringLiteral("The editor needs a presenter"));
    // 1. The presenter.
    MWord = Presenter;
    // 2. The audio clip window works with the same one.
    FFrmAudio->SetWordPresenter(Presenter);
    // 3. The voices, with the one in use selected (none when the voice follows the text).
    QStringList Names;
    MWord->GetVoiceNames(Names);
    {
        const QSignalBlocker Quiet(edVoiceList);
        edVoiceList->clear();
        edVoiceList->addItems(Names);
        edVoiceList->setCurrentIndex(MWord->CurrentVoiceIndex());
    }
    // 4. The grid's state goes into every saved archive and comes back with every opening.
    TWordData& Collection = MWord->WordData();
    Collection.BeforeSaveNotifier().AddListener(ListenerName, &TFrmEditor::SaveGridSetting, this);
    Collection.AfterOpenNotifier().AddListener(ListenerName, &TFrmEditor::LoadGridSetting, this);
    if (!FHeaderReady && FView->columnCount() > 0)
        ViewWasReset();
    UpdateCaption();
}

bool TFrmEditor::OpenWordFile(const QString& FileName)
{
    if (!MWord || TWordData::TrimBlanks(FileName).isEmpty())
        return false;
    PostPendingEdits();
    EndCellDrag();
    const bool Opened = MWord->OpenWordList(FileName);
    if (Opened)
        UpdateCaption();
    if (isVisible())
        UpdateRecordView();
    return Opened;
}

int TFrmEditor::GetInterval() const
{
    bool Ok = false;
    const int Value = edInterval->text().trimmed().toInt(&Ok);
    return Ok ? Value : DefaultInterval;
}

void TFrmEditor::SetInterval(int Milliseconds)
{
    edInterval->setValue(Milliseconds);
}

QString TFrmEditor::GetFontName() const
{
    return edFontName->currentText();
}

void TFrmEditor::SetFontName(const QString& FontName)
{
    edFontName->setCurrentText(FontName);
}

void TFrmEditor::UpdateCaption()
{
    // The list's own file name: after a save under a new name, or after an opening that was
    // called off at the question about unsaved changes, this is the file really open.
    const QString Name = Data() ? Data()->FileName() : QString();
    setWindowTitle(Name.isEmpty() ? QStringLiteral("Editor") : QStringLiteral("Editor--") + Name);
}

// --- Event handlers --------------------------------------------------------------------------

void TFrmEditor::FormCreate()
{
    FFrmAudio = new TFrmAudio(FServices.Dialogs, FServices.Boxes, this);
    // The grid's columns; the RowID column stays in the view, hidden, for the media filters.
    FLayout.Columns = { { WordField, 115, true }, { CategoryField, 54, true }, { StatusField, 55, true },
        { RowIDField, 0, false } };
    FLayout.SortField.clear();
    FLayout.SortDescending = false;
}

void TFrmEditor::FormDestroy()
{
    delete FFrmAudio;
    FFrmAudio = nullptr;
}

void TFrmEditor::FormShow()
{
    SyncGridToFocus();
    UpdateRecordView();
}

void TFrmEditor::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    FActionPoll->start();
    FormShow();
}

void TFrmEditor::hideEvent(QHideEvent* Event)
{
    FActionPoll->stop();
    Guarded([this] { PostPendingEdits(); });
    EndCellDrag();
    QDialog::hideEvent(Event);
}

void TFrmEditor::closeEvent(QCloseEvent* Event)
{
    Guarded([this] { PostPendingEdits(); });
    QDialog::closeEvent(Event);
}

void TFrmEditor::cxGrid1DBTableView1FocusedRecordChanged()
{
    SyncGridToFocus();
    // While hidden the play window walks the view; the entry side catches up when shown.
    if (isVisible())
        UpdateRecordView();
}

void TFrmEditor::cxGrid1DBTableView1DataControllerFilterChanged()
{
    // The focus may move with the filter as well: one catching up for both.
    ScheduleRecordView();
}

void TFrmEditor::ScheduleRecordView()
{
    FRecordViewUpdate->start();
}

void TFrmEditor::CatchUpWithView()
{
    cxGrid1DBTableView1FocusedRecordChanged();
}

void TFrmEditor::cxGrid1DBTableView1MouseDown(Qt::MouseButton Button, const QPoint& Position)
{
    // Only a left press on a data cell: the headers are widgets of their own and never get
    // here, and a press below the last row hits no cell.
    if (Button != Qt::LeftButton || !cxGrid1->indexAt(Position).isValid())
        return;
    BeginCellDrag();
}

void TFrmEditor::cxGrid1DBTableView1MouseMove(Qt::MouseButtons Buttons, const QPoint&)
{
    if (Buttons & Qt::LeftButton)
        DragCellValue();
}

void TFrmEditor::cxGrid1DBTableView1MouseUp(Qt::MouseButton Button, const QPoint&)
{
    if (Button == Qt::LeftButton)
        EndCellDrag();
}

void TFrmEditor::edWordFilterPropertiesChange()
{
    SetWordFilter(edWordFilter->text());
}

void TFrmEditor::edPhotoFilterPropertiesChange()
{
    if (!FLoadingSettings)
        RefreshFilter();
}

void TFrmEditor::btnPlayClick()
{
    if (MWord)
        MWord->PlayClip();
}

void TFrmEditor::btnAudioClick()
{
    if (!MWord)
        return;
    Guarded([this] { PostPendingEdits(); });
    FFrmAudio->exec();
    MWord->StopClip();
    UpdateRecordView();
}

void TFrmEditor::btnClearPhotoClick()
{
    ClearPicture();
}

void TFrmEditor::btnPasteClick()
{
    PastePicture();
}

void TFrmEditor::btnCopyImageClick()
{
    if (cxImage1->HasPicture() && FServices.Board)
        FServices.Board->SetImage(cxImage1->Picture());
}

void TFrmEditor::edVoiceListPropertiesChange()
{
    if (!MWord)
        return;
    const int Index = edVoiceList->currentIndex();
    Guarded([this, Index] { MWord->SelectVoice(Index); });
}

void TFrmEditor::btnSpeakClick()
{
    if (!MWord || MWord->GetWordText().isEmpty())
        return;
    Guarded([this] { MWord->SpeakText(); });
}

void TFrmEditor::btnAppendFromClick()
{
    if (!MWord)
        return;
    const QString FileName = AskOpenFileName(AppendFilter);
    if (TWordData::TrimBlanks(FileName).isEmpty())
        return;
    Guarded([&] {
        PostPendingEdits();
        RunWithProgress(QStringLiteral("Appending entries..."), true,
            [&](const TProgress& Progress) { MWord->AppendFrom(FileName, Progress); });
    });
    UpdateRecordView();
}

void TFrmEditor::btnFromFolderClick()
{
    if (!MWord)
        return;
    const QString Folder = AskFolderName();
    if (TWordData::TrimBlanks(Folder).isEmpty())
        return;
    Guarded([&] {
        PostPendingEdits();
        RunWithProgress(QStringLiteral("Appending entries..."), true,
            [&](const TProgress& Progress) { Data()->AppendFromPath(Folder, Progress); });
    });
    UpdateRecordView();
}

void TFrmEditor::btnExportClick()
{
    if (!MWord)
        return;
    const QString FileName = Data()->AskSaveFileName(ExportFilter);
    if (TWordData::TrimBlanks(FileName).isEmpty())
        return;
    Guarded([&] {
        PostPendingEdits();
        // Only the shown entries would go into the list's own archive, which holds them all:
        // the hidden ones would be lost from the file.
        const bool Archive = QFileInfo(FileName).suffix().compare(QStringLiteral("tlo"), Qt::CaseInsensitive) == 0;
        if (Archive && FView->rowCount() != Data()->DataSet().RecordCount() && SameFile(FileName, Data()->FileName()))
            throw Error(QStringLiteral("The shown entries cannot be exported into the list's own file \"%1\". "
                                       "Choose another file name.")
                            .arg(FileName));
        RunWithProgress(QStringLiteral("Exporting..."), true,
            [&](const TProgress& Progress) { MWord->ExportToFile(FileName, Progress); });
    });
    UpdateRecordView();
}

void TFrmEditor::actSaveExecute()
{
    TWordData* Collection = Data();
    if (!Collection)
        return;
    Guarded([&] {
        PostPendingEdits();
        if (!Collection->Modified())
            return;
        // An untitled list asks for its name before the progress dialog comes up.
        if (!Collection->EnsureFileName())
            return;
        RunWithProgress(
            QStringLiteral("Saving..."), false, [&](const TProgress&) { Collection->SaveIfModified(false); });
    });
    UpdateCaption();
    actSaveUpdate();
}

void TFrmEditor::actSaveUpdate()
{
    // A word typed into a box and not yet posted is a change to save as well.
    const bool Typed = edWord->isModified() || edCategory->isModified() || edStatus->isModified();
    actSave->setEnabled(Data() && (Data()->Modified() || Typed));
}

void TFrmEditor::actOpenExecute()
{
    if (!MWord)
        return;
    const QString FileName = AskOpenFileName(OpenFilter);
    Guarded([&] {
        // Opening that stopped at the question about unsaved changes opened nothing.
        if (OpenWordFile(FileName) && SameFile(Data()->FileName(), FileName))
            SetFileOpened(true);
    });
    UpdateCaption();
    UpdateRecordView();
}

void TFrmEditor::actNewExecute()
{
    NewWordFile();
}

void TFrmEditor::actPasteLinesExecute()
{
    if (!MWord)
        return;
    Guarded([&] {
        PostPendingEdits();
        RunWithProgress(
            QStringLiteral("Pasting lines..."), true, [&](const TProgress& Progress) { Data()->PasteLines(Progress); });
    });
    UpdateRecordView();
}

void TFrmEditor::actDeleteDuplicateExecute()
{
    if (!MWord)
        return;
    Guarded([&] {
        PostPendingEdits();
        RunWithProgress(QStringLiteral("Deleting duplicates..."), true,
            [&](const TProgress& Progress) { Data()->DeleteDuplicates(Progress); });
    });
    UpdateRecordView();
}

void TFrmEditor::edColorClick()
{
    if (!MWord || MWord->IsGridEmpty() || !FServices.Colors)
        return;
    const std::optional<QColor> Chosen = FServices.Colors->GetColor(edColor->Color());
    if (Chosen && Chosen->isValid())
        PostBoxValue(BackColorField, static_cast<qint32>(ValueFromColor(*Chosen)));
}

void TFrmEditor::edColorCleared()
{
    if (MWord && !MWord->IsGridEmpty())
        PostBoxValue(BackColorField, QVariant());
}

// --- The entry side --------------------------------------------------------------------------

void TFrmEditor::UpdateRecordView()
{
    // 1. The boxes edit the current entry, so they work only while the grid shows one.
    const bool HasRows = MWord && !MWord->IsGridEmpty();
    for (QWidget* Box : std::initializer_list<QWidget*> { edWord, edCategory, edStatus, edColor })
        Box->setEnabled(HasRows);
    // 2. Every command stays available; one without an object does nothing. Saving only
    //    while there is something to save.
    for (QAction* Action : { actSave, actOpen, actNew, actPasteLines, actDeleteDuplicate })
        Action->setEnabled(true);
    for (QAbstractButton* Button : std::initializer_list<QAbstractButton*> { btnPlay, btnAudio, btnClearPhoto, btnPaste,
             btnCopyImage, btnSpeak, btnExport, btnAppendFrom, btnFromFolder, btnSave, cxButton1, btnNew, cxButton2 })
        Button->setEnabled(true);
    actSaveUpdate();
    ShowRecordValues();
    // 3. and 4.
    UpdateRowLabels();
    ShowPicture();
}

void TFrmEditor::UpdateRowLabels()
{
    lblRowCount->setText(QString::number(FView->rowCount()));
    lblCurrentIdx->setText(QString::number(FView->FocusedRow() + 1));
}

void TFrmEditor::ShowPicture()
{
    cxImage1->Clear();
    if (MWord)
        cxImage1->SetPicture(MWord->DisplayPicture());
}

void TFrmEditor::ShowRecordValues()
{
    const auto Show = [](QLineEdit* Box, const QString& Text) {
        // A box the adult is typing in keeps what was typed.
        if (Box->hasFocus() && Box->isModified())
            return;
        if (Box->text() != Text)
            Box->setText(Text);
        Box->setModified(false);
    };
    TWordData* Collection = Data();
    const bool HasEntry = MWord && !MWord->IsGridEmpty() && FView->FocusedRow() >= 0;
    if (!HasEntry) {
        for (QLineEdit* Box : { edWord, edCategory, edStatus })
            Show(Box, QString());
        edColor->SetValue(QVariant());
        return;
    }
    TDataTable& Table = Collection->DataSet();
    Show(edWord, Table.FieldByName(WordField).AsString());
    Show(edCategory, Table.FieldByName(CategoryField).AsString());
    Show(edStatus, Table.FieldByName(StatusField).AsString());
    edColor->SetValue(Table.FieldByName(BackColorField).Value());
}

void TFrmEditor::PostBoxValue(const QString& FieldName, const QVariant& Value)
{
    if (!MWord || MWord->IsGridEmpty() || FView->FocusedRow() < 0)
        return;
    TTableModel* Model = FView->TableModel();
    TDataTable& Table = Data()->DataSet();
    const int Column = Model ? Model->FieldColumn(FieldName) : -1;
    if (Column < 0 || Table.RecNo() < 0)
        return;
    const QVariant Old = Table.FieldValue(Column);
    // Leaving a box without a change writes nothing: an empty box over an empty field is no
    // change, so tabbing through the boxes does not mark the list as changed.
    const bool Same = Value.typeId() == QMetaType::QString || Old.typeId() == QMetaType::QString
        ? Old.toString() == Value.toString()
        : Old.isNull() == Value.isNull() && (Old.isNull() || Old.toLongLong() == Value.toLongLong());
    if (!Same)
        Model->setData(Model->index(Table.RecNo(), Column), Value);
    ShowRecordValues();
    actSaveUpdate();
}

void TFrmEditor::PostPendingEdits()
{
    cxGrid1->CommitEdit();
    if (edWord->isModified())
        PostBoxValue(WordField, edWord->text());
    if (edCategory->isModified())
        PostBoxValue(CategoryField, edCategory->text());
    if (edStatus->isModified())
        PostBoxValue(StatusField, edStatus->text());
    for (QLineEdit* Box : { edWord, edCategory, edStatus })
        Box->setModified(false);
}

void TFrmEditor::PastePicture()
{
    // Only an entry the grid shows gets a picture: with every row hidden the table's current
    // record is one the adult cannot see.
    if (MWord && !MWord->IsGridEmpty())
        Guarded([this] { Data()->PastePhoto(); });
    UpdateRecordView();
}

void TFrmEditor::ClearPicture()
{
    if (MWord && !MWord->IsGridEmpty())
        Guarded([this] { Data()->ClearPhoto(); });
    UpdateRecordView();
}

// --- Filters ---------------------------------------------------------------------------------

void TFrmEditor::SetWordFilter(const QString& Text)
{
    FView->SetWordFilter(Text);
    cxGrid1DBTableView1DataControllerFilterChanged();
}

void TFrmEditor::RefreshFilter()
{
    const int Photo = std::max(0, edPhotoFilter->currentIndex());
    const int Audio = std::max(0, edAudioFilter->currentIndex());
    // Each of these filters anew by itself; when neither changed the grid filters anew here.
    bool Refreshed = false;
    if (FView->PhotoFilter() != Photo) {
        FView->SetPhotoFilter(Photo);
        Refreshed = true;
    }
    if (FView->AudioFilter() != Audio) {
        FView->SetAudioFilter(Audio);
        Refreshed = true;
    }
    if (!Refreshed)
        FView->RefreshFilter();
    cxGrid1DBTableView1DataControllerFilterChanged();
}

TGridFilter TFrmEditor::GridFilter() const
{
    TGridFilter Filter;
    Filter.HasWordCriterion = FView->HasWordCriterion();
    if (Filter.HasWordCriterion) {
        Filter.Value = FView->WordCriterionValue();
        Filter.DisplayText = FView->WordCriterionText();
    }
    return Filter;
}

void TFrmEditor::ApplyGridFilter(const TGridFilter& Filter)
{
    if (Filter.HasWordCriterion)
        FView->SetWordCriterion(Filter.Value, Filter.DisplayText);
    else
        FView->ClearWordCriterion();
    // The box shows the criterion in force, so that the adult sees why rows are missing and
    // can clear it; the criterion is already set, so the box's change filters nothing again.
    const QSignalBlocker Quiet(edWordFilter);
    edWordFilter->setText(Filter.HasWordCriterion ? Filter.DisplayText : QString());
}

// --- Word files ------------------------------------------------------------------------------

void TFrmEditor::NewWordFile()
{
    Guarded([this] { OpenWordFile(TWordData::NewUntitledName()); });
    UpdateCaption();
}

QString TFrmEditor::AskOpenFileName(const QString& Filter)
{
    return FServices.Dialogs ? FServices.Dialogs->GetOpenFileName(Filter, ProgramFolder()) : QString();
}

QString TFrmEditor::AskFolderName()
{
    return FServices.Dialogs ? FServices.Dialogs->GetExistingFolder(ProgramFolder()) : QString();
}

// --- Fill-drag -------------------------------------------------------------------------------

void TFrmEditor::BeginCellDrag()
{
    FDragging = true;
    FDragRowIndex = FView->FocusedRow();
    const QModelIndex Current = cxGrid1->currentIndex();
    FDragColumnIndex = Current.isValid() ? Current.column() : -1;
    FDragFieldName = FieldNameOf(FDragColumnIndex);
    FDragValue.clear();
    if (!FDragFieldName.isEmpty() && Data() && !Data()->DataSet().IsEmpty())
        FDragValue = Data()->DataSet().FieldByName(FDragFieldName).AsString();
}

void TFrmEditor::DragCellValue()
{
    if (!FDragging || FDragFieldName.isEmpty() || !Data())
        return;
    const QModelIndex Current = cxGrid1->currentIndex();
    const int Column = Current.isValid() ? Current.column() : -1;
    const int Row = FView->FocusedRow();
    if (Column != FDragColumnIndex || Row < 0 || std::abs(Row - FDragRowIndex) != 1)
        return;
    TDataTable& Table = Data()->DataSet();
    if (Table.Notifying() || Table.ControlsDisabled() || Table.IsEmpty())
        return;
    Guarded([&] {
        try {
            Table.Edit();
            Table.FieldByName(FDragFieldName).SetAsString(FDragValue);
            Table.Post();
        } catch (...) {
            Table.Cancel();
            throw;
        }
    });
    FDragRowIndex = FView->FocusedRow();
}

void TFrmEditor::EndCellDrag()
{
    FDragging = false;
    FDragRowIndex = -99;
    FDragColumnIndex = -99;
    FDragFieldName.clear();
    FDragValue.clear();
}

// --- Grid state ------------------------------------------------------------------------------

void TFrmEditor::SaveGridSetting(TWordData* Collection)
{
    if (!Collection)
        Collection = Data();
    if (!Collection)
        return;
    // What is typed into a box belongs to the list that is being written.
    PostPendingEdits();
    // 1. The layout, 2. the filter lists and the filter, 3. the voice.
    TGridSettings::SaveLayout(Collection->DataDir() + GridLayoutFile, GridLayout());
    SaveFilterSetting(Collection);
    SaveVoiceSetting();
}

void TFrmEditor::SaveFilterSetting(TWordData* Collection)
{
    TIniFileForEXE::WriteString(
        QStringLiteral("PhotoFilter"), QString::number(std::max(0, edPhotoFilter->currentIndex())));
    TIniFileForEXE::WriteString(
        QStringLiteral("AutoFilter"), QString::number(std::max(0, edAudioFilter->currentIndex())));
    TGridSettings::SaveFilter(Collection->DataDir() + GridFilterFile, GridFilter());
}

void TFrmEditor::SaveVoiceSetting()
{
    TIniFileForEXE::WriteString(QStringLiteral("VoiceName"), edVoiceList->currentText());
}

void TFrmEditor::LoadGridSetting(TWordData* Collection)
{
    if (!Collection)
        Collection = Data();
    if (!Collection)
        return;
    // 1. The layout, when the archive has one.
    if (const std::optional<TGridLayout> Layout = TGridSettings::LoadLayout(Collection->DataDir() + GridLayoutFile))
        ApplyGridLayout(*Layout);
    // 2. and 3.
    LoadFilterSetting(Collection);
    LoadVoiceSetting();
}

void TFrmEditor::LoadFilterSetting(TWordData* Collection)
{
    if (const std::optional<TGridFilter> Filter = TGridSettings::LoadFilter(Collection->DataDir() + GridFilterFile))
        ApplyGridFilter(*Filter);
    FLoadingSettings = true;
    edPhotoFilter->setCurrentIndex(FilterIndexSetting(QStringLiteral("PhotoFilter")));
    edAudioFilter->setCurrentIndex(FilterIndexSetting(QStringLiteral("AutoFilter")));
    FLoadingSettings = false;
    RefreshFilter();
}

void TFrmEditor::LoadVoiceSetting()
{
    const QString Name = TIniFileForEXE::ReadString(QStringLiteral("VoiceName"));
    if (Name.isEmpty())
        return;
    const int Index = edVoiceList->findText(Name, Qt::MatchFixedString); // letter case ignored
    if (Index >= 0)
        edVoiceList->setCurrentIndex(Index); // the presenter follows through the change handler
}

TGridLayout TFrmEditor::GridLayout() const
{
    if (!FHeaderReady)
        return FLayout;
    const QHeaderView* Header = cxGrid1->horizontalHeader();
    TGridLayout Layout;
    for (int Visual = 0; Visual < Header->count(); ++Visual) {
        const int Logical = Header->logicalIndex(Visual);
        const QString Name = FieldNameOf(Logical);
        if (!GridFields().contains(Name))
            continue;
        TGridColumn Column { Name, Header->sectionSize(Logical), !Header->isSectionHidden(Logical) };
        if (!Column.Visible) {
            // A hidden section has no size of its own: keep the width it was given.
            Column.Width = 0;
            for (const TGridColumn& Kept : FLayout.Columns) {
                if (Kept.FieldName == Name)
                    Column.Width = Kept.Width;
            }
        }
        Layout.Columns.append(Column);
    }
    const QString SortName = FieldNameOf(FView->sortColumn());
    if (GridFields().contains(SortName)) {
        Layout.SortField = SortName;
        Layout.SortDescending = FView->sortOrder() == Qt::DescendingOrder;
    }
    return Layout;
}

void TFrmEditor::ApplyGridLayout(const TGridLayout& Layout)
{
    const TGridLayout Current = GridLayout();
    const auto GridName = [](const QString& Name) -> QString {
        for (const QString& Field : GridFields()) {
            if (Field.compare(Name, Qt::CaseInsensitive) == 0)
                return Field;
        }
        return {};
    };
    const auto Find = [](const TGridLayout& In, const QString& Name) -> const TGridColumn* {
        for (const TGridColumn& Column : In.Columns) {
            if (Column.FieldName == Name)
                return &Column;
        }
        return nullptr;
    };

    // The named columns in the order given; the grid's other columns follow as they stood.
    TGridLayout Merged;
    for (const TGridColumn& Given : Layout.Columns) {
        const QString Name = GridName(Given.FieldName);
        if (Name.isEmpty() || Find(Merged, Name))
            continue;
        TGridColumn Column = Given;
        Column.FieldName = Name;
        if (Column.Width <= 0) {
            const TGridColumn* Old = Find(Current, Name);
            Column.Width = Old ? Old->Width : 0;
        }
        Merged.Columns.append(Column);
    }
    for (const TGridColumn& Old : Current.Columns) {
        if (!Find(Merged, Old.FieldName))
            Merged.Columns.append(Old);
    }
    Merged.SortField = GridName(Layout.SortField);
    Merged.SortDescending = !Merged.SortField.isEmpty() && Layout.SortDescending;
    FLayout = Merged;

    if (FView->columnCount() == 0) {
        FHeaderReady = false; // goes on the header once the view has columns again
        return;
    }

    QHeaderView* Header = cxGrid1->horizontalHeader();
    int Target = 0;
    for (const TGridColumn& Column : FLayout.Columns) {
        const int Logical = FieldColumn(Column.FieldName);
        if (Logical < 0)
            continue;
        const int From = Header->visualIndex(Logical);
        if (From != Target)
            Header->moveSection(From, Target);
        ++Target;
        if (Column.Width > 0)
            Header->resizeSection(Logical, Column.Width);
        Header->setSectionHidden(Logical, !Column.Visible);
    }
    // Fields that are no grid column (the colour) are never shown.
    for (int Logical = 0; Logical < FView->columnCount(); ++Logical) {
        if (!GridFields().contains(FieldNameOf(Logical)))
            Header->setSectionHidden(Logical, true);
    }
    const int SortColumn = FLayout.SortField.isEmpty() ? -1 : FieldColumn(FLayout.SortField);
    // Without a sort column the view shows the table's order, which only ascending gives.
    const Qt::SortOrder Order = SortColumn >= 0 && FLayout.SortDescending ? Qt::DescendingOrder : Qt::AscendingOrder;
    {
        const QSignalBlocker Quiet(Header);
        Header->setSortIndicator(SortColumn, Order);
    }
    Header->viewport()->update();
    if (FView->sortColumn() != SortColumn || FView->sortOrder() != Order)
        FView->sort(SortColumn, Order);
    FHeaderReady = true;
}

void TFrmEditor::ViewAboutToBeReset()
{
    if (FHeaderReady)
        FLayout = GridLayout();
    FHeaderReady = false;
}

void TFrmEditor::ViewWasReset()
{
    if (FView->columnCount() == 0)
        return;
    SetColumnCaptions();
    ApplyGridLayout(FLayout);
    ScheduleRecordView();
}

void TFrmEditor::SetColumnCaptions()
{
    TTableModel* Model = FView->TableModel();
    if (!Model)
        return;
    const auto Caption = [Model](const QString& Field, const QString& Text) {
        const int Column = Model->FieldColumn(Field);
        if (Column >= 0 && Model->headerData(Column, Qt::Horizontal).toString() != Text)
            Model->setHeaderData(Column, Qt::Horizontal, Text);
    };
    Caption(WordField, QString::fromUtf8("字词"));
    Caption(CategoryField, QString::fromUtf8("类目"));
    Caption(StatusField, QString::fromUtf8("状态"));
    Caption(RowIDField, QString());
}

// --- Focus -----------------------------------------------------------------------------------

void TFrmEditor::SyncGridToFocus()
{
    if (FSyncingFocus)
        return;
    FSyncingFocus = true;
    QItemSelectionModel* Selection = cxGrid1->selectionModel();
    const int Row = FView->FocusedRow();
    if (Row < 0) {
        if (Selection->currentIndex().isValid())
            Selection->clearCurrentIndex();
    } else if (Selection->currentIndex().row() != Row || !Selection->currentIndex().isValid()) {
        int Column = Selection->currentIndex().isValid() ? Selection->currentIndex().column() : -1;
        if (Column < 0 || cxGrid1->isColumnHidden(Column))
            Column = std::max(0, FieldColumn(WordField));
        const QModelIndex Target = FView->index(Row, Column);
        Selection->setCurrentIndex(Target, QItemSelectionModel::ClearAndSelect);
        if (isVisible())
            cxGrid1->scrollTo(Target);
    }
    cxGrid1->verticalHeader()->viewport()->update();
    FSyncingFocus = false;
}

void TFrmEditor::GridCurrentChanged(const QModelIndex& Current)
{
    cxGrid1->verticalHeader()->viewport()->update();
    if (FSyncingFocus || !Current.isValid())
        return;
    if (Current.row() != FView->FocusedRow()) {
        FSyncingFocus = true;
        FView->SetFocusedRow(Current.row()); // the entry side follows through the view's announcement
        FSyncingFocus = false;
    }
}

// --- Navigator -------------------------------------------------------------------------------

void TFrmEditor::NavigatorMove(int Row)
{
    if (Row < 0 || Row >= FView->rowCount())
        return;
    Guarded([this] { PostPendingEdits(); });
    FView->SetFocusedRow(Row);
    SyncGridToFocus();
    UpdateRecordView();
}

void TFrmEditor::NavigatorInsert(bool AtEnd)
{
    TWordData* Collection = Data();
    TTableModel* Model = FView->TableModel();
    if (!Collection || !Model)
        return;
    Guarded([this] { PostPendingEdits(); });
    TDataTable& Table = Collection->DataSet();
    const int Row = AtEnd || Table.RecNo() < 0 ? Model->rowCount() : Table.RecNo();
    if (!Model->insertRows(Row, 1))
        return;
    // The new entry is the table's current record; the grid follows and its word is typed in.
    const int Focused = FView->FocusedRow();
    const int Column = FieldColumn(WordField);
    if (Focused >= 0 && Column >= 0) {
        const QModelIndex Cell = FView->index(Focused, Column);
        cxGrid1->setCurrentIndex(Cell);
        cxGrid1->edit(Cell);
    }
    UpdateRecordView();
}

void TFrmEditor::NavigatorDelete()
{
    // The focused entry goes with its picture and clip, without a question.
    if (!MWord || MWord->IsGridEmpty() || FView->FocusedRow() < 0)
        return;
    TTableModel* Model = FView->TableModel();
    const int Row = Data()->DataSet().RecNo();
    if (Model && Row >= 0)
        Model->removeRows(Row, 1);
    UpdateRecordView();
}
