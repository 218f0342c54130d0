#pragma once
// The parameters page's work with the unit, without widgets: the group reads,
// the verified block writes, Write All, the PINs, and the parameters file
// commands. The page owns one ParametersCore and shows its ParameterFields;
// tests drive it over a Link with any transport. The core words nothing for
// the person: what went otherwise than asked collects in a ParametersOutcome,
// which the page (or porv-cli) takes after each command and words.
#include <QByteArray>
#include <QSet>
#include <QString>

#include <optional>

#include "blocks.h"

#include "fields.h"
#include "image.h"

namespace porv {

// The boxes of relay 2, which the parameters file keeps as one slot ("relay2").
inline const QList<QByteArray> kRelay2Boxes = {"rly2off", "rly2key", "rly2line", "rly2ring", "rly2tim"};

class Link;
class ShellServices;

// The groups of fields that one write sends, in the order Write All writes
// them: block 0001; 0012 to 0015; 0008 and 0009; 0005 and 0002; 0000.
enum class WriteGroup { GateCodes, Messages, SpeedDials, Diverts, Settings };

// What Write All did: whether it went ahead, and the blocks the unit did not
// confirm (in the order they were written).
struct ParametersWriteReport {
    bool written = false;
    QList<QByteArray> unconfirmed;
};

// What the commands since the last TakeOutcome did otherwise than asked.
struct ParametersOutcome {
    // The blocks of the read that got no whole answer ("block 0000", "blocks
    // 0012 to 0015"); empty when every read was answered.
    QString unanswered;
    // The blocks written but not confirmed, in the order they were written
    // (the access codes' 0003 not among them: see pins).
    QList<QByteArray> unconfirmed;
    // The access codes' write: not made, confirmed, or not confirmed.
    enum class Pins { NotWritten, Programmed, Failed } pins = Pins::NotWritten;
    // A parameters file that could not be loaded (shorter than a file).
    QString unloadedFile;

    bool empty() const
    {
        return unanswered.isEmpty() && unconfirmed.isEmpty() && pins == Pins::NotWritten && unloadedFile.isEmpty();
    }
};

class ParametersCore {
public:
    ParametersCore(Link &link, ShellServices &shell);

    ParameterFields &fields() { return m_fields; }
    const ParameterFields &fields() const { return m_fields; }
    ParameterImage &image() { return m_image; }
    const ParameterImage &image() const { return m_image; }

    // --- read --------------------------------------------------------------------
    // Each group read applies its reply only when it arrived whole (every field
    // there and the closing "OK"); otherwise the fields keep their values, the
    // outcome names the blocks, and the result is false.
    // Settings, gate codes, speed dials, divert numbers, divert times, in this
    // order; the first read without an answer ends it.
    bool ReadParameters();
    bool ReadSettings();      // "r0000", 1000 ticks; transfer window; image refreshed
    bool ReadGateCodes();     // "r0001", 500 ticks; busy cursor, transfer window; image refreshed
    bool ReadSpeedDials();    // "d00080010", 1000 ticks
    bool ReadDivertNumbers(); // "d00050006", 1000 ticks
    bool ReadDivertTimes();   // "r0002", 500 ticks
    bool ReadMessages();      // "d00120015", 1000 ticks; transfer window
    // The blocks of the last read that got no whole answer ("block 0000",
    // "blocks 0012 to 0015"); empty once a read was answered.
    QString UnansweredBlocks() const { return m_unanswered; }

