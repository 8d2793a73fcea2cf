// The fakes stand in for the real services in the presenter's tests, so they must fail
// where the real ones fail: the presenter's clean-up paths depend on it.
#include "Error.h"
#include "FakeSound.h"
#include "FakeSpeech.h"
#include "TestHome.h"
#include "uWaveFile.h"

#include <gtest/gtest.h>

namespace {

TEST(FakeSound, FailsLikeTheRealDevice)
{
    TestHome Home;
    FakeSound Sound;
    EXPECT_THROW(Sound.Stop(), Error) << "no open file";
    EXPECT_THROW(Sound.Open(), Error) << "no name";
    Sound.SetFileName(Home.Path() + QStringLiteral("missing.wav"));
    EXPECT_THROW(Sound.Open(), Error);

    const QString Temp = Home.Path() + QStringLiteral("Temp.wav");
    WriteWaveHeader(2, 16, Temp, 22050);
    Sound.SetFileName(Temp);
    Sound.Open();
    Sound.StartRecording();
    Sound.Stop();
    Sound.Save(Sound.FileName());
    Sound.Close();
    EXPECT_THROW(Sound.Stop(), Error) << "closed after a recording";
    EXPECT_EQ(Sound.SavedTo, Temp);
    EXPECT_EQ(Sound.Calls,
        QStringList({ "Stop", "Open", "Open", "Open", "StartRecording", "Stop", "Save " + Temp, "Close", "Stop" }));
}

TEST(FakeSound, FailsAtTheStepItIsToldTo)
{
    TestHome Home;
    const QString Temp = Home.Path() + QStringLiteral("Temp.wav");
    WriteWaveHeader(2, 16, Temp, 22050);
    FakeSound Sound;
    Sound.FailAt = FakeSound::Step::Play;
    Sound.SetFileName(Temp);
    Sound.Open();
    EXPECT_THROW(Sound.Play(), Error);
    EXPECT_FALSE(Sound.Playing);
    EXPECT_NO_THROW(Sound.Stop());
}

TEST(FakeSpeech, KeepsTheTextsAndVoicesAndFailsWhenTold)
{
    FakeSpeech Speech;
    int Calls = 0;
    Speech.OnSpeak = [&Calls](const QString&) { ++Calls; };
    Speech.Speak(QStringLiteral("海海"));
    Speech.SelectVoice(QStringLiteral("english (america)"));
    Speech.Speak(QStringLiteral("cat"));
    EXPECT_EQ(Speech.Spoken, QStringList({ "海海", "cat" }));
    EXPECT_EQ(Speech.SpokenVoices, QStringList({ "", "English (America)" }));
    EXPECT_EQ(Calls, 2);

    EXPECT_THROW(Speech.SelectVoice(QStringLiteral("Klingon")), Error);
    EXPECT_EQ(Speech.CurrentVoice(), QStringLiteral("English (America)"));

    Speech.FailSpeak = true;
    EXPECT_THROW(Speech.Speak(QStringLiteral("dog")), Error);
    EXPECT_EQ(Speech.Spoken.size(), 2);
}

} // namespace
