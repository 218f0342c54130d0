#include "fields.h"

#include <QtGlobal>

namespace porv {

namespace {

const QByteArray kLcd2("lcd2");
const QByteArray kAfterHours("afterHours");
const QByteArray kNoAnswer("noAnswer");

FieldDescription text(const char *name, int tab, const QString &group, const QString &caption, int length,
               const char *start, const QString &hint = QString(), bool shown = true)
{
    return FieldDescription{QByteArray(name), FieldKind::Text, tab, group, QByteArray(), caption, length,
                     QByteArray(start), false, hint, shown, true};
}

FieldDescription check(const char *name, int tab, const QString &group, const QString &caption, bool on,
                const QString &hint = QString(), bool shown = true, bool enabled = true)
{
    return FieldDescription{QByteArray(name), FieldKind::Check, tab, group, QByteArray(), caption, 0,
                     QByteArray(), on, hint, shown, enabled};
}

FieldDescription radio(const char *name, int tab, const QString &group, const QByteArray &radioGroup,
                const QString &caption, bool on, const QString &hint = QString())
{
    return FieldDescription{QByteArray(name), FieldKind::Radio, tab, group, radioGroup, caption, 0,
                     QByteArray(), on, hint, true, true};
}

FieldDescription timeBox(const char *name, const QString &caption)
{
    return FieldDescription{QByteArray(name), FieldKind::Time, TabDivert,
                     QStringLiteral("After hours Divert numbers"), QByteArray(), caption, 5,
                     QByteArrayLiteral("  :  "), false, QString(), true, true};
}

FieldDescription display(const char *name, int tab, const QString &caption, const QString &hint, bool shown,
                  bool enabled = true)
{
    return FieldDescription{QByteArray(name), FieldKind::Display, tab, QString(), QByteArray(), caption, 0,
                     QByteArray(), false, hint, shown, enabled};
}

QList<FieldDescription> buildDescriptions()
{
    const QString none;
    const QString lcd2 = QStringLiteral("LCD Line2 Options");
    const QString relay2 = QStringLiteral("Relay2 Override");
    const QString afterHours = QStringLiteral("After hours Divert numbers");
    const QString noAnswer = QStringLiteral("No Answer Divert numbers");
    const QString pinGroup = QStringLiteral("PIN to access Local & Remote");
    const QString emgyGroup = QStringLiteral("Emergency Service Access Codes");
    const QString firstDigit = QStringLiteral("First digit MUST be 1 or 2");
    QList<FieldDescription> s;

    // Setting
    s << text("Phs_run", TabSetting, none, QStringLiteral("Run Timer (1-99m)"), 3, "3", QStringLiteral("1 to 99"))
      << text("Phs_but", TabSetting, none, QStringLiteral("Button on time (s)  NB: for push button models"), 3, "1",
              QStringLiteral("1 to 15"))
      << text("Phs_rt", TabSetting, none, QStringLiteral("Relay on time (1-99s)"), 3, "5", QStringLiteral("1 to 99"))
      << text("Phs_sl", TabSetting, none, QStringLiteral("Speaker level (0-15)"), 3, "3", QStringLiteral("1 to 4"))
      << text("Phs_ml", TabSetting, none, QStringLiteral("Mic level (0-15)"), 3, "1", QStringLiteral("0 or 1"))
      << text("Phs_lt", TabSetting, none, QStringLiteral("Lift Relay time (m)"), 3, "0", QStringLiteral("0 to 9"))
      << text("Phs_ls", TabSetting, none, QStringLiteral("LCD Scroll Speed"), 3, "20", QStringLiteral("0 to 50"))
      << text("Phs_rc", TabSetting, none, QStringLiteral("Auto-Answer Ring count"), 3, "2", QStringLiteral("1 to 30"))
      << text("Phs_na", TabSetting, none, QStringLiteral("No Answer Ring Time (10-99s)"), 3, "15",
              QStringLiteral("15 to 99"))
      << text("Phs_rv", TabSetting, none, QStringLiteral("Ring Volume (0-7)"), 3, "3");

    // Options
    s << text("Cont_time", TabOptions, none, QStringLiteral("Continuous Tone Detect (0.1s)"), 2, "20",
              QStringLiteral("IE 20= 2.0 seconds"))
      << text("Sil_time", TabOptions, none, QStringLiteral("Silence Detect (sec)"), 2, "20")
      << check("PS2_srl1", TabOptions, none, QStringLiteral("Sroll Line 1"), false)
      << check("PS2_grls", TabOptions, none, QStringLiteral("Sw. off after gate release"), true)
      << check("PS2_mden", TabOptions, none, QStringLiteral("Modem enable"), true, QString(), false)
      << check("PS1_gacc", TabOptions, none, QStringLiteral("Gate access on in-calls"), false)
      << check("PS2_gcod", TabOptions, none, QStringLiteral("Use Global Gate Codes"), false)
      << check("PS2_qx1c", TabOptions, none, QStringLiteral("Enable QX1 compatibility for relay control"), false,
               QStringLiteral("Tick this box to open gate using #1+code or #2+code"))
      << check("PS2_klmsg", TabOptions, none,
               QStringLiteral("Use the 'Pulsing Msg1+2' as the Keyless entry message"), false)
      << radio("RadioButton1", TabOptions, lcd2, kLcd2, QStringLiteral("Fixed2 message"), true,
               QStringLiteral("Use Fixed2 message"))
      << radio("PS2_srl2", TabOptions, lcd2, kLcd2, QStringLiteral("Sroll Line 2"), false,
               QStringLiteral("Use Scroll2 message"))
      << radio("PS1_pmsg", TabOptions, lcd2, kLcd2, QStringLiteral("Enable pulsing msgs"), false,
               QStringLiteral("Alternate Pulsing message 1 and 2"))
      << check("PS1_sclk", TabOptions, lcd2, QStringLiteral("Show Clock on LCD"), false,
               QStringLiteral("Shows the time of day on line 2"))
      << check("rly2off", TabOptions, relay2, QStringLiteral("Normal"), true,
               QStringLiteral("Tick to disable the relay in use option"))
      << check("rly2key", TabOptions, relay2, QStringLiteral("On a key press"), false)
      << check("rly2line", TabOptions, relay2, QStringLiteral("When Line is looped"), false)
      << check("rly2ring", TabOptions, relay2, QStringLiteral("When Phone Rings"), false)
      << check("rly2tim", TabOptions, relay2, QStringLiteral("Don't use timer"), false,
               QStringLiteral("Tick so that relay will stay on for the duration of the call."), true, false);

    // RelayCodes: rows of two codes, columns "Relay1" and "Relay2"
    const QString global = QStringLiteral("Global Gate Codes");
    const QString incoming = QStringLiteral("Incomming Calls Gate Codes");
    const QString speed = QStringLiteral("SpeedButtons Gate Codes");
    s << text("code_g1", TabRelayCodes, none, global, 4, "")
      << text("code_g2", TabRelayCodes, none, global, 4, "")
      << text("code_ic1", TabRelayCodes, none, incoming, 4, "")
      << text("code_ic2", TabRelayCodes, none, incoming, 4, "")
      << text("code_sd1", TabRelayCodes, none, speed, 4, "")
      << text("code_sd2", TabRelayCodes, none, speed, 4, "")
      << display("Label31", TabRelayCodes, QStringLiteral("Note: Relay2 disabled by OverRide option"),
                 QStringLiteral("Refer to 'Options' Relay2 Override"), false)
      << display("Bevel2", TabRelayCodes, QString(), QString(), false)
      << display("Label47", TabRelayCodes, QStringLiteral("Global codes currently disabled"),
                 QStringLiteral("Refer to Options page"), false);

    // SpeedDial #
    static const char *const speedNames[8] = {"spd1", "spd2", "spd3", "spd4", "spd5", "spd6", "spd7", "spd8"};
    static const char *const speedStarts[8] = {"36001", "36002", "36003", "36004",
                                               "36005", "36006", "36007", "36008"};
    for (int i = 0; i < 8; ++i)
        s << text(speedNames[i], TabSpeedDial, none, QStringLiteral("SpeedNo.%1").arg(i + 1), 16, speedStarts[i]);

    // Divert #
    s << radio("Divert4Butts", TabDivert, afterHours, kAfterHours, QStringLiteral("ButtonsOnly"), true)
      << radio("Divert4All", TabDivert, afterHours, kAfterHours, QStringLiteral("All Calls"), false)
      << text("AftHrs1", TabDivert, afterHours, QStringLiteral("AfterHours No. 1"), 16, "")
      << text("AftHrs2", TabDivert, afterHours, QStringLiteral("AfterHours No. 2"), 16, "")
      << timeBox("MaskEdit1", QStringLiteral("Start Time"))
      << timeBox("MaskEdit2", QStringLiteral("End Time"))
      << timeBox("MaskEdit3", QStringLiteral("Start Time"))
      << timeBox("MaskEdit4", QStringLiteral("End Time"))
      << text("time1s", TabDivert, none, QString(), 0, "0000", QString(), false)
      << text("time1e", TabDivert, none, QString(), 0, "0000", QString(), false)
      << text("time2s", TabDivert, none, QString(), 0, "0000", QString(), false)
      << text("time2e", TabDivert, none, QString(), 0, "0000", QString(), false)
      << text("Edit4", TabDivert, none, QString(), 0, "testing", QString(), false)
      << radio("Divert4ButtsNA", TabDivert, noAnswer, kNoAnswer, QStringLiteral("ButtonsOnly"), true)
      << radio("Divert4AllNA", TabDivert, noAnswer, kNoAnswer, QStringLiteral("All Calls"), false)
      << text("divert1", TabDivert, noAnswer, QStringLiteral("Divert No. 1"), 16, "")
      << text("divert2", TabDivert, noAnswer, QStringLiteral("Divert No. 2"), 16, "");

    // Access PIN
    s << text("NewPin", TabAccessPin, pinGroup, QStringLiteral("New PIN"), 8, "")
      << text("NewPin2", TabAccessPin, pinGroup, QString(), 8, "")
      << text("NewPin3", TabAccessPin, pinGroup, QString(), 8, "")
      << text("NewPin4", TabAccessPin, pinGroup, QString(), 8, "")
      << text("EmgyCode1", TabAccessPin, emgyGroup, QString(), 8, "", firstDigit)
      << text("EmgyCode2", TabAccessPin, emgyGroup, QString(), 8, "", firstDigit)
      << text("EmgyCode3", TabAccessPin, emgyGroup, QString(), 8, "", firstDigit)
      << text("EmgyCode4", TabAccessPin, emgyGroup, QString(), 8, "", firstDigit);

    // Messages
    const QString messages = QStringLiteral("Messages");
    s << text("msg0", InMessages, messages, QStringLiteral("Fixed1"), 16, "")
      << text("msg1", InMessages, messages, QStringLiteral("Fixed2"), 16, "")
      << text("msg2", InMessages, messages, QStringLiteral("Scroll1"), 32, "")
      << text("msg3", InMessages, messages, QStringLiteral("Scroll2"), 32, "")
      << text("msg4", InMessages, messages, QStringLiteral("Pulsing Msg1"), 16, "")
      << text("msg5", InMessages, messages, QStringLiteral("Pulsing Msg2"), 16, "")
      << display("SaveParam", InMessages, QStringLiteral("Write"), QString(), true, false);

    // The hidden "Up Date" button: enabled exactly while logged on.
    s << display("UpLoad", OnPage, QStringLiteral("Up Date"),
                 QStringLiteral("Click to update the Portavel to use this new data"), false, false);
    return s;
}

const QByteArray kTimeCopies[4] = {QByteArrayLiteral("time1s"), QByteArrayLiteral("time1e"),
                                   QByteArrayLiteral("time2s"), QByteArrayLiteral("time2e")};

} // namespace

QByteArray BlanksToZeros(const QByteArray &text)
{
    QByteArray out = text;
    out.replace(' ', '0');
    return out;
}

QByteArray FitTimeMask(const QByteArray &text)
{
    QByteArray out("  :  ");
    for (int i : {0, 1, 3, 4})
        if (i < text.size() && text[i] >= '0' && text[i] <= '9')
            out[i] = text[i];
    return out;
}

const QList<FieldDescription> &ParameterFields::Descriptions()
{
    static const QList<FieldDescription> descs = buildDescriptions();
    return descs;
}

const FieldDescription *ParameterFields::Describe(const QByteArray &name)
{
    static const QHash<QByteArray, int> index = [] {
        QHash<QByteArray, int> h;
        const QList<FieldDescription> &s = Descriptions();
        for (int i = 0; i < s.size(); ++i)
            h.insert(s[i].name, i);
        return h;
    }();
    const auto it = index.constFind(name);
    return it == index.constEnd() ? nullptr : &Descriptions().at(*it);
}

QList<QByteArray> ParameterFields::Names(FieldKind kind)
{
    QList<QByteArray> names;
    for (const FieldDescription &f : Descriptions())
        if (f.kind == kind)
            names << f.name;
    return names;
}

ParameterFields::ParameterFields(QObject *parent) : QObject(parent) { Reset(); }

void ParameterFields::Reset()
{
    const bool loggedOn = m_enabled.value("UpLoad", false);
    m_text.clear();
    m_checked.clear();
    m_enabled.clear();
    m_visible.clear();
    m_olive.clear();
    for (const FieldDescription &f : Descriptions()) {
        if (f.kind == FieldKind::Text || f.kind == FieldKind::Time)
            m_text.insert(f.name, f.start);
        if (f.kind == FieldKind::Check || f.kind == FieldKind::Radio)
            m_checked.insert(f.name, f.startChecked);
        m_enabled.insert(f.name, f.startEnabled);
        m_visible.insert(f.name, f.shown);
        m_olive.insert(f.name, false);
    }
    m_tab = 0;
    m_enabled["UpLoad"] = loggedOn;
    m_enabled["SaveParam"] = loggedOn;
    emit reset();
}

const FieldDescription &ParameterFields::describe(const QByteArray &name) const
{
    const FieldDescription *f = Describe(name);
    Q_ASSERT_X(f, "ParameterFields", name.constData());
    if (!f)
        qFatal("ParameterFields: no field named %s", name.constData());
    return *f;
}

QByteArray ParameterFields::text(const QByteArray &name) const
{
    const FieldDescription &f = describe(name);
    Q_ASSERT(f.kind == FieldKind::Text || f.kind == FieldKind::Time);
    return m_text.value(f.name);
}

void ParameterFields::setText(const QByteArray &name, const QByteArray &value)
{
    const FieldDescription &f = describe(name);
    Q_ASSERT(f.kind == FieldKind::Text || f.kind == FieldKind::Time);
    QByteArray v = value;
    const int nul = v.indexOf('\0');
    if (nul >= 0)
        v.truncate(nul);
    // A control byte (a CR or LF above all) would end the command that carries
    // the field to the unit: it is held, shown and sent as a space.
    for (char &c : v)
        if (uchar(c) < 0x20)
            c = ' ';
    if (f.kind == FieldKind::Time)
        v = FitTimeMask(v);
    QByteArray &current = m_text[f.name];
    if (current == v)
        return;
    current = v;
    emit textChanged(f.name);

    if (f.kind == FieldKind::Time) {
        // Change rule of a divert time box: blanks become zeros in the box, and
        // the four digits without the colon go to its hidden copy.
        const QByteArray zeroed = BlanksToZeros(v);
        const int n = f.name.right(1).toInt(); // MaskEdit1 .. MaskEdit4
        if (n >= 1 && n <= 4)
            setText(kTimeCopies[n - 1], QByteArray(zeroed).remove(2, 1));
        setText(f.name, zeroed);
    }
}

bool ParameterFields::checked(const QByteArray &name) const
{
    const FieldDescription &f = describe(name);
    Q_ASSERT(f.kind == FieldKind::Check || f.kind == FieldKind::Radio);
    return m_checked.value(f.name);
}

void ParameterFields::setChecked(const QByteArray &name, bool on)
{
    const FieldDescription &f = describe(name);
    Q_ASSERT(f.kind == FieldKind::Check || f.kind == FieldKind::Radio);
    bool &current = m_checked[f.name];
    if (current == on)
        return;
    current = on;
    if (f.kind == FieldKind::Radio && on) {
        for (const FieldDescription &other : Descriptions())
            if (other.kind == FieldKind::Radio && other.radioGroup == f.radioGroup && other.name != f.name
                && m_checked.value(other.name)) {
                m_checked[other.name] = false;
                emit checkedChanged(other.name);
            }
    }
    emit checkedChanged(f.name);
    // Click rules: a check box's on every change, a radio button's when it
    // becomes selected.
    if (f.kind == FieldKind::Check || on)
        clickRule(f.name);
}

bool ParameterFields::enabled(const QByteArray &name) const { return m_enabled.value(describe(name).name); }

void ParameterFields::setEnabled(const QByteArray &name, bool on)
{
    const FieldDescription &f = describe(name);
    bool &current = m_enabled[f.name];
    if (current == on)
        return;
    current = on;
    emit stateChanged(f.name);
}

bool ParameterFields::visible(const QByteArray &name) const { return m_visible.value(describe(name).name); }

void ParameterFields::setVisible(const QByteArray &name, bool on)
{
    const FieldDescription &f = describe(name);
    bool &current = m_visible[f.name];
    if (current == on)
        return;
    current = on;
    emit stateChanged(f.name);
}

bool ParameterFields::olive(const QByteArray &name) const { return m_olive.value(describe(name).name); }

void ParameterFields::setOlive(const QByteArray &name, bool on)
{
    const FieldDescription &f = describe(name);
    bool &current = m_olive[f.name];
    if (current == on)
        return;
    current = on;
    emit stateChanged(f.name);
}

void ParameterFields::clickRule(const QByteArray &name)
{
    if (name == "RadioButton1" || name == "PS2_srl2" || name == "PS1_pmsg") {
        // LCD line 2: the clock can be shown only with the fixed message.
        // Disabling keeps the box's state.
        setEnabled("PS1_sclk", checked("RadioButton1"));
    } else if (name == "PS2_klmsg") {
        // The pulsing messages serve as the keyless entry message: they cannot
        // also alternate on LCD line 2.
        if (checked("PS2_klmsg")) {
            setEnabled("PS1_pmsg", false);
            if (checked("PS1_pmsg"))
                setChecked("RadioButton1", true);
        } else {
            setEnabled("PS1_pmsg", true);
        }
    } else if (name == "PS2_gcod") {
        ShowGlobalCodesState();
    }
}

void ParameterFields::PressRelay2(const QByteArray &name)
{
    if (name == "rly2off") {
        // "Normal": none of the overrides; pressing it never unchecks it.
        for (const char *box : {"rly2key", "rly2line", "rly2ring", "rly2tim"})
            setChecked(box, false);
        setEnabled("rly2tim", false);
        setChecked("rly2off", true);
    } else if (name == "rly2key" || name == "rly2line" || name == "rly2ring") {
        setChecked("rly2off", false);
        setEnabled("rly2tim", true);
        setChecked(name, !checked(name));
    } else {
        Q_ASSERT_X(false, "PressRelay2", name.constData());
        return;
    }
    ShowRelay2Override();
}

void ParameterFields::ShowRelay2Override()
{
    // Relay 2 driven by a key press or the looped line: its gate codes are
    // overridden.
    const bool overridden = checked("rly2key") || checked("rly2line");
    for (const char *code : {"code_g2", "code_ic2", "code_sd2"})
        setOlive(code, overridden);
    setVisible("Bevel2", overridden);
    setVisible("Label31", overridden);
    ShowGlobalCodesState();
}

void ParameterFields::ShowGlobalCodesState()
{
    const bool inUse = checked("PS2_gcod");
    emit globalCodesShown(inUse);
    setOlive("code_g1", !inUse);
    setOlive("code_g2", !inUse);
    setVisible("Label47", !inUse);
}

void ParameterFields::SetCurrentTab(int index)
{
    m_tab = index;
    updateSaveParam();
}

void ParameterFields::SetLoggedOn(bool loggedOn)
{
    // The log-on enables, and the log-off disables, both buttons whatever the
    // tab; the tab rule applies at the next change of tab.
    setEnabled("UpLoad", loggedOn);
    setEnabled("SaveParam", loggedOn);
}

void ParameterFields::updateSaveParam()
{
    // No messages are written from the "Divert #" tab.
    setEnabled("SaveParam", m_tab == TabDivert ? false : enabled("UpLoad"));
}

} // namespace porv
