#pragma once
// A working model of the Portavel QX4 door-entry unit as it answers on its
// programming port: memory blocks that commands change and later commands read
// back, the directory, the tag list, the event log, the clock and the PIN, the
// log-on state, and an optional Hayes modem in front of it.
//
// Bytes come in through receive() in any chunking; each command line ends with
// CR (an LF alone is tolerated). Replies leave through the send() signal as
// lines ended by CR LF, always later than the call that caused them (timers,
// never blocking), one command at a time in arrival order.
#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include "unit_types.h"

namespace qx4 {

class SimulatedUnit : public QObject {
    Q_OBJECT
public:
    explicit SimulatedUnit(QObject *parent = nullptr);

    // --- configuration -------------------------------------------------
    void setModel(Model model);
    Model model() const { return m_model; }
    // Model line and memory limit used when the model is Model::Unknown.
    void setUnknownModel(const QByteArray &line, int memoryLimit);
    QByteArray modelLine() const;
    int memoryLimit() const;
    int lastDirectoryBlock() const { return memoryLimit() / kBlockSize; }

    void setPin(const QByteArray &pin) { m_pin = pin; }
    QByteArray pin() const { return m_pin; }

    void setTimeScale(double scale);
    double timeScale() const { return m_timeScale; }
    void setTiming(const TimingSettings &t) { m_timing = t; }
    TimingSettings timing() const { return m_timing; }

    void setFaults(const FaultSettings &f) { m_faults = f; }
    FaultSettings &faults() { return m_faults; }
    // Back to a working link: clears the broken-link state and line counters.
    void repairLink();

    // A Hayes modem in front of the unit (serial side only).
    void setModemEnabled(bool on);
    bool modemEnabled() const { return m_modemEnabled; }
    bool modemConnected() const { return m_modemConnected; }

    // --- memory ---------------------------------------------------------
    QByteArray block(int number) const;                  // 32 bytes; empty if out of range
    bool setBlock(int number, const QByteArray &bytes);  // up to 32 bytes; the rest erased
    void eraseDirectory();
    void eraseTags();

    QList<DirectoryRecord> directoryRecords() const;     // records in use, by address
    bool setDirectoryRecord(const DirectoryRecord &record);
    // A record's block in the form the "b" command carries (RecordData).
    static QByteArray encodeRecordData(const QByteArray &recordData, bool *ok = nullptr);
    static QByteArray directoryLine(int block, const QByteArray &bytes);

    // Tag entries (room digits, 10 hexadecimal digits) in the tag blocks.
    struct TagEntry { QByteArray room; QByteArray code; };
    QList<TagEntry> tagEntries() const;
    bool setTagEntries(const QList<TagEntry> &entries);

    QList<UnitEvent> events() const { return m_events; }
    void setEvents(const QList<UnitEvent> &events);
    void addEvent(const UnitEvent &event);
    static QByteArray eventLine(int number, const UnitEvent &event);
    static constexpr int kMaxEvents = 9999; // event numbers are four digits

    // The unit's clock: an offset from the PC's clock.
    QDateTime clock() const;
    void setClock(const QDateTime &unitTime);
    qint64 clockOffsetSeconds() const { return m_clockOffset; }
    void setClockOffsetSeconds(qint64 s) { m_clockOffset = s; }

    bool loggedOn() const { return m_loggedOn; }

    // --- observation ----------------------------------------------------
    // Counts of command lines by kind: "prompt", "a", "x", "r", "p", "b", "d",
    // "f5a", "t", "tset", "e", "s", "c", "g", "atz", "ate0", "atd", "at",
    // "unknown", "ignored" (not logged on), "overlong".
    int commandCount(const QByteArray &kind) const { return m_counts.value(kind); }
    QHash<QByteArray, int> commandCounts() const { return m_counts; }
    void resetCounts() { m_counts.clear(); m_lastCommands.clear(); }
    // The last command lines received (without CR), oldest first; at most 200.
    QList<QByteArray> lastCommands() const { return m_lastCommands; }
    bool busy() const { return m_busy; }

    // The unit reads a tag: sends the tag message unasked. code: up to ten
    // hexadecimal digits (left-filled with 0). badCheck sends a wrong check pair.
    bool presentTag(const QByteArray &code, bool badCheck = false);
    static QByteArray tagMessage(const QByteArray &code10, bool badCheck);

public slots:
    void receive(const QByteArray &bytes);
    // The link was closed on the PC side (serial port closed, call dropped).
    void linkDropped();

signals:
    void send(const QByteArray &chunk);
    void commandHandled(const QByteArray &line);

private:
    struct Reply {
        QList<QByteArray> lines;   // without CR LF
        int delayMs = 0;           // before the first line (unscaled)
        bool raw = false;          // lines already carry their own line ends
        bool connects = false;     // the modem's call is up once this goes out
        QList<QByteArray> after;   // lines that follow the reply, each a chunk of its own
    };

    // The answer to a command the unit refuses: "Error".
    static Reply errorReply();
    void processNext();
    Reply handle(const QByteArray &line);
    Reply handleModem(const QByteArray &line, bool *handled);
    Reply handleUnit(const QByteArray &line);
    // A write command while the unit may fall silent: false once it has.
    bool writeAnswered();
    void count(const QByteArray &kind) { ++m_counts[kind]; }
    void emitReply(const Reply &reply);
    void sendLinesFrom(QList<QByteArray> lines, int intervalMs, QList<QByteArray> after);
    // The reply is out: its trailing lines follow, and the next command is taken.
    void replyDone(QList<QByteArray> after);
    void emitOut(const QList<QByteArray> &lines, bool raw);
    // The answer in two chunks (TimingSettings::splitAfterBytes), then its
    // trailing lines and the next command.
    void emitSplit(const QList<QByteArray> &lines, bool raw, QList<QByteArray> after);
    // The lines as they go out, with the faults applied (empty when none do).
    QByteArray rendered(const QList<QByteArray> &lines, bool raw);
    int scaled(int ms) const;

    Reply readBlock(const QByteArray &line);
    Reply writeBlock(const QByteArray &line);
    Reply writeDirectory(const QByteArray &line);
    Reply dump(const QByteArray &line);
    Reply listTags(const QByteArray &line);
    Reply writeTag(const QByteArray &line);
    Reply clockCommand(const QByteArray &line);
    Reply eventLog();
    QByteArray blockLine(int number) const;
    bool writable(int number) const;

    Model m_model = Model::Qx4_1000;
    QByteArray m_unknownLine = "Portavel_300_Qx4";
    int m_unknownLimit = 0x2A00;
    QByteArray m_pin = "1234";
    double m_timeScale = 1.0;
    TimingSettings m_timing;
    FaultSettings m_faults;

    QByteArray m_memory;               // kBlockCount * kBlockSize bytes, 0xFF erased
    QList<UnitEvent> m_events;
    qint64 m_clockOffset = 0;

    bool m_loggedOn = false;
    bool m_modemEnabled = false;
    bool m_modemConnected = false;
    bool m_modemEcho = true;
    bool m_dialling = false;

    QByteArray m_lineBuffer;
    bool m_lastWasCr = false;
    QList<QByteArray> m_inbox;
    bool m_busy = false;
    quint64 m_generation = 0;          // bumps on linkDropped to cancel pending output

    qint64 m_linesOut = 0;
    qint64 m_bytesOut = 0;
    int m_writesAnswered = 0;
    bool m_broken = false;

    QHash<QByteArray, int> m_counts;
    QList<QByteArray> m_lastCommands;

    static constexpr int kMaxLine = 512;
    static constexpr int kMaxInbox = 256;
};

} // namespace qx4
