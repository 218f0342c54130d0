#include "codecs.h"
#include "failures.h"

#include <limits>

namespace porv {

ConversionError::ConversionError(const QByteArray &offending)
    : Failure(QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(offending))),
      m_text(offending)
{
}

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Digits of a number in the given base into an unsigned 32-bit value.
bool accumulate(const QByteArray &text, int from, int base, quint32 limit, quint64 &value)
{
    if (from >= text.size())
        return false;
    value = 0;
    for (int i = from; i < text.size(); ++i) {
        const int d = base == 10 ? (isDigit(text[i]) ? text[i] - '0' : -1) : HexDigitValue(text[i]);
        if (d < 0)
            return false;
        value = value * base + d;
        if (value > limit)
            return false;
    }
    return true;
}

// The hexadecimal letters A-F become the NibbleChars ':'-'?'.
char letterToNibbleChar(char c)
{
    if (c >= 'A' && c <= 'F')
        return char(c - 7);
    return c;
}

QByteArray upperHex(quint32 value, int minDigits)
{
    QByteArray hex = QByteArray::number(value, 16).toUpper();
    if (hex.size() < minDigits)
        hex.prepend(QByteArray(minDigits - hex.size(), '0'));
    return hex;
}

} // namespace

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int NibbleValue(char c)
{
    if (c >= 0x30 && c <= 0x3F)
        return c - 0x30;
    return -1;
}

char NibbleChar(int value) { return char(0x30 + (value & 0x0F)); }

int ParseInteger(const QByteArray &text)
{
    int i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    quint64 value = 0;
    bool ok;
    if (i < text.size() && text[i] == '$') {
        ok = accumulate(text, i + 1, 16, 0xFFFFFFFFu, value);
        if (ok && !negative)
            return int(qint32(quint32(value)));
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        ok = accumulate(text, i + 2, 16, 0xFFFFFFFFu, value);
        if (ok && !negative)
            return int(qint32(quint32(value)));
    } else {
        const quint32 limit = negative ? 0x80000000u : 0x7FFFFFFFu;
        ok = accumulate(text, i, 10, limit, value);
        if (ok)
            return negative ? int(-qint64(value)) : int(value);
    }
    throw ConversionError(text);
}

QByteArray DecodeDigits(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '?')
            break;
        switch (c) {
        case ':': out.append('*'); break;
        case ';': out.append('#'); break;
        case '<': out.append('p'); break;
        default: out.append(c); break;
        }
    }
    return out;
}

namespace {

QByteArray encodeDigits(const QByteArray &text, int maxLen, bool unitCodes)
{
    QByteArray out;
    const int n = std::min<int>(text.size(), std::max(0, maxLen));
    for (int i = 0; i < n; ++i) {
        const char c = text[i];
        if (isDigit(c))
            out.append(c);
        else if (c == '*')
            out.append(':');
        else if (c == '#')
            out.append(';');
        else if (c == 'p' || c == 'P' || c == ':')
            out.append('<');
        else if (unitCodes && (c == '=' || c == '>'))
            out.append(c);
        else
            break;
    }
    return out.left(16);
}

} // namespace

QByteArray EncodeDigits(const QByteArray &text, int maxLen) { return encodeDigits(text, maxLen, false); }

QByteArray EncodeUnitDigits(const QByteArray &text, int maxLen) { return encodeDigits(text, maxLen, true); }

QByteArray DigitsOnly(const QByteArray &text, int maxLen)
{
    QByteArray out;
    const int n = std::min<int>(text.size(), std::max(0, maxLen));
    for (int i = 0; i < n && isDigit(text[i]); ++i)
        out.append(text[i]);
    return out.left(16);
}

QByteArray PadRight(const QByteArray &text, int width, char fill)
{
    if (text.size() >= width)
        return text;
    return text + QByteArray(width - text.size(), fill);
}

QByteArray EncodePin(const QByteArray &text)
{
    return PadRight(DigitsOnly(text, 8), 8, '?');
}

QByteArray ClampNumber(const QByteArray &text, int low, int high)
{
    const int value = ParseInteger(text);
    if (value > high)
        return QByteArray::number(high);
    if (value < low)
        return QByteArray::number(low);
    return text;
}

QByteArray ErasedToNul(const QByteArray &text, int count)
{
    if (text.isEmpty())
        return QByteArrayLiteral("ERROR");
    QByteArray out = text;
    const int n = std::min<int>(out.size(), std::max(0, count));
    for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(out[i]) == 0xFF)
            out[i] = '\0';
    return out;
}

QByteArray ByteToNibbles(const QByteArray &decimalText)
{
    const int value = ParseInteger(decimalText);
    QByteArray hex = upperHex(quint32(value), 2);
    for (int i = 0; i < 2; ++i) {
        const char c = hex[i];
        if (isDigit(c))
            continue;
        hex[i] = (c >= 'A' && c <= 'F') ? letterToNibbleChar(c) : '0';
    }
    return hex;
}

QByteArray NibblesToByte(const QByteArray &text)
{
    if (text.isEmpty())
        return QByteArray();
    auto value = [](const QByteArray &t, int i) {
        if (i >= t.size())
            return 0;
        const int v = NibbleValue(t[i]);
        return v < 0 ? 0 : v;
    };
    return QByteArray::number(16 * value(text, 0) + value(text, 1));
}

QByteArray NibbleToHexDigit(const QByteArray &text)
{
    if (text.isEmpty())
        return QByteArray();
    const char c = text[0];
    if (isDigit(c))
        return QByteArray(1, c);
    if (c >= ':' && c <= '?')
        return QByteArray(1, char(c + 7));
    return QByteArray();
}

QByteArray HexToDecimal(const QByteArray &hexText, int width)
{
    quint64 value = 0;
    if (!accumulate(hexText, 0, 16, 0xFFFFFFFFu, value))
        throw ConversionError('$' + hexText);
    const QByteArray decimal = "000000000000" + QByteArray::number(qint32(quint32(value)));
    return width <= 0 ? QByteArray() : decimal.right(width);
}

QByteArray FormatHexTriplet(const QByteArray &text, const QByteArray &separator)
{
    if (text.size() != 6)
        return QByteArray();
    QByteArray out;
    for (int i = 0; i < 6; i += 2)
        out += HexToDecimal(text.mid(i, 2), 2) + separator;
    return out.left(8);
}

QByteArray TextBeforeFill(const QByteArray &text)
{
    for (int i = 0; i < text.size(); ++i)
        if (text[i] == '?' || static_cast<unsigned char>(text[i]) == 0xFF)
            return text.left(i);
    return text;
}

QByteArray TextBeforeNul(const QByteArray &text)
{
    const int i = text.indexOf('\0');
    return i < 0 ? text : text.left(i);
}

QByteArray FormatHourMinute(const QByteArray &text)
{
    return text.mid(0, 2) + ':' + text.mid(2, 2);
}

QByteArray Crc8(const QByteArray &text)
{
    quint8 reg = 0;
    for (char ch : text) {
        quint8 byte = static_cast<quint8>(ch);
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = ((byte ^ reg) & 1) != 0;
            reg >>= 1;
            if (mix)
                reg ^= 0x8C;
            byte >>= 1;
        }
    }
    QByteArray out = upperHex(reg, 2);
    out[0] = letterToNibbleChar(out[0]);
    out[1] = letterToNibbleChar(out[1]);
    return out;
}

QByteArray AppendCheck(const QByteArray &text) { return text + Crc8(text); }

} // namespace porv
