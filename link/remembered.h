#pragma once
// The remembered log-on details: the 77-byte record "Porvdata.ini" in the
// working directory. Each text field is a length byte followed by a fixed
// number of character bytes; bytes after the used length carry no meaning.
//
//   offset  size  field
//        0    17  PIN: length 0-16, then 16 bytes
//       17    17  remote telephone number: length 0-16, then 16 bytes
//       34     1  Remember Details box: 0 or 1
//       35     1  Remote box: 0 or 1
//       36     1  network link selected: 0 or 1
//       37     7  serial port name: length 0-6, then 6 bytes
//       44    33  IP address of the network link: length 0-32, then 32 bytes
#include <QByteArray>
#include <QString>

namespace porv {

class RememberedDetails {
public:
    static constexpr int Size = 77;
    static constexpr int PinCapacity = 16;
    static constexpr int NumberCapacity = 16;
    static constexpr int PortCapacity = 6;
    static constexpr int AddressCapacity = 32;

    RememberedDetails() : m_bytes(Size, '\0') {}

    // The record as stored, exactly 77 bytes.
    const QByteArray &bytes() const { return m_bytes; }
    // Lays bytes over the start of the record: a shorter text fills only the
    // start and the rest keeps what it held; bytes past 77 are ignored.
    void overlay(const QByteArray &bytes);

    // Field values. A length byte larger than its field is read as the field's
    // capacity, so a damaged file never reads past its field.
    QByteArray pin() const { return text(0, PinCapacity); }
    QByteArray number() const { return text(17, NumberCapacity); }
    bool remember() const { return m_bytes.at(34) != 0; }
    bool remote() const { return m_bytes.at(35) != 0; }
    bool network() const { return m_bytes.at(36) != 0; }
    QByteArray portName() const { return text(37, PortCapacity); }
    QByteArray address() const { return text(44, AddressCapacity); }

    // Setters cut each text to its field's capacity.
    void setPin(const QByteArray &v) { setText(0, PinCapacity, v); }
    void setNumber(const QByteArray &v) { setText(17, NumberCapacity, v); }
    void setRemember(bool v) { m_bytes[34] = v ? 1 : 0; }
    void setRemote(bool v) { m_bytes[35] = v ? 1 : 0; }
    void setNetwork(bool v) { m_bytes[36] = v ? 1 : 0; }
    void setPortName(const QByteArray &v) { setText(37, PortCapacity, v); }
    void setAddress(const QByteArray &v) { setText(44, AddressCapacity, v); }

    // Reads the file over this record (see overlay). False when the file
    // cannot be opened; the record is then unchanged.
    bool load(const QString &path);
    // Creates or replaces the file with the 77 bytes, whole or not at all. The
    // file may hold the PIN: it is readable and writable by its owner only,
    // set before any byte is written. Throws FileError with the system's
    // message when the file cannot be created or written.
    void save(const QString &path) const;

private:
    QByteArray text(int offset, int capacity) const;
    void setText(int offset, int capacity, const QByteArray &value);

    QByteArray m_bytes;
};

} // namespace porv
