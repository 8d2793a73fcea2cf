#include "uDataTable.h"
#include "uWordData.h"

#include "Error.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

// Appends and posts one entry; a null QVariant leaves the field null.
void AddWord(TDataTable& Table, int RowID, const QVariant& Word, const QVariant& Category = QVariant())
{
    Table.Append();
    Table.FieldByName(QStringLiteral("RowID")).SetValue(RowID);
    Table.FieldByName(QStringLiteral("Word")).SetValue(Word);
    Table.FieldByName(QStringLiteral("Category")).SetValue(Category);
    Table.Post();
}

// A table of the five word fields holding the words with RowIDs 1, 2, ...
std::unique_ptr<TDataTable> WordTable(const QStringList& Words)
{
    auto Table = std::make_unique<TDataTable>();
    Table->CreateDataSet(TWordData::WordFields());
    int RowID = 0;
    for (const QString& Word : Words)
        AddWord(*Table, ++RowID, Word);
    return Table;
}

// One field's values in the table's current order; null shows as "<null>".
QStringList Column(const TDataTable& Table, const QString& Field)
{
    QStringList Values;
    const int Index = Table.FieldIndex(Field);
    for (int Row = 0; Row < Table.RecordCount(); ++Row) {
        const QVariant V = Table.Value(Row, Index);
        Values << (V.isValid() ? V.toString() : QStringLiteral("<null>"));
    }
    return Values;
}

QStringList RowIDs(const TDataTable& Table)
{
    return Column(Table, QStringLiteral("RowID"));
}

int CurrentRowID(TDataTable& Table)
{
    return Table.FieldByName(QStringLiteral("RowID")).AsInteger();
}

// ---------------------------------------------------------------------------------------
// Cursor

TEST(DataTableCursor, WalksFromFirstToEof)
{
    auto Table = WordTable({ "a", "b", "c" });
    QStringList Seen;
    for (Table->First(); !Table->Eof(); Table->Next())
        Seen << Table->FieldByName(QStringLiteral("Word")).AsString();
    EXPECT_EQ(Seen, QStringList({ "a", "b", "c" }));
    EXPECT_EQ(Table->RecNo(), 2); // Next at the last record stays there

    Table->Next();
    EXPECT_TRUE(Table->Eof());
    EXPECT_EQ(Table->RecNo(), 2);
    Table->First();
    EXPECT_TRUE(Table->Bof());
    Table->Prior();
    EXPECT_TRUE(Table->Bof());
    EXPECT_EQ(Table->RecNo(), 0);
    Table->Last();
    EXPECT_EQ(Table->FieldByName(QStringLiteral("Word")).AsString(), "c");
    Table->SetRecNo(1);
    EXPECT_FALSE(Table->Eof());
    EXPECT_FALSE(Table->Bof());
    EXPECT_EQ(Table->FieldByName(QStringLiteral("Word")).AsString(), "b");
}

TEST(DataTableCursor, EmptyTableHasNoCurrentRecord)
{
    auto Table = WordTable({});
    Table->First();
    EXPECT_TRUE(Table->Eof());
    EXPECT_TRUE(Table->Bof());
    EXPECT_TRUE(Table->IsEmpty());
    EXPECT_EQ(Table->RecNo(), -1);
    EXPECT_FALSE(Table->FieldByName(QStringLiteral("Word")).Value().isValid());
    EXPECT_EQ(Table->FieldByName(QStringLiteral("Word")).AsString(), QString());
    EXPECT_THROW(Table->Edit(), AssertionError);
    EXPECT_THROW(Table->Delete(), AssertionError);
}

TEST(DataTableCursor, ClosedTableRefusesWork)
{
    TDataTable Table;
    EXPECT_FALSE(Table.Active());
    EXPECT_EQ(Table.State(), TTableState::Inactive);
    EXPECT_TRUE(Table.IsEmpty());
    EXPECT_THROW(Table.Append(), AssertionError);
    EXPECT_THROW(Table.First(), AssertionError);
    EXPECT_THROW(Table.SaveToXml(), AssertionError);

    Table.CreateDataSet(TWordData::WordFields());
    AddWord(Table, 1, "a");
    Table.Close();
    EXPECT_FALSE(Table.Active());
    EXPECT_EQ(Table.RecordCount(), 0);
    EXPECT_THROW(Table.Edit(), AssertionError);
}

