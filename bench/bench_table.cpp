// The data packet of a large word list: writing and reading 100,000 entries (goal: each under
// 0.3 s), and the table operations the collection runs over a whole list.
#include "uDataTable.h"
#include "uWordData.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Rows = 100000;

// A list like a real one: mixed Latin and Chinese words, a few categories, some colours and
// marks left null.
std::unique_ptr<TDataTable> LargeTable()
{
    auto Table = std::make_unique<TDataTable>();
    Table->CreateDataSet(TWordData::WordFields());
    const QString Chinese = QString::fromUtf8("苹果香蕉葡萄西瓜");
    const QString Categories[]
        = { QStringLiteral("animal"), QString::fromUtf8("水果"), QStringLiteral("colour & shape") };
    TControlsDisabled Disabled(*Table);
    for (int I = 0; I < Rows; ++I) {
        Table->Append();
        Table->Field(0).SetValue(I + 2);
        Table->Field(1).SetValue(I % 3 == 0 ? Chinese.left(2 + I % 6) : QStringLiteral("word %1").arg(I * 7919 % Rows));
        if (I % 2 == 0)
            Table->Field(2).SetValue(0x00FF8000 + I);
        Table->Field(3).SetValue(Categories[I % 3]);
        if (I % 4 == 0)
            Table->Field(4).SetValue(QStringLiteral("AbleToReadWord"));
        Table->Post();
    }
    return Table;
}

void BM_WritePacket(benchmark::State& State)
{
    auto Table = LargeTable();
    qsizetype Bytes = 0;
    for (auto _ : State) {
        const QByteArray Packet = Table->SaveToXml();
        Bytes = Packet.size();
        benchmark::DoNotOptimize(Packet.constData());
    }
    State.counters["bytes"] = static_cast<double>(Bytes);
}
BENCHMARK(BM_WritePacket)->Unit(benchmark::kMillisecond);

void BM_ReadPacket(benchmark::State& State)
{
    const QByteArray Packet = LargeTable()->SaveToXml();
    TDataTable Table;
    for (auto _ : State) {
        Table.LoadFromXml(Packet);
        benchmark::DoNotOptimize(Table.RecordCount());
    }
    if (Table.RecordCount() != Rows)
        State.SkipWithError("rows lost");
}
BENCHMARK(BM_ReadPacket)->Unit(benchmark::kMillisecond);

// The ordering the duplicate clean-up sets and then restores.
void BM_OrderByWordAndCategoryAndBack(benchmark::State& State)
{
    auto Table = LargeTable();
    for (auto _ : State) {
        Table->SetIndexFieldNames(QStringLiteral("Word;Category"));
        Table->SetIndexFieldNames(QString());
    }
}
BENCHMARK(BM_OrderByWordAndCategoryAndBack)->Unit(benchmark::kMillisecond);

// A search that finds nothing walks every record.
void BM_LocateMissingWord(benchmark::State& State)
{
    auto Table = LargeTable();
    for (auto _ : State)
        benchmark::DoNotOptimize(Table->Locate(QStringLiteral("Word"), QStringLiteral("no such word")));
}
BENCHMARK(BM_LocateMissingWord)->Unit(benchmark::kMicrosecond);

void BM_LocateMissingWordIgnoringCase(benchmark::State& State)
{
    auto Table = LargeTable();
    for (auto _ : State)
        benchmark::DoNotOptimize(
            Table->Locate(QStringLiteral("Word"), QStringLiteral("NO SUCH WORD"), Qt::CaseInsensitive));
}
BENCHMARK(BM_LocateMissingWordIgnoringCase)->Unit(benchmark::kMicrosecond);

// Locating by RowID while ordered by it, as the clean-up deletes marked entries.
void BM_LocateRowIDOrdered(benchmark::State& State)
{
    auto Table = LargeTable();
    Table->SetIndexFieldNames(QStringLiteral("RowID"));
    int RowID = 2;
    for (auto _ : State) {
        benchmark::DoNotOptimize(Table->Locate(QStringLiteral("RowID"), RowID));
        RowID = RowID % Rows + 2;
    }
}
BENCHMARK(BM_LocateRowIDOrdered)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
