#include "uEXEParam.h"

#include "Error.h"
#include "ProgramFolder.h"

#include <QCoreApplication>

namespace {

std::unique_ptr<TExeParams>& ProgramParams()
{
    static std::unique_ptr<TExeParams> Params;
    return Params;
}

bool IsSwitchChar(QChar Char)
{
    return Char == QLatin1Char('/') || Char == QLatin1Char('\\');
}

} // namespace

TParamItem::TParamItem(const QString& Name, const QString& Value)
    : FName(Name.trimmed())
    , FValue(Value.trimmed())
{ }

void TParamList::Add(const QString& Name, const QString& Value)
{
    auto Item = std::make_unique<TParamItem>(Name, Value);
    if (Item->Name().isEmpty() && Item->Value().isEmpty())
        return;
    if (!Item->Name().isEmpty() && Find(Item->Name()))
        return;
    Append(std::move(Item));
}

const TParamItem* TParamList::Find(const QString& Name) const
{
    QString Wanted = Name.trimmed();
    if (!Wanted.isEmpty() && IsSwitchChar(Wanted.front()))
        Wanted.remove(0, 1);
    for (const auto& Item : List)
        if (Item->Name().compare(Wanted, Qt::CaseInsensitive) == 0)
            return Item.get();
    return nullptr;
}

const TParamItem& TParamList::Items(int Index) const
{
    TUMBALO_ASSERT(Index >= 0 && Index < Count(), QStringLiteral("List index out of bounds (%1)").arg(Index));
    return *List[static_cast<std::size_t>(Index)];
}

TExeParams::TExeParams(const QStringList& Arguments)
{
    if (Arguments.isEmpty())
        return;
    FExeFileName = Arguments.front();
    for (qsizetype Index = 1; Index < Arguments.size(); ++Index)
        ParseArgument(Arguments.at(Index));
}

void TExeParams::ParseArgument(const QString& Argument)
{
    const bool IsSwitch = !Argument.isEmpty() && IsSwitchChar(Argument.front());
    const qsizetype NameStart = IsSwitch ? 1 : 0;
    const qsizetype Equals = Argument.indexOf(QLatin1Char('='));
    // A value needs an "=" after the name's first character: "=x" is a plain argument and
    // "/=x" a switch named "=x".
    const bool HasValue = Equals > NameStart;

    if (!HasValue && !IsSwitch)
        FPlainArgs.Add(QString(), Argument);
    else if (!HasValue)
        FSwitches.Add(Argument.mid(NameStart), QString());
    else
        FNamedValues.Add(Argument.mid(NameStart, Equals - NameStart), Argument.mid(Equals + 1));
}

QString TExeParams::ParamValue(const QString& Name) const
{
    const TParamItem* Item = FNamedValues.Find(Name);
    return Item ? Item->Value() : QString();
}

TExeParams& ExeParams()
{
    auto& Params = ProgramParams();
    if (!Params) {
        QStringList Arguments;
        if (QCoreApplication::instance())
            Arguments = QCoreApplication::arguments();
        if (Arguments.isEmpty())
            Arguments.append(QString());
        Arguments[0] = ProgramPath();
        Params = std::make_unique<TExeParams>(Arguments);
    }
    return *Params;
}

void MakeExeParams(int Argc, char* Argv[])
{
    QStringList Arguments { ProgramPath() };
    for (int Index = 1; Index < Argc; ++Index)
        Arguments.append(QString::fromLocal8Bit(Argv[Index]));
    ProgramParams() = std::make_unique<TExeParams>(Arguments);
}

std::unique_ptr<TExeParams> ReplaceExeParams(std::unique_ptr<TExeParams> Params)
{
    std::swap(ProgramParams(), Params);
    return Params;
}
