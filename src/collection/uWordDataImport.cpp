// The word collection's bulk work: appending the entries of archives, unpacked list folders,
// text files and pasted lines; exporting entries as an archive or a text file; and removing
// duplicate entries.

#include "uWordData.h"

#include "Clipboard.h"
#include "Error.h"
#include "uFileIO.h"
#include "uLogHandler.h"
#include "uText.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

// Text without blanks and control characters at both ends, as TWordData::TrimBlanks gives
// it, without making a copy.
QStringView TrimmedView(const QString& Text)
{
    QStringView View(Text);
    while (!View.isEmpty() && View.front().unicode() <= 0x20)
        View = View.sliced(1);
    while (!View.isEmpty() && View.back().unicode() <= 0x20)
        View.chop(1);
    return View;
}

// A field of the table by name; an Error naming the field when the table has none.
int FieldOf(const TDataTable& Table, const QString& Name)
{
    const int Field = Table.FieldIndex(Name);
    if (Field < 0)
        throw Error(QStringLiteral("Field '%1' not found.").arg(Name));
    return Field;
}

// The value of a field of Row, null when the table has no such field (a list written with
// other fields still gives what it has).
QVariant ValueOf(const TDataTable& Table, int Row, const QString& Name)
{
    const int Field = Table.FieldIndex(Name);
    return Field < 0 ? QVariant() : Table.Value(Row, Field);
}

// A word list as text is a few megabytes at most; a larger file is the wrong file (a film, a
// disk image) and would only fill the memory.
constexpr qint64 MaxTextFileSize = qint64(256) << 20;

// Removes a folder when it goes out of scope, also when an error leaves early.
class TFolderRemover
{
public:
    explicit TFolderRemover(const QString& Dir)
        : FDir(Dir)
    { }
    ~TFolderRemover() { TWordData::DeleteDirectory(FDir); }
    TFolderRemover(const TFolderRemover&) = delete;
    TFolderRemover& operator=(const TFolderRemover&) = delete;

private:
    QString FDir;
};

QString FreshWorkDir()
{
    bool Created = false;
    const QString Dir = TWordData::CreateWorkDir(&Created);
    if (!Created)
        throw Error(QStringLiteral("Cannot make the working folder \"%1\".").arg(Dir));
    return Dir;
}

} // namespace

// --- Appending -----------------------------------------------------------------------------

int TWordData::AppendFromFile(const QString& FileName, const TProgress& Progress)
{
    if (TrimBlanks(FileName).isEmpty() || !QFileInfo(FileName).isFile())
        return 0;
    if (QFileInfo(FileName).suffix().compare(QStringLiteral("tlo"), Qt::CaseInsensitive) == 0)
        return ImportFromTumbaloFile(FileName, Progress);
    return AppendFromTextFile(FileName, Progress);
}

int TWordData::ImportFromTumbaloFile(const QString& FileName, const TProgress& Progress)
{
    if (TrimBlanks(FileName).isEmpty())
        return 0;
    const QString Dir = FreshWorkDir();
    TFolderRemover Remover(Dir);
    int Appended = 0;
    if (UnzipTo(Dir, FileName)) {
        LogHandler().Run(Dir, QStringLiteral("AppendFromPath called by TWordData.ImportFromTumbaloFile"),
            [&](const QString& Folder) { Appended = AppendFromPath(Folder, Progress); });
    }
    return Appended;
}

int TWordData::AppendFromTextFile(const QString& FileName, const TProgress& Progress)
{
    // The whole file is read before the first entry is made: a file that cannot be read
    // leaves the table as it was.
    const QStringList Lines = SplitLines(DecodeText(ReadWholeFile(FileName, MaxTextFileSize)));
    TDataTable& Table = *FDataSet;
    const int WordField = FieldOf(Table, QStringLiteral("Word"));
    TControlsDisabled Quiet(Table);
    TProgressCounter Counter(Progress, static_cast<int>(Lines.size()));
    int Done = 0;
    for (const QString& Line : Lines) {
        if (!Counter.Continue(Done))
            break;
        Table.Append();
        Table.SetFieldValue(WordField, Line);
        Table.Post();
        ++Done;
    }
    Counter.Finish(Done);
    return Done;
}

