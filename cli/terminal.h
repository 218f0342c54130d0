#pragma once
// The terminal the program may talk to: whether standard input and standard
// error are one, the PIN read without showing it, and a line read while the
// event queue goes on (the link's poll and keep-alive keep running).
#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

namespace porv::cli {

bool StandardInputIsTerminal();
bool StandardErrorIsTerminal();

// Writes the text to standard error as it is.
void WriteError(const QString &text);

// Asks on standard error and reads one line from the terminal on standard
// input with its echo off (restored however the read ends, Ctrl+C included).
// Nothing at the end of input.
std::optional<QByteArray> ReadHiddenLine(const QString &prompt);

// One line from standard input as it is (a pipe: `--pin -`), without a
// prompt. Nothing at the end of input.
std::optional<QByteArray> ReadInputLine();

// The first line of a file that only its owner may read (`--pin-file`). A
// file that others can read is not read at all.
struct OwnerOnlyLine {
    QByteArray line;
    bool othersCanRead = false;
    QString problem; // why it could not be opened or read
};
OwnerOnlyLine ReadOwnerOnlyLine(const QString &path);

// Ctrl+C (SIGINT), SIGTERM and SIGHUP while the program works with the unit:
// each is noted on the event queue, so that whatever waits can close the link
// before the program ends. The handlers are in place while the object lives.
class Interruption : public QObject {
    Q_OBJECT
public:
    Interruption();
    ~Interruption() override;
    bool happened() const { return m_happened; }

signals:
    void interrupted();

private:
    bool m_happened = false;
};

// Reads one line from standard input while processing events. Nothing at the
// end of input, or when an interruption comes first.
std::optional<QByteArray> ReadLineProcessingEvents(Interruption *interruption);

} // namespace porv::cli
