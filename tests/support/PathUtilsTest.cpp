#include "Error.h"
#include "uPathUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(PathUtilsTest, RemoveExtAndNameWithoutExt)
{
    struct Case
    {
        QString Path;
        QString WithoutExt;
        QString Name;
    };
    const Case Cases[] = {
        { "a.b.ini", "a.b", "a.b" },
        { "C:\\x.y\\file", "C:\\x.y\\file", "file" },
        { "/x.y/file", "/x.y/file", "file" },
        { "C:\\Prog\\Tumbalo.ini", "C:\\Prog\\Tumbalo", "Tumbalo" },
        { "/prog/Tumbalo.ini", "/prog/Tumbalo", "Tumbalo" },
        { "/mixed/dir\\name.tar.gz", "/mixed/dir\\name.tar", "name.tar" },
        { "Tumbalo", "Tumbalo", "Tumbalo" },
        { "trailing.", "trailing", "trailing" },
        { "/folder/", "/folder/", "" },
        { "", "", "" },
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(RemoveExt(C.Path), C.WithoutExt) << C.Path.toStdString();
        EXPECT_EQ(NameWithoutExt(C.Path), C.Name) << C.Path.toStdString();
    }
}

TEST(PathUtilsTest, ParentFolderAndExpandFileName)
{
    const QString Current = QDir::currentPath();
    const QString CurrentParent = QFileInfo(Current).absolutePath();
    struct Case
    {
        QString Path;
        QString Parent;
        QString Expanded;
    };
    const Case Cases[] = {
        { "/a/b/c", "/a/b/", "/a/b/c" },
        { "/a/b/c/", "/a/b/", "/a/b/c/" },
        { "/a\\b\\c", "/a/b/", "/a/b/c" },
        { "/a/./b/../c", "/a/", "/a/c" },
        { "/a", "/", "/a" },
        { "/", "/", "/" },
        { "/../x", "/", "/x" },
        { "rel/sub", Current + "/rel/", Current + "/rel/sub" },
        { "", (CurrentParent.endsWith('/') ? CurrentParent : CurrentParent + "/"), Current },
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(ParentFolder(C.Path), C.Parent) << C.Path.toStdString();
        EXPECT_EQ(ExpandFileName(C.Path), C.Expanded) << C.Path.toStdString();
    }
}

TEST(PathUtilsTest, ForceFolderCreatesTheMissingFoldersOfAPath)
{
    QTemporaryDir Root;
    const QString Base = Root.path();

    EXPECT_TRUE(ForceFolder(Base + "/x/y/z"));
    EXPECT_TRUE(QFileInfo(Base + "/x/y/z").isDir());
    EXPECT_TRUE(ForceFolder(Base + "/x/y/z/"));

    // "\" separates folders like "/".
    EXPECT_TRUE(ForceFolder(Base + "\\p\\q"));
    EXPECT_TRUE(QFileInfo(Base + "/p/q").isDir());

    EXPECT_FALSE(ForceFolder(QString()));
    EXPECT_FALSE(ForceFolder("   "));
}

TEST(PathUtilsTest, ForceFolderFailsWhereAFileStandsInTheWay)
{
    QTemporaryDir Root;
    QFile Blocker(Root.path() + "/file");
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();

    EXPECT_FALSE(ForceFolder(Root.path() + "/file"));
    EXPECT_FALSE(ForceFolder(Root.path() + "/file/sub/deeper"));
    EXPECT_TRUE(QFileInfo(Root.path() + "/file").isFile());
}

TEST(PathUtilsTest, CheckFileNameReportsUnusableNames)
{
    QTemporaryDir Root;
    QFile Blocker(Root.path() + "/file");
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();

    struct Case
    {
        QString Name;
        QString Message;
    };
    const QString Blocked = Root.path() + "/file/sub/Log.log";
    const Case Cases[] = {
        { "", "Empty string is not valid file name." },
        { " \t ", "Empty string is not valid file name." },
        { Blocked, "The path of file \"" + Blocked + "\" does not exist, and fail to create it." },
    };
    for (const Case& C : Cases) {
        try {
            CheckFileName(C.Name);
            ADD_FAILURE() << "no error for \"" << C.Name.toStdString() << "\"";
        } catch (const Error& Failure) {
            EXPECT_EQ(Failure.Text(), C.Message);
        }
    }
}

TEST(PathUtilsTest, CheckFileNameCreatesTheFolderButNotTheFile)
{
    QTemporaryDir Root;
    const QString Name = Root.path() + "/a/b/Log.log";
    EXPECT_NO_THROW(CheckFileName(Name));
    EXPECT_TRUE(QFileInfo(Root.path() + "/a/b").isDir());
    EXPECT_FALSE(QFileInfo::exists(Name));
}

} // namespace
