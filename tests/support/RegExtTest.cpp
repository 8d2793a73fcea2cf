#include "Error.h"
#include "uRegExt.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnv
{
public:
    ScopedEnv(const char* Name, const QByteArray& Value)
        : FName(Name)
        , FOld(qgetenv(Name))
        , FHadOld(qEnvironmentVariableIsSet(Name))
    {
        qputenv(Name, Value);
    }
    ~ScopedEnv()
    {
        if (FHadOld)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    QByteArray FOld;
    bool FHadOld;
};

void WriteFile(const QString& Name, const QByteArray& Bytes)
{
    QDir().mkpath(QFileInfo(Name).absolutePath());
    QFile File(Name);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write(Bytes);
}

QByteArray ReadAll(const QString& Name)
{
    QFile File(Name);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

QStringList FilesUnder(const QString& Folder)
{
    QStringList Files;
    QDirIterator It(Folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (It.hasNext())
        Files.append(It.next().mid(Folder.size()));
    Files.sort();
    return Files;
}

// A user data folder and two system data folders, all empty and temporary.
class RegExtTest : public ::testing::Test
{
protected:
    RegExtTest()
        : FUser(FRoot.path() + "/user")
        , FSystem1(FRoot.path() + "/sys1")
        , FSystem2(FRoot.path() + "/sys2")
        , FHomeEnv("XDG_DATA_HOME", FUser.toUtf8())
        , FDirsEnv("XDG_DATA_DIRS", (FSystem1 + ":" + FSystem2).toUtf8())
    {
        QDir().mkpath(FUser);
    }

    QTemporaryDir FRoot;
    QString FUser;
    QString FSystem1;
    QString FSystem2;
    ScopedEnv FHomeEnv;
    ScopedEnv FDirsEnv;
};

TEST_F(RegExtTest, AnExistingMappingIsLeftAlone)
{
    struct Case
    {
        const char* What;
        QString File;
        QByteArray Content;
    };
    const Case Cases[] = {
        { "system globs2", "/sys2/mime/globs2", "# comment\n50:text/plain:*.txt\n50:application/x-other:*.TLO\n" },
        { "system globs", "/sys1/mime/globs", "application/x-other:*.tlo\n" },
        { "user globs2", "/user/mime/globs2", "60:application/x-mine:*.tlo:cs\n" },
        { "user package not compiled yet", "/user/mime/packages/mine.xml",
            "<?xml version=\"1.0\"?>\n<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">"
            "<mime-type type=\"application/x-mine\"><glob pattern=\"*.tlo\"/></mime-type></mime-info>\n" },
    };
    for (const Case& C : Cases) {
        QDir(FRoot.path()).removeRecursively();
        QDir().mkpath(FUser);
        WriteFile(FRoot.path() + C.File, C.Content);
        const QStringList Before = FilesUnder(FRoot.path());

        EXPECT_TRUE(TRegExt::IsExtensionMapped(".tlo")) << C.What;
        TRegExt::RegisterExtension(".tlo", "/opt/tumbalo/Tumbalo", "tlo_auto_file");
        EXPECT_EQ(FilesUnder(FRoot.path()), Before) << C.What;
    }
}

TEST_F(RegExtTest, SimilarPatternsDoNotCount)
{
    WriteFile(
        FSystem1 + "/mime/globs2", "50:application/x-a:*.tlox\n50:application/x-b:tlo\n50:application/x-c:*.TLO:cs\n");
    WriteFile(FSystem2 + "/mime/globs", "application/x-d:*.tl\n");
    EXPECT_FALSE(TRegExt::IsExtensionMapped(".tlo"));
}

TEST_F(RegExtTest, FreshRegistrationWritesMimePackageAndDesktopEntry)
{
    // A program with an icon file beside it.
    const QString Program = FRoot.path() + "/My Apps/Tumbalo";
    WriteFile(Program, "#!/bin/sh\n");
    WriteFile(Program + ".png", "png");

    TRegExt::RegisterExtension(".tlo", Program, "tlo_auto_file");

    const QByteArray Package = ReadAll(FUser + "/mime/packages/tlo-auto-file.xml");
    EXPECT_TRUE(Package.contains("<mime-type type=\"application/x-tlo-auto-file\">")) << Package.constData();
    EXPECT_TRUE(Package.contains("<glob pattern=\"*.tlo\"/>")) << Package.constData();

    const QStringList Entry = QString::fromUtf8(ReadAll(FUser + "/applications/tlo-auto-file.desktop")).split('\n');
    EXPECT_EQ(Entry.value(0), QStringLiteral("[Desktop Entry]"));
    EXPECT_TRUE(Entry.contains("Type=Application"));
    EXPECT_TRUE(Entry.contains("Exec=\"" + Program + "\" %f")) << Entry.join('\n').toStdString();
    EXPECT_TRUE(Entry.contains("Icon=" + Program + ".png"));
    EXPECT_TRUE(Entry.contains("MimeType=application/x-tlo-auto-file;"));

    // The mapping now exists, compiled or not, so a second start changes nothing.
    EXPECT_TRUE(TRegExt::IsExtensionMapped(".tlo"));
    if (!QStandardPaths::findExecutable("update-mime-database").isEmpty()) {
        EXPECT_TRUE(ReadAll(FUser + "/mime/globs2").contains(":application/x-tlo-auto-file:*.tlo"));
    }
    QFile::remove(FUser + "/applications/tlo-auto-file.desktop");
    TRegExt::RegisterExtension(".tlo", Program, "tlo_auto_file");
    EXPECT_FALSE(QFileInfo::exists(FUser + "/applications/tlo-auto-file.desktop"));
}

TEST_F(RegExtTest, WithoutAnIconFileTheProgramNameIsTheIcon)
{
    TRegExt::RegisterExtension(".tlo", "/opt/tumbalo/Tumbalo", "tlo_auto_file");
    const QStringList Entry = QString::fromUtf8(ReadAll(FUser + "/applications/tlo-auto-file.desktop")).split('\n');
    EXPECT_TRUE(Entry.contains("Icon=Tumbalo"));
    EXPECT_TRUE(Entry.contains("Name=Tumbalo"));
}

TEST_F(RegExtTest, ExecLineQuotesTheProgramPath)
{
    struct Case
    {
        QString Path;
        QString Exec;
    };
    const Case Cases[] = {
        { "/opt/tumbalo/Tumbalo", "\"/opt/tumbalo/Tumbalo\" %f" },
        { "/opt/My Apps/Tumbalo", "\"/opt/My Apps/Tumbalo\" %f" },
        // Inside quotes ", `, $ and \ take a backslash, and every backslash is then doubled
        // for the string value; % is doubled.
        { "/a\"b", "\"/a\\\\\"b\" %f" },
        { "/a$b`c", "\"/a\\\\$b\\\\`c\" %f" },
        { "/a\\b", "\"/a\\\\\\\\b\" %f" },
        { "/100%/T", "\"/100%%/T\" %f" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(TRegExt::ExecLine(C.Path), C.Exec) << C.Path.toStdString();
}

TEST_F(RegExtTest, FailureNamesTheFileAndStopsThere)
{
    // Regular files where folders must be created (permission bits do not stop root).
    WriteFile(FUser + "/mime", "not a folder");
    try {
        TRegExt::RegisterExtension(".tlo", "/opt/tumbalo/Tumbalo", "tlo_auto_file");
        ADD_FAILURE() << "no error";
    } catch (const Error& Failure) {
        EXPECT_EQ(Failure.Text(), "Fail to open " + FUser + "/mime/packages/tlo-auto-file.xml");
    }
    EXPECT_FALSE(QFileInfo::exists(FUser + "/applications"));

    // Failing at the desktop entry: the package stays, the databases are not refreshed.
    QFile::remove(FUser + "/mime");
    WriteFile(FUser + "/applications", "not a folder");
    try {
        TRegExt::RegisterExtension(".tlo", "/opt/tumbalo/Tumbalo", "tlo_auto_file");
        ADD_FAILURE() << "no error";
    } catch (const Error& Failure) {
        EXPECT_EQ(Failure.Text(), "Fail to open " + FUser + "/applications/tlo-auto-file.desktop");
    }
    EXPECT_TRUE(QFileInfo::exists(FUser + "/mime/packages/tlo-auto-file.xml"));
    EXPECT_FALSE(QFileInfo::exists(FUser + "/mime/globs2"));
}

TEST(RegExtFoldersTest, DataFoldersFollowTheEnvironment)
{
    {
        ScopedEnv Home("XDG_DATA_HOME", "/data/home");
        ScopedEnv Dirs("XDG_DATA_DIRS", "/d1:relative:/d2/");
        EXPECT_EQ(TRegExt::UserDataFolder(), QStringLiteral("/data/home"));
        EXPECT_EQ(TRegExt::SystemDataFolders(), (QStringList { "/d1", "/d2/" }));
    }
    {
        // Empty or relative values are not usable; the defaults apply.
        ScopedEnv Home("XDG_DATA_HOME", "relative/share");
        ScopedEnv Dirs("XDG_DATA_DIRS", "");
        EXPECT_EQ(TRegExt::UserDataFolder(), QDir::homePath() + "/.local/share");
        EXPECT_EQ(TRegExt::SystemDataFolders(), (QStringList { "/usr/local/share", "/usr/share" }));
    }
    EXPECT_EQ(TRegExt::MimeTypeName("tlo_auto_file"), QStringLiteral("application/x-tlo-auto-file"));
}

} // namespace
