#pragma once
// What the simulated unit is made of and how it may misbehave: the models and
// their memory map, a directory record and an event as the unit holds them,
// and the faults and timings that shape its answers.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>

namespace qx4 {

// The four models the tool recognises, and one it does not.
enum class Model { Qx4_100, Qx4_200, Qx4_500, Qx4_1000, Unknown };

// The model line a unit of that model sends as the fourth line of its prompt.
QByteArray modelLineFor(Model model);
// The top directory address of that model (0x1D00, 0x2A00, 0x5100, 0x9000).
int memoryLimitFor(Model model);
// "100", "200", "500", "1000" -> the model; false for anything else.
bool modelFromName(const QByteArray &name, Model *model);

// Memory map.
constexpr int kBlockSize = 32;
constexpr int kBlockCount = 1536;          // blocks 0000-1535
constexpr int kParameterFirst = 0;         // "0000"
constexpr int kParameterLast = 15;         // "0015"
constexpr int kMessageFirst = 12;          // message blocks travel as plain characters
constexpr int kMessageLast = 15;
constexpr int kDirectoryFirst = 128;       // address 0x1000
constexpr int kDirectoryTop = 1152;        // address 0x9000, the largest model's limit
constexpr int kTagFirst = 1408;
constexpr int kTagLast = 1535;

// One directory record as the unit holds it, in the unit's text forms: digits
// for room, codes and spare; the telephone number in unit digit characters
// with its "?" fill (16 characters); the name as stored (at most 16 bytes).
struct DirectoryRecord {
    int block = 0;            // 128 .. model limit / 32
    QByteArray room;
    QByteArray code1;
    QByteArray code2;
    QByteArray spare;
    QByteArray phone;         // 16 unit digit characters, '?'-filled
    QByteArray name;
    int address() const { return block * kBlockSize; }
    bool operator==(const DirectoryRecord &o) const;
};

// One relay event as logged by the unit.
struct UnitEvent {
    enum class Origin { Room, Button, InCall };
    Origin origin = Origin::Room;
    QByteArray room;          // up to 6 digits, for Origin::Room
    int button = 1;           // 0-9, for Origin::Button
    QDateTime when;           // the unit's clock at the event
    char relay = '1';         // '1' or '2'
    char setBy = '0';         // '0' local, '1' remote, '2' RF-ID
    QByteArray client;        // up to 16 characters
    bool operator==(const UnitEvent &o) const;
};

// A fault that hits writes: off (count 0), every matching write (count -1), or
// the next count matching writes. An empty block set matches every block.
struct WriteFault {
    int count = 0;
    QSet<int> blocks;
    // Whether this write is hit; consumes one from a positive count.
    bool take(int block);
};

struct FaultSettings {
    bool silent = false;             // never answers anything
    int extraDelayMs = 0;            // added to every answer (slow unit)
    int dropEveryNthLine = 0;        // every Nth line sent is lost (0 off)
    int corruptEveryNthByte = 0;     // every Nth byte sent is changed (0 off)
    int breakAfterLines = 0;         // after N lines the link goes silent for good (0 off)
    // After N writes ("p", "b", "g") were answered the unit falls silent for
    // good: later commands, writes included, are neither stored nor answered
    // (0 off; repairLink brings it back).
    int silentAfterWrites = 0;
    WriteFault gError;               // "g" answers "Error" and stores nothing
    WriteFault refuseB;              // "b" is not stored and not acknowledged
    WriteFault wrongP;               // "p" is acknowledged but other data is kept
    bool neverAckErase = false;      // "f5a" erases but never says "OK"
    bool ignoreClockSet = false;     // "t" with a time says "OK" and leaves the clock as it was
    // Answers of units that are not ours.
    QByteArray clockReply;           // non-empty: "t" answers this as its second line
    QByteArray eventLogClosing;      // non-empty: "e" ends with this line instead of "OK"
    bool eventLogWithoutFirstLine = false; // "e" starts with the first event (an empty log: "OK" alone)
    int eventLogCopies = 1;          // "e" lists the events this many times over (a longer log)
    int promptDelayMs = 0;           // a prompt (CR alone) is answered this much later
    QList<QByteArray> linesAfterDump; // after a dump's closing line, each a chunk of its own, 20 ms apart
};

// Datagram and timing settings that shape when replies go out (all scaled by
// the time scale).
struct TimingSettings {
    int replyDelayMs = 5;            // every answer starts this long after its command
    int lineIntervalMs = 0;          // >0: multi-line answers go out one line at a time
    int eraseDelayMs = 250;          // "f5a": erasing the directory takes a while
    int tagEraseDelayMs = 100;       // "c1418"
    int connectDelayMs = 1000;       // modem: "atd" to "CONNECT"
    // >0: an answer that goes out at once goes out in two chunks (two
    // datagrams), its first splitAfterBytes bytes, then the rest splitPauseMs
    // later; the next command waits for the rest.
    int splitAfterBytes = 0;
    int splitPauseMs = 1000;
};

} // namespace qx4
