#include "uWordData.h"

#include "Clipboard.h"
#include "Error.h"
#include "FileDialogs.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "uEncrypt.h"
#include "uFileIO.h"
#include "uPathUtils.h"
#include "uProcess.h"
#include "uWordArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <exception>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

const QString PhotoKind = QStringLiteral("Photo");
const QString AudioKind = QStringLiteral("Audio");
const QString MediaExt = QStringLiteral(".ADO");
const QByteArray TrailerMark = QByteArrayLiteral("EXT=");
constexpr int TrailerSize = 10;

std::filesystem::path FsPath(const QString& Path)
{
    return std::filesystem::path(QFile::encodeName(Path).toStdString());
}

QString WithSeparator(const QString& Dir)
{
    if (Dir.endsWith(QLatin1Char('/')) || Dir.endsWith(QLatin1Char('\\')))
        return Dir;
    return Dir + QLatin1Char('/');
}

// The RowID of a media file name "<Kind><RowID>.ADO" exactly as MediaFileName makes it, or
// nothing for any other name.
std::optional<qint32> MediaRowID(const QString& FileName, const QString& Kind)
{
    if (!FileName.startsWith(Kind) || !FileName.endsWith(MediaExt))
        return std::nullopt;
    const QString Number = FileName.mid(Kind.size(), FileName.size() - Kind.size() - MediaExt.size());
    bool Ok = false;
    const qint32 RowID = Number.toInt(&Ok);
    if (!Ok || QString::number(RowID) != Number)
        return std::nullopt;
    return RowID;
}

// Trailer bytes of a clip made from SourceFile: "EXT=" and the file's extension with its
// dot, cut or padded with zero bytes to ten bytes.
QByteArray ClipTrailer(const QString& SourceFile)
{
    const QString Suffix = QFileInfo(SourceFile).suffix();
    QByteArray Trailer = TrailerMark;
    if (!Suffix.isEmpty())
        Trailer += '.' + Suffix.toUtf8();
    Trailer = Trailer.left(TrailerSize);
    Trailer.append(TrailerSize - Trailer.size(), '\0');
    return Trailer;
}

} // namespace

// --- Creation and the table ----------------------------------------------------------------

TWordData::TWordData(const QString& Dir, TWordDataServices Services, bool OwnsDataDir)
    : FServices(Services)
    , FOwnsDataDir(OwnsDataDir)
{
    FDataDir = WithSeparator(Dir);
    TUMBALO_ASSERT(QFileInfo(FDataDir).isDir(), FDataDir + QStringLiteral(" is not a valid path."));
    FDataSet = std::make_unique<TDataTable>();
    FBeforeSaveNotifier = std::make_unique<TNotifier>();
    FBeforeSaveNotifier->SetWordData(this);
    FAfterOpenNotifier = std::make_unique<TNotifier>();
    FAfterOpenNotifier->SetWordData(this);
    InitData();
}

TWordData::~TWordData()
{
    FAfterOpenNotifier.reset();
    FBeforeSaveNotifier.reset();
    FDeleteList.clear();
    FDataSet.reset();
    if (FOwnsDataDir)
        DeleteDirectory(FDataDir);
}

void TWordData::InitData()
{
    // A list file that cannot be read still leaves an open, empty table behind, so the
    // collection stays usable; the error then goes to the caller.
    std::exception_ptr LoadError;
    try {
        LoadOrCreateTable();
    } catch (...) {
        LoadError = std::current_exception();
        CreateEmptyTable();
    }
    FLastRowID = MaxRowID();
    TUMBALO_ASSERT(IsActive(), QStringLiteral("Fail to initialize the data or load data."));
    HookTableEvents();
    ScanMedia();
    if (LoadError)
        std::rethrow_exception(LoadError);
}

void TWordData::LoadOrCreateTable()
{
    if (QFileInfo::exists(ListFileName()))
        LoadListFile();
    else
        CreateEmptyTable();
    if (!FDataSet->Active())
        throw Error(QStringLiteral("Fail to initial data."));
}

void TWordData::CreateEmptyTable()
{
    FDataSet->Close();
    FDataSet->CreateDataSet(WordFields());
}

