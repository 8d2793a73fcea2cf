#pragma once

#include "uOwningList.h"

#include <QString>
#include <QStringList>

#include <memory>

// One command-line parameter: a name and a value, both kept trimmed of blanks. A plain
// argument has an empty name, a bare switch an empty value.
class TParamItem
{
public:
    TParamItem(const QString& Name, const QString& Value);

    const QString& Name() const { return FName; }
    const QString& Value() const { return FValue; }

private:
    QString FName;
    QString FValue;
};

// The parameters of one kind in the order they came; owns its items. The first parameter of a
// name wins: later ones of the same name (in any letter case) are dropped.
class TParamList : public TOwningList<TParamItem>
{
public:
    // Trims both texts; adds nothing when both are empty or when the (non-empty) name is
    // already present. Parameters with an empty name are always added.
    void Add(const QString& Name, const QString& Value);

    // The first item whose name equals Name without regard to letter case, or nullptr. Name is
    // trimmed and one leading "/" or "\" is dropped, so "/IniFileName" finds "IniFileName".
    const TParamItem* Find(const QString& Name) const;

    const TParamItem& Items(int Index) const;
};

// The program's command line sorted into plain arguments, named values (name=value) and bare
// switches. An argument starting with "/" or "\" is a switch; the first "=" after the name's
// first character splits a name from its value.
class TExeParams
{
public:
    // Arguments holds the program path first, then the arguments as the system handed them
    // over (quotes already removed). An empty list gives an empty program path.
    explicit TExeParams(const QStringList& Arguments);

    // Files one argument into one of the three lists.
    void ParseArgument(const QString& Argument);

    // The program's own full path.
    const QString& ExeFileName() const { return FExeFileName; }

    // The value of the named value Name (found as TParamList::Find does), or the empty text.
    QString ParamValue(const QString& Name) const;

    const TParamList& PlainArgs() const { return FPlainArgs; }
    const TParamList& NamedValues() const { return FNamedValues; }
    const TParamList& Switches() const { return FSwitches; }

private:
    TParamList FPlainArgs;
    TParamList FNamedValues;
    TParamList FSwitches;
    QString FExeFileName;
};

// The program-wide parameters. Made by the program entry with MakeExeParams before any window;
// when nothing has made them yet, the first use makes them from the running process (the Qt
// application's arguments, if there is an application object).
TExeParams& ExeParams();

// Makes the program-wide parameters from main's argc/argv. The program path is the running
// executable's real full path (argv[0] may be a bare name found on the search path).
void MakeExeParams(int Argc, char* Argv[]);

// Puts Params in place of the program-wide parameters and returns the previous ones (nullptr
// when none had been made), so tests can set a command line and restore the old one.
std::unique_ptr<TExeParams> ReplaceExeParams(std::unique_ptr<TExeParams> Params);
