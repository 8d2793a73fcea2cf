#include "ModelTesterMessages.h"
#include "uTableModel.h"

#include "uDataTable.h"
#include "uWordData.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A word table with a model over it and, as the editor will have it, a sorting and filtering
// proxy above the model; all three are watched by model testers. The table numbers new
// entries in AfterInsert as the collection does.
class TableModelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TesterComplaints().clear();
        FOldHandler = qInstallMessageHandler(CollectTesterMessages);
        Table = std::make_unique<TDataTable>();
        Table->CreateDataSet(TWordData::WordFields());
        Table->AfterInsert = [this](TDataTable& T) {
            Log << "AfterInsert";
            T.FieldByName("RowID").SetAsInteger(++LastRowID);
        };
        Table->AfterPost = [this](TDataTable&) { Log << "AfterPost"; };
        Table->AfterDelete = [this](TDataTable& T) { Log << "AfterDelete " + T.DeletedValue("Word").toString(); };
        Model = std::make_unique<TTableModel>(Table.get());
        Proxy = std::make_unique<QSortFilterProxyModel>();
        Proxy->setSourceModel(Model.get());
        Proxy->setDynamicSortFilter(true);
        Proxy->setFilterKeyColumn(1);
        Proxy->sort(1);
        ModelTester = std::make_unique<QAbstractItemModelTester>(
            Model.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
        ProxyTester = std::make_unique<QAbstractItemModelTester>(
            Proxy.get(), QAbstractItemModelTester::FailureReportingMode::Warning);
    }

    void TearDown() override
    {
        ProxyTester.reset();
        ModelTester.reset();
        Proxy.reset();
        Model.reset();
        Table.reset();
        qInstallMessageHandler(FOldHandler);
        EXPECT_EQ(TesterComplaints(), QStringList());
    }

    void Add(const QString& Word)
    {
        Table->Append();
        Table->FieldByName("Word").SetAsString(Word);
        Table->Post();
    }

    // The model shows exactly the table, row for row and value for value.
    void ExpectModelMatchesTable()
    {
        ASSERT_EQ(Model->rowCount(), Table->RecordCount());
        ASSERT_EQ(Model->columnCount(), Table->Active() ? Table->FieldCount() : 0);
        for (int Row = 0; Row < Table->RecordCount(); ++Row) {
            for (int Column = 0; Column < Model->columnCount(); ++Column)
                EXPECT_EQ(Model->index(Row, Column).data(), Table->Value(Row, Column)) << Row << "," << Column;
        }
        EXPECT_EQ(Model->CurrentRow(), Table->RecNo());
    }

    QStringList ProxyWords() const
    {
        QStringList Words;
        for (int Row = 0; Row < Proxy->rowCount(); ++Row)
            Words << Proxy->index(Row, 1).data().toString();
        return Words;
    }

    QStringList ModelWords() const
    {
        QStringList Words;
        for (int Row = 0; Row < Model->rowCount(); ++Row)
            Words << Model->index(Row, 1).data().toString();
        return Words;
    }

    std::unique_ptr<TDataTable> Table;
    std::unique_ptr<TTableModel> Model;
    std::unique_ptr<QSortFilterProxyModel> Proxy;
    std::unique_ptr<QAbstractItemModelTester> ModelTester;
    std::unique_ptr<QAbstractItemModelTester> ProxyTester;
    QStringList Log;
    int LastRowID = 1;

private:
    QtMessageHandler FOldHandler = nullptr;
};