std::vector<TFieldDef> TWordData::WordFields()
{
    return {
        { QStringLiteral("RowID"), TFieldType::Integer, 0 },
        { QStringLiteral("Word"), TFieldType::String, 50 },
        { QStringLiteral("BackColor"), TFieldType::Integer, 0 },
        { QStringLiteral("Category"), TFieldType::String, 50 },
        { QStringLiteral("Status"), TFieldType::String, 20 },
    };
}

void TWordData::HookTableEvents()
{
    FDataSet->AfterInsert = [this](TDataTable& Table) { DataSetAfterInsert(Table); };
    FDataSet->AfterPost = [this](TDataTable& Table) { DataSetAfterPost(Table); };
    FDataSet->AfterDelete = [this](TDataTable& Table) { DataSetAfterDelete(Table); };
}

qint32 TWordData::MaxRowID()
{
    if (!FDataSet->Active())
        return 1;
    qint32 Result = 1;
    const int Field = FDataSet->FieldIndex(QStringLiteral("RowID"));
    if (Field >= 0) {
        for (int Row = 0; Row < FDataSet->RecordCount(); ++Row) {
            const QVariant Value = FDataSet->Value(Row, Field);
            if (!Value.isNull())
                Result = std::max(Result, Value.toInt());
        }
    }
    FDataSet->First();
    return Result;
}

bool TWordData::IsActive() const
{
    return FDataSet && FDataSet->Active();
}

bool TWordData::IsEmpty() const
{
    return !IsActive() || FDataSet->IsEmpty();
}

void TWordData::DataSetAfterInsert(TDataTable& Table)
{
    ++FLastRowID;
    Table.FieldByName(QStringLiteral("RowID")).SetAsInteger(FLastRowID);
}

void TWordData::DataSetAfterPost(TDataTable&)
{
    FModified = true;
}

void TWordData::DataSetAfterDelete(TDataTable& Table)
{
    FModified = true;
    const QVariant Deleted = Table.DeletedValue(QStringLiteral("RowID"));
    if (Deleted.isNull())
        return;
    const qint32 RowID = Deleted.toInt();
    QFile::remove(PhotoFileNameOf(RowID));
    QFile::remove(AudioFileNameOf(RowID));
    FPhotoIds.erase(RowID);
    FAudioIds.erase(RowID);
}

qint32 TWordData::CurrentRowID() const
{
    const int Field = FDataSet->FieldIndex(QStringLiteral("RowID"));
    return Field < 0 ? 0 : FDataSet->FieldValue(Field).toInt();
}

QString TWordData::CurrentWord() const
{
    const int Field = FDataSet->FieldIndex(QStringLiteral("Word"));
    return Field < 0 ? QString() : TrimBlanks(FDataSet->FieldValue(Field).toString());
}

std::uint32_t TWordData::CurrentBackColor() const
{
    const int Field = FDataSet->FieldIndex(QStringLiteral("BackColor"));
    const QVariant Value = Field < 0 ? QVariant() : FDataSet->FieldValue(Field);
    return Value.isNull() ? clBtnFace : static_cast<std::uint32_t>(Value.toInt());
}

bool TWordData::LocateWord(const QString& Word)
{
    return FDataSet->Locate(QStringLiteral("Word"), Word);
}

void TWordData::SetStatus(const QString& Status)
{
    if (IsEmpty())
        return;
    const TTableState State = FDataSet->State();
    if (State != TTableState::Edit && State != TTableState::Insert)
        FDataSet->Edit();
    FDataSet->FieldByName(QStringLiteral("Status")).SetAsString(Status);
    FDataSet->Post();
}

void TWordData::MarkWordRead()
{
    SetStatus(QStringLiteral("AbleToReadWord"));
}

void TWordData::MarkWordFailed()
{
    SetStatus(QStringLiteral("FailToReadWord"));
}

void TWordData::MarkPicRead()
{
    SetStatus(QStringLiteral("AbleToReadPic"));
}

void TWordData::MarkPicFailed()
{
    SetStatus(QStringLiteral("FailToReadPic"));
}

