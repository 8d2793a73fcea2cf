#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QByteArray>
#include <QElapsedTimer>

#include <functional>
#include <memory>

class QAudioSink;
class QIODevice;
class QObject;

// Plays 16-bit PCM on the system's default sound output. The owner moves it forward with
// Pump(), from a timer (clips, in the background) or from a wait loop (speech, which must
// block): each Pump hands the output as much sound as it takes now, read from a source
// function. This works without the event loop, so speaking never lets other events run.
//
// Two traits of the output are handled here. It only starts playing once its prebuffer is
// full, so the end of the sound is followed by a buffer of silence that pushes short sounds
// and the tail of long ones through. And its Idle state comes before its buffer has drained,
// so "played" is judged by the processed time reaching the sound's duration, plus a short
// tail for the latency the output's estimate may miss.
//
// Destroying a Qt audio sink runs the event loop, which would let input events in while the
// presenter is in the middle of an operation; the sinks are therefore kept between sounds
// and released later from the event loop.
class PcmOutput
{
public:
    // Fills Buffer with up to MaxBytes of sound (whole frames); 0 at the end of the sound.
    using Source = std::function<qint64(char* Buffer, qint64 MaxBytes)>;

    PcmOutput();
    ~PcmOutput();
    PcmOutput(const PcmOutput&) = delete;
    PcmOutput& operator=(const PcmOutput&) = delete;

    // Starts playing the sound that Read delivers in Format (Int16 samples) on the default
    // output, stopping a sound that still plays. Raises Error when there is no sound output
    // (no sound server) or it refuses the stream; nothing plays then.
    void Start(const QAudioFormat& Format, Source Read);

    // Feeds the output. True while sound remains to be heard; false once the whole sound
    // has been played (or nothing was started). Raises Error, after stopping, when the
    // output fails or makes no progress for StallLimitMs.
    bool Pump();

    // Cuts the sound off at once.
    void Stop();

    bool Active() const { return FActive; }

    static constexpr int StallLimitMs = 2000;
    static constexpr qint64 TailUSecs = 100000;

private:
    struct LaterDeleter
    {
        void operator()(QObject* Object) const;
    };

    void Fail(const QString& Text);

    std::unique_ptr<QAudioSink, LaterDeleter> FSink;
    QAudioDevice FDevice;
    QIODevice* FInput = nullptr; // owned by FSink
    Source FRead;
    QByteArray FPending; // read from the source, not yet taken by the output
    qint64 FContentBytes = 0;
    qint64 FPaddingLeft = 0;
    qint64 FLastProcessed = 0;
    bool FEnded = false;
    bool FActive = false;
    QElapsedTimer FSinceProgress;
};
