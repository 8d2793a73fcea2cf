#include "Error.h"
#include "uEXEParam.h"
#include "uINIFileForEXE.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A settings file "Tumbalo.ini" in a fresh folder, named by GlobalIniFileName; the previous
// global name and command line come back afterwards.
class INIFileForEXETest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FSavedGlobal = GlobalIniFileName;
        FSavedParams = ReplaceExeParams(std::make_unique<TExeParams>(QStringList { "/prog/Tumbalo" }));
        FFile = FDir.path() + "/Tumbalo.ini";
        GlobalIniFileName = FFile;
    }
    void TearDown() override
    {
        GlobalIniFileName = FSavedGlobal;
        ReplaceExeParams(std::move(FSavedParams));
    }

    void WriteFile(const QByteArray& Bytes)
    {
        QFile File(FFile);
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(Bytes);
    }
    QByteArray FileBytes() const
    {
        QFile File(FFile);
        return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
    }

    QTemporaryDir FDir;
    QString FFile;
    QString FSavedGlobal;
    std::unique_ptr<TExeParams> FSavedParams;
};

TEST_F(INIFileForEXETest, FileNameAndSectionAreResolvedInOrder)
{
    struct Case
    {
        QString Global;
        QStringList CommandLine;
        QString File;
        QString Section;
    };
    const Case Cases[] = {
        { "/w/Temp1/Tumbalo.ini", { "/prog/Tumbalo", "/IniFileName=/cfg/my.ini" }, "/w/Temp1/Tumbalo.ini", "Tumbalo" },
        { "", { "/prog/Tumbalo", "/IniFileName=C:\\cfg\\my.ini" }, "C:\\cfg\\my.ini", "my" },
        { "", { "/prog/Tumbalo", "iniFILEname=relative/set.ini" }, "relative/set.ini", "set" },
        { "", { "/prog/Tumbalo", "/IniFileName=" }, "/prog/Tumbalo.ini", "Tumbalo" },
        { "", { "/prog/Tumbalo" }, "/prog/Tumbalo.ini", "Tumbalo" },
        { "", { "C:\\prog\\Tumbalo.exe" }, "C:\\prog\\Tumbalo.ini", "Tumbalo" },
        { "", { "/opt/x.y/tumbalo" }, "/opt/x.y/tumbalo.ini", "tumbalo" },
        { "/w/a.b.ini", {}, "/w/a.b.ini", "a.b" },
    };
    for (const Case& C : Cases) {
        GlobalIniFileName = C.Global;
        ReplaceExeParams(std::make_unique<TExeParams>(C.CommandLine));
        EXPECT_EQ(TIniFileForEXE::GetIniFileName(), C.File) << C.File.toStdString();
        EXPECT_EQ(TIniFileForEXE::GetSectionName(), C.Section) << C.File.toStdString();
    }
}

TEST_F(INIFileForEXETest, MissingFileReadsEmptyAndIsNotCreated)
{
    EXPECT_EQ(TIniFileForEXE::ReadString("FontSize"), QString());
    EXPECT_FALSE(QFileInfo::exists(FFile));
}

TEST_F(INIFileForEXETest, WrittenValuesReadBackAndRewritingAKeyKeepsOneLine)
{
    TIniFileForEXE::WriteString("FirstWord", "cat");
    TIniFileForEXE::WriteString("FontSize", "160");
    TIniFileForEXE::WriteString("firstword", "海海");

    EXPECT_EQ(TIniFileForEXE::ReadString("FIRSTWORD"), QStringLiteral("海海"));
    EXPECT_EQ(TIniFileForEXE::ReadString("FontSize"), QStringLiteral("160"));
    EXPECT_EQ(TIniFileForEXE::ReadString("IsFullShow"), QString());
    EXPECT_EQ(FileBytes(), QStringLiteral("[Tumbalo]\r\nfirstword=海海\r\nFontSize=160\r\n").toUtf8());
}

