#pragma once
// The unit's event log as it arrives: the reply of "e", read line by line, and
// where it ends. Decoding one event line into a record is EventTable's
// (eventtable.h).
#include <QByteArray>
#include <QList>

namespace porv {

// A line of the log that reads as an event: at least 29 characters (the
// unit's numbering, the origin code, the date and the time), with either the
// date and time groups all hexadecimal or the origin code all hexadecimal or
// erased. A client name holding "OK" does not make it a closing line.
bool IsEventLine(const QByteArray &line);

struct EventLog {
    // The lines between the first line (never an event) and the closing line.
    QList<QByteArray> eventLines;
    // The closing line arrived: the last line that holds "OK" and does not read
    // as an event line, with no event line after it. The first line is the
    // closing line only when it is "OK" alone (an empty log).
    bool complete = false;
};

// The received text split into lines at CR LF; lines after the closing line
// are not events. Without a closing line, eventLines holds every complete line
// after the first, and complete is false.
EventLog ReadEventLog(const QByteArray &received);

// Whether the received text already holds the closing line. Looks back from
// the last complete line only as far as the closing line or an event line.
bool EventLogComplete(const QByteArray &received);

} // namespace porv
