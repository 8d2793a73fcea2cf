#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <variant>
#include <vector>

// The two kinds of value a table field holds.
enum class TFieldType {
    Integer, // 32-bit signed integer
    String, // text of at most Size characters (Unicode code points)
};

// One field of the table: its name, its type and, for text, its width in characters.
struct TFieldDef
{
    QString Name;
    TFieldType Type = TFieldType::String;
    int Size = 0; // width of a text field (> 0); ignored for integers

    bool operator==(const TFieldDef&) const = default;
};

// What the table is doing with its current record.
enum class TTableState {
    Inactive, // closed: no fields usable, no records
    Browse, // open, no pending change
    Edit, // the current record is being changed; Post keeps, Cancel restores
    Insert, // the current record is new; Post keeps it, Cancel removes it
};

class TDataTable;

// A handle on one field of the table's current record, for code that reads like
// FieldByName("Word").AsString(). It holds the table and the field's position, so it stays
// valid until the table gets other fields (CreateDataSet, LoadFromXml).
class TField
{
public:
    TField(TDataTable* Table, int Index);

    int Index() const { return FIndex; }
    const TFieldDef& Def() const;
    const QString& Name() const { return Def().Name; }

    QVariant Value() const;
    bool IsNull() const;
    // Null gives "", an integer its decimal text.
    QString AsString() const;
    // Null gives 0; text is read as a decimal number (an Error when it is none).
    qint32 AsInteger() const;

    // Only while the table is in Edit or Insert state; see TDataTable::SetFieldValue.
    void SetValue(const QVariant& Value);
    void SetAsString(const QString& Value) { SetValue(Value); }
    void SetAsInteger(qint32 Value) { SetValue(Value); }
    void Clear() { SetValue(QVariant()); }

private:
    TDataTable* FTable;
    int FIndex;
};

// The in-memory table that holds a word list while the program runs: named, typed fields,
// records with null values, a cursor with a current record, an editing cycle with events,
// search, a temporary ordering and the XML data packet the list file stores.
//
// Records and order. The table keeps its records in the table's own order (the order they
// were appended and inserted in). SetIndexFieldNames("Word;Category") sets a temporary
// ordering: the cursor, Value() and the item model then walk the records sorted by those
// fields (ascending, nulls first, text by Unicode code point with letter case counting);
// records with equal keys keep the table's order. SetIndexFieldNames("") restores the
// table's order. While an ordering is set a posted record moves to its sorted place and the
// cursor moves with it. The data packet is always written in the table's order.
//
// Row numbers. RecNo(), SetRecNo() and Value() count from 0 in the current ordering; RecNo()
// is -1 when the table has no records.
//
// Editing cycle:
// - Append starts a new record at the end, Insert one before the current record (at the end
//   of an empty table). The new record is current, all its fields null, the state Insert,
//   and AfterInsert fires before anything is filled in, so the owner can number it there.
// - Edit saves the current record's values and enters Edit state; it does nothing while
//   already editing or inserting. Editing an empty table is a programming error.
// - Post keeps the pending change, returns to Browse and fires AfterPost (also when no field
//   changed). Cancel restores an edited record, removes an inserted one, and fires nothing.
// - Moving the cursor (First, Next, SetRecNo, Locate, ...), Append, Insert, a new ordering,
//   and writing the packet first settle a pending change with CheckBrowseMode: a record with
//   a changed field is posted (AfterPost fires), an untouched one is cancelled (an untouched
//   new record disappears).
// - Delete removes the current record: BeforeDelete fires while it is still current (an
//   exception there keeps the record), then the record goes, the record after it becomes
//   current (the last one when it was the last), and AfterDelete fires; DeletedValue()
//   gives the removed record's values until the next Delete. Delete during Insert is
//   Cancel; during Edit the pending changes are dropped with the record.
// Setting a field outside Edit and Insert, or any change to a closed table, is a programming
// error (AssertionError).
//
// Values. A value is a QVariant; an invalid (or null) QVariant is a null value. An integer
// field takes numbers and decimal text from -2^31 to 2^32-1: values from 2^31 up are stored
// by their 32-bit pattern, so a colour like 0xFF00000F fits; empty text gives null; other
// text or a number out of range raises Error. A text field takes the text of any value; the
// characters an XML file cannot carry (control characters other than tab, line feed and
// carriage return, unpaired surrogates, U+FFFE, U+FFFF) are dropped, and text longer than
// the field's width is cut to that many code points, never inside a character.
//
// Observers. Item models learn every change through the Qt signals below, each structural
// one announced before and after, with the table consistent at every emission.
// DisableControls/EnableControls suspend the signals for bulk work; the last EnableControls
// then announces one reset (when anything changed) and the current record. The events
// (AfterInsert, ...) are for the table's owner and fire also while controls are disabled.
// A slot on these signals must not change the table.
//
// The data packet. SaveToXml writes, in UTF-8:
//   <?xml version="1.0" encoding="UTF-8" standalone="yes"?>
//   <DATAPACKET Version="2.0"><METADATA><FIELDS>
//     <FIELD attrname="RowID" fieldtype="i4"/><FIELD attrname="Word" fieldtype="string" WIDTH="50"/>...
//   </FIELDS><PARAMS/></METADATA><ROWDATA><ROW RowID="2" Word="cat"/>...</ROWDATA></DATAPACKET>
// with one ROW attribute per non-null value (an empty text is written as ""). LoadFromXml
// takes the fields from the packet, ignores elements and ROW attributes it does not know,
// reads an empty integer attribute as null and cuts over-long text to the field's width. A
// packet it cannot read raises Error naming the fault and leaves the table closed, without
// fields; the owner then builds a fresh table with CreateDataSet.
class TDataTable : public QObject
{
    Q_OBJECT

public:
    using TEvent = std::function<void(TDataTable&)>;

