#include "AudioProbe.h"
#include "Error.h"
#include "EspeakSpeechEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using namespace AudioProbe;

const QString MandarinName = QStringLiteral("Chinese (Mandarin, latin as Pinyin)");
const QString AmericanName = QStringLiteral("English (America)");

// 海 is hǎi, third tone: espeak's Mandarin writes it with the tone contour 214. A voice
// that does not speak Mandarin spells the character out instead.
bool SoundsMandarin(const QString& Phonemes)
{
    return Phonemes.contains(QStringLiteral("ai214")) && !Phonemes.contains(QStringLiteral("(en)"));
}

TEST(VoiceChoice, TheVoiceFollowsTheTextUnlessOneIsChosen)
{
    struct Case
    {
        const char* Text;
        QByteArray Chosen;
        QByteArray Expected;
    };
    const QByteArray Mandarin = EspeakSpeechEngine::MandarinVoice;
    const QByteArray Default = EspeakSpeechEngine::DefaultVoice;
    const Case Cases[] = {
        { "cat", {}, Default },
        { "海海", {}, Mandarin },
        { "cat 猫", {}, Mandarin }, // one character is enough
        { "ㄅㄆㄇ", {}, Mandarin }, // bopomofo spells Mandarin
        { "𠀋", {}, Mandarin }, // a character outside the basic plane
        { "，。！", {}, Default }, // Chinese punctuation alone is no Chinese text
        { "ひらがな", {}, Default },
        { "", {}, Default },
        { "海海", "gmw/en-US", "gmw/en-US" }, // the adult's choice wins
        { "cat", "sit/cmn", "sit/cmn" },
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Text);
        EXPECT_EQ(EspeakSpeechEngine::VoiceFor(QString::fromUtf8(C.Text), C.Chosen), C.Expected);
    }
}

TEST(EspeakSpeechEngine, SynthesisesEnglishAndMandarinIntoAudibleSound)
{
    EspeakSpeechEngine Engine;
    for (const char* Text : { "cat", "海海" }) {
        SCOPED_TRACE(Text);
        int FirstSampleCalls = 0;
        const std::vector<std::int16_t> Samples
            = Engine.Synthesize(QString::fromUtf8(Text), [&FirstSampleCalls] { ++FirstSampleCalls; });
        EXPECT_EQ(FirstSampleCalls, 1);
        EXPECT_GT(Seconds(Samples, EspeakSpeechEngine::SampleRate), 0.2);
        EXPECT_LT(Seconds(Samples, EspeakSpeechEngine::SampleRate), 3.0);
        EXPECT_GT(Rms(Samples), 300.0) << "not silence";
    }
    EXPECT_TRUE(SoundsMandarin(Engine.Phonemes(QStringLiteral("海海"))))
        << Engine.Phonemes(QStringLiteral("海海")).toStdString();
    EXPECT_EQ(Engine.Phonemes(QStringLiteral("cat")), QStringLiteral("k'at"));
    EXPECT_TRUE(Engine.Synthesize(QString()).empty());
}

TEST(EspeakSpeechEngine, ListsEveryVoiceOnceInNameOrder)
{
    EspeakSpeechEngine Engine;
    const QList<SpeechVoice> Voices = Engine.Voices();
    ASSERT_GT(Voices.size(), 50);
    EXPECT_TRUE(std::is_sorted(Voices.begin(), Voices.end(),
        [](const SpeechVoice& A, const SpeechVoice& B) { return A.Name.compare(B.Name, Qt::CaseInsensitive) < 0; }));
    std::set<QString> Names;
    for (const SpeechVoice& Voice : Voices) {
        EXPECT_FALSE(Voice.Description.isEmpty()) << Voice.Name.toStdString();
        Names.insert(Voice.Name.toLower());
    }
    EXPECT_EQ(Names.size(), std::size_t(Voices.size())) << "names identify voices";
    EXPECT_TRUE(Voices.contains(SpeechVoice { MandarinName, QStringLiteral("cmn-latn-pinyin") }));
    EXPECT_EQ(Engine.Voices(), Voices) << "a second listing gives the same order";
}

TEST(EspeakSpeechEngine, ChosenVoiceSpeaksEveryTextUntilTheChoiceIsCleared)
{
    EspeakSpeechEngine Engine;
    EXPECT_TRUE(Engine.CurrentVoice().isEmpty());

    Engine.SelectVoice(AmericanName.toUpper()); // letter case does not matter
    EXPECT_EQ(Engine.CurrentVoice(), AmericanName);
    EXPECT_FALSE(SoundsMandarin(Engine.Phonemes(QStringLiteral("海海"))));

    EXPECT_THROW(Engine.SelectVoice(QStringLiteral("No Such Voice")), Error);
    EXPECT_EQ(Engine.CurrentVoice(), AmericanName) << "a failed choice changes nothing";

    Engine.SelectVoice(QString());
    EXPECT_TRUE(Engine.CurrentVoice().isEmpty());
    EXPECT_TRUE(SoundsMandarin(Engine.Phonemes(QStringLiteral("海海"))));
}

// espeak's voice is global to the process; each engine must still speak with its own.
TEST(EspeakSpeechEngine, EnginesKeepTheirOwnVoices)
{
    EspeakSpeechEngine Chosen;
    EspeakSpeechEngine Automatic;
    Chosen.SelectVoice(AmericanName);
    for (int Round = 0; Round < 2; ++Round) {
        EXPECT_FALSE(SoundsMandarin(Chosen.Phonemes(QStringLiteral("海海"))));
        EXPECT_TRUE(SoundsMandarin(Automatic.Phonemes(QStringLiteral("海海"))));
    }
    {
        EspeakSpeechEngine ShortLived;
        ShortLived.Voices();
    }
    EXPECT_TRUE(SoundsMandarin(Automatic.Phonemes(QStringLiteral("海海")))) << "still works after another engine went";
}

TEST(EspeakSpeechEngine, SpeaksAloudAndReturnsWhenTheWordHasBeenHeard)
{
    SKIP_WITHOUT_SOUND_SERVER();
    EspeakSpeechEngine Engine;
    const std::vector<std::int16_t> Expected = Engine.Synthesize(QStringLiteral("海海"));

    // Speaking cuts off whatever the output still plays, so two words in a row are both
    // heard in full only when the first Speak returned after its word had been played.
    MonitorCapture Capture;
    Engine.Speak(QStringLiteral("海海"));
    Engine.Speak(QStringLiteral("海海"));
    const std::vector<std::int16_t> Heard = LoudPart(Capture.Finish(), CaptureRate);

    EXPECT_GT(Rms(Heard), 300.0) << "speech reached the output";
    const double WordSeconds
        = Seconds(LoudPart(Expected, EspeakSpeechEngine::SampleRate), EspeakSpeechEngine::SampleRate);
    EXPECT_GT(Seconds(Heard, CaptureRate), 1.8 * WordSeconds) << "both words were played to their end";

    Engine.Speak(QString()); // nothing to say: returns at once
}

TEST(EspeakSpeechEngine, WithoutSoundServerSpeakingFailsAtOnce)
{
    if (!QMediaDevices::defaultAudioOutput().isNull())
        GTEST_SKIP() << "a sound server runs";
    EspeakSpeechEngine Engine;
    EXPECT_THROW(Engine.Speak(QStringLiteral("cat")), Error);
}

} // namespace
