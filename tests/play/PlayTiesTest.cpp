// The play window's ties on fakes, offscreen: the editor made and freed around the presenter,
// the listeners' order, the display settings and the interval read after opening and written
// before saving, F2, the start file, the save on closing, the file association and the log.

#include "PlayFixture.h"
#include "uEventList.h"
#include "uFrmAudio.h"
#include "uFrmEditor.h"
#include "uINIFileForEXE.h"
#include "uLogHandler.h"
#include "uRegExt.h"
#include "uWordView.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

namespace {

using PlayTiesTest = PlayFixture;

QByteArray ReadAll(const QString& Path)
{
    QFile File(Path);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
}

// An archive written by a collection without listeners: entries, no settings, no grid files;
// Settings, when given, go into its "Tumbalo.ini" by hand.
void MakeArchive(const QString& Name, const QStringList& Words, const QByteArray& Settings = {})
{
    TWordData List(TWordData::CreateWorkDir());
    for (const QString& Word : Words) {
        List.DataSet().Append();
        List.DataSet().FieldByName("Word").SetAsString(Word);
        List.DataSet().Post();
    }
    if (!Settings.isEmpty()) {
        QFile File(List.DataDir() + "Tumbalo.ini");
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write("[Tumbalo]\r\n" + Settings);
    }
    ASSERT_TRUE(List.SaveToFile(Name));
}

// Runs Script once the editor is up (shown modally by F2), then closes it.
void WhileEditorShown(TFrmEditor* Editor, std::function<void()> Script)
{
    QTimer::singleShot(0, Editor, [Editor, Script] {
        Script();
        Editor->accept();
    });
}

// --- Creation and destruction ------------------------------------------------------------------

TEST_F(PlayTiesTest, EditorIsMadeBeforeThePresenterAndFreedAfterIt)
{
    TFrmEditor* Editor = Window->Editor();
    ASSERT_NE(Editor, nullptr);
    EXPECT_FALSE(Editor->isVisible());
    EXPECT_EQ(Editor->parentWidget(), nullptr);
    EXPECT_EQ(Window->Word().View(), Editor->WordView());
    EXPECT_EQ(Window->WordView(), Editor->WordView());
    EXPECT_EQ(Editor->WordPresenter(), &Window->Word());
    EXPECT_EQ(Editor->FrmAudio()->WordPresenter(), &Window->Word());
    EXPECT_EQ(LogHandler().FileName(), Home.Path() + "Log.log");

    // The editor's listeners run before the window's, on both notifiers.
    for (TNotifier* Notifier : { &Data().BeforeSaveNotifier(), &Data().AfterOpenNotifier() }) {
        ASSERT_EQ(Notifier->Count(), 2);
        EXPECT_EQ(Notifier->Items(0).Name(), "GridSetting");
        EXPECT_EQ(Notifier->Items(1).Name(), "MainFormSetting");
    }

    // Freed: the presenter (and the working folder), then the editor, then the lock.
    const QString WorkDir = Data().DataDir();
    QPointer<TFrmEditor> Watch(Editor);
    QObject::connect(Editor, &QObject::destroyed, [this, WorkDir] {
        LockCalls << (QFileInfo::exists(WorkDir) ? "EditorFreed, folder still there" : "EditorFreed");
    });
    Window.reset();
    EXPECT_TRUE(Watch.isNull());
    EXPECT_EQ(LockCalls, (QStringList { "BeginHook", "EditorFreed", "EndHook" }));
}

// --- Settings after opening --------------------------------------------------------------------

struct TDisplayCase
{
    const char* Name;
    QString IsFullShow;
    QString Width;
    QString Height;
    QString FontSize;
    bool FullShow;
    QSize Windowed; // when not full screen
    int Points;
};

class DisplaySettingsTest : public PlayFixture, public ::testing::WithParamInterface<TDisplayCase>
{ };

TEST_P(DisplaySettingsTest, FullScreenSizeAndFontFromTheList)
{
    const TDisplayCase& Case = GetParam();
    TIniFileForEXE::WriteString("IsFullShow", Case.IsFullShow);
    TIniFileForEXE::WriteString("MainFormWidth", Case.Width);
    TIniFileForEXE::WriteString("MainFormHeight", Case.Height);
    TIniFileForEXE::WriteString("FontSize", Case.FontSize);
    Window->ReloadSettings();
    EXPECT_EQ(Window->FullShow(), Case.FullShow);
    if (Case.FullShow)
        EXPECT_EQ(Window->geometry(), Window->screen()->geometry());
    else
        EXPECT_EQ(Window->size(), Case.Windowed);
    EXPECT_EQ(Window->LabelFontSize(), Case.Points);
}

INSTANTIATE_TEST_SUITE_P(Cases, DisplaySettingsTest,
    ::testing::Values(TDisplayCase { "FalseIsWindowed", "false", "520", "380", "72", false, { 520, 380 }, 72 },
        TDisplayCase { "FalseInCapitals", "FALSE", "520", "380", "", false, { 520, 380 }, 160 },
        TDisplayCase { "YesIsFullScreen", "yes", "520", "380", "abc", true, {}, 160 },
        TDisplayCase { "ZeroIsFullScreen", "0", "", "", "40", true, {}, 40 },
        TDisplayCase { "EmptyIsFullScreen", "", "", "", "", true, {}, 160 },
        TDisplayCase { "StoredSizeNotNumbers", "False", "", "big", "160", false, { 300, 200 }, 160 }),
    [](const ::testing::TestParamInfo<TDisplayCase>& Info) { return std::string(Info.param.Name); });

TEST_F(PlayTiesTest, ArchiveWithoutSettingsGivesTheDefaults)
{
    const QString Name = Home.Path() + "Plain.tlo";
    MakeArchive(Name, { "cat", QString::fromUtf8("海海"), "dog" });
    Window->SetLabelFontName("DejaVu Serif");
    const QString Face = Window->LabelFontName();
    Window->SetAutoRunInterval(700);
    Window->Editor()->findChild<QComboBox*>("edVoiceList")->setCurrentIndex(1);
    Window->Editor()->findChild<QComboBox*>("edPhotoFilter")->setCurrentIndex(2);
    Window->LoadStartFile(Name);
    EXPECT_TRUE(Window->FullShow());
    EXPECT_EQ(Window->LabelFontSize(), 160);
    EXPECT_EQ(Window->AutoRunInterval(), 2000);
    EXPECT_EQ(Window->Editor()->GetInterval(), 2000);
    EXPECT_EQ(Shown(), QString::fromUtf8("海海"));
    EXPECT_EQ(Window->Editor()->findChild<QComboBox*>("edPhotoFilter")->currentIndex(), 0);
    EXPECT_EQ(Window->Editor()->findChild<QComboBox*>("edVoiceList")->currentIndex(), 1);
    EXPECT_EQ(Window->LabelFontName(), Face);
    EXPECT_EQ(Window->Editor()->GetFontName(), Face);
}

TEST_F(PlayTiesTest, IntervalZeroNeverTicks)
{
    TIniFileForEXE::WriteString("AutoRunInterval", "0");
    Window->ReloadSettings();
    EXPECT_EQ(Window->AutoRunInterval(), 0);
    EXPECT_EQ(Window->Editor()->GetInterval(), 0);
    AddWords({ "one", "two" });
    ShowFirst();
    Key(Qt::Key_F9);
    EXPECT_TRUE(Window->AutoPlay());
    EXPECT_FALSE(Window->AutoPlayTimer()->isActive());
}

TEST_F(PlayTiesTest, NothingIsAppliedWhileTheEditorIsShown)
{
    TIniFileForEXE::WriteString("IsFullShow", "False");
    TIniFileForEXE::WriteString("AutoRunInterval", "900");
    Window->Editor()->show();
    Window->ReloadSettings();
    EXPECT_FALSE(Window->FullShow());
    EXPECT_EQ(Window->AutoRunInterval(), 2000);
    Window->Editor()->hide();
}

TEST_F(PlayTiesTest, NoArgumentKeepsTheDesignState)
{
    const QSize Before = Window->size();
    Window->LoadStartFile("");
    EXPECT_EQ(Data().FileName(), Home.Path() + "Untitle1.tlo");
    EXPECT_EQ(Window->Editor()->windowTitle(), "Editor--" + Home.Path() + "Untitle1.tlo");
    EXPECT_FALSE(Window->FullShow());
    EXPECT_EQ(Window->size(), Before);
    EXPECT_EQ(Window->AutoRunInterval(), 2000);
    EXPECT_EQ(Window->LabelFontSize(), 8);
    EXPECT_EQ(Shown(), "");
}

// --- Settings before saving --------------------------------------------------------------------

TEST_F(PlayTiesTest, SaveWritesTheWindowsSettings)
{
    AddWords({ "one", "two" });
    ShowFirst();
    Window->SetLabelFontSize(90);
    Window->SetLabelFontName("DejaVu Sans");
    Window->SetAutoRunInterval(2500);
    Window->resize(410, 330);
    Window->SaveSettings();
    EXPECT_EQ(TIniFileForEXE::ReadString("FontSize"), "90");
    EXPECT_EQ(TIniFileForEXE::ReadString("FontName"), Window->LabelFontName());
    EXPECT_EQ(TIniFileForEXE::ReadString("IsFullShow"), "False");
    EXPECT_EQ(TIniFileForEXE::ReadString("MainFormWidth"), "410");
    EXPECT_EQ(TIniFileForEXE::ReadString("MainFormHeight"), "330");
    EXPECT_EQ(TIniFileForEXE::ReadString("FirstWord"), "one");
    EXPECT_EQ(TIniFileForEXE::ReadString("AutoRunInterval"), "2500");

    // In full screen the windowed size stays as it was in the file.
    TIniFileForEXE::WriteString("MainFormWidth", "333");
    TIniFileForEXE::WriteString("MainFormHeight", "222");
    Window->SetFullShow(true);
    Window->Editor()->findChild<QLineEdit*>("edWordFilter")->setText("zzz"); // no entry shown: no first word
    Window->SaveSettings();
    EXPECT_EQ(TIniFileForEXE::ReadString("IsFullShow"), "True");
    EXPECT_EQ(TIniFileForEXE::ReadString("MainFormWidth"), "333");
    EXPECT_EQ(TIniFileForEXE::ReadString("MainFormHeight"), "222");
    EXPECT_EQ(TIniFileForEXE::ReadString("FirstWord"), "");
}

// --- F2 ----------------------------------------------------------------------------------------

TEST_F(PlayTiesTest, EditorTakesIntervalAndFontBack)
{
    AddWords({ "one", "two" });
    ShowFirst();
    TFrmEditor* Editor = Window->Editor();
    Editor->SetFileOpened(true);
    bool WasShown = false;
    bool OpenedBefore = true;
    WhileEditorShown(Editor, [&] {
        WasShown = Editor->isVisible() && Editor->isModal();
        OpenedBefore = Editor->FileOpened();
        Editor->SetInterval(3500);
        Editor->SetFontName("DejaVu Serif");
    });
    Key(Qt::Key_F2);
    EXPECT_TRUE(WasShown);
    EXPECT_FALSE(OpenedBefore);
    EXPECT_FALSE(Editor->isVisible());
    EXPECT_EQ(Window->AutoRunInterval(), 3500);
    EXPECT_EQ(Window->Label()->font().family(), "DejaVu Serif");
    EXPECT_EQ(Shown(), "one");
}

TEST_F(PlayTiesTest, ListOpenedFromTheEditorBringsItsSettingsAndNewKeepsThem)
{
    const QString Name = Home.Path() + "Other.tlo";
    MakeArchive(Name, { "red", "blue" },
        "IsFullShow=False\r\nMainFormWidth=400\r\nMainFormHeight=250\r\n"
        "FontSize=50\r\nAutoRunInterval=1234\r\nFirstWord=blue\r\n");
    TFrmEditor* Editor = Window->Editor();
    Window->SetFullShow(true);
    // A list opened from the editor is not applied while the editor is up.
    bool FullWhileShown = false;
    Dialogs.OpenAnswers.push_back(Name);
    WhileEditorShown(Editor, [&] {
        Editor->findChild<QPushButton*>("cxButton1")->click();
        FullWhileShown = Window->FullShow();
    });
    Key(Qt::Key_F2);
    EXPECT_TRUE(FullWhileShown);
    EXPECT_FALSE(Window->FullShow());
    EXPECT_EQ(Window->size(), QSize(400, 250));
    EXPECT_EQ(Window->LabelFontSize(), 50);
    EXPECT_EQ(Window->AutoRunInterval(), 1234);
    EXPECT_EQ(Shown(), "blue");

    // A new list from the editor keeps what is in effect.
    Quiet();
    WhileEditorShown(Editor, [&] { Editor->findChild<QPushButton*>("btnNew")->click(); });
    Key(Qt::Key_F2);
    EXPECT_FALSE(Window->FullShow());
    EXPECT_EQ(Window->LabelFontSize(), 50);
    EXPECT_EQ(Window->AutoRunInterval(), 1234);
    EXPECT_EQ(Data().FileName(), Home.Path() + "Untitle1.tlo");
}

// --- Closing -----------------------------------------------------------------------------------

TEST_F(PlayTiesTest, ClosingWritesAnUnchangedNamedListWithItsBackup)
{
    const QString Name = Home.Path() + "Kept.tlo";
    Window->LoadStartFile(Name);
    AddWords({ "one", "two" });
    ASSERT_TRUE(Data().SaveIfModified(false));
    const QByteArray Saved = ReadAll(Name);
    ASSERT_FALSE(Data().Modified());
    EXPECT_TRUE(Window->close());
    EXPECT_EQ(ReadAll(Home.Path() + "Kept.~lo"), Saved);
    EXPECT_TRUE(QFileInfo(Name).isFile());
    EXPECT_NE(ReadAll(Name), "<missing>");
    EXPECT_TRUE(Boxes.Boxes.isEmpty());
}

// --- File association --------------------------------------------------------------------------

TEST_F(PlayTiesTest, AssociationOnlyWithoutAStartFile)
{
    QTemporaryDir UserData;
    QTemporaryDir SystemData;
    const auto Swap = [](const char* Name, const QString& Value) {
        const std::optional<QByteArray> Old
            = qEnvironmentVariableIsSet(Name) ? std::optional<QByteArray>(qgetenv(Name)) : std::nullopt;
        qputenv(Name, Value.toUtf8());
        return Old;
    };
    const auto Restore = [](const char* Name, const std::optional<QByteArray>& Old) {
        if (Old)
            qputenv(Name, *Old);
        else
            qunsetenv(Name);
    };
    const std::optional<QByteArray> OldHome = Swap("XDG_DATA_HOME", UserData.path());
    const std::optional<QByteArray> OldDirs = Swap("XDG_DATA_DIRS", SystemData.path());
    Window->AssociateFileType(Home.Path() + "List.tlo");
    const bool MappedWithFile = TRegExt::IsExtensionMapped(".tlo");
    Window->AssociateFileType("");
    const bool MappedWithout = TRegExt::IsExtensionMapped(".tlo");
    Restore("XDG_DATA_HOME", OldHome);
    Restore("XDG_DATA_DIRS", OldDirs);
    EXPECT_FALSE(MappedWithFile);
    EXPECT_TRUE(MappedWithout);
    EXPECT_TRUE(Boxes.Boxes.isEmpty());
}

} // namespace
