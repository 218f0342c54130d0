// The simulated unit's memory: blocks, the directory records, and the
// commands that read and write them (r, p, b, d).
#include "simulated_unit.h"

#include "codecs.h"
#include "unit_forms.h"

namespace qx4 {

using namespace forms;

QByteArray SimulatedUnit::block(int number) const
{
    if (number < 0 || number >= kBlockCount)
        return QByteArray();
    return m_memory.mid(number * kBlockSize, kBlockSize);
}

bool SimulatedUnit::setBlock(int number, const QByteArray &bytes)
{
    if (number < 0 || number >= kBlockCount || bytes.size() > kBlockSize)
        return false;
    QByteArray full = bytes;
    full.append(QByteArray(kBlockSize - bytes.size(), kErased));
    m_memory.replace(number * kBlockSize, kBlockSize, full);
    return true;
}

void SimulatedUnit::eraseDirectory()
{
    m_memory.replace(kDirectoryFirst * kBlockSize, (kDirectoryTop - kDirectoryFirst + 1) * kBlockSize,
                     QByteArray((kDirectoryTop - kDirectoryFirst + 1) * kBlockSize, kErased));
}

void SimulatedUnit::eraseTags()
{
    m_memory.replace(kTagFirst * kBlockSize, (kTagLast - kTagFirst + 1) * kBlockSize,
                     QByteArray((kTagLast - kTagFirst + 1) * kBlockSize, kErased));
}

QByteArray SimulatedUnit::encodeRecordData(const QByteArray &recordData, bool *ok)
{
    // room,code1,code2,spare,phone,name: the name is the rest after the fifth comma.
    QList<QByteArray> items;
    int from = 0;
    for (int i = 0; i < 5; ++i) {
        const int comma = recordData.indexOf(',', from);
        if (comma < 0) {
            if (ok)
                *ok = false;
            return QByteArray();
        }
        items.append(recordData.mid(from, comma - from));
        from = comma + 1;
    }
    items.append(recordData.mid(from));

    QByteArray bytes;
    bytes += packNibbles(items[0].left(6), 6);
    bytes += packNibbles(items[1].left(4), 4);
    bytes += packNibbles(items[2].left(4), 4);
    bytes += packNibbles(items[3].left(2), 2);
    bytes += packNibbles(items[4].left(16), 16);
    QByteArray name = items[5].left(16);
    const int erased = name.indexOf(kErased);
    if (erased >= 0)
        name.truncate(erased);
    bytes += name;
    bytes.append(QByteArray(16 - name.size(), kErased));
    if (ok)
        *ok = true;
    return bytes;
}

QByteArray SimulatedUnit::directoryLine(int block, const QByteArray &bytes)
{
    QByteArray line = addressText(block);
    line += ',';
    line += digitsOf(bytes, 0, 6);
    line += ',';
    line += digitsOf(bytes, 6, 4);
    line += ',';
    line += digitsOf(bytes, 10, 4);
    line += ',';
    line += digitsOf(bytes, 14, 2);
    line += ',';
    line += nibblesOf(bytes, 16, 16);
    line += ',';
    QByteArray name = bytes.mid(16, 16);
    const int erased = name.indexOf(kErased);
    if (erased >= 0)
        name.truncate(erased);
    line += name;
    return line;
}

QList<DirectoryRecord> SimulatedUnit::directoryRecords() const
{
    QList<DirectoryRecord> out;
    const QByteArray blank(kBlockSize, kErased);
    for (int b = kDirectoryFirst; b <= lastDirectoryBlock(); ++b) {
        const QByteArray bytes = block(b);
        if (bytes == blank)
            continue;
        DirectoryRecord r;
        r.block = b;
        r.room = digitsOf(bytes, 0, 6);
        r.code1 = digitsOf(bytes, 6, 4);
        r.code2 = digitsOf(bytes, 10, 4);
        r.spare = digitsOf(bytes, 14, 2);
        r.phone = nibblesOf(bytes, 16, 16);
        r.name = bytes.mid(16, 16);
        const int erased = r.name.indexOf(kErased);
        if (erased >= 0)
            r.name.truncate(erased);
        out.append(r);
    }
    return out;
}

bool SimulatedUnit::setDirectoryRecord(const DirectoryRecord &r)
{
    if (r.block < kDirectoryFirst || r.block > kDirectoryTop)
        return false;
    bool ok = false;
    const QByteArray data = r.room + ',' + r.code1 + ',' + r.code2 + ',' + r.spare + ',' + r.phone + ',' + r.name;
    const QByteArray bytes = encodeRecordData(data, &ok);
    return ok && setBlock(r.block, bytes);
}

bool SimulatedUnit::writable(int number) const
{
    return (number >= kParameterFirst && number <= kParameterLast)
        || (number >= kDirectoryFirst && number <= lastDirectoryBlock())
        || (number >= kTagFirst && number <= kTagLast);
}

QByteArray SimulatedUnit::blockLine(int number) const
{
    QByteArray line = addressText(number) + ':';
    const QByteArray bytes = block(number);
    if (number >= kMessageFirst && number <= kMessageLast)
        line += bytes;
    else
        line += nibblesOf(bytes, 0, 2 * kBlockSize);
    return line;
}

SimulatedUnit::Reply SimulatedUnit::readBlock(const QByteArray &line)
{
    Reply r;
    int number = 0;
    if (line.size() != 5 || !parseDigits(line, 1, 4, &number) || number >= kBlockCount)
        return errorReply();
    r.lines = {blockLine(number), QByteArrayLiteral("OK")};
    return r;
}

SimulatedUnit::Reply SimulatedUnit::writeBlock(const QByteArray &line)
{
    Reply r;
    int number = 0;
    const QByteArray data = line.mid(5);
    const bool message = parseDigits(line, 1, 4, &number) && number >= kMessageFirst && number <= kMessageLast;
    const int maxLen = message ? kBlockSize : 2 * kBlockSize;
    if (!parseDigits(line, 1, 4, &number) || !writable(number) || data.isEmpty() || data.size() > maxLen)
        return errorReply();
    QByteArray bytes = block(number);
    const QByteArray stored = message ? data : packNibbles(data, (data.size() / 2) * 2);
    bytes.replace(0, stored.size(), stored);
    if (m_faults.wrongP.take(number))
        bytes[0] = char(uchar(bytes.at(0)) ^ 0x01);
    setBlock(number, bytes);
    r.lines = {QByteArrayLiteral("OK")};
    return r;
}

SimulatedUnit::Reply SimulatedUnit::writeDirectory(const QByteArray &line)
{
    Reply r;
    int number = 0;
    // "b" + block + "," + RecordData + two check characters
    if (line.size() < 8 || !parseDigits(line, 1, 4, &number) || line.at(5) != ',')
        return errorReply();
    const QByteArray body = line.left(line.size() - 2);
    const QByteArray check = line.right(2);
    if (porv::Crc8(body) != check) {
        count("bcheck");
        return errorReply();
    }
    if (number < kDirectoryFirst || number > lastDirectoryBlock())
        return errorReply();
    if (m_faults.refuseB.take(number))
        return r;
    bool ok = false;
    const QByteArray bytes = encodeRecordData(body.mid(6), &ok);
    if (!ok)
        return errorReply();
    setBlock(number, bytes);
    r.lines = {QByteArrayLiteral("OK")};
    return r;
}

SimulatedUnit::Reply SimulatedUnit::dump(const QByteArray &line)
{
    Reply r;
    int first = 0, last = 0;
    if (!parseBlockRange(line, &first, &last))
        return errorReply();
    r.lines.append(line);
    const QByteArray blank(kBlockSize, kErased);
    for (int b = first; b <= last; ++b) {
        if (b >= kDirectoryFirst && b <= kDirectoryTop) {
            // The directory lists only the records in use.
            if (b > lastDirectoryBlock())
                continue;
            const QByteArray bytes = block(b);
            if (bytes != blank)
                r.lines.append(directoryLine(b, bytes));
        } else {
            r.lines.append(blockLine(b));
        }
    }
    r.lines.append(QByteArrayLiteral("OK"));
    r.after = m_faults.linesAfterDump;
    return r;
}

} // namespace qx4