QString TWordData::TrimBlanks(const QString& Text)
{
    qsizetype First = 0;
    qsizetype Last = Text.size();
    while (First < Last && Text.at(First).unicode() <= 0x20)
        ++First;
    while (Last > First && Text.at(Last - 1).unicode() <= 0x20)
        --Last;
    return Text.mid(First, Last - First);
}

// --- Media files ---------------------------------------------------------------------------

QString TWordData::MediaFileName(const QString& Kind, const QString& Ext, qint32 RowID) const
{
    return FDataDir + Kind + QString::number(RowID) + Ext;
}

QString TWordData::PhotoFileName() const
{
    return PhotoFileNameOf(CurrentRowID());
}

QString TWordData::AudioFileName() const
{
    return AudioFileNameOf(CurrentRowID());
}

QString TWordData::PhotoFileNameOf(qint32 RowID) const
{
    return MediaFileName(PhotoKind, MediaExt, RowID);
}

QString TWordData::AudioFileNameOf(qint32 RowID) const
{
    return MediaFileName(AudioKind, MediaExt, RowID);
}

bool TWordData::HasPhoto() const
{
    return HasPhotoOf(CurrentRowID());
}

bool TWordData::HasAudio() const
{
    return HasAudioOf(CurrentRowID());
}

bool TWordData::HasMedia() const
{
    return HasPhoto() || HasAudio();
}

bool TWordData::HasPhotoOf(qint32 RowID) const
{
    return FPhotoIds.contains(RowID);
}

bool TWordData::HasAudioOf(qint32 RowID) const
{
    return FAudioIds.contains(RowID);
}

void TWordData::ScanMedia()
{
    FPhotoIds.clear();
    FAudioIds.clear();
    const QStringList Names = QDir(FDataDir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& Name : Names) {
        if (const auto RowID = MediaRowID(Name, PhotoKind))
            FPhotoIds.insert(*RowID);
        else if (const auto ClipID = MediaRowID(Name, AudioKind))
            FAudioIds.insert(*ClipID);
    }
}

void TWordData::NoteMediaFile(qint32 RowID, bool Photo)
{
    // Called after an outside copy (import) wrote or failed to write a media file.
    auto& Ids = Photo ? FPhotoIds : FAudioIds;
    if (QFileInfo(Photo ? PhotoFileNameOf(RowID) : AudioFileNameOf(RowID)).isFile())
        Ids.insert(RowID);
    else
        Ids.erase(RowID);
}

QImage TWordData::PastePhoto()
{
    const QImage Picture = FServices.Board ? FServices.Board->Image() : QImage();
    if (!Picture.isNull())
        StorePhoto(Picture);
    FModified = true;
    return Picture;
}

void TWordData::StorePhoto(const QImage& Picture)
{
    if (Picture.isNull() || IsEmpty())
        return;
    const QString FileName = PhotoFileName();
    QSaveFile File(FileName);
    QImageWriter Writer(&File, "JPG");
    Writer.setQuality(90);
    // JPEG has no transparency: flatten on white rather than on black.
    QImage Flat = Picture;
    if (Picture.hasAlphaChannel()) {
        Flat = QImage(Picture.size(), QImage::Format_RGB32);
        Flat.fill(Qt::white);
        Flat.setDevicePixelRatio(Picture.devicePixelRatio());
        QImage Source = Picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        for (int Y = 0; Y < Flat.height(); ++Y) {
            auto* Out = reinterpret_cast<QRgb*>(Flat.scanLine(Y));
            const auto* In = reinterpret_cast<const QRgb*>(Source.constScanLine(Y));
            for (int X = 0; X < Flat.width(); ++X) {
                const int Alpha = qAlpha(In[X]);
                Out[X] = qRgb(qRed(In[X]) + 255 - Alpha, qGreen(In[X]) + 255 - Alpha, qBlue(In[X]) + 255 - Alpha);
            }
        }
    }
    if (!File.open(QIODevice::WriteOnly) || !Writer.write(Flat) || !File.commit())
        throw Error(QStringLiteral("Cannot write the picture \"%1\": %2")
                        .arg(FileName,
                            Writer.error() != QImageWriter::UnknownError ? Writer.errorString() : File.errorString()));
    FPhotoIds.insert(CurrentRowID());
    FModified = true;
}

