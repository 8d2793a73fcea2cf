#pragma once

#include "Progress.h"
#include "uDataTable.h"
#include "uEventList.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

class Clipboard;
class FileDialogs;
class MessageBoxes;

// The platform services a collection may need: the confirmation before unsaved changes are
// dropped and the message of a failed save (Boxes), the name dialog of an untitled list
// (Dialogs), pictures and pasted lines (Board). A missing service behaves as a user who
// cancels: no answer, no name, an empty clipboard.
struct TWordDataServices
{
    MessageBoxes* Boxes = nullptr;
    FileDialogs* Dialogs = nullptr;
    Clipboard* Board = nullptr;
};

// One word list while the program runs: the table of entries and, beside it, a working folder
// that holds the entries' pictures and clips (named after their RowID), the encrypted list
// file and the windows' state files. Everything in the working folder travels in the word
// archive.
//
// Ownership: the collection owns its table, its two notifiers and its working folder, which
// it deletes when it is destroyed (unless it was made only to read somebody else's folder,
// see OwnsDataDir). The main collection belongs to the presenter; import and export make
// short-lived ones.
//
// Media presence: whether an entry has a picture or a clip is whether its file exists. The
// collection keeps that knowledge in memory, rebuilt from the folder after every load and
// updated by every operation of its own that writes or deletes a media file, so the editor's
// picture and clip filters cost no file-system call per row.
class TWordData
{
public:
    // The colour that stands for an entry without colour: the system's button face.
    static constexpr std::uint32_t clBtnFace = 0xFF00000F;

    // Builds the collection on the existing folder Dir and loads its list file, or starts an
    // empty table when there is none. Raises AssertionError "<Dir> is not a valid path." when
    // Dir is not a folder. With OwnsDataDir false the folder is only read and is left in place
    // when the collection goes.
    explicit TWordData(const QString& Dir, TWordDataServices Services = {}, bool OwnsDataDir = true);
    ~TWordData();
    TWordData(const TWordData&) = delete;
    TWordData& operator=(const TWordData&) = delete;

    // --- The table ---------------------------------------------------------------------------

    // Loads the list file or makes an empty table, numbers from the largest RowID on, hooks
    // the table's events and rebuilds the media presence. After a list file that cannot be
    // read the table is open and empty and the error is raised.
    void InitData();
    void LoadOrCreateTable();
    void CreateEmptyTable();
    // The five fields of a word list, in their order: RowID, Word, BackColor, Category, Status.
    static std::vector<TFieldDef> WordFields();
    // The largest RowID of the table, at least 1; the first record is current afterwards.
    qint32 MaxRowID();

    TDataTable& DataSet() { return *FDataSet; }
    const TDataTable& DataSet() const { return *FDataSet; }
    bool IsActive() const;
    bool IsEmpty() const;

    qint32 CurrentRowID() const;
    // The current entry's Word without blanks and control characters at both ends.
    QString CurrentWord() const;
    // The current entry's BackColor, or clBtnFace when it has none.
    std::uint32_t CurrentBackColor() const;
    // Makes the first entry whose Word is exactly Word current (in the table's current order).
    bool LocateWord(const QString& Word);

    void SetStatus(const QString& Status);
    void MarkWordRead();
    void MarkWordFailed();
    void MarkPicRead();
    void MarkPicFailed();

    // --- Media files -------------------------------------------------------------------------

    QString MediaFileName(const QString& Kind, const QString& Ext, qint32 RowID) const;
    QString PhotoFileName() const;
    QString AudioFileName() const;
    QString PhotoFileNameOf(qint32 RowID) const;
    QString AudioFileNameOf(qint32 RowID) const;
    bool HasPhoto() const;
    bool HasAudio() const;
    bool HasMedia() const;
    bool HasPhotoOf(qint32 RowID) const;
    bool HasAudioOf(qint32 RowID) const;

    // The clipboard's picture becomes the current entry's picture, stored as JPEG; gives the
    // picture (null when the clipboard held none, and then no file is written).
    QImage PastePhoto();
    // Stores Picture as the current entry's picture (JPEG); a null image writes nothing.
    void StorePhoto(const QImage& Picture);
    void ClearPhoto();
    // The current entry's picture, decoded; Error when the file cannot be read or decoded.
    QImage LoadPhoto() const;
    void ClearAudio();
    // The sound file SourceFile, followed by the clip trailer, becomes the current entry's
    // clip. SourceFile is not changed.
    void StoreAudio(const QString& SourceFile);
    // Writes the clip ClipFile without its trailer to the program's folder as "temp" plus the
    // clip's extension and gives that name; the empty text when ClipFile is missing or carries
    // no trailer.
    static QString ExtractClip(const QString& ClipFile);

