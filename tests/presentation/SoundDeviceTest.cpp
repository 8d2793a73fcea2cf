#include "AudioProbe.h"
#include "Error.h"
#include "QtSoundDevice.h"
#include "TestHome.h"
#include "uWaveFile.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using namespace AudioProbe;

// Runs the event loop until Condition holds or a few seconds have passed.
template <typename Predicate> bool WaitFor(Predicate Condition, int Milliseconds = 5000)
{
    QDeadlineTimer Deadline(Milliseconds);
    while (!Condition() && !Deadline.hasExpired())
        QTest::qWait(10);
    return Condition();
}

class QtSoundDeviceTest : public ::testing::Test
{
protected:
    QString File(const char* Name) const { return Home.Path() + QString::fromLatin1(Name); }

    TestHome Home;
    QtSoundDevice Device;
};

TEST_F(QtSoundDeviceTest, OpeningNeedsANamedReadableSoundFile)
{
    EXPECT_THROW(Device.Open(), Error) << "no file name";

    Device.SetFileName(File("missing.wav"));
    EXPECT_THROW(Device.Open(), Error);

    QFile Junk(File("junk.mp3"));
    ASSERT_TRUE(Junk.open(QIODevice::WriteOnly));
    Junk.write("this is not a sound");
    Junk.close();
    Device.SetFileName(Junk.fileName());
    EXPECT_THROW(Device.Open(), Error);
    EXPECT_THROW(Device.Stop(), Error) << "a failed open leaves the device closed";
}