void TWordData::ClearPhoto()
{
    if (!IsEmpty()) {
        QFile::remove(PhotoFileName());
        FPhotoIds.erase(CurrentRowID());
    }
    FModified = true;
}

QImage TWordData::LoadPhoto() const
{
    QImageReader Reader(PhotoFileName());
    Reader.setAutoTransform(true);
    QImage Picture = Reader.read();
    if (Picture.isNull())
        throw Error(QStringLiteral("Cannot read the picture \"%1\": %2").arg(PhotoFileName(), Reader.errorString()));
    return Picture;
}

void TWordData::ClearAudio()
{
    if (!IsEmpty()) {
        QFile::remove(AudioFileName());
        FAudioIds.erase(CurrentRowID());
    }
    FModified = true;
}

void TWordData::StoreAudio(const QString& SourceFile)
{
    if (IsEmpty())
        throw Error(QStringLiteral("There is no entry to keep the clip with."));
    const QByteArray Sound = ReadWholeFile(SourceFile);
    WriteWholeFile(AudioFileName(), Sound, ClipTrailer(SourceFile));
    FAudioIds.insert(CurrentRowID());
    FModified = true;
}

QString TWordData::ExtractClip(const QString& ClipFile)
{
    if (!QFileInfo(ClipFile).isFile())
        return {};
    const QByteArray Clip = ReadWholeFile(ClipFile);
    if (Clip.size() < TrailerSize)
        return {};
    const QByteArray Trailer = Clip.right(TrailerSize);
    if (!Trailer.startsWith(TrailerMark))
        return {};
    QByteArray Ext = Trailer.mid(TrailerMark.size());
    while (!Ext.isEmpty() && static_cast<unsigned char>(Ext.back()) <= 0x20)
        Ext.chop(1);
    // A clip from an archive is outside input: an extension that would lead the file out of
    // the program's folder is no extension at all.
    if (Ext.contains('/') || Ext.contains('\\') || Ext.contains('\0'))
        return {};
    const QString TempFile = ProgramFolder() + QStringLiteral("temp") + QString::fromUtf8(Ext);
    WriteWholeFile(TempFile, Clip.left(Clip.size() - TrailerSize));
    return TempFile;
}

// --- Working folders -----------------------------------------------------------------------

QString TWordData::WorkRoot()
{
    return ProgramFolder() + QStringLiteral("Temp/");
}

QString TWordData::NewWorkDirName()
{
    const QString Root = WorkRoot();
    for (int N = 1;; ++N) {
        const QString Dir = Root + QStringLiteral("Temp") + QString::number(N);
        if (!QFileInfo::exists(Dir))
            return Dir + QLatin1Char('/');
    }
}

QString TWordData::CreateWorkDir(bool* Created)
{
    const QString Dir = NewWorkDirName();
    const bool Ok = RecreateDirectory(Dir);
    if (Created)
        *Created = Ok;
    return Dir;
}

bool TWordData::DeleteDirectory(const QString& Dir)
{
    if (Dir.isEmpty() || !QFileInfo(Dir).isDir())
        return true;
    QString Path = Dir;
    while (Path.size() > 1 && (Path.endsWith(QLatin1Char('/')) || Path.endsWith(QLatin1Char('\\'))))
        Path.chop(1);
    // remove_all deletes links themselves and never follows them out of the folder.
    std::error_code Failure;
    std::filesystem::remove_all(FsPath(Path), Failure);
    return !Failure && !QFileInfo::exists(Path);
}

bool TWordData::RecreateDirectory(const QString& Dir)
{
    if (QFileInfo::exists(Dir))
        DeleteDirectory(Dir);
    QDir().mkpath(Dir);
    return QFileInfo(Dir).isDir();
}

void TWordData::CleanWorkRoot()
{
    if (TProcessHandler::IsOnlyInstance())
        DeleteDirectory(WorkRoot());
}

// --- Word files ----------------------------------------------------------------------------

void TWordData::OpenFile(const QString& Name)
{
    if (!SaveIfModified(true))
        return;
    ClearData();
    if (QFileInfo(Name).isFile()) {
        try {
            if (UnzipTo(FDataDir, Name)) {
                InitData();
                FAfterOpenNotifier->NotifyAll();
            }
        } catch (...) {
            // Whatever the broken archive left in the working folder goes, so that it cannot
            // end up in the archive of the list that stays open.
            ClearData();
            throw;
        }
    }
    FFileName = Name;
    FModified = false;
}

