#include "uDataTable.h"

#include "Error.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

// Gap between the order numbers of neighbouring records: room for 32 insertions at one
// place before the numbers are handed out afresh.
constexpr qint64 SeqStep = qint64(1) << 32;

// Reads decimal text as a 32-bit value; numbers from 2^31 to 2^32-1 give their bit pattern.
bool ParseInteger(QStringView Text, qint32* Result)
{
    bool Ok = false;
    const qlonglong Number = Text.trimmed().toLongLong(&Ok, 10);
    if (!Ok || Number < std::numeric_limits<qint32>::min() || Number > std::numeric_limits<quint32>::max())
        return false;
    *Result = static_cast<qint32>(static_cast<quint32>(Number));
    return true;
}

bool IsXmlChar(char16_t C)
{
    return C >= 0x20 ? (C != 0xFFFE && C != 0xFFFF) : (C == u'\t' || C == u'\n' || C == u'\r');
}

// Text fit for a field of width Size: characters an XML file cannot hold are dropped and at
// most Size code points are kept, so a surrogate pair is never split. Returns Text itself
// (shared, no copy) when nothing has to change.
QString FitText(const QString& Text, int Size)
{
    const char16_t* Units = reinterpret_cast<const char16_t*>(Text.utf16());
    const qsizetype Length = Text.size();
    QString Fitted;
    bool Copying = false;
    qsizetype I = 0;
    int Points = 0;
    while (I < Length && Points < Size) {
        const char16_t C = Units[I];
        qsizetype Width = 1;
        bool Keep;
        if (QChar::isHighSurrogate(C)) {
            Keep = I + 1 < Length && QChar::isLowSurrogate(Units[I + 1]);
            Width = Keep ? 2 : 1;
        } else {
            Keep = !QChar::isLowSurrogate(C) && IsXmlChar(C);
        }
        if (!Keep && !Copying) {
            Fitted = Text.left(I);
            Copying = true;
        } else if (Keep && Copying) {
            Fitted.append(reinterpret_cast<const QChar*>(Units + I), Width);
        }
        I += Width;
        if (Keep)
            ++Points;
    }
    if (Copying)
        return Fitted;
    return I == Length ? Text : Text.left(I);
}

// Orders UTF-16 text by code point: only where surrogates meet units from U+E000 up does
// that differ from comparing the units.
inline char32_t CodePointRank(char16_t C)
{
    if (C < 0xD800)
        return C;
    return C >= 0xE000 ? C - 0x800 : C + 0x2000;
}

int CompareUnits(const char16_t* PA, qsizetype SizeA, const char16_t* PB, qsizetype SizeB)
{
    const qsizetype N = std::min(SizeA, SizeB);
    for (qsizetype I = 0; I < N; ++I) {
        if (PA[I] != PB[I])
            return CodePointRank(PA[I]) < CodePointRank(PB[I]) ? -1 : 1;
    }
    return SizeA < SizeB ? -1 : (SizeA > SizeB ? 1 : 0);
}

int CompareText(const QString& A, const QString& B)
{
    return CompareUnits(reinterpret_cast<const char16_t*>(A.constData()), A.size(),
        reinterpret_cast<const char16_t*>(B.constData()), B.size());
}

// One value of a sort key, copied out of its record for the length of a sort: null first,
// then numbers, then text, as the table orders its cells.
struct TSortValue
{
    int Kind = 0; // 0 null, 1 number, 2 text
    qint32 Number = 0;
    const char16_t* Text = nullptr;
    qsizetype Size = 0;
};

int CompareSortValues(const TSortValue& A, const TSortValue& B)
{
    if (A.Kind != B.Kind)
        return A.Kind < B.Kind ? -1 : 1;
    if (A.Kind == 1)
        return A.Number < B.Number ? -1 : (A.Number > B.Number ? 1 : 0);
    if (A.Kind == 2)
        return CompareUnits(A.Text, A.Size, B.Text, B.Size);
    return 0;
}

// Field names end up as XML attribute names in every ROW.
bool IsXmlName(const QString& Name)
{
    if (Name.isEmpty() || !(Name[0].isLetter() || Name[0] == u'_'))
        return false;
    return std::all_of(
        Name.begin(), Name.end(), [](QChar C) { return C.isLetterOrNumber() || C == u'_' || C == u'-' || C == u'.'; });
}