TEST(DataTableCursor, FieldsByNameIgnoreLetterCase)
{
    auto Table = WordTable({ "cat" });
    EXPECT_EQ(Table->FieldByName(QStringLiteral("WORD")).Name(), "Word");
    EXPECT_EQ(Table->FieldIndex(QStringLiteral("category")), 3);
    EXPECT_EQ(Table->FieldIndex(QStringLiteral("Colour")), -1);
    EXPECT_THROW(Table->FieldByName(QStringLiteral("Colour")), Error);
    EXPECT_EQ(Table->FieldByName(QStringLiteral("RowID")).AsString(), "1");
    EXPECT_TRUE(Table->FieldByName(QStringLiteral("BackColor")).IsNull());
    EXPECT_EQ(Table->FieldByName(QStringLiteral("BackColor")).AsInteger(), 0);
}

// ---------------------------------------------------------------------------------------
// Editing and events

TEST(DataTableEditing, AppendAtEndInsertBeforeCurrent)
{
    auto Table = WordTable({ "a", "b" });
    Table->SetRecNo(1);
    Table->Insert();
    EXPECT_EQ(Table->RecNo(), 1);
    EXPECT_EQ(Table->State(), TTableState::Insert);
    Table->FieldByName(QStringLiteral("Word")).SetAsString(QStringLiteral("x"));
    Table->Post();
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "a", "x", "b" }));
    EXPECT_EQ(Table->RecNo(), 1);

    Table->Append();
    EXPECT_EQ(Table->RecNo(), 3);
    Table->FieldByName(QStringLiteral("Word")).SetAsString(QStringLiteral("z"));
    Table->Post();
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "a", "x", "b", "z" }));

    auto Empty = WordTable({});
    Empty->Insert();
    Empty->FieldByName(QStringLiteral("Word")).SetAsString(QStringLiteral("first"));
    Empty->Post();
    EXPECT_EQ(Column(*Empty, "Word"), QStringList({ "first" }));
}

TEST(DataTableEditing, EventsFireInTheOrderTheOwnerReliesOn)
{
    auto Table = WordTable({});
    QStringList Log;
    int LastRowID = 1;
    Table->AfterInsert = [&](TDataTable& T) {
        // Nothing is filled in yet: the owner numbers the entry here.
        const bool Blank = T.FieldByName("RowID").IsNull() && T.FieldByName("Word").IsNull();
        Log << QStringLiteral("AfterInsert %1").arg(Blank ? "blank" : "filled");
        T.FieldByName("RowID").SetAsInteger(++LastRowID);
    };
    Table->AfterPost = [&](TDataTable& T) {
        Log << QStringLiteral("AfterPost %1 %2")
                   .arg(T.FieldByName("Word").AsString())
                   .arg(T.State() == TTableState::Browse);
    };
    Table->BeforeDelete = [&](TDataTable& T) { Log << QStringLiteral("BeforeDelete %1").arg(CurrentRowID(T)); };
    Table->AfterDelete = [&](TDataTable& T) {
        Log << QStringLiteral("AfterDelete %1 left %2").arg(T.DeletedValue("rowid").toInt()).arg(T.RecordCount());
    };

    Table->Append();
    Table->FieldByName("Word").SetAsString("cat");
    Table->Post();
    Table->Insert();
    Table->FieldByName("Word").SetAsString("dog");
    Table->Post();
    Table->Edit();
    Table->Post(); // a post without changes still reports
    Table->Edit();
    Table->FieldByName("Word").SetAsString("emu");
    Table->Cancel(); // a cancel reports nothing
    Table->Delete();

    EXPECT_EQ(Log,
        QStringList({ "AfterInsert blank", "AfterPost cat 1", "AfterInsert blank", "AfterPost dog 1", "AfterPost dog 1",
            "BeforeDelete 3", "AfterDelete 3 left 1" }));
    EXPECT_EQ(RowIDs(*Table), QStringList({ "2" }));
}

TEST(DataTableEditing, CancelRestoresAnEditAndRemovesANewRecord)
{
    auto Table = WordTable({ "a", "b" });
    Table->SetRecNo(1);
    Table->Edit();
    Table->FieldByName("Word").SetAsString("changed");
    Table->FieldByName("Category").SetAsString("c");
    EXPECT_TRUE(Table->RecordModified());
    Table->Cancel();
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "a", "b" }));
    EXPECT_EQ(Column(*Table, "Category"), QStringList({ "<null>", "<null>" }));

    Table->Insert();
    Table->FieldByName("Word").SetAsString("new");
    Table->Cancel();
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "a", "b" }));
    EXPECT_EQ(Table->RecNo(), 1);
    EXPECT_EQ(Table->State(), TTableState::Browse);

    Table->Append();
    Table->Cancel();
    EXPECT_EQ(Table->RecordCount(), 2);
    EXPECT_EQ(Table->RecNo(), 1);
}