    // --- write -------------------------------------------------------------------
    // The Write buttons and Write All first ask about any group they send of which
    // some field never came from the unit (a whole read), a parameters file (Open)
    // or the user (an edit through the page), naming those groups; only Yes goes
    // on, No sends nothing. Every group starts unknown; File New keeps what is known.
    //
    // Each block through WriteBlockVerified; a block that fails goes into the
    // outcome, and the next block is written all the same.
    void WriteSettings();   // 0000 (EncodeSettings may throw ConversionError: nothing sent)
    void WriteGateCodes();  // 0001
    void WriteMessages();   // 0012, 0013, 0014, 0015
    void WriteSpeedDials(); // 0008, 0009
    void WriteDiverts();    // 0005, 300 ticks, 0002
    // "Ready" in the command panel of the status bar.
    void ShowReady();
    // Asks "ReWrite all Messages & Operating Parameters?", then about groups never
    // read as above; on Yes to both writes 0001, 0012-0015, 0008, 0009, 0005,
    // 0002, 0000, then "Ready" and the UpLoad wait.
    ParametersWriteReport WriteAll();
    // The hidden "Up Date" button: a wait of 200 ticks.
    void UpLoadClick();

    // The buttons of the page.
    void ReadPara1Click() { ReadParameters(); }
    void ReadMsgsClick() { ReadMessages(); }
    void ReadAllClick();        // ReadMessages, then ReadParameters
    void WritePara1Click();     // WriteSettings, ShowReady
    void WriteCodeClick();      // WriteGateCodes, ShowReady
    void WriteSpdClick();       // WriteSpeedDials, ShowReady
    void divertWriteClick();    // WriteDiverts, WriteSettings, ShowReady
    void SaveParamClick();      // WriteMessages, ShowReady
    void WriteAllClick() { (void)WriteAll(); }

    // The user changed a field through the page: its whole group holds the
    // user's values from now on. Fields of no group (the access codes) are ignored.
    void UserEdited(const QByteArray &field);

    // --- access codes (block 0003) ----------------------------------------------------
    void ReadPinsClick();   // "r0003", 500 ticks, the eight fields
    // Writes 0003 (never shown in the status bar). When the write would clear a
    // code not known to be empty in the unit, asks first; only Yes goes on.
    // The outcome tells whether the unit confirmed it.
    void UpDatePINClick();
    // Another unit, or none: no code is known to be empty any more.
    void ForgetUnitCodes();

    // --- parameters file ---------------------------------------------------------------
    // Save As: refreshes the image from the fields, asks for a name and saves.
    // Returns false when the dialog was cancelled. Failures throw FileError.
    bool SaveAs();
    // Open: asks for a file, loads it and shows it; a short file is refused
    // (the outcome names it). Returns true when the fields changed.
    bool Open();
    // The same without the dialogs.
    void SaveToFile(const QString &path);
    // What SaveToFile writes, as bytes (for standard output).
    QByteArray FileBytes();
    bool LoadFromFile(const QString &path);

    // What the commands since the last call did otherwise than asked; the
    // outcome starts empty again.
    ParametersOutcome TakeOutcome();

private:
    void writeBlock(const QByteArray &block, const QByteArray &data);
    // Sends the command, waits the group's fixed wait, and gives the reply's
    // lines when it came whole (the needed lines, then "OK").
    std::optional<QList<QByteArray>> groupRead(const QByteArray &command, int ticks,
                                               std::initializer_list<LineNeed> needs);
    // Reports a read without a whole answer; returns `whole`.
    bool answered(bool whole, const char *blocks);
    // Whether every field of a group came from the unit, a file or the user.
    bool groupKnown(WriteGroup group) const;
    // Asks about the groups that hold values of unknown origin; true to go on.
    bool mayWrite(std::initializer_list<WriteGroup> groups);
    void markKnown(const QList<QByteArray> &fields);

    Link &m_link;
    ShellServices &m_shell;
    ParameterFields m_fields;
    ParameterImage m_image;
    // Fields whose value came from the unit, a parameters file or the user.
    QSet<QByteArray> m_known;
    // Access-code fields whose code the unit holds empty, as last read or written.
    QSet<QByteArray> m_pinsEmptyInUnit;
    QString m_unanswered;
    // Blocks not confirmed since the last Write All began.
    QList<QByteArray> m_unconfirmed;
    ParametersOutcome m_outcome;
};

} // namespace porv
