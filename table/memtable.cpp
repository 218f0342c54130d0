#include "memtable.h"

#include "codecs.h"
#include "failures.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <climits>

namespace porv {

QCollator TableCollator(MemTable::SortCase sortCase)
{
    QLocale locale;
    // The plain "C"/"POSIX" locale would compare code points (all capitals before
    // all small letters); the tables sort letters by alphabet first.
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(sortCase == MemTable::SortCase::Insensitive ? Qt::CaseInsensitive
                                                                              : Qt::CaseSensitive);
    collator.setNumericMode(false);
    collator.setIgnorePunctuation(false);
    return collator;
}

std::optional<int> Int16FieldValue(const QByteArray &text)
{
    try {
        const int number = ParseInteger(text);
        if (number >= -32768 && number <= 32767)
            return number;
    } catch (const ConversionError &) {
    }
    return std::nullopt;
}

MemTable::MemTable(QObject *parent) : QObject(parent) {}

MemTable::~MemTable() = default;

// --- structure ---

void MemTable::Reset()
{
    Close();
    m_fields.clear();
    m_sortField = -1;
    m_collator.reset();
    if (displaying()) {
        emit displayAboutToBeReset();
        emit displayReset();
    }
}

bool MemTable::DefineField(const QByteArray &name, FieldType type, int width)
{
    if (IsOpen() || name.isEmpty() || FieldIndex(name) >= 0)
        return false;
    m_fields.push_back(FieldDef{name, type, type == FieldType::Text ? std::max(0, width) : 0});
    return true;
}

int MemTable::FieldIndex(const QByteArray &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void MemTable::dropRecords(State next)
{
    if (displaying())
        emit displayAboutToBeReset();
    m_rows.clear();
    m_freeSlots.clear();
    m_order.clear();
    m_current = -1;
    m_pending.clear();
    m_state = next;
    m_eof = true;
    if (displaying())
        emit displayReset();
}

void MemTable::Open()
{
    if (IsOpen())
        return;
    dropRecords(State::Browse);
}

void MemTable::Close()
{
    if (!IsOpen())
        return;
    dropRecords(State::Closed);
}

void MemTable::EmptyTable()
{
    if (!IsOpen())
        return;
    dropRecords(State::Browse);
    moved();
}

// --- reading ---

int MemTable::Position() const
{
    if (m_state == State::Insert || m_order.empty() || m_current < 0)
        return -1;
    return m_current + 1;
}

QByteArray MemTable::FieldText(const QByteArray &name) const { return FieldText(FieldIndex(name)); }

QByteArray MemTable::FieldText(int field) const
{
    if (field < 0 || field >= FieldCount())
        return QByteArray();
    if (m_state == State::Edit || m_state == State::Insert)
        return field < m_pending.size() ? m_pending[field] : QByteArray();
    if (m_state == State::Closed || m_current < 0 || m_current >= RecordCount())
        return QByteArray();
    return RowText(m_current, field);
}

QByteArray MemTable::RowText(int row, int field) const
{
    if (row < 0 || row >= RecordCount() || field < 0 || field >= FieldCount())
        return QByteArray();
    const Row &r = m_rows[size_t(m_order[size_t(row)])];
    return field < r.values.size() ? r.values[field] : QByteArray();
}

// --- moving ---

void MemTable::settle()
{
    if (m_state == State::Edit || m_state == State::Insert) {
        if (m_pendingSet)
            Post();
        else
            Cancel();
    }
}

void MemTable::First()
{
    if (!IsOpen())
        return;
    settle();
    m_current = m_order.empty() ? -1 : 0;
    m_eof = m_order.empty();
    moved();
}

void MemTable::Next()
{
    if (!IsOpen())
        return;
    settle();
    if (m_current + 1 < RecordCount()) {
        ++m_current;
        m_eof = false;
        moved();
    } else {
        m_eof = true;
    }
}

void MemTable::SetPosition(int position)
{
    if (!IsOpen())
        return;
    if (position < 1 || position > RecordCount() || position == Position())
        return;
    settle();
    // Settling may have added or moved a record: check the range again.
    if (position > RecordCount() || position == Position())
        return;
    m_current = position - 1;
    m_eof = false;
    moved();
}

void MemTable::Refresh()
{
    if (IsOpen())
        settle();
}

bool MemTable::Locate(const QByteArray &field, const QByteArray &value)
{
    if (!IsOpen())
        return false;
    const int f = FieldIndex(field);
    if (f < 0)
        return false;
    settle();
    for (int i = 0; i < RecordCount(); ++i) {
        const Row &r = m_rows[size_t(m_order[size_t(i)])];
        if (f < r.values.size() && r.values[f] == value) {
            m_current = i;
            m_eof = false;
            moved();
            return true;
        }
    }
    return false;
}

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

// --- order ---

bool MemTable::Sort(const QByteArray &field, SortCase sortCase)
{
    if (!IsOpen())
        return false;
    const int f = FieldIndex(field);
    if (f < 0)
        return false;
    settle();
    m_sortField = f;
    m_sortCase = sortCase;
    m_collator.emplace(TableCollator(sortCase));
    for (int slot : m_order)
        placeKey(m_rows[size_t(slot)]);
    const int currentSlot = m_current >= 0 ? m_order[size_t(m_current)] : -1;
    if (displaying())
        emit displayAboutToBeReset();
    std::stable_sort(m_order.begin(), m_order.end(),
                     [this](int a, int b) { return keyLess(m_rows[size_t(a)], m_rows[size_t(b)]); });
    if (currentSlot >= 0)
        m_current = int(std::find(m_order.begin(), m_order.end(), currentSlot) - m_order.begin());
    if (displaying())
        emit displayReset();
    moved();
    return true;
}

// --- display ---

void MemTable::SuspendDisplay() { ++m_suspend; }

void MemTable::ResumeDisplay()
{
    if (m_suspend == 0)
        return;
    if (--m_suspend == 0)
        emitReset();
}

void MemTable::emitReset()
{
    emit displayAboutToBeReset();
    emit displayReset();
}

} // namespace porv
