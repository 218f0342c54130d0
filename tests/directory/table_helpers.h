#pragma once
#include "memtable.h"

#include <QByteArray>
#include <QList>
#include <QLocale>

namespace porv::test {

// A two-field table (Name 16, Room 6), open and empty.
inline void DefineNameRoom(MemTable &t)
{
    t.Reset();
    t.DefineField(QByteArrayLiteral("Name"), FieldType::Text, 16);
    t.DefineField(QByteArrayLiteral("Room"), FieldType::Text, 6);
    t.Open();
}

inline QList<QByteArray> Column(const MemTable &t, int field)
{
    QList<QByteArray> out;
    for (int r = 0; r < t.RecordCount(); ++r)
        out.append(t.RowText(r, field));
    return out;
}

inline QList<QByteArray> Bytes(std::initializer_list<const char *> items)
{
    QList<QByteArray> out;
    for (const char *s : items)
        out.append(QByteArray(s));
    return out;
}

// Sets the default locale for the collation asserts and restores it after.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale &locale) : m_saved(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

} // namespace porv::test
