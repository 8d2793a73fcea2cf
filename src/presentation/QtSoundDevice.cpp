#include "QtSoundDevice.h"

#include "Error.h"
#include "uWaveFile.h"

#include <QAudioSource>
#include <QFileInfo>
#include <QMediaDevices>

#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace {

// How often the output is fed while a clip plays; well inside the output's buffer.
constexpr int FeedIntervalMs = 10;

bool SameFile(const QString& A, const QString& B)
{
    return QFileInfo(A).absoluteFilePath() == QFileInfo(B).absoluteFilePath();
}

} // namespace

void QtSoundDevice::LaterDeleter::operator()(QObject* Object) const
{
    Object->deleteLater();
}

QtSoundDevice::QtSoundDevice(QObject* Parent)
    : QObject(Parent)
{
    FFeedTimer.setInterval(FeedIntervalMs);
    connect(&FFeedTimer, &QTimer::timeout, this, &QtSoundDevice::FeedOutput);
}

QtSoundDevice::~QtSoundDevice()
{
    Close();
}

QString QtSoundDevice::FileName() const
{
    return FFileName;
}

void QtSoundDevice::SetFileName(const QString& FileName)
{
    FFileName = FileName;
}

bool QtSoundDevice::IsPlaying() const
{
    return FMode == Mode::Playing;
}

bool QtSoundDevice::IsRecording() const
{
    return FMode == Mode::Recording;
}

void QtSoundDevice::RequireOpen() const
{
    if (FMode == Mode::Closed)
        throw Error(QStringLiteral("No sound file is open."));
}

void QtSoundDevice::Open()
{
    Close();
    if (FFileName.isEmpty())
        throw Error(QStringLiteral("No sound file is named."));
    FOpenName = FFileName;
    OpenReader();
    FMode = Mode::Ready;
}

void QtSoundDevice::OpenReader()
{
    SF_INFO Info {};
    const QByteArray Path = QFile::encodeName(FOpenName);
    SNDFILE* Reader = sf_open(Path.constData(), SFM_READ, &Info);
    if (!Reader)
        throw Error(QStringLiteral("The sound file \"%1\" cannot be opened: %2")
                        .arg(FOpenName, QString::fromUtf8(sf_strerror(nullptr))));
    if (Info.channels < 1 || Info.samplerate < 1) {
        sf_close(Reader);
        throw Error(QStringLiteral("The sound file \"%1\" has no sound channels.").arg(FOpenName));
    }
    FReader = Reader;
    FChannels = Info.channels;
    FSampleRate = Info.samplerate;
    FFormat = Info.format;
}

void QtSoundDevice::CloseReader()
{
    if (FReader) {
        sf_close(FReader);
        FReader = nullptr;
    }
}

qint64 QtSoundDevice::ReadSound(char* Buffer, qint64 MaxBytes)
{
    if (!FReader)
        return 0;
    auto* Out = reinterpret_cast<short*>(Buffer);
    const int OutChannels = std::min(FChannels, 2);
    const sf_count_t Frames = MaxBytes / (2 * OutChannels);
    if (FChannels <= 2)
        return qint64(std::max<sf_count_t>(0, sf_readf_short(FReader, Out, Frames))) * 2 * OutChannels;
    // More than two channels: play the first two.
    std::vector<short> All(std::size_t(Frames) * FChannels);
    const sf_count_t Got = std::max<sf_count_t>(0, sf_readf_short(FReader, All.data(), Frames));
    for (sf_count_t Frame = 0; Frame < Got; ++Frame) {
        Out[2 * Frame] = All[std::size_t(Frame * FChannels)];
        Out[2 * Frame + 1] = All[std::size_t(Frame * FChannels + 1)];
    }
    return qint64(Got) * 4;
}

void QtSoundDevice::Play()
{
    RequireOpen();
    if (FMode == Mode::Recording)
        throw Error(QStringLiteral("The sound device is recording."));
    StopPlaying();
    if (!FReader)
        OpenReader();
    else if (sf_seek(FReader, 0, SEEK_SET) < 0) {
        CloseReader();
        OpenReader();
    }
    QAudioFormat Format;
    Format.setSampleRate(FSampleRate);
    Format.setChannelCount(std::min(FChannels, 2));
    Format.setSampleFormat(QAudioFormat::Int16);
    FOutput.Start(Format, [this](char* Buffer, qint64 MaxBytes) { return ReadSound(Buffer, MaxBytes); });
    FMode = Mode::Playing;
    FeedOutput();
    if (FMode == Mode::Playing)
        FFeedTimer.start();
}

