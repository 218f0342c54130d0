#include "clientfilter.h"

#include <algorithm>

#include "directorytable.h"
#include "memtable.h"

namespace porv {

namespace {

// The number's dial characters as the finder compares them: without its
// layout (blanks, dashes, dots, brackets), "P" and ":" (pauses) read as "p".
QByteArray dialForm(const QByteArray &phone)
{
    QByteArray out = DialNumber(phone);
    for (char &c : out) {
        if (c == 'P' || c == ':')
            c = 'p';
    }
    return out;
}

bool holdsFolded(const QByteArray &value, const QByteArray &folded)
{
    if (value.size() < folded.size())
        return false;
    return FoldLatin1(value).contains(folded);
}

} // namespace

QByteArray FoldLatin1(const QByteArray &text)
{
    QByteArray out = text;
    for (char &c : out) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7))
            c = static_cast<char>(b + 0x20);
    }
    return out;
}

ClientMatcher::ClientMatcher(const QString &text) : m_empty(text.isEmpty())
{
    if (m_empty)
        return;
    for (QChar ch : text) {
        if (ch.unicode() > 0xFF)
            m_typable = false;
    }
    m_folded = FoldLatin1(text.toLatin1());
    const QByteArray dialed = dialForm(text.toLatin1());
    if (!dialed.isEmpty() && std::all_of(dialed.begin(), dialed.end(), IsDialCharacter))
        m_dialed = dialed;
}

bool ClientMatcher::Matches(const QByteArray &name, const QByteArray &room, const QByteArray &phone,
                            const QByteArray &tag) const
{
    if (m_empty)
        return true;
    // A character the unit's character set cannot hold is in no record.
    if (!m_typable)
        return false;
    if (holdsFolded(name, m_folded) || holdsFolded(room, m_folded) || holdsFolded(tag, m_folded))
        return true;
    return !m_dialed.isEmpty() && dialForm(phone).contains(m_dialed);
}

ClientFilterModel::ClientFilterModel(const MemTable &table, QObject *parent)
    : QSortFilterProxyModel(parent), m_table(table)
{
}

void ClientFilterModel::SetFindText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_matcher = ClientMatcher(text);
    invalidateFilter();
}

void ClientFilterModel::SetPhonesSearched(bool searched)
{
    if (searched == m_phones)
        return;
    m_phones = searched;
    invalidateFilter();
}

bool ClientFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_matcher.Empty() || sourceParent.isValid())
        return true;
    // While the table's display is suspended it may hold other rows than the
    // grid was told of: those are shown until the display is reset.
    if (sourceRow >= m_table.RecordCount())
        return true;
    static const QByteArray name("Name"), room("RoomNumber"), phone("PHnumber"), tag("RFID");
    auto field = [this, sourceRow](const QByteArray &fieldName) {
        return m_table.RowText(sourceRow, m_table.FieldIndex(fieldName));
    };
    return m_matcher.Matches(field(name), field(room), m_phones ? field(phone) : QByteArray(), field(tag));
}

} // namespace porv
