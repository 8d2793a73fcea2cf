#include "uWordArchive.h"

#include "ArchiveFixtures.h"

#include "Error.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <zip.h>

#include <csignal>
#include <functional>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

using namespace fixtures;

namespace {

QByteArray RandomBytes(qsizetype Size, quint32 Seed)
{
    QRandomGenerator Generator(Seed);
    QByteArray Bytes(Size, Qt::Uninitialized);
    for (char& B : Bytes)
        B = char(Generator.bounded(256));
    return Bytes;
}

// A picture file as the program keeps it: a JPEG header and incompressible data behind it.
QByteArray JpegLike(qsizetype Size, quint32 Seed)
{
    return QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10) + RandomBytes(Size - 10, Seed);
}

struct TArchivedEntry
{
    QString Name;
    zip_uint16_t Method;
    bool operator==(const TArchivedEntry&) const = default;
};

// The entries of an archive with their compression methods. Names are read strictly: a name
// that is not flagged as UTF-8 comes back converted from code page 437 and so shows the fault.
std::vector<TArchivedEntry> ListArchive(const QString& Path)
{
    std::vector<TArchivedEntry> Result;
    int Code = 0;
    zip_t* Za = zip_open(QFile::encodeName(Path).constData(), ZIP_RDONLY, &Code);
    if (!Za)
        return Result;
    for (zip_int64_t I = 0; I < zip_get_num_entries(Za, 0); ++I) {
        zip_stat_t St;
        zip_stat_index(Za, zip_uint64_t(I), ZIP_FL_ENC_STRICT, &St);
        Result.push_back({ QString::fromUtf8(St.name), St.comp_method });
    }
    zip_discard(Za);
    std::sort(Result.begin(), Result.end(), [](const auto& A, const auto& B) { return A.Name < B.Name; });
    return Result;
}

// Sets the central directory's uncompressed size of the entry Name. libzip reads sizes from
// there, so this makes an entry that claims another size than its data has.
void PatchDeclaredSize(const QString& Path, const QByteArray& Name, quint32 Size)
{
    QByteArray Bytes = ReadFile(Path);
    const QByteArray Signature("PK\x01\x02", 4);
    bool Found = false;
    for (qsizetype At = Bytes.indexOf(Signature); At >= 0; At = Bytes.indexOf(Signature, At + 4)) {
        const auto Byte = [&](qsizetype I) { return quint32(quint8(Bytes[At + I])); };
        const qsizetype NameLength = Byte(28) | (Byte(29) << 8);
        if (Bytes.mid(At + 46, NameLength) != Name)
            continue;
        for (int I = 0; I < 4; ++I)
            Bytes[At + 24 + I] = char((Size >> (8 * I)) & 0xFF);
        Found = true;
    }
    ASSERT_TRUE(Found);
    WriteFile(Path, Bytes);
}

// Lowers the largest file size a write may make, so writing past it fails with EFBIG the way a
// full disk fails with ENOSPC. Restores the limit and the signal afterwards.
class TFileSizeLimit
{
public:
    explicit TFileSizeLimit(rlim_t Bytes)
    {
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &FOld);
        rlimit New = FOld;
        New.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &New);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld;
    void (*FOldHandler)(int);
};

// A temporary root holding a working folder with a list's files, an output folder for
// unpacking and room for archives; tests compare the whole root before and after.
class WordArchiveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FRoot.isValid());
        ASSERT_TRUE(QDir().mkpath(Work));
        ASSERT_TRUE(QDir().mkpath(Out));
    }

    void FillWorkFolder()
    {
        WriteFile(Work + "Tumbalo.lox", QByteArray("QUJDREVGR0hJSktMTU5PUFFSU1RVVldY").repeated(600));
        WriteFile(Work + "Tumbalo.ini", "[Tumbalo]\r\nInterval=2000\r\nFirstWord=apple\r\n");
        WriteFile(Work + "Grid.ini", "[Grid]\r\nColumns=Word,Category,Status\r\n");
        WriteFile(Work + "Grid.Flt", "Word contains a\r\n");
        WriteFile(Work + "Photo2.ADO", JpegLike(30000, 2));
        WriteFile(Work + "Audio2.ADO", RandomBytes(20000, 3) + QByteArray("EXT=.wav\0\0", 10));
        WriteFile(Work + "Photo3.ADO", JpegLike(12000, 4));
    }

    // Unpacks Zip into Out expecting a refusal; gives the message.
    QString RefusedUnpack(const QString& Zip, const TArchiveLimits& Limits = TArchiveLimits())
    {
        try {
            TWordArchive::UnpackArchive(Zip, Out, Limits);
        } catch (const Error& E) {
            return E.Text();
        }
        ADD_FAILURE() << "unpacking " << Zip.toStdString() << " was not refused";
        return QString();
    }

    QString RefusedPack(const QString& Folder, const QString& Zip)
    {
        try {
            TWordArchive::PackFolder(Folder, Zip);
        } catch (const Error& E) {
            return E.Text();
        }
        ADD_FAILURE() << "packing into " << Zip.toStdString() << " was not refused";
        return QString();
    }

    QTemporaryDir FRoot;
    const QString Root = FRoot.path() + "/";
    const QString Work = Root + "Temp/Temp1/";
    const QString Out = Root + "Temp/Temp2/";
    const QString Archive = Root + "Words.tlo";
};