TEST_F(TableModelTest, FollowsInsertsEditsDeletesAndCancels)
{
    Add("dog");
    Add("cat");
    Add("emu");
    ExpectModelMatchesTable();
    EXPECT_EQ(ProxyWords(), QStringList({ "cat", "dog", "emu" }));
    EXPECT_EQ(Model->headerData(1, Qt::Horizontal).toString(), "Word");

    Table->SetRecNo(1);
    Table->Insert();
    ExpectModelMatchesTable(); // the pending record is a row already
    Table->FieldByName("Word").SetAsString("ant");
    EXPECT_EQ(Model->index(1, 1).data().toString(), "ant");
    Table->Post();
    EXPECT_EQ(ModelWords(), QStringList({ "dog", "ant", "cat", "emu" }));
    EXPECT_EQ(ProxyWords(), QStringList({ "ant", "cat", "dog", "emu" }));

    Table->Edit();
    Table->FieldByName("Word").SetAsString("zebra");
    Table->Cancel();
    ExpectModelMatchesTable();

    Table->Append();
    Table->Cancel();
    ExpectModelMatchesTable();

    Table->SetRecNo(0);
    Table->Delete();
    ExpectModelMatchesTable();
    EXPECT_EQ(ProxyWords(), QStringList({ "ant", "cat", "emu" }));

    Proxy->setFilterFixedString("a");
    EXPECT_EQ(ProxyWords(), QStringList({ "ant", "cat" }));
    Table->SetRecNo(2);
    Table->Edit();
    Table->FieldByName("Word").SetAsString("bat");
    Table->Post();
    EXPECT_EQ(ProxyWords(), QStringList({ "ant", "bat", "cat" }));
}

TEST_F(TableModelTest, OrderingIsALayoutChangeThatPersistentIndexesFollow)
{
    Add("d");
    Add("b");
    Add("c");
    Add("a");
    const QPersistentModelIndex B = Model->index(1, 1);
    QSignalSpy Layouts(Model.get(), &QAbstractItemModel::layoutChanged);
    QSignalSpy Resets(Model.get(), &QAbstractItemModel::modelReset);

    Table->SetIndexFieldNames("Word");
    EXPECT_EQ(ModelWords(), QStringList({ "a", "b", "c", "d" }));
    EXPECT_EQ(B.row(), 1);
    EXPECT_EQ(B.data().toString(), "b");
    ExpectModelMatchesTable();

    // A posted record moves to its place in the ordering: a row move.
    ASSERT_TRUE(Table->Locate("Word", "b"));
    Table->Edit();
    Table->FieldByName("Word").SetAsString("e");
    Table->Post();
    EXPECT_EQ(ModelWords(), QStringList({ "a", "c", "d", "e" }));
    EXPECT_EQ(B.row(), 3);
    ASSERT_TRUE(Table->Locate("Word", "d"));
    Table->Edit();
    Table->FieldByName("Word").SetAsString("0");
    Table->Post();
    EXPECT_EQ(ModelWords(), QStringList({ "0", "a", "c", "e" }));
    ExpectModelMatchesTable();

    Table->SetIndexFieldNames("");
    EXPECT_EQ(ModelWords(), QStringList({ "0", "e", "c", "a" }));
    EXPECT_EQ(B.row(), 1);
    EXPECT_EQ(Layouts.count(), 2);
    EXPECT_EQ(Resets.count(), 0);
    EXPECT_EQ(ProxyWords(), QStringList({ "0", "a", "c", "e" }));
}

TEST_F(TableModelTest, ResetsOnLoadEmptyCloseAndFailedLoad)
{
    Add("a");
    Add("b");
    const QByteArray Packet = Table->SaveToXml();
    QSignalSpy Resets(Model.get(), &QAbstractItemModel::modelReset);

    Table->EmptyDataSet();
    ExpectModelMatchesTable();
    Table->LoadFromXml(Packet);
    ExpectModelMatchesTable();
    EXPECT_EQ(ProxyWords(), QStringList({ "a", "b" }));

    Table->LoadFromXml(R"(<DATAPACKET><METADATA><FIELDS><FIELD attrname="Only" fieldtype="i4"/></FIELDS></METADATA>)"
                       R"(<ROWDATA><ROW Only="5"/></ROWDATA></DATAPACKET>)");
    ExpectModelMatchesTable();
    EXPECT_EQ(Model->columnCount(), 1);

    EXPECT_ANY_THROW(Table->LoadFromXml("broken"));
    ExpectModelMatchesTable();
    EXPECT_EQ(Model->columnCount(), 0);

    Table->CreateDataSet(TWordData::WordFields());
    Add("c");
    Table->Close();
    ExpectModelMatchesTable();
    EXPECT_EQ(Resets.count(), 6);
}

