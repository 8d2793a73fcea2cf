#include "uTumbaloMain.h"

#include "Clipboard.h"
#include "Clock.h"
#include "Error.h"
#include "EspeakSpeechEngine.h"
#include "InstanceChannel.h"
#include "QtFileDialogs.h"
#include "QtMessageBoxes.h"
#include "QtSoundDevice.h"
#include "X11KeyboardLock.h"
#include "uEXEParam.h"
#include "uFrmTumbalo.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>

using namespace InstanceChannel;

bool SameTextAscii(const QByteArray& A, const QByteArray& B)
{
    if (A.size() != B.size())
        return false;
    for (qsizetype I = 0; I < A.size(); ++I) {
        char X = A.at(I);
        char Y = B.at(I);
        if (X >= 'A' && X <= 'Z')
            X = char(X - 'A' + 'a');
        if (Y >= 'A' && Y <= 'Z')
            Y = char(Y - 'A' + 'a');
        if (X != Y)
            return false;
    }
    return true;
}

QString StartFileArgument()
{
    const QStringList Arguments = QCoreApplication::arguments();
    return Arguments.size() > 1 ? Arguments.at(1) : QString();
}

bool IsPlayWindow(const QString& Window)
{
    return SameTextAscii(ClassNameOf(Window).toUtf8(), PlayWindowClassName.toUtf8());
}

void ActivateCopy(std::uint32_t Handle, const QString& Folder)
{
    if (Handle == 0)
        return;
    SendRestore(WindowName(Folder, Handle), AnswerTimeoutMs);
}

bool FindRunningCopy(bool Restore, const QString& FileName, const QString& Folder)
{
    const TCopyDataStruct Block = MakeCopyData(Restore ? 1 : 0, FileName);
    const QString Own = WindowName(Folder, OwnHandle());
    std::uint32_t Answer = 0;
    for (const QString& Window : TopLevelWindows(Folder)) {
        if (!IsPlayWindow(Window))
            continue;
        // Asking our own socket would wait for an answer this very thread has to give.
        if (Window == Own)
            continue;
        Answer = SendCopyData(Window, Block, AnswerTimeoutMs);
        if (Answer == OwnHandle())
            Answer = 0; // a copy never counts itself
        if (Answer != 0)
            break;
    }
    const bool Found = Answer != 0;
    if (Restore && Found)
        ActivateCopy(Answer, Folder);
    return Found;
}

bool HandOffToRunningCopy(const QString& Folder)
{
    const QString Name = StartFileArgument();
    if (Name.isEmpty() || !QFileInfo(Name).isFile())
        return false;
    return FindRunningCopy(true, Name, Folder);
}

int RunTumbalo(int Argc, char* Argv[])
{
    MakeExeParams(Argc, Argv);
    QApplication App(Argc, Argv);
    QApplication::setApplicationName(QStringLiteral("Tumbalo"));

    const QString Folder = DefaultFolder();
    if (HandOffToRunningCopy(Folder))
        return 0;

    try {
        QtMessageBoxes Boxes;
        QtFileDialogs Dialogs;
        SystemClipboard Board;
        X11KeyboardLock Lock;
        TPlayServices Services;
        Services.TickClock = &SystemClock::Instance();
        Services.Speech = std::make_unique<EspeakSpeechEngine>();
        Services.Sound = std::make_unique<QtSoundDevice>();
        Services.Boxes = &Boxes;
        Services.Dialogs = &Dialogs;
        Services.Board = &Board;
        Services.Lock = &Lock;

        TFrmTumbalo Window(std::move(Services));
        Boxes.SetParent(&Window);
        Dialogs.SetParent(&Window);

        // From here on other copies may ask this one about its file.
        TInstanceServer Server([&Window](const TCopyDataStruct& Block) { return Window.WMCopyData(Block); },
            [&Window] { Window.RestoreFromOtherCopy(); });
        if (!Server.Listen(Folder))
            std::fprintf(stderr, "tumbalo: other copies cannot reach this one (%s)\n", qPrintable(Folder));

        const QString StartFile = StartFileArgument();
        Window.AssociateFileType(StartFile);
        Window.show();
        Window.LoadStartFile(StartFile);
        return App.exec() == 0 ? 0 : 1;
    } catch (const std::exception& Failure) {
        QtMessageBoxes().ShowError(ErrorText(Failure));
        return 1;
    }
}
