#pragma once

#include <QList>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>

class TTableModel;
class TWordData;

// The word view: the rows of the collection's table that the editor's grid shows, in the
// grid's order, with a focused row. The presenter walks it and the child sees exactly these
// entries in this order; the editor puts its table view on this very object.
//
// Rows. A row is shown when the word criterion and the record filter both accept it:
// - the word criterion (at most one) compares the Word with a "like" pattern, letter case
//   ignored: "%" stands for any run of characters, "_" for one character. The word filter box
//   sets it to "%" + text + "%", so the word contains the text; an empty box leaves "%%", which
//   every entry passes, one without a word included.
// - the picture filter (0 all, 1 with a picture, 2 without) and the sound filter (0 all, 1 with
//   a recorded clip, 2 without) ask the collection's media presence, which it keeps in memory,
//   so filtering costs no file-system call. Any other index counts as 0.
// Media presence changes of single entries (a picture pasted, a clip recorded) do not refilter
// by themselves, as a grid filter is not evaluated again until it is refreshed: RefreshFilter
// does that. The rows follow every change of the table's records as they happen.
//
// Order: the table's order until sort() is called with a column; then ascending or descending
// by that column: empty values first, numbers by value, text without regard to letter case
// (then with it); equal values keep the table's order.
//
// Focus. The focused row is the table's current record: SetFocusedRow moves the table's cursor,
// and every move of the cursor (locate, insert, delete, a reload) moves the focus, announced by
// FocusedRowChanged. When the current record is not shown (a filter or an edit hid it), the
// focus moves to the first shown row, as a grid keeps its focus on a shown row: at once when a
// filter, the order or the source changes through this object, on the next turn of the event
// loop after a change of the table, and in any case before FocusedRow answers. With no rows
// shown nothing is focused and the cursor stays where it is.
//
// Ownership: the view does not own the collection. SetWordData makes a table model over the
// collection's table, owned as a Qt child, and shows it; SetWordData(nullptr) must come before
// the collection goes. DetachSource and AttachSource take the rows away and give them back
// without losing the model, so that a reload is not followed row by row.
class TWordView : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit TWordView(QObject* Parent = nullptr);
    ~TWordView() override;

    // Shows WordData's table (attached), or nothing with nullptr. The filters and the order stay.
    void SetWordData(TWordData* WordData);
    TWordData* WordData() const { return FWordData; }
    // The model over the collection's table (nullptr without a collection); kept while detached.
    TTableModel* TableModel() const { return FModel; }

    // While detached the view shows no rows and does not follow the table; attaching filters
    // the whole table anew with the media presence as it is then.
    void DetachSource();
    void AttachSource();
    bool IsAttached() const;

    // --- Filters ----------------------------------------------------------------------------

    // The word filter box's text: the criterion "like", "%" + Text + "%", shown as Text.
    void SetWordFilter(const QString& Text);
    // A criterion as stored with a list: the like pattern Value and the text it is shown as.
    void SetWordCriterion(const QString& Value, const QString& DisplayText);
    // No word criterion at all (the state of a new view).
    void ClearWordCriterion();
    bool HasWordCriterion() const { return FHasWordCriterion; }
    QString WordCriterionValue() const { return FWordValue; }
    QString WordCriterionText() const { return FWordText; }

    void SetPhotoFilter(int Index);
    int PhotoFilter() const { return FPhotoFilter; }
    void SetAudioFilter(int Index);
    int AudioFilter() const { return FAudioFilter; }

    // Evaluates every row again (the grid's filter switched off and on).
    void RefreshFilter();

    // Whether Text matches the like pattern Pattern, letter case ignored.
    static bool MatchesLike(const QString& Text, const QString& Pattern);

    // --- Focus and rows ---------------------------------------------------------------------

    // The focused row, -1 when no row is shown. Moves the table's cursor to the first shown row
    // first when the current record is hidden; gives -1 when the table cannot move just now
    // (it is announcing a change or doing bulk work).
    int FocusedRow();
    // Makes the record of Row the table's current record; false when Row is not shown or the
    // table cannot move now.
    bool SetFocusedRow(int Row);

    // The RowID and the Word as stored (null gives 0 and "") of a shown row.
    qint32 RowIDAt(int Row) const;
    QString WordAt(int Row) const;
    // The RowIDs and Words of all shown rows, in the view's order.
    QList<qint32> ShownRowIDs() const;
    QStringList ShownWords() const;

signals:
    // The focused row changed: another record, or the same record at another row; -1 when
    // nothing is focused.
    void FocusedRowChanged(int Row);

protected:
    bool filterAcceptsRow(int SourceRow, const QModelIndex& SourceParent) const override;
    bool lessThan(const QModelIndex& Left, const QModelIndex& Right) const override;

private:
    // The like pattern in the form the filter tests fastest.
    struct TLikePattern
    {
        enum class Kind { Contains, Equals, General };
        Kind Type = Kind::Contains;
        QString Literal; // Contains and Equals: the text between or without wildcards
        QList<uint> Folded; // General: the pattern case-folded, as code points
    };
    static TLikePattern CompileLike(const QString& Pattern);
    static bool MatchesCompiled(const QString& Text, const TLikePattern& Pattern);

    void FindColumns();
    // The value of a field of the table's record at SourceRow; null outside the table.
    QVariant SourceValue(int SourceRow, int Column) const;
    // The sort column's value at SourceRow, from a copy of the whole column made at the first
    // comparison and kept up to date with every change of the table's rows: a sort compares
    // rows all over the table, and reading each from its record costs several cache misses.
    // A value made ready for comparing: null, a number, or text with its case-folded form, so
    // that a sort does not fold the same text again at every comparison.
    struct TSortKey
    {
        bool IsNull = true;
        bool IsNumber = false;
        qint64 Number = 0;
        QString Text;
        QString Folded;
    };
    static TSortKey MakeSortKey(const QVariant& Value);
    const TSortKey& SortValue(int SourceRow, int Column) const;
    void DropSortValues();
    void SortValuesChanged(const QModelIndex& TopLeft, const QModelIndex& BottomRight);
    void SortValuesInserted(const QModelIndex& Parent, int First, int Last);
    void SortValuesRemoved(const QModelIndex& Parent, int First, int Last);
    // The proxy row of the table's current record, or -1; moves nothing.
    int MappedFocus() const;
    int SourceRowOf(int Row) const;
    // Announces the focused row when it changed; asks for a later focus check when the current
    // record is hidden.
    void NoteFocus();
    void QueueFocusCheck();
    // Moves the cursor to the first shown row when the current record is hidden; false when no
    // row is focused afterwards.
    bool KeepFocusShown();

    TWordData* FWordData = nullptr;
    TTableModel* FModel = nullptr; // Qt child
    bool FAttached = false;
    int FWordColumn = -1;
    int FRowIDColumn = -1;

    bool FHasWordCriterion = false;
    QString FWordValue;
    QString FWordText;
    TLikePattern FWordPattern;
    int FPhotoFilter = 0;
    int FAudioFilter = 0;

    mutable QList<TSortKey> FSortValues; // by source row
    mutable int FSortValuesColumn = -1; // the column FSortValues holds, -1: none

    int FLastFocused = -1;
    bool FFocusCheckQueued = false;
};