void QtSoundDevice::FeedOutput()
{
    bool More = false;
    try {
        More = FOutput.Pump();
    } catch (const Error&) {
        // Nobody waits on a clip playing in the background: a failing output just ends it.
        More = false;
    }
    if (!More)
        StopPlaying();
}

void QtSoundDevice::StopPlaying()
{
    FFeedTimer.stop();
    FOutput.Stop();
    if (FMode == Mode::Playing)
        FMode = Mode::Ready;
}

void QtSoundDevice::StartRecording()
{
    RequireOpen();
    if (FMode == Mode::Recording)
        return;
    StopPlaying();
    StopRecordingInput();
    if ((FFormat & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV || (FFormat & SF_FORMAT_SUBMASK) != SF_FORMAT_PCM_16)
        throw Error(QStringLiteral("Recording needs a 16-bit PCM wave file, and \"%1\" is not one.").arg(FOpenName));
    const std::int64_t DataOffset = WaveDataOffset(FOpenName);
    CloseReader();

    const QAudioDevice Microphone = QMediaDevices::defaultAudioInput();
    if (Microphone.isNull())
        throw Error(QStringLiteral("No microphone is available."));
    if (FRecording.isOpen())
        FRecording.close();
    FRecording.setFileName(FOpenName);
    if (!FRecording.open(QIODevice::ReadWrite) || !FRecording.resize(DataOffset) || !FRecording.seek(DataOffset))
        throw Error(
            QStringLiteral("The sound file \"%1\" cannot be written: %2").arg(FOpenName, FRecording.errorString()));
    FDataOffset = DataOffset;

    QAudioFormat Format;
    Format.setSampleRate(FSampleRate);
    Format.setChannelCount(FChannels);
    Format.setSampleFormat(QAudioFormat::Int16);
    FInput.reset(new QAudioSource(Microphone, Format));
    FInput->start(&FRecording);
    // An open failure emits no signal: it only shows in error() right after start().
    if (FInput->error() != QAudio::NoError || FInput->state() == QAudio::StoppedState) {
        StopRecordingInput();
        FRecording.close();
        throw Error(QStringLiteral("The microphone \"%1\" cannot be opened.").arg(Microphone.description()));
    }
    FSaved = false;
    FMode = Mode::Recording;
}

void QtSoundDevice::StopRecordingInput()
{
    if (FInput) {
        FInput->stop();
        FInput.reset();
    }
}

void QtSoundDevice::Stop()
{
    RequireOpen();
    if (FMode == Mode::Playing) {
        StopPlaying();
    } else if (FMode == Mode::Recording) {
        StopRecordingInput();
        FRecording.flush();
        FMode = Mode::Recorded;
    }
}

void QtSoundDevice::Save(const QString& FileName)
{
    RequireOpen();
    if (FMode == Mode::Recording)
        Stop();
    if (FMode != Mode::Recorded)
        throw Error(QStringLiteral("Nothing has been recorded into \"%1\".").arg(FOpenName));
    if (FRecording.isOpen())
        FRecording.close();
    FinishWaveFile(FOpenName);
    FSaved = true;
    if (FileName.isEmpty() || SameFile(FileName, FOpenName))
        return;
    if (QFile::exists(FileName) && !QFile::remove(FileName))
        throw Error(QStringLiteral("The sound file \"%1\" cannot be replaced.").arg(FileName));
    if (!QFile::copy(FOpenName, FileName))
        throw Error(QStringLiteral("The sound file \"%1\" cannot be written.").arg(FileName));
}

void QtSoundDevice::Close()
{
    StopPlaying();
    const bool Recorded = FMode == Mode::Recording || FMode == Mode::Recorded;
    StopRecordingInput();
    if (Recorded && !FSaved) {
        // An unsaved recording is dropped: the file goes back to its bare header.
        if (!FRecording.isOpen())
            FRecording.open(QIODevice::ReadWrite);
        if (FRecording.isOpen())
            FRecording.resize(FDataOffset);
    }
    if (FRecording.isOpen())
        FRecording.close();
    CloseReader();
    FOpenName.clear();
    FMode = Mode::Closed;
}
