// The editor's two costs an adult notices with a large list (50,000 entries, a small picture
// on every tenth):
// - typing one character into the word filter box until the grid has repainted (goal: under
//   30 ms), as a sequence of keys typed and erased again, with the grid in the table's order
//   and sorted by the word;
// - saving the list from the editor's save action with the progress dialog on screen.
// The editor runs offscreen with the real presenter, speech engine and sound device.
#include "Clock.h"
#include "EspeakSpeechEngine.h"
#include "QtProgressRunner.h"
#include "QtSoundDevice.h"
#include "uEditorControls.h"
#include "uFrmEditor.h"
#include "uMWord.h"
#include "uTableModel.h"
#include "uWordData.h"
#include "uWordView.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

constexpr int LargeList = 50000;

QTemporaryDir& Home()
{
    static QTemporaryDir Dir;
    return Dir;
}

QByteArray SmallJpeg()
{
    QImage Picture(64, 48, QImage::Format_RGB32);
    Picture.fill(Qt::darkCyan);
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Picture.save(&Buffer, "JPG");
    return Bytes;
}

// The editor as the play window makes it, shown, on a large list under a file name.
struct LargeEditor
{
    LargeEditor()
        : Progress(nullptr, 0)
    {
        Editor = std::make_unique<TFrmEditor>(TEditorServices { nullptr, nullptr, nullptr, nullptr, &Progress });
        Progress.SetParent(Editor.get());
        Word = std::make_unique<TMWord>(Editor->WordView(), std::make_unique<EspeakSpeechEngine>(),
            std::make_unique<QtSoundDevice>(), SystemClock::Instance());
        Editor->SetWordPresenter(Word.get());
        FileName = Home().filePath(QStringLiteral("large.tlo"));
        QFile::remove(FileName);
        Editor->OpenWordFile(FileName);

        const QString Syllables[] = { QStringLiteral("ba"), QStringLiteral("ne"), QStringLiteral("ran"),
            QStringLiteral("ko"), QStringLiteral("mi"), QStringLiteral("tus"), QStringLiteral("la"),
            QStringLiteral("do"), QStringLiteral("pe"), QStringLiteral("gri") };
        const QString Chinese = QString::fromUtf8("苹果香蕉葡萄西瓜海豹熊猫");
        const QString Categories[] = { QStringLiteral("animal"), QStringLiteral("fruit"), QStringLiteral("toy") };
        const QByteArray Picture = SmallJpeg();
        TWordData& Data = Word->WordData();
        TDataTable& Table = Data.DataSet();
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
                Table.FieldByName(QStringLiteral("Category")).SetAsString(Categories[I % 3]);
                Table.Post();
                if (I % 10 == 0) {
                    QFile File(Data.PhotoFileName());
                    if (File.open(QIODevice::WriteOnly))
                        File.write(Picture);
                    File.close();
                    Data.NoteMediaFile(Data.CurrentRowID(), true);
                }
            }
        }
        Editor->resize(900, 700);
        Editor->show();
        QCoreApplication::processEvents();
        Box = Editor->findChild<QLineEdit*>(QStringLiteral("edWordFilter"));
    }

    ~LargeEditor()
    {
        Word.reset();
        Editor.reset();
    }

    // One key as the keyboard delivers it to the focused filter box, then everything the
    // window does about it, up to the repainted grid.
    double TypeKey(int Key, const QString& Text)
    {
        const Steady::time_point Start = Steady::now();
        QKeyEvent Press(QEvent::KeyPress, Key, Qt::NoModifier, Text);
        QApplication::sendEvent(Box, &Press);
        QKeyEvent Release(QEvent::KeyRelease, Key, Qt::NoModifier, Text);
        QApplication::sendEvent(Box, &Release);
        QCoreApplication::processEvents(); // the queued repaints of the grid and the labels
        return std::chrono::duration<double>(Steady::now() - Start).count();
    }

    QtProgressRunner Progress;
    std::unique_ptr<TFrmEditor> Editor;
    std::unique_ptr<TMWord> Word;
    QString FileName;
    QLineEdit* Box = nullptr;
};

