#include "procedures.h"

#include <QScopeGuard>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <utility>

#include "blocks.h"
#include "codecs.h"
#include "delay.h"
#include "link.h"
#include "request.h"
#include "shellservices.h"
#include "unitwrites.h"
#include "unitconnection.h"

namespace porv {

namespace {

// The fields each read fills and each write sends (with the radio buttons and
// the "Normal" box that decide the bits of the settings block).
const QList<QByteArray> kDivertNumbers = {"divert1", "divert2", "AftHrs1", "AftHrs2"};
const QList<QByteArray> kDivertTimes = {"MaskEdit1", "MaskEdit2", "MaskEdit3", "MaskEdit4",
                                        "time1s",    "time1e",    "time2s",    "time2e"};

struct GroupFields {
    WriteGroup group;
    const char *name; // as the question names it
    QList<QByteArray> fields;
};

const QList<GroupFields> &writeGroups()
{
    static const QList<GroupFields> groups = {
        {WriteGroup::GateCodes, "gate codes", {"code_g1", "code_g2", "code_ic1", "code_ic2", "code_sd1", "code_sd2"}},
        {WriteGroup::Messages, "messages", {"msg0", "msg1", "msg2", "msg3", "msg4", "msg5"}},
        {WriteGroup::SpeedDials, "speed dials", {"spd1", "spd2", "spd3", "spd4", "spd5", "spd6", "spd7", "spd8"}},
        {WriteGroup::Diverts, "diverts", kDivertNumbers + kDivertTimes},
        {WriteGroup::Settings, "settings",
         QList<QByteArray>{"Phs_run", "Phs_but", "Phs_rt", "Phs_sl", "Phs_ml", "Phs_lt", "Phs_ls", "Phs_rc",
                           "Phs_na", "Phs_rv", "Cont_time", "Sil_time", "PS2_srl1", "PS2_grls", "PS2_mden",
                           "PS1_gacc", "PS2_gcod", "PS2_qx1c", "PS2_klmsg", "RadioButton1", "PS2_srl2",
                           "PS1_pmsg", "PS1_sclk", "Divert4Butts", "Divert4All", "Divert4ButtsNA", "Divert4AllNA"}
             + kRelay2Boxes},
    };
    return groups;
}

const GroupFields &groupFields(WriteGroup group)
{
    for (const GroupFields &g : writeGroups())
        if (g.group == group)
            return g;
    Q_UNREACHABLE();
}

// "a", "a and b", "a, b and c".
QString joinedWithAnd(const QStringList &items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.mid(0, items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + items.last();
}

} // namespace

ParametersCore::ParametersCore(Link &link, ShellServices &shell) : m_link(link), m_shell(shell) {}

// --- where the values came from ------------------------------------------------------

void ParametersCore::markKnown(const QList<QByteArray> &fields)
{
    for (const QByteArray &name : fields)
        m_known.insert(name);
}

void ParametersCore::UserEdited(const QByteArray &field)
{
    for (const GroupFields &g : writeGroups())
        if (g.fields.contains(field))
            markKnown(g.fields);
}

bool ParametersCore::groupKnown(WriteGroup group) const
{
    for (const QByteArray &name : groupFields(group).fields)
        if (!m_known.contains(name))
            return false;
    return true;
}

bool ParametersCore::mayWrite(std::initializer_list<WriteGroup> groups)
{
    // A field still at its start value (or left so by a read that got no
    // answer) would overwrite what the unit holds with a value nobody chose.
    QStringList never, partly;
    for (WriteGroup group : groups) {
        if (groupKnown(group))
            continue;
        const GroupFields &g = groupFields(group);
        const bool anyKnown = std::any_of(g.fields.begin(), g.fields.end(),
                                          [this](const QByteArray &name) { return m_known.contains(name); });
        (anyKnown ? partly : never) << QLatin1String(g.name);
    }
    if (never.isEmpty() && partly.isEmpty())
        return true;
    QStringList what;
    if (!never.isEmpty())
        what << QStringLiteral("the ") + joinedWithAnd(never);
    if (!partly.isEmpty())
        what << QStringLiteral("some of the ") + joinedWithAnd(partly);
    QString question = joinedWithAnd(what)
                     + QStringLiteral(" were never read from the unit or a file. Write them anyway?");
    question[0] = question.at(0).toUpper();
    return m_shell.AskQuestion(question);
}

// --- read ---------------------------------------------------------------------------

std::optional<QList<QByteArray>> ParametersCore::groupRead(const QByteArray &command, int ticks,
                                                          std::initializer_list<LineNeed> needs)
{
    // The group's fixed wait, then its reply as it stands.
    m_link.ClearReceiveView();
    const Reply reply = Request(m_link, command, BlockReplyRule(needs, ReplyWait::Fixed(ticks)));
    if (!reply.Complete())
        return std::nullopt;
    return reply.Lines();
}

bool ParametersCore::answered(bool whole, const char *blocks)
{
    // A reply that did not arrive whole changes no field: the page keeps what
    // it showed, and a later write cannot send placeholders for the unit's data.
    m_unanswered = whole ? QString() : QLatin1String(blocks);
    if (!whole)
        m_outcome.unanswered = m_unanswered;
    return whole;
}

bool ParametersCore::ReadParameters()
{
    return ReadSettings() && ReadGateCodes() && ReadSpeedDials() && ReadDivertNumbers() && ReadDivertTimes();
}

bool ParametersCore::ReadSettings()
{
    bool whole = false;
    {
        const UnitOperation transfer(m_link, QStringLiteral("r0000"), TransferShown);
        const auto end = qScopeGuard([this] {
            ImageFromControls(m_fields, m_image);
            m_shell.SetSaveAsEnabled(true);
        });
        const auto lines = groupRead("r0000", 1000, {{0, 5 + 63}}); // to byte 31
        whole = lines.has_value();
        if (whole) {
            DecodeSettingsReply(m_fields, *lines);
            markKnown(groupFields(WriteGroup::Settings).fields);
        }
    }
    return answered(whole, "block 0000");
}

bool ParametersCore::ReadGateCodes()
{
    bool whole = false;
    {
        const UnitOperation transfer(m_link, QStringLiteral("r0001"), TransferShown | PersonWaits);
        const auto end = qScopeGuard([this] {
            ImageFromControls(m_fields, m_image);
            m_shell.SetSaveAsEnabled(true);
        });
        const auto lines = groupRead("r0001", 500, {{0, 46}});
        whole = lines.has_value();
        if (whole) {
            DecodeGateCodes(m_fields, *lines);
            markKnown(groupFields(WriteGroup::GateCodes).fields);
            m_fields.ShowGlobalCodesState();
        }
    }
    return answered(whole, "block 0001");
}

bool ParametersCore::ReadSpeedDials()
{
    const auto lines = groupRead("d00080010", 1000, {{1, 54}, {2, 54}});
    const bool whole = lines.has_value();
    if (whole) {
        DecodeSpeedDials(m_fields, *lines);
        markKnown(groupFields(WriteGroup::SpeedDials).fields);
    }
    return answered(whole, "blocks 0008 to 0010");
}

bool ParametersCore::ReadDivertNumbers()
{
    const auto lines = groupRead("d00050006", 1000, {{1, 54}});
    const bool whole = lines.has_value();
    if (whole) {
        DecodeDivertNumbers(m_fields, *lines);
        markKnown(kDivertNumbers);
    }
    return answered(whole, "blocks 0005 to 0006");
}

bool ParametersCore::ReadDivertTimes()
{
    const auto lines = groupRead("r0002", 500, {{0, 5 + 13}}); // to the fourth time
    const bool whole = lines.has_value();
    if (whole) {
        DecodeDivertTimes(m_fields, *lines);
        markKnown(kDivertTimes);
    }
    return answered(whole, "block 0002");
}

bool ParametersCore::ReadMessages()
{
    bool whole = false;
    {
        const UnitOperation transfer(m_link, QStringLiteral("d00120015"), TransferShown);
        const auto lines = groupRead("d00120015", 1000, {{1, 22}, {2, 6}, {3, 6}, {4, 22}});
        whole = lines.has_value();
        if (whole) {
            DecodeMessages(m_fields, *lines);
            markKnown(groupFields(WriteGroup::Messages).fields);
        }
    }
    return answered(whole, "blocks 0012 to 0015");
}

void ParametersCore::ReadAllClick()
{
    if (ReadMessages())
        ReadParameters();
}

// --- write --------------------------------------------------------------------------

void ParametersCore::writeBlock(const QByteArray &block, const QByteArray &data)
{
    UnitWriteScope journal(m_link, UnitWriteKind::ParametersWrite); // a part of the button's write
    const bool confirmed = m_link.WriteBlockVerified(block, data);
    journal.Done(confirmed, {BlockChange(block, {}, data, block == "0001")});
    if (confirmed)
        return;
    m_unconfirmed.append(block);
    m_outcome.unconfirmed.append(block);
}

void ParametersCore::WriteSettings()
{
    const QByteArray data = EncodeSettings(m_fields); // a field that is no number ends here
    writeBlock("0000", data);
}

void ParametersCore::WriteGateCodes() { writeBlock("0001", GateCodesBlock(m_fields)); }

void ParametersCore::WriteMessages()
{
    writeBlock("0012", MessageBlock12(m_fields));
    writeBlock("0013", MessageBlock13(m_fields));
    writeBlock("0014", MessageBlock14(m_fields));
    writeBlock("0015", MessageBlock15(m_fields));
}

void ParametersCore::WriteSpeedDials()
{
    writeBlock("0008", SpeedDials1Block(m_fields));
    writeBlock("0009", SpeedDials2Block(m_fields));
}

void ParametersCore::WriteDiverts()
{
    writeBlock("0005", DivertNumbersBlock(m_fields));
    Delay(300);
    writeBlock("0002", DivertTimesBlock(m_fields));
}

void ParametersCore::ShowReady() { m_shell.ShowStatus(1, QStringLiteral("Ready")); }

void ParametersCore::UpLoadClick() { Delay(200); }

ParametersWriteReport ParametersCore::WriteAll()
{
    ParametersWriteReport report;
    UnitWriteScope journal(m_link, UnitWriteKind::ParametersWriteAll);
    if (!journal.Allowed() || !m_shell.AskQuestion(QStringLiteral("ReWrite all Messages & Operating Parameters?"))
        || !mayWrite({WriteGroup::GateCodes, WriteGroup::Messages, WriteGroup::SpeedDials, WriteGroup::Diverts,
                      WriteGroup::Settings})
        || !m_shell.BeforeOverwrite(QStringLiteral("the parameters")))
        return report;
    m_unconfirmed.clear();
    {
        const UnitOperation writes(m_link, QStringLiteral("WriteAll"), PersonWaits);
        WriteGateCodes();
        WriteMessages();
        WriteSpeedDials();
        WriteDiverts();
        WriteSettings();
    }
    ShowReady();
    UpLoadClick();
    report.written = true;
    report.unconfirmed = m_unconfirmed;
    return report;
}

void ParametersCore::WritePara1Click()
{
    UnitWriteScope journal(m_link, UnitWriteKind::ParametersWrite);
    if (!journal.Allowed() || !mayWrite({WriteGroup::Settings}))
        return;
    WriteSettings();
    ShowReady();
}

void ParametersCore::WriteCodeClick()
{
    UnitWriteScope journal(m_link, UnitWriteKind::ParametersWrite);
    if (!journal.Allowed() || !mayWrite({WriteGroup::GateCodes}))
        return;
    WriteGateCodes();
    ShowReady();
}

void ParametersCore::WriteSpdClick()
{
    UnitWriteScope journal(m_link, UnitWriteKind::ParametersWrite);
    if (!journal.Allowed() || !mayWrite({WriteGroup::SpeedDials}))
        return;
    WriteSpeedDials();
    ShowReady();
}

void ParametersCore::divertWriteClick()
{
    UnitWriteScope journal(m_link, UnitWriteKind::ParametersWrite);
    if (!journal.Allowed() || !mayWrite({WriteGroup::Diverts, WriteGroup::Settings}))
        return;
    WriteDiverts();
    WriteSettings();
    ShowReady();
}

void ParametersCore::SaveParamClick()
{
    UnitWriteScope journal(m_link, UnitWriteKind::ParametersWrite);
    if (!journal.Allowed() || !mayWrite({WriteGroup::Messages}))
        return;
    WriteMessages();
    ShowReady();
}

// --- access codes ------------------------------------------------------------------------

namespace {
// The access-code fields whose code the write empties in the unit.
QSet<QByteArray> clearedByWrite(const ParameterFields &fields)
{
    QSet<QByteArray> cleared;
    for (const QByteArray &name : PinFields())
        if (EncodePin(fields.text(name)) == QByteArray(8, '?'))
            cleared.insert(name);
    return cleared;
}
} // namespace

void ParametersCore::ReadPinsClick()
{
    const auto lines = groupRead("r0003", 500, {{0, 5 + 57}});
    const bool whole = lines.has_value();
    if (whole) {
        DecodePins(m_fields, *lines);
        m_pinsEmptyInUnit = clearedByWrite(m_fields);
    }
    answered(whole, "block 0003");
}

void ParametersCore::UpDatePINClick()
{
    // An empty field clears its code in the unit. Unless that code is known to
    // be empty already (read or written so), the user says so first.
    const QSet<QByteArray> cleared = clearedByWrite(m_fields);
    UnitWriteScope journal(m_link, UnitWriteKind::PinsWritten);
    if (!journal.Allowed() || (!(cleared - m_pinsEmptyInUnit).isEmpty()
        && !m_shell.AskQuestion(QStringLiteral("Clear the unit's PINs and emergency codes that are empty here?"))))
        return;
    // Block 0003 goes out without showing in the status bar (the link's rule).
    const bool written = m_link.WriteBlockVerified("0003", PinBlock(m_fields));
    journal.Done(written, SecretChanges(QStringLiteral("access codes"), PinFields()), QStringLiteral("the PINs and emergency codes"));
    if (written) {
        m_pinsEmptyInUnit = cleared;
        m_outcome.pins = ParametersOutcome::Pins::Programmed;
    } else {
        m_outcome.pins = ParametersOutcome::Pins::Failed;
    }
}

void ParametersCore::ForgetUnitCodes() { m_pinsEmptyInUnit.clear(); }

ParametersOutcome ParametersCore::TakeOutcome() { return std::exchange(m_outcome, {}); }

} // namespace porv
