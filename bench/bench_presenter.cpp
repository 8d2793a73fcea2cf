// The presenter's two costs a person notices:
// - from the play window's SpeakCurrent to the first synthesised sample of a one-word entry,
//   English and Chinese (goal: under 20 ms), with the real espeak engine; the samples are not
//   played, so only the presenter's own path and the synthesis are measured;
// - filtering a 50,000-entry word view by a new word criterion with the picture filter on, as
//   the editor does on every key typed into the word filter box (goal: under 30 ms).
#include "Clock.h"
#include "EspeakSpeechEngine.h"
#include "QtSoundDevice.h"
#include "uMWord.h"
#include "uTableModel.h"
#include "uWordData.h"
#include "uWordView.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

using Steady = std::chrono::steady_clock;

// A clock that moves one second at every reading, so the speech guard never drops a request.
class SteppingClock final : public Clock
{
public:
    std::uint32_t TickCount() const override { return FNow += 1000; }

private:
    mutable std::uint32_t FNow = 1000000;
};

// The real espeak engine with the hook on the first sample in place of playing: Speak
// synthesises the whole word, as the engine does before it plays, and notes when the first
// samples came out.
class FirstSampleSpeech final : public SpeechEngine
{
public:
    void Speak(const QString& Text) override
    {
        Seen = false;
        Engine.Synthesize(Text, [this] {
            FirstSample = Steady::now();
            Seen = true;
        });
    }
    QList<SpeechVoice> Voices() override { return Engine.Voices(); }
    QString CurrentVoice() const override { return Engine.CurrentVoice(); }
    void SelectVoice(const QString& Name) override { Engine.SelectVoice(Name); }

    EspeakSpeechEngine Engine;
    Steady::time_point FirstSample;
    bool Seen = false;
};

// A presenter on its own view, with the given entries, each spoken once so that its voice is
// loaded.
struct Presenter
{
    explicit Presenter(const QStringList& Words)
    {
        auto SpeechEngine = std::make_unique<FirstSampleSpeech>();
        Speech = SpeechEngine.get();
        Word = std::make_unique<TMWord>(&View, std::move(SpeechEngine), std::make_unique<QtSoundDevice>(), Ticks);
        TDataTable& Table = Word->WordData().DataSet();
        for (const QString& Text : Words) {
            Table.Append();
            Table.FieldByName(QStringLiteral("Word")).SetAsString(Text);
            Table.Post();
        }
        View.SetFocusedRow(0);
        for (int I = 0; I < Words.size(); ++I) {
            Word->SpeakCurrent();
            Word->Next();
        }
    }

    // Times one SpeakCurrent up to the first sample; negative when nothing was synthesised.
    double SecondsToFirstSample()
    {
        const Steady::time_point Start = Steady::now();
        Word->SpeakCurrent();
        return Speech->Seen ? std::chrono::duration<double>(Speech->FirstSample - Start).count() : -1;
    }

    SteppingClock Ticks;
    TWordView View;
    FirstSampleSpeech* Speech = nullptr;
    std::unique_ptr<TMWord> Word;
};

void Report(benchmark::State& State, double Seconds)
{
    if (Seconds < 0)
        State.SkipWithError("no samples");
    else
        State.SetIterationTime(Seconds);
}

// Entry after entry in the same language.
void BM_SpeakCurrentToFirstSample(benchmark::State& State, const char* Text)
{
    Presenter P({ QString::fromUtf8(Text) });
    for (auto _ : State)
        Report(State, P.SecondsToFirstSample());
}
BENCHMARK_CAPTURE(BM_SpeakCurrentToFirstSample, English, "cat")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SpeakCurrentToFirstSample, Chinese, "海海")->UseManualTime()->Unit(benchmark::kMillisecond);