    explicit TDataTable(QObject* Parent = nullptr);
    ~TDataTable() override;

    // Replaces the fields and opens the table empty, in the table's own order. Field names
    // must be unique (letter case ignored) and usable as XML attribute names; text fields
    // need a width above 0.
    void CreateDataSet(const std::vector<TFieldDef>& Fields);
    // Drops any pending change and all records; the fields stay but cannot be used until
    // the table is created or loaded again.
    void Close();
    bool Active() const { return FActive; }
    // Removes every record without delete events; fields and ordering stay.
    void EmptyDataSet();

    const std::vector<TFieldDef>& Fields() const { return FFields; }
    int FieldCount() const { return static_cast<int>(FFields.size()); }
    // The position of the field named Name, letter case ignored, or -1.
    int FieldIndex(const QString& Name) const;
    // The field named Name (letter case ignored) of the current record; Error when the table
    // has no such field.
    TField FieldByName(const QString& Name);
    TField Field(int Index);

    int RecordCount() const { return static_cast<int>(FRows.size()); }
    // True when the table is closed or holds no record.
    bool IsEmpty() const { return FRows.empty(); }
    TTableState State() const { return FState; }
    // A field of the current record was set since Edit, Append or Insert.
    bool RecordModified() const { return FRecordModified; }

    // The value of field Field in record Row of the current ordering, without moving the
    // cursor; pending changes included.
    QVariant Value(int Row, int Field) const;
    // The value of a field of the current record; null when there is no current record.
    QVariant FieldValue(int Field) const;
    void SetFieldValue(int Field, const QVariant& Value);

    int RecNo() const { return FRecNo; }
    void SetRecNo(int Row);
    void First();
    void Last();
    // At the last record Next stays and sets Eof; at the first Prior stays and sets Bof.
    void Next();
    void Prior();
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }

    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Deletes many records at the cost of one pass over the table instead of one per record.
    // Rows are rows of the current ordering, each named once; the records go one after the
    // other in the given order, each as Delete would take it: BeforeDelete fires with the
    // record current (an exception there keeps it), then the record is deleted and AfterDelete
    // fires, DeletedValue giving its values. Before each record Continue, when set, is asked
    // with the number deleted so far; false stops there and keeps that record and the rest.
    // The deleted records leave the table's rows together at the end, also when an exception
    // stops the run, and item models hear of it as one reset; until then they keep their rows,
    // so the events and Continue must not move the cursor or change the table. Afterwards the
    // record that was current stays current when it is still there, else the first remaining
    // record after it, else the last record. Gives the number deleted. Needs Browse state.
    int DeleteRecords(const std::vector<int>& Rows, const std::function<bool(int Done)>& Continue = {});
    // Posts a changed pending record, cancels an untouched one; nothing in Browse state.
    void CheckBrowseMode();

    // Makes the first record (in the current ordering) whose field FieldName equals Value
    // current and gives true; gives false and keeps the cursor when there is none. Text is
    // compared whole, with letter case counting unless Case says otherwise; a null Value
    // finds a null field. Searches the ordering's first field by bisection, others in one
    // pass over the records. Settles a pending change first.
    bool Locate(const QString& FieldName, const QVariant& Value, Qt::CaseSensitivity Case = Qt::CaseSensitive);

    // The fields of the current ordering as set, separated by ";"; empty for the table's own
    // order.
    QString IndexFieldNames() const { return FIndexFieldNames; }
    // Orders the records by the named fields (letter case of names ignored, empty parts
    // skipped); "" restores the table's order. The current record stays current. Error for
    // an unknown field name. Settles a pending change first.
    void SetIndexFieldNames(const QString& Names);

    // The table as a data packet; settles a pending change first.
    QByteArray SaveToXml();
    // Replaces fields and records with those of the packet Packet (a pending change is
    // dropped); the table's own order, the first record current. Error on a bad packet.
    void LoadFromXml(const QByteArray& Packet);

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // A value of the record the last Delete removed (null when there is none).
    QVariant DeletedValue(const QString& FieldName) const;

    // Events for the table's owner; see the editing cycle above.
    TEvent AfterInsert;
    TEvent AfterPost;
    TEvent BeforeDelete;
    TEvent AfterDelete;

    // True while a signal below is being emitted (an item model then refuses to change the
    // table from a view's reaction).
    bool Notifying() const { return FNotifyDepth > 0; }