    // --- Working folders (no collection needed) ---------------------------------------------

    static QString WorkRoot();
    static QString NewWorkDirName();
    // Makes the first free working folder, empty; Created tells whether that worked.
    static QString CreateWorkDir(bool* Created = nullptr);
    static bool DeleteDirectory(const QString& Dir);
    static bool RecreateDirectory(const QString& Dir);
    // Removes the working root when this is the only running copy of the program.
    static void CleanWorkRoot();

    // --- Word files --------------------------------------------------------------------------

    // Makes the archive Name this collection's list, or starts a new, empty list under that
    // name when no such file exists. Asks first about unsaved changes (Cancel changes nothing).
    void OpenFile(const QString& Name);
    // Saves unsaved changes into FileName, with its ".~lo" backup; with Ask, asks first.
    // Gives false when the caller must stop: the question was cancelled, no name was given,
    // or the save failed (its message is shown and the unsaved work stays).
    bool SaveIfModified(bool Ask);
    // Writes the working folder as an archive to Name: the before-save listeners write their
    // files, the list file is brought up to date, then the folder is packed. False for a blank
    // name; a failure raises Error and leaves an existing archive of that name intact.
    bool SaveToFile(const QString& Name);
    // Empties the table and the working folder.
    void ClearData();
    // Unpacks the archive ZipFile into Dir; raises Error "Fail to unzip ..." when it cannot.
    bool UnzipTo(const QString& Dir, const QString& ZipFile);
    // The archive library needs no registration; kept so callers read as they always have.
    bool RegisterZipComponent();
    // The program's folder + "Untitle" + N + ".tlo", N the smallest from 1 whose file is missing.
    static QString NewUntitledName();
    bool IsUntitled() const;
    // Asks for a name when the list is untitled; false when none was given.
    bool EnsureFileName();
    QString ListFileName() const;
    void LoadListFile();
    void WriteListFile();
    QByteArray SaveToXmlText();
    // The save dialog for a word file or an export; the empty text when cancelled.
    QString AskSaveFileName(const QString& Filter);

    // --- State -------------------------------------------------------------------------------

