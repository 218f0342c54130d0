#pragma once
// The in-memory table: named, typed fields defined at run time, records in
// insertion order or in the order of one sort, a current record with the
// pending-change rules (append, insert, edit, post, cancel), locate, the
// after-move and before-delete notifications, and suspend/resume of display
// updates. DirectoryTable and EventTable are both of this kind.
//
// All values are byte strings. Text fields cut a stored value to their width;
// 16-bit integer fields hold their value as decimal text (empty when never set).
#include <QByteArray>
#include <QCollator>
#include <QList>
#include <QObject>
#include <QVector>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace porv {

enum class FieldType { Text, Int16 };

struct FieldDef {
    QByteArray name;
    FieldType type = FieldType::Text;
    int width = 0; // text fields only
};

class MemTable : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Browse, Edit, Insert };
    enum class SortCase { Sensitive, Insensitive };

    explicit MemTable(QObject *parent = nullptr);
    ~MemTable() override;

    // --- structure ---
    // Close the table and drop the fields and the sort.
    void Reset();
    // Add a field at the end of the field list; only while the table is closed.
    // A name that is already defined (in any letter case) is refused.
    bool DefineField(const QByteArray &name, FieldType type, int width = 0);
    int FieldCount() const { return int(m_fields.size()); }
    const FieldDef &Field(int index) const { return m_fields[size_t(index)]; }
    // Index of a field by name, without regard to case; -1 when there is none.
    int FieldIndex(const QByteArray &name) const;

    // Open an empty table on the defined fields; Close drops every record and
    // any pending change.
    void Open();
    void Close();
    bool IsOpen() const { return m_state != State::Closed; }
    // Delete every record (and any pending change).
    void EmptyTable();

    // --- reading ---
    State CurrentState() const { return m_state; }
    int RecordCount() const { return int(m_order.size()); }
    // 1-based place of the current record in the current order; -1 while the
    // current record is a new, unposted one, and -1 when the table is empty.
    int Position() const;
    // Value of a field of the current record (the pending values while a change
    // is open); empty text for an unknown field or no current record.
    QByteArray FieldText(const QByteArray &name) const;
    QByteArray FieldText(int field) const;
    // Value of a field of the posted record at a 0-based row of the current order.
    QByteArray RowText(int row, int field) const;

    // --- moving (each settles a pending change first) ---
    void First();
    void Next();
    // True after Next found no further record, and for an empty table.
    bool Eof() const { return m_eof; }
    // Ignored when out of range or equal to the current position.
    void SetPosition(int position);
    // Settles a pending change (posted when a field was set, dropped
    // otherwise) and stays on the current record.
    void Refresh();
    // Moves to the first record, in the current order, whose field equals the
    // value exactly (case-sensitive); returns false and stays when none does.
    bool Locate(const QByteArray &field, const QByteArray &value);

    // --- changes ---
    void Append();   // new blank record after the last
    void Insert();   // new blank record before the current one
    void Edit();     // change the current record (opens a new one on an empty table)
    // Sets a field of the pending change; false when no change is open or the
    // field is unknown. An integer field throws ConversionError for text that is
    // not a 16-bit integer.
    bool SetFieldText(const QByteArray &name, const QByteArray &value);
    bool SetFieldText(int field, const QByteArray &value);
    void Post();
    void Cancel();
    // Append and post one record with the values of all fields in field order
    // (missing trailing values stay empty).
    void AppendRecord(const QList<QByteArray> &values);
    // Deletes the current record unless the before-delete check refuses
    // (silently). Returns whether a record was deleted.
    bool Delete();

    // --- order ---
    // Ascending on one field in the user's locale collation, replacing any earlier
    // sort; records added or changed later take their sorted place. Integer
    // fields sort by value. False for an unknown field.
    bool Sort(const QByteArray &field, SortCase sortCase);
    int SortField() const { return m_sortField; }

    // --- notifications ---
    // Before a delete: return false to refuse it.
    void SetBeforeDelete(std::function<bool()> check) { m_beforeDelete = std::move(check); }

    // Display updates: while suspended (calls nest) no display signal is sent;
    // the last resume sends one displayReset.
    void SuspendDisplay();
    void ResumeDisplay();
    bool DisplaySuspended() const { return m_suspend > 0; }

signals:
    // After every change of the current record: moves, locate, append, insert,
    // cancel of a new record, delete, empty, sort.
    void afterMove();

    // Display signals, rows counting posted records in the current order.
    void rowsAboutToBeInserted(int row);
    void rowsInserted();
    void rowsAboutToBeRemoved(int row);
    void rowsRemoved();
    void rowAboutToBeMoved(int from, int to); // to: the row's place after the move
    void rowMoved();
    void rowChanged(int row);
    void displayAboutToBeReset();
    void displayReset();

private:
    struct Row {
        QVector<QByteArray> values;
        std::optional<QCollatorSortKey> textKey; // when sorting a text field
        int numberKey = 0;                       // when sorting an integer field
    };

    QByteArray store(int field, const QByteArray &value) const;
    void settle();
    void placeKey(Row &row) const;
    bool keyLess(const Row &a, const Row &b) const;
    int sortedPlace(const Row &row) const; // after the records that compare equal
    int newSlot(Row &&row);
    void postNew();
    void postEdit();
    void emitReset();
    bool displaying() const { return m_suspend == 0; }
    // Drops every record and any pending change; the display is reset once.
    void dropRecords(State next);
    void moved() { emit afterMove(); }

    std::vector<FieldDef> m_fields;
    std::vector<Row> m_rows;     // storage; freed slots are reused
    std::vector<int> m_freeSlots;
    std::vector<int> m_order;    // the current order: slots of posted records
    int m_current = -1;          // 0-based place in m_order; -1 when empty

    State m_state = State::Closed;
    QVector<QByteArray> m_pending;
    bool m_pendingSet = false;
    bool m_pendingAppend = false; // a new record from Append (else from Insert)

    int m_sortField = -1;
    SortCase m_sortCase = SortCase::Sensitive;
    std::optional<QCollator> m_collator;

    bool m_eof = true;
    int m_suspend = 0;
    std::function<bool()> m_beforeDelete;
};

// The display updates of a table paused while it is filled or renumbered:
// suspended from construction to Resume() or the end of the scope, however the
// scope ends, so that a failure half way through a fill never leaves the grids
// detached from their table.
class TableDisplayPause {
public:
    explicit TableDisplayPause(MemTable &table) : m_table(&table) { table.SuspendDisplay(); }
    ~TableDisplayPause() { Resume(); }
    TableDisplayPause(const TableDisplayPause &) = delete;
    TableDisplayPause &operator=(const TableDisplayPause &) = delete;
    // Resumes now (once); the end of the scope then leaves the table alone.
    void Resume()
    {
        if (MemTable *table = std::exchange(m_table, nullptr))
            table->ResumeDisplay();
    }

private:
    MemTable *m_table;
};

// The number a 16-bit integer field takes from a text, as ParseInteger reads
// it (leading blanks, a sign, decimal digits, or "$" and "0x" hexadecimal; no
// trailing characters); nothing for any other text or a number outside
// -32768..32767. Setting a field and loading a table file both read this way.
std::optional<int> Int16FieldValue(const QByteArray &text);

// The collation used for table sorts: the user's locale, with "C" and "POSIX"
// collated as en_US.
QCollator TableCollator(MemTable::SortCase sortCase);

} // namespace porv