TEST(DataTableEditing, SettingAFieldNeedsEditOrInsert)
{
    auto Table = WordTable({ "a" });
    EXPECT_THROW(Table->FieldByName("Word").SetAsString("x"), AssertionError);
    Table->Edit();
    Table->Edit(); // a second Edit keeps the first one's saved values
    Table->FieldByName("Word").SetAsString("x");
    Table->Edit();
    Table->Cancel();
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "a" }));
}

// Moving on settles a pending record: changed ones are posted, untouched new ones vanish.
TEST(DataTableEditing, MovingOnSettlesThePendingRecord)
{
    struct TCase
    {
        const char* Name;
        std::function<void(TDataTable&)> Move;
        bool StartsRecord;
    };
    const TCase Cases[] = {
        { "Next", [](TDataTable& T) { T.Next(); }, false },
        { "Prior", [](TDataTable& T) { T.Prior(); }, false },
        { "First", [](TDataTable& T) { T.First(); }, false },
        { "Last", [](TDataTable& T) { T.Last(); }, false },
        { "SetRecNo", [](TDataTable& T) { T.SetRecNo(0); }, false },
        { "Locate", [](TDataTable& T) { T.Locate("Word", "a"); }, false },
        { "SetIndexFieldNames", [](TDataTable& T) { T.SetIndexFieldNames(""); }, false },
        { "SaveToXml", [](TDataTable& T) { T.SaveToXml(); }, false },
        { "CheckBrowseMode", [](TDataTable& T) { T.CheckBrowseMode(); }, false },
        { "Append", [](TDataTable& T) { T.Append(); }, true },
        { "Insert", [](TDataTable& T) { T.Insert(); }, true },
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        {
            auto Table = WordTable({ "a", "b", "c" });
            int Posts = 0;
            Table->AfterPost = [&](TDataTable&) { ++Posts; };
            Table->SetRecNo(1);
            Table->Edit();
            Table->FieldByName("Word").SetAsString("B2");
            Case.Move(*Table);
            EXPECT_EQ(Posts, 1);
            EXPECT_TRUE(Column(*Table, "Word").contains("B2"));
            EXPECT_EQ(Table->RecordCount(), 3 + Case.StartsRecord);
        }
        {
            auto Table = WordTable({ "a", "b", "c" });
            int Posts = 0;
            Table->AfterPost = [&](TDataTable&) { ++Posts; };
            Table->SetRecNo(1);
            Table->Insert(); // untouched
            Case.Move(*Table);
            EXPECT_EQ(Posts, 0);
            EXPECT_EQ(Table->RecordCount(), 3 + Case.StartsRecord);
            EXPECT_TRUE(Table->RecordCount() > 3 || Column(*Table, "Word") == QStringList({ "a", "b", "c" }));
        }
    }
}

TEST(DataTableEditing, SetRecNoFollowsTheRecordWhenAnUntouchedNewOneVanishes)
{
    auto Table = WordTable({ "a", "b", "c" });
    Table->SetRecNo(0);
    Table->Insert(); // rows: <new>, a, b, c
    Table->SetRecNo(2); // meant "b"
    EXPECT_EQ(Table->FieldByName("Word").AsString(), "b");
    EXPECT_EQ(Table->RecNo(), 1);
}

TEST(DataTableEditing, DeleteMovesToTheNextRecord)
{
    struct TCase
    {
        int Row;
        QStringList Left;
        QString Current;
    };
    const TCase Cases[] = {
        { 1, { "a", "c" }, "c" },
        { 2, { "a", "b" }, "b" },
        { 0, { "b", "c" }, "b" },
    };
    for (const TCase& Case : Cases) {
        auto Table = WordTable({ "a", "b", "c" });
        Table->SetRecNo(Case.Row);
        Table->Delete();
        EXPECT_EQ(Column(*Table, "Word"), Case.Left);
        EXPECT_EQ(Table->FieldByName("Word").AsString(), Case.Current);
    }
    auto Table = WordTable({ "only" });
    Table->Delete();
    EXPECT_TRUE(Table->IsEmpty());
    EXPECT_EQ(Table->RecNo(), -1);
    EXPECT_TRUE(Table->Eof());
}

TEST(DataTableEditing, DeleteDuringEditDropsTheChangesAndDuringInsertCancels)
{
    auto Table = WordTable({ "a", "b" });
    int Deletes = 0;
    Table->AfterDelete = [&](TDataTable&) { ++Deletes; };
    Table->SetRecNo(0);
    Table->Edit();
    Table->FieldByName("Word").SetAsString("changed");
    Table->Delete();
    EXPECT_EQ(Table->DeletedValue("Word").toString(), "a");
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "b" }));

    Table->Append();
    Table->FieldByName("Word").SetAsString("new");
    Table->Delete();
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "b" }));
    EXPECT_EQ(Deletes, 1);
}

