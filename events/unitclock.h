#pragma once
// The unit's clock: its reply to "t" as the clock boxes show it, the command
// that sets it from the PC's clock, the PC's time and date in the user's
// regional formats, and the four readings a download takes.
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace porv {

// The unit's clock as its boxes show it: "hh:nn:ss" and "dd/mm/yy" from the
// second reply line of "t" (seconds, minutes, hours, day, month, year as
// hexadecimal pairs). A box stays empty when its six characters are not all
// there; a pair that is not hexadecimal throws ConversionError.
struct UnitClockText {
    QByteArray time;
    QByteArray date;
};
UnitClockText DecodeClockReply(const QByteArray &line);

// "t" + ssnnhhddmmyy of the given local time (two decimal digits each) + CR.
QByteArray SetClockCommand(const QDateTime &localTime);

// The PC's time and date as the " Time " group shows them: the user's regional
// time format (without a time zone) and short date format.
QString RegionalTime(const QDateTime &localTime);
QString RegionalDate(const QDateTime &localTime);

// The four clock readings of the last download.
struct ClockReadings {
    QByteArray Stime = "00:00:00"; // the unit's time
    QByteArray Sdate = "00/00";    // the unit's date
    QString Ctime = QStringLiteral("00:00:00"); // the PC's time at the download
    QString Cdate = QStringLiteral("00/00/00"); // the PC's date at the download
};

} // namespace porv