TEST_F(INIFileForEXETest, ValuesAreTrimmedAndCutOnReading)
{
    const QString Long(3000, QLatin1Char('x'));
    // A character of two UTF-16 units straddling the limit is dropped whole.
    const QString Straddling = QString(TIniFileForEXE::MaxValueLength - 1, QLatin1Char('y')) + QStringLiteral("😀");
    WriteFile("[Tumbalo]\r\n  FontSize =  160  \r\nEmpty=\r\nBlank=   \r\nLong=" + Long.toUtf8()
        + "\r\nStraddling=" + Straddling.toUtf8() + "\r\n");

    EXPECT_EQ(TIniFileForEXE::ReadString("FontSize"), QStringLiteral("160"));
    EXPECT_EQ(TIniFileForEXE::ReadString("Empty"), QString());
    EXPECT_EQ(TIniFileForEXE::ReadString("Blank"), QString());
    EXPECT_EQ(TIniFileForEXE::ReadString("Long"), Long.left(TIniFileForEXE::MaxValueLength));
    EXPECT_EQ(TIniFileForEXE::ReadString("Straddling"), Straddling.left(TIniFileForEXE::MaxValueLength - 1));
}

TEST_F(INIFileForEXETest, OtherSectionsAreReadPastAndKept)
{
    const QByteArray Before = "; settings\r\n[Other]\r\nFontSize=1\r\n\r\n[tumbalo]\r\nA=1\r\n\r\n[Third]\r\nx=y\r\n";
    WriteFile(Before);

    EXPECT_EQ(TIniFileForEXE::ReadString("FontSize"), QString());
    EXPECT_EQ(TIniFileForEXE::ReadString("x"), QString());
    EXPECT_EQ(TIniFileForEXE::ReadString("A"), QStringLiteral("1"));

    TIniFileForEXE::WriteString("FontSize", "2");
    TIniFileForEXE::WriteString("A", "3");
    EXPECT_EQ(FileBytes(),
        QByteArray(
            "; settings\r\n[Other]\r\nFontSize=1\r\n\r\n[tumbalo]\r\nA=3\r\nFontSize=2\r\n\r\n[Third]\r\nx=y\r\n"));
}

TEST_F(INIFileForEXETest, MissingSectionIsAppended)
{
    WriteFile("[Other]\nx=y\n");
    TIniFileForEXE::WriteString("IsFullShow", "False");
    EXPECT_EQ(FileBytes(), QByteArray("[Other]\r\nx=y\r\n[Tumbalo]\r\nIsFullShow=False\r\n"));
}

TEST_F(INIFileForEXETest, OlderFilesInTheChineseCodePageAreRead)
{
    QStringEncoder Encoder("GB18030");
    WriteFile(Encoder.encode(QStringLiteral("[Tumbalo]\r\nFirstWord=海海\r\nVoiceName=声音\r\n")));

    EXPECT_EQ(TIniFileForEXE::ReadString("FirstWord"), QStringLiteral("海海"));

    // A write turns the whole file into UTF-8 and keeps the other values.
    TIniFileForEXE::WriteString("FontSize", "100");
    EXPECT_EQ(
        FileBytes(), QStringLiteral("[Tumbalo]\r\nFirstWord=海海\r\nVoiceName=声音\r\nFontSize=100\r\n").toUtf8());
}

TEST_F(INIFileForEXETest, ALineBreakInAValueCannotMakeANewKey)
{
    TIniFileForEXE::WriteString("FirstWord", "cat\r\nFontSize=1\nx");
    EXPECT_EQ(TIniFileForEXE::ReadString("FontSize"), QString());
    EXPECT_EQ(TIniFileForEXE::ReadString("FirstWord"), QStringLiteral("cat FontSize=1 x"));
}

TEST_F(INIFileForEXETest, UnwritableFileFailsWithItsName)
{
    // A regular file where the settings file's folder should be (permission bits do not stop
    // root), and a folder where the settings file should be.
    QFile Blocker(FDir.path() + "/blocker");
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();
    const QString Names[] = { FDir.path() + "/blocker/Tumbalo.ini", FDir.path() };
    for (const QString& Name : Names) {
        GlobalIniFileName = Name;
        try {
            TIniFileForEXE::WriteString("FontSize", "1");
            ADD_FAILURE() << "no error for " << Name.toStdString();
        } catch (const Error& Failure) {
            EXPECT_EQ(Failure.Text(), "Unable to write to " + Name);
        }
        EXPECT_EQ(TIniFileForEXE::ReadString("FontSize"), QString());
    }
}

TEST_F(INIFileForEXETest, KeysThatCannotBeStoredAreProgrammingErrors)
{
    for (const QString& Key : { QString(), QStringLiteral(" "), QStringLiteral("a=b"), QStringLiteral("a\nb") }) {
        EXPECT_THROW(TIniFileForEXE::WriteString(Key, "1"), AssertionError);
        EXPECT_THROW(TIniFileForEXE::ReadString(Key), AssertionError);
    }
    EXPECT_FALSE(QFileInfo::exists(FFile));
}

} // namespace
