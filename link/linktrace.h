#pragma once
// The session's link trace: the last lines sent to the unit and received from
// it, each with its time and direction, kept in memory only and bounded, for a
// support request (Help -> Save link trace). Nothing goes to a file unless the
// user saves it.
//
// No secret enters it. Commands that go out without being shown (the log-on
// "a" + PIN and the write of the access-codes block 0003), and every write of
// a block that holds codes (the gate codes 0001, the access codes 0003, a raw
// directory block), keep only their command letter and block number. What the
// unit sends after one of them, or after a read of such a block (or a dump
// whose range holds 0001 or 0003), is hidden line by line, apart from a bare
// "OK". A record write ("b") and a dump of the directory keep their names,
// rooms and numbers, but each record's two release codes (and the write's
// check, which would tell them) read "[hidden]". Either ends once a command is
// sent after that reply was acknowledged; closing the link ("x") ends it too,
// so a reply that never came does not hide the rest of the session.
#include <QByteArray>
#include <QDateTime>
#include <deque>

namespace porv {

class LinkTrace {
public:
    // The most lines kept (the oldest go first) and the most bytes of one line.
    static constexpr int MaxEntries = 5000;
    static constexpr int MaxLineBytes = 512;

    // A command went out; `shown` is false for the commands that are never
    // shown in the status bar.
    void Sent(const QByteArray &text, bool shown);
    // Text arrived, exactly as received (it is cut into lines at each LF).
    void Received(const QByteArray &chunk);

    // The trace as text: one line per entry, "yyyy-MM-dd hh:mm:ss.zzz > text"
    // for sent and "<" for received, control bytes and bytes above 0x7E
    // written as \r, \n, \t, \\ or \xNN. A line still being received comes last.
    QByteArray Text() const;
    int EntryCount() const { return int(m_entries.size()); }

    // How a byte string is written into the trace (exposed for its tests).
    static QByteArray Escaped(const QByteArray &bytes);

private:
    struct Entry {
        qint64 msecs; // local time of the first byte, ms since the epoch
        char direction;
        QByteArray text; // already escaped and masked
    };
    void add(char direction, const QByteArray &text, qint64 msecs);
    QByteArray receivedLine(const QByteArray &line);
    void flushPending();

    std::deque<Entry> m_entries;
    QByteArray m_pending; // the received line not yet ended, raw
    qint64 m_pendingTime = 0;
    bool m_hiding = false;   // replies are hidden
    bool m_records = false;  // replies are record lines: their codes are hidden
    bool m_answered = false; // the hidden or masked reply held its "OK"
};

} // namespace porv
