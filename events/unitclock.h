#pragma once
// The unit's clock: its reply to "t" as the clock boxes show it, the command
// that sets it from the PC's clock, the PC's time and date in the user's
// regional formats, and the four readings a download takes.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "unitwrites.h"

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

// The unit's clock as a date and time, from the boxes' texts ("hh:nn:ss",
// "dd/mm/yy", the year in this century); invalid when they hold no real time
// (an empty box, "00/00", a 31st of February). The reading is the wall clock
// as it stands, held as UTC so that no time zone moves it.
QDateTime UnitClockDateTime(const QByteArray &time, const QByteArray &date);
// The same in ISO 8601 without a zone ("2026-12-10T06:46:56"), the unit's
// clock having none; empty when it holds no real time.
QString UnitClockIso(const QByteArray &time, const QByteArray &date);

// "t" + ssnnhhddmmyy of the given local time (two decimal digits each) + CR.
QByteArray SetClockCommand(const QDateTime &localTime);
// The clock's setting as a write records it ("clock", "time", the local time set).
UnitFieldChange ClockSetChange(const QDateTime &localTime);

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