signals:
    void RowsAboutToBeInserted(int First, int Last);
    void RowsInserted(int First, int Last);
    void RowsAboutToBeRemoved(int First, int Last);
    void RowsRemoved(int First, int Last);
    // A posted record moves from row From to row To (To counted after the move).
    void RowAboutToBeMoved(int From, int To);
    void RowMoved(int From, int To);
    // A value of record Row changed (set, restored by Cancel).
    void RowChanged(int Row);
    // A new ordering; NewRows[old row] is the record's row afterwards.
    void AboutToBeReordered();
    void Reordered(const QList<int>& NewRows);
    // Fields or records were replaced wholesale (create, load, close, empty, bulk work).
    void AboutToBeReset();
    void WasReset();
    // The current record changed (another record, or the same one at another row); -1 when
    // there is none.
    void CurrentChanged(int Row);

private:
    using TCell = std::variant<std::monostate, qint32, QString>;
    struct TRecord
    {
        std::vector<TCell> Cells;
        qint64 Seq = 0; // position in the table's own order
        quint64 Id = 0; // unique for the table's lifetime, to tell records apart
        int Mark = 0; // scratch for reordering
    };
    using TRecordPtr = std::unique_ptr<TRecord>;

    // Emits one observer signal (Notifying() is true meanwhile), or only notes the change
    // while controls are disabled.
    template <typename TEmit> void Announce(TEmit Emit);

    void CheckActive(const char* Operation) const;
    void CheckField(int Field) const;
    TCell ToCell(int Field, const QVariant& Value) const;
    static QVariant ToVariant(const TCell& Cell);
    static int CompareCells(const TCell& A, const TCell& B);
    bool IndexLess(const TRecord& A, const TRecord& B) const;
    std::vector<int> ParseIndexFields(const QString& Names, QString* Canonical) const;

    qint64 SeqForInsertBefore(int Row);
    void RenumberSeqs();
    void SortRows();
    int SortedPlace(int Row) const;

    TRecordPtr NewRecord();
    void StartRecord(int Row, qint64 Seq);
    void DropPending();
    void ReplaceContent(std::vector<TFieldDef> Fields, std::vector<TRecordPtr> Rows, bool Active, bool KeepIndex);
    void ParsePacket(const QByteArray& Packet, std::vector<TFieldDef>& Fields, std::vector<TRecordPtr>& Rows) const;

    bool Announcing() const { return FDisableCount == 0; }
    void AnnounceCurrent();
    void FireEvent(const TEvent& Event);

    std::vector<TFieldDef> FFields;
    std::vector<TRecordPtr> FRows; // in the current ordering
    std::vector<int> FIndexFields; // empty: the table's own order
    QString FIndexFieldNames;
    bool FActive = false;
    TTableState FState = TTableState::Inactive;
    int FRecNo = -1;
    bool FEof = true;
    bool FBof = true;
    bool FRecordModified = false;
    std::vector<TCell> FSavedCells; // the edited record's values before Edit
    std::vector<TCell> FDeletedCells;
    qint64 FMaxSeq = 0;
    quint64 FLastId = 0;
    int FDisableCount = 0;
    bool FChangedWhileDisabled = false;
    int FNotifyDepth = 0;
    quint64 FAnnouncedId = 0;
    int FAnnouncedRecNo = -1;
};

// Keeps a table's controls disabled for the lifetime of the object (also when an exception
// leaves the bulk work early).
class TControlsDisabled
{
public:
    explicit TControlsDisabled(TDataTable& Table)
        : FTable(Table)
    {
        FTable.DisableControls();
    }
    ~TControlsDisabled() { FTable.EnableControls(); }
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TDataTable& FTable;
};