TEST(DataTableEditing, AFailingBeforeDeleteKeepsTheRecord)
{
    auto Table = WordTable({ "a" });
    Table->BeforeDelete = [](TDataTable&) { throw Error("kept"); };
    EXPECT_THROW(Table->Delete(), Error);
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "a" }));
}

TEST(DataTableEditing, EmptyDataSetKeepsFieldsAndOrderWithoutDeleteEvents)
{
    auto Table = WordTable({ "b", "a" });
    int Deletes = 0;
    Table->AfterDelete = [&](TDataTable&) { ++Deletes; };
    Table->SetIndexFieldNames("Word");
    Table->EmptyDataSet();
    EXPECT_TRUE(Table->Active());
    EXPECT_TRUE(Table->IsEmpty());
    EXPECT_EQ(Table->FieldCount(), 5);
    EXPECT_EQ(Table->IndexFieldNames(), "Word");
    EXPECT_EQ(Deletes, 0);
    AddWord(*Table, 1, "z");
    AddWord(*Table, 2, "y");
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "y", "z" }));
}

// ---------------------------------------------------------------------------------------
// Values

TEST(DataTableValues, IntegerFieldsTakeNumbersAndDecimalText)
{
    struct TCase
    {
        const char* Name;
        QVariant Given;
        QVariant Stored; // invalid: null
    };
    const TCase Cases[] = {
        { "int", 12, 12 },
        { "negative text", QStringLiteral(" -7 "), -7 },
        { "empty text is null", QString(), QVariant() },
        { "blank text is null", QStringLiteral("  "), QVariant() },
        { "null", QVariant(), QVariant() },
        { "colour above 2^31 keeps its bits", QVariant(quint32(0xFF00000F)), qint32(0xFF00000F) },
        { "same as 64-bit", QVariant(qlonglong(0xFF00000F)), qint32(0xFF00000F) },
        { "same as text", QStringLiteral("4278190095"), qint32(0xFF00000F) },
        { "smallest", QVariant(qlonglong(std::numeric_limits<qint32>::min())), std::numeric_limits<qint32>::min() },
        { "whole double", 3.0, 3 },
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        auto Table = WordTable({ "a" });
        Table->Edit();
        Table->FieldByName("BackColor").SetValue(Case.Given);
        EXPECT_EQ(Table->FieldByName("BackColor").Value(), Case.Stored);
    }

    const QVariant Refused[] = { QStringLiteral("abc"), QStringLiteral("12x"), QVariant(qlonglong(1) << 32),
        QVariant(qlonglong(std::numeric_limits<qint32>::min()) - 1), 2.5 };
    for (const QVariant& Value : Refused) {
        SCOPED_TRACE(Value.toString().toStdString());
        auto Table = WordTable({ "a" });
        Table->Edit();
        Table->FieldByName("BackColor").SetAsInteger(5);
        EXPECT_THROW(Table->FieldByName("BackColor").SetValue(Value), Error);
        EXPECT_EQ(Table->FieldByName("BackColor").Value(), 5); // unchanged
    }
}

TEST(DataTableValues, TextIsCutOnCodePointsAndKeepsOnlyWhatXmlCarries)
{
    const QString Smile = QString::fromUtf8("😀"); // two UTF-16 units
    struct TCase
    {
        const char* Name;
        int Width;
        QVariant Given;
        QVariant Stored;
    };
    const TCase Cases[] = {
        { "short text stays", 5, QStringLiteral("abc"), QStringLiteral("abc") },
        { "long text cut", 3, QStringLiteral("abcdef"), QStringLiteral("abc") },
        { "empty is not null", 3, QString(""), QString("") },
        { "null", 3, QVariant(), QVariant() },
        { "pair counts once", 2, "a" + Smile + "bc", "a" + Smile },
        { "pairs only", 2, Smile + Smile + Smile, Smile + Smile },
        { "Chinese", 2, QString::fromUtf8("中文字"), QString::fromUtf8("中文") },
        { "tab and line breaks kept", 10, QStringLiteral("a\tb\r\nc"), QStringLiteral("a\tb\r\nc") },
        { "control characters dropped", 3,
            QStringLiteral("a\x01\x0c"
                           "bcd"),
            QStringLiteral("abc") },
        { "unpaired surrogates dropped", 5, QString(QChar(0xD800)) + "a" + QChar(0xDC00) + "b", QStringLiteral("ab") },
        { "non-characters dropped", 5, QString(QChar(0xFFFE)) + "a" + QChar(0xFFFF), QStringLiteral("a") },
        { "number as text", 5, 42, QStringLiteral("42") },
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        TDataTable Table;
        Table.CreateDataSet({ { "Text", TFieldType::String, Case.Width } });
        Table.Append();
        Table.Field(0).SetValue(Case.Given);
        Table.Post();
        EXPECT_EQ(Table.Value(0, 0), Case.Stored);
    }
}

