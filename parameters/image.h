#pragma once
// ParameterImage: the packed 467-byte record that mirrors part of the
// parameters page, and the parameters file, which is that record byte for byte.
//
// A text field of capacity n takes n+1 bytes: a length byte, then n character
// bytes of which the first (length) are the text; the bytes after the text keep
// what they held. A flag is one byte, non-zero for checked. Reserved bytes are
// never written by the tool: zero in a fresh image, otherwise what the last
// loaded file put there.
#include <QByteArray>
#include <QList>
#include <QString>

namespace porv {

class ParameterFields;

struct ImageSlot {
    QByteArray name; // the field; "relay2" for the relay-2 override value
    int offset;
    int capacity;    // characters of a text; 0 for a one-byte flag
};

class ParameterImage {
public:
    static constexpr int Size = 467;
    // Where the relay-2 value (two nibble characters) is kept.
    static constexpr int Relay2Offset = 319;

    ParameterImage() : m_bytes(Size, '\0') {}

    // Every slot in offset order.
    static const QList<ImageSlot> &Slots();
    static const ImageSlot *Slot(const QByteArray &name);
    // True for a byte that no field uses.
    static bool IsReserved(int offset);

    const QByteArray &bytes() const { return m_bytes; }
    // Replaces the whole record; the text must be exactly Size bytes.
    void setBytes(const QByteArray &bytes);

    // The text at a slot, read by its length byte. A length byte above the
    // capacity (a damaged file) is taken as the capacity, so a field never
    // reads into the next one.
    QByteArray readText(int offset, int capacity) const;
    // Stores a text cut to the capacity; the bytes after it keep their value.
    void writeText(int offset, int capacity, const QByteArray &text);
    bool readFlag(int offset) const;
    void writeFlag(int offset, bool on);

private:
    QByteArray m_bytes;
};

// The relay-2 override byte as two nibble characters: 1 rly2key, 2 rly2line,
// 4 rly2ring, 8 rly2tim. Checks "Normal" (rly2off) when the sum is 0 and
// unchecks it otherwise.
QByteArray Relay2Value(ParameterFields &fields);
// Shows a relay-2 override byte as exactly the boxes Relay2Value made it from:
// rly2key, rly2line, rly2ring and rly2tim each from its bit, rly2off checked
// when none of the four is set and unchecked otherwise.
void ShowRelay2Boxes(ParameterFields &fields, int value);
// The same for a stored relay-2 value (two nibble characters). An empty text
// throws ConversionError.
void ShowRelay2Value(ParameterFields &fields, const QByteArray &text);

// Copies the fields into the image (texts cut to their capacity); the reserved
// bytes are left as they are.
void ImageFromControls(ParameterFields &fields, ParameterImage &image);
// Sets the fields from the image, in the image's order, then shows the global
// codes state. An empty relay-2 text throws ConversionError after the codes,
// messages and settings have been set.
void ControlsFromImage(const ParameterImage &image, ParameterFields &fields);

// Writes the image to the file through a temporary file that replaces the old
// one only when complete: a failed save never replaces a good file. Throws
// FileError ("Cannot create file ..." or "Could not save").
void SaveParameterFile(const ParameterImage &image, const QString &path);
// Reads the file into the image. A file shorter than 467 bytes is refused: the
// image is left unchanged and the result is false. A longer file loads its first
// 467 bytes. Throws FileError ("Cannot open file ...") when it cannot be opened.
bool LoadParameterFile(ParameterImage &image, const QString &path);

// The dialogs of the parameters file.
QString ParameterFileExtension();   // "Sys"
QString ParameterFileName();        // "SysPara"
QString ParameterFileFilter();      // "PortavelParameters(*.sys)|*.sys|All Files (*.*)|*.*"

} // namespace porv
