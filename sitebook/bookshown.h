#pragma once
// How the site book window writes the book's values: times in the PC's own
// time zone, how a unit is reached, the model's memory.
#include <QDateTime>
#include <QString>

#include "bookrecords.h"
#include "unitbackup.h"

namespace porv {

inline QString ShownTime(const QDateTime &when, const QString &none = QStringLiteral("never"))
{
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : none;
}

// "UDP 10.0.0.7", "serial /dev/ttyUSB0", "modem /dev/ttyS0, number 0123456".
inline QString ReachedBy(const BookUnit &unit)
{
    switch (unit.transport) {
    case UnitTransport::Udp:
        return QStringLiteral("UDP ") + unit.address;
    case UnitTransport::Serial:
        return QStringLiteral("serial ") + unit.address;
    case UnitTransport::Modem:
        return QStringLiteral("modem %1, number %2").arg(unit.address, unit.number);
    }
    return unit.address;
}

inline QString ShownModelLine(const BookUnit &unit)
{
    return unit.modelLine.isEmpty() ? QStringLiteral("not known") : QString::fromLatin1(unit.modelLine);
}

// MemoryLimit as the unit's addresses are written: four hexadecimal digits.
inline QString ShownMemoryLimit(const BookUnit &unit)
{
    return unit.memoryLimit < 0 ? QStringLiteral("not known")
                                : QString::number(unit.memoryLimit, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

// A snapshot's file: the unit's label and when it was taken, in UTC
// ("Gate_A_20240603-083000Z.qx4b"), safe on every file system.
inline QString SnapshotFileName(const QString &label, const QDateTime &taken)
{
    QString safe;
    for (QChar c : label)
        safe.append(c.isLetterOrNumber() || c == QLatin1Char('-') ? c : QLatin1Char('_'));
    return QStringLiteral("%1_%2Z.%3")
        .arg(safe, taken.toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss")), BackupFileExtension());
}

} // namespace porv
