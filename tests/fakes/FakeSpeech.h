#pragma once

#include "Error.h"
#include "SpeechEngine.h"

#include <QStringList>

#include <functional>

// A speech engine that speaks nothing: it keeps each text it was asked to speak together
// with the voice chosen at that moment, lists a small fixed set of voices, and can be told
// to fail. OnSpeak runs inside Speak, so a test can move a fake clock by the time the
// speech would take.
class FakeSpeech final : public SpeechEngine
{
public:
    void Speak(const QString& Text) override
    {
        if (FailSpeak)
            throw Error(QStringLiteral("The speech engine failed to speak \"%1\".").arg(Text));
        Spoken.append(Text);
        SpokenVoices.append(Voice);
        if (OnSpeak)
            OnSpeak(Text);
    }

    QList<SpeechVoice> Voices() override
    {
        if (FailVoices)
            throw Error(QStringLiteral("The voices cannot be listed."));
        return Installed;
    }

    QString CurrentVoice() const override { return Voice; }

    // Like the real engine: names match without regard to letter case, an empty name goes
    // back to the automatic voice, an unknown name raises and changes nothing.
    void SelectVoice(const QString& Name) override
    {
        if (Name.isEmpty()) {
            Voice.clear();
            return;
        }
        for (const SpeechVoice& Candidate : Installed) {
            if (Candidate.Name.compare(Name, Qt::CaseInsensitive) == 0) {
                Voice = Candidate.Name;
                return;
            }
        }
        throw Error(QStringLiteral("The voice \"%1\" is not installed.").arg(Name));
    }

    QList<SpeechVoice> Installed {
        { QStringLiteral("Chinese (Mandarin, latin as Pinyin)"), QStringLiteral("cmn-latn-pinyin") },
        { QStringLiteral("English (America)"), QStringLiteral("en-us") },
        { QStringLiteral("English (Great Britain)"), QStringLiteral("en-gb") },
    };
    QString Voice; // the chosen voice's name; empty: the voice follows the text
    QStringList Spoken;
    QStringList SpokenVoices; // Voice at the time of each entry of Spoken
    bool FailSpeak = false;
    bool FailVoices = false;
    std::function<void(const QString&)> OnSpeak;
};