// A list that mixes the languages: every entry switches the voice.
void BM_SpeakCurrentToFirstSampleMixedList(benchmark::State& State)
{
    Presenter P({ QStringLiteral("cat"), QString::fromUtf8("海海") });
    for (auto _ : State) {
        State.PauseTiming();
        P.Word->Next();
        State.ResumeTiming();
        Report(State, P.SecondsToFirstSample());
    }
}
BENCHMARK(BM_SpeakCurrentToFirstSampleMixedList)->UseManualTime()->Unit(benchmark::kMillisecond);

constexpr int LargeList = 50000;

// A word list like a large real one: English-like and Chinese words, a picture for every
// third entry (its file written directly, the collection told of it).
struct LargeView
{
    LargeView()
    {
        bool Created = false;
        Data = std::make_unique<TWordData>(TWordData::CreateWorkDir(&Created));
        const QString Syllables[] = { QStringLiteral("ba"), QStringLiteral("ne"), QStringLiteral("ran"),
            QStringLiteral("ko"), QStringLiteral("mi"), QStringLiteral("tus"), QStringLiteral("la"),
            QStringLiteral("do"), QStringLiteral("pe"), QStringLiteral("gri") };
        const QString Chinese = QString::fromUtf8("苹果香蕉葡萄西瓜海豹熊猫");
        TDataTable& Table = Data->DataSet();
        {
            TControlsDisabled Quiet(Table);
            std::uint32_t Seed = 12345;
            for (int I = 0; I < LargeList; ++I) {
                Seed = Seed * 1103515245u + 12345u;
                QString Text;
                if (I % 4 == 0) {
                    Text = Chinese.mid(static_cast<int>(Seed >> 8) % 10, 2);
                } else {
                    for (int S = 0; S < 2 + static_cast<int>(Seed >> 28) % 3; ++S)
                        Text += Syllables[(Seed >> (4 * S + 8)) % 10];
                }
                Table.Append();
                Table.FieldByName(QStringLiteral("Word")).SetAsString(Text);
                Table.Post();
                if (I % 3 == 0) {
                    QFile Picture(Data->PhotoFileName());
                    if (Picture.open(QIODevice::WriteOnly))
                        Picture.write("picture");
                    Picture.close();
                    Data->NoteMediaFile(Data->CurrentRowID(), true);
                }
            }
        }
        View.SetWordData(Data.get());
        View.SetPhotoFilter(1);
    }
    ~LargeView() { View.SetWordData(nullptr); }

    std::unique_ptr<TWordData> Data;
    TWordView View;
};

// Criteria as typed letter by letter, then cleared, and one that matches nothing.
const QStringList Typed = { QStringLiteral("b"), QStringLiteral("ba"), QStringLiteral("ban"), QStringLiteral("bane"),
    QString(), QString::fromUtf8("海"), QStringLiteral("xyz"), QString() };

void FilterByTypedCriteria(benchmark::State& State, LargeView& Large)
{
    int Next = 0;
    qint64 Shown = 0;
    for (auto _ : State) {
        Large.View.SetWordFilter(Typed.at(Next));
        Next = (Next + 1) % Typed.size();
        Shown += Large.View.rowCount();
    }
    State.counters["rows shown"] = benchmark::Counter(static_cast<double>(Shown), benchmark::Counter::kAvgIterations);
}

void BM_FilterLargeViewByWordWithPictureFilter(benchmark::State& State)
{
    LargeView Large;
    FilterByTypedCriteria(State, Large);
}
BENCHMARK(BM_FilterLargeViewByWordWithPictureFilter)->Unit(benchmark::kMillisecond);

// The same with the grid sorted by Word, as the editor often is.
void BM_FilterLargeSortedViewByWordWithPictureFilter(benchmark::State& State)
{
    LargeView Large;
    Large.View.sort(Large.View.TableModel()->FieldColumn(QStringLiteral("Word")), Qt::AscendingOrder);
    FilterByTypedCriteria(State, Large);
}
BENCHMARK(BM_FilterLargeSortedViewByWordWithPictureFilter)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    // The working folders and settings go to a folder of their own, removed afterwards.
    QTemporaryDir Home;
    qputenv("TUMBALO_HOME", Home.path().toUtf8());
    QCoreApplication App(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