TEST(DataTableValues, BadFieldDefinitionsAreProgrammingErrors)
{
    TDataTable Table;
    EXPECT_THROW(Table.CreateDataSet({ { "Word", TFieldType::String, 0 } }), AssertionError);
    EXPECT_THROW(Table.CreateDataSet({ { "A", TFieldType::Integer }, { "a", TFieldType::Integer } }), AssertionError);
    EXPECT_THROW(Table.CreateDataSet({ { "My Word", TFieldType::String, 5 } }), AssertionError);
    EXPECT_FALSE(Table.Active());
}

// ---------------------------------------------------------------------------------------
// Ordering

TEST(DataTableOrder, SortsByFieldsStablyByCodePointAndRestoresTheTableOrder)
{
    TDataTable Table;
    Table.CreateDataSet(TWordData::WordFields());
    const QString Smile = QString::fromUtf8("😀"); // U+1F600 sorts after U+FFFD
    AddWord(Table, 1, "b", "x");
    AddWord(Table, 2, "a", "y");
    AddWord(Table, 3, "b");
    AddWord(Table, 4, "a", "y");
    AddWord(Table, 5, "B", "x");
    AddWord(Table, 6, QVariant(), "x");
    AddWord(Table, 7, QString::fromUtf8("é"), "x");
    AddWord(Table, 8, "z", "x");
    AddWord(Table, 9, Smile, "x");
    AddWord(Table, 10, QString(QChar(0xFFFD)), "x");
    Table.SetRecNo(2); // RowID 3

    Table.SetIndexFieldNames(" word ;; Category");
    EXPECT_EQ(Table.IndexFieldNames(), "Word;Category");
    EXPECT_EQ(RowIDs(Table), QStringList({ "6", "5", "2", "4", "3", "1", "8", "7", "10", "9" }));
    EXPECT_EQ(CurrentRowID(Table), 3);

    Table.SetIndexFieldNames("Category");
    EXPECT_EQ(RowIDs(Table), QStringList({ "3", "1", "5", "6", "7", "8", "9", "10", "2", "4" }));

    Table.SetIndexFieldNames("");
    EXPECT_EQ(RowIDs(Table), QStringList({ "1", "2", "3", "4", "5", "6", "7", "8", "9", "10" }));
    EXPECT_EQ(CurrentRowID(Table), 3);

    EXPECT_THROW(Table.SetIndexFieldNames("Word;Colour"), Error);
    EXPECT_EQ(Table.IndexFieldNames(), "");
}

TEST(DataTableOrder, IntegersSortAsNumbersWithNullsFirst)
{
    auto Table = WordTable({ "a", "b", "c", "d" });
    const QVariant Colours[] = { 10, -5, QVariant(), 2 };
    for (int Row = 0; Row < 4; ++Row) {
        Table->SetRecNo(Row);
        Table->Edit();
        Table->FieldByName("BackColor").SetValue(Colours[Row]);
        Table->Post();
    }
    Table->SetIndexFieldNames("BackColor");
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "c", "b", "d", "a" }));
}

TEST(DataTableOrder, PostedRecordsTakeTheirSortedPlace)
{
    auto Table = WordTable({ "d", "b", "f" });
    Table->SetIndexFieldNames("Word");
    ASSERT_TRUE(Table->Locate("Word", "b"));

    Table->Edit();
    Table->FieldByName("Word").SetAsString("z");
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "z", "d", "f" })); // stays until posted
    Table->Post();
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "d", "f", "z" }));
    EXPECT_EQ(Table->RecNo(), 2);
    EXPECT_EQ(CurrentRowID(*Table), 2);

    // A new record starts before the current one and is placed when posted; in the table's
    // own order it stays before the record that was current.
    ASSERT_TRUE(Table->Locate("Word", "f"));
    Table->Insert();
    EXPECT_EQ(Table->RecNo(), 1);
    Table->FieldByName("RowID").SetAsInteger(4);
    Table->FieldByName("Word").SetAsString("a");
    Table->Post();
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "a", "d", "f", "z" }));
    EXPECT_EQ(Table->RecNo(), 0);
    Table->SetIndexFieldNames("");
    EXPECT_EQ(RowIDs(*Table), QStringList({ "1", "2", "4", "3" }));
}

