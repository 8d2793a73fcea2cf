#pragma once

#include "PcmOutput.h"
#include "SpeechEngine.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <vector>

// The text-to-speech engine on libespeak-ng: synthesis in the calling thread (espeak's
// synchronous output, 22050 Hz mono 16-bit), then playing the samples on the default sound
// output and waiting until they have been heard. The wait does not run the event loop, so
// nothing else happens in the program while a word is spoken, as with a blocking speech
// call. Without a sound server Speak raises Error at once instead of hanging.
//
// espeak keeps one global state per process; engines share it and set their voice before
// each synthesis. It is started on first use and stays started until the program ends.
class EspeakSpeechEngine final : public SpeechEngine
{
public:
    EspeakSpeechEngine();
    ~EspeakSpeechEngine() override;
    EspeakSpeechEngine(const EspeakSpeechEngine&) = delete;
    EspeakSpeechEngine& operator=(const EspeakSpeechEngine&) = delete;

    void Speak(const QString& Text) override;
    QList<SpeechVoice> Voices() override;
    QString CurrentVoice() const override;
    void SelectVoice(const QString& Name) override;

    // The samples Speak would play for Text, synthesised with the voice Speak would use.
    // OnFirstSample, when given, is called as soon as the first samples exist (the latency
    // benchmark measures up to there); it runs inside espeak and must not throw.
    std::vector<std::int16_t> Synthesize(const QString& Text, const std::function<void()>& OnFirstSample = {});

    // The phonemes the engine would speak for Text (espeak's phoneme mnemonics, clauses
    // separated by blanks): shows which language a voice really speaks.
    QString Phonemes(const QString& Text);

    // The voice for a text: the chosen voice (an espeak voice name or identifier) when there
    // is one; otherwise the Mandarin voice for a text with Chinese characters and the
    // default voice for every other text. The plain "cmn" voice of this espeak version reads
    // characters as pinyin spelled out in English, so Mandarin means "cmn-Latn-pinyin".
    static QByteArray VoiceFor(const QString& Text, const QByteArray& Chosen);

    static constexpr int SampleRate = 22050;
    static inline const QByteArray MandarinVoice = "cmn-Latn-pinyin";
    static inline const QByteArray DefaultVoice = "en";

private:
    struct InstalledVoice
    {
        SpeechVoice Voice;
        QByteArray Identifier;
    };

    void Start();
    void UseVoiceFor(const QString& Text);
    const QList<InstalledVoice>& Installed();

    QList<InstalledVoice> FInstalled;
    QString FChosenName;
    QByteArray FChosenIdentifier;
    PcmOutput FOutput;
};
