#include "uDataTable.h"

#include "Error.h"
#include "uTableModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

// A table of RowID and Word holding the words with RowIDs 1, 2, ...
std::unique_ptr<TDataTable> Table(const QStringList& Words)
{
    auto Result = std::make_unique<TDataTable>();
    Result->CreateDataSet({ { "RowID", TFieldType::Integer, 0 }, { "Word", TFieldType::String, 50 } });
    int RowID = 0;
    for (const QString& Word : Words) {
        Result->Append();
        Result->FieldByName("RowID").SetAsInteger(++RowID);
        Result->FieldByName("Word").SetAsString(Word);
        Result->Post();
    }
    return Result;
}

QStringList WordsOf(const TDataTable& T)
{
    QStringList Words;
    for (int Row = 0; Row < T.RecordCount(); ++Row)
        Words << T.Value(Row, 1).toString();
    return Words;
}

QString CurrentWord(TDataTable& T)
{
    return T.FieldByName("Word").AsString();
}

TEST(DataTableDeleteRecords, FiresTheEventsPerRecordInOrderAndRemovesThemInOneReset)
{
    auto T = Table({ "a", "b", "c", "d", "e" });
    TTableModel Model(T.get());
    QAbstractItemModelTester Tester(&Model, QAbstractItemModelTester::FailureReportingMode::Warning);
    QSignalSpy Resets(&Model, &QAbstractItemModel::modelReset);
    QSignalSpy Removals(&Model, &QAbstractItemModel::rowsRemoved);

    QStringList Events;
    T->BeforeDelete = [&](TDataTable& Self) { Events << "before " + CurrentWord(Self); };
    T->AfterDelete = [&](TDataTable& Self) {
        Events << "after " + Self.DeletedValue("Word").toString();
        EXPECT_EQ(Self.RecordCount(), 5); // the rows leave together at the end
    };
    QList<int> Asked;
    const int Deleted = T->DeleteRecords({ 3, 0, 2 }, [&](int Done) {
        Asked << Done;
        return true;
    });
    EXPECT_EQ(Deleted, 3);
    EXPECT_EQ(Events, (QStringList { "before d", "after d", "before a", "after a", "before c", "after c" }));
    EXPECT_EQ(Asked, (QList<int> { 0, 1, 2 }));
    EXPECT_EQ(WordsOf(*T), (QStringList { "b", "e" }));
    EXPECT_EQ(Model.rowCount(), 2);
    EXPECT_EQ(Resets.count(), 1);
    EXPECT_EQ(Removals.count(), 0);
    EXPECT_EQ(T->State(), TTableState::Browse);
}

TEST(DataTableDeleteRecords, TheCurrentRecordStaysOrTheNextRemainingOneTakesItsPlace)
{
    struct Case
    {
        int Current;
        std::vector<int> Rows;
        QString After; // "" for no current record
    };
    const Case Cases[] = {
        { 1, { 0, 2 }, "b" }, // survives
        { 1, { 1, 2 }, "d" }, // deleted: the next that remains
        { 3, { 2, 3 }, "b" }, // deleted, none after: the last record
        { 0, { 0, 1, 2, 3 }, "" },
        { 2, {}, "c" },
    };
    for (const Case& C : Cases) {
        auto T = Table({ "a", "b", "c", "d" });
        T->SetRecNo(C.Current);
        T->DeleteRecords(C.Rows);
        EXPECT_EQ(CurrentWord(*T), C.After) << C.Current;
        EXPECT_EQ(T->RecNo(), C.After.isEmpty() ? -1 : static_cast<int>(WordsOf(*T).indexOf(C.After)));
        EXPECT_EQ(T->Eof(), T->IsEmpty());
    }
}

TEST(DataTableDeleteRecords, StoppingOrAnErrorKeepsTheRestAndRemovesWhatWasDeleted)
{
    auto T = Table({ "a", "b", "c", "d" });
    EXPECT_EQ(T->DeleteRecords({ 0, 1, 2 }, [](int Done) { return Done < 1; }), 1);
    EXPECT_EQ(WordsOf(*T), (QStringList { "b", "c", "d" }));

    // An error before the second record: the first is gone, the second and third stay.
    T->BeforeDelete = [](TDataTable& Self) {
        if (Self.FieldByName("Word").AsString() == "c")
            throw Error("refused");
    };
    EXPECT_THROW(T->DeleteRecords({ 0, 1, 2 }), Error);
    EXPECT_EQ(WordsOf(*T), (QStringList { "c", "d" }));

    // An error after a record was deleted: it stays deleted.
    T->BeforeDelete = nullptr;
    T->AfterDelete = [](TDataTable&) { throw std::runtime_error("after"); };
    EXPECT_THROW(T->DeleteRecords({ 1, 0 }), std::runtime_error);
    EXPECT_EQ(WordsOf(*T), QStringList { "c" });
    EXPECT_EQ(CurrentWord(*T), "c");
}

TEST(DataTableDeleteRecords, WorksOnTheRowsOfTheCurrentOrdering)
{
    auto T = Table({ "d", "b", "a", "c" });
    T->SetIndexFieldNames("Word");
    T->DeleteRecords({ 1, 3 }); // b and d
    EXPECT_EQ(WordsOf(*T), (QStringList { "a", "c" }));
    T->SetIndexFieldNames("");
    EXPECT_EQ(WordsOf(*T), (QStringList { "a", "c" }));
    EXPECT_EQ(T->SaveToXml().count("<ROW "), 2);
}

TEST(DataTableDeleteRecords, BadRowsAndPendingChangesAreProgrammingErrors)
{
    auto T = Table({ "a", "b" });
    EXPECT_THROW(T->DeleteRecords({ 2 }), AssertionError);
    EXPECT_THROW(T->DeleteRecords({ -1 }), AssertionError);
    EXPECT_THROW(T->DeleteRecords({ 0, 0 }), AssertionError);
    T->Edit();
    EXPECT_THROW(T->DeleteRecords({ 0 }), AssertionError);
    T->Cancel();
    EXPECT_EQ(WordsOf(*T), (QStringList { "a", "b" }));
}

// Orderings of more than two fields compare the further fields from the records themselves.
TEST(DataTableOrder, ThreeFieldsAreComparedInTurn)
{
    TDataTable T;
    T.CreateDataSet({ { "A", TFieldType::String, 5 }, { "B", TFieldType::Integer, 0 }, { "C", TFieldType::String, 5 },
        { "N", TFieldType::Integer, 0 } });
    const QVariant Rows[][3] = {
        { "x", 1, "b" },
        { "x", 1, "a" },
        { "x", 1, QVariant() },
        { "w", 2, "z" },
        { "x", 0, "z" },
        { "x", 1, "a" },
    };
    int N = 0;
    for (const auto& Row : Rows) {
        T.Append();
        for (int F = 0; F < 3; ++F)
            T.Field(F).SetValue(Row[F]);
        T.Field(3).SetValue(++N);
        T.Post();
    }
    T.SetIndexFieldNames("A;B;C");
    QStringList Order;
    for (int Row = 0; Row < T.RecordCount(); ++Row)
        Order << T.Value(Row, 3).toString();
    EXPECT_EQ(Order, (QStringList { "4", "5", "3", "2", "6", "1" }));
}

} // namespace
