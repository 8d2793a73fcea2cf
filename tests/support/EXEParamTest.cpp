#include "ProgramFolder.h"
#include "uEXEParam.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

// A list as "name|value" texts, in order.
QStringList Render(const TParamList& List)
{
    QStringList Result;
    for (int Index = 0; Index < List.Count(); ++Index)
        Result.append(List.Items(Index).Name() + QLatin1Char('|') + List.Items(Index).Value());
    return Result;
}

TEST(EXEParamTest, ArgumentsAreSortedIntoTheThreeLists)
{
    struct Case
    {
        QStringList Arguments; // without the program path
        QStringList Plain;
        QStringList Named;
        QStringList Switches;
    };
    const Case Cases[] = {
        { { "/IniFileName=C:\\a.ini" }, {}, { "IniFileName|C:\\a.ini" }, {} },
        { { "\\IniFileName=C:\\a.ini" }, {}, { "IniFileName|C:\\a.ini" }, {} },
        { { "IniFileName=C:\\a.ini" }, {}, { "IniFileName|C:\\a.ini" }, {} },
        { { "/Debug" }, {}, {}, { "Debug|" } },
        { { "C:\\Lists\\My.tlo" }, { "|C:\\Lists\\My.tlo" }, {}, {} },
        { { "C:\\a=b.tlo" }, {}, { "C:\\a|b.tlo" }, {} },
        { { "=x" }, { "|=x" }, {}, {} },
        { { "/=x" }, {}, {}, { "=x|" } },
        { { "/a=b=c" }, {}, { "a|b=c" }, {} },
        { { "/Empty=" }, {}, { "Empty|" }, {} },
        { { " My List.tlo " }, { "|My List.tlo" }, {}, {} },
        { { "/ Name = value " }, {}, { "Name|value" }, {} },
        // Nothing to keep: empty, blank, a lone switch character.
        { { "", "  ", "/", "\\" }, {}, {}, {} },
        // The first of a name wins, in any letter case; unnamed arguments all stay.
        { { "/A=1", "/a=2", "x", "x", "/S", "/s" }, { "|x", "|x" }, { "A|1" }, { "S|" } },
        { { "first.tlo", "/Debug", "/IniFileName=/x.ini", "second.tlo" }, { "|first.tlo", "|second.tlo" },
            { "IniFileName|/x.ini" }, { "Debug|" } },
    };
    for (const Case& C : Cases) {
        const TExeParams Params(QStringList { "/prog/Tumbalo" } + C.Arguments);
        const std::string What = C.Arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(Render(Params.PlainArgs()), C.Plain) << What;
        EXPECT_EQ(Render(Params.NamedValues()), C.Named) << What;
        EXPECT_EQ(Render(Params.Switches()), C.Switches) << What;
        EXPECT_EQ(Params.ExeFileName(), QStringLiteral("/prog/Tumbalo"));
    }
}

TEST(EXEParamTest, ParamValueFindsNamesWithoutRegardToCaseOrSwitchCharacter)
{
    const TExeParams Params({ "/prog/Tumbalo", "/IniFileName=C:\\a.ini", "/Debug", "/A=1", "/a=2" });
    struct Case
    {
        QString Name;
        QString Value;
    };
    const Case Cases[] = {
        { "IniFileName", "C:\\a.ini" },
        { "/inifilename", "C:\\a.ini" },
        { "\\INIFILENAME", "C:\\a.ini" },
        { "  IniFileName  ", "C:\\a.ini" },
        { "A", "1" },
        { "a", "1" },
        { "Debug", "" },
        { "Missing", "" },
        { "", "" },
    };
    for (const Case& C : Cases)
        EXPECT_EQ(Params.ParamValue(C.Name), C.Value) << C.Name.toStdString();
}

TEST(EXEParamTest, ProgramWideParametersCanBeMadeAndReplaced)
{
    auto Saved = ReplaceExeParams(std::make_unique<TExeParams>(QStringList { "/p/T", "/IniFileName=/a.ini" }));
    EXPECT_EQ(ExeParams().ParamValue("IniFileName"), QStringLiteral("/a.ini"));

    // argv[0] may be a bare name; the real path of the running program is taken instead.
    char Program[] = "tumbalo";
    char Named[] = "/IniFileName=/b.ini";
    char File[] = "list.tlo";
    char* Argv[] = { Program, Named, File, nullptr };
    MakeExeParams(3, Argv);
    EXPECT_EQ(ExeParams().ExeFileName(), ProgramPath());
    EXPECT_EQ(ExeParams().ParamValue("IniFileName"), QStringLiteral("/b.ini"));
    EXPECT_EQ(Render(ExeParams().PlainArgs()), QStringList { "|list.tlo" });

    // Used before anything made them: made from the running process.
    ReplaceExeParams(nullptr);
    EXPECT_EQ(ExeParams().ExeFileName(), ProgramPath());

    ReplaceExeParams(std::move(Saved));
}

} // namespace