int FindField(const std::vector<TFieldDef>& Fields, const QString& Name)
{
    for (std::size_t I = 0; I < Fields.size(); ++I) {
        if (Fields[I].Name.compare(Name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(I);
    }
    return -1;
}

QString FieldTypeName(TFieldType Type)
{
    return Type == TFieldType::Integer ? QStringLiteral("i4") : QStringLiteral("string");
}

} // namespace

// TField

TField::TField(TDataTable* Table, int Index)
    : FTable(Table)
    , FIndex(Index)
{ }

const TFieldDef& TField::Def() const
{
    return FTable->Fields().at(static_cast<std::size_t>(FIndex));
}

QVariant TField::Value() const
{
    return FTable->FieldValue(FIndex);
}

bool TField::IsNull() const
{
    return !Value().isValid();
}

QString TField::AsString() const
{
    const QVariant V = Value();
    return V.isValid() ? V.toString() : QString();
}

qint32 TField::AsInteger() const
{
    const QVariant V = Value();
    if (!V.isValid())
        return 0;
    if (V.typeId() == QMetaType::Int)
        return V.toInt();
    qint32 Result = 0;
    if (!ParseInteger(V.toString(), &Result))
        throw Error(QStringLiteral("\"%1\" is not a valid integer value.").arg(V.toString()));
    return Result;
}

void TField::SetValue(const QVariant& Value)
{
    FTable->SetFieldValue(FIndex, Value);
}

// TDataTable

template <typename TEmit> void TDataTable::Announce(TEmit Emit)
{
    if (FDisableCount > 0) {
        FChangedWhileDisabled = true;
        return;
    }
    struct TDepth
    {
        int& Depth;
        ~TDepth() { --Depth; }
    } Guard { ++FNotifyDepth };
    Emit();
}

TDataTable::TDataTable(QObject* Parent)
    : QObject(Parent)
{ }

TDataTable::~TDataTable()
{
    // Item models over the table see it go empty before it is gone.
    if (FDisableCount == 0 && (FActive || !FFields.empty()))
        ReplaceContent({}, {}, false, false);
}

void TDataTable::CheckActive(const char* Operation) const
{
    TUMBALO_ASSERT(FActive, QStringLiteral("%1: the table is not open.").arg(QLatin1String(Operation)));
}

void TDataTable::CheckField(int Field) const
{
    TUMBALO_ASSERT(Field >= 0 && Field < FieldCount(), QStringLiteral("Field index %1 out of range.").arg(Field));
}

void TDataTable::CreateDataSet(const std::vector<TFieldDef>& Fields)
{
    for (std::size_t I = 0; I < Fields.size(); ++I) {
        const TFieldDef& F = Fields[I];
        TUMBALO_ASSERT(IsXmlName(F.Name), QStringLiteral("The field name \"%1\" cannot be used.").arg(F.Name));
        TUMBALO_ASSERT(FindField(Fields, F.Name) == static_cast<int>(I),
            QStringLiteral("The field name \"%1\" is used twice.").arg(F.Name));
        TUMBALO_ASSERT(F.Type == TFieldType::Integer || F.Size > 0,
            QStringLiteral("The text field \"%1\" needs a width.").arg(F.Name));
    }
    DropPending();
    std::vector<TFieldDef> Defs = Fields;
    for (TFieldDef& F : Defs) {
        if (F.Type == TFieldType::Integer)
            F.Size = 0;
    }
    ReplaceContent(std::move(Defs), {}, true, false);
}

void TDataTable::Close()
{
    if (!FActive)
        return;
    DropPending();
    ReplaceContent(FFields, {}, false, false);
}

void TDataTable::EmptyDataSet()
{
    CheckActive("EmptyDataSet");
    DropPending();
    ReplaceContent(FFields, {}, true, true);
}

int TDataTable::FieldIndex(const QString& Name) const
{
    return FindField(FFields, Name);
}

TField TDataTable::FieldByName(const QString& Name)
{
    const int Index = FieldIndex(Name);
    if (Index < 0)
        throw Error(QStringLiteral("Field '%1' not found.").arg(Name));
    return TField(this, Index);
}

TField TDataTable::Field(int Index)
{
    CheckField(Index);
    return TField(this, Index);
}

TDataTable::TCell TDataTable::ToCell(int Field, const QVariant& Value) const
{
    const TFieldDef& Def = FFields[static_cast<std::size_t>(Field)];
    if (!Value.isValid() || Value.isNull())
        return std::monostate {};
    if (Def.Type == TFieldType::String)
        return FitText(Value.toString(), Def.Size);

    auto Invalid = [&] {
        return Error(QStringLiteral("\"%1\" is not a valid integer value for the field \"%2\".")
                         .arg(Value.toString(), Def.Name));
    };
    const int Type = Value.typeId();
    if (Type == QMetaType::Int)
        return Value.toInt();
    if (Type == QMetaType::QString || Type == QMetaType::QByteArray) {
        const QString Text = Value.toString();
        if (Text.trimmed().isEmpty())
            return std::monostate {};
        qint32 Result = 0;
        if (!ParseInteger(Text, &Result))
            throw Invalid();
        return Result;
    }
    if (Type == QMetaType::Double || Type == QMetaType::Float) {
        const double D = Value.toDouble();
        if (D != static_cast<double>(static_cast<qlonglong>(D)))
            throw Invalid();
    }
    bool Ok = false;
    const qlonglong Number = Type == QMetaType::ULongLong
        ? static_cast<qlonglong>(std::min<qulonglong>(Value.toULongLong(&Ok), std::numeric_limits<qlonglong>::max()))
        : Value.toLongLong(&Ok);
    if (!Ok || Number < std::numeric_limits<qint32>::min() || Number > std::numeric_limits<quint32>::max())
        throw Invalid();
    return static_cast<qint32>(static_cast<quint32>(Number));
}

QVariant TDataTable::ToVariant(const TCell& Cell)
{
    if (const qint32* I = std::get_if<qint32>(&Cell))
        return QVariant(*I);
    if (const QString* S = std::get_if<QString>(&Cell))
        return QVariant(*S);
    return QVariant();
}

int TDataTable::CompareCells(const TCell& A, const TCell& B)
{
    if (A.index() != B.index())
        return A.index() < B.index() ? -1 : 1; // null first
    if (const qint32* IA = std::get_if<qint32>(&A)) {
        const qint32 IB = std::get<qint32>(B);
        return *IA < IB ? -1 : (*IA > IB ? 1 : 0);
    }
    if (const QString* SA = std::get_if<QString>(&A))
        return CompareText(*SA, std::get<QString>(B));
    return 0;
}

bool TDataTable::IndexLess(const TRecord& A, const TRecord& B) const
{
    for (int F : FIndexFields) {
        const int C = CompareCells(A.Cells[static_cast<std::size_t>(F)], B.Cells[static_cast<std::size_t>(F)]);
        if (C != 0)
            return C < 0;
    }
    return A.Seq < B.Seq;
}

QVariant TDataTable::Value(int Row, int Field) const
{
    TUMBALO_ASSERT(Row >= 0 && Row < RecordCount(), QStringLiteral("Row %1 out of range.").arg(Row));
    CheckField(Field);
    return ToVariant(FRows[static_cast<std::size_t>(Row)]->Cells[static_cast<std::size_t>(Field)]);
}

QVariant TDataTable::FieldValue(int Field) const
{
    CheckActive("FieldValue");
    CheckField(Field);
    if (FRecNo < 0)
        return QVariant();
    return ToVariant(FRows[static_cast<std::size_t>(FRecNo)]->Cells[static_cast<std::size_t>(Field)]);
}

void TDataTable::SetFieldValue(int Field, const QVariant& Value)
{
    CheckActive("SetFieldValue");
    TUMBALO_ASSERT(FState == TTableState::Edit || FState == TTableState::Insert,
        QStringLiteral("The table is not in edit or insert mode."));
    CheckField(Field);
    TCell Cell = ToCell(Field, Value);
    FRows[static_cast<std::size_t>(FRecNo)]->Cells[static_cast<std::size_t>(Field)] = std::move(Cell);
    FRecordModified = true;
    Announce([&] { emit RowChanged(FRecNo); });
}

void TDataTable::SetRecNo(int Row)
{
    CheckActive("SetRecNo");
    TUMBALO_ASSERT(Row >= 0 && Row < RecordCount(), QStringLiteral("Row %1 out of range.").arg(Row));
    // Settling the pending record may remove or move rows: follow the record the caller meant.
    const TRecord* Target = FRows[static_cast<std::size_t>(Row)].get();
    CheckBrowseMode();
    if (Row >= RecordCount() || FRows[static_cast<std::size_t>(Row)].get() != Target) {
        const auto It
            = std::find_if(FRows.begin(), FRows.end(), [&](const TRecordPtr& R) { return R.get() == Target; });
        if (It == FRows.end())
            return; // it was the untouched new record, now cancelled
        Row = static_cast<int>(It - FRows.begin());
    }
    FRecNo = Row;
    FEof = FBof = false;
    AnnounceCurrent();
}

void TDataTable::First()
{
    CheckActive("First");
    CheckBrowseMode();
    FRecNo = FRows.empty() ? -1 : 0;
    FBof = true;
    FEof = FRows.empty();
    AnnounceCurrent();
}

void TDataTable::Last()
{
    CheckActive("Last");
    CheckBrowseMode();
    FRecNo = RecordCount() - 1;
    FEof = true;
    FBof = FRows.empty();
    AnnounceCurrent();
}

void TDataTable::Next()
{
    CheckActive("Next");
    CheckBrowseMode();
    if (FRecNo + 1 < RecordCount()) {
        ++FRecNo;
        FEof = false;
    } else {
        FEof = true;
    }
    FBof = FRows.empty();
    AnnounceCurrent();
}

void TDataTable::Prior()
{
    CheckActive("Prior");
    CheckBrowseMode();
    if (FRecNo > 0) {
        --FRecNo;
        FBof = false;
    } else {
        FBof = true;
    }
    FEof = FRows.empty();
    AnnounceCurrent();
}

TDataTable::TRecordPtr TDataTable::NewRecord()
{
    auto Record = std::make_unique<TRecord>();
    Record->Cells.resize(FFields.size());
    Record->Id = ++FLastId;
    return Record;
}

void TDataTable::StartRecord(int Row, qint64 Seq)
{
    TRecordPtr Record = NewRecord();
    Record->Seq = Seq;
    FMaxSeq = std::max(FMaxSeq, Seq);
    Announce([&] { emit RowsAboutToBeInserted(Row, Row); });
    FRows.insert(FRows.begin() + Row, std::move(Record));
    FRecNo = Row;
    FState = TTableState::Insert;
    FRecordModified = false;
    FEof = FBof = false;
    Announce([&] { emit RowsInserted(Row, Row); });
    AnnounceCurrent();
    FireEvent(AfterInsert);
}

void TDataTable::Append()
{
    CheckActive("Append");
    CheckBrowseMode();
    StartRecord(RecordCount(), FMaxSeq + SeqStep);
}

void TDataTable::Insert()
{
    CheckActive("Insert");
    CheckBrowseMode();
    if (FRows.empty())
        StartRecord(0, FMaxSeq + SeqStep);
    else
        StartRecord(FRecNo, SeqForInsertBefore(FRecNo));
}

qint64 TDataTable::SeqForInsertBefore(int Row)
{
    const qint64 Target = FRows[static_cast<std::size_t>(Row)]->Seq;
    bool HasBefore = false;
    qint64 Before = 0;
    if (FIndexFields.empty()) {
        // The current order is the table's own order.
        if (Row > 0) {
            Before = FRows[static_cast<std::size_t>(Row - 1)]->Seq;
            HasBefore = true;
        }
    } else {
        for (const TRecordPtr& R : FRows) {
            if (R->Seq < Target && (!HasBefore || R->Seq > Before)) {
                Before = R->Seq;
                HasBefore = true;
            }
        }
    }
    if (!HasBefore)
        Before = Target - 2 * SeqStep;
    if (Target - Before >= 2)
        return Before + (Target - Before) / 2;
    RenumberSeqs();
    return SeqForInsertBefore(Row);
}

void TDataTable::RenumberSeqs()
{
    std::vector<TRecord*> ByOrder;
    ByOrder.reserve(FRows.size());
    for (const TRecordPtr& R : FRows)
        ByOrder.push_back(R.get());
    if (!FIndexFields.empty())
        std::sort(ByOrder.begin(), ByOrder.end(), [](const TRecord* A, const TRecord* B) { return A->Seq < B->Seq; });
    qint64 Seq = 0;
    for (TRecord* R : ByOrder)
        R->Seq = (Seq += SeqStep);
    FMaxSeq = Seq;
}

void TDataTable::SortRows()
{
    // The sort works on an array of its own that holds the first two key values of every
    // record (texts by their characters' address): comparing two records then reads that
    // array and the characters, instead of chasing record, cell array and text for each, which
    // on a large list is what the time goes on. Further key fields are read from the records.
    constexpr std::size_t Copied = 2;
    struct TEntry
    {
        TSortValue Key[Copied];
        qint64 Seq;
        std::size_t Row;
    };
    const std::size_t Fields = FIndexFields.size();
    const std::size_t Direct = std::min(Fields, Copied);
    std::vector<TEntry> Entries(FRows.size());
    for (std::size_t Row = 0; Row < FRows.size(); ++Row) {
        const TRecord& Record = *FRows[Row];
        TEntry& Entry = Entries[Row];
        Entry.Seq = Record.Seq;
        Entry.Row = Row;
        for (std::size_t F = 0; F < Direct; ++F) {
            const TCell& Cell = Record.Cells[static_cast<std::size_t>(FIndexFields[F])];
            TSortValue& Value = Entry.Key[F];
            if (const qint32* Number = std::get_if<qint32>(&Cell)) {
                Value.Kind = 1;
                Value.Number = *Number;
            } else if (const QString* Text = std::get_if<QString>(&Cell)) {
                Value.Kind = 2;
                Value.Text = reinterpret_cast<const char16_t*>(Text->constData());
                Value.Size = Text->size();
            }
        }
    }
    std::sort(Entries.begin(), Entries.end(), [&](const TEntry& A, const TEntry& B) {
        for (std::size_t F = 0; F < Direct; ++F) {
            const int C = CompareSortValues(A.Key[F], B.Key[F]);
            if (C != 0)
                return C < 0;
        }
        for (std::size_t F = Direct; F < Fields; ++F) {
            const std::size_t Field = static_cast<std::size_t>(FIndexFields[F]);
            const int C = CompareCells(FRows[A.Row]->Cells[Field], FRows[B.Row]->Cells[Field]);
            if (C != 0)
                return C < 0;
        }
        return A.Seq < B.Seq;
    });
    std::vector<TRecordPtr> Sorted;
    Sorted.reserve(FRows.size());
    for (const TEntry& Entry : Entries)
        Sorted.push_back(std::move(FRows[Entry.Row]));
    FRows = std::move(Sorted);
}

int TDataTable::SortedPlace(int Row) const
{
    // Bisection over the other records, which are in order.
    const TRecord& Record = *FRows[static_cast<std::size_t>(Row)];
    int Low = 0;
    int High = RecordCount() - 1;
    while (Low < High) {
        const int Mid = Low + (High - Low) / 2;
        const int Actual = Mid < Row ? Mid : Mid + 1;
        if (IndexLess(*FRows[static_cast<std::size_t>(Actual)], Record))
            Low = Mid + 1;
        else
            High = Mid;
    }
    return Low;
}

void TDataTable::Edit()
{
    CheckActive("Edit");
    if (FState == TTableState::Edit || FState == TTableState::Insert)
        return;
    TUMBALO_ASSERT(!FRows.empty(), QStringLiteral("Edit: the table has no record."));
    FSavedCells = FRows[static_cast<std::size_t>(FRecNo)]->Cells;
    FState = TTableState::Edit;
    FRecordModified = false;
}

void TDataTable::Post()
{
    CheckActive("Post");
    if (FState == TTableState::Browse)
        return;
    FState = TTableState::Browse;
    FRecordModified = false;
    FSavedCells.clear();
    if (!FIndexFields.empty()) {
        const int From = FRecNo;
        const int To = SortedPlace(From);
        if (To != From) {
            Announce([&] { emit RowAboutToBeMoved(From, To); });
            if (To < From)
                std::rotate(FRows.begin() + To, FRows.begin() + From, FRows.begin() + From + 1);
            else
                std::rotate(FRows.begin() + From, FRows.begin() + From + 1, FRows.begin() + To + 1);
            FRecNo = To;
            Announce([&] { emit RowMoved(From, To); });
        }
    }
    AnnounceCurrent();
    FireEvent(AfterPost);
}

void TDataTable::Cancel()
{
    if (!FActive || FState == TTableState::Browse)
        return;
    const int Row = FRecNo;
    if (FState == TTableState::Edit) {
        FRows[static_cast<std::size_t>(Row)]->Cells = std::move(FSavedCells);
        FSavedCells.clear();
        FState = TTableState::Browse;
        FRecordModified = false;
        Announce([&] { emit RowChanged(Row); });
        return;
    }
    FState = TTableState::Browse;
    FRecordModified = false;
    Announce([&] { emit RowsAboutToBeRemoved(Row, Row); });
    FRows.erase(FRows.begin() + Row);
    FRecNo = std::min(Row, RecordCount() - 1);
    FEof = FBof = FRows.empty();
    Announce([&] { emit RowsRemoved(Row, Row); });
    AnnounceCurrent();
}

void TDataTable::Delete()
{
    CheckActive("Delete");
    if (FState == TTableState::Insert) {
        Cancel();
        return;
    }
    TUMBALO_ASSERT(!FRows.empty(), QStringLiteral("Delete: the table has no record."));
    Cancel(); // an edit's pending values go with the record
    FireEvent(BeforeDelete);
    TUMBALO_ASSERT(FState == TTableState::Browse && FRecNo >= 0, QStringLiteral("Delete: no record to delete."));
    const int Row = FRecNo;
    Announce([&] { emit RowsAboutToBeRemoved(Row, Row); });
    FDeletedCells = std::move(FRows[static_cast<std::size_t>(Row)]->Cells);
    FRows.erase(FRows.begin() + Row);
    FRecNo = std::min(Row, RecordCount() - 1);
    FEof = FBof = FRows.empty();
    Announce([&] { emit RowsRemoved(Row, Row); });
    AnnounceCurrent();
    FireEvent(AfterDelete);
}

int TDataTable::DeleteRecords(const std::vector<int>& Rows, const std::function<bool(int Done)>& Continue)
{
    CheckActive("DeleteRecords");
    TUMBALO_ASSERT(FState == TTableState::Browse, QStringLiteral("DeleteRecords: a change is pending."));
    std::vector<char> Gone(FRows.size(), 0);
    for (const int Row : Rows) {
        TUMBALO_ASSERT(Row >= 0 && Row < RecordCount(), QStringLiteral("Row %1 out of range.").arg(Row));
        TUMBALO_ASSERT(!Gone[static_cast<std::size_t>(Row)], QStringLiteral("Row %1 named twice.").arg(Row));
        Gone[static_cast<std::size_t>(Row)] = 1;
    }
    std::fill(Gone.begin(), Gone.end(), 0);
    const int WasCurrent = FRecNo;
    const bool WasEof = FEof;
    const bool WasBof = FBof;
    int Done = 0;

    // Takes the deleted records out in one pass and finds the record to make current.
    const auto Compact = [&] {
        FRecNo = WasCurrent;
        FEof = WasEof;
        FBof = WasBof;
        if (Done == 0)
            return;
        Announce([&] { emit AboutToBeReset(); });
        int Current = -1;
        std::size_t Kept = 0;
        for (std::size_t Row = 0; Row < FRows.size(); ++Row) {
            if (Gone[Row])
                continue;
            if (Current < 0 && static_cast<int>(Row) >= WasCurrent)
                Current = static_cast<int>(Kept);
            FRows[Kept++] = std::move(FRows[Row]);
        }
        FRows.resize(Kept);
        FRecNo = Current >= 0 ? Current : RecordCount() - 1;
        FEof = FBof = FRows.empty();
        Announce([&] { emit WasReset(); });
        FAnnouncedId = 0;
        FAnnouncedRecNo = -2; // announce the current record afresh
        AnnounceCurrent();
    };

    try {
        for (const int Row : Rows) {
            if (Continue && !Continue(Done))
                break;
            FRecNo = Row;
            FEof = FBof = false;
            FireEvent(BeforeDelete);
            FDeletedCells = FRows[static_cast<std::size_t>(Row)]->Cells;
            Gone[static_cast<std::size_t>(Row)] = 1;
            ++Done;
            FireEvent(AfterDelete);
        }
    } catch (...) {
        Compact();
        throw;
    }
    Compact();
    return Done;
}

void TDataTable::CheckBrowseMode()
{
    if (!FActive || FState == TTableState::Browse)
        return;
    if (FRecordModified)
        Post();
    else
        Cancel();
}

QVariant TDataTable::DeletedValue(const QString& FieldName) const
{
    const int Index = FieldIndex(FieldName);
    if (Index < 0 || static_cast<std::size_t>(Index) >= FDeletedCells.size())
        return QVariant();
    return ToVariant(FDeletedCells[static_cast<std::size_t>(Index)]);
}

bool TDataTable::Locate(const QString& FieldName, const QVariant& Value, Qt::CaseSensitivity Case)
{
    CheckActive("Locate");
    const int Field = FieldIndex(FieldName);
    if (Field < 0)
        throw Error(QStringLiteral("Field '%1' not found.").arg(FieldName));
    CheckBrowseMode();
    const std::size_t F = static_cast<std::size_t>(Field);
    const TFieldDef& Def = FFields[F];

    TCell Key;
    if (!Value.isValid() || Value.isNull()) {
        Key = std::monostate {};
    } else if (Def.Type == TFieldType::String) {
        Key = Value.toString(); // whole and unchanged: a text the field cannot hold finds nothing
    } else {
        try {
            Key = ToCell(Field, Value);
        } catch (const Error&) {
            return false; // not a number: no record holds it
        }
    }
    const bool IgnoreCase = Case == Qt::CaseInsensitive && Def.Type == TFieldType::String;

    int Found = -1;
    if (!IgnoreCase && !FIndexFields.empty() && FIndexFields.front() == Field) {
        const auto It = std::lower_bound(FRows.begin(), FRows.end(), Key,
            [F](const TRecordPtr& R, const TCell& K) { return CompareCells(R->Cells[F], K) < 0; });
        if (It != FRows.end() && CompareCells((*It)->Cells[F], Key) == 0)
            Found = static_cast<int>(It - FRows.begin());
    } else {
        const QString* KeyText = std::get_if<QString>(&Key);
        for (int Row = 0; Row < RecordCount() && Found < 0; ++Row) {
            const TCell& Cell = FRows[static_cast<std::size_t>(Row)]->Cells[F];
            if (IgnoreCase && KeyText) {
                const QString* Text = std::get_if<QString>(&Cell);
                if (Text && Text->compare(*KeyText, Qt::CaseInsensitive) == 0)
                    Found = Row;
            } else if (Cell == Key) {
                Found = Row;
            }
        }
    }
    if (Found < 0)
        return false;
    FRecNo = Found;
    FEof = FBof = false;
    AnnounceCurrent();
    return true;
}

std::vector<int> TDataTable::ParseIndexFields(const QString& Names, QString* Canonical) const
{
    std::vector<int> Fields;
    QStringList Parts;
    for (const QString& Part : Names.split(u';')) {
        const QString Name = Part.trimmed();
        if (Name.isEmpty())
            continue;
        const int Index = FieldIndex(Name);
        if (Index < 0)
            throw Error(QStringLiteral("Field '%1' not found.").arg(Name));
        Fields.push_back(Index);
        Parts.append(FFields[static_cast<std::size_t>(Index)].Name);
    }
    *Canonical = Parts.join(u';');
    return Fields;
}

void TDataTable::SetIndexFieldNames(const QString& Names)
{
    CheckActive("SetIndexFieldNames");
    QString Canonical;
    std::vector<int> Fields = ParseIndexFields(Names, &Canonical);
    CheckBrowseMode();

    Announce([&] { emit AboutToBeReordered(); });
    for (int Row = 0; Row < RecordCount(); ++Row)
        FRows[static_cast<std::size_t>(Row)]->Mark = Row;
    FIndexFields = std::move(Fields);
    FIndexFieldNames = Canonical;
    SortRows();
    QList<int> NewRows(RecordCount());
    for (int Row = 0; Row < RecordCount(); ++Row)
        NewRows[FRows[static_cast<std::size_t>(Row)]->Mark] = Row;
    if (FRecNo >= 0)
        FRecNo = NewRows[FRecNo];
    Announce([&] { emit Reordered(NewRows); });
    AnnounceCurrent();
}

QByteArray TDataTable::SaveToXml()
{
    CheckActive("SaveToXml");
    CheckBrowseMode();

    std::vector<const TRecord*> Records;
    Records.reserve(FRows.size());
    for (const TRecordPtr& R : FRows)
        Records.push_back(R.get());
    if (!FIndexFields.empty())
        std::sort(Records.begin(), Records.end(), [](const TRecord* A, const TRecord* B) { return A->Seq < B->Seq; });

    QByteArray Packet;
    Packet.reserve(static_cast<qsizetype>(Records.size()) * 96 + 512);
    QXmlStreamWriter W(&Packet);
    W.writeStartDocument(QStringLiteral("1.0"), true);
    W.writeStartElement(QStringLiteral("DATAPACKET"));
    W.writeAttribute(QStringLiteral("Version"), QStringLiteral("2.0"));
    W.writeStartElement(QStringLiteral("METADATA"));
    W.writeStartElement(QStringLiteral("FIELDS"));
    for (const TFieldDef& F : FFields) {
        W.writeEmptyElement(QStringLiteral("FIELD"));
        W.writeAttribute(QStringLiteral("attrname"), F.Name);
        W.writeAttribute(QStringLiteral("fieldtype"), FieldTypeName(F.Type));
        if (F.Type == TFieldType::String)
            W.writeAttribute(QStringLiteral("WIDTH"), QString::number(F.Size));
    }
    W.writeEndElement(); // FIELDS
    W.writeEmptyElement(QStringLiteral("PARAMS"));
    W.writeEndElement(); // METADATA
    W.writeStartElement(QStringLiteral("ROWDATA"));
    for (const TRecord* R : Records) {
        W.writeEmptyElement(QStringLiteral("ROW"));
        for (std::size_t F = 0; F < FFields.size(); ++F) {
            const TCell& Cell = R->Cells[F];
            if (const qint32* I = std::get_if<qint32>(&Cell))
                W.writeAttribute(FFields[F].Name, QString::number(*I));
            else if (const QString* S = std::get_if<QString>(&Cell))
                W.writeAttribute(FFields[F].Name, *S);
        }
    }
    W.writeEndElement(); // ROWDATA
    W.writeEndElement(); // DATAPACKET
    W.writeEndDocument();
    if (W.hasError())
        throw Error(QStringLiteral("The table could not be written as a data packet."));
    return Packet;
}

void TDataTable::ParsePacket(
    const QByteArray& Packet, std::vector<TFieldDef>& Fields, std::vector<TRecordPtr>& Rows) const
{
    QXmlStreamReader R(Packet);
    auto Fail = [&R](const QString& Why) {
        return Error(QStringLiteral("The data packet cannot be read: %1 (line %2, column %3).")
                         .arg(Why)
                         .arg(R.lineNumber())
                         .arg(R.columnNumber()));
    };

    if (Packet.trimmed().isEmpty())
        throw Fail(QStringLiteral("the packet is empty"));
    if (!R.readNextStartElement())
        throw Fail(R.hasError() ? R.errorString() : QStringLiteral("it holds no XML element"));
    if (R.name() != u"DATAPACKET")
        throw Fail(QStringLiteral("the root element is <%1>, not <DATAPACKET>").arg(R.name()));

    bool HaveFields = false;
    auto ReadFields = [&] {
        while (R.readNextStartElement()) {
            if (R.name() != u"FIELD") {
                R.skipCurrentElement();
                continue;
            }
            const QXmlStreamAttributes A = R.attributes();
            TFieldDef Def;
            Def.Name = A.value(QLatin1String("attrname")).toString();
            const QStringView Type = A.value(QLatin1String("fieldtype"));
            if (Def.Name.isEmpty())
                throw Fail(QStringLiteral("a field has no name"));
            if (!IsXmlName(Def.Name))
                throw Fail(QStringLiteral("the field name \"%1\" cannot be used").arg(Def.Name));
            if (FindField(Fields, Def.Name) >= 0)
                throw Fail(QStringLiteral("the field \"%1\" is defined twice").arg(Def.Name));
            if (Type == u"i4") {
                Def.Type = TFieldType::Integer;
            } else if (Type == u"string") {
                Def.Type = TFieldType::String;
                bool Ok = false;
                Def.Size = A.value(QLatin1String("WIDTH")).toInt(&Ok);
                if (!Ok || Def.Size <= 0)
                    throw Fail(QStringLiteral("the text field \"%1\" has no valid WIDTH").arg(Def.Name));
            } else {
                throw Fail(QStringLiteral("the field \"%1\" has the type \"%2\", which this program cannot read")
                               .arg(Def.Name, Type));
            }
            Fields.push_back(Def);
            R.skipCurrentElement();
        }
        if (!R.hasError() && Fields.empty())
            throw Fail(QStringLiteral("the packet defines no fields"));
    };

    auto ReadRows = [&] {
        const std::size_t Count = Fields.size();
        // Categories and marks repeat from row to row: such a text is shared, not copied.
        std::vector<std::optional<QString>> Previous(Count);
        while (R.readNextStartElement()) {
            if (R.name() != u"ROW") {
                R.skipCurrentElement();
                continue;
            }
            auto Record = std::make_unique<TRecord>();
            Record->Cells.resize(Count);
            const QXmlStreamAttributes Attributes = R.attributes();
            std::size_t Guess = 0;
            for (const QXmlStreamAttribute& A : Attributes) {
                // Attributes mostly come in field order: try the next field first.
                const QStringView Name = A.qualifiedName();
                std::size_t F = Guess;
                if (F >= Count || Fields[F].Name != Name) {
                    F = 0;
                    while (F < Count && Fields[F].Name != Name)
                        ++F;
                    if (F == Count)
                        continue; // RowState and other attributes of no field
                }
                Guess = F + 1;
                const QStringView Value = A.value();
                if (Fields[F].Type == TFieldType::String) {
                    if (!Previous[F] || Value != *Previous[F])
                        Previous[F] = FitText(Value.toString(), Fields[F].Size);
                    Record->Cells[F] = *Previous[F];
                } else if (!Value.trimmed().isEmpty()) {
                    qint32 Number = 0;
                    if (!ParseInteger(Value, &Number))
                        throw Fail(QStringLiteral("the value \"%1\" of the field \"%2\" in row %3 is not an integer")
                                       .arg(Value)
                                       .arg(Fields[F].Name)
                                       .arg(static_cast<qulonglong>(Rows.size() + 1)));
                    Record->Cells[F] = Number;
                }
            }
            Rows.push_back(std::move(Record));
            R.skipCurrentElement();
        }
    };

    while (R.readNextStartElement()) {
        if (R.name() == u"METADATA") {
            while (R.readNextStartElement()) {
                if (R.name() == u"FIELDS" && !HaveFields) {
                    ReadFields();
                    HaveFields = true;
                } else {
                    R.skipCurrentElement();
                }
            }
        } else if (R.name() == u"ROWDATA") {
            if (!HaveFields)
                throw Fail(QStringLiteral("the rows come before the field definitions"));
            ReadRows();
        } else {
            R.skipCurrentElement();
        }
    }
    if (!R.hasError() && !HaveFields)
        throw Fail(QStringLiteral("the packet has no field definitions (METADATA/FIELDS)"));
    while (!R.hasError() && !R.atEnd())
        R.readNext(); // anything after the root element is an error
    if (R.hasError())
        throw Fail(R.errorString());
}

void TDataTable::LoadFromXml(const QByteArray& Packet)
{
    std::vector<TFieldDef> Fields;
    std::vector<TRecordPtr> Rows;
    DropPending();
    try {
        ParsePacket(Packet, Fields, Rows);
    } catch (const Error&) {
        ReplaceContent({}, {}, false, false);
        throw;
    }
    ReplaceContent(std::move(Fields), std::move(Rows), true, false);
}

void TDataTable::DropPending()
{
    if (FState == TTableState::Edit) {
        FRows[static_cast<std::size_t>(FRecNo)]->Cells = std::move(FSavedCells);
    } else if (FState == TTableState::Insert) {
        FRows.erase(FRows.begin() + FRecNo);
        FRecNo = std::min(FRecNo, RecordCount() - 1);
    }
    FSavedCells.clear();
    FRecordModified = false;
    if (FActive)
        FState = TTableState::Browse;
}

void TDataTable::ReplaceContent(
    std::vector<TFieldDef> Fields, std::vector<TRecordPtr> Rows, bool Active, bool KeepIndex)
{
    Announce([&] { emit AboutToBeReset(); });
    FFields = std::move(Fields);
    FRows = std::move(Rows);
    FActive = Active;
    FState = Active ? TTableState::Browse : TTableState::Inactive;
    if (!KeepIndex) {
        FIndexFields.clear();
        FIndexFieldNames.clear();
    }
    FMaxSeq = 0;
    for (TRecordPtr& R : FRows) {
        R->Seq = (FMaxSeq += SeqStep);
        R->Id = ++FLastId;
    }
    FRecNo = FRows.empty() ? -1 : 0;
    FBof = true;
    FEof = FRows.empty();
    FRecordModified = false;
    FSavedCells.clear();
    FDeletedCells.clear();
    Announce([&] { emit WasReset(); });
    FAnnouncedId = 0;
    FAnnouncedRecNo = -2; // announce the current record afresh
    AnnounceCurrent();
}

void TDataTable::DisableControls()
{
    ++FDisableCount;
}

void TDataTable::EnableControls()
{
    TUMBALO_ASSERT(FDisableCount > 0, QStringLiteral("EnableControls without DisableControls."));
    if (--FDisableCount > 0)
        return;
    if (FChangedWhileDisabled) {
        FChangedWhileDisabled = false;
        Announce([&] { emit AboutToBeReset(); });
        Announce([&] { emit WasReset(); });
        FAnnouncedId = 0;
        FAnnouncedRecNo = -2;
    }
    AnnounceCurrent();
}

void TDataTable::AnnounceCurrent()
{
    if (FDisableCount > 0)
        return;
    const quint64 Id = FRecNo >= 0 ? FRows[static_cast<std::size_t>(FRecNo)]->Id : 0;
    if (Id == FAnnouncedId && FRecNo == FAnnouncedRecNo)
        return;
    FAnnouncedId = Id;
    FAnnouncedRecNo = FRecNo;
    Announce([&] { emit CurrentChanged(FRecNo); });
}

void TDataTable::FireEvent(const TEvent& Event)
{
    if (Event)
        Event(*this);
}