// Many insertions at one place exhaust the room between order numbers; the table's order
// must survive the renumbering.
TEST(DataTableOrder, ManyInsertionsAtOnePlaceKeepTheTableOrder)
{
    auto Table = WordTable({ "first", "last" });
    QStringList Expected { "first" };
    Table->SetRecNo(1);
    for (int I = 0; I < 100; ++I) {
        Table->Insert(); // before the one inserted just before
        Table->FieldByName("Word").SetAsString(QString::number(I));
        Table->Post();
        Expected.insert(1, QString::number(I));
    }
    Expected << "last";
    Table->SetRecNo(0);
    for (int I = 0; I < 40; ++I) {
        Table->Insert();
        Table->FieldByName("Word").SetAsString(QStringLiteral("f%1").arg(I));
        Table->Post();
        Expected.prepend(QStringLiteral("f%1").arg(I));
    }
    EXPECT_EQ(Column(*Table, "Word"), Expected);
    Table->SetIndexFieldNames("Word");
    Table->SetIndexFieldNames("");
    EXPECT_EQ(Column(*Table, "Word"), Expected);
}

// ---------------------------------------------------------------------------------------
// Locate

TEST(DataTableLocate, FindsTheFirstMatchInTheCurrentOrder)
{
    struct TCase
    {
        const char* Order;
        const char* Field;
        QVariant Value;
        Qt::CaseSensitivity Case;
        int Found; // RowID, 0: not found
    };
    const TCase Cases[] = {
        { "", "Word", "cat", Qt::CaseSensitive, 1 },
        { "", "Word", "Cat", Qt::CaseSensitive, 2 },
        { "", "Word", "CAT", Qt::CaseSensitive, 0 },
        { "", "Word", "CAT", Qt::CaseInsensitive, 1 },
        { "", "Word", "ca", Qt::CaseSensitive, 0 },
        { "", "Word", "cat ", Qt::CaseSensitive, 6 },
        { "", "Word", QVariant(), Qt::CaseSensitive, 5 },
        { "", "RowID", 4, Qt::CaseSensitive, 4 },
        { "", "RowID", "4", Qt::CaseSensitive, 4 },
        { "", "RowID", "four", Qt::CaseSensitive, 0 },
        { "", "rowid", 99, Qt::CaseSensitive, 0 },
        // Ordered by the searched field: bisection must still give the first in that order.
        { "Word", "Word", "cat", Qt::CaseSensitive, 1 },
        { "Word", "Word", "Cat", Qt::CaseInsensitive, 2 },
        { "Word", "Word", "ca", Qt::CaseSensitive, 0 },
        { "Word", "Word", "zzz", Qt::CaseSensitive, 0 },
        { "Word", "Word", QVariant(), Qt::CaseSensitive, 5 },
        { "Category;Word", "Category", "pet", Qt::CaseSensitive, 4 },
        { "RowID", "RowID", 3, Qt::CaseSensitive, 3 },
        { "RowID", "Word", "cat", Qt::CaseSensitive, 1 },
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(std::string(Case.Order) + " " + Case.Field + " " + Case.Value.toString().toStdString());
        TDataTable Table;
        Table.CreateDataSet(TWordData::WordFields());
        AddWord(Table, 1, "cat", "zoo");
        AddWord(Table, 2, "Cat", "zoo");
        AddWord(Table, 3, "dog", "pet");
        AddWord(Table, 4, "cat", "pet");
        AddWord(Table, 5, QVariant(), "zoo");
        AddWord(Table, 6, "cat ", "zoo");
        Table.SetIndexFieldNames(Case.Order);
        Table.SetRecNo(2);
        const int Before = CurrentRowID(Table);

        const bool Found = Table.Locate(Case.Field, Case.Value, Case.Case);
        EXPECT_EQ(Found, Case.Found != 0);
        EXPECT_EQ(CurrentRowID(Table), Case.Found != 0 ? Case.Found : Before);
    }
}

TEST(DataTableLocate, UnknownFieldIsAnError)
{
    auto Table = WordTable({ "a" });
    EXPECT_THROW(Table->Locate("Colour", 1), Error);
    EXPECT_FALSE(WordTable({})->Locate("Word", "a"));
}

// ---------------------------------------------------------------------------------------
// The data packet

