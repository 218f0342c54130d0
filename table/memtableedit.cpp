// MemTable's record changes: the pending new or edited record (append,
// insert, edit, the field texts, post, cancel), its place under the sort, and
// the delete with its veto. The structure, reading, moving, order and display
// are in memtable.cpp.
#include "memtable.h"

#include "codecs.h"
#include "failures.h"

#include <algorithm>
#include <climits>

namespace porv {

// --- changes ---

QByteArray MemTable::store(int field, const QByteArray &value) const
{
    const FieldDef &def = m_fields[size_t(field)];
    if (def.type == FieldType::Text)
        return value.size() > def.width ? value.left(def.width) : value;
    if (value.isEmpty())
        return QByteArray();
    const std::optional<int> number = Int16FieldValue(value);
    if (!number)
        throw ConversionError(value);
    return QByteArray::number(*number);
}

void MemTable::Append()
{
    if (!IsOpen())
        return;
    settle();
    m_state = State::Insert;
    m_pending = QVector<QByteArray>(FieldCount());
    m_pendingSet = false;
    m_pendingAppend = true;
    m_eof = true;
    moved();
}

void MemTable::Insert()
{
    if (!IsOpen())
        return;
    settle();
    m_state = State::Insert;
    m_pending = QVector<QByteArray>(FieldCount());
    m_pendingSet = false;
    m_pendingAppend = false;
    moved();
}

void MemTable::Edit()
{
    if (m_state != State::Browse)
        return;
    if (m_order.empty() || m_current < 0) {
        Insert();
        return;
    }
    m_state = State::Edit;
    m_pending = m_rows[size_t(m_order[size_t(m_current)])].values;
    m_pending.resize(FieldCount());
    m_pendingSet = false;
}

bool MemTable::SetFieldText(const QByteArray &name, const QByteArray &value)
{
    return SetFieldText(FieldIndex(name), value);
}

bool MemTable::SetFieldText(int field, const QByteArray &value)
{
    if (m_state != State::Edit && m_state != State::Insert)
        return false;
    if (field < 0 || field >= FieldCount())
        return false;
    m_pending[field] = store(field, value);
    m_pendingSet = true;
    return true;
}

void MemTable::placeKey(Row &row) const
{
    row.textKey.reset();
    row.numberKey = 0;
    if (m_sortField < 0)
        return;
    const QByteArray value = m_sortField < row.values.size() ? row.values[m_sortField] : QByteArray();
    if (m_fields[size_t(m_sortField)].type == FieldType::Int16)
        row.numberKey = value.isEmpty() ? INT_MIN : value.toInt();
    else
        row.textKey.emplace(m_collator->sortKey(QString::fromLatin1(value)));
}

bool MemTable::keyLess(const Row &a, const Row &b) const
{
    if (m_fields[size_t(m_sortField)].type == FieldType::Int16)
        return a.numberKey < b.numberKey;
    return a.textKey->compare(*b.textKey) < 0;
}

int MemTable::sortedPlace(const Row &row) const
{
    const auto it = std::upper_bound(m_order.begin(), m_order.end(), &row,
                                     [this](const Row *r, int slot) { return keyLess(*r, m_rows[size_t(slot)]); });
    return int(it - m_order.begin());
}

int MemTable::newSlot(Row &&row)
{
    if (!m_freeSlots.empty()) {
        const int slot = m_freeSlots.back();
        m_freeSlots.pop_back();
        m_rows[size_t(slot)] = std::move(row);
        return slot;
    }
    m_rows.push_back(std::move(row));
    return int(m_rows.size()) - 1;
}

void MemTable::postNew()
{
    Row row;
    row.values = std::move(m_pending);
    m_pending.clear();
    placeKey(row);
    int place;
    if (m_sortField >= 0) {
        // Appends arriving in order go to the end without a search.
        if (m_order.empty() || !keyLess(row, m_rows[size_t(m_order.back())]))
            place = RecordCount();
        else
            place = sortedPlace(row);
    } else if (m_pendingAppend || m_current < 0) {
        place = RecordCount();
    } else {
        place = m_current;
    }
    const int slot = newSlot(std::move(row));
    if (displaying())
        emit rowsAboutToBeInserted(place);
    m_order.insert(m_order.begin() + place, slot);
    m_current = place;
    m_state = State::Browse;
    if (displaying())
        emit rowsInserted();
}

void MemTable::postEdit()
{
    const int slot = m_order[size_t(m_current)];
    Row &row = m_rows[size_t(slot)];
    row.values = std::move(m_pending);
    m_pending.clear();
    m_state = State::Browse;
    if (m_sortField >= 0) {
        placeKey(row);
        const int from = m_current;
        // A record whose key still fits between its neighbours keeps its place
        // (records with equal keys keep their order, so a walk through the
        // table that edits each record visits every one).
        const bool fitsBefore = from == 0 || !keyLess(row, m_rows[size_t(m_order[size_t(from - 1)])]);
        const bool fitsAfter = from + 1 >= RecordCount() || !keyLess(m_rows[size_t(m_order[size_t(from + 1)])], row);
        if (fitsBefore && fitsAfter) {
            if (displaying())
                emit rowChanged(m_current);
            return;
        }
        m_order.erase(m_order.begin() + from);
        const int to = sortedPlace(row);
        m_order.insert(m_order.begin() + from, slot);
        if (to != from) {
            if (displaying())
                emit rowAboutToBeMoved(from, to);
            m_order.erase(m_order.begin() + from);
            m_order.insert(m_order.begin() + to, slot);
            m_current = to;
            if (displaying())
                emit rowMoved();
        }
    }
    if (displaying())
        emit rowChanged(m_current);
}

void MemTable::Post()
{
    if (m_state == State::Insert)
        postNew();
    else if (m_state == State::Edit)
        postEdit();
}

void MemTable::Cancel()
{
    if (m_state == State::Insert) {
        m_state = State::Browse;
        m_pending.clear();
        m_eof = m_order.empty();
        moved();
    } else if (m_state == State::Edit) {
        m_state = State::Browse;
        m_pending.clear();
    }
}

void MemTable::AppendRecord(const QList<QByteArray> &values)
{
    if (!IsOpen())
        return;
    settle();
    QVector<QByteArray> stored(FieldCount());
    const int n = std::min(int(values.size()), FieldCount());
    for (int i = 0; i < n; ++i)
        stored[i] = store(i, values[i]);
    m_pending = std::move(stored);
    m_pendingAppend = true;
    m_pendingSet = true;
    m_state = State::Insert;
    postNew();
    m_eof = false;
    moved();
}

bool MemTable::Delete()
{
    if (m_state == State::Insert) {
        Cancel();
        return false;
    }
    if (m_state == State::Closed || m_order.empty() || m_current < 0)
        return false;
    if (m_beforeDelete && !m_beforeDelete())
        return false;
    m_state = State::Browse;
    m_pending.clear();
    const int place = m_current;
    const int slot = m_order[size_t(place)];
    if (displaying())
        emit rowsAboutToBeRemoved(place);
    m_order.erase(m_order.begin() + place);
    m_rows[size_t(slot)] = Row();
    m_freeSlots.push_back(slot);
    if (m_order.empty()) {
        m_current = -1;
        m_eof = true;
    } else if (place >= RecordCount()) {
        m_current = RecordCount() - 1;
    }
    if (displaying())
        emit rowsRemoved();
    moved();
    return true;
}

} // namespace porv
