#include "eventtable.h"

#include "codecs.h"
#include "failures.h"
#include "memtable.h"

namespace porv {

namespace {

// 0-based offsets into an event line.
constexpr int kOriginAt = 5, kOriginLength = 12;
constexpr int kDateAt = 17, kTimeAt = 23, kGroupLength = 6;
constexpr int kRelayAt = 30;
constexpr int kSetByAt = 32;
constexpr int kClientAt = 37;

// The character at a 0-based offset, or nothing past the end of the line.
QByteArray charAt(const QByteArray &line, int at)
{
    return at < line.size() ? line.mid(at, 1) : QByteArray();
}

// A date or time group: empty unless all six characters are there.
QByteArray group(const QByteArray &line, int at)
{
    const QByteArray g = line.mid(at, kGroupLength);
    return g.size() == kGroupLength ? g : QByteArray();
}

QList<QByteArray> decode(const QByteArray &line, qint16 eventNumber, QString *failure, bool keepGoing)
{
    const QByteArray room = DecodeEventOrigin(line.mid(kOriginAt, kOriginLength));

    auto triplet = [&](int at, const char *separator) -> QByteArray {
        if (!keepGoing)
            return FormatHexTriplet(group(line, at), separator);
        try {
            return FormatHexTriplet(group(line, at), separator);
        } catch (const ConversionError &e) {
            if (failure && failure->isEmpty())
                *failure = e.message();
            return QByteArray();
        }
    };
    const QByteArray date = triplet(kDateAt, "/");
    const QByteArray time = triplet(kTimeAt, ":");

    const char first = line.size() > kOriginAt ? line.at(kOriginAt) : '\0';
    const bool namedByOrigin = first == 'A' || first == 'B' || first == 'C';
    const QByteArray client = namedByOrigin ? room : line.mid(kClientAt, kEventClientWidth);

    return {QByteArray::number(eventNumber), room, date, time, charAt(line, kRelayAt),
            DecodeEventSource(charAt(line, kSetByAt)), client};
}

} // namespace

void DefineEventTable(MemTable &table)
{
    table.Reset();
    table.DefineField("Event", FieldType::Int16);
    table.DefineField("RoomNumber", FieldType::Text, kEventRoomWidth);
    table.DefineField("Date", FieldType::Text, kEventDateWidth);
    table.DefineField("Time", FieldType::Text, kEventTimeWidth);
    table.DefineField("RlyNo", FieldType::Text, kEventRelayWidth);
    table.DefineField("Source", FieldType::Text, kEventSourceWidth);
    table.DefineField("Client", FieldType::Text, kEventClientWidth);
}

QByteArray DecodeEventOrigin(const QByteArray &code)
{
    if (code.size() != kOriginLength)
        return QByteArrayLiteral("error");
    switch (code.at(0)) {
    case 'B': return QByteArrayLiteral("InCall");
    case 'A': return QByteArrayLiteral("Butt.") + code.at(3);
    case 'C': return QByteArrayLiteral("error");
    default: break;
    }
    QByteArray room;
    for (int i = 1; i < kOriginLength; i += 2) {
        const char c = code.at(i);
        if (c == 'F' || static_cast<unsigned char>(c) == 0xFF)
            break;
        room += c;
    }
    return room;
}

QByteArray DecodeEventSource(const QByteArray &setBy)
{
    if (setBy.size() == 1) {
        switch (setBy.at(0)) {
        case '0': return QByteArrayLiteral("local");
        case '1': return QByteArrayLiteral("Remote");
        case '2': return QByteArrayLiteral("RF-ID");
        default: break;
        }
    }
    return QByteArrayLiteral("Error");
}

QList<QByteArray> DecodeEventLine(const QByteArray &line, qint16 eventNumber)
{
    return decode(line, eventNumber, nullptr, false);
}

QList<QByteArray> DecodeEventLineKeeping(const QByteArray &line, qint16 eventNumber, QString *failure)
{
    return decode(line, eventNumber, failure, true);
}

void AddEventRecord(MemTable &table, const QByteArray &line, qint16 eventNumber)
{
    table.AppendRecord(DecodeEventLine(line, eventNumber));
}

bool SortEventTableByTitle(MemTable &table, const QByteArray &fieldName)
{
    if (!table.IsOpen())
        return false;
    const QByteArray field = (fieldName == "Time" || fieldName == "Date") ? QByteArrayLiteral("Event") : fieldName;
    if (!table.Sort(field, MemTable::SortCase::Sensitive))
        return false;
    table.First();
    return true;
}

} // namespace porv
