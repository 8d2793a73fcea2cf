#include "Error.h"
#include "FakeMessageBoxes.h"
#include "TestHome.h"
#include "uLogHandler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& Name)
{
    QFile File(Name);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

void MakeFile(const QString& Name)
{
    QFile File(Name);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
}

TEST(LogHandlerTest, LinesAreAppendedWithCrLfInUtf8)
{
    TestHome Home;
    FakeMessageBoxes Boxes;
    TLogHandler Log(&Boxes);
    const QString Name = Home.Path() + "logs/deeper/Log.log";

    Log.SetFileName(Name);
    EXPECT_EQ(Log.FileName(), Name);
    EXPECT_TRUE(QFileInfo(Home.Path() + "logs/deeper").isDir());
    EXPECT_FALSE(QFileInfo::exists(Name));

    Log.WriteLine(QStringLiteral("Delete record: %1;\t%2").arg(12).arg("cat;animal"));
    EXPECT_EQ(ReadAll(Name), QByteArray("Delete record: 12;\tcat;animal\r\n"));

    Log.WriteLine(QStringLiteral("海海;"));
    Log.WriteLine(QString());
    EXPECT_EQ(
        ReadAll(Name), QByteArray("Delete record: 12;\tcat;animal\r\n") + QStringLiteral("海海;\r\n\r\n").toUtf8());
    EXPECT_TRUE(Boxes.Boxes.isEmpty());
}

TEST(LogHandlerTest, RelativeNameIsKeptAsFullPath)
{
    TestHome Home;
    const QString Saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Home.Path()));
    TLogHandler Log;
    Log.SetFileName("sub/../Log.log");
    QDir::setCurrent(Saved);

    EXPECT_EQ(Log.FileName(), Home.Path() + "Log.log");
    Log.WriteLine("x");
    EXPECT_EQ(ReadAll(Home.Path() + "Log.log"), QByteArray("x\r\n"));
}

TEST(LogHandlerTest, UnusableNameIsShownOnceAndSwitchesLoggingOff)
{
    TestHome Home;
    MakeFile(Home.Path() + "blocker");
    const QString Blocked = Home.Path() + "blocker/Log.log";
    struct Case
    {
        QString Name;
        QString Warning;
    };
    const Case Cases[] = {
        { "   ", "Empty string is not valid file name." },
        { Blocked, "The path of file \"" + Blocked + "\" does not exist, and fail to create it." },
    };
    for (const Case& C : Cases) {
        FakeMessageBoxes Boxes;
        TLogHandler Log(&Boxes);
        const QString Good = Home.Path() + "Log.log";
        Log.SetFileName(Good);

        Log.SetFileName(C.Name);
        ASSERT_EQ(Boxes.Boxes.size(), 1);
        EXPECT_EQ(Boxes.Boxes[0].Type, FakeMessageBoxes::Kind::Warning);
        EXPECT_EQ(Boxes.Boxes[0].Text, C.Warning);
        EXPECT_EQ(Log.FileName(), QString());

        EXPECT_NO_THROW(Log.WriteLine("lost"));
        EXPECT_FALSE(QFileInfo::exists(Good));
    }

    // Without message boxes the failure only switches logging off.
    TLogHandler Silent;
    Silent.SetFileName(Blocked);
    EXPECT_EQ(Silent.FileName(), QString());
}

TEST(LogHandlerTest, WriteFailureReachesTheCaller)
{
    TestHome Home;
    TLogHandler Log;
    const QString Name = Home.Path() + "Log.log";
    Log.SetFileName(Name);
    // A folder where the log file should be cannot be opened for appending.
    ASSERT_TRUE(QDir().mkdir(Name));
    try {
        Log.WriteLine("x");
        ADD_FAILURE() << "no error";
    } catch (const Error& Failure) {
        EXPECT_EQ(Failure.Text(), "Unable to write to " + Name);
    }
}

TEST(LogHandlerTest, RunCallsTheOperationAndPassesItsErrorsOn)
{
    TestHome Home;
    TLogHandler Log;
    Log.SetFileName(Home.Path() + "Log.log");

    QString Seen;
    Log.Run("/lists/a.tlo", "WordData.OpenFile", [&Seen](const QString& Argument) { Seen = Argument; });
    EXPECT_EQ(Seen, QStringLiteral("/lists/a.tlo"));

    try {
        Log.Run("x", "WordData.OpenFile", [](const QString&) { throw Error("Broken archive"); });
        ADD_FAILURE() << "no error";
    } catch (const Error& Failure) {
        EXPECT_EQ(Failure.Text(), QStringLiteral("Broken archive"));
    }
    EXPECT_FALSE(QFileInfo::exists(Home.Path() + "Log.log"));
}

TEST(LogHandlerTest, ProgramWideHandlerWritesNothingUntilOneIsInstalled)
{
    TestHome Home;
    auto Saved = ReplaceLogHandler(nullptr);
    EXPECT_NO_THROW(LogHandler().WriteLine("nowhere"));
    EXPECT_EQ(LogHandler().FileName(), QString());

    auto Installed = std::make_unique<TLogHandler>();
    Installed->SetFileName(Home.Path() + "Log.log");
    ReplaceLogHandler(std::move(Installed));
    LogHandler().WriteLine("line");
    EXPECT_EQ(ReadAll(Home.Path() + "Log.log"), QByteArray("line\r\n"));

    ReplaceLogHandler(std::move(Saved));
}

} // namespace
