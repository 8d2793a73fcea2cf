#pragma once

// Helpers of the sound tests: whether a sound server runs, a capture of everything played
// on the default output (its monitor, through parec), and the measures the tests judge
// sound by (loudness, how much of it is one tone).

#include <QAudioDevice>
#include <QByteArray>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace AudioProbe {

constexpr int CaptureRate = 22050;

// A server with an output and a microphone, with parec to listen to the output and paplay
// to play into it independently of the code under test.
inline bool SoundServerRuns()
{
    return !QMediaDevices::defaultAudioOutput().isNull() && !QMediaDevices::defaultAudioInput().isNull()
        && !QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()
        && !QStandardPaths::findExecutable(QStringLiteral("paplay")).isEmpty();
}

#define SKIP_WITHOUT_SOUND_SERVER()                                                                                    \
    do {                                                                                                               \
        if (!AudioProbe::SoundServerRuns())                                                                            \
            GTEST_SKIP() << "no sound server (run scripts/sound-server and export its XDG_RUNTIME_DIR)";               \
    } while (false)

// Records the default output's monitor as 22050 Hz mono from construction to Finish().
class MonitorCapture
{
public:
    MonitorCapture()
    {
        FProcess.start(QStringLiteral("parec"),
            { QStringLiteral("--raw"), QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(CaptureRate),
                QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=20"),
                QStringLiteral("--device=@DEFAULT_MONITOR@") });
        FProcess.waitForStarted();
        QTest::qWait(400); // until parec has connected
    }
    ~MonitorCapture()
    {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished();
        }
    }

    // Stops listening and returns what was heard.
    std::vector<std::int16_t> Finish()
    {
        QTest::qWait(300); // the monitor lags the output a little
        FProcess.terminate();
        FProcess.waitForFinished(3000);
        const QByteArray Raw = FProcess.readAllStandardOutput();
        std::vector<std::int16_t> Samples(std::size_t(Raw.size()) / 2);
        memcpy(Samples.data(), Raw.constData(), Samples.size() * 2);
        return Samples;
    }

private:
    QProcess FProcess;
};

inline double Rms(const std::int16_t* Samples, std::size_t Count)
{
    double Sum = 0;
    for (std::size_t I = 0; I < Count; ++I)
        Sum += double(Samples[I]) * Samples[I];
    return Count ? std::sqrt(Sum / double(Count)) : 0.0;
}

inline double Rms(const std::vector<std::int16_t>& Samples)
{
    return Rms(Samples.data(), Samples.size());
}

// The loud stretch of a recording: from the first to the last 10 ms window whose loudness
// exceeds Threshold. Empty when nothing is loud.
inline std::vector<std::int16_t> LoudPart(const std::vector<std::int16_t>& Samples, int Rate, double Threshold = 500)
{
    const std::size_t Window = std::size_t(Rate / 100);
    std::size_t First = Samples.size(), Last = 0;
    for (std::size_t At = 0; At + Window <= Samples.size(); At += Window) {
        if (Rms(Samples.data() + At, Window) > Threshold) {
            First = std::min(First, At);
            Last = At + Window;
        }
    }
    if (First >= Last)
        return {};
    return std::vector<std::int16_t>(Samples.begin() + long(First), Samples.begin() + long(Last));
}

inline double Seconds(const std::vector<std::int16_t>& Samples, int Rate)
{
    return double(Samples.size()) / Rate;
}

// How much of the sound's energy lies at Frequency (Goertzel): near 1 for a pure tone of
// that frequency, near 0 for another tone or for speech.
inline double ToneShare(const std::vector<std::int16_t>& Samples, int Rate, double Frequency)
{
    if (Samples.empty())
        return 0;
    const double Coefficient = 2 * std::cos(2 * M_PI * Frequency / Rate);
    double Previous = 0, BeforePrevious = 0, Energy = 0;
    for (const std::int16_t Sample : Samples) {
        const double Current = Sample + Coefficient * Previous - BeforePrevious;
        BeforePrevious = Previous;
        Previous = Current;
        Energy += double(Sample) * Sample;
    }
    const double Power
        = Previous * Previous + BeforePrevious * BeforePrevious - Coefficient * Previous * BeforePrevious;
    return Energy > 0 ? 2.0 * Power / (double(Samples.size()) * Energy) : 0;
}

// Writes a sine tone into a sound file of the given libsndfile format.
inline void WriteTone(const QString& FileName, int Format, int Rate, int Channels, double Frequency, double Seconds,
    double Amplitude = 12000)
{
    SF_INFO Info {};
    Info.samplerate = Rate;
    Info.channels = Channels;
    Info.format = Format;
    SNDFILE* File = sf_open(QFile::encodeName(FileName).constData(), SFM_WRITE, &Info);
    ASSERT_NE(File, nullptr) << sf_strerror(nullptr);
    const std::size_t Frames = std::size_t(Seconds * Rate);
    std::vector<short> Samples(Frames * std::size_t(Channels));
    for (std::size_t Frame = 0; Frame < Frames; ++Frame)
        for (int Channel = 0; Channel < Channels; ++Channel)
            Samples[Frame * std::size_t(Channels) + std::size_t(Channel)]
                = short(Amplitude * std::sin(2 * M_PI * Frequency * double(Frame) / Rate));
    sf_writef_short(File, Samples.data(), sf_count_t(Frames));
    sf_close(File);
}

// The first channel of a sound file, with its rate.
struct Decoded
{
    std::vector<std::int16_t> Samples;
    int Rate = 0;
    int Channels = 0;
    int Format = 0;
};

inline Decoded ReadFirstChannel(const QString& FileName)
{
    Decoded Result;
    SF_INFO Info {};
    SNDFILE* File = sf_open(QFile::encodeName(FileName).constData(), SFM_READ, &Info);
    if (!File)
        return Result;
    Result.Rate = Info.samplerate;
    Result.Channels = Info.channels;
    Result.Format = Info.format;
    std::vector<short> Frame(std::size_t(Info.channels) * 1024);
    sf_count_t Got;
    while ((Got = sf_readf_short(File, Frame.data(), 1024)) > 0)
        for (sf_count_t I = 0; I < Got; ++I)
            Result.Samples.push_back(Frame[std::size_t(I * Info.channels)]);
    sf_close(File);
    return Result;
}

} // namespace AudioProbe
