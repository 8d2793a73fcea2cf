// The presenter on the real speech engine and sound device, heard through the sound server's
// monitor: a clip recorded through the presenter becomes the entry's clip and plays back, and
// an entry without a clip is spoken. Skipped without a sound server.
#include "AudioProbe.h"
#include "Clock.h"
#include "EspeakSpeechEngine.h"
#include "FakeMessageBoxes.h"
#include "ProgramFolder.h"
#include "QtSoundDevice.h"
#include "TestHome.h"
#include "WordFixtures.h"
#include "uINIFileForEXE.h"
#include "uMWord.h"
#include "uWordView.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace AudioProbe;
using namespace wordfixtures;

template <typename Predicate> bool WaitFor(Predicate Condition, int Milliseconds = 5000)
{
    QDeadlineTimer Deadline(Milliseconds);
    while (!Condition() && !Deadline.hasExpired())
        QTest::qWait(10);
    return Condition();
}

class MWordSound : public ::testing::Test
{
protected:
    void TearDown() override { GlobalIniFileName.clear(); }

    TestHome Home;
};

TEST_F(MWordSound, RecordsAClipPlaysItBackAndSpeaksEntriesWithoutOne)
{
    SKIP_WITHOUT_SOUND_SERVER();
    TWordView View;
    FakeMessageBoxes Boxes;
    auto Device = std::make_unique<QtSoundDevice>();
    QtSoundDevice* Player = Device.get();
    TMWord Word(&View, std::make_unique<EspeakSpeechEngine>(), std::move(Device), SystemClock::Instance(),
        TWordDataServices { &Boxes });
    AddEntry(Word.WordData(), { "cat" });
    AddEntry(Word.WordData(), { "dog" });

    // Another player sounds a tone into the output, which the microphone hears.
    ASSERT_TRUE(Word.StartRecording());
    const QString Tone = Home.Path() + "tone.wav";
    WriteTone(Tone, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 1000, 1.0);
    QProcess Source;
    Source.start(QStringLiteral("paplay"), { Tone });
    ASSERT_TRUE(Source.waitForStarted());
    ASSERT_TRUE(WaitFor([&Source] { return Source.state() == QProcess::NotRunning; }, 10000));
    QTest::qWait(200);
    Word.StopRecording();
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Type, FakeMessageBoxes::Kind::Information);
    ASSERT_TRUE(Word.HasClip());

    std::vector<std::int16_t> Heard;
    {
        MonitorCapture Capture;
        Word.PlayClip();
        EXPECT_TRUE(Player->IsPlaying());
        EXPECT_TRUE(WaitFor([Player] { return !Player->IsPlaying(); }, 10000));
        Heard = LoudPart(Capture.Finish(), CaptureRate);
    }
    EXPECT_GT(Seconds(Heard, CaptureRate), 0.7) << "the recorded tone plays back";
    EXPECT_GT(ToneShare(Heard, CaptureRate, 1000), 0.5);
    Word.StopClip();
    EXPECT_FALSE(QFileInfo::exists(ProgramFolder() + "temp.wav"));

    Word.Prior(); // cat, without a clip
    {
        MonitorCapture Capture;
        Word.SpeakCurrent(); // returns when the word has been spoken
        Heard = LoudPart(Capture.Finish(), CaptureRate);
    }
    EXPECT_GT(Seconds(Heard, CaptureRate), 0.15) << "the word was spoken";
    EXPECT_LT(ToneShare(Heard, CaptureRate, 1000), 0.3) << "and it is speech, not the clip";
}

} // namespace
