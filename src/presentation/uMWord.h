#pragma once

#include "Progress.h"
#include "uWordData.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class Clock;
class SoundDevice;
class SpeechEngine;
class TWordView;

// The word presenter: stands between the windows and the word list. It walks the entries in
// the order of the word view (the editor's grid rows), reports the current entry's text,
// colour and picture, speaks it (its recorded clip when it has one, else its word by
// text-to-speech), records clips, lists and selects voices, opens word lists and exports the
// shown entries. One presenter serves the play window, the editor and the audio clip window.
//
// Ownership: the presenter owns the word collection, the speech engine and the sound device
// (its hidden player and recorder); it only walks the view, which the editor owns and which
// must outlive it or at least be left alone once gone. Creating it makes a fresh working
// folder, points the settings store at that folder's "Tumbalo.ini" (so every setting travels
// with the word list) and shows the new, empty collection in the view. Destroying it frees
// the collection (which deletes the working folder), then the engine, then the player.
//
// The current entry is the view's focused row (see TWordView: when the table's current record
// is hidden, the first shown row takes the focus). With no rows shown there is no current
// entry: no text, the button-face colour, no picture, no clip, nothing spoken.
//
// Errors: what the child sets off (SpeakCurrent, PlayClip, StopClip) swallows every failure of
// the speech and sound services silently; recording reports through the message boxes with the
// program's own texts; the rest raises Error to the window that asked.
class TMWord
{
public:
    // View must not be missing (an AssertionError before anything is made). The clock and the
    // services (message boxes for the recording messages and the collection's questions, file
    // dialogs and clipboard for the collection) must outlive the presenter.
    TMWord(TWordView* View, std::unique_ptr<SpeechEngine> Voice, std::unique_ptr<SoundDevice> Player,
        const Clock& TickClock, TWordDataServices Services = {});
    ~TMWord();
    TMWord(const TMWord&) = delete;
    TMWord& operator=(const TMWord&) = delete;

    // --- Walking -----------------------------------------------------------------------------

    // The next row of the view, the first after the last (or when nothing is focused); nothing
    // moves when the view shows no rows.
    void Next();
    // The previous row, the last before the first (or when nothing is focused).
    void Prior();
    bool IsGridEmpty() const;

    // --- The current entry -------------------------------------------------------------------

    // The Word without blanks and control characters at both ends; empty without an entry.
    QString GetWordText();
    // 0x00BBGGRR, or the button-face value when the entry has no colour or there is no entry.
    std::uint32_t GetBackColor();
    bool HasClip();
    bool HasPicture();
    // The entry's picture, decoded; a null image when it has none or when its file cannot be
    // read as a picture (the play screen then shows no picture rather than an error).
    QImage DisplayPicture();

    // --- Speaking ----------------------------------------------------------------------------

    // The play window's speech request. Nothing without a word. Otherwise, unless less than
    // 500 ms passed since the previous request with a word (unsigned 32-bit milliseconds,
    // measured from the end of the last speech), stops any clip and plays the entry's clip or,
    // without one, speaks the word. Every failure is swallowed. In both cases the guard then
    // starts anew from the clock read after speaking, so each dropped request pushes it.
    void SpeakCurrent();
    // Speaks the current word by text-to-speech and returns when done (a clip is stopped
    // first). Errors reach the caller.
    void SpeakText();
    // The editor's and audio clip window's play button: the entry's clip, never text-to-speech,
    // without touching the speech guard. Failures are swallowed.
    void PlayClip();
    // Stops any clip, then plays the stored clip ClipFile through the temporary sound file in
    // the program's folder. A clip without a usable trailer plays nothing. Errors reach the
    // caller.
    void PlayClipFile(const QString& ClipFile);
    // Brings the player back to idle: when it holds a file, stops it, closes it and deletes the
    // file; a failing step skips the rest and is swallowed; the player then holds no file.
    void StopClip();

    // --- Recording ---------------------------------------------------------------------------

    // The recording file: the program's folder + "Temp.wav".
    static QString TempWaveFileName();
    // Stops any clip, writes the 44-byte wave header (stereo, 16 bits, 22050 Hz) to the
    // recording file and starts recording into it. On failure shows "媒体设备初始化失败"
    // (caption "错误") and gives false.
    bool StartRecording();
    // Stops, saves and closes the recording and keeps it as the current entry's clip, then
    // shows "声音录制完毕!" (caption "信息"); on any failure shows "保存声音文件出错!" (caption
    // "错误") instead and keeps nothing. The player keeps the recording file's name.
    void StopRecording();
    // Keeps the sound file FileName as the current entry's clip. Error when the view shows no
    // entry (the clip would go to an entry nobody sees) or the file cannot be read or written.
    void StoreClip(const QString& FileName);

    // --- Word lists --------------------------------------------------------------------------

    // Makes the archive FileName the word list (a missing file gives an empty list under that
    // name), with the view detached meanwhile so it does not follow the reload row by row, then
    // goes to the entry named by the setting "FirstWord", or "海海" when that is empty; when no
    // entry has that word the reload's current entry stays. False, and nothing done, for a
    // blank name; true also when the user cancelled the question about unsaved changes.
    // Errors of opening reach the caller; the view is attached again in any case.
    bool OpenWordList(const QString& FileName);
    QString GetFirstWord() const;

    // Writes the shown entries to FileName (nothing for a blank name): with the extension
    // ".tlo" (any letter case) the whole list as a word archive when every entry is shown,
    // else the shown entries (ExportRows); with any other extension their words as text
    // (ExportText). Writing the whole list does not change the list's own file name, and the
    // unsaved-changes flag keeps its value, since the list's own archive was not written.
    void ExportToFile(const QString& FileName, const TProgress& Progress = {});
    // The shown entries in the view's order, under new RowIDs, with their pictures and clips,
    // as a word archive without settings or grid files. The focus does not move.
    void ExportRows(const QString& FileName, const TProgress& Progress = {});
    // The Words of the shown entries as stored, in the view's order, one per CR LF line.
    void ExportText(const QString& FileName, const TProgress& Progress = {});
    // Appends the entries of a word archive or a text file (TWordData::AppendFromFile); gives
    // how many.
    int AppendFrom(const QString& FileName, const TProgress& Progress = {});

    // --- Voices ------------------------------------------------------------------------------

    // Clears Strings and fills it with the installed voices' names in the engine's stable
    // order. A speech service that cannot list its voices leaves it empty.
    void GetVoiceNames(QStringList& Strings);
    // The position of the voice in use in that list; -1 when the voice follows the text, is
    // not listed, or the voices cannot be listed.
    int CurrentVoiceIndex();
    // Makes the voice at Index the voice in use; a negative index does nothing. An index past
    // the end raises Error and changes nothing.
    void SelectVoice(int Index);

    // --- Parts -------------------------------------------------------------------------------

    TWordData& WordData() { return *FWordData; }
    TWordView* View() const { return FView; }
    std::uint32_t LastSpeakTick() const { return FLastSpeakTick; }

private:
    void CreateWordData();
    // True when the view focuses a row, which is then the table's current record.
    bool HasCurrent();

    // In the order the parts are made.
    QPointer<TWordView> FView;
    std::unique_ptr<SpeechEngine> FVoice;
    std::uint32_t FLastSpeakTick = 0;
    std::unique_ptr<SoundDevice> FPlayer;
    std::unique_ptr<TWordData> FWordData;
    const Clock& FClock;
    TWordDataServices FServices;
};