bool TWordData::SaveIfModified(bool Ask)
{
    if (!FModified)
        return true;
    if (Ask) {
        const auto Answer = FServices.Boxes
            ? FServices.Boxes->Confirm(QStringLiteral("The current file has been modified, do you want to save it?"))
            : MessageBoxes::Answer::Cancel;
        if (Answer == MessageBoxes::Answer::Cancel)
            return false;
        if (Answer == MessageBoxes::Answer::No)
            return true;
    }
    if (!EnsureFileName())
        return false;
    if (QFileInfo(FFileName).isFile()) {
        const QString Backup = RemoveExt(FFileName) + QStringLiteral(".~lo");
        QFile::remove(Backup);
        QFile::copy(FFileName, Backup);
    }
    try {
        return SaveToFile(FFileName);
    } catch (const std::exception& Failure) {
        if (FServices.Boxes)
            FServices.Boxes->ShowError(ErrorText(Failure));
        return false;
    }
}

bool TWordData::SaveToFile(const QString& Name)
{
    if (Name.trimmed().isEmpty())
        return false;
    if (!RegisterZipComponent())
        return false;
    const bool WasModified = FModified;
    try {
        FBeforeSaveNotifier->NotifyAll();
        WriteListFile();
        TWordArchive::PackFolder(FDataDir, Name);
    } catch (...) {
        // The archive was not written: the changes are still unsaved.
        FModified = FModified || WasModified;
        throw;
    }
    return true;
}

void TWordData::ClearData()
{
    if (FDataSet->Active())
        FDataSet->EmptyDataSet();
    else
        CreateEmptyTable();
    RecreateDirectory(FDataDir);
    ScanMedia();
}

bool TWordData::UnzipTo(const QString& Dir, const QString& ZipFile)
{
    if (!RegisterZipComponent())
        return false;
    TWordArchive::UnpackArchive(ZipFile, Dir);
    return true;
}

bool TWordData::RegisterZipComponent()
{
    FZipRegistered = true;
    return true;
}

QString TWordData::NewUntitledName()
{
    const QString Folder = ProgramFolder();
    for (int N = 1;; ++N) {
        const QString Name = Folder + QStringLiteral("Untitle") + QString::number(N) + QStringLiteral(".tlo");
        if (!QFileInfo::exists(Name))
            return Name;
    }
}

bool TWordData::IsUntitled() const
{
    if (FFileName.isEmpty() || QFileInfo(FFileName).isFile())
        return false;
    const QString Name = FFileName.section(QLatin1Char('/'), -1).section(QLatin1Char('\\'), -1);
    return Name.startsWith(QStringLiteral("Untitle"));
}

bool TWordData::EnsureFileName()
{
    if (!IsUntitled())
        return true;
    const QString Name = AskSaveFileName(QStringLiteral("Tumbalo(*.tlo)|*.tlo"));
    if (Name.isEmpty())
        return false;
    FFileName = Name;
    return true;
}

QString TWordData::ListFileName() const
{
    return FDataDir + QStringLiteral("Tumbalo.lox");
}

void TWordData::LoadListFile()
{
    const QByteArray Text = TFrmEncrypt::LoadFileAsText(ListFileName());
    const QByteArray Plain = TFrmEncrypt::DecryptText(Text);
    TControlsDisabled Quiet(*FDataSet);
    FDataSet->LoadFromXml(Plain);
}

void TWordData::WriteListFile()
{
    if (!FModified)
        return;
    const QByteArray Cipher = TFrmEncrypt::EncryptText(SaveToXmlText());
    TFrmEncrypt::SaveTextToFile(Cipher, ListFileName());
    FModified = false;
}

QByteArray TWordData::SaveToXmlText()
{
    return FDataSet->SaveToXml();
}

QString TWordData::AskSaveFileName(const QString& Filter)
{
    if (!FServices.Dialogs)
        return {};
    return FServices.Dialogs->GetSaveFileName(Filter, QStringLiteral("tlo"), ProgramFolder(), FFileName);
}
