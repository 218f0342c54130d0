#include "tagbinding.h"

#include <QHash>
#include <QVector>

#include "directorytable.h"
#include "memtable.h"

namespace porv {

namespace {

const QByteArray kRoomField = QByteArrayLiteral("RoomNumber");
const QByteArray kRfidField = QByteArrayLiteral("RFID");
const QByteArray kAddrField = QByteArrayLiteral("Addr");

QByteArray placeholder(int counter) { return 'p' + QByteArray::number(counter); }

} // namespace

// --- TaggedAddresses ----------------------------------------------------------------

void TaggedAddresses::Reset()
{
    m_addresses.clear();
    m_lookup.clear();
    m_counter = kFirstCounter;
}

void TaggedAddresses::Store(const QByteArray &addr)
{
    if (m_addresses.size() < kCapacity) {
        m_addresses.append(addr);
        m_lookup.insert(addr);
    }
    ++m_counter;
}

// --- binding ---------------------------------------------------------------------------

void ClearTagCodes(MemTable &table)
{
    const int rfid = table.FieldIndex(kRfidField);
    if (!table.IsOpen() || rfid < 0)
        return;
    table.First();
    while (!table.Eof()) {
        if (!table.FieldText(rfid).isEmpty()) {
            table.Edit();
            table.SetFieldText(rfid, QByteArray());
            table.Post();
        }
        table.Next();
    }
}

TagBindingResult BindTags(MemTable &table, const QList<TagEntry> &entries, TaggedAddresses &tagged)
{
    TagBindingResult result;
    const int roomField = table.FieldIndex(kRoomField);
    const int rfidField = table.FieldIndex(kRfidField);
    const int addrField = table.FieldIndex(kAddrField);
    if (!table.IsOpen() || roomField < 0 || rfidField < 0 || addrField < 0)
        return result;
    if (table.CurrentState() != MemTable::State::Browse)
        table.First(); // settles a pending change

    // The records of each room in table order, with how many of them have
    // taken a tag so far: the next free record of a room is found at once.
    const int records = table.RecordCount();
    struct RoomRecords {
        QList<int> rows;
        int taken = 0;
    };
    QHash<QByteArray, RoomRecords> rooms;
    QSet<QByteArray> addresses;
    rooms.reserve(records);
    addresses.reserve(records);
    for (int row = 0; row < records; ++row) {
        rooms[table.RowText(row, roomField)].rows.append(row);
        addresses.insert(table.RowText(row, addrField));
    }

    QVector<QByteArray> codeOfRow(records);
    struct NewRecord {
        QByteArray room, code, addr;
    };
    QList<NewRecord> created;
    for (const TagEntry &entry : entries) {
        const auto it = rooms.find(entry.room);
        if (it != rooms.end() && it->taken < it->rows.size()) {
            const int row = it->rows.at(it->taken++);
            codeOfRow[row] = entry.code;
            tagged.Store(table.RowText(row, addrField));
            ++result.boundToRecords;
            continue;
        }
        while (addresses.contains(placeholder(tagged.Counter())))
            tagged.Skip();
        const QByteArray addr = placeholder(tagged.Counter());
        addresses.insert(addr);
        tagged.Store(addr);
        created.append({entry.room, entry.code, addr});
        ++result.newRecords;
    }

    // The codes go onto the records first, while their rows stand as they were
    // read (a new record may take its sorted place among them).
    for (int row = 0; row < records; ++row) {
        if (codeOfRow[row].isNull())
            continue;
        table.SetPosition(row + 1);
        table.Edit();
        table.SetFieldText(rfidField, codeOfRow[row]);
        table.Post();
    }
    QList<QByteArray> values(table.FieldCount());
    for (const NewRecord &n : created) {
        values.fill(QByteArray());
        values[roomField] = n.room;
        values[rfidField] = n.code;
        values[addrField] = n.addr;
        table.AppendRecord(values);
    }
    return result;
}

int FirstMalformedTagRow(const MemTable &table)
{
    const int rfid = table.FieldIndex(kRfidField);
    if (rfid < 0)
        return -1;
    for (int row = 0; row < table.RecordCount(); ++row) {
        if (!TagCodeWellFormed(table.RowText(row, rfid)))
            return row;
    }
    return -1;
}

QList<int> UnstorableTagRows(const MemTable &table)
{
    QList<int> rows;
    const int rfid = table.FieldIndex(kRfidField);
    const int room = table.FieldIndex(kRoomField);
    if (rfid < 0 || room < 0)
        return rows;
    for (int row = 0; row < table.RecordCount(); ++row)
        if (!table.RowText(row, rfid).isEmpty() && table.RowText(row, room).contains(kErasedByte))
            rows.append(row);
    return rows;
}

// --- Write All blocks ---------------------------------------------------------------------

TagBlockCollector::TagBlockCollector(const MemTable &table)
    : m_table(table), m_roomField(table.FieldIndex(kRoomField)), m_rfidField(table.FieldIndex(kRfidField))
{
}

QByteArray TagBlockCollector::Next()
{
    QList<QByteArray> entries;
    while (entries.size() < kTagEntriesPerBlock && m_row < m_table.RecordCount()) {
        const QByteArray entry =
            TagEntryText(m_table.RowText(m_row, m_roomField), m_table.RowText(m_row, m_rfidField));
        ++m_row;
        if (!entry.isEmpty())
            entries.append(entry);
    }
    return entries.isEmpty() ? QByteArray() : TagBlockData(entries);
}

bool TagBlockCollector::EntriesRemain()
{
    for (int row = m_row; row < m_table.RecordCount(); ++row) {
        if (!TagEntryText(m_table.RowText(row, m_roomField), m_table.RowText(row, m_rfidField)).isEmpty())
            return true;
    }
    return false;
}

std::optional<QByteArray> FindTagOwnerRoom(const MemTable &table, const QByteArray &code)
{
    const int rfid = table.FieldIndex(kRfidField);
    const int room = table.FieldIndex(kRoomField);
    if (rfid < 0 || room < 0)
        return std::nullopt;
    for (int row = 0; row < table.RecordCount(); ++row) {
        if (table.RowText(row, rfid) == code)
            return table.RowText(row, room);
    }
    return std::nullopt;
}

} // namespace porv
