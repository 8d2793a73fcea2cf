// Saving and opening a large word list, beside Info-ZIP's zip and unzip on the same folder and
// archive, and the peak memory of opening it in a child process.
//
// The list is made here: 5,000 entries, 2,000 pictures of about 30 KB, 1,000 clips of about
// 100 KB, and the settings and grid files. Saving writes the encrypted list file and packs the
// working folder; opening unpacks it, decrypts the list file and loads the table. The archive
// alone (pack, unpack) is timed too.
//
// Run: bench_archive [Google Benchmark flags]. The summary at the end gives the seconds, the
// ratios to zip and unzip and the peak memory against the archive's size.

#include "uWordArchive.h"
#include "uWordData.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int PictureCount = 2000;
constexpr int ClipCount = 1000;
constexpr int RowCount = 5000;

struct TBenchFolders
{
    QTemporaryDir Dir;
    QString Work; // the working folder
    QString Archive; // made by PackFolder
    QString ZipArchive;
    QString Out;
    std::unique_ptr<TWordData> List; // the list on Work
    std::unique_ptr<TWordData> Opened; // a second collection that opens the archive
};

TBenchFolders* Folders = nullptr;
// Seconds of each timed run, by benchmark name.
std::map<std::string, std::vector<double>> Seconds;

QByteArray RandomBytes(qsizetype Size, QRandomGenerator& Generator)
{
    QByteArray Bytes(Size, Qt::Uninitialized);
    Generator.fillRange(reinterpret_cast<quint32*>(Bytes.data()), Size / 4);
    return Bytes;
}

void WriteFile(const QString& Path, const QByteArray& Data)
{
    QFile File(Path);
    if (!File.open(QIODevice::WriteOnly) || File.write(Data) != Data.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(Path));
        std::exit(1);
    }
}