TEST_F(WordArchiveTest, RoundTripStoresMediaAndDeflatesTheRest)
{
    FillWorkFolder();
    const auto Expected = Tree(Work);
    // Not part of a list: skipped when packing.
    ASSERT_TRUE(QDir().mkpath(Work + "Sub"));
    WriteFile(Work + "Sub/Inner.txt", "inner");
    ASSERT_TRUE(QFile::link(Work + "Tumbalo.ini", Work + "Link.ini"));

    TWordArchive::PackFolder(Work, Archive);

    const std::vector<TArchivedEntry> Entries {
        { "Audio2.ADO", ZIP_CM_STORE },
        { "Grid.Flt", ZIP_CM_DEFLATE },
        { "Grid.ini", ZIP_CM_DEFLATE },
        { "Photo2.ADO", ZIP_CM_STORE },
        { "Photo3.ADO", ZIP_CM_STORE },
        { "Tumbalo.ini", ZIP_CM_DEFLATE },
        { "Tumbalo.lox", ZIP_CM_DEFLATE },
    };
    EXPECT_EQ(ListArchive(Archive), Entries);

    TWordArchive::UnpackArchive(Archive, Out);
    EXPECT_EQ(Tree(Out), Expected);
    // Nothing is left beside the archive.
    EXPECT_EQ(QDir(Root).entryList(QDir::Files), QStringList { "Words.tlo" });
}

TEST_F(WordArchiveTest, ChineseArchiveAndFileNamesTravelAsUtf8)
{
    const QString Folder = Root + QString::fromUtf8("词库/");
    const QString Zip = Root + QString::fromUtf8("我的词表.tlo");
    const QString Target = Root + QString::fromUtf8("输出");
    ASSERT_TRUE(QDir().mkpath(Folder));
    WriteFile(Folder + QString::fromUtf8("苹果.ini"), "Word=苹果");
    WriteFile(Folder + "Photo5.ADO", JpegLike(500, 5));

    TWordArchive::PackFolder(Folder, Zip);
    const std::vector<TArchivedEntry> Entries {
        { "Photo5.ADO", ZIP_CM_STORE },
        { QString::fromUtf8("苹果.ini"), ZIP_CM_DEFLATE },
    };
    EXPECT_EQ(ListArchive(Zip), Entries);

    TWordArchive::UnpackArchive(Zip, Target);
    EXPECT_EQ(Tree(Target), Tree(Folder));
}

TEST_F(WordArchiveTest, NamesWithoutUtf8AreReadAsGb18030)
{
    // The second byte of "運" in this code page is a backslash; decoded first, it is no separator.
    const QString Name = QString::fromUtf8("運動.ini");
    QStringEncoder Encoder("GB18030");
    ASSERT_TRUE(Encoder.isValid());
    const QByteArray Raw = Encoder.encode(Name);
    ASSERT_TRUE(Raw.contains('\\'));
    MakeArchive(Archive, { { Raw, "sport", ZIP_CM_DEFLATE, std::nullopt, false } });

    TWordArchive::UnpackArchive(Archive, Out);

    EXPECT_EQ(ReadFile(Out + Name), "sport");
}

TEST_F(WordArchiveTest, PackingAgainGivesExactlyTheFolderFiles)
{
    FillWorkFolder();
    TWordArchive::PackFolder(Work, Archive);
    ASSERT_TRUE(QFile::remove(Work + "Photo3.ADO"));
    ASSERT_TRUE(QFile::remove(Work + "Grid.Flt"));
    WriteFile(Work + "Tumbalo.ini", "[Tumbalo]\r\nInterval=3000\r\n");
    WriteFile(Work + "Audio7.ADO", RandomBytes(100, 7));

    TWordArchive::PackFolder(Work, Archive);

    TWordArchive::UnpackArchive(Archive, Out);
    EXPECT_EQ(Tree(Out), Tree(Work));
}

