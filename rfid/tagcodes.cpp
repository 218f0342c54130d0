#include "tagcodes.h"

#include "codecs.h"

namespace porv {

QByteArray TagBlockNumber(int block) { return QByteArray::number(block).rightJustified(4, '0'); }

QByteArray DecodeTagCode(const QByteArray &codeChars)
{
    if (codeChars.isEmpty() || codeChars.at(0) == '?')
        return QByteArray();
    QByteArray code;
    code.reserve(kTagCodeLength);
    const qsizetype n = std::min<qsizetype>(codeChars.size(), kTagCodeLength);
    for (qsizetype i = 0; i < n; ++i)
        code += NibbleToHexDigit(codeChars.mid(i, 1));
    return code;
}

QByteArray TagRoomText(const QByteArray &roomChars) { return TextBeforeFill(roomChars.left(kTagRoomLength)); }

QByteArray EncodeTagCode(const QByteArray &code)
{
    QByteArray out = code;
    for (char &c : out) {
        if (c >= 'A' && c <= 'F')
            c = char(c - 'A' + ':');
        else if (c >= 'a' && c <= 'f')
            c = char(c - 'a' + ':');
    }
    return out;
}

bool IsTagCode(const QByteArray &code)
{
    if (code.size() != kTagCodeLength)
        return false;
    for (char c : code)
        if (HexDigitValue(c) < 0)
            return false;
    return true;
}

QList<TagEntry> TagEntriesOfLine(const QByteArray &line)
{
    QList<TagEntry> entries;
    if (line.size() <= kTagLinePrefix)
        return entries;
    const QByteArray data = line.mid(kTagLinePrefix, kTagBlockDataLength);
    for (int e = 0; e < kTagEntriesPerBlock; ++e) {
        const int at = e * kTagEntryLength;
        if (at >= data.size())
            break;
        const QByteArray room = TagRoomText(data.mid(at, kTagRoomLength));
        const QByteArray code = DecodeTagCode(data.mid(at + kTagRoomLength, kTagCodeLength));
        if (room.isEmpty() || code.isEmpty())
            continue;
        entries.append({room, code});
    }
    return entries;
}

QList<TagEntry> TagEntriesOfDump(const QList<QByteArray> &lines)
{
    QList<TagEntry> entries;
    const qsizetype n = lines.size();
    int blockLines = 0;
    for (qsizetype i = 2; i <= n - 3 && blockLines < kTagBlockCount; ++i) {
        const QByteArray &line = lines.at(i);
        if (line.isEmpty())
            continue;
        ++blockLines;
        entries.append(TagEntriesOfLine(line));
    }
    return entries;
}

ReplyRule TagListRule(ReplyWait wait)
{
    ReplyRule rule;
    rule.wait = wait;
    rule.judge = [](const QByteArray &received) {
        qsizetype start = 0;
        int line = 0;
        for (qsizetype end = received.indexOf("\r\n"); end >= 0; end = received.indexOf("\r\n", start), ++line) {
            const QByteArray text = received.mid(start, end - start);
            if (line >= 2 && text.contains("OK") && text.size() < kTagLinePrefix + kTagBlockDataLength)
                return ReplyJudgement{ReplyJudgement::Verdict::Complete, end + 2};
            start = end + 2;
        }
        return ReplyJudgement{};
    };
    return rule;
}

QByteArray TagEntryText(const QByteArray &room, const QByteArray &code)
{
    const QByteArray encoded = EncodeTagCode(code);
    if (room.isEmpty() || encoded.isEmpty())
        return QByteArray();
    // A control byte in the room (a CR above all) would end the "g" command
    // early: it goes out as a space.
    QByteArray roomChars = PadRight(room, kTagRoomLength, '?').left(kTagRoomLength);
    for (char &c : roomChars)
        if (uchar(c) < 0x20)
            c = ' ';
    return roomChars + encoded;
}

bool TagCodeWellFormed(const QByteArray &code) { return code.isEmpty() || IsTagCode(code); }

QByteArray TagBlockData(const QList<QByteArray> &entryTexts)
{
    QByteArray data;
    data.reserve(kTagBlockDataLength);
    for (const QByteArray &e : entryTexts)
        data += e;
    return PadRight(data, kTagBlockDataLength, '?');
}

QByteArray DecodeTagMessage(const QByteArray &line)
{
    constexpr int kPairs = 6;
    if (line.size() < 2 * kPairs)
        return QByteArray();
    int check = 0;
    for (int p = 0; p < kPairs; ++p) {
        const int high = HexDigitValue(line.at(2 * p));
        const int low = HexDigitValue(line.at(2 * p + 1));
        if (high < 0 || low < 0)
            return QByteArray();
        const int value = high * 16 + low;
        if (p < kPairs - 1)
            check ^= value;
        else if (value != check)
            return QByteArray();
    }
    return line.left(kTagCodeLength);
}

bool TagLineIsBlank(const QByteArray &line)
{
    for (qsizetype i = kTagLinePrefix; i < line.size(); ++i) {
        if (line.at(i) != '?')
            return false;
    }
    return true;
}

} // namespace porv
