#pragma once

#include "PcmOutput.h"
#include "SoundDevice.h"

#include <QFile>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>

class QAudioSource;
struct sf_private_tag;

// The real player and recorder. Clips (WAV, MP3 and whatever else libsndfile reads) are
// decoded a little at a time while they play, fed to the default sound output from a timer
// on the event loop. Recording takes the default microphone in the format of the open wave
// file's header and appends the samples behind that header; Save then fixes the header's
// sizes. Closing without saving cuts the file back to its header, so an abandoned recording
// leaves a valid, empty wave file.
class QtSoundDevice final : public QObject, public SoundDevice
{
    Q_OBJECT

public:
    explicit QtSoundDevice(QObject* Parent = nullptr);
    ~QtSoundDevice() override;

    QString FileName() const override;
    void SetFileName(const QString& FileName) override;
    void Open() override;
    void Play() override;
    void StartRecording() override;
    void Stop() override;
    void Save(const QString& FileName) override;
    void Close() override;

    // True while a clip started by Play still has sound to be heard.
    bool IsPlaying() const;
    // True between StartRecording and Stop.
    bool IsRecording() const;

private:
    enum class Mode { Closed, Ready, Playing, Recording, Recorded };
    struct LaterDeleter
    {
        void operator()(QObject* Object) const;
    };

    void RequireOpen() const;
    void OpenReader();
    void CloseReader();
    void StopPlaying();
    void StopRecordingInput();
    void FeedOutput();
    qint64 ReadSound(char* Buffer, qint64 MaxBytes);

    QString FFileName;
    QString FOpenName;
    Mode FMode = Mode::Closed;

    sf_private_tag* FReader = nullptr;
    int FChannels = 0; // of the open file
    int FSampleRate = 0;
    int FFormat = 0; // libsndfile's format code of the open file
    PcmOutput FOutput;
    QTimer FFeedTimer;

    QFile FRecording;
    std::int64_t FDataOffset = 0;
    bool FSaved = false;
    std::unique_ptr<QAudioSource, LaterDeleter> FInput;
};