TEST_F(WordArchiveTest, ArchiveInsideTheFolderIsNotPackedIntoItself)
{
    FillWorkFolder();
    const QString Inside = Work + "Words.tlo";
    TWordArchive::PackFolder(Work, Inside);
    const auto FirstEntries = ListArchive(Inside);
    ASSERT_EQ(FirstEntries.size(), 7u);

    TWordArchive::PackFolder(Work, Inside);

    EXPECT_EQ(ListArchive(Inside), FirstEntries);
}

TEST_F(WordArchiveTest, ReplacedArchiveKeepsItsPermissions)
{
    FillWorkFolder();
    TWordArchive::PackFolder(Work, Archive);
    const auto Shared = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup;
    ASSERT_TRUE(QFile::setPermissions(Archive, Shared));

    TWordArchive::PackFolder(Work, Archive);

    EXPECT_EQ(QFile::permissions(Archive) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser), Shared);
}

TEST_F(WordArchiveTest, EmptyFolderMakesAnEmptyArchive)
{
    FillWorkFolder();
    TWordArchive::PackFolder(Work, Archive);
    const QString Empty = Root + "Empty/";
    ASSERT_TRUE(QDir().mkpath(Empty));

    // Over an existing archive too: the result is an empty archive, not a missing file.
    TWordArchive::PackFolder(Empty, Archive);

    ASSERT_TRUE(QFileInfo::exists(Archive));
    EXPECT_TRUE(ListArchive(Archive).empty());
    TWordArchive::UnpackArchive(Archive, Out);
    EXPECT_TRUE(Tree(Out).isEmpty());
}

TEST_F(WordArchiveTest, UnpackMakesAMissingFolder)
{
    FillWorkFolder();
    TWordArchive::PackFolder(Work, Archive);
    const QString Missing = Root + "New/Deeper/";

    TWordArchive::UnpackArchive(Archive, Missing);

    EXPECT_EQ(Tree(Missing), Tree(Work));
}

TEST_F(WordArchiveTest, UnsafeEntriesAreRefusedBeforeAnythingIsWritten)
{
    struct TCase
    {
        const char* Title;
        TFixtureEntry Entry;
        QString Complaint;
    };
    const std::vector<TCase> Cases {
        { "parent", { "../x", "evil" }, "entry \"../x\" is not a plain file name" },
        { "absolute", { "/abs/x", "evil" }, "entry \"/abs/x\" is not a plain file name" },
        { "backslashes", { "a\\..\\b", "evil" }, "entry \"a\\..\\b\" is not a plain file name" },
        { "drive and backslash", { "C:\\x", "evil" }, "entry \"C:\\x\" is not a plain file name" },
        { "drive-relative", { "C:x", "evil" }, "entry \"C:x\" is not a plain file name" },
        { "empty", { "", "evil" }, "entry \"\" is not a plain file name" },
        { "subfolder", { "dir/x", "evil" }, "entry \"dir/x\" is not a plain file name" },
        { "folder entry", { "dir/", "" }, "entry \"dir/\" is not a plain file name" },
        { "dot dot", { "..", "evil" }, "entry \"..\" is not a plain file name" },
        { "dot", { ".", "evil" }, "entry \".\" is not a plain file name" },
        { "symbolic link", { "Grid.Flt", "../../../victim", ZIP_CM_STORE, S_IFLNK | 0777 },
            "entry \"Grid.Flt\" is a link" },
        { "folder by its mode", { "Folder", "", ZIP_CM_STORE, S_IFDIR | 0755 },
            "entry \"Folder\" is not a plain file" },
        { "device", { "Dev", "", ZIP_CM_STORE, S_IFCHR | 0666 }, "entry \"Dev\" is not a plain file" },
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Title);
        const QString Zip = Root + "Hostile.tlo";
        // A good entry first: the refusal must come before it is unpacked.
        MakeArchive(Zip, { { "Grid.ini", "[Grid]" }, Case.Entry });
        const auto Before = Tree(Root);

        const QString Message = RefusedUnpack(Zip);

        EXPECT_TRUE(Message.contains(Case.Complaint)) << Message.toStdString();
        EXPECT_TRUE(Message.contains(Zip)) << Message.toStdString();
        EXPECT_EQ(Tree(Root), Before);
    }
}

TEST_F(WordArchiveTest, RefusalMessageNamesArchiveFolderAndEntry)
{
    MakeArchive(Archive, { { "../x", "evil" } });
    EXPECT_EQ(RefusedUnpack(Archive),
        QString("Fail to unzip %1 to %2: entry \"../x\" is not a plain file name").arg(Archive, Out));
}

