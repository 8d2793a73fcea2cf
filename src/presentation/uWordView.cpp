#include "uWordView.h"

#include "uDataTable.h"
#include "uTableModel.h"
#include "uWordData.h"

#include <QMetaObject>

#include <algorithm>

namespace {

const QString WordField = QStringLiteral("Word");
const QString RowIDField = QStringLiteral("RowID");

int NormalFilterIndex(int Index)
{
    return Index == 1 || Index == 2 ? Index : 0;
}

bool IsWildcard(QChar Character)
{
    return Character == QLatin1Char('%') || Character == QLatin1Char('_');
}

} // namespace

TWordView::TWordView(QObject* Parent)
    : QSortFilterProxyModel(Parent)
{
    setDynamicSortFilter(true);
    // The proxy's own announcements: whatever moved rows around may have moved the focus.
    connect(this, &QAbstractItemModel::rowsInserted, this, &TWordView::NoteFocus);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &TWordView::NoteFocus);
    connect(this, &QAbstractItemModel::rowsMoved, this, &TWordView::NoteFocus);
    connect(this, &QAbstractItemModel::layoutChanged, this, &TWordView::NoteFocus);
    connect(this, &QAbstractItemModel::modelReset, this, &TWordView::NoteFocus);
}

TWordView::~TWordView()
{
    // The model goes with the view; nobody is told of the rows leaving a view that is going.
    blockSignals(true);
    setSourceModel(nullptr);
}

// --- Source ----------------------------------------------------------------------------------

void TWordView::SetWordData(TWordData* WordData)
{
    FAttached = false;
    setSourceModel(nullptr);
    delete FModel;
    FModel = nullptr;
    DropSortValues();
    FWordData = WordData;
    FWordColumn = FRowIDColumn = -1;
    if (WordData) {
        FModel = new TTableModel(&WordData->DataSet(), this);
        // Connected before the proxy connects itself, so the columns are known again before
        // the proxy filters a reloaded table.
        connect(FModel, &QAbstractItemModel::modelReset, this, &TWordView::FindColumns);
        connect(FModel, &QAbstractItemModel::modelReset, this, &TWordView::DropSortValues);
        connect(FModel, &QAbstractItemModel::layoutChanged, this, &TWordView::DropSortValues);
        connect(FModel, &QAbstractItemModel::rowsMoved, this, &TWordView::DropSortValues);
        connect(FModel, &QAbstractItemModel::dataChanged, this, &TWordView::SortValuesChanged);
        connect(FModel, &QAbstractItemModel::rowsInserted, this, &TWordView::SortValuesInserted);
        connect(FModel, &QAbstractItemModel::rowsRemoved, this, &TWordView::SortValuesRemoved);
        connect(FModel, &TTableModel::CurrentRowChanged, this, &TWordView::NoteFocus);
        AttachSource();
    } else {
        NoteFocus();
    }
}

void TWordView::DetachSource()
{
    if (!FAttached)
        return;
    FAttached = false;
    setSourceModel(nullptr);
    NoteFocus();
}

void TWordView::AttachSource()
{
    if (FAttached || !FModel)
        return;
    FindColumns();
    FAttached = true;
    setSourceModel(FModel);
    KeepFocusShown();
    NoteFocus();
}

bool TWordView::IsAttached() const
{
    return FAttached;
}

void TWordView::FindColumns()
{
    FWordColumn = FModel ? FModel->FieldColumn(WordField) : -1;
    FRowIDColumn = FModel ? FModel->FieldColumn(RowIDField) : -1;
}

// --- Filters ---------------------------------------------------------------------------------

void TWordView::SetWordFilter(const QString& Text)
{
    SetWordCriterion(QLatin1Char('%') + Text + QLatin1Char('%'), Text);
}

void TWordView::SetWordCriterion(const QString& Value, const QString& DisplayText)
{
    FHasWordCriterion = true;
    FWordValue = Value;
    FWordText = DisplayText;
    FWordPattern = CompileLike(Value);
    RefreshFilter();
}

void TWordView::ClearWordCriterion()
{
    FHasWordCriterion = false;
    FWordValue.clear();
    FWordText.clear();
    FWordPattern = {};
    RefreshFilter();
}

void TWordView::SetPhotoFilter(int Index)
{
    FPhotoFilter = NormalFilterIndex(Index);
    RefreshFilter();
}

void TWordView::SetAudioFilter(int Index)
{
    FAudioFilter = NormalFilterIndex(Index);
    RefreshFilter();
}

void TWordView::RefreshFilter()
{
    invalidate();
    KeepFocusShown();
    NoteFocus();
}

QVariant TWordView::SourceValue(int SourceRow, int Column) const
{
    // Straight from the table: the filter and the sort ask for every row, and the way through
    // the model's indexes costs as much again. While the table's controls are disabled it may
    // hold other rows than the model announced; those read as empty, as the model gives them.
    const TDataTable* Table = FModel ? FModel->Table() : nullptr;
    if (!Table || Column < 0 || SourceRow < 0 || SourceRow >= Table->RecordCount() || Column >= Table->FieldCount())
        return QVariant();
    return Table->Value(SourceRow, Column);
}

