#include "directorytable.h"

#include "codecs.h"
#include "memtable.h"
#include "shellservices.h"
#include "tablecsv.h"

#include <QSet>

namespace porv {

void DefineDirectoryTable(MemTable &table)
{
    table.Reset();
    table.DefineField(QByteArrayLiteral("Name"), FieldType::Text, 16);
    table.DefineField(QByteArrayLiteral("RoomNumber"), FieldType::Text, 6);
    table.DefineField(QByteArrayLiteral("PHnumber"), FieldType::Text, 16);
    table.DefineField(QByteArrayLiteral("Code1"), FieldType::Text, 4);
    table.DefineField(QByteArrayLiteral("Code2"), FieldType::Text, 4);
    table.DefineField(QByteArrayLiteral("spare"), FieldType::Text, 2);
    table.DefineField(QByteArrayLiteral("RFID"), FieldType::Text, 10);
    table.DefineField(QByteArrayLiteral("Addr"), FieldType::Text, 4);
}

int DirectoryCapacity(int memoryLimit) { return (memoryLimit - kDirectoryBase) / kDirectoryBlockSize; }

QByteArray DirectoryAddress(int address)
{
    QByteArray key = QByteArray::number(address, 16).toUpper();
    if (key.size() < 4)
        key.prepend(QByteArray(4 - key.size(), '0'));
    return key;
}

QByteArray FirstFreeAddress(MemTable &table, int memoryLimit)
{
    const QByteArray addr = QByteArrayLiteral("Addr");
    table.Sort(addr, MemTable::SortCase::Sensitive);
    const int field = table.FieldIndex(addr);
    QSet<QByteArray> taken;
    if (field >= 0) {
        taken.reserve(table.RecordCount());
        for (int r = 0; r < table.RecordCount(); ++r)
            taken.insert(table.RowText(r, field));
    }
    QByteArray lastTaken;
    for (int a = kDirectoryBase; a <= memoryLimit; a += kDirectoryBlockSize) {
        const QByteArray key = DirectoryAddress(a);
        if (!taken.contains(key)) {
            if (!lastTaken.isEmpty())
                table.Locate(addr, lastTaken);
            return key;
        }
        lastTaken = key;
    }
    if (!lastTaken.isEmpty())
        table.Locate(addr, lastTaken);
    return QByteArrayLiteral("0000");
}

QByteArray NumericOrZero(const QByteArray &text, bool *zeroed)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool whole = i < text.size();
    for (; i < text.size() && whole; ++i)
        whole = text[i] >= '0' && text[i] <= '9';
    if (zeroed)
        *zeroed = !whole;
    return whole ? text : QByteArrayLiteral("0");
}

int LoadPhoneList(MemTable &table, const QString &path)
{
    DefineDirectoryTable(table);
    table.Open();
    table.EmptyTable();
    return LoadTableCsv(table, path);
}

bool SavePhoneList(const MemTable &table, const QString &path, ShellServices &shell)
{
    // An empty table (File New, start-up, a unit without clients) must not
    // wipe a list by accident.
    if (table.RecordCount() == 0 && TableCsvFileHasRecords(path)
        && !shell.AskQuestion(QStringLiteral("Replace %1 with an empty list?").arg(path)))
        return false;
    SaveTableCsv(table, path, false);
    return true;
}

DirectoryLine ParseDirectoryLine(const QByteArray &line)
{
    DirectoryLine out;
    const qsizetype n = line.size();
    out.Addr = line.left(4);
    qsizetype pos = 5; // the separator after the address is not read

    // One comma-ended item of at most width characters; a full item is followed
    // by its comma, skipped unread.
    auto item = [&](int width) {
        QByteArray value;
        while (pos < n) {
            const char c = line[pos];
            if (c == ',') {
                ++pos;
                return value;
            }
            if (value.size() >= width) {
                ++pos;
                return value;
            }
            value.append(c);
            ++pos;
        }
        return value;
    };
    out.RoomNumber = item(6);
    out.Code1 = item(4);
    out.Code2 = item(4);
    out.spare = item(2);
    out.PHnumber = item(16);
    // The name is the line's last item: what remains of it, commas included
    // (units hold names with commas, and list them whole).
    out.Name = line.mid(pos, 16);
    return out;
}