TEST_F(WordArchiveTest, BrokenArchivesGiveAClearError)
{
    FillWorkFolder();
    TWordArchive::PackFolder(Work, Archive);
    const QByteArray Good = ReadFile(Archive);
    struct TCase
    {
        const char* Title;
        std::optional<QByteArray> Content; // none: the file does not exist
        QString Complaint;
    };
    const std::vector<TCase> Cases {
        { "cut in half", Good.left(Good.size() / 2), "not a ZIP archive, or it is truncated" },
        { "end record cut", Good.left(Good.size() - 10), "not a ZIP archive, or it is truncated" },
        { "text file", QByteArray("Word,Category\r\napple,fruit\r\n"), "not a ZIP archive" },
        { "empty file", QByteArray(), "not a ZIP archive" },
        { "missing", std::nullopt, "the archive does not exist" },
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Title);
        const QString Zip = Root + QString::fromUtf8("损坏.tlo");
        QFile::remove(Zip);
        if (Case.Content)
            WriteFile(Zip, *Case.Content);
        const auto Before = Tree(Root);

        const QString Message = RefusedUnpack(Zip);

        EXPECT_TRUE(Message.startsWith(QString("Fail to unzip %1 to %2: ").arg(Zip, Out))) << Message.toStdString();
        EXPECT_TRUE(Message.contains(Case.Complaint)) << Message.toStdString();
        EXPECT_EQ(Tree(Root), Before);
    }
}

TEST_F(WordArchiveTest, CrcErrorRemovesTheDamagedFile)
{
    const QByteArray Photo = JpegLike(4096, 9);
    MakeArchive(Archive, { { "Grid.ini", "[Grid]" }, { "Photo2.ADO", Photo, ZIP_CM_STORE } });
    QByteArray Bytes = ReadFile(Archive);
    const qsizetype At = Bytes.indexOf(Photo.mid(2000, 32));
    ASSERT_GT(At, 0);
    Bytes[At] = char(~Bytes[At]);
    WriteFile(Archive, Bytes);

    const QString Message = RefusedUnpack(Archive);

    EXPECT_TRUE(Message.contains("entry \"Photo2.ADO\" is damaged: its data fails the CRC check"))
        << Message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Out + "Photo2.ADO"));
}

TEST_F(WordArchiveTest, DeclaredSizesAreCheckedBeforeWriting)
{
    // Two entries claiming 3 GiB each: more than 4 GiB in all.
    MakeArchive(Archive, { { "Photo2.ADO", "small", ZIP_CM_STORE }, { "Photo3.ADO", "small", ZIP_CM_STORE } });
    PatchDeclaredSize(Archive, "Photo2.ADO", 0xC0000000u);
    PatchDeclaredSize(Archive, "Photo3.ADO", 0xC0000000u);
    const auto Before = Tree(Root);

    const QString Message = RefusedUnpack(Archive);

    EXPECT_TRUE(Message.contains("the entries would unpack to more than 4 GiB")) << Message.toStdString();
    EXPECT_EQ(Tree(Root), Before);
}

TEST_F(WordArchiveTest, NoFileGetsMoreThanItsEntryDeclares)
{
    for (const zip_int32_t Method : { ZIP_CM_STORE, ZIP_CM_DEFLATE }) {
        SCOPED_TRACE(Method);
        MakeArchive(Archive, { { "Grid.ini", "[Grid]" }, { "Photo2.ADO", RandomBytes(4096, 11), Method } });
        PatchDeclaredSize(Archive, "Photo2.ADO", 100);

        const QString Message = RefusedUnpack(Archive);

        EXPECT_TRUE(Message.contains("entry \"Photo2.ADO\" holds more data than it declares")) << Message.toStdString();
        EXPECT_FALSE(QFileInfo::exists(Out + "Photo2.ADO"));
    }
}

TEST_F(WordArchiveTest, TooManyEntriesAreRefused)
{
    std::vector<TFixtureEntry> Entries;
    for (int I = 0; I <= 100000; ++I)
        Entries.push_back({ QByteArray("Photo") + QByteArray::number(I) + ".ADO", QByteArray(), ZIP_CM_STORE });
    MakeArchive(Archive, Entries);

    const QString Message = RefusedUnpack(Archive);

    EXPECT_TRUE(Message.contains("the archive holds 100001 entries, more than 100000")) << Message.toStdString();
    EXPECT_TRUE(Tree(Out).isEmpty());
}

