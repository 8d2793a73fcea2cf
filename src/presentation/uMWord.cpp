#include "uMWord.h"

#include "Clock.h"
#include "Error.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "SoundDevice.h"
#include "SpeechEngine.h"
#include "uINIFileForEXE.h"
#include "uLogHandler.h"
#include "uWaveFile.h"
#include "uWordView.h"

#include <QFile>
#include <QFileInfo>

#include <exception>

namespace {

// Speech requests closer than this to the end of the previous one are dropped.
constexpr std::uint32_t SpeechGuard = 500;

const QString DefaultFirstWord = QString::fromUtf8("海海");

// Puts the view back on the collection when opening a word list ends, also by an error, so
// the grid and the child are not left without rows for the rest of the session.
class TReattach
{
public:
    explicit TReattach(TWordView* View)
        : FView(View)
    {
        if (FView)
            FView->DetachSource();
    }
    ~TReattach()
    {
        if (FView)
            FView->AttachSource();
    }
    TReattach(const TReattach&) = delete;
    TReattach& operator=(const TReattach&) = delete;

private:
    QPointer<TWordView> FView;
};

} // namespace

TMWord::TMWord(TWordView* View, std::unique_ptr<SpeechEngine> Voice, std::unique_ptr<SoundDevice> Player,
    const Clock& TickClock, TWordDataServices Services)
    : FClock(TickClock)
    , FServices(Services)
{
    TUMBALO_ASSERT(View, QStringLiteral("Assertion failure"));
    TUMBALO_ASSERT(Voice && Player, QStringLiteral("Assertion failure"));
    FView = View;
    FPlayer = std::move(Player);
    FVoice = std::move(Voice);
    CreateWordData();
}

TMWord::~TMWord()
{
    // A clip still playing would keep its temporary sound file beside the program.
    StopClip();
    if (FView && FView->WordData() == FWordData.get())
        FView->SetWordData(nullptr);
    FWordData.reset();
    FVoice.reset();
    FPlayer.reset();
}

void TMWord::CreateWordData()
{
    const QString Dir = TWordData::CreateWorkDir();
    // From here on every setting is read from and written to the list's working folder, so the
    // settings are packed into each word archive and come back with it.
    GlobalIniFileName = Dir + QStringLiteral("Tumbalo.ini");
    FWordData = std::make_unique<TWordData>(Dir, FServices);
    FView->SetWordData(FWordData.get());
}

// --- Walking ---------------------------------------------------------------------------------

bool TMWord::IsGridEmpty() const
{
    return !FView || FView->rowCount() == 0;
}

bool TMWord::HasCurrent()
{
    return FView && FView->FocusedRow() >= 0;
}

void TMWord::Next()
{
    if (IsGridEmpty())
        return;
    const int Count = FView->rowCount();
    const int Row = FView->FocusedRow();
    FView->SetFocusedRow(Row < 0 || Row >= Count - 1 ? 0 : Row + 1);
}

void TMWord::Prior()
{
    if (IsGridEmpty())
        return;
    const int Count = FView->rowCount();
    const int Row = FView->FocusedRow();
    FView->SetFocusedRow(Row <= 0 ? Count - 1 : Row - 1);
}

// --- The current entry -----------------------------------------------------------------------

QString TMWord::GetWordText()
{
    return HasCurrent() ? FWordData->CurrentWord() : QString();
}

std::uint32_t TMWord::GetBackColor()
{
    return HasCurrent() ? FWordData->CurrentBackColor() : TWordData::clBtnFace;
}

bool TMWord::HasClip()
{
    return HasCurrent() && FWordData->HasAudio();
}

bool TMWord::HasPicture()
{
    return HasCurrent() && FWordData->HasPhoto();
}

QImage TMWord::DisplayPicture()
{
    if (!HasPicture())
        return {};
    try {
        return FWordData->LoadPhoto();
    } catch (const std::exception&) {
        return {};
    }
}

// --- Speaking --------------------------------------------------------------------------------

void TMWord::SpeakCurrent()
{
    if (GetWordText().isEmpty())
        return;
    if (TicksBetween(FLastSpeakTick, FClock.TickCount()) > SpeechGuard) {
        try {
            StopClip();
            if (HasClip())
                PlayClipFile(FWordData->AudioFileName());
            else
                SpeakText();
        } catch (const std::exception&) {
            // The child sees no message; the next request tries again.
        }
    }
    // Read anew: after text-to-speech this is the end of the speech.
    FLastSpeakTick = FClock.TickCount();
}

void TMWord::SpeakText()
{
    StopClip();
    FVoice->Speak(GetWordText());
}

void TMWord::PlayClip()
{
    try {
        StopClip();
        if (HasClip())
            PlayClipFile(FWordData->AudioFileName());
    } catch (const std::exception&) { }
}

void TMWord::PlayClipFile(const QString& ClipFile)
{
    StopClip();
    const QString Name = TWordData::ExtractClip(ClipFile);
    FPlayer->SetFileName(Name);
    if (Name.isEmpty())
        return;
    FPlayer->Open();
    FPlayer->Play();
}

