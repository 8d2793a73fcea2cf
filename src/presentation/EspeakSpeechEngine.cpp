#include "EspeakSpeechEngine.h"

#include "Error.h"

#include <QThread>

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstring>

namespace {

// espeak's state is global to the process; these follow it.
bool EspeakStarted = false;
QByteArray VoiceInEspeak; // the voice last set in espeak, to skip reloading it

// Where the synthesis callback puts the samples of the synthesis in progress. Synthesis is
// synchronous and on one thread, so one slot suffices.
struct SampleCollector
{
    std::vector<std::int16_t>* Samples;
    const std::function<void()>* OnFirstSample;
    bool Seen;
};
SampleCollector* ActiveCollector = nullptr;

int CollectSamples(short* Wave, int Count, espeak_EVENT*)
{
    SampleCollector* Collector = ActiveCollector;
    if (!Collector || !Wave || Count <= 0)
        return 0;
    if (!Collector->Seen) {
        Collector->Seen = true;
        if (*Collector->OnFirstSample)
            (*Collector->OnFirstSample)();
    }
    Collector->Samples->insert(Collector->Samples->end(), Wave, Wave + Count);
    return 0;
}

bool IsChineseCharacter(uint Code)
{
    const QChar::Script Script = QChar::script(Code);
    return Script == QChar::Script_Han || Script == QChar::Script_Bopomofo;
}

// espeak's language list: a priority byte, a language name, a zero byte; repeated; ended by
// a zero priority. The first language describes the voice.
QString FirstLanguage(const char* Languages)
{
    if (!Languages || !Languages[0])
        return {};
    return QString::fromUtf8(Languages + 1);
}

} // namespace

EspeakSpeechEngine::EspeakSpeechEngine() = default;

EspeakSpeechEngine::~EspeakSpeechEngine()
{
    FOutput.Stop();
}

// espeak is started once and stays started until the process ends: this version cannot be
// started again after espeak_Terminate (the second termination deadlocks on its own thread).
void EspeakSpeechEngine::Start()
{
    if (EspeakStarted)
        return;
    const int Rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (Rate != SampleRate)
        throw Error(QStringLiteral("The speech engine cannot be started (espeak-ng data missing?)."));
    espeak_SetSynthCallback(CollectSamples);
    VoiceInEspeak.clear();
    EspeakStarted = true;
}

const QList<EspeakSpeechEngine::InstalledVoice>& EspeakSpeechEngine::Installed()
{
    Start();
    if (FInstalled.isEmpty()) {
        const espeak_VOICE** List = espeak_ListVoices(nullptr);
        for (int I = 0; List && List[I]; ++I) {
            const espeak_VOICE* Voice = List[I];
            if (!Voice->name || !Voice->identifier)
                continue;
            FInstalled.append(
                { { QString::fromUtf8(Voice->name), FirstLanguage(Voice->languages) }, QByteArray(Voice->identifier) });
        }
        std::sort(FInstalled.begin(), FInstalled.end(), [](const InstalledVoice& A, const InstalledVoice& B) {
            const int ByName = A.Voice.Name.compare(B.Voice.Name, Qt::CaseInsensitive);
            return ByName != 0 ? ByName < 0 : A.Identifier < B.Identifier;
        });
    }
    return FInstalled;
}

QList<SpeechVoice> EspeakSpeechEngine::Voices()
{
    QList<SpeechVoice> Result;
    for (const InstalledVoice& Voice : Installed())
        Result.append(Voice.Voice);
    return Result;
}

QString EspeakSpeechEngine::CurrentVoice() const
{
    return FChosenName;
}

void EspeakSpeechEngine::SelectVoice(const QString& Name)
{
    if (Name.isEmpty()) {
        FChosenName.clear();
        FChosenIdentifier.clear();
        return;
    }
    for (const InstalledVoice& Voice : Installed()) {
        if (Voice.Voice.Name.compare(Name, Qt::CaseInsensitive) == 0) {
            FChosenName = Voice.Voice.Name;
            FChosenIdentifier = Voice.Identifier;
            return;
        }
    }
    throw Error(QStringLiteral("The voice \"%1\" is not installed.").arg(Name));
}

QByteArray EspeakSpeechEngine::VoiceFor(const QString& Text, const QByteArray& Chosen)
{
    if (!Chosen.isEmpty())
        return Chosen;
    const QList<uint> Characters = Text.toUcs4();
    const bool Chinese = std::any_of(Characters.begin(), Characters.end(), IsChineseCharacter);
    return Chinese ? MandarinVoice : DefaultVoice;
}

void EspeakSpeechEngine::UseVoiceFor(const QString& Text)
{
    Start();
    const QByteArray Voice = VoiceFor(Text, FChosenIdentifier);
    if (Voice == VoiceInEspeak)
        return;
    if (espeak_SetVoiceByName(Voice.constData()) != EE_OK) {
        VoiceInEspeak.clear();
        throw Error(QStringLiteral("The voice \"%1\" cannot be loaded.").arg(QString::fromUtf8(Voice)));
    }
    VoiceInEspeak = Voice;
}

std::vector<std::int16_t> EspeakSpeechEngine::Synthesize(
    const QString& Text, const std::function<void()>& OnFirstSample)
{
    std::vector<std::int16_t> Samples;
    if (Text.isEmpty())
        return Samples;
    UseVoiceFor(Text);
    const QByteArray Utf8 = Text.toUtf8();
    SampleCollector Collector { &Samples, &OnFirstSample, false };
    ActiveCollector = &Collector;
    const espeak_ERROR Result = espeak_Synth(
        Utf8.constData(), size_t(Utf8.size()) + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    ActiveCollector = nullptr;
    if (Result != EE_OK)
        throw Error(QStringLiteral("The speech engine failed to speak \"%1\".").arg(Text));
    return Samples;
}

QString EspeakSpeechEngine::Phonemes(const QString& Text)
{
    UseVoiceFor(Text);
    const QByteArray Utf8 = Text.toUtf8();
    const void* Rest = Utf8.constData();
    QStringList Clauses;
    while (Rest) {
        const char* Clause = espeak_TextToPhonemes(&Rest, espeakCHARS_UTF8, 0);
        if (Clause && Clause[0])
            Clauses.append(QString::fromUtf8(Clause));
    }
    return Clauses.join(QLatin1Char(' '));
}

void EspeakSpeechEngine::Speak(const QString& Text)
{
    const std::vector<std::int16_t> Samples = Synthesize(Text);
    if (Samples.empty())
        return;
    QAudioFormat Format;
    Format.setSampleRate(SampleRate);
    Format.setChannelCount(1);
    Format.setSampleFormat(QAudioFormat::Int16);
    std::size_t Next = 0;
    FOutput.Start(Format, [&Samples, &Next](char* Buffer, qint64 MaxBytes) -> qint64 {
        const std::size_t Count = std::min<std::size_t>(Samples.size() - Next, std::size_t(MaxBytes) / 2);
        std::memcpy(Buffer, Samples.data() + Next, Count * 2);
        Next += Count;
        return qint64(Count * 2);
    });
    // Block here, as a synchronous speech call does; the output plays from its own thread.
    while (FOutput.Pump())
        QThread::msleep(5);
}