    const QString& DataDir() const { return FDataDir; }
    qint32 LastRowID() const { return FLastRowID; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    bool ZipRegistered() const { return FZipRegistered; }
    const QString& FileName() const { return FFileName; }
    QStringList& DeleteList() { return FDeleteList; }
    TNotifier& BeforeSaveNotifier() { return *FBeforeSaveNotifier; }
    TNotifier& AfterOpenNotifier() { return *FAfterOpenNotifier; }
    const TWordDataServices& Services() const { return FServices; }

    // Text without blanks and control characters at both ends (everything up to U+0020).
    static QString TrimBlanks(const QString& Text);
    // Brings the media presence of RowID up to date after a media file was written or removed
    // by other code than the collection's own (a copy during an import).
    void NoteMediaFile(qint32 RowID, bool Photo);

    // --- Import, export and clean-up (uWordDataImport.cpp) ------------------------------------
    //
    // Import and clean-up work on the whole table, whatever the editor's filter hides. Text read
    // from files and the clipboard is UTF-8, or GB18030 when it is not valid UTF-8; the Word
    // field keeps at most 50 characters of a longer line. The long operations take a TProgress:
    // cancelled between entries, they leave what was done in place and give its count. Entries
    // appended before an error stay in the table; errors are raised as Error.

    // Appends the entries of a word archive (extension ".tlo", letter case ignored) or of a
    // text file (any other name). A blank name or a name that is no file does nothing.
    int AppendFromFile(const QString& FileName, const TProgress& Progress = {});
    // Unpacks the archive into a fresh working folder, appends its entries with their pictures
    // and clips, and removes that folder again, also after an error.
    int ImportFromTumbaloFile(const QString& FileName, const TProgress& Progress = {});
    // One entry per line: the line exactly as read (blanks kept, an empty line gives an empty
    // Word), without colour, category, status or media. A file that cannot be read, or one of
    // more than 256 MB (no word list is that large), raises Error and appends nothing.
    int AppendFromTextFile(const QString& FileName, const TProgress& Progress = {});
    // Appends every entry of the unpacked list in Folder with its picture and clip. The folder
    // is only read, never changed or removed; one without a list file appends nothing. A blank
    // name or this collection's own working folder does nothing; a missing folder is an Error.
    int AppendFromPath(const QString& Folder, const TProgress& Progress = {});
    // Appends every entry of Source, in Source's order, after all existing entries.
    int AppendAll(const TWordData& Source, const TProgress& Progress = {});
    // Appends a copy of Source's current entry under a new RowID: the Word trimmed, a missing
    // colour made clBtnFace, category and status as text, and copies of its picture and clip.
    // A media file that exists but cannot be copied raises Error and appends nothing.
    void AppendRecordFrom(const TWordData& Source);
    // Inserts the clipboard's lines before the current entry (see InsertLines).
    int PasteLines(const TProgress& Progress = {});
    // Inserts one entry per line that is not blank, the Word being the line unchanged, so that
    // the new entries stand in the lines' order in front of the entry that was current; the
    // entry of the first of them is current afterwards.
    int InsertLines(const QStringList& Lines, const TProgress& Progress = {});
    // The clipboard's plain text, or the empty text (also without a clipboard service).
    QString GetClipboardText() const;
    // Lines of Text ended by CR, LF or CR LF; a line break at the very end adds no empty line.
    static QStringList SplitLines(const QString& Text);

    // Writes the entries RowIDs, in that order, as a word archive FileName: copies under new
    // RowIDs (numbered from 2) with their pictures and clips, without settings or grid files;
    // also when RowIDs is empty. A RowID that no entry has is skipped. The collection itself
    // stays as it was. False, and nothing written, for a blank name or when cancelled.
    bool ExportRowsTo(const QString& FileName, const QList<qint32>& RowIDs, const TProgress& Progress = {});
    // Writes Words as a UTF-8 text file, each followed by CR LF, replacing FileName as a whole
    // (an error leaves an existing file as it was). False, and nothing written, for a blank
    // name or when cancelled.
    bool ExportTextTo(const QString& FileName, const QStringList& Words, const TProgress& Progress = {});

    // Deletes duplicate entries: among entries next to each other in the order of Word and
    // Category whose duplicate keys are equal, those with a picture or clip always stay, and
    // of those without, all but the last go when none of the group has media. Each deletion is
    // logged as "Delete record: <RowID>;<tab><key>" before it happens; a log that cannot be
    // written stops the run there. Modified is set only when something is to be deleted. The
    // table's ordering is restored, and the current entry stays current when it stays.
    // Gives the number deleted; DeleteList keeps the RowIDs chosen.
    int DeleteDuplicates(const TProgress& Progress = {});
    // Runs Operation with the table ordered by FieldNames and its controls disabled, then
    // restores the previous ordering and the controls, also after an error.
    void RunWithIndex(const QString& FieldNames, const std::function<void()>& Operation);
    // The current entry's trimmed Word, ";" and its Category.
    QString GetDuplicateKey() const;

private:
    // One entry of a group of equal duplicate keys: its row in the walk, RowID and media.
    struct TDuplicate
    {
        int Row;
        qint32 RowID;
        bool HasMedia;
    };
    // Walks the table in its current ordering and fills DeleteList, and beside it Rows and
    // Keys with the rows and duplicate keys of the entries to delete, group by group.
    void MarkDuplicates(std::vector<int>& Rows, QStringList& Keys);
    void MarkGroup(std::vector<TDuplicate>& Group, const QString& Key, std::vector<int>& Rows, QStringList& Keys);
    int DeleteMarked(const std::vector<int>& Rows, const QStringList& Keys, const TProgress& Progress);
    QString DuplicateKeyAt(int Row) const;
    void AppendRecordAt(const TWordData& Source, int Row);
    void CopyMediaFile(const TWordData& Source, const QVariant& SourceRowID, qint32 RowID, bool Photo);

private:
    void DataSetAfterInsert(TDataTable& Table);
    void DataSetAfterPost(TDataTable& Table);
    void DataSetAfterDelete(TDataTable& Table);
    void HookTableEvents();
    void ScanMedia();

    std::unique_ptr<TNotifier> FBeforeSaveNotifier;
    std::unique_ptr<TNotifier> FAfterOpenNotifier;
    QStringList FDeleteList;
    std::unique_ptr<TDataTable> FDataSet;
    QString FDataDir;
    qint32 FLastRowID = 0;
    bool FModified = false;
    bool FZipRegistered = false;
    QString FFileName;
    TWordDataServices FServices;
    bool FOwnsDataDir = true;
    std::unordered_set<qint32> FPhotoIds;
    std::unordered_set<qint32> FAudioIds;
};
