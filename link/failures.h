#pragma once
// The failures that travel: a field that is not a number, a file that cannot be
// read or written, a serial port that fails. A serial port's failure ends at
// the link (Link::failed), which closes itself; the others end the user
// command and the window's failure handler shows their message.
#include <QString>
#include <QByteArray>
#include <exception>

namespace porv {

class Failure : public std::exception {
public:
    explicit Failure(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// "'%s' is not a valid integer value"
class ConversionError : public Failure {
public:
    explicit ConversionError(const QByteArray &offending);
    const QByteArray &text() const noexcept { return m_text; }

private:
    QByteArray m_text;
};

class FileError : public Failure {
public:
    using Failure::Failure;
};

class SerialError : public Failure {
public:
    using Failure::Failure;
};

} // namespace porv