bool TWordView::filterAcceptsRow(int SourceRow, const QModelIndex& SourceParent) const
{
    if (!FModel || SourceParent.isValid())
        return true;
    // An entry without a word is an empty word here, so "%%" keeps it.
    if (FHasWordCriterion && !MatchesCompiled(SourceValue(SourceRow, FWordColumn).toString(), FWordPattern))
        return false;
    if ((FPhotoFilter != 0 || FAudioFilter != 0) && FWordData) {
        const qint32 RowID = SourceValue(SourceRow, FRowIDColumn).toInt();
        if (FPhotoFilter != 0 && (FPhotoFilter == 1) != FWordData->HasPhotoOf(RowID))
            return false;
        if (FAudioFilter != 0 && (FAudioFilter == 1) != FWordData->HasAudioOf(RowID))
            return false;
    }
    return true;
}

TWordView::TSortKey TWordView::MakeSortKey(const QVariant& Value)
{
    TSortKey Key;
    if (Value.isNull())
        return Key;
    Key.IsNull = false;
    if (Value.typeId() == QMetaType::Int) {
        Key.IsNumber = true;
        Key.Number = Value.toInt();
    }
    Key.Text = Value.toString();
    Key.Folded = Key.Text.toCaseFolded();
    return Key;
}

const TWordView::TSortKey& TWordView::SortValue(int SourceRow, int Column) const
{
    static const TSortKey Null;
    const TDataTable* Table = FModel ? FModel->Table() : nullptr;
    const int Count = Table ? Table->RecordCount() : 0;
    if (Column != FSortValuesColumn || FSortValues.size() != Count) {
        FSortValues.resize(Count);
        for (int Row = 0; Row < Count; ++Row)
            FSortValues[Row] = MakeSortKey(SourceValue(Row, Column));
        FSortValuesColumn = Column;
    }
    return SourceRow >= 0 && SourceRow < Count ? FSortValues.at(SourceRow) : Null;
}

// The slots below are connected before the proxy's own, so the copy is right by the time the
// proxy sorts the changed rows in.
void TWordView::DropSortValues()
{
    FSortValues.clear();
    FSortValues.squeeze();
    FSortValuesColumn = -1;
}

void TWordView::SortValuesChanged(const QModelIndex& TopLeft, const QModelIndex& BottomRight)
{
    if (FSortValuesColumn < 0 || FSortValuesColumn < TopLeft.column() || FSortValuesColumn > BottomRight.column())
        return;
    for (int Row = TopLeft.row(); Row <= BottomRight.row(); ++Row) {
        if (Row >= FSortValues.size()) {
            DropSortValues();
            return;
        }
        FSortValues[Row] = MakeSortKey(SourceValue(Row, FSortValuesColumn));
    }
}

void TWordView::SortValuesInserted(const QModelIndex& Parent, int First, int Last)
{
    if (FSortValuesColumn < 0 || Parent.isValid())
        return;
    if (First > FSortValues.size()) {
        DropSortValues();
        return;
    }
    for (int Row = First; Row <= Last; ++Row)
        FSortValues.insert(Row, MakeSortKey(SourceValue(Row, FSortValuesColumn)));
}

void TWordView::SortValuesRemoved(const QModelIndex& Parent, int First, int Last)
{
    if (FSortValuesColumn < 0 || Parent.isValid())
        return;
    if (Last >= FSortValues.size()) {
        DropSortValues();
        return;
    }
    FSortValues.remove(First, Last - First + 1);
}

bool TWordView::lessThan(const QModelIndex& Left, const QModelIndex& Right) const
{
    const TSortKey& A = SortValue(Left.row(), Left.column());
    const TSortKey& B = SortValue(Right.row(), Right.column());
    if (A.IsNull || B.IsNull)
        return A.IsNull && !B.IsNull;
    if (A.IsNumber && B.IsNumber)
        return A.Number < B.Number;
    // Letter case ignored first (the case-folded texts), then counting, so the order is total.
    const int Folded = A.Folded.compare(B.Folded, Qt::CaseSensitive);
    if (Folded != 0)
        return Folded < 0;
    return A.Text.compare(B.Text, Qt::CaseSensitive) < 0;
}

// --- Like patterns ---------------------------------------------------------------------------

