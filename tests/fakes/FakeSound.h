#pragma once

#include "Error.h"
#include "SoundDevice.h"

#include <QFile>
#include <QStringList>

#include <optional>

// A player and recorder that makes no sound. It records every call in Calls ("Open",
// "Play", "Save /path", ...), keeps the states the presenter relies on (Stop and Save
// without an open file raise, as the real device does; Open needs a named, existing file),
// and can be told to fail at one step. Save writes nothing: the recording file keeps
// whatever the caller wrote into it.
class FakeSound final : public SoundDevice
{
public:
    enum class Step { Open, Play, StartRecording, Stop, Save, Close };

    QString FileName() const override { return FFileName; }
    void SetFileName(const QString& FileName) override { FFileName = FileName; }

    void Open() override
    {
        Record(QStringLiteral("Open"), Step::Open);
        IsOpen = Playing = Recording = false;
        if (FFileName.isEmpty())
            throw Error(QStringLiteral("No sound file is named."));
        if (!QFile::exists(FFileName))
            throw Error(QStringLiteral("The sound file \"%1\" cannot be opened.").arg(FFileName));
        IsOpen = true;
    }

    void Play() override
    {
        Record(QStringLiteral("Play"), Step::Play);
        RequireOpen();
        Playing = true;
    }

    void StartRecording() override
    {
        Record(QStringLiteral("StartRecording"), Step::StartRecording);
        RequireOpen();
        Playing = false;
        Recording = true;
    }

    void Stop() override
    {
        Record(QStringLiteral("Stop"), Step::Stop);
        RequireOpen();
        Playing = Recording = false;
    }

    void Save(const QString& FileName) override
    {
        Record(QStringLiteral("Save ") + FileName, Step::Save);
        RequireOpen();
        Recording = false;
        SavedTo = FileName;
    }

    void Close() override
    {
        Record(QStringLiteral("Close"), Step::Close);
        IsOpen = Playing = Recording = false;
    }

    QStringList Calls;
    std::optional<Step> FailAt;
    bool IsOpen = false;
    bool Playing = false;
    bool Recording = false;
    QString SavedTo;

private:
    void Record(const QString& Call, Step At)
    {
        Calls.append(Call);
        if (FailAt == At)
            throw Error(QStringLiteral("The sound device failed at %1.").arg(Call));
    }

    void RequireOpen() const
    {
        if (!IsOpen)
            throw Error(QStringLiteral("No sound file is open."));
    }

    QString FFileName;
};
