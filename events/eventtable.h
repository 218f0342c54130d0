#pragma once
// EventTable: the unit's relay events on the table facility, and the decoding
// of one line of the unit's event log into one record.
//
// An event line, by 1-based character position:
//   1-5    the unit's own numbering (not read)
//   6-17   origin code        -> RoomNumber (DecodeEventOrigin)
//   18-23  date, three hexadecimal pairs -> Date "dd/mm/yy"
//   24-29  time, three hexadecimal pairs -> Time "hh:nn:ss"
//   31     relay number       -> RlyNo
//   33     set-by code        -> Source ("local", "Remote", "RF-ID", "Error")
//   38-53  client name        -> Client (button, in-call and error events take
//                                the RoomNumber text instead)
#include <QByteArray>
#include <QList>
#include <QString>

namespace porv {

class MemTable;

// Field widths of EventTable.
constexpr int kEventRoomWidth = 6;
constexpr int kEventDateWidth = 8;
constexpr int kEventTimeWidth = 8;
constexpr int kEventRelayWidth = 1;
constexpr int kEventSourceWidth = 6;
constexpr int kEventClientWidth = 16;
// The Event field is a 16-bit signed integer: a download numbers at most this
// many events.
constexpr int kMaxEventNumber = 32767;

// Resets the table (closed, no fields, no sort) and defines Event (16-bit
// integer), RoomNumber (6), Date (8), Time (8), RlyNo (1), Source (6) and
// Client (16). The table is left closed; the caller opens it.
void DefineEventTable(MemTable &table);

// The RoomNumber text of a 12-character origin code: "InCall" for a code
// starting "B", "Butt." and the fourth character for "A", "error" for "C" and
// for a code that is not 12 characters long; otherwise the even-numbered
// characters up to the first "F" or 0xFF (a room number of up to six digits,
// possibly empty).
QByteArray DecodeEventOrigin(const QByteArray &code);

// "local", "Remote", "RF-ID" for the set-by characters 0, 1, 2; "Error" for any
// other character and for none.
QByteArray DecodeEventSource(const QByteArray &setBy);

// The seven values of one event line, in field order (Event first, as decimal
// text). A date or time pair that is not hexadecimal throws ConversionError.
QList<QByteArray> DecodeEventLine(const QByteArray &line, qint16 eventNumber);

// As DecodeEventLine, but a date or time group that is not hexadecimal leaves
// that field empty instead of throwing; *failure (when given) receives the
// conversion message of the first such group, and stays untouched otherwise.
QList<QByteArray> DecodeEventLineKeeping(const QByteArray &line, qint16 eventNumber, QString *failure);

// Decodes one event line and appends it as one posted record at the end of the
// open table. A date or time pair that is not hexadecimal throws
// ConversionError and adds nothing.
void AddEventRecord(MemTable &table, const QByteArray &line, qint16 eventNumber);

// The sort of a click on a title of the event grid: the clicked field, except
// that "Time" and "Date" sort by "Event". Ascending, case-sensitive, replacing
// any earlier sort; the first record of the new order becomes current. Nothing
// happens while the table is closed or for a field it does not have.
bool SortEventTableByTitle(MemTable &table, const QByteArray &fieldName);

} // namespace porv
