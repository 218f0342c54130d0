#include "remembered.h"

#include <QFile>

#include "failures.h"
#include "savefile.h"

namespace porv {

void RememberedDetails::overlay(const QByteArray &bytes)
{
    const int n = std::min<int>(int(bytes.size()), Size);
    for (int i = 0; i < n; ++i)
        m_bytes[i] = bytes.at(i);
}

QByteArray RememberedDetails::text(int offset, int capacity) const
{
    const int length = std::min<int>(static_cast<unsigned char>(m_bytes.at(offset)), capacity);
    return m_bytes.mid(offset + 1, length);
}

void RememberedDetails::setText(int offset, int capacity, const QByteArray &value)
{
    const QByteArray cut = value.left(capacity);
    m_bytes[offset] = char(cut.size());
    for (int i = 0; i < capacity; ++i)
        m_bytes[offset + 1 + i] = i < cut.size() ? cut.at(i) : '\0';
}

bool RememberedDetails::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    overlay(file.read(Size));
    return true;
}

void RememberedDetails::save(const QString &path) const
{
    SaveOptions options;
    options.ownerOnly = true;
    SaveFileWhole(path, m_bytes, options);
}

} // namespace porv
