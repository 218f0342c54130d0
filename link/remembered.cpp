#include "remembered.h"

#include <QFile>
#include <QSaveFile>

#include "failures.h"

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    // Owner only, before the PIN goes in.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        throw FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
    }
    if (file.write(m_bytes) != m_bytes.size() || !file.commit())
        throw FileError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
}

} // namespace porv
