#pragma once
// The events file (extension "Evt"): two header lines with the clock readings
// of the download, then the event table in the comma-separated table layout.
// Only written; the program never reads one back.
#include <QByteArray>
#include <QString>

#include "unitclock.h"

namespace porv {

class MemTable;

// The two header lines, each ended by CR LF: the unit's clock and the PC's
// clock as read at the download. Box texts are written as Latin-1.
QByteArray EventsFileHeader(const ClockReadings &readings);
// Creates the file (replacing any file of that name) holding the two header
// lines. Throws FileError.
void WriteEventsFileHeader(const QString &path, const ClockReadings &readings);
// The header lines, then the table appended in the comma-separated table
// layout (field-name line, one line per record in the current order).
void SaveEventsFile(const QString &path, const MemTable &table, const ClockReadings &readings);
// What SaveEventsFile writes, as bytes (for standard output).
QByteArray EventsFileBytes(const MemTable &table, const ClockReadings &readings);

} // namespace porv
