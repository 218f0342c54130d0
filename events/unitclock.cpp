#include "unitclock.h"

#include <QLocale>

#include "codecs.h"

namespace porv {

namespace {

// A regional format without its time-zone part ("t" outside quoted text).
QString withoutTimeZone(const QString &format)
{
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

UnitClockText DecodeClockReply(const QByteArray &line)
{
    UnitClockText clock;
    // Hours, minutes, seconds: characters 5-6, 3-4 and 1-2.
    const QByteArray hms = line.size() >= 6 ? line.mid(4, 2) + line.mid(2, 2) + line.mid(0, 2) : QByteArray();
    clock.time = FormatHexTriplet(hms, ":");
    clock.date = FormatHexTriplet(line.mid(6, 6), "/");
    return clock;
}

QDateTime UnitClockDateTime(const QByteArray &time, const QByteArray &date)
{
    const QTime t = QTime::fromString(QString::fromLatin1(time), QStringLiteral("HH:mm:ss"));
    const QList<QByteArray> dmy = date.split('/');
    if (!t.isValid() || dmy.size() != 3 || dmy[2].size() != 2)
        return QDateTime();
    bool ok[3] = {false, false, false};
    const QDate d(2000 + dmy[2].toInt(&ok[2]), dmy[1].toInt(&ok[1]), dmy[0].toInt(&ok[0]));
    if (!ok[0] || !ok[1] || !ok[2] || !d.isValid())
        return QDateTime();
    // A wall-clock reading: kept as UTC, so that no time zone's change of
    // hour moves it.
    return QDateTime(d, t, Qt::UTC);
}

QString UnitClockIso(const QByteArray &time, const QByteArray &date)
{
    const QDateTime when = UnitClockDateTime(time, date);
    return when.isValid() ? when.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) : QString();
}

QByteArray SetClockCommand(const QDateTime &localTime)
{
    return "t" + localTime.toString(QStringLiteral("ssmmHHddMMyy")).toLatin1() + "\r";
}

UnitFieldChange ClockSetChange(const QDateTime &localTime)
{
    return {QStringLiteral("clock"), QStringLiteral("time"), {},
            localTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1(), false};
}

QString RegionalTime(const QDateTime &localTime)
{
    const QLocale locale;
    return locale.toString(localTime.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
}

QString RegionalDate(const QDateTime &localTime)
{
    const QLocale locale;
    return locale.toString(localTime.date(), QLocale::ShortFormat);
}

} // namespace porv
