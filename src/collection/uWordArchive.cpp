#include "uWordArchive.h"

#include "Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <zip.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Unpacking reads each entry in pieces of this size: a picture or a clip in one go.
constexpr qsizetype UnpackBufferSize = 1 << 20;

// An archive without entries: only the end-of-central-directory record. libzip writes no file
// at all for an empty archive (and removes an existing one), so that case is written here.
constexpr char EmptyArchive[22] = { 'P', 'K', 5, 6 };

[[noreturn]] void FailPack(const QString& Folder, const QString& ZipFile, const QString& Reason)
{
    throw Error(QStringLiteral("Fail to zip %1 to %2: %3").arg(Folder, ZipFile, Reason));
}

[[noreturn]] void FailUnpack(const QString& ZipFile, const QString& Folder, const QString& Reason)
{
    throw Error(QStringLiteral("Fail to unzip %1 to %2: %3").arg(ZipFile, Folder, Reason));
}

QString SystemErrorText(int Code)
{
    return QString::fromLocal8Bit(std::strerror(Code));
}

QString ZipErrorText(int Code)
{
    zip_error_t E;
    zip_error_init_with_code(&E, Code);
    const QString Text = QString::fromUtf8(zip_error_strerror(&E));
    zip_error_fini(&E);
    return Text;
}

QString Quoted(const QString& EntryName)
{
    return QLatin1Char('"') + EntryName + QLatin1Char('"');
}

// A libzip error record, released when it goes out of scope.
struct TZipError
{
    TZipError() { zip_error_init(&E); }
    ~TZipError() { zip_error_fini(&E); }
    TZipError(const TZipError&) = delete;
    TZipError& operator=(const TZipError&) = delete;
    QString Text() { return QString::fromUtf8(zip_error_strerror(&E)); }
    zip_error_t E;
};

struct TZipDiscard
{
    void operator()(zip_t* Za) const { zip_discard(Za); }
};
struct TZipFileClose
{
    void operator()(zip_file_t* Zf) const { zip_fclose(Zf); }
};
using TZipPtr = std::unique_ptr<zip_t, TZipDiscard>;
using TZipFilePtr = std::unique_ptr<zip_file_t, TZipFileClose>;

// A file descriptor closed when it goes out of scope (unless closed and checked before).
class TFd
{
public:
    explicit TFd(int Fd)
        : FFd(Fd)
    { }
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;

    int Get() const { return FFd; }
    bool IsOpen() const { return FFd >= 0; }
    // Closes now and gives the errno of a failed close (write-back errors show here), else 0.
    int Close()
    {
        const int Result = ::close(FFd);
        FFd = -1;
        return Result == 0 ? 0 : errno;
    }

private:
    int FFd;
};

// Removes a file on scope exit unless released: the temporary archive of a failed save.
class TRemoveGuard
{
public:
    explicit TRemoveGuard(QString Path)
        : FPath(std::move(Path))
    { }
    ~TRemoveGuard()
    {
        if (!FPath.isEmpty())
            ::unlink(QFile::encodeName(FPath).constData());
    }
    TRemoveGuard(const TRemoveGuard&) = delete;
    TRemoveGuard& operator=(const TRemoveGuard&) = delete;
    void Release() { FPath.clear(); }

private:
    QString FPath;
};

