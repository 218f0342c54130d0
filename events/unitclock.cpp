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

QByteArray SetClockCommand(const QDateTime &localTime)
{
    return "t" + localTime.toString(QStringLiteral("ssmmHHddMMyy")).toLatin1() + "\r";
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
