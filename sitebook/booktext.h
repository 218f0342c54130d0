#pragma once
// How the book's values sit in its columns: byte strings from the unit as
// Latin-1 text (control bytes as blanks: a text column holds no NUL), times
// as milliseconds since 1970 UTC (NULL when there is none).
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

namespace porv::book {

inline QString Text(const QByteArray &bytes)
{
    QByteArray out = bytes;
    for (char &c : out) {
        if (uchar(c) < 0x20)
            c = ' ';
    }
    return QString::fromLatin1(out);
}

inline bool HasControl(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

// A name for a message, with control characters shown as "?".
inline QString Printable(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return out;
}

inline QVariant MsOf(const QDateTime &when)
{
    return when.isValid() ? QVariant(when.toMSecsSinceEpoch()) : QVariant(QMetaType(QMetaType::LongLong));
}

inline QDateTime TimeOf(const QVariant &ms)
{
    return ms.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(ms.toLongLong(), Qt::UTC);
}

} // namespace porv::book
