#pragma once
// The unit's character set and the field codecs: pure functions on byte strings.
//
// NibbleChar: '0'-'9', ':', ';', '<', '=', '>', '?' stand for 0-15. Telephone
// fields use the same characters as dial digits (':' star, ';' hash, '<' pause
// shown as 'p', '?' end and fill). A byte 0xFF is erased memory.
//
// ClampNumber, ByteToNibbles, HexToDecimal and FormatHexTriplet throw
// porv::ConversionError for text that is not a valid integer; every other
// function accepts any input.
#include <QByteArray>

namespace porv {

// Reads a decimal integer the way the unit tool always has: optional leading
// blanks, optional sign, digits ("$" or "0x" introduce hexadecimal). Throws
// ConversionError with the text itself.
int ParseInteger(const QByteArray &text);

QByteArray DecodeDigits(const QByteArray &text);
QByteArray EncodeDigits(const QByteArray &text, int maxLen);
// EncodeDigits that also keeps "=" and ">": the unit's digit codes without a
// dialling meaning, which DecodeDigits leaves in a number read from the unit.
// A number read from the unit and decoded goes back with the codes it had.
QByteArray EncodeUnitDigits(const QByteArray &text, int maxLen);
QByteArray DigitsOnly(const QByteArray &text, int maxLen);
QByteArray PadRight(const QByteArray &text, int width, char fill);
QByteArray EncodePin(const QByteArray &text);
QByteArray ClampNumber(const QByteArray &text, int low, int high);
QByteArray ErasedToNul(const QByteArray &text, int count);
QByteArray ByteToNibbles(const QByteArray &decimalText);
QByteArray NibblesToByte(const QByteArray &text);
QByteArray NibbleToHexDigit(const QByteArray &text);
QByteArray HexToDecimal(const QByteArray &hexText, int width);
QByteArray FormatHexTriplet(const QByteArray &text, const QByteArray &separator);
QByteArray TextBeforeFill(const QByteArray &text);
QByteArray TextBeforeNul(const QByteArray &text);
QByteArray FormatHourMinute(const QByteArray &text);
QByteArray Crc8(const QByteArray &text);
QByteArray AppendCheck(const QByteArray &text);

// The value of one hexadecimal digit (either case), or -1 for any other byte.
int HexDigitValue(char c);
// The value of one NibbleChar ('0'-'?'), or -1 for any other byte.
int NibbleValue(char c);
// The NibbleChar for a value 0-15.
char NibbleChar(int value);

} // namespace porv
