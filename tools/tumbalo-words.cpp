// tumbalo-words: word lists from the command line, for adults who prepare lists by script.
//
//   tumbalo-words dump LIST.tlo      one line per entry, in table order, seven fields
//                                    separated by tabs: RowID, Word, BackColor (decimal,
//                                    empty when none), Category, Status, picture (yes/no),
//                                    clip (yes/no)
//   tumbalo-words new LIST.tlo       creates an empty list
//   tumbalo-words decrypt            list file content on standard input -> plain text
//   tumbalo-words encrypt            plain text on standard input -> list file content
//
// Errors go to standard error with a non-zero exit status: 1 for bad input, 2 for a wrong
// command line.

#include "Error.h"
#include "uEncrypt.h"
#include "uWordData.h"

#include <QCoreApplication>
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
                          "       tumbalo-words decrypt < LIST_FILE > PLAIN\n"
                          "       tumbalo-words encrypt < PLAIN > LIST_FILE\n";

// A word list opened into a private working folder that goes with the object.
class TOpenList
{
public:
    TOpenList()
    {
        if (!FFolder.isValid())
            throw Error(QStringLiteral("Cannot make a working folder: %1").arg(FFolder.errorString()));
        FData = std::make_unique<TWordData>(FFolder.path());
    }

    TWordData& Data() { return *FData; }

private:
    QTemporaryDir FFolder;
    std::unique_ptr<TWordData> FData;
};

// Tabs and line breaks inside a field would break the line format: they are written as \t,
// \n and \r, and a backslash as \\.
QString Escaped(const QString& Text)
{
    QString Result;
    Result.reserve(Text.size());
    for (const QChar C : Text) {
        switch (C.unicode()) {
        case '\\':
            Result += QStringLiteral("\\\\");
            break;
        case '\t':
            Result += QStringLiteral("\\t");
            break;
        case '\n':
            Result += QStringLiteral("\\n");
            break;
        case '\r':
            Result += QStringLiteral("\\r");
            break;
        default:
            Result += C;
        }
    }
    return Result;
}

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
    const auto Text = [&](const char* Field) { return Escaped(Table.FieldByName(Field).AsString()); };
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
