#include "tablecsv.h"

#include "memtable.h"
#include "savefile.h"

#include <QFile>
#include <QList>

#include <vector>

namespace porv {

namespace {

bool isLineEnd(char c) { return c == '\r' || c == '\n' || c == '\0'; }

bool needsEscape(const QByteArray &value)
{
    for (char c : value) {
        if (c == '%' || c == ',' || isLineEnd(c))
            return true;
    }
    return false;
}

} // namespace

QByteArray EscapeCsvValue(const QByteArray &value)
{
    if (!needsEscape(value))
        return value;
    QByteArray out;
    out.reserve(value.size() + 8);
    for (char c : value) {
        switch (c) {
        case '%': out.append("%%"); break;
        case '\r': out.append("%c"); break;
        case '\n': out.append("%n"); break;
        case '\0': out.append("%0"); break;
        case ',': out.append("%m"); break;
        default: out.append(c); break;
        }
    }
    return out;
}

QByteArray UnescapeCsvValue(const QByteArray &value)
{
    if (!value.contains('%'))
        return value;
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c != '%') {
            out.append(c);
            continue;
        }
        if (i + 1 >= value.size())
            break; // a "%" ending the value is dropped
        const char next = value[++i];
        switch (next) {
        case '%': out.append('%'); break;
        case 'c': out.append('\r'); break;
        case 'n': out.append('\n'); break;
        case '0': out.append('\0'); break;
        case 'm': out.append(','); break;
        default:
            // Never written: keep the pair as it stands.
            out.append('%');
            out.append(next);
            break;
        }
    }
    return out;
}

QByteArray TableCsvBytes(const MemTable &table)
{
    const int fields = table.FieldCount();
    const int rows = table.RecordCount();
    QByteArray out;
    out.reserve(64 + qsizetype(rows) * (fields * 6 + 2));
    for (int f = 0; f < fields; ++f) {
        if (f > 0)
            out.append(',');
        out.append(table.Field(f).name);
    }
    out.append("\r\n");
    for (int r = 0; r < rows; ++r) {
        for (int f = 0; f < fields; ++f) {
            if (f > 0)
                out.append(',');
            const QByteArray value = table.RowText(r, f);
            if (table.Field(f).type == FieldType::Text)
                out.append(EscapeCsvValue(value));
            else
                out.append(value);
        }
        out.append("\r\n");
    }
    return out;
}

void SaveTableCsv(const MemTable &table, const QString &path, bool append)
{
    const QByteArray bytes = TableCsvBytes(table);
    if (append)
        AppendToFile(path, bytes);
    else
        SaveFileWhole(path, bytes);
}

int LoadTableCsvBytes(MemTable &table, const QByteArray &bytes)
{
    if (!table.IsOpen())
        return 0;
    const int fields = table.FieldCount();
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype pos = 0;

    // Next non-empty line as [begin, end); false at the end of the bytes.
    auto nextLine = [&](qsizetype &begin, qsizetype &end) {
        while (pos < size && isLineEnd(data[pos]))
            ++pos;
        if (pos >= size)
            return false;
        begin = pos;
        while (pos < size && !isLineEnd(data[pos]))
            ++pos;
        end = pos;
        return true;
    };

    qsizetype begin = 0, end = 0;
    if (!nextLine(begin, end))
        return 0;

    // The header: the field each column goes to, -1 for an unknown name.
    std::vector<int> columnField;
    for (qsizetype i = begin;;) {
        qsizetype j = i;
        while (j < end && data[j] != ',')
            ++j;
        columnField.push_back(table.FieldIndex(QByteArray(data + i, j - i)));
        if (j >= end)
            break;
        i = j + 1;
    }

    int added = 0;
    QList<QByteArray> values;
    while (nextLine(begin, end)) {
        values = QList<QByteArray>(fields);
        size_t column = 0;
        for (qsizetype i = begin; column < columnField.size();) {
            qsizetype j = i;
            while (j < end && data[j] != ',')
                ++j;
            const int field = columnField[column];
            if (field >= 0) {
                // A later column of the same name wins.
                QByteArray value = UnescapeCsvValue(QByteArray(data + i, j - i));
                // Not a number the field takes: the field stays empty rather
                // than the load stopping at this record.
                if (table.Field(field).type == FieldType::Int16 && !value.isEmpty() && !Int16FieldValue(value))
                    value.clear();
                values[field] = std::move(value);
            }
            ++column;
            if (j >= end)
                break;
            i = j + 1;
        }
        table.AppendRecord(values);
        ++added;
    }
    return added;
}

bool TableCsvFileHasRecords(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 kLookAt = 64 * 1024;
    const QByteArray head = file.read(kLookAt);
    qsizetype pos = 0;
    int lines = 0;
    // Non-empty lines, as the reader counts them: the header, then records.
    while (pos < head.size()) {
        while (pos < head.size() && isLineEnd(head[pos]))
            ++pos;
        if (pos >= head.size())
            break;
        if (++lines == 2)
            return true;
        while (pos < head.size() && !isLineEnd(head[pos]))
            ++pos;
    }
    return lines == 1 && pos >= kLookAt;
}

int LoadTableCsv(MemTable &table, const QString &path)
{
    const QByteArray bytes = ReadFileCapped(path);
    const TableDisplayPause paused(table);
    return LoadTableCsvBytes(table, bytes);
}

} // namespace porv