// The list's entries, and its pictures and clips as files named after their RowIDs (entries
// are numbered from 2).
void MakeList(TWordData& List)
{
    QRandomGenerator Generator(20240601);
    const QString Work = List.DataDir();
    TDataTable& Table = List.DataSet();
    {
        TControlsDisabled Quiet(Table);
        for (int I = 0; I < RowCount; ++I) {
            Table.Append();
            Table.FieldByName("Word").SetAsString(QStringLiteral("word %1 字词").arg(I));
            Table.FieldByName("BackColor").SetAsInteger(int(Generator.bounded(0x1000000)));
            Table.FieldByName("Category").SetAsString(QStringLiteral("category %1").arg(I % 17));
            Table.Post();
        }
    }
    for (int I = 0; I < PictureCount; ++I) {
        const QByteArray Header("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
        WriteFile(Work + QStringLiteral("Photo%1.ADO").arg(I + 2),
            Header + RandomBytes(28 * 1024 + Generator.bounded(4096), Generator));
    }
    for (int I = 0; I < ClipCount; ++I) {
        WriteFile(Work + QStringLiteral("Audio%1.ADO").arg(I * 5 + 2),
            QByteArray("RIFF") + RandomBytes(96 * 1024 + Generator.bounded(8192), Generator)
                + QByteArray("EXT=.wav\0\0", 10));
    }
    WriteFile(Work + "Tumbalo.ini", "[Tumbalo]\r\nInterval=2000\r\nFirstWord=apple\r\nFullScreen=1\r\n");
    WriteFile(Work + "Grid.ini", QByteArray("[Grid]\r\nColumn=Word,120,1\r\n").repeated(20));
    WriteFile(Work + "Grid.Flt", "Word contains a\r\n");
}

qint64 FolderSize(const QString& Path)
{
    qint64 Total = 0;
    for (const QFileInfo& Info : QDir(Path).entryInfoList(QDir::Files))
        Total += Info.size();
    return Total;
}

void RecreateFolder(const QString& Path)
{
    QDir(Path).removeRecursively();
    QDir().mkpath(Path);
}

std::string Quoted(const QString& Path)
{
    return QStringLiteral("'%1'").arg(Path).toStdString();
}

void RunShell(const std::string& Command)
{
    if (std::system(Command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", Command.c_str());
        std::exit(1);
    }
}

// Times the body of one iteration into Seconds as well, for the summary. The disk first
// catches up with earlier writes, so that no run pays for the one before it.
template <typename TBody> void Timed(benchmark::State& State, const char* Name, TBody Body)
{
    sync();
    QElapsedTimer Timer;
    Timer.start();
    Body();
    const double Elapsed = Timer.nsecsElapsed() / 1e9;
    Seconds[Name].push_back(Elapsed);
    State.SetIterationTime(Elapsed);
}

void BM_PackFolder(benchmark::State& State)
{
    for (auto _ : State)
        Timed(State, "pack", [] { TWordArchive::PackFolder(Folders->Work, Folders->Archive); });
    State.SetBytesProcessed(State.iterations() * FolderSize(Folders->Work));
}

void BM_ZipPack(benchmark::State& State)
{
    for (auto _ : State) {
        QFile::remove(Folders->ZipArchive);
        Timed(State, "zip",
            [] { RunShell("cd " + Quoted(Folders->Work) + " && zip -q -r " + Quoted(Folders->ZipArchive) + " ."); });
    }
    State.SetBytesProcessed(State.iterations() * FolderSize(Folders->Work));
}

void BM_UnpackArchive(benchmark::State& State)
{
    for (auto _ : State) {
        RecreateFolder(Folders->Out);
        Timed(State, "unpack", [] { TWordArchive::UnpackArchive(Folders->Archive, Folders->Out); });
    }
    State.SetBytesProcessed(State.iterations() * FolderSize(Folders->Work));
}

void BM_SaveList(benchmark::State& State)
{
    for (auto _ : State) {
        Folders->List->SetModified(true);
        Timed(State, "save", [] { Folders->List->SaveToFile(Folders->Archive); });
    }
    State.SetBytesProcessed(State.iterations() * FolderSize(Folders->Work));
}

void BM_OpenList(benchmark::State& State)
{
    for (auto _ : State) {
        Folders->Opened->OpenFile(QString()); // empties it, outside the timing
        Timed(State, "open", [] { Folders->Opened->OpenFile(Folders->Archive); });
        if (Folders->Opened->DataSet().RecordCount() != RowCount) {
            std::fprintf(stderr, "the opened list has %d entries\n", Folders->Opened->DataSet().RecordCount());
            std::exit(1);
        }
    }
    State.SetBytesProcessed(State.iterations() * FolderSize(Folders->Work));
}

void BM_Unzip(benchmark::State& State)
{
    for (auto _ : State) {
        RecreateFolder(Folders->Out);
        Timed(State, "unzip", [] { RunShell("unzip -q " + Quoted(Folders->Archive) + " -d " + Quoted(Folders->Out)); });
    }
    State.SetBytesProcessed(State.iterations() * FolderSize(Folders->Work));
}

// Opens the list in a child process (this program started again, on a fresh collection) and
// gives the child's peak resident memory in bytes.
long long ChildOpenPeakMemory()
{
    const QByteArray Archive = QFile::encodeName(Folders->Archive);
    const pid_t Child = fork();
    if (Child == 0) {
        execl("/proc/self/exe", "bench_archive", "--open-child", Archive.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int Status = 0;
    rusage Usage {};
    if (Child < 0 || wait4(Child, &Status, 0, &Usage) != Child || !WIFEXITED(Status) || WEXITSTATUS(Status) != 0) {
        std::fprintf(stderr, "the opening child failed\n");
        std::exit(1);
    }
    return static_cast<long long>(Usage.ru_maxrss) * 1024;
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    return Values.empty() ? 0 : Values[Values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--open-child") == 0) {
        try {
            TWordData Child(TWordData::CreateWorkDir());
            Child.OpenFile(QFile::decodeName(argv[2]));
        } catch (const std::exception& E) {
            std::fprintf(stderr, "%s\n", E.what());
            return 1;
        }
        return 0;
    }

    benchmark::Initialize(&argc, argv);
    TBenchFolders Made;
    if (!Made.Dir.isValid())
        return 1;
    const QString Root = Made.Dir.path() + "/";
    qputenv("TUMBALO_HOME", QFile::encodeName(Root)); // the working folders go there
    Made.List = std::make_unique<TWordData>(TWordData::CreateWorkDir());
    Made.Opened = std::make_unique<TWordData>(TWordData::CreateWorkDir());
    Made.Work = Made.List->DataDir();
    Made.Archive = Root + "Words.tlo";
    Made.ZipArchive = Root + "Words.zip";
    Made.Out = Root + "Temp/Out/";
    Folders = &Made;
    std::printf("Making the list in %s ...\n", qPrintable(Root));
    MakeList(*Made.List);
    Made.List->SaveToFile(Made.Archive);

    for (const auto& [Name, Function] :
        { std::pair { "BM_SaveList", &BM_SaveList }, std::pair { "BM_PackFolder", &BM_PackFolder },
            std::pair { "BM_ZipPack", &BM_ZipPack }, std::pair { "BM_OpenList", &BM_OpenList },
            std::pair { "BM_UnpackArchive", &BM_UnpackArchive }, std::pair { "BM_Unzip", &BM_Unzip } }) {
        benchmark::RegisterBenchmark(Name, Function)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const long long Peak = ChildOpenPeakMemory();
    const double ArchiveSize = double(QFileInfo(Made.Archive).size());
    const double Pack = Median(Seconds["pack"]), Zip = Median(Seconds["zip"]);
    const double Unpack = Median(Seconds["unpack"]), Unzip = Median(Seconds["unzip"]);
    const double Save = Median(Seconds["save"]), Open = Median(Seconds["open"]);
    std::printf("\nList: %d entries, %d pictures, %d clips; %.1f MB in files; archive %.1f MB\n", RowCount,
        PictureCount, ClipCount, FolderSize(Made.Work) / 1e6, ArchiveSize / 1e6);
    if (Save > 0 && Zip > 0)
        std::printf("Save:   %.3f s, zip -q -r %.3f s: %.2f of zip (goal: at most 0.5)\n", Save, Zip, Save / Zip);
    if (Open > 0 && Unzip > 0)
        std::printf("Open:   %.3f s, unzip -q %.3f s: %.2f of unzip (goal: at most 1.2)\n", Open, Unzip, Open / Unzip);
    if (Pack > 0 && Zip > 0)
        std::printf("Pack:   %.3f s, zip -q -r %.3f s: %.2f of zip (goal: at most 0.5)\n", Pack, Zip, Pack / Zip);
    if (Unpack > 0 && Unzip > 0) {
        std::printf(
            "Unpack: %.3f s, unzip -q %.3f s: %.2f of unzip (goal: at most 1.2)\n", Unpack, Unzip, Unpack / Unzip);
    }
    std::printf("Open peak memory (child, max RSS): %.1f MB = %.2f of the archive's size (goal: under 3)\n", Peak / 1e6,
        Peak / ArchiveSize);
    return 0;
}
