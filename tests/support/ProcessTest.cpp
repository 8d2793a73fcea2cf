#include "ProgramFolder.h"
#include "uProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

void WriteFile(const QString& Name, const QByteArray& Bytes)
{
    QFile File(Name);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write(Bytes);
}

// A process folder in the layout of /proc: one folder per process id.
class FakeProc
{
public:
    QString Path() const { return FDir.path(); }

    QString Process(const QString& Id)
    {
        const QString Folder = FDir.path() + "/" + Id;
        QDir().mkpath(Folder);
        return Folder;
    }
    void Exe(const QString& Id, const QString& Target) { QFile::link(Target, Process(Id) + "/exe"); }
    void CommandLine(const QString& Id, const QByteArray& Bytes) { WriteFile(Process(Id) + "/cmdline", Bytes); }
    void Comm(const QString& Id, const QByteArray& Bytes) { WriteFile(Process(Id) + "/comm", Bytes); }

private:
    QTemporaryDir FDir;
};

TEST(ProcessTest, ProcessesAreCountedByExecutableFileNameWithoutRegardToCase)
{
    FakeProc Proc;
    Proc.Exe("100", "/usr/bin/Tumbalo");
    Proc.Exe("101", "/opt/old/tumbalo (deleted)");
    // Other users' processes: no readable exe; the command line or the short name tell.
    Proc.CommandLine("102", QByteArray("/usr/local/bin/TUMBALO\0/IniFileName=x\0", 39));
    Proc.CommandLine("103", QByteArray());
    Proc.Comm("103", "tumbalo\n");
    Proc.Exe("104", "/usr/bin/other");
    Proc.CommandLine("104", QByteArray("tumbalo\0", 8)); // exe wins over a command line
    Proc.CommandLine("105", QByteArray("tumbalo-helper\0", 15));
    Proc.Exe("self", "/usr/bin/tumbalo"); // not a process id
    Proc.Process("106"); // nothing readable

    EXPECT_EQ(TProcessHandler::CountProcessesIn(Proc.Path(), "tumbalo"), 4);
    EXPECT_EQ(TProcessHandler::CountProcessesIn(Proc.Path(), "Tumbalo"), 4);
    EXPECT_EQ(TProcessHandler::CountProcessesIn(Proc.Path(), "other"), 1);
    EXPECT_EQ(TProcessHandler::CountProcessesIn(Proc.Path(), "missing"), 0);
    EXPECT_EQ(TProcessHandler::CountProcessesIn(Proc.Path(), ""), 0);
}

TEST(ProcessTest, ShortNameMatchesTheStartOfALongExecutableName)
{
    FakeProc Proc;
    // The kernel keeps 15 characters of the name.
    Proc.Comm("200", "TumbaloWordList\n");
    EXPECT_EQ(TProcessHandler::CountProcessesIn(Proc.Path(), "TumbaloWordListPlayer"), 1);
    EXPECT_EQ(TProcessHandler::CountProcessesIn(Proc.Path(), "TumbaloWordLis"), 0);
}

TEST(ProcessTest, WithoutAProcessFolderNothingIsCounted)
{
    QTemporaryDir Root;
    EXPECT_EQ(TProcessHandler::CountProcessesIn(Root.path() + "/no-proc", "tumbalo"), 0);
}

TEST(ProcessTest, RunningCopiesOfAProgramAreCounted)
{
    const QString Sleep = "/bin/sleep";
    if (!QFileInfo(Sleep).isExecutable())
        GTEST_SKIP() << "no /bin/sleep";
    QTemporaryDir Root;
    // A copy under a name no other process has.
    const QString Name = QStringLiteral("TumbaloCopy%1").arg(QCoreApplication::applicationPid());
    const QString Program = Root.path() + "/" + Name;
    ASSERT_TRUE(QFile::copy(Sleep, Program));

    EXPECT_EQ(TProcessHandler::CountProcesses(Name), 0);
    std::vector<std::unique_ptr<QProcess>> Copies;
    for (int Index = 0; Index < 2; ++Index) {
        Copies.push_back(std::make_unique<QProcess>());
        Copies.back()->start(Program, { "30" });
        ASSERT_TRUE(Copies.back()->waitForStarted());
    }
    EXPECT_EQ(TProcessHandler::CountProcesses(Name.toLower()), 2);
    for (auto& Copy : Copies) {
        Copy->kill();
        Copy->waitForFinished();
    }
    EXPECT_EQ(TProcessHandler::CountProcesses(Name), 0);

    // This test program itself runs.
    EXPECT_GE(TProcessHandler::CountProcesses(QFileInfo(ProgramPath()).fileName()), 1);
}

} // namespace
