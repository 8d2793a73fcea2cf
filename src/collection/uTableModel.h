#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QPersistentModelIndex>

class TDataTable;

// The item model that the editor grid and the word view sit on: one row per record of a
// TDataTable in the table's current ordering, one column per field, headed by the field name
// (or a caption set with setHeaderData). It does not own the table; when the table goes the
// model becomes empty.
//
// Every change of the table reaches views as the matching model signal: new, removed and
// moved rows, changed values, a new ordering as a layout change (persistent indexes follow
// their records), and a reset for new fields, loading, emptying and bulk work done with the
// table's controls disabled. The table's current record is the model's current row:
// CurrentRowChanged announces it, SetCurrentRow moves the table's cursor.
//
// Writes go through the table's editing cycle, so its events fire: setData edits the record
// (or fills the pending new one) and posts it; a value equal to the stored one posts nothing.
// insertRows starts and posts one new record per row (so each is numbered by its owner);
// removeRows deletes the records. Each first settles a pending change of the table; when that
// shifts the rows the caller counted on, insertRows and removeRows do nothing and give false.
// A value the field refuses (text in an integer field) gives false and changes nothing.
// While the table is announcing a change, the model refuses every write.
class TTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit TTableModel(TDataTable* Table, QObject* Parent = nullptr);

    TDataTable* Table() const { return FTable; }

    int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& Parent = QModelIndex()) const override;
    // Display and edit roles give the value; null is an invalid QVariant.
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    // A caption for a horizontal section, kept by field name so it survives reloading.
    bool setHeaderData(
        int Section, Qt::Orientation Orientation, const QVariant& Value, int Role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;
    bool setData(const QModelIndex& Index, const QVariant& Value, int Role = Qt::EditRole) override;
    bool insertRows(int Row, int Count, const QModelIndex& Parent = QModelIndex()) override;
    bool removeRows(int Row, int Count, const QModelIndex& Parent = QModelIndex()) override;

    // The column of the field named FieldName (letter case ignored), or -1.
    int FieldColumn(const QString& FieldName) const;
    // The table's current record as a row, -1 when there is none.
    int CurrentRow() const;
    // Makes the record at Row current (a pending change elsewhere is settled); false when
    // Row is out of range or the table cannot move now.
    bool SetCurrentRow(int Row);

signals:
    void CurrentRowChanged(int Row);

private:
    bool CanWrite() const;
    // Settles the table's pending change; false when that changed the row count or moved rows.
    bool SettleKeepingRows();

    void TableAboutToBeReset();
    void TableWasReset();
    void TableRowsAboutToBeInserted(int First, int Last);
    void TableRowsInserted(int First, int Last);
    void TableRowsAboutToBeRemoved(int First, int Last);
    void TableRowsRemoved(int First, int Last);
    void TableRowAboutToBeMoved(int From, int To);
    void TableRowMoved(int From, int To);
    void TableRowChanged(int Row);
    void TableAboutToBeReordered();
    void TableReordered(const QList<int>& NewRows);
    void TableDestroyed();

    TDataTable* FTable;
    // The counts views were last told about; they change only between the begin and end
    // calls of an announcement, so views never see rows the model has not announced.
    int FRowCount = 0;
    int FColumnCount = 0;
    QHash<QString, QString> FCaptions; // field name -> caption
    QModelIndexList FLayoutIndexes;
};
