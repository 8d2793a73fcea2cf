#include "uTableModel.h"

#include "uDataTable.h"

#include <exception>

TTableModel::TTableModel(TDataTable* Table, QObject* Parent)
    : QAbstractTableModel(Parent)
    , FTable(Table)
{
    if (!FTable)
        return;
    FRowCount = FTable->RecordCount();
    FColumnCount = FTable->Active() ? FTable->FieldCount() : 0;
    connect(FTable, &TDataTable::AboutToBeReset, this, &TTableModel::TableAboutToBeReset);
    connect(FTable, &TDataTable::WasReset, this, &TTableModel::TableWasReset);
    connect(FTable, &TDataTable::RowsAboutToBeInserted, this, &TTableModel::TableRowsAboutToBeInserted);
    connect(FTable, &TDataTable::RowsInserted, this, &TTableModel::TableRowsInserted);
    connect(FTable, &TDataTable::RowsAboutToBeRemoved, this, &TTableModel::TableRowsAboutToBeRemoved);
    connect(FTable, &TDataTable::RowsRemoved, this, &TTableModel::TableRowsRemoved);
    connect(FTable, &TDataTable::RowAboutToBeMoved, this, &TTableModel::TableRowAboutToBeMoved);
    connect(FTable, &TDataTable::RowMoved, this, &TTableModel::TableRowMoved);
    connect(FTable, &TDataTable::RowChanged, this, &TTableModel::TableRowChanged);
    connect(FTable, &TDataTable::AboutToBeReordered, this, &TTableModel::TableAboutToBeReordered);
    connect(FTable, &TDataTable::Reordered, this, &TTableModel::TableReordered);
    connect(FTable, &TDataTable::CurrentChanged, this, &TTableModel::CurrentRowChanged);
    connect(FTable, &QObject::destroyed, this, &TTableModel::TableDestroyed);
}

int TTableModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : FRowCount;
}

int TTableModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : FColumnCount;
}

QVariant TTableModel::data(const QModelIndex& Index, int Role) const
{
    if (!checkIndex(Index, CheckIndexOption::IndexIsValid) || (Role != Qt::DisplayRole && Role != Qt::EditRole))
        return QVariant();
    // Views may ask while the table's controls are disabled: the table may then hold fewer
    // rows than announced.
    if (!FTable || !FTable->Active() || Index.row() >= FTable->RecordCount() || Index.column() >= FTable->FieldCount())
        return QVariant();
    return FTable->Value(Index.row(), Index.column());
}

QVariant TTableModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation == Qt::Horizontal && (Role == Qt::DisplayRole || Role == Qt::EditRole)) {
        if (!FTable || Section < 0 || Section >= FColumnCount || Section >= FTable->FieldCount())
            return QVariant();
        const QString& Name = FTable->Fields()[static_cast<std::size_t>(Section)].Name;
        return FCaptions.value(Name, Name);
    }
    return QAbstractTableModel::headerData(Section, Orientation, Role);
}

bool TTableModel::setHeaderData(int Section, Qt::Orientation Orientation, const QVariant& Value, int Role)
{
    if (Orientation != Qt::Horizontal || (Role != Qt::DisplayRole && Role != Qt::EditRole) || !FTable || Section < 0
        || Section >= FColumnCount || Section >= FTable->FieldCount())
        return false;
    FCaptions.insert(FTable->Fields()[static_cast<std::size_t>(Section)].Name, Value.toString());
    emit headerDataChanged(Orientation, Section, Section);
    return true;
}

Qt::ItemFlags TTableModel::flags(const QModelIndex& Index) const
{
    Qt::ItemFlags Flags = QAbstractTableModel::flags(Index);
    if (Index.isValid())
        Flags |= Qt::ItemIsEditable;
    return Flags;
}

bool TTableModel::CanWrite() const
{
    return FTable && FTable->Active() && !FTable->Notifying() && !FTable->ControlsDisabled();
}

bool TTableModel::setData(const QModelIndex& Index, const QVariant& Value, int Role)
{
    if (Role != Qt::EditRole || !CanWrite() || !checkIndex(Index, CheckIndexOption::IndexIsValid)
        || Index.row() >= FTable->RecordCount())
        return false;
    TDataTable& Table = *FTable;
    const int Field = Index.column();
    const bool Pending = Table.State() != TTableState::Browse && Table.RecNo() == Index.row();
    try {
        if (!Pending) {
            Table.SetRecNo(Index.row());
            Table.Edit();
        }
        const QVariant Old = Table.FieldValue(Field);
        Table.SetFieldValue(Field, Value);
        if (!Pending && Table.FieldValue(Field) == Old) {
            Table.Cancel(); // nothing changed: no post, the owner sees no modification
            return true;
        }
        Table.Post();
        return true;
    } catch (const std::exception&) {
        if (!Pending && Table.State() == TTableState::Edit)
            Table.Cancel();
        return false;
    }
}