TEST_F(QtSoundDeviceTest, StopAndSaveWithoutAnOpenFileRaise)
{
    EXPECT_THROW(Device.Stop(), Error);
    EXPECT_THROW(Device.Save(File("Temp.wav")), Error);
    EXPECT_THROW(Device.Play(), Error);
    EXPECT_NO_THROW(Device.Close());

    WriteTone(File("tone.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 440, 0.2);
    Device.SetFileName(File("tone.wav"));
    Device.Open();
    EXPECT_NO_THROW(Device.Stop()) << "stopping an open, idle file is fine";
    EXPECT_THROW(Device.Save(File("copy.wav")), Error) << "nothing was recorded";
    Device.Close();
    EXPECT_THROW(Device.Stop(), Error) << "closed again";
    EXPECT_EQ(Device.FileName(), File("tone.wav")) << "closing keeps the name; the caller clears it";
}

TEST_F(QtSoundDeviceTest, RecordsOnlyIntoASixteenBitWaveFile)
{
    WriteTone(File("tone.mp3"), SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050, 2, 440, 0.2);
    Device.SetFileName(File("tone.mp3"));
    Device.Open();
    EXPECT_THROW(Device.StartRecording(), Error);
    EXPECT_FALSE(Device.IsRecording());
}

TEST_F(QtSoundDeviceTest, PlaysWaveAndMp3ClipsInTheBackgroundAtTheirOwnRate)
{
    SKIP_WITHOUT_SOUND_SERVER();
    struct Case
    {
        const char* Name;
        int Format;
        int Rate;
        int Channels;
        double Frequency;
    };
    // A clip played at the wrong rate would be heard at a shifted pitch.
    const Case Cases[] = {
        { "tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 1000 },
        { "tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 22050, 1, 660 },
        { "short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 500 },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        const double ClipSeconds = C.Rate == 8000 ? 0.15 : 0.6; // one shorter than the output's buffer
        WriteTone(File(C.Name), C.Format, C.Rate, C.Channels, C.Frequency, ClipSeconds);

        MonitorCapture Capture;
        Device.SetFileName(File(C.Name));
        Device.Open();
        Device.Play();
        EXPECT_TRUE(Device.IsPlaying()) << "Play returns while the clip plays";
        EXPECT_TRUE(WaitFor([this] { return !Device.IsPlaying(); })) << "the clip ends by itself";
        const std::vector<std::int16_t> Heard = LoudPart(Capture.Finish(), CaptureRate);
        Device.Close();

        EXPECT_NEAR(Seconds(Heard, CaptureRate), ClipSeconds, 0.15) << "heard the whole clip once";
        EXPECT_GT(ToneShare(Heard, CaptureRate, C.Frequency), 0.5);
        EXPECT_LT(ToneShare(Heard, CaptureRate, C.Frequency / 2), 0.1);
    }
}

TEST_F(QtSoundDeviceTest, StopCutsAPlayingClipOff)
{
    SKIP_WITHOUT_SOUND_SERVER();
    WriteTone(File("long.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1, 800, 4.0);
    MonitorCapture Capture;
    Device.SetFileName(File("long.wav"));
    Device.Open();
    Device.Play();
    QTest::qWait(300);
    Device.Stop();
    EXPECT_FALSE(Device.IsPlaying());
    QTest::qWait(500);
    const std::vector<std::int16_t> Heard = LoudPart(Capture.Finish(), CaptureRate);
    EXPECT_GT(Seconds(Heard, CaptureRate), 0.05) << "it did start";
    EXPECT_LT(Seconds(Heard, CaptureRate), 2.0) << "and did not play on after Stop";

    // The same open file plays again from its beginning.
    Device.Play();
    EXPECT_TRUE(Device.IsPlaying());
    Device.Close();
    EXPECT_FALSE(Device.IsPlaying());
}

TEST_F(QtSoundDeviceTest, WithoutSoundServerPlayingAndRecordingRaise)
{
    if (!QMediaDevices::defaultAudioOutput().isNull() || !QMediaDevices::defaultAudioInput().isNull())
        GTEST_SKIP() << "a sound server runs";
    WriteWaveHeader(2, 16, File("Temp.wav"), 22050);
    Device.SetFileName(File("Temp.wav"));
    Device.Open();
    EXPECT_THROW(Device.Play(), Error);
    EXPECT_FALSE(Device.IsPlaying());
    EXPECT_THROW(Device.StartRecording(), Error);
    EXPECT_FALSE(Device.IsRecording());
    Device.Close();
    QFile Wave(File("Temp.wav"));
    EXPECT_EQ(Wave.size(), WaveHeaderSize) << "the header stays";
}

class QtSoundRecordingTest : public QtSoundDeviceTest
{
protected:
    // Plays a tone into the output with an independent player while the device records.
    void PlayTone(double Frequency, double Seconds)
    {
        WriteTone(File("source.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, Frequency, Seconds);
        QProcess Player;
        Player.start(QStringLiteral("paplay"), { File("source.wav") });
        ASSERT_TRUE(Player.waitForStarted());
        ASSERT_TRUE(WaitFor([&Player] { return Player.state() == QProcess::NotRunning; }, 10000));
        QTest::qWait(200);
    }

    QByteArray Header()
    {
        QFile Wave(Temp);
        EXPECT_TRUE(Wave.open(QIODevice::ReadOnly));
        return Wave.read(WaveHeaderSize);
    }

    QString Temp = File("Temp.wav");
};

TEST_F(QtSoundRecordingTest, RecordsTheMicrophoneIntoTheHeadersFormatAndFixesTheSizes)
{
    SKIP_WITHOUT_SOUND_SERVER();
    WriteWaveHeader(2, 16, Temp, 22050);
    const QByteArray Written = Header();

    Device.SetFileName(Temp);
    Device.Open();
    Device.StartRecording();
    EXPECT_TRUE(Device.IsRecording());
    PlayTone(1000, 1.0);
    Device.Stop();
    Device.Save(Device.FileName());
    Device.Close();

    QFile Wave(Temp);
    const qint64 Length = Wave.size();
    const QByteArray Saved = Header();
    EXPECT_EQ(Saved.mid(8, 32), Written.mid(8, 32)) << "format fields as written before recording";
    EXPECT_EQ(qFromLittleEndian<std::uint32_t>(Saved.constData() + 4), std::uint32_t(Length - 8));
    EXPECT_EQ(qFromLittleEndian<std::uint32_t>(Saved.constData() + 40), std::uint32_t(Length - WaveHeaderSize));
    EXPECT_EQ((Length - WaveHeaderSize) % 4, 0) << "whole frames";

    const Decoded Recorded = ReadFirstChannel(Temp);
    EXPECT_EQ(Recorded.Rate, 22050);
    EXPECT_EQ(Recorded.Channels, 2);
    EXPECT_EQ(Recorded.Format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const std::vector<std::int16_t> Tone = LoudPart(Recorded.Samples, Recorded.Rate);
    EXPECT_GT(Seconds(Tone, Recorded.Rate), 0.7) << "the tone was recorded";
    EXPECT_GT(ToneShare(Tone, Recorded.Rate, 1000), 0.5);
}

TEST_F(QtSoundRecordingTest, SavingUnderAnotherNameCopiesTheFinishedRecording)
{
    SKIP_WITHOUT_SOUND_SERVER();
    WriteWaveHeader(2, 16, Temp, 22050);
    Device.SetFileName(Temp);
    Device.Open();
    Device.StartRecording();
    PlayTone(700, 0.4);
    Device.Save(File("copy.wav")); // stops the recording first
    EXPECT_FALSE(Device.IsRecording());
    Device.Close();

    QFile Original(Temp), Copy(File("copy.wav"));
    ASSERT_TRUE(Original.open(QIODevice::ReadOnly));
    ASSERT_TRUE(Copy.open(QIODevice::ReadOnly));
    EXPECT_GT(Copy.size(), WaveHeaderSize);
    EXPECT_EQ(Copy.readAll(), Original.readAll());
}

TEST_F(QtSoundRecordingTest, ClosingAnUnsavedRecordingLeavesTheBareHeader)
{
    SKIP_WITHOUT_SOUND_SERVER();
    WriteWaveHeader(2, 16, Temp, 22050);
    const QByteArray Written = Header();
    Device.SetFileName(Temp);
    Device.Open();
    Device.StartRecording();
    PlayTone(700, 0.3);
    Device.Stop();
    Device.Close();

    QFile Wave(Temp);
    ASSERT_TRUE(Wave.open(QIODevice::ReadOnly));
    EXPECT_EQ(Wave.readAll(), Written);
}

} // namespace