// Writes all of Size bytes, or gives the errno that stopped it (a full disk among others).
int WriteAll(int Fd, const char* Data, size_t Size)
{
    while (Size > 0) {
        const ssize_t N = ::write(Fd, Data, Size);
        if (N < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        Data += N;
        Size -= size_t(N);
    }
    return 0;
}

// A file the user marked read-only keeps its content, even for a user (root) whom the file
// system would let write it anyway.
bool IsReadOnlyFile(const QString& Path)
{
    struct stat St;
    const QByteArray Native = QFile::encodeName(Path);
    if (::stat(Native.constData(), &St) != 0)
        return false;
    return (St.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(Native.constData(), W_OK) != 0;
}

// A name beside Target that nothing uses yet, for the archive being built.
QString NewTempName(const QString& Target)
{
    for (;;) {
        const QString Name
            = Target + QStringLiteral(".tmp%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        if (!QFileInfo::exists(Name))
            return Name;
    }
}

// Flushes a file's data to the disk, so that renaming it over the old archive never leaves a
// file whose content is still missing after a power cut. Gives the errno of a failure, else 0.
int SyncFile(const QString& Path, int OpenFlags)
{
    TFd Fd(::open(QFile::encodeName(Path).constData(), OpenFlags | O_CLOEXEC));
    if (!Fd.IsOpen())
        return errno;
    if (::fsync(Fd.Get()) != 0)
        return errno;
    return Fd.Close();
}

// The entry's name as text. Names flagged or valid as UTF-8 are UTF-8; others come from
// archives made on systems with a Chinese code page, so they are read as GB18030, and only
// when that fails too libzip's own guess (code page 437) is taken.
class TNameDecoder
{
public:
    QString Decode(zip_t* Za, zip_uint64_t Index, const char* Raw)
    {
        const QByteArray Bytes(Raw);
        QStringDecoder Utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString Name = Utf8(Bytes);
        if (!Utf8.hasError())
            return Name;
        if (!FGb18030)
            FGb18030.emplace("GB18030", QStringDecoder::Flag::Stateless);
        if (FGb18030->isValid()) {
            Name = (*FGb18030)(Bytes);
            if (!FGb18030->hasError())
                return Name;
            FGb18030.reset();
        }
        return QString::fromUtf8(zip_get_name(Za, Index, ZIP_FL_ENC_GUESS));
    }

private:
    std::optional<QStringDecoder> FGb18030;
};

// A plain file name: unpacking it into a folder can only make a file directly in that folder
// on any system the archive may travel to, so no separator of either kind, no drive, and no
// "." or "..".
bool IsPlainFileName(const QString& Name)
{
    if (Name.isEmpty() || Name == QLatin1String(".") || Name == QLatin1String(".."))
        return false;
    for (const QChar C : Name) {
        if (C == QLatin1Char('/') || C == QLatin1Char('\\') || C == QLatin1Char(':') || C.isNull())
            return false;
    }
    return true;
}

QString SizeText(quint64 Bytes)
{
    constexpr quint64 GiB = quint64(1) << 30;
    if (Bytes >= GiB && Bytes % GiB == 0)
        return QStringLiteral("%1 GiB").arg(Bytes / GiB);
    return QStringLiteral("%1 bytes").arg(Bytes);
}

// One entry that passed the checks, ready to be unpacked.
struct TEntry
{
    zip_uint64_t Index;
    QString Name;
    quint64 Size;
};

} // namespace

bool TWordArchive::IsStoredFileName(const QString& FileName)
{
    return (FileName.startsWith(QLatin1String("Photo"), Qt::CaseInsensitive)
               || FileName.startsWith(QLatin1String("Audio"), Qt::CaseInsensitive))
        && FileName.endsWith(QLatin1String(".ADO"), Qt::CaseInsensitive);
}

void TWordArchive::PackFolder(const QString& Folder, const QString& ZipFile)
{
    if (!QFileInfo(Folder).isDir())
        FailPack(Folder, ZipFile, QStringLiteral("the folder does not exist"));
    if (ZipFile.trimmed().isEmpty())
        FailPack(Folder, ZipFile, QStringLiteral("no archive name was given"));
    const QFileInfo Target(ZipFile);
    if (Target.isDir())
        FailPack(Folder, ZipFile, QStringLiteral("a folder has the archive's name"));
    if (Target.exists() && IsReadOnlyFile(ZipFile))
        FailPack(Folder, ZipFile, QStringLiteral("the archive is read-only"));
    const QString TargetFolder = Target.absolutePath();
    if (!QFileInfo(TargetFolder).isDir())
        FailPack(Folder, ZipFile, QStringLiteral("the archive's folder does not exist"));
    if (::access(QFile::encodeName(TargetFolder).constData(), W_OK) != 0)
        FailPack(
            Folder, ZipFile, QStringLiteral("the archive's folder cannot be written: %1").arg(SystemErrorText(errno)));

    const QString TargetPath = Target.absoluteFilePath();
    QFileInfoList Files;
    for (const QFileInfo& File :
        QDir(Folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::Name)) {
        if (File.isFile() && File.absoluteFilePath() != TargetPath)
            Files.append(File);
    }

    const QString TempPath = NewTempName(TargetPath);
    TRemoveGuard RemoveTemp(TempPath);
    if (Files.isEmpty()) {
        TFd Fd(::open(QFile::encodeName(TempPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!Fd.IsOpen())
            FailPack(Folder, ZipFile, SystemErrorText(errno));
        int Code = WriteAll(Fd.Get(), EmptyArchive, sizeof EmptyArchive);
        if (Code == 0)
            Code = Fd.Close();
        if (Code != 0)
            FailPack(Folder, ZipFile, SystemErrorText(Code));
    } else {
        int Code = 0;
        TZipPtr Za(zip_open(QFile::encodeName(TempPath).constData(), ZIP_CREATE | ZIP_EXCL, &Code));
        if (!Za)
            FailPack(Folder, ZipFile, ZipErrorText(Code));
        for (const QFileInfo& File : Files) {
            const QString Name = File.fileName();
            zip_source_t* Source
                = zip_source_file_create(QFile::encodeName(File.absoluteFilePath()).constData(), 0, -1, nullptr);
            if (!Source)
                FailPack(Folder, ZipFile, QStringLiteral("cannot read %1").arg(Quoted(Name)));
            const zip_int64_t Index = zip_file_add(Za.get(), Name.toUtf8().constData(), Source, ZIP_FL_ENC_UTF_8);
            if (Index < 0) {
                zip_source_free(Source);
                FailPack(Folder, ZipFile,
                    QStringLiteral("cannot add %1: %2").arg(Quoted(Name), QString::fromUtf8(zip_strerror(Za.get()))));
            }
            const zip_int32_t Method = IsStoredFileName(Name) ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
            if (zip_set_file_compression(Za.get(), zip_uint64_t(Index), Method, 0) != 0)
                FailPack(Folder, ZipFile, QString::fromUtf8(zip_strerror(Za.get())));
        }
        // libzip writes into a file of its own beside TempPath and renames it to TempPath only
        // when complete; on failure it removes that file, and the archive stays open to discard.
        if (zip_close(Za.get()) != 0)
            FailPack(Folder, ZipFile, QString::fromUtf8(zip_strerror(Za.get())));
        (void)Za.release();
    }

    // A replaced archive keeps the permissions its owner gave it.
    if (struct stat Old; ::stat(QFile::encodeName(TargetPath).constData(), &Old) == 0)
        ::chmod(QFile::encodeName(TempPath).constData(), Old.st_mode & 07777);
    if (const int Code = SyncFile(TempPath, O_RDONLY); Code != 0)
        FailPack(Folder, ZipFile, SystemErrorText(Code));
    if (::rename(QFile::encodeName(TempPath).constData(), QFile::encodeName(TargetPath).constData()) != 0)
        FailPack(Folder, ZipFile, SystemErrorText(errno));
    RemoveTemp.Release();
    // Makes the rename itself durable; the archive is complete either way, so a failure here
    // is not reported.
    SyncFile(TargetFolder, O_RDONLY | O_DIRECTORY);
}

void TWordArchive::UnpackArchive(const QString& ZipFile, const QString& Folder, const TArchiveLimits& Limits)
{
    const QFileInfo Source(ZipFile);
    if (!Source.exists())
        FailUnpack(ZipFile, Folder, QStringLiteral("the archive does not exist"));
    if (!Source.isFile())
        FailUnpack(ZipFile, Folder, QStringLiteral("the archive is not a file"));

    // Opened through a source so that a failure keeps the system's reason (no access, ...).
    TZipError OpenError;
    zip_source_t* Archive = zip_source_file_create(QFile::encodeName(ZipFile).constData(), 0, -1, &OpenError.E);
    TZipPtr Za(Archive ? zip_open_from_source(Archive, ZIP_RDONLY, &OpenError.E) : nullptr);
    if (!Za) {
        if (Archive)
            zip_source_free(Archive);
        const int Code = zip_error_code_zip(&OpenError.E);
        if (Code == ZIP_ER_NOZIP)
            FailUnpack(ZipFile, Folder, QStringLiteral("the file is not a ZIP archive, or it is truncated"));
        if (Code == ZIP_ER_INCONS)
            FailUnpack(ZipFile, Folder, QStringLiteral("the archive is damaged (%1)").arg(OpenError.Text()));
        FailUnpack(ZipFile, Folder, OpenError.Text());
    }

    // Check everything before the first byte is written.
    const zip_int64_t Count = zip_get_num_entries(Za.get(), 0);
    if (Count > Limits.MaxEntries) {
        FailUnpack(ZipFile, Folder,
            QStringLiteral("the archive holds %1 entries, more than %2").arg(Count).arg(Limits.MaxEntries));
    }
    std::vector<TEntry> Entries;
    Entries.reserve(size_t(Count));
    TNameDecoder Names;
    quint64 Total = 0;
    for (zip_uint64_t Index = 0; Index < zip_uint64_t(Count); ++Index) {
        const char* Raw = zip_get_name(Za.get(), Index, ZIP_FL_ENC_RAW);
        if (!Raw)
            FailUnpack(ZipFile, Folder, QString::fromUtf8(zip_strerror(Za.get())));
        const QString Name = Names.Decode(Za.get(), Index, Raw);
        if (!IsPlainFileName(Name))
            FailUnpack(ZipFile, Folder, QStringLiteral("entry %1 is not a plain file name").arg(Quoted(Name)));

        // Archives made on Unix keep the file type in the high 16 bits of the attributes.
        zip_uint8_t System = 0;
        zip_uint32_t Attributes = 0;
        if (zip_file_get_external_attributes(Za.get(), Index, 0, &System, &Attributes) != 0)
            FailUnpack(ZipFile, Folder, QString::fromUtf8(zip_strerror(Za.get())));
        if (System == ZIP_OPSYS_UNIX) {
            const mode_t Type = (Attributes >> 16) & S_IFMT;
            if (Type == S_IFLNK)
                FailUnpack(ZipFile, Folder, QStringLiteral("entry %1 is a link").arg(Quoted(Name)));
            if (Type != 0 && Type != S_IFREG)
                FailUnpack(ZipFile, Folder, QStringLiteral("entry %1 is not a plain file").arg(Quoted(Name)));
        }

        zip_stat_t St;
        if (zip_stat_index(Za.get(), Index, 0, &St) != 0 || !(St.valid & ZIP_STAT_SIZE))
            FailUnpack(ZipFile, Folder, QStringLiteral("entry %1 has no size").arg(Quoted(Name)));
        if ((St.valid & ZIP_STAT_ENCRYPTION_METHOD) && St.encryption_method != ZIP_EM_NONE)
            FailUnpack(ZipFile, Folder, QStringLiteral("entry %1 is encrypted").arg(Quoted(Name)));
        if ((St.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(St.comp_method, 0)) {
            FailUnpack(ZipFile, Folder,
                QStringLiteral("entry %1 is packed with a method this program cannot read").arg(Quoted(Name)));
        }
        if (St.size > Limits.MaxTotalSize - Total) {
            FailUnpack(ZipFile, Folder,
                QStringLiteral("the entries would unpack to more than %1").arg(SizeText(Limits.MaxTotalSize)));
        }
        Total += St.size;
        Entries.push_back({ Index, Name, St.size });
    }

    if (!QDir().mkpath(Folder))
        FailUnpack(ZipFile, Folder, QStringLiteral("the folder cannot be made"));
    // Files are made relative to the folder's descriptor, and entry names hold no separator,
    // so every file lands directly in this folder.
    TFd FolderFd(::open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!FolderFd.IsOpen())
        FailUnpack(ZipFile, Folder, QStringLiteral("the folder cannot be opened: %1").arg(SystemErrorText(errno)));
    if (::faccessat(FolderFd.Get(), ".", W_OK, 0) != 0)
        FailUnpack(ZipFile, Folder, QStringLiteral("the folder cannot be written: %1").arg(SystemErrorText(errno)));

    const auto Buffer = std::make_unique<char[]>(UnpackBufferSize);
    for (const TEntry& Entry : Entries) {
        const QByteArray NativeName = QFile::encodeName(Entry.Name);
        TZipFilePtr Zf(zip_fopen_index(Za.get(), Entry.Index, 0));
        if (!Zf) {
            FailUnpack(ZipFile, Folder,
                QStringLiteral("entry %1 cannot be read: %2")
                    .arg(Quoted(Entry.Name), QString::fromUtf8(zip_strerror(Za.get()))));
        }
        // O_NOFOLLOW: a link already lying in the folder under this name is not followed.
        TFd Fd(::openat(
            FolderFd.Get(), NativeName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!Fd.IsOpen()) {
            FailUnpack(ZipFile, Folder,
                QStringLiteral("%1 cannot be written: %2").arg(Quoted(Entry.Name), SystemErrorText(errno)));
        }

        // From here on a failure removes the file, so that no short or damaged file is left.
        QString Failure;
        quint64 Written = 0;
        for (;;) {
            const zip_int64_t N = zip_fread(Zf.get(), Buffer.get(), UnpackBufferSize);
            if (N < 0) {
                const zip_error_t* E = zip_file_get_error(Zf.get());
                if (zip_error_code_zip(E) == ZIP_ER_CRC)
                    Failure
                        = QStringLiteral("entry %1 is damaged: its data fails the CRC check").arg(Quoted(Entry.Name));
                else
                    Failure = QStringLiteral("entry %1 cannot be read: %2")
                                  .arg(Quoted(Entry.Name), QString::fromUtf8(zip_file_strerror(Zf.get())));
                break;
            }
            if (N == 0)
                break;
            if (quint64(N) > Entry.Size - Written) {
                Failure = QStringLiteral("entry %1 holds more data than it declares").arg(Quoted(Entry.Name));
                break;
            }
            if (const int Code = WriteAll(Fd.Get(), Buffer.get(), size_t(N)); Code != 0) {
                Failure = QStringLiteral("%1 cannot be written: %2").arg(Quoted(Entry.Name), SystemErrorText(Code));
                break;
            }
            Written += quint64(N);
        }
        if (Failure.isEmpty() && Written != Entry.Size)
            Failure = QStringLiteral("entry %1 holds less data than it declares").arg(Quoted(Entry.Name));
        if (Failure.isEmpty()) {
            if (const int Code = Fd.Close(); Code != 0)
                Failure = QStringLiteral("%1 cannot be written: %2").arg(Quoted(Entry.Name), SystemErrorText(Code));
        }
        if (!Failure.isEmpty()) {
            if (Fd.IsOpen())
                Fd.Close();
            ::unlinkat(FolderFd.Get(), NativeName.constData(), 0);
            FailUnpack(ZipFile, Folder, Failure);
        }
    }
}