TEST_F(TableModelTest, BulkWorkWithControlsDisabledIsOneReset)
{
    Add("a");
    QSignalSpy Inserts(Model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy Resets(Model.get(), &QAbstractItemModel::modelReset);
    QSignalSpy Current(Model.get(), &TTableModel::CurrentRowChanged);
    {
        TControlsDisabled Disabled(*Table);
        Add("b");
        Add("c");
        Table->SetRecNo(0);
        Table->Delete();
        EXPECT_EQ(Model->rowCount(), 1); // the views were told nothing yet
        EXPECT_FALSE(Model->setData(Model->index(0, 1), "refused while disabled"));
    }
    EXPECT_EQ(Log,
        QStringList(
            { "AfterInsert", "AfterPost", "AfterInsert", "AfterPost", "AfterInsert", "AfterPost", "AfterDelete a" }));
    EXPECT_EQ(Inserts.count(), 0);
    EXPECT_EQ(Resets.count(), 1);
    ASSERT_GE(Current.count(), 1);
    EXPECT_EQ(Current.last().at(0).toInt(), 0);
    ExpectModelMatchesTable();

    // Controls disabled without a change: no reset.
    Table->DisableControls();
    Table->First();
    Table->EnableControls();
    EXPECT_EQ(Resets.count(), 1);
}

TEST_F(TableModelTest, SetDataGoesThroughEditAndPost)
{
    Add("a");
    Add("b");
    Log.clear();
    QSignalSpy Changes(Model.get(), &QAbstractItemModel::dataChanged);

    EXPECT_TRUE(Model->setData(Model->index(1, 3), "animal"));
    EXPECT_EQ(Table->Value(1, 3).toString(), "animal");
    EXPECT_EQ(Table->RecNo(), 1);
    EXPECT_EQ(Table->State(), TTableState::Browse);
    EXPECT_EQ(Log, QStringList({ "AfterPost" }));
    EXPECT_GE(Changes.count(), 1);

    // The same value again posts nothing, so the owner sees no change.
    EXPECT_TRUE(Model->setData(Model->index(1, 3), "animal"));
    EXPECT_EQ(Log, QStringList({ "AfterPost" }));

    EXPECT_TRUE(Model->setData(Model->index(0, 2), "16711680"));
    EXPECT_EQ(Table->Value(0, 2).toInt(), 16711680);
    EXPECT_FALSE(Model->setData(Model->index(0, 2), "red"));
    EXPECT_EQ(Table->Value(0, 2).toInt(), 16711680);
    EXPECT_EQ(Table->State(), TTableState::Browse);
    EXPECT_EQ(Log, QStringList({ "AfterPost", "AfterPost" }));

    // A pending new record is filled in and posted.
    Table->Append();
    Log.clear();
    EXPECT_TRUE(Model->setData(Model->index(2, 1), "c"));
    EXPECT_EQ(Table->State(), TTableState::Browse);
    EXPECT_EQ(Log, QStringList({ "AfterPost" }));
    ExpectModelMatchesTable();
}

TEST_F(TableModelTest, InsertAndRemoveRowsUseTheTableEvents)
{
    Add("a");
    Add("b");
    Log.clear();
    EXPECT_TRUE(Model->insertRows(1, 2));
    EXPECT_EQ(Log, QStringList({ "AfterInsert", "AfterPost", "AfterInsert", "AfterPost" }));
    EXPECT_EQ(ModelWords(), QStringList({ "a", "", "", "b" }));
    EXPECT_EQ(Table->Value(1, 0).toInt(), 4);
    EXPECT_EQ(Table->Value(2, 0).toInt(), 5);
    EXPECT_TRUE(Model->insertRows(4, 1));
    EXPECT_EQ(Table->RecordCount(), 5);
    ExpectModelMatchesTable();

    Log.clear();
    EXPECT_TRUE(Model->removeRows(1, 2));
    EXPECT_EQ(Log, QStringList({ "AfterDelete ", "AfterDelete " }));
    EXPECT_EQ(ModelWords(), QStringList({ "a", "b", "" }));
    EXPECT_FALSE(Model->removeRows(2, 5));
    ExpectModelMatchesTable();

    // Deleting the pending new record cancels it.
    Table->Append();
    Table->Cancel();
    Table->SetRecNo(0);
    Table->Insert();
    Log.clear();
    EXPECT_TRUE(Model->removeRows(0, 1));
    EXPECT_EQ(Log, QStringList());
    EXPECT_EQ(ModelWords(), QStringList({ "a", "b", "" }));

    // A pending change that shifts the rows makes a removal by row numbers unsafe.
    Table->AfterInsert = nullptr;
    Table->SetRecNo(0);
    Table->Insert(); // untouched: it goes when settled
    EXPECT_FALSE(Model->removeRows(2, 1));
    EXPECT_EQ(ModelWords(), QStringList({ "a", "b", "" }));
    ExpectModelMatchesTable();
}

TEST_F(TableModelTest, AnnouncesAndMovesTheCurrentRecord)
{
    Add("a");
    Add("b");
    Add("c");
    QSignalSpy Current(Model.get(), &TTableModel::CurrentRowChanged);

    Table->First();
    ASSERT_EQ(Current.count(), 1);
    EXPECT_EQ(Current.takeFirst().at(0).toInt(), 0);
    Table->First();
    EXPECT_EQ(Current.count(), 0); // no change, no signal

    EXPECT_TRUE(Model->SetCurrentRow(2));
    EXPECT_EQ(Table->RecNo(), 2);
    EXPECT_EQ(Current.takeFirst().at(0).toInt(), 2);
    EXPECT_FALSE(Model->SetCurrentRow(3));

    // Another record at the same row is a change too.
    Table->SetRecNo(1);
    Current.clear();
    Table->Delete();
    ASSERT_EQ(Current.count(), 1);
    EXPECT_EQ(Current.takeFirst().at(0).toInt(), 1);
    EXPECT_EQ(Table->FieldByName("Word").AsString(), "c");

    Table->SetIndexFieldNames("Word");
    Table->Locate("Word", "a");
    Current.clear();
    Table->SetIndexFieldNames("");
    EXPECT_EQ(Current.count(), 0); // "a" stays at row 0
}

TEST_F(TableModelTest, CaptionsSurviveReloading)
{
    Add("a");
    EXPECT_TRUE(Model->setHeaderData(1, Qt::Horizontal, QString::fromUtf8("字词")));
    EXPECT_FALSE(Model->setHeaderData(9, Qt::Horizontal, "none"));
    Table->LoadFromXml(Table->SaveToXml());
    EXPECT_EQ(Model->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("字词"));
    EXPECT_EQ(Model->headerData(3, Qt::Horizontal).toString(), "Category");
    EXPECT_EQ(Model->FieldColumn("word"), 1);
}

TEST_F(TableModelTest, ModelOutlivingItsTableBecomesEmpty)
{
    Add("a");
    Table.reset();
    EXPECT_EQ(Model->rowCount(), 0);
    EXPECT_EQ(Model->columnCount(), 0);
    EXPECT_EQ(Model->Table(), nullptr);
    EXPECT_FALSE(Model->SetCurrentRow(0));
    EXPECT_FALSE(Model->insertRows(0, 1));
}

} // namespace
