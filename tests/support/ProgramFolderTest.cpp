#include "ProgramFolder.h"
#include "TestHome.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(ProgramFolderTest, HomeVariableWinsAndEndsWithSlash)
{
    TestHome Home;
    EXPECT_EQ(ProgramFolder(), Home.Path());
}

TEST(ProgramFolderTest, MissingHomeFolderIsCreated)
{
    TestHome Home;
    const QString Nested = Home.Path() + QStringLiteral("a/b");
    qputenv("TUMBALO_HOME", Nested.toUtf8());
    EXPECT_EQ(ProgramFolder(), Nested + QLatin1Char('/'));
    EXPECT_TRUE(QFileInfo(Nested).isDir());
}

TEST(ProgramFolderTest, WithoutHomeVariableTheExecutablesWritableFolderIsUsed)
{
    TestHome Home;
    qunsetenv("TUMBALO_HOME");
    // The test program's own folder is the build folder, which is writable.
    EXPECT_EQ(ProgramFolder(), QFileInfo(ProgramPath()).absolutePath() + QLatin1Char('/'));
}

} // namespace