// Made by the first benchmark that needs it, freed before the application object goes.
std::unique_ptr<LargeEditor> TheLargeEditor;

LargeEditor& Large()
{
    if (!TheLargeEditor)
        TheLargeEditor = std::make_unique<LargeEditor>();
    return *TheLargeEditor;
}

// The keys typed and erased: "b", "a", "n", "e" and four backspaces, then a Chinese word.
struct TKey
{
    int Key;
    const char* Text;
};
const TKey Keys[] = { { Qt::Key_B, "b" }, { Qt::Key_A, "a" }, { Qt::Key_N, "n" }, { Qt::Key_E, "e" },
    { Qt::Key_Backspace, "" }, { Qt::Key_Backspace, "" }, { Qt::Key_Backspace, "" }, { Qt::Key_Backspace, "" },
    { Qt::Key_unknown, "海" }, { Qt::Key_Backspace, "" } };

void TypeIntoTheFilter(benchmark::State& State, bool Sorted)
{
    LargeEditor& E = Large();
    const int WordColumn = E.Word->View()->TableModel()->FieldColumn(QStringLiteral("Word"));
    E.Editor->Grid()->sortByColumn(Sorted ? WordColumn : -1, Qt::AscendingOrder);
    E.Box->setFocus();
    E.Box->clear();
    QCoreApplication::processEvents();
    std::vector<double> Ms;
    qint64 Shown = 0;
    std::size_t Next = 0;
    for (auto _ : State) {
        const TKey& Key = Keys[Next];
        Next = (Next + 1) % std::size(Keys);
        const double Seconds = E.TypeKey(Key.Key, QString::fromUtf8(Key.Text));
        State.SetIterationTime(Seconds);
        Ms.push_back(Seconds * 1000);
        Shown += E.Word->View()->rowCount();
    }
    std::sort(Ms.begin(), Ms.end());
    if (!Ms.empty()) {
        State.counters["p50_ms"] = Ms[Ms.size() / 2];
        State.counters["p95_ms"] = Ms[std::min(Ms.size() - 1, Ms.size() * 95 / 100)];
        State.counters["max_ms"] = Ms.back();
    }
    State.counters["rows shown"] = benchmark::Counter(static_cast<double>(Shown), benchmark::Counter::kAvgIterations);
    E.Box->clear();
    E.Editor->Grid()->sortByColumn(-1, Qt::AscendingOrder);
    QCoreApplication::processEvents();
}

void BM_TypeOneCharacterIntoTheWordFilter(benchmark::State& State)
{
    TypeIntoTheFilter(State, false);
}
BENCHMARK(BM_TypeOneCharacterIntoTheWordFilter)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TypeOneCharacterIntoTheWordFilterSorted(benchmark::State& State)
{
    TypeIntoTheFilter(State, true);
}
BENCHMARK(BM_TypeOneCharacterIntoTheWordFilterSorted)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

// The save action on a changed list: the state files, the list file, the archive with its
// backup copy, under the busy progress dialog.
void BM_SaveFromTheEditorWithProgress(benchmark::State& State)
{
    LargeEditor& E = Large();
    TWordData& Data = E.Word->WordData();
    for (auto _ : State) {
        Data.SetModified(true);
        const Steady::time_point Start = Steady::now();
        E.Editor->actSaveExecute();
        State.SetIterationTime(std::chrono::duration<double>(Steady::now() - Start).count());
        if (Data.Modified())
            State.SkipWithError("the list was not saved");
    }
    State.counters["archive_MB"] = static_cast<double>(QFileInfo(E.FileName).size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_SaveFromTheEditorWithProgress)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TUMBALO_HOME", Home().path().toUtf8());
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    TheLargeEditor.reset();
    benchmark::Shutdown();
    return 0;
}