QByteArray RecordData(const QByteArray &room, const QByteArray &code1, const QByteArray &code2,
                      const QByteArray &spare, const QByteArray &phone, const QByteArray &name)
{
    QByteArray out = DigitsOnly(room, 6);
    out.append(',').append(DigitsOnly(code1, 4));
    out.append(',').append(DigitsOnly(code2, 4));
    out.append(',').append(DigitsOnly(spare, 2));
    out.append(',').append(EncodeDigits(DialNumber(phone), 16));
    out.append(',').append(UnitName(name));
    return out;
}

QByteArray UnitName(const QByteArray &name)
{
    QByteArray out = name;
    for (char &c : out) {
        if (c == ',' || uchar(c) < 0x20)
            c = ' ';
    }
    return out;
}

namespace {

bool isLayout(char c)
{
    return c == ' ' || c == '-' || c == '.' || c == '(' || c == ')' || c == '[' || c == ']';
}

} // namespace

bool IsDialCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == 'p' || c == 'P' || c == ':';
}

QByteArray DialNumber(const QByteArray &phone)
{
    QByteArray out;
    out.reserve(phone.size());
    for (char c : phone) {
        if (!isLayout(c))
            out.append(c);
    }
    return out;
}

RecordProblem CheckRecord(const QByteArray &room, const QByteArray &phone, const QByteArray &name)
{
    RecordProblem problem;
    if (name.isEmpty()) {
        problem.kind = RecordProblem::NoName;
    } else if (DigitsOnly(room, 6).isEmpty()) {
        problem.kind = RecordProblem::NoRoom;
    } else if (name.contains(kErasedByte)) {
        problem.kind = RecordProblem::NameCharacter;
        problem.character = kErasedByte;
    } else {
        for (char c : DialNumber(phone)) {
            if (!IsDialCharacter(c)) {
                problem.kind = RecordProblem::PhoneCharacter;
                problem.character = c;
                break;
            }
        }
    }
    return problem;
}

RecordProblem CheckRecordCodes(const QByteArray &code1, const QByteArray &code2)
{
    RecordProblem problem;
    if (code1.contains(kErasedByte) || code2.contains(kErasedByte)) {
        problem.kind = RecordProblem::CodeCharacter;
        problem.character = kErasedByte;
    }
    return problem;
}

QString CharacterName(char c)
{
    const uchar u = uchar(c);
    if (u < 0x20 || u == 0x7F)
        return QStringLiteral("character 0x%1").arg(u, 2, 16, QLatin1Char('0'));
    if (c == kErasedByte)
        return QStringLiteral("\"%1\" (0xff)").arg(QChar(0xFF));
    return QLatin1Char('"') + QString(QLatin1Char(c)) + QLatin1Char('"');
}

// --- the dump ---

namespace {

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

struct SplitLines {
    QList<QByteArray> lines;
    bool lastEnded = true; // the last line was followed by a line end
};

SplitLines splitLines(const QByteArray &received)
{
    SplitLines out;
    const qsizetype n = received.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char c = received[i];
        if (c != '\r' && c != '\n')
            continue;
        out.lines.append(received.mid(start, i - start));
        if (c == '\r' && i + 1 < n && received[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n) {
        out.lines.append(received.mid(start));
        out.lastEnded = false;
    }
    return out;
}

} // namespace

bool IsDirectoryRecordLine(const QByteArray &line)
{
    if (line.size() < 5)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (!isHexDigit(line[i]))
            return false;
    }
    static const int widths[] = {6, 4, 4, 2, 16};
    qsizetype pos = 5;
    for (int width : widths) {
        const qsizetype comma = line.indexOf(',', pos);
        if (comma < 0 || comma - pos > width)
            return false;
        pos = comma + 1;
    }
    return true;
}

QList<QByteArray> SplitReplyLines(const QByteArray &received) { return splitLines(received).lines; }

DirectoryDump ReadDirectoryDump(const QByteArray &received)
{
    DirectoryDump dump;
    const SplitLines split = splitLines(received);
    const QList<QByteArray> &lines = split.lines;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        if (!IsDirectoryRecordLine(line) && line.contains("OK")) {
            dump.complete = true;
            return dump;
        }
        const bool cutOff = i == lines.size() - 1 && !split.lastEnded;
        if (!cutOff)
            dump.recordLines.append(line);
    }
    return dump;
}

bool DirectoryDumpComplete(const QByteArray &received) { return ReadDirectoryDump(received).complete; }

} // namespace porv