int TWordData::AppendFromPath(const QString& Folder, const TProgress& Progress)
{
    if (TrimBlanks(Folder).isEmpty())
        return 0;
    const QFileInfo Info(Folder);
    if (!Info.isDir())
        throw Error(QStringLiteral("The folder \"%1\" does not exist.").arg(Folder));
    // Whatever way the folder is named (a link, without the trailing separator), the own
    // working folder is never read as a source.
    if (Info.canonicalFilePath() == QFileInfo(FDataDir).canonicalFilePath())
        return 0;
    const TWordData Source(Folder, {}, false);
    return AppendAll(Source, Progress);
}

int TWordData::AppendAll(const TWordData& Source, const TProgress& Progress)
{
    TUMBALO_ASSERT(&Source != this, QStringLiteral("AppendAll: a collection cannot append itself."));
    const int Total = Source.DataSet().RecordCount();
    TControlsDisabled Quiet(*FDataSet);
    TProgressCounter Counter(Progress, Total);
    int Done = 0;
    for (int Row = 0; Row < Total; ++Row) {
        if (!Counter.Continue(Done))
            break;
        AppendRecordAt(Source, Row);
        ++Done;
    }
    Counter.Finish(Done);
    return Done;
}

void TWordData::AppendRecordFrom(const TWordData& Source)
{
    if (Source.IsEmpty())
        return;
    AppendRecordAt(Source, Source.DataSet().RecNo());
}

void TWordData::AppendRecordAt(const TWordData& Source, int Row)
{
    const TDataTable& From = Source.DataSet();
    TDataTable& To = *FDataSet;
    const QVariant SourceRowID = ValueOf(From, Row, QStringLiteral("RowID"));
    const QVariant Color = ValueOf(From, Row, QStringLiteral("BackColor"));

    To.Append();
    const qint32 RowID = CurrentRowID();
    try {
        To.SetFieldValue(
            FieldOf(To, QStringLiteral("Word")), TrimBlanks(ValueOf(From, Row, QStringLiteral("Word")).toString()));
        To.SetFieldValue(FieldOf(To, QStringLiteral("BackColor")),
            Color.isNull() ? QVariant(static_cast<qint32>(clBtnFace)) : Color);
        To.SetFieldValue(
            FieldOf(To, QStringLiteral("Category")), ValueOf(From, Row, QStringLiteral("Category")).toString());
        To.SetFieldValue(
            FieldOf(To, QStringLiteral("Status")), ValueOf(From, Row, QStringLiteral("Status")).toString());
        CopyMediaFile(Source, SourceRowID, RowID, true);
        CopyMediaFile(Source, SourceRowID, RowID, false);
        To.Post();
    } catch (...) {
        // The half-made entry goes, and with it whatever media it got.
        To.Cancel();
        for (const bool Photo : { true, false }) {
            QFile::remove(Photo ? PhotoFileNameOf(RowID) : AudioFileNameOf(RowID));
            NoteMediaFile(RowID, Photo);
        }
        throw;
    }
}

void TWordData::CopyMediaFile(const TWordData& Source, const QVariant& SourceRowID, qint32 RowID, bool Photo)
{
    const QString Target = Photo ? PhotoFileNameOf(RowID) : AudioFileNameOf(RowID);
    // A file left under the new number by someone else must not become this entry's media.
    if (Photo ? HasPhotoOf(RowID) : HasAudioOf(RowID)) {
        QFile::remove(Target);
        NoteMediaFile(RowID, Photo);
    }
    if (SourceRowID.isNull())
        return;
    const qint32 From = SourceRowID.toInt();
    if (!(Photo ? Source.HasPhotoOf(From) : Source.HasAudioOf(From)))
        return; // the entry has none: nothing to copy, nothing to report
    const QString SourceFile = Photo ? Source.PhotoFileNameOf(From) : Source.AudioFileNameOf(From);
    // In a folder the user picked, a pipe or a device under a media file's name is no picture
    // or clip, and copying it could hang or fill the disk.
    if (!QFileInfo(SourceFile).isFile())
        return;
    QFile File(SourceFile);
    if (!File.copy(Target))
        throw Error(QStringLiteral("Cannot copy \"%1\" to \"%2\": %3").arg(SourceFile, Target, File.errorString()));
    NoteMediaFile(RowID, Photo);
}

// --- Pasting lines -------------------------------------------------------------------------

int TWordData::PasteLines(const TProgress& Progress)
{
    return InsertLines(SplitLines(GetClipboardText()), Progress);
}