TWordView::TLikePattern TWordView::CompileLike(const QString& Pattern)
{
    TLikePattern Result;
    // The word filter box always gives "%text%": a plain search for text, letter case ignored.
    const bool Enclosed
        = Pattern.size() >= 2 && Pattern.front() == QLatin1Char('%') && Pattern.back() == QLatin1Char('%');
    const QString Inner = Enclosed ? Pattern.mid(1, Pattern.size() - 2) : Pattern;
    if (std::none_of(Inner.begin(), Inner.end(), IsWildcard)) {
        Result.Type = Enclosed ? TLikePattern::Kind::Contains : TLikePattern::Kind::Equals;
        Result.Literal = Inner;
        return Result;
    }
    Result.Type = TLikePattern::Kind::General;
    Result.Folded = Pattern.toCaseFolded().toUcs4();
    return Result;
}

bool TWordView::MatchesCompiled(const QString& Text, const TLikePattern& Pattern)
{
    switch (Pattern.Type) {
    case TLikePattern::Kind::Contains:
        return Text.contains(Pattern.Literal, Qt::CaseInsensitive);
    case TLikePattern::Kind::Equals:
        return Text.compare(Pattern.Literal, Qt::CaseInsensitive) == 0;
    case TLikePattern::Kind::General:
        break;
    }
    // Wildcards over code points, so "_" takes a character outside the basic plane whole. A
    // "%" remembers where it stood; on a mismatch the match goes back there and lets that "%"
    // take one more character.
    const QList<uint> Chars = Text.toCaseFolded().toUcs4();
    const QList<uint>& Wild = Pattern.Folded;
    const qsizetype TextSize = Chars.size();
    const qsizetype WildSize = Wild.size();
    qsizetype T = 0;
    qsizetype P = 0;
    qsizetype Star = -1;
    qsizetype StarText = 0;
    while (T < TextSize) {
        if (P < WildSize && Wild[P] == '%') {
            Star = P++;
            StarText = T;
        } else if (P < WildSize && (Wild[P] == '_' || Wild[P] == Chars[T])) {
            ++P;
            ++T;
        } else if (Star >= 0) {
            P = Star + 1;
            T = ++StarText;
        } else {
            return false;
        }
    }
    while (P < WildSize && Wild[P] == '%')
        ++P;
    return P == WildSize;
}

bool TWordView::MatchesLike(const QString& Text, const QString& Pattern)
{
    return MatchesCompiled(Text, CompileLike(Pattern));
}

// --- Focus -----------------------------------------------------------------------------------

int TWordView::SourceRowOf(int Row) const
{
    if (Row < 0 || Row >= rowCount())
        return -1;
    return mapToSource(index(Row, 0)).row();
}

int TWordView::MappedFocus() const
{
    if (!FAttached || !FModel || sourceModel() != FModel)
        return -1;
    const int SourceRow = FModel->CurrentRow();
    if (SourceRow < 0 || SourceRow >= FModel->rowCount())
        return -1;
    const QModelIndex Shown = mapFromSource(FModel->index(SourceRow, 0));
    return Shown.isValid() ? Shown.row() : -1;
}

void TWordView::NoteFocus()
{
    const int Row = MappedFocus();
    if (Row != FLastFocused) {
        FLastFocused = Row;
        emit FocusedRowChanged(Row);
    }
    if (Row < 0 && rowCount() > 0)
        QueueFocusCheck();
}

void TWordView::QueueFocusCheck()
{
    if (FFocusCheckQueued)
        return;
    FFocusCheckQueued = true;
    // The table may be in the middle of announcing a change, when nobody may move its cursor.
    QMetaObject::invokeMethod(
        this,
        [this] {
            FFocusCheckQueued = false;
            KeepFocusShown();
        },
        Qt::QueuedConnection);
}

bool TWordView::KeepFocusShown()
{
    if (rowCount() == 0)
        return false;
    if (MappedFocus() >= 0)
        return true;
    // The cursor's move announces itself and so reaches NoteFocus.
    if (!FModel->SetCurrentRow(SourceRowOf(0)))
        return false;
    return MappedFocus() >= 0;
}

int TWordView::FocusedRow()
{
    return KeepFocusShown() ? MappedFocus() : -1;
}

bool TWordView::SetFocusedRow(int Row)
{
    const int SourceRow = SourceRowOf(Row);
    if (SourceRow < 0 || !FModel->SetCurrentRow(SourceRow))
        return false;
    NoteFocus();
    return true;
}

// --- Shown rows ------------------------------------------------------------------------------

qint32 TWordView::RowIDAt(int Row) const
{
    return SourceValue(SourceRowOf(Row), FRowIDColumn).toInt();
}

QString TWordView::WordAt(int Row) const
{
    return SourceValue(SourceRowOf(Row), FWordColumn).toString();
}

QList<qint32> TWordView::ShownRowIDs() const
{
    QList<qint32> Result;
    const int Count = rowCount();
    Result.reserve(Count);
    for (int Row = 0; Row < Count; ++Row)
        Result.append(RowIDAt(Row));
    return Result;
}

QStringList TWordView::ShownWords() const
{
    QStringList Result;
    const int Count = rowCount();
    Result.reserve(Count);
    for (int Row = 0; Row < Count; ++Row)
        Result.append(WordAt(Row));
    return Result;
}
