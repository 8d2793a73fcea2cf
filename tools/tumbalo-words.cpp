// tumbalo-words: word lists from the command line, for adults who prepare lists by script.
//
//   tumbalo-words dump LIST.tlo      one line per entry, in table order, seven fields
//                                    separated by tabs: RowID, Word, BackColor (decimal,
//                                    empty when none), Category, Status, picture (yes/no),
//                                    clip (yes/no); a backslash, tab, line break or other
//                                    control character in a field is written escaped
//                                    (\\, \t, \n, \r, \xNN)
//   tumbalo-words new LIST.tlo       creates an empty list
//   tumbalo-words append LIST.tlo SOURCE
//                                    appends the entries of SOURCE: another word archive
//                                    (".tlo"), a folder holding an unpacked list, or a text
//                                    file with one entry per line (UTF-8, or GB18030)
//   tumbalo-words export LIST.tlo OUT
//                                    OUT ending in ".tlo": the whole list as a word archive;
//                                    any other name: the words, one per line, in table order
//   tumbalo-words dedupe LIST.tlo    removes duplicate entries, prints how many, and logs
//                                    each removal to "Log.log" in the program's folder
//   tumbalo-words decrypt            list file content on standard input -> plain text
//   tumbalo-words encrypt            plain text on standard input -> list file content
//
// append and dedupe write a changed list back as the editor saves it, keeping the old one as
// LIST.~lo. Errors go to standard error with a non-zero exit status: 1 for bad input, 2 for a
// wrong command line.

#include "Error.h"
#include "MessageBoxes.h"
#include "ProgramFolder.h"
#include "uEncrypt.h"
#include "uLogHandler.h"
#include "uText.h"
#include "uWordData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <map>

namespace {

const char* const Usage = "usage: tumbalo-words dump LIST.tlo\n"
                          "       tumbalo-words new LIST.tlo\n"
                          "       tumbalo-words append LIST.tlo SOURCE\n"
                          "       tumbalo-words export LIST.tlo OUT\n"
                          "       tumbalo-words dedupe LIST.tlo\n"
                          "       tumbalo-words decrypt < LIST_FILE > PLAIN\n"
                          "       tumbalo-words encrypt < PLAIN > LIST_FILE\n";

// Message boxes without a screen: errors and warnings go to standard error, and the last
// error is kept for the tool's own failure message. Nobody answers a question.
class TStandardErrorBoxes final : public MessageBoxes
{
public:
    void ShowError(const QString& Text, const QString& = {}) override { LastError = Text; }
    void ShowWarning(const QString& Text, const QString& = {}) override { Print(Text); }
    void ShowInformation(const QString& Text, const QString& = {}) override { Print(Text); }
    Answer Confirm(const QString&, const QString& = {}) override { return Answer::Cancel; }

    QString LastError;

private:
    static void Print(const QString& Text) { std::fprintf(stderr, "tumbalo-words: %s\n", Text.toUtf8().constData()); }
};

// A word list opened into a private working folder that goes with the object.
class TOpenList
{
public:
    TOpenList()
    {
        if (!FFolder.isValid())
            throw Error(QStringLiteral("Cannot make a working folder: %1").arg(FFolder.errorString()));
        FData = std::make_unique<TWordData>(FFolder.path(), TWordDataServices { &FBoxes, nullptr, nullptr });
    }

    TWordData& Data() { return *FData; }

    // Writes a changed list back into its file as the editor's save does, the old file kept
    // as its ".~lo" backup; an unchanged list is left alone.
    void SaveIfModified()
    {
        if (!FData->SaveIfModified(false))
            throw Error(FBoxes.LastError.isEmpty()
                    ? QStringLiteral("The list was not saved to %1").arg(FData->FileName())
                    : FBoxes.LastError);
    }