int TWordData::InsertLines(const QStringList& Lines, const TProgress& Progress)
{
    TDataTable& Table = *FDataSet;
    const int WordField = FieldOf(Table, QStringLiteral("Word"));
    TControlsDisabled Quiet(Table);
    const int Total = static_cast<int>(Lines.size());
    TProgressCounter Counter(Progress, Total);
    int Walked = 0;
    int Inserted = 0;
    // From the last line to the first, each before the one inserted just before it: the
    // entries end up in the lines' order, the first one current.
    for (; Walked < Total; ++Walked) {
        if (!Counter.Continue(Walked))
            break;
        const QString& Line = Lines.at(Total - 1 - Walked);
        if (TrimBlanks(Line).isEmpty())
            continue;
        Table.Insert();
        Table.SetFieldValue(WordField, Line);
        Table.Post();
        ++Inserted;
    }
    Counter.Finish(Walked);
    return Inserted;
}

QString TWordData::GetClipboardText() const
{
    return FServices.Board ? FServices.Board->Text() : QString();
}

QStringList TWordData::SplitLines(const QString& Text)
{
    QStringList Lines;
    qsizetype Start = 0;
    const qsizetype Size = Text.size();
    for (qsizetype I = 0; I < Size; ++I) {
        const QChar C = Text.at(I);
        if (C != u'\r' && C != u'\n')
            continue;
        Lines.append(Text.mid(Start, I - Start));
        if (C == u'\r' && I + 1 < Size && Text.at(I + 1) == u'\n')
            ++I;
        Start = I + 1;
    }
    if (Start < Size)
        Lines.append(Text.mid(Start));
    return Lines;
}

// --- Exporting -----------------------------------------------------------------------------

bool TWordData::ExportRowsTo(const QString& FileName, const QList<qint32>& RowIDs, const TProgress& Progress)
{
    if (TrimBlanks(FileName).isEmpty())
        return false;
    // Where each entry is, found once, so the export costs one pass however many rows it takes.
    FDataSet->CheckBrowseMode();
    QHash<qint32, int> RowOf;
    const int RowIDField = FieldOf(*FDataSet, QStringLiteral("RowID"));
    RowOf.reserve(FDataSet->RecordCount());
    for (int Row = FDataSet->RecordCount() - 1; Row >= 0; --Row)
        RowOf.insert(FDataSet->Value(Row, RowIDField).toInt(), Row); // the first of equal RowIDs wins

    // A collection of its own on a fresh working folder: it has no listeners, so its archive
    // gets no settings and no grid files; it removes the folder when it goes.
    TWordData Target(FreshWorkDir());
    const int Total = static_cast<int>(RowIDs.size());
    TProgressCounter Counter(Progress, Total);
    for (int Done = 0; Done < Total; ++Done) {
        if (!Counter.Continue(Done))
            return false;
        const auto Found = RowOf.constFind(RowIDs.at(Done));
        if (Found != RowOf.constEnd())
            Target.AppendRecordAt(*this, Found.value());
    }
    Counter.Finish(Total);
    Target.SetModified(true); // an empty export still holds a list file
    return Target.SaveToFile(FileName);
}

bool TWordData::ExportTextTo(const QString& FileName, const QStringList& Words, const TProgress& Progress)
{
    if (TrimBlanks(FileName).isEmpty())
        return false;
    const int Total = static_cast<int>(Words.size());
    TProgressCounter Counter(Progress, Total);
    QByteArray Text;
    for (int Done = 0; Done < Total; ++Done) {
        if (!Counter.Continue(Done))
            return false;
        Text += Words.at(Done).toUtf8();
        Text += "\r\n";
    }
    WriteWholeFile(FileName, Text);
    Counter.Finish(Total);
    return true;
}

// --- Duplicates ----------------------------------------------------------------------------

int TWordData::DeleteDuplicates(const TProgress& Progress)
{
    if (IsEmpty())
        return 0;
    int Deleted = 0;
    // The walk needs the order of Word and Category; the marked entries are then deleted by
    // their rows in that order, all in one pass over the table.
    RunWithIndex(QStringLiteral("Word;Category"), [&] {
        std::vector<int> Rows;
        QStringList Keys;
        MarkDuplicates(Rows, Keys);
        Deleted = DeleteMarked(Rows, Keys, Progress);
    });
    return Deleted;
}

void TWordData::RunWithIndex(const QString& FieldNames, const std::function<void()>& Operation)
{
    TControlsDisabled Quiet(*FDataSet);
    const QString Previous = FDataSet->IndexFieldNames();
    FDataSet->SetIndexFieldNames(FieldNames);
    try {
        Operation();
    } catch (...) {
        FDataSet->SetIndexFieldNames(Previous);
        throw;
    }
    FDataSet->SetIndexFieldNames(Previous);
}

