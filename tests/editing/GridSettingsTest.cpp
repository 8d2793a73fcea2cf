// The grid's state files: round trips of awkward values, tolerant reading of damaged files,
// and writes that never leave a half-written file.

#include "EditorFixture.h"
#include "Error.h"
#include "uGridSettings.h"

#include <QDir>
#include <QFileDevice>
#include <QTemporaryDir>

#include <string>

using namespace editorfixtures;

namespace {

// Texts a criterion may hold: the filter box takes whatever the adult types or pastes.
class FilterValueTest : public ::testing::TestWithParam<const char*>
{ };

TEST_P(FilterValueTest, FilterRoundTripKeepsTheTextExactly)
{
    const QString Text = QString::fromUtf8(GetParam());
    const TGridFilter Filter { true, "%" + Text + "%", Text };
    EXPECT_EQ(TGridSettings::ParseFilter(TGridSettings::FilterText(Filter)), Filter);
    // The file stays one value per line.
    EXPECT_EQ(TGridSettings::FilterText(Filter).count('\n'), 7);
}

INSTANTIATE_TEST_SUITE_P(Values, FilterValueTest,
    ::testing::Values("", "ab", "  blanks kept  ", "a=b", "back\\slash\\n", "line\nbreak\r\nand\ttab", "海海",
        "[Criterion2]", "\\x41 not an escape", "ctrl\x01\x1f"));

TEST(GridSettingsTest, LayoutRoundTrip)
{
    TGridLayout Layout;
    Layout.Columns = { { "Status", 55, true }, { "Word", 115, true }, { "Category", 0, true }, { "RowID", 64, false } };
    Layout.SortField = "Category";
    Layout.SortDescending = true;
    EXPECT_EQ(TGridSettings::ParseLayout(TGridSettings::LayoutText(Layout)), Layout);
    EXPECT_TRUE(TGridSettings::LayoutText(Layout).startsWith("[Grid]\r\nSortField=Category\r\n"));
    EXPECT_EQ(TGridSettings::ParseFilter(TGridSettings::FilterText(TGridFilter())), TGridFilter());
}

struct TDamagedLayout
{
    const char* Name;
    QByteArray Text;
    QStringList Fields; // the columns read, in order
    QList<int> Widths;
    QString SortField;
};

class DamagedLayoutTest : public ::testing::TestWithParam<TDamagedLayout>
{ };

TEST_P(DamagedLayoutTest, ReadsWhatMakesSenseAndSkipsTheRest)
{
    const TDamagedLayout& Case = GetParam();
    const TGridLayout Layout = TGridSettings::ParseLayout(Case.Text);
    QStringList Fields;
    QList<int> Widths;
    for (const TGridColumn& Column : Layout.Columns) {
        Fields << Column.FieldName;
        Widths << Column.Width;
    }
    EXPECT_EQ(Fields, Case.Fields);
    EXPECT_EQ(Widths, Case.Widths);
    EXPECT_EQ(Layout.SortField, Case.SortField);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedLayoutTest,
    ::testing::Values(TDamagedLayout { "Empty", "", {}, {}, "" },
        TDamagedLayout { "Binary", QByteArray("\x00\xff\xfe[\x01]=\n==\n", 11), {}, {}, "" },
        TDamagedLayout { "LinesOutsideSections", "Field=Word\nWidth=3\n", {}, {}, "" },
        TDamagedLayout { "ColumnsInNumberOrder", "[Column2]\nField=Word\n[Column1]\nField=Status\nWidth=40\n",
            { "Status", "Word" }, { 40, 0 }, "" },
        TDamagedLayout { "BadWidths",
            "[Column1]\nField=Word\nWidth=-5\n[Column2]\nField=Category\nWidth=99999999\n"
            "[Column3]\nField=Status\nWidth=abc\n",
            { "Word", "Category", "Status" }, { 0, 0, 0 }, "" },
        TDamagedLayout { "NoFieldOrTwice", "[Column1]\nWidth=50\n[Column2]\nField=word\n[Column3]\nField=WORD\n",
            { "word" }, { 0 }, "" },
        TDamagedLayout {
            "NotAColumnSection", "[Columnist]\nField=Word\n[Grid]\nSortField= Status \n", {}, {}, "Status" },
        TDamagedLayout {
            "LineEndsAndComments", "; written by hand\r\n[Grid]\r\nSortField=Word\r\n\r\n", {}, {}, "Word" }),
    [](const ::testing::TestParamInfo<TDamagedLayout>& Info) { return std::string(Info.param.Name); });

TEST(GridSettingsTest, FilterKeepsOnlyALikeCriterionOnTheWord)
{
    EXPECT_FALSE(
        TGridSettings::ParseFilter("[Criterion1]\nField=Category\nOperator=like\nValue=%a%\n").HasWordCriterion);
    EXPECT_FALSE(TGridSettings::ParseFilter("[Criterion1]\nField=Word\nOperator=equals\nValue=a\n").HasWordCriterion);
    EXPECT_FALSE(TGridSettings::ParseFilter("[Criterion1]\nField=Word\nOperator=like\n").HasWordCriterion);
    const TGridFilter Second = TGridSettings::ParseFilter(
        "[Criterion1]\nField=Status\nOperator=like\nValue=x\n[Criterion2]\nfield=WORD\noperator=LIKE\nvalue=%b%\n");
    EXPECT_EQ(Second, (TGridFilter { true, "%b%", "" }));
}

TEST(GridSettingsTest, FilesMissingTooLargeOrUnwritable)
{
    QTemporaryDir Dir;
    const QString Name = Dir.filePath("Grid.ini");
    EXPECT_FALSE(TGridSettings::LoadLayout(Name));
    EXPECT_FALSE(TGridSettings::LoadFilter(Dir.filePath("Grid.Flt")));
    // A folder of that name, or a file far larger than ours, is not read.
    QDir(Dir.path()).mkdir("Grid.Flt");
    EXPECT_FALSE(TGridSettings::LoadFilter(Dir.filePath("Grid.Flt")));
    WriteBytes(Name, QByteArray(TGridSettings::MaxFileSize + 1, '['));
    EXPECT_FALSE(TGridSettings::LoadLayout(Name));

    TGridLayout Layout;
    Layout.Columns = { { "Word", 90, true } };
    TGridSettings::SaveLayout(Name, Layout);
    EXPECT_EQ(TGridSettings::LoadLayout(Name), Layout);

    // A place that is no folder: an error.
    WriteBytes(Dir.filePath("plain"), "x");
    EXPECT_THROW(TGridSettings::SaveLayout(Dir.filePath("plain/Grid.ini"), Layout), Error);

    // A folder that cannot be written: an error, and the file there stays as it was.
    const QByteArray Before = ReadBytes(Name);
    QFile::setPermissions(Dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(Dir.path()).isWritable() || QFile(Dir.filePath("probe")).open(QIODevice::WriteOnly)) {
        QFile::setPermissions(Dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    Layout.Columns[0].Width = 10;
    EXPECT_THROW(TGridSettings::SaveLayout(Name, Layout), Error);
    QFile::setPermissions(Dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(ReadBytes(Name), Before);
}

using GridStateTest = EditorFixture;

TEST_F(GridStateTest, DamagedStateFilesInAnArchiveGiveDefaultsWithoutACrash)
{
    // An archive whose grid files are garbage: the grid keeps its columns in their order
    // and loses its sort and word criterion, as a file holding nothing usable says.
    AddWords({ "b", "a" });
    Editor->Grid()->sortByColumn(View()->TableModel()->FieldColumn("Word"), Qt::AscendingOrder);
    Find<QLineEdit>("edWordFilter")->setText("a");
    WriteBytes(Data().DataDir() + "Grid.ini", QByteArray("\x89PNG\r\n\x1a\n garbage [Column1", 26));
    WriteBytes(Data().DataDir() + "Grid.Flt", QByteArray("[Criterion1]\nField=Word\nOperator=", 33));
    Editor->LoadGridSetting(&Data());
    Settle();
    EXPECT_EQ(ShownWords(), (QStringList { "b", "a" }));
    EXPECT_TRUE(Editor->GridLayout().SortField.isEmpty());
    EXPECT_EQ(Editor->GridLayout().Columns.size(), 4);
    EXPECT_TRUE(Find<QLineEdit>("edWordFilter")->text().isEmpty());
}

} // namespace
