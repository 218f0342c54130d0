#pragma once
// Binding the unit's tag list to DirectoryTable, and the table-side checks of
// the RFID page: the RFID codes of the records, the blocks "Write All" sends,
// and the owner of a captured code.
#include <QByteArray>
#include <QList>
#include <QSet>

#include <optional>

#include "tagcodes.h"

namespace porv {

class MemTable;

// The bookkeeping of one tag download: the Addr texts of the records that
// received a tag, in the order they received it (at most 999), and the
// counter that numbers the placeholder addresses of the records the download
// creates. The list holds stored addresses only; it has no free slots that an
// empty Addr could be mistaken for.
class TaggedAddresses {
public:
    static constexpr int kCapacity = 999;
    static constexpr int kFirstCounter = 2;

    void Reset();
    // The counter: 2 after a reset, raised by one for every tag bound.
    int Counter() const { return m_counter; }
    const QList<QByteArray> &Addresses() const { return m_addresses; }
    bool Contains(const QByteArray &addr) const { return m_lookup.contains(addr); }
    // Stores addr when the list has room; raises the counter in every case.
    void Store(const QByteArray &addr);
    // Raises the counter without storing (a placeholder number already taken).
    void Skip() { ++m_counter; }

private:
    QList<QByteArray> m_addresses;
    QSet<QByteArray> m_lookup;
    int m_counter = kFirstCounter;
};

struct TagBindingResult {
    int boundToRecords = 0; // tags that went to records already in the table
    int newRecords = 0;     // records created for tags without a free record
};

// Empties RFID of every record, first to last (a pending change is settled
// first).
void ClearTagCodes(MemTable &table);

// Binds each entry, in order, to the first record in the table's current
// order whose RoomNumber equals the room exactly and that has not received a
// tag in this binding; records are told apart by themselves, not by their
// Addr text, so records with an empty (or the same) Addr each take one tag.
// An entry without such a record becomes a new record with RoomNumber, RFID
// and a placeholder Addr "p" + the counter (numbers already used as an Addr in
// the table are passed over, so no two records share a placeholder). The
// table's display updates should be suspended by the caller.
TagBindingResult BindTags(MemTable &table, const QList<TagEntry> &entries, TaggedAddresses &tagged);

// The 0-based row of the first record whose RFID is neither empty nor ten
// hexadecimal digits, or -1.
int FirstMalformedTagRow(const MemTable &table);
// The 0-based rows of the records with a tag whose room holds the unit's
// erased byte 0xFF: the unit would list the tag's room cut short there.
QList<int> UnstorableTagRows(const MemTable &table);

// Collects the blocks of "Write All" from the records in the table's order:
// four entries a block, from the records that have both a room and a code.
class TagBlockCollector {
public:
    explicit TagBlockCollector(const MemTable &table);
    // The data of the next block (64 characters), or empty when no record with
    // an entry remains.
    QByteArray Next();
    // Whether records with entries remain after the blocks collected so far.
    bool EntriesRemain();

private:
    const MemTable &m_table;
    int m_row = 0;
    int m_roomField;
    int m_rfidField;
};

// The RoomNumber of the first record (in the table's order) whose RFID equals
// the code exactly, or nothing. Reads the table without moving its current
// record.
std::optional<QByteArray> FindTagOwnerRoom(const MemTable &table, const QByteArray &code);

} // namespace porv
