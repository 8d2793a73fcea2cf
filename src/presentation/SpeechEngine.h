#pragma once

#include <QList>
#include <QString>

// One installed text-to-speech voice. The name is unique among the installed voices and is
// what the editor shows, stores in the "VoiceName" setting and passes back to SelectVoice;
// the description says which language the voice speaks.
struct SpeechVoice
{
    QString Name;
    QString Description;

    bool operator==(const SpeechVoice&) const = default;
};

// The text-to-speech service the presenter speaks words with. One engine per presenter;
// everything runs on the user-interface thread. Every failure is raised as an Error; the
// presenter decides where to swallow it.
class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;

    // Speaks Text and returns only when the sound has been played, so the caller's speech
    // guard counts from the end of the utterance. An empty text plays nothing.
    virtual void Speak(const QString& Text) = 0;

    // All installed voices in a stable order, so that positions in the editor's voice list
    // stay valid between two listings.
    virtual QList<SpeechVoice> Voices() = 0;

    // The name of the voice the adult chose, or empty while no voice is chosen and the
    // voice follows the text (a Mandarin voice for Chinese text, the default voice for the
    // rest).
    virtual QString CurrentVoice() const = 0;

    // Makes the named voice speak every later text; an empty name goes back to the voice
    // that follows the text. A name that is not installed raises Error and changes nothing.
    virtual void SelectVoice(const QString& Name) = 0;
};