bool TTableModel::SettleKeepingRows()
{
    TDataTable& Table = *FTable;
    if (Table.State() == TTableState::Browse)
        return true;
    const int Count = Table.RecordCount();
    const int Row = Table.RecNo();
    Table.CheckBrowseMode();
    return Table.RecordCount() == Count && Table.RecNo() == Row;
}

bool TTableModel::insertRows(int Row, int Count, const QModelIndex& Parent)
{
    if (Parent.isValid() || Count < 1 || !CanWrite() || Row < 0 || Row > FTable->RecordCount())
        return false;
    TDataTable& Table = *FTable;
    try {
        if (!SettleKeepingRows())
            return false;
        for (int I = 0; I < Count; ++I) {
            if (Row + I >= Table.RecordCount()) {
                Table.Append();
            } else {
                Table.SetRecNo(Row + I);
                Table.Insert();
            }
            Table.Post();
        }
        return true;
    } catch (const std::exception&) {
        Table.Cancel();
        return false;
    }
}

bool TTableModel::removeRows(int Row, int Count, const QModelIndex& Parent)
{
    if (Parent.isValid() || Count < 1 || !CanWrite() || Row < 0 || Row + Count > FTable->RecordCount())
        return false;
    TDataTable& Table = *FTable;
    try {
        // Removing the pending record itself: Delete cancels a new one, drops an edit.
        if (!(Count == 1 && Table.State() != TTableState::Browse && Table.RecNo() == Row) && !SettleKeepingRows())
            return false;
        for (int I = 0; I < Count; ++I) {
            if (Table.RecNo() != Row)
                Table.SetRecNo(Row);
            Table.Delete();
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

int TTableModel::FieldColumn(const QString& FieldName) const
{
    const int Column = FTable ? FTable->FieldIndex(FieldName) : -1;
    return Column < FColumnCount ? Column : -1;
}

int TTableModel::CurrentRow() const
{
    return FTable ? FTable->RecNo() : -1;
}

bool TTableModel::SetCurrentRow(int Row)
{
    if (!CanWrite() || Row < 0 || Row >= FTable->RecordCount())
        return false;
    try {
        FTable->SetRecNo(Row);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TTableModel::TableAboutToBeReset()
{
    beginResetModel();
}

void TTableModel::TableWasReset()
{
    FRowCount = FTable->RecordCount();
    FColumnCount = FTable->Active() ? FTable->FieldCount() : 0;
    endResetModel();
}

void TTableModel::TableRowsAboutToBeInserted(int First, int Last)
{
    beginInsertRows(QModelIndex(), First, Last);
}

void TTableModel::TableRowsInserted(int First, int Last)
{
    FRowCount += Last - First + 1;
    endInsertRows();
}

void TTableModel::TableRowsAboutToBeRemoved(int First, int Last)
{
    beginRemoveRows(QModelIndex(), First, Last);
}

void TTableModel::TableRowsRemoved(int First, int Last)
{
    FRowCount -= Last - First + 1;
    endRemoveRows();
}

void TTableModel::TableRowAboutToBeMoved(int From, int To)
{
    // Qt counts the destination before the move: one past To when moving down.
    beginMoveRows(QModelIndex(), From, From, QModelIndex(), To > From ? To + 1 : To);
}

void TTableModel::TableRowMoved(int, int)
{
    endMoveRows();
}

void TTableModel::TableRowChanged(int Row)
{
    if (FColumnCount > 0)
        emit dataChanged(index(Row, 0), index(Row, FColumnCount - 1), { Qt::DisplayRole, Qt::EditRole });
}

void TTableModel::TableAboutToBeReordered()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    FLayoutIndexes = persistentIndexList();
}

void TTableModel::TableReordered(const QList<int>& NewRows)
{
    QModelIndexList Moved;
    Moved.reserve(FLayoutIndexes.size());
    for (const QModelIndex& Old : std::as_const(FLayoutIndexes))
        Moved.append(index(NewRows.value(Old.row(), Old.row()), Old.column()));
    changePersistentIndexList(FLayoutIndexes, Moved);
    FLayoutIndexes.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TTableModel::TableDestroyed()
{
    FTable = nullptr;
    if (FRowCount == 0 && FColumnCount == 0)
        return;
    beginResetModel();
    FRowCount = 0;
    FColumnCount = 0;
    endResetModel();
}
