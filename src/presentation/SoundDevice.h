#pragma once

#include <QString>

// The presenter's hidden player and recorder of clips. It holds at most one file at a time:
// the file name property says which (empty when none), Open opens it, and Close releases it
// so that the caller may delete it or store it as a clip. Playing and recording run in the
// background on the user-interface thread's event loop; the calls return at once.
// Every failure is raised as an Error carrying a readable message.
//
// Playing a clip: SetFileName, Open, Play. Stopping it: Stop, Close, then delete the file.
// Recording: SetFileName on a file that already holds a wave header (WriteWaveHeader),
// Open, StartRecording; the header's format is the recording's format. Finishing: Stop,
// Save, Close.
class SoundDevice
{
public:
    virtual ~SoundDevice() = default;

    virtual QString FileName() const = 0;
    virtual void SetFileName(const QString& FileName) = 0;

    // Opens the file named by FileName, closing whatever was open before. Raises Error when
    // no name is set or the file is not a sound file this device can read.
    virtual void Open() = 0;

    // Starts playing the open file from its beginning and returns at once; the sound plays
    // to its end unless stopped.
    virtual void Play() = 0;

    // Starts recording from the default microphone into the open wave file, behind its
    // header, and returns at once.
    virtual void StartRecording() = 0;

    // Stops playing or recording. Raises Error when no file is open.
    virtual void Stop() = 0;

    // Writes what was recorded into FileName as a complete wave file (the open file itself
    // when FileName names it).
    virtual void Save(const QString& FileName) = 0;

    // Stops everything and releases the open file. Does nothing when none is open.
    virtual void Close() = 0;
};
