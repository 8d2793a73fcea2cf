// The audio clip window on the editor's presenter with a fake sound device: its buttons in
// each state, recording, taking a clip from a file, clearing it, and closing mid-recording.

#include "EditorFixture.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <string>

using namespace editorfixtures;

namespace {

class AudioTest : public EditorFixture
{
protected:
    TFrmAudio* Audio() { return Editor->FrmAudio(); }

    QAbstractButton* Button(const char* Name)
    {
        auto* Found = Audio()->findChild<QAbstractButton*>(QString::fromLatin1(Name));
        EXPECT_NE(Found, nullptr) << Name;
        return Found;
    }

    // Which of play, start, stop, from file, clear are enabled, as "PSTFC" with "-" for off.
    QString Enabled()
    {
        QString Result;
        const char* Names[] = { "btnPlay", "btnStartRecord", "btnStopRecord", "btnFromFile", "btnClear" };
        const char Marks[] = { 'P', 'S', 'T', 'F', 'C' };
        for (int I = 0; I < 5; ++I)
            Result += Button(Names[I])->isEnabled() ? QChar::fromLatin1(Marks[I]) : QLatin1Char('-');
        return Result;
    }

    QString SoundFile(const char* Name, const QByteArray& Bytes = "RIFF....WAVE")
    {
        const QString Path = Home.Path() + QString::fromLatin1(Name);
        WriteBytes(Path, Bytes);
        return Path;
    }
};

TEST_F(AudioTest, WindowCaptionSizeAndFilter)
{
    EXPECT_EQ(Audio()->windowTitle(), QString::fromUtf8("读词音频"));
    EXPECT_EQ(Audio()->size(), QSize(170, 210));
    EXPECT_EQ(Audio()->OpenDialog1Filter(), QString::fromUtf8("音频文件(*.mp3;*.wav)|*.mp3;*.wav|All files(*.*)|*.*"));
    EXPECT_EQ(Button("btnStartRecord")->text(), QString::fromUtf8("开始录音"));
    EXPECT_EQ(Button("btnStopRecord")->text(), QString::fromUtf8("停止录音"));
    EXPECT_EQ(Button("btnFromFile")->text(), QString::fromUtf8("从文件导入..."));
    EXPECT_EQ(Button("btnClear")->text(), QString::fromUtf8("清空"));
    EXPECT_FALSE(Audio()->Recording());
}

TEST_F(AudioTest, ButtonsFollowTheClipAndTheRecording)
{
    Add("cat");
    Settle();
    Audio()->UpdateButtons();
    EXPECT_EQ(Enabled(), "-S-F-"); // no clip: play and clear off

    Button("btnStartRecord")->click();
    EXPECT_TRUE(Audio()->Recording());
    EXPECT_EQ(Enabled(), "--TF-"); // only stop and from file
    EXPECT_TRUE(Sound->Recording);

    // The fake recorder writes nothing beyond the header the presenter wrote: still a file.
    Button("btnStopRecord")->click();
    EXPECT_FALSE(Audio()->Recording());
    ASSERT_FALSE(Boxes.Boxes.isEmpty());
    EXPECT_EQ(Boxes.Boxes.last().Text, QString::fromUtf8("声音录制完毕!"));
    EXPECT_TRUE(Data().HasAudio());
    EXPECT_EQ(Enabled(), "PS-FC");

    Button("btnPlay")->click();
    EXPECT_TRUE(Sound->Playing);
}

TEST_F(AudioTest, AFailedStartLeavesTheWindowIdle)
{
    Add("cat");
    Sound->FailAt = FakeSound::Step::StartRecording;
    Button("btnStartRecord")->click();
    EXPECT_FALSE(Audio()->Recording());
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Text, QString::fromUtf8("媒体设备初始化失败"));
    EXPECT_EQ(Enabled(), "-S-F-");
}

TEST_F(AudioTest, ClipFromAFileAndClearingItAgain)
{
    Add("cat");
    Settle();
    Dialogs.OpenAnswers.push_back(SoundFile("meow.mp3", "ID3 meow"));
    Button("btnFromFile")->click();
    EXPECT_EQ(Dialogs.Calls.last().Filter, TFrmAudio::OpenDialogFilter);
    EXPECT_TRUE(Data().HasAudio());
    EXPECT_TRUE(ReadBytes(Data().AudioFileName()).startsWith("ID3 meow"));
    EXPECT_EQ(Enabled(), "PS-FC");

    // A cancelled dialog and a name of a file that does not exist keep the clip.
    Button("btnFromFile")->click();
    Dialogs.OpenAnswers.push_back(Home.Path() + "missing.wav");
    Button("btnFromFile")->click();
    ASSERT_EQ(Boxes.Boxes.size(), 1);
    EXPECT_EQ(Boxes.Boxes[0].Type, FakeMessageBoxes::Kind::Error);
    EXPECT_TRUE(ReadBytes(Data().AudioFileName()).startsWith("ID3 meow"));

    Data().SetModified(false);
    Button("btnClear")->click();
    EXPECT_FALSE(Data().HasAudio());
    EXPECT_TRUE(Data().Modified());
    EXPECT_EQ(Enabled(), "-S-F-");

    // The editor's sound filter "TTS" shows the entry now.
    Find<QComboBox>("edAudioFilter")->setCurrentIndex(2);
    EXPECT_EQ(ShownWords(), QStringList { "cat" });
}

TEST_F(AudioTest, ClosingWhileRecordingKeepsNoClipAndTheRecordingState)
{
    Add("cat");
    Settle();
    // The window shown modally from the editor's button; the adult starts recording and
    // closes the window.
    QTimer::singleShot(0, Editor.get(), [this] {
        Button("btnStartRecord")->click();
        Audio()->reject();
    });
    Find<QAbstractButton>("btnAudio")->click();
    EXPECT_TRUE(Audio()->Recording());
    // The editor stopped the player afterwards and the recording file is gone.
    EXPECT_FALSE(QFileInfo::exists(TMWord::TempWaveFileName()));
    EXPECT_TRUE(Sound->FileName().isEmpty());
    EXPECT_FALSE(Data().HasAudio());

    // Shown again it still records; stopping now fails and returns to idle.
    QString Shown;
    QTimer::singleShot(0, Editor.get(), [this, &Shown] {
        Shown = Enabled();
        Button("btnStopRecord")->click();
        Audio()->accept();
    });
    Find<QAbstractButton>("btnAudio")->click();
    EXPECT_EQ(Shown, "--TF-");
    ASSERT_FALSE(Boxes.Boxes.isEmpty());
    EXPECT_EQ(Boxes.Boxes.last().Text, QString::fromUtf8("保存声音文件出错!"));
    EXPECT_EQ(Boxes.Boxes.last().Caption, QString::fromUtf8("错误"));
    EXPECT_FALSE(Audio()->Recording());
    EXPECT_FALSE(Data().HasAudio());
    EXPECT_EQ(Enabled(), "-S-F-");
}

} // namespace