TEST_F(WordArchiveTest, LimitsHoldExactlyAtTheirFigures)
{
    MakeArchive(Archive, { { "a", QByteArray(60, 'a') }, { "b", QByteArray(30, 'b') }, { "c", QByteArray(10, 'c') } });

    EXPECT_TRUE(RefusedUnpack(Archive, { 99, 3 }).contains("the entries would unpack to more than 99 bytes"));
    EXPECT_TRUE(RefusedUnpack(Archive, { 100, 2 }).contains("the archive holds 3 entries, more than 2"));
    EXPECT_TRUE(Tree(Out).isEmpty());

    TWordArchive::UnpackArchive(Archive, Out, { 100, 3 });
    EXPECT_EQ(ReadFile(Out + "a"), QByteArray(60, 'a'));
}

TEST_F(WordArchiveTest, FullDiskWhileUnpackingLeavesNoShortFile)
{
    MakeArchive(Archive, { { "Grid.ini", "[Grid]" }, { "Photo2.ADO", JpegLike(256 * 1024, 12), ZIP_CM_STORE } });
    QString Message;
    {
        TFileSizeLimit Limit(64 * 1024);
        Message = RefusedUnpack(Archive);
    }
    EXPECT_TRUE(Message.contains("\"Photo2.ADO\" cannot be written: File too large")) << Message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Out + "Photo2.ADO"));
}

TEST_F(WordArchiveTest, LinksInTheFolderAreNotFollowed)
{
    const QString Victim = Root + "Victim.txt";
    WriteFile(Victim, "keep me");
    ASSERT_TRUE(QFile::link(Victim, Out + "Grid.ini"));
    MakeArchive(Archive, { { "Grid.ini", "overwritten" } });

    const QString Message = RefusedUnpack(Archive);

    EXPECT_TRUE(Message.contains("\"Grid.ini\" cannot be written")) << Message.toStdString();
    EXPECT_EQ(ReadFile(Victim), "keep me");
}

TEST_F(WordArchiveTest, UnwritableFolderGivesAClearError)
{
    MakeArchive(Archive, { { "Grid.ini", "[Grid]" } });
    const QString NotAFolder = Root + "File";
    WriteFile(NotAFolder, "a file");
    QString Message;
    try {
        TWordArchive::UnpackArchive(Archive, NotAFolder);
    } catch (const Error& E) {
        Message = E.Text();
    }
    EXPECT_EQ(Message, QString("Fail to unzip %1 to %2: the folder cannot be made").arg(Archive, NotAFolder));
}

TEST_F(WordArchiveTest, FailedSaveKeepsTheOldArchiveAndLeavesNoTemporaryFile)
{
    FillWorkFolder();
    WriteFile(Work + "Photo9.ADO", JpegLike(256 * 1024, 13));
    const QString Small = Root + "Small/";
    ASSERT_TRUE(QDir().mkpath(Small));
    WriteFile(Small + "Grid.ini", "[Grid]");

    struct TCase
    {
        const char* Title;
        QString Target;
        std::function<void()> Prepare;
        std::function<void()> Undo;
        QString Complaint;
    };
    std::optional<TFileSizeLimit> Limit;
    const std::vector<TCase> Cases {
        { "read-only archive", Root + "ReadOnly.tlo",
            [&] {
                QFile(Root + "ReadOnly.tlo").setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
            },
            [] {}, "the archive is read-only" },
        { "disk full", Root + "Full.tlo", [&] { Limit.emplace(64 * 1024); }, [&] { Limit.reset(); }, "File too large" },
        { "folder with that name", Root + "Folder.tlo",
            [&] {
                QFile::remove(Root + "Folder.tlo");
                QDir().mkpath(Root + "Folder.tlo");
            },
            [] {}, "a folder has the archive's name" },
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Title);
        TWordArchive::PackFolder(Small, Case.Target);
        Case.Prepare();
        const auto Before = Tree(Root);

        const QString Message = RefusedPack(Work, Case.Target);
        Case.Undo();

        EXPECT_TRUE(Message.startsWith(QString("Fail to zip %1 to %2: ").arg(Work, Case.Target)))
            << Message.toStdString();
        EXPECT_TRUE(Message.contains(Case.Complaint)) << Message.toStdString();
        EXPECT_EQ(Tree(Root), Before);
    }
}

TEST_F(WordArchiveTest, ImpossibleTargetsGiveAClearError)
{
    FillWorkFolder();
    const auto Before = Tree(Root);

    EXPECT_TRUE(RefusedPack(Work, Root + "Missing/Words.tlo").contains("the archive's folder does not exist"));
    EXPECT_TRUE(RefusedPack(Root + "Missing/", Archive).contains("the folder does not exist"));
    EXPECT_TRUE(RefusedPack(Work, "  ").contains("no archive name was given"));

    EXPECT_EQ(Tree(Root), Before);
}

} // namespace