void TMWord::StopClip()
{
    const QString Name = FPlayer->FileName();
    if (Name.isEmpty())
        return;
    try {
        FPlayer->Stop();
        FPlayer->Close();
        QFile::remove(Name);
    } catch (const std::exception&) {
        // A player that was already closed (after a recording) keeps its file.
    }
    FPlayer->SetFileName(QString());
}

// --- Recording -------------------------------------------------------------------------------

QString TMWord::TempWaveFileName()
{
    return ProgramFolder() + QStringLiteral("Temp.wav");
}

bool TMWord::StartRecording()
{
    try {
        StopClip();
        const QString FileName = TempWaveFileName();
        WriteWaveHeader(2, 16, FileName, 22050);
        FPlayer->SetFileName(FileName);
        FPlayer->Open();
        FPlayer->StartRecording();
        return true;
    } catch (const std::exception&) {
        if (FServices.Boxes)
            FServices.Boxes->ShowError(QString::fromUtf8("媒体设备初始化失败"), QString::fromUtf8("错误"));
        return false;
    }
}

void TMWord::StopRecording()
{
    try {
        FPlayer->Stop();
        FPlayer->Save(FPlayer->FileName());
        FPlayer->Close();
        StoreClip(TempWaveFileName());
    } catch (const std::exception&) {
        if (FServices.Boxes)
            FServices.Boxes->ShowError(QString::fromUtf8("保存声音文件出错!"), QString::fromUtf8("错误"));
        return;
    }
    if (FServices.Boxes)
        FServices.Boxes->ShowInformation(QString::fromUtf8("声音录制完毕!"), QString::fromUtf8("信息"));
}

void TMWord::StoreClip(const QString& FileName)
{
    if (!HasCurrent())
        throw Error(QStringLiteral("There is no entry shown to keep the clip with."));
    FWordData->StoreAudio(FileName);
}

// --- Word lists ------------------------------------------------------------------------------

bool TMWord::OpenWordList(const QString& FileName)
{
    if (TWordData::TrimBlanks(FileName).isEmpty())
        return false;
    {
        TReattach Reattach(FView);
        LogHandler().Run(
            FileName, QStringLiteral("WordData.OpenFile"), [this](const QString& Name) { FWordData->OpenFile(Name); });
    }
    FWordData->LocateWord(GetFirstWord());
    return true;
}

QString TMWord::GetFirstWord() const
{
    const QString Word = TIniFileForEXE::ReadString(QStringLiteral("FirstWord"));
    return Word.isEmpty() ? DefaultFirstWord : Word;
}

void TMWord::ExportToFile(const QString& FileName, const TProgress& Progress)
{
    if (TWordData::TrimBlanks(FileName).isEmpty())
        return;
    if (QFileInfo(FileName).suffix().compare(QStringLiteral("tlo"), Qt::CaseInsensitive) != 0) {
        ExportText(FileName, Progress);
        return;
    }
    if (FView->rowCount() != FWordData->DataSet().RecordCount()) {
        ExportRows(FileName, Progress);
        return;
    }
    // Writing the archive brings the list file up to date and clears the flag, but the list's
    // own archive still lacks the changes: they must still be saved (or asked about).
    const bool WasModified = FWordData->Modified();
    FWordData->SaveToFile(FileName);
    FWordData->SetModified(WasModified);
}

void TMWord::ExportRows(const QString& FileName, const TProgress& Progress)
{
    FWordData->ExportRowsTo(FileName, FView->ShownRowIDs(), Progress);
}

void TMWord::ExportText(const QString& FileName, const TProgress& Progress)
{
    FWordData->ExportTextTo(FileName, FView->ShownWords(), Progress);
}

int TMWord::AppendFrom(const QString& FileName, const TProgress& Progress)
{
    return FWordData->AppendFromFile(FileName, Progress);
}

// --- Voices ----------------------------------------------------------------------------------

void TMWord::GetVoiceNames(QStringList& Strings)
{
    Strings.clear();
    try {
        for (const SpeechVoice& Voice : FVoice->Voices())
            Strings.append(Voice.Name);
    } catch (const std::exception&) {
        // No voices to choose from; speaking still tries (and is silent on failure).
        Strings.clear();
    }
}

int TMWord::CurrentVoiceIndex()
{
    const QString Current = FVoice->CurrentVoice();
    if (Current.isEmpty())
        return -1;
    QStringList Names;
    GetVoiceNames(Names);
    return static_cast<int>(Names.indexOf(Current));
}

void TMWord::SelectVoice(int Index)
{
    if (Index < 0)
        return;
    const QList<SpeechVoice> Voices = FVoice->Voices();
    if (Index >= Voices.size())
        throw Error(
            QStringLiteral("There is no voice number %1; %2 voices are installed.").arg(Index).arg(Voices.size()));
    FVoice->SelectVoice(Voices.at(Index).Name);
}
