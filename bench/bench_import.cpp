// The collection's bulk work on large lists: removing duplicates from 10,000 and 100,000
// entries of which half are duplicates (goal: 100,000 under 1 s, and ten times the entries
// costing less than fifteen times as much), appending a text file of 100,000 lines (goal:
// under 1 s), and, for comparison, pasting lines into and exporting rows of a large list.
#include "uLogHandler.h"
#include "uWordData.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

QString Root; // the program's folder for this run, ending with "/"

std::unique_ptr<TWordData> NewCollection()
{
    return std::make_unique<TWordData>(TWordData::CreateWorkDir());
}

// Count entries: Count / 2 words, each twice, the two copies far apart and with the same
// category; every tenth word is Chinese.
void FillWithDuplicates(TWordData& Data, int Count)
{
    TDataTable& Table = Data.DataSet();
    const QString Categories[] = { QStringLiteral("animal"), QString::fromUtf8("水果"), QString() };
    const int Distinct = Count / 2;
    TControlsDisabled Quiet(Table);
    for (int I = 0; I < Count; ++I) {
        const int Word = static_cast<int>((static_cast<qint64>(I) * 7919) % Distinct);
        Table.Append();
        Table.FieldByName(QStringLiteral("Word"))
            .SetAsString(Word % 10 == 0 ? QString::fromUtf8("苹果%1").arg(Word) : QStringLiteral("word %1").arg(Word));
        Table.FieldByName(QStringLiteral("Category")).SetAsString(Categories[Word % 3]);
        Table.Post();
    }
}

// Removes the duplicates, each removal logged to a file as the program does (Logged) or with
// the log off.
void BM_DeleteDuplicates(benchmark::State& State, bool Logged)
{
    const int Count = static_cast<int>(State.range(0));
    const QString LogName = Root + QStringLiteral("Log.log");
    auto Log = std::make_unique<TLogHandler>();
    if (Logged)
        Log->SetFileName(LogName);
    ReplaceLogHandler(std::move(Log));
    for (auto _ : State) {
        auto Data = NewCollection();
        FillWithDuplicates(*Data, Count);
        QFile::remove(LogName);
        const auto Start = std::chrono::steady_clock::now();
        const int Deleted = Data->DeleteDuplicates();
        State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
        if (Deleted != Count / 2)
            State.SkipWithError("wrong number of duplicates deleted");
    }
    ReplaceLogHandler(std::make_unique<TLogHandler>());
}
BENCHMARK_CAPTURE(BM_DeleteDuplicates, Logged, true)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DeleteDuplicates, NoLog, false)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_AppendFromTextFile(benchmark::State& State)
{
    const int Lines = static_cast<int>(State.range(0));
    const QString Name = Root + QStringLiteral("words.txt");
    QByteArray Text;
    for (int I = 0; I < Lines; ++I)
        Text
            += (I % 10 == 0 ? QString::fromUtf8("苹果 %1").arg(I) : QStringLiteral("word %1").arg(I)).toUtf8() + "\r\n";
    QFile File(Name);
    if (!File.open(QIODevice::WriteOnly) || File.write(Text) != Text.size())
        State.SkipWithError("cannot write the text file");
    File.close();
    for (auto _ : State) {
        auto Data = NewCollection();
        const auto Start = std::chrono::steady_clock::now();
        const int Appended = Data->AppendFromTextFile(Name);
        State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
        if (Appended != Lines)
            State.SkipWithError("lines lost");
    }
}
BENCHMARK(BM_AppendFromTextFile)->Arg(100000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Pasting 1,000 lines into the middle of a list of 100,000 entries.
void BM_PasteIntoLargeList(benchmark::State& State)
{
    QStringList Lines;
    for (int I = 0; I < 1000; ++I)
        Lines << QStringLiteral("pasted %1").arg(I);
    for (auto _ : State) {
        auto Data = NewCollection();
        FillWithDuplicates(*Data, 100000);
        Data->DataSet().SetRecNo(50000);
        const auto Start = std::chrono::steady_clock::now();
        Data->InsertLines(Lines);
        State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
    }
}
BENCHMARK(BM_PasteIntoLargeList)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Exporting every other entry of a list of 100,000 as a word archive.
void BM_ExportRows(benchmark::State& State)
{
    auto Data = NewCollection();
    FillWithDuplicates(*Data, 100000);
    QList<qint32> RowIDs;
    for (qint32 RowID = 2; RowID < 100002; RowID += 2)
        RowIDs << RowID;
    const QString Name = Root + QStringLiteral("Export.tlo");
    for (auto _ : State) {
        const auto Start = std::chrono::steady_clock::now();
        Data->ExportRowsTo(Name, RowIDs);
        State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
    }
}
BENCHMARK(BM_ExportRows)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir Home;
    if (!Home.isValid())
        return 1;
    Root = Home.path() + QLatin1Char('/');
    qputenv("TUMBALO_HOME", QFile::encodeName(Root)); // working folders and the log go there
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
