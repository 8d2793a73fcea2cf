#include "uFrmAudio.h"

#include "Error.h"
#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "uMWord.h"
#include "uWordData.h"
#include "uWordView.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

const QString TFrmAudio::OpenDialogFilter = QString::fromUtf8("音频文件(*.mp3;*.wav)|*.mp3;*.wav|All files(*.*)|*.*");

TFrmAudio::TFrmAudio(FileDialogs* Dialogs, MessageBoxes* Boxes, QWidget* Parent)
    : QDialog(Parent)
    , FDialogs(Dialogs)
    , FBoxes(Boxes)
    , btnPlay(new QToolButton(this))
    , btnStartRecord(new QPushButton(QString::fromUtf8("开始录音"), this))
    , btnStopRecord(new QPushButton(QString::fromUtf8("停止录音"), this))
    , btnFromFile(new QPushButton(QString::fromUtf8("从文件导入..."), this))
    , btnClear(new QPushButton(QString::fromUtf8("清空"), this))
{
    setObjectName(QStringLiteral("FrmAudio"));
    setWindowTitle(QString::fromUtf8("读词音频"));
    btnPlay->setObjectName(QStringLiteral("btnPlay"));
    btnStartRecord->setObjectName(QStringLiteral("btnStartRecord"));
    btnStopRecord->setObjectName(QStringLiteral("btnStopRecord"));
    btnFromFile->setObjectName(QStringLiteral("btnFromFile"));
    btnClear->setObjectName(QStringLiteral("btnClear"));

    btnPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    btnPlay->setIconSize(QSize(19, 19));
    btnPlay->setAutoRaise(true);
    for (QPushButton* Button : { btnStartRecord, btnStopRecord, btnFromFile, btnClear })
        Button->setAutoDefault(false);

    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(btnPlay, 0, Qt::AlignLeft);
    Layout->addWidget(btnStartRecord);
    Layout->addWidget(btnStopRecord);
    Layout->addWidget(btnFromFile);
    Layout->addWidget(btnClear);
    Layout->addStretch();

    connect(btnPlay, &QToolButton::clicked, this, &TFrmAudio::btnPlayClick);
    connect(btnStartRecord, &QPushButton::clicked, this, &TFrmAudio::btnStartRecordClick);
    connect(btnStopRecord, &QPushButton::clicked, this, &TFrmAudio::btnStopRecordClick);
    connect(btnFromFile, &QPushButton::clicked, this, &TFrmAudio::btnFromFileClick);
    connect(btnClear, &QPushButton::clicked, this, &TFrmAudio::btnClearClick);

    resize(170, 210);
    if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
        QRect Frame(QPoint(0, 0), size());
        Frame.moveCenter(Screen->availableGeometry().center());
        move(Frame.topLeft());
    }
    FormCreate();
}

void TFrmAudio::SetWordPresenter(TMWord* Presenter)
{
    MWord = Presenter;
}

template <typename TCommand> void TFrmAudio::Guarded(TCommand Command)
{
    try {
        Command();
    } catch (const std::exception& Failure) {
        if (FBoxes)
            FBoxes->ShowError(ErrorText(Failure));
    }
}

// --- Event handlers --------------------------------------------------------------------------

void TFrmAudio::FormCreate()
{
    FOpenDialogFilter = OpenDialogFilter;
}

void TFrmAudio::FormShow()
{
    UpdateButtons();
}

void TFrmAudio::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    FormShow();
}

void TFrmAudio::btnPlayClick()
{
    if (MWord)
        MWord->PlayClip();
    UpdateButtons();
}

void TFrmAudio::btnStartRecordClick()
{
    if (MWord && MWord->StartRecording())
        FRecording = true;
    UpdateButtons();
}

void TFrmAudio::btnStopRecordClick()
{
    if (MWord)
        MWord->StopRecording();
    FRecording = false;
    UpdateButtons();
}

void TFrmAudio::btnFromFileClick()
{
    const QString FileName = FDialogs ? FDialogs->GetOpenFileName(FOpenDialogFilter, QString()) : QString();
    if (!FileName.isEmpty() && MWord)
        Guarded([&] { MWord->StoreClip(FileName); });
    UpdateButtons();
}

void TFrmAudio::btnClearClick()
{
    // Only an entry the grid shows loses its clip: with every row hidden the table's current
    // record is one the adult cannot see.
    if (MWord && !MWord->IsGridEmpty())
        Guarded([&] { MWord->WordData().ClearAudio(); });
    UpdateButtons();
}

void TFrmAudio::UpdateButtons()
{
    const bool HasClip = MWord && MWord->HasClip();
    btnPlay->setEnabled(HasClip && !FRecording);
    btnStartRecord->setEnabled(!FRecording);
    btnStopRecord->setEnabled(FRecording);
    btnClear->setEnabled(HasClip);
    btnFromFile->setEnabled(true);
}