QString TWordData::GetDuplicateKey() const
{
    if (IsEmpty())
        return QStringLiteral(";");
    return DuplicateKeyAt(FDataSet->RecNo());
}

QString TWordData::DuplicateKeyAt(int Row) const
{
    return TrimBlanks(ValueOf(*FDataSet, Row, QStringLiteral("Word")).toString()) + QLatin1Char(';')
        + ValueOf(*FDataSet, Row, QStringLiteral("Category")).toString();
}

void TWordData::MarkDuplicates(std::vector<int>& Rows, QStringList& Keys)
{
    FDeleteList.clear();
    Rows.clear();
    Keys.clear();
    const TDataTable& Table = *FDataSet;
    const int RowIDField = FieldOf(Table, QStringLiteral("RowID"));
    const int WordField = FieldOf(Table, QStringLiteral("Word"));
    const int CategoryField = FieldOf(Table, QStringLiteral("Category"));
    // The key of the group being gathered, kept as its parts: the key text is made only for a
    // group that has entries to delete.
    QString GroupWord;
    QString GroupCategory;
    std::vector<TDuplicate> Group;
    const auto FinishGroup = [&] {
        if (Group.size() > 1) // a single entry always stays
            MarkGroup(Group, TrimBlanks(GroupWord) + QLatin1Char(';') + GroupCategory, Rows, Keys);
        Group.clear();
    };
    for (int Row = 0; Row < Table.RecordCount(); ++Row) {
        QString Word = Table.Value(Row, WordField).toString();
        QString Category = Table.Value(Row, CategoryField).toString();
        if (Group.empty() || TrimmedView(Word) != TrimmedView(GroupWord) || Category != GroupCategory) {
            FinishGroup();
            GroupWord = std::move(Word);
            GroupCategory = std::move(Category);
        }
        const qint32 RowID = Table.Value(Row, RowIDField).toInt();
        Group.push_back({ Row, RowID, HasPhotoOf(RowID) || HasAudioOf(RowID) });
    }
    FinishGroup();
}

void TWordData::MarkGroup(std::vector<TDuplicate>& Group, const QString& Key, std::vector<int>& Rows, QStringList& Keys)
{
    if (Group.empty())
        return;
    // Entries with a picture or a clip always stay; when none has any, the last one stays.
    const auto WithMedia = std::remove_if(Group.begin(), Group.end(), [](const TDuplicate& D) { return D.HasMedia; });
    if (WithMedia == Group.end())
        Group.pop_back();
    else
        Group.erase(WithMedia, Group.end());
    for (const TDuplicate& D : Group) {
        FDeleteList.append(QString::number(D.RowID));
        Rows.push_back(D.Row);
        Keys.append(Key);
    }
    Group.clear();
}

int TWordData::DeleteMarked(const std::vector<int>& Rows, const QStringList& Keys, const TProgress& Progress)
{
    if (!FDeleteList.isEmpty())
        FModified = true;
    const int Total = static_cast<int>(Rows.size());
    TProgressCounter Counter(Progress, Total);

    // The entries chosen have neither picture nor clip, and the collection knows which media
    // files exist: their deletion needs no file-system call. (Removing two missing files per
    // entry would cost more than all the rest of the clean-up.) An entry that does have media
    // still goes the ordinary way.
    FDataSet->AfterDelete = [this](TDataTable& Deleting) {
        const QVariant RowID = Deleting.DeletedValue(QStringLiteral("RowID"));
        if (RowID.isNull() || HasPhotoOf(RowID.toInt()) || HasAudioOf(RowID.toInt()))
            DataSetAfterDelete(Deleting);
        else
            FModified = true;
    };
    int Deleted = 0;
    try {
        // Each line is written before its entry goes: a log that cannot be written keeps the
        // entry.
        Deleted = FDataSet->DeleteRecords(Rows, [&](int Done) {
            if (!Counter.Continue(Done))
                return false;
            LogHandler().WriteLine(QStringLiteral("Delete record: %1;\t%2").arg(FDeleteList.at(Done), Keys.at(Done)));
            return true;
        });
    } catch (...) {
        HookTableEvents();
        throw;
    }
    HookTableEvents();
    Counter.Finish(Deleted);
    return Deleted;
}