    TStandardErrorBoxes& Boxes() { return FBoxes; }

private:
    TStandardErrorBoxes FBoxes;
    QTemporaryDir FFolder;
    std::unique_ptr<TWordData> FData;
};

QString ExistingList(const QString& Name)
{
    if (!QFileInfo(Name).isFile())
        throw Error(QStringLiteral("No such word list: %1").arg(Name));
    return Name;
}

int Dump(const QStringList& Args)
{
    TOpenList List;
    TWordData& Data = List.Data();
    Data.OpenFile(ExistingList(Args.at(0)));
    TDataTable& Table = Data.DataSet();
    QTextStream Out(stdout);
    Out.setEncoding(QStringConverter::Utf8);
    const auto Text = [&](const char* Field) { return EscapeText(Table.FieldByName(Field).AsString()); };
    for (Table.First(); !Table.Eof(); Table.Next()) {
        const qint32 RowID = Data.CurrentRowID();
        const QVariant Color = Table.FieldByName("BackColor").Value();
        const QString ColorText = Color.isNull() ? QString() : QString::number(static_cast<quint32>(Color.toInt()));
        Out << RowID << '\t' << Text("Word") << '\t' << ColorText << '\t' << Text("Category") << '\t' << Text("Status")
            << '\t' << (Data.HasPhotoOf(RowID) ? "yes" : "no") << '\t' << (Data.HasAudioOf(RowID) ? "yes" : "no")
            << '\n';
    }
    return 0;
}

int New(const QStringList& Args)
{
    const QString Name = Args.at(0);
    if (QFileInfo::exists(Name))
        throw Error(QStringLiteral("%1 exists already; it is left as it is").arg(Name));
    TOpenList List;
    // An empty list file, so that the archive is a complete list.
    List.Data().SetModified(true);
    List.Data().SaveToFile(Name);
    return 0;
}

// Imports of word archives unpack into the working root beside the program; a root that this
// run made is removed again when it is empty (a running program keeps its folders in it).
class TWorkRootTidy
{
public:
    TWorkRootTidy()
        : FExisted(QFileInfo::exists(TWordData::WorkRoot()))
    { }
    ~TWorkRootTidy()
    {
        if (!FExisted)
            QDir().rmdir(TWordData::WorkRoot());
    }
    TWorkRootTidy(const TWorkRootTidy&) = delete;
    TWorkRootTidy& operator=(const TWorkRootTidy&) = delete;

private:
    bool FExisted;
};

int Append(const QStringList& Args)
{
    TOpenList List;
    TWordData& Data = List.Data();
    Data.OpenFile(ExistingList(Args.at(0)));
    const QString Source = Args.at(1);
    const QFileInfo Info(Source);
    int Appended = 0;
    if (Info.isDir()) {
        Appended = Data.AppendFromPath(Source);
    } else if (Info.isFile()) {
        TWorkRootTidy Tidy;
        Appended = Data.AppendFromFile(Source);
    } else {
        throw Error(QStringLiteral("No such file or folder: %1").arg(Source));
    }
    List.SaveIfModified();
    std::printf("%d entries appended\n", Appended);
    return 0;
}

int Export(const QStringList& Args)
{
    TOpenList List;
    TWordData& Data = List.Data();
    Data.OpenFile(ExistingList(Args.at(0)));
    const QString Out = Args.at(1);
    if (Out.trimmed().isEmpty())
        throw Error(QStringLiteral("No name to export to"));
    if (QFileInfo(Out).suffix().compare(QStringLiteral("tlo"), Qt::CaseInsensitive) == 0) {
        Data.SaveToFile(Out);
    } else {
        QStringList Words;
        TDataTable& Table = Data.DataSet();
        const int Word = Table.FieldIndex(QStringLiteral("Word"));
        for (int Row = 0; Word >= 0 && Row < Table.RecordCount(); ++Row)
            Words << Table.Value(Row, Word).toString();
        Data.ExportTextTo(Out, Words);
    }
    List.SaveIfModified();
    return 0;
}

int Dedupe(const QStringList& Args)
{
    TOpenList List;
    // The program's own log: every removed entry gets its line.
    auto Log = std::make_unique<TLogHandler>(&List.Boxes());
    Log->SetFileName(ProgramFolder() + QStringLiteral("Log.log"));
    ReplaceLogHandler(std::move(Log));
    TWordData& Data = List.Data();
    Data.OpenFile(ExistingList(Args.at(0)));
    const int Deleted = Data.DeleteDuplicates();
    List.SaveIfModified();
    std::printf("%d duplicate entries deleted\n", Deleted);
    return 0;
}

QByteArray ReadStandardInput()
{
    QFile In;
    if (!In.open(stdin, QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot read standard input"));
    return In.readAll();
}

void WriteStandardOutput(const QByteArray& Bytes)
{
    QFile Out;
    if (!Out.open(stdout, QIODevice::WriteOnly) || Out.write(Bytes) != Bytes.size() || !Out.flush())
        throw Error(QStringLiteral("Cannot write standard output"));
}

int Decrypt(const QStringList&)
{
    WriteStandardOutput(TFrmEncrypt::DecryptText(ReadStandardInput().trimmed()));
    return 0;
}

int Encrypt(const QStringList&)
{
    WriteStandardOutput(TFrmEncrypt::EncryptText(ReadStandardInput()));
    return 0;
}

struct TCommand
{
    int Arguments;
    std::function<int(const QStringList&)> Run;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication App(argc, argv);
    const std::map<QString, TCommand> Commands {
        { QStringLiteral("dump"), { 1, Dump } },
        { QStringLiteral("new"), { 1, New } },
        { QStringLiteral("append"), { 2, Append } },
        { QStringLiteral("export"), { 2, Export } },
        { QStringLiteral("dedupe"), { 1, Dedupe } },
        { QStringLiteral("decrypt"), { 0, Decrypt } },
        { QStringLiteral("encrypt"), { 0, Encrypt } },
    };
    QStringList Args = App.arguments().mid(1);
    const auto Command = Args.isEmpty() ? Commands.end() : Commands.find(Args.takeFirst());
    if (Command == Commands.end() || Args.size() != Command->second.Arguments) {
        std::fputs(Usage, stderr);
        return 2;
    }
    try {
        return Command->second.Run(Args);
    } catch (const std::exception& Failure) {
        std::fprintf(stderr, "tumbalo-words: %s\n", Failure.what());
        return 1;
    }
}
