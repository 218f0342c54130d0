#include "unit_forms.h"

#include "codecs.h"
#include "simulated_unit.h"

namespace qx4::forms {

namespace {

// The unit's nibble arithmetic: the low four bits of (character - '0'), so the
// NibbleChars '0'-'?' give 0-15 and any other character gives something too.
int nibbleOf(char c) { return (uchar(c) - 0x30) & 0x0F; }

} // namespace

QByteArray packNibbles(const QByteArray &chars, int nibbleCount)
{
    QByteArray out(nibbleCount / 2, kErased);
    for (int i = 0; i < nibbleCount; ++i) {
        const int v = i < chars.size() ? nibbleOf(chars.at(i)) : 15;
        uchar b = uchar(out[i / 2]);
        if (i % 2 == 0)
            b = uchar((b & 0x0F) | (v << 4));
        else
            b = uchar((b & 0xF0) | v);
        out[i / 2] = char(b);
    }
    return out;
}

QByteArray nibblesOf(const QByteArray &bytes, int firstNibble, int count)
{
    QByteArray out;
    out.reserve(count);
    for (int i = firstNibble; i < firstNibble + count; ++i) {
        const int byteIndex = i / 2;
        if (byteIndex >= bytes.size())
            break;
        const uchar b = uchar(bytes.at(byteIndex));
        out.append(porv::NibbleChar(i % 2 == 0 ? b >> 4 : b & 0x0F));
    }
    return out;
}

QByteArray digitsOf(const QByteArray &bytes, int firstNibble, int count)
{
    const QByteArray all = nibblesOf(bytes, firstNibble, count);
    const int end = all.indexOf('?');
    return end < 0 ? all : all.left(end);
}

bool parseDigits(const QByteArray &text, int pos, int n, int *value)
{
    if (pos < 0 || pos + n > text.size())
        return false;
    int v = 0;
    for (int i = pos; i < pos + n; ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    *value = v;
    return true;
}

bool parseBlockRange(const QByteArray &line, int *first, int *last)
{
    return line.size() == 9 && parseDigits(line, 1, 4, first) && parseDigits(line, 5, 4, last) && *first <= *last
        && *last < kBlockCount;
}

QByteArray hex2(int v) { return QByteArray::number(v & 0xFF, 16).toUpper().rightJustified(2, '0'); }

QByteArray addressText(int block) { return QByteArray::number(block * kBlockSize, 16).toUpper().rightJustified(4, '0'); }

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

} // namespace qx4::forms