TEST(DataTablePacket, RoundTripKeepsFieldsNullsAndAwkwardText)
{
    TDataTable Table;
    Table.CreateDataSet(TWordData::WordFields());
    const QString Awkward = QStringLiteral("a<b>&\"'\n\r\tz");
    const QString Chinese = QString::fromUtf8("中文类目😀");
    Table.Append();
    Table.FieldByName("RowID").SetAsInteger(2);
    Table.FieldByName("Word").SetAsString(Awkward);
    Table.FieldByName("BackColor").SetValue(quint32(0xFF00000F));
    Table.FieldByName("Category").SetAsString(Chinese);
    Table.FieldByName("Status").SetAsString("AbleToReadWord");
    Table.Post();
    Table.Append();
    Table.FieldByName("RowID").SetAsInteger(3);
    Table.FieldByName("Word").SetAsString("");
    Table.Post();
    Table.Append();
    Table.FieldByName("RowID").SetValue(std::numeric_limits<qint32>::min());
    Table.FieldByName("BackColor").SetValue(std::numeric_limits<qint32>::max());
    Table.Post();

    const QByteArray Packet = Table.SaveToXml();
    EXPECT_TRUE(Packet.startsWith(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)")) << Packet.data();
    EXPECT_TRUE(Packet.contains(R"(<DATAPACKET Version="2.0"><METADATA><FIELDS>)"));
    EXPECT_TRUE(Packet.contains(R"(<FIELD attrname="RowID" fieldtype="i4"/>)"));
    EXPECT_TRUE(Packet.contains(R"(<FIELD attrname="Status" fieldtype="string" WIDTH="20"/>)"));
    EXPECT_TRUE(Packet.contains(R"(<ROW RowID="3" Word=""/>)")); // nulls left out, empty text kept
    EXPECT_TRUE(Packet.contains(Chinese.toUtf8()));
    EXPECT_TRUE(Packet.contains("&lt;b&gt;&amp;&quot;'&#10;&#13;&#9;z"));

    TDataTable Loaded;
    Loaded.LoadFromXml(Packet);
    ASSERT_TRUE(Loaded.Active());
    EXPECT_EQ(Loaded.Fields(), TWordData::WordFields());
    ASSERT_EQ(Loaded.RecordCount(), 3);
    for (int Row = 0; Row < 3; ++Row) {
        for (int Field = 0; Field < 5; ++Field)
            EXPECT_EQ(Loaded.Value(Row, Field), Table.Value(Row, Field)) << Row << "," << Field;
    }
    EXPECT_EQ(Loaded.Value(0, 1).toString(), Awkward);
    EXPECT_EQ(Loaded.Value(0, 2).toInt(), qint32(0xFF00000F));
    EXPECT_TRUE(Loaded.Value(1, 1).isValid());
    EXPECT_FALSE(Loaded.Value(1, 3).isValid());
    EXPECT_EQ(Loaded.RecNo(), 0);
    EXPECT_EQ(Loaded.State(), TTableState::Browse);
}

TEST(DataTablePacket, IsWrittenInTheTableOrderWhileOrdered)
{
    auto Table = WordTable({ "b", "a", "c" });
    Table->SetIndexFieldNames("Word");
    TDataTable Loaded;
    Loaded.LoadFromXml(Table->SaveToXml());
    EXPECT_EQ(Column(Loaded, "Word"), QStringList({ "b", "a", "c" }));
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "a", "b", "c" }));
}

TEST(DataTablePacket, ReadsAPacketOfOtherFieldsWithUnknownPartsAndCharacterReferences)
{
    const QByteArray Packet = R"(<?xml version="1.0" standalone="yes"?>
<DATAPACKET Version="2.0">
  <METADATA>
    <FIELDS>
      <FIELD attrname="Name" fieldtype="string" WIDTH="4" required="true"/>
      <FIELD attrname="Age" fieldtype="i4"><PARAM Name="x" Value="y"/></FIELD>
    </FIELDS>
    <PARAMS CHANGE_LOG="1 0 4" LCID="2052"/>
  </METADATA>
  <ROWDATA>
    <ROW RowState="4" Age="7" Name="&#20013;&#25991;"/>
    <ROW Name="ab&#x1F600;cdef" Age=""/>
    <ROW/>
  </ROWDATA>
</DATAPACKET>
)";
    auto Table = WordTable({ "old" });
    Table->SetIndexFieldNames("Word");
    Table->LoadFromXml(Packet);
    ASSERT_EQ(Table->FieldCount(), 2);
    EXPECT_EQ(Table->Fields()[0], (TFieldDef { "Name", TFieldType::String, 4 }));
    EXPECT_EQ(Table->Fields()[1], (TFieldDef { "Age", TFieldType::Integer, 0 }));
    EXPECT_EQ(Table->IndexFieldNames(), "");
    EXPECT_EQ(Column(*Table, "Name"), QStringList({ QString::fromUtf8("中文"), QString::fromUtf8("ab😀c"), "<null>" }));
    EXPECT_EQ(Column(*Table, "Age"), QStringList({ "7", "<null>", "<null>" }));
    EXPECT_THROW(Table->FieldByName("Word"), Error);
}

