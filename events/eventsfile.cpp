#include "eventsfile.h"

#include "memtable.h"
#include "savefile.h"
#include "tablecsv.h"

namespace porv {

namespace {

const QByteArray CRLF = QByteArrayLiteral("\r\n");

} // namespace

QByteArray EventsFileHeader(const ClockReadings &r)
{
    return "Portavel time when saved was: " + r.Stime + "  " + r.Sdate + CRLF + "Current time when Loaded was: "
        + r.Ctime.toLatin1() + "  " + r.Cdate.toLatin1() + CRLF;
}

void WriteEventsFileHeader(const QString &path, const ClockReadings &readings)
{
    SaveFileWhole(path, EventsFileHeader(readings));
}

QByteArray EventsFileBytes(const MemTable &table, const ClockReadings &readings)
{
    return EventsFileHeader(readings) + TableCsvBytes(table);
}

void SaveEventsFile(const QString &path, const MemTable &table, const ClockReadings &readings)
{
    WriteEventsFileHeader(path, readings);
    SaveTableCsv(table, path, true);
}

} // namespace porv
