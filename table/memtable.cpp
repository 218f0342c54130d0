// MemTable: its structure, reading, moving, order and display; the record
// changes are in memtableedit.cpp.
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
