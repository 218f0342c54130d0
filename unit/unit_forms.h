#pragma once
// The forms the simulated unit keeps its memory in and writes its answers
// with: nibble characters packed into bytes, BCD digit fields, two-digit
// hexadecimal numbers, block addresses. Shared by the unit's command families.
#include <QByteArray>

namespace qx4::forms {

// An erased byte of unit memory.
constexpr char kErased = char(0xFF);

// Packs nibble characters into bytes, high nibble first; missing characters
// count as '?' (15), so the rest of the field reads as erased.
QByteArray packNibbles(const QByteArray &chars, int nibbleCount);
// The nibble characters of count nibbles from firstNibble on.
QByteArray nibblesOf(const QByteArray &bytes, int firstNibble, int count);
// Digits of a BCD field up to its first 0xF nibble.
QByteArray digitsOf(const QByteArray &bytes, int firstNibble, int count);
// n decimal digits at pos of text; false when there are fewer or others.
bool parseDigits(const QByteArray &text, int pos, int n, int *value);
// A command letter and two four-digit block numbers, the first not above the
// last, the last within memory ("d01280135").
bool parseBlockRange(const QByteArray &line, int *first, int *last);
// Two upper-case hexadecimal digits of the low byte of v.
QByteArray hex2(int v);
// The block's address: four upper-case hexadecimal digits.
QByteArray addressText(int block);
bool isHexDigit(char c);

} // namespace qx4::forms