TEST(DataTablePacket, BrokenPacketsRaiseAClearErrorAndCloseTheTable)
{
    const QByteArray Fields = R"(<METADATA><FIELDS><FIELD attrname="RowID" fieldtype="i4"/>)"
                              R"(<FIELD attrname="Word" fieldtype="string" WIDTH="50"/></FIELDS></METADATA>)";
    struct TCase
    {
        const char* Name;
        QByteArray Packet;
        const char* Says;
    };
    const TCase Cases[] = {
        { "empty", "", "the packet is empty" },
        { "not XML", "this is not a packet", "cannot be read" },
        { "wrong root", "<?xml version=\"1.0\"?><TABLE/>", "root element is <TABLE>" },
        { "bad integer",
            "<DATAPACKET>" + Fields + R"(<ROWDATA><ROW RowID="1"/><ROW RowID="x2"/></ROWDATA></DATAPACKET>)",
            R"(value "x2" of the field "RowID" in row 2)" },
        { "integer too large",
            "<DATAPACKET>" + Fields + R"(<ROWDATA><ROW RowID="99999999999"/></ROWDATA></DATAPACKET>)",
            "not an integer" },
        { "cut short", "<DATAPACKET>" + Fields + R"(<ROWDATA><ROW Word="a"/>)", "line 1" },
        { "junk after the root", "<DATAPACKET>" + Fields + "<ROWDATA/></DATAPACKET><MORE/>", "cannot be read" },
        { "no fields", "<DATAPACKET><METADATA/></DATAPACKET>", "no field definitions" },
        { "empty field list", "<DATAPACKET><METADATA><FIELDS/></METADATA></DATAPACKET>", "defines no fields" },
        { "rows before fields", "<DATAPACKET><ROWDATA/>" + Fields + "</DATAPACKET>", "rows come before" },
        { "unknown type",
            R"(<DATAPACKET><METADATA><FIELDS><FIELD attrname="When" fieldtype="dateTime"/></FIELDS></METADATA></DATAPACKET>)",
            R"(type "dateTime")" },
        { "text without width",
            R"(<DATAPACKET><METADATA><FIELDS><FIELD attrname="Word" fieldtype="string"/></FIELDS></METADATA></DATAPACKET>)",
            "no valid WIDTH" },
        { "field twice",
            R"(<DATAPACKET><METADATA><FIELDS><FIELD attrname="A" fieldtype="i4"/><FIELD attrname="a" fieldtype="i4"/>)"
            R"(</FIELDS></METADATA></DATAPACKET>)",
            "defined twice" },
        { "field without name",
            R"(<DATAPACKET><METADATA><FIELDS><FIELD fieldtype="i4"/></FIELDS></METADATA></DATAPACKET>)", "no name" },
        { "bad character reference", "<DATAPACKET>" + Fields + R"(<ROWDATA><ROW Word="&#1;"/></ROWDATA></DATAPACKET>)",
            "cannot be read" },
    };
    for (const TCase& Case : Cases) {
        SCOPED_TRACE(Case.Name);
        auto Table = WordTable({ "kept?" });
        try {
            Table->LoadFromXml(Case.Packet);
            ADD_FAILURE() << "no error";
        } catch (const AssertionError& E) {
            ADD_FAILURE() << "a bad packet is no programming error: " << E.what();
        } catch (const Error& E) {
            EXPECT_TRUE(E.Text().contains(QString::fromUtf8(Case.Says))) << E.what();
        }
        EXPECT_FALSE(Table->Active());
        EXPECT_EQ(Table->FieldCount(), 0);
        EXPECT_EQ(Table->RecordCount(), 0);

        // The owner reopens an empty table.
        Table->CreateDataSet(TWordData::WordFields());
        AddWord(*Table, 2, "again");
        EXPECT_EQ(Column(*Table, "Word"), QStringList({ "again" }));
    }
}

TEST(DataTablePacket, LoadingDropsAPendingChange)
{
    auto Source = WordTable({ "x", "y" });
    const QByteArray Packet = Source->SaveToXml();
    auto Table = WordTable({ "a" });
    int Posts = 0;
    Table->AfterPost = [&](TDataTable&) { ++Posts; };
    Table->Append();
    Table->FieldByName("Word").SetAsString("pending");
    Table->LoadFromXml(Packet);
    EXPECT_EQ(Posts, 0);
    EXPECT_EQ(Table->State(), TTableState::Browse);
    EXPECT_EQ(Column(*Table, "Word"), QStringList({ "x", "y" }));
    EXPECT_EQ(Table->RecNo(), 0);
}

TEST(DataTablePacket, EmptyTableRoundTrips)
{
    auto Table = WordTable({});
    TDataTable Loaded;
    Loaded.LoadFromXml(Table->SaveToXml());
    EXPECT_TRUE(Loaded.Active());
    EXPECT_TRUE(Loaded.IsEmpty());
    EXPECT_EQ(Loaded.Fields(), TWordData::WordFields());
}

} // namespace
