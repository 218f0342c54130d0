#pragma once
// The fields of the SystemControls page as plain data: every entry field, check
// box, radio button and display item of the parameters page, named after its
// control, with its kind, caption, length, start value and hint. The page is
// built from this table and shows the values held here; the reads, writes, the
// parameters file and the option rules work on this model alone, so none of
// them needs a widget.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

namespace porv {

enum class FieldKind {
    Text,    // single-line text field of at most `length` characters
    Check,   // check box
    Radio,   // radio button of the group `radioGroup`
    Time,    // hours:minutes box ("99:99", the colon part of the text)
    Display, // a label, frame or button whose state the option rules set
};

// Where a field sits: a tab of PhParam (0 "Setting" .. 5 "Access PIN"), the
// "Messages" group, or the page itself.
enum PageTab : int {
    TabSetting = 0,
    TabOptions = 1,
    TabRelayCodes = 2,
    TabSpeedDial = 3,
    TabDivert = 4,
    TabAccessPin = 5,
    InMessages = -1,
    OnPage = -2,
};

struct FieldDescription {
    QByteArray name;       // the control's name (its objectName on the page)
    FieldKind kind;
    int tab;               // PageTab
    QString group;         // caption of the group box around it, if any
    QByteArray radioGroup; // the radio group a radio button belongs to
    QString caption;       // the label beside it or its own caption
    int length;            // text fields: characters accepted (0: no limit)
    QByteArray start;      // start text of a text or time field
    bool startChecked;     // start state of a check box or radio button
    QString hint;          // shown when the pointer rests on the field
    bool shown;            // false for the fields that are never shown
    bool startEnabled;
};

// Replaces every blank by the digit 0.
QByteArray BlanksToZeros(const QByteArray &text);
// Fits a text to the divert time boxes' "99:99" mask: positions 1, 2, 4 and 5
// keep a digit that stands there and are blank otherwise; position 3 is ':'.
QByteArray FitTimeMask(const QByteArray &text);

class ParameterFields : public QObject {
    Q_OBJECT
public:
    explicit ParameterFields(QObject *parent = nullptr);

    // Every field and display item of the page in page order.
    static const QList<FieldDescription> &Descriptions();
    // The entry of a name, or nullptr when the page has no such field.
    static const FieldDescription *Describe(const QByteArray &name);
    static QList<QByteArray> Names(FieldKind kind);

    // Back to the start values and start states (nothing signalled per field;
    // `reset` tells observers to refresh everything).
    void Reset();

    // --- values --------------------------------------------------------------
    QByteArray text(const QByteArray &name) const;
    // Sets a text or time field. A text holding a NUL keeps only the part before
    // the first NUL; any other byte below 0x20 becomes a space. A time box is
    // fitted to its mask and runs its change rule.
    void setText(const QByteArray &name, const QByteArray &value);

    bool checked(const QByteArray &name) const;
    // Checks or unchecks a check box (its click rule runs on every change), or
    // selects or unselects a radio button: selecting unselects the others of
    // its group and runs the click rule; unselecting selects no other button.
    void setChecked(const QByteArray &name, bool on);

    // --- display state ---------------------------------------------------------
    bool enabled(const QByteArray &name) const;
    void setEnabled(const QByteArray &name, bool on);
    bool visible(const QByteArray &name) const;
    // Font colour of the gate code fields: olive (red 128, green 128, blue 0)
    // or the window text colour.
    bool olive(const QByteArray &name) const;

    // --- option rules ----------------------------------------------------------
    // A user's press on rly2off, rly2key, rly2line or rly2ring, with the box's
    // own toggle included, then ShowRelay2Override.
    void PressRelay2(const QByteArray &name);
    void ShowRelay2Override();
    void ShowGlobalCodesState();

    // The tab shown in PhParam; the Messages "Write" button follows it.
    int currentTab() const { return m_tab; }
    void SetCurrentTab(int index);
    // The hidden UpLoad button is enabled exactly while logged on; the log-on
    // and log-off set the Messages "Write" button (SaveParam) alike.
    void SetLoggedOn(bool loggedOn);

signals:
    void textChanged(const QByteArray &name);
    void checkedChanged(const QByteArray &name);
    // Enabled state, visibility or font colour changed.
    void stateChanged(const QByteArray &name);
    // ShowGlobalCodesState ran: the phone directory grid colours its Code1,
    // Code2 and spare columns olive (titles grey) when `inUse`, and in the
    // window text colour otherwise, if its table is open.
    void globalCodesShown(bool inUse);
    void reset();

private:
    const FieldDescription &describe(const QByteArray &name) const;
    void setOlive(const QByteArray &name, bool on);
    void setVisible(const QByteArray &name, bool on);
    void clickRule(const QByteArray &name);
    void updateSaveParam();

    QHash<QByteArray, QByteArray> m_text;
    QHash<QByteArray, bool> m_checked;
    QHash<QByteArray, bool> m_enabled;
    QHash<QByteArray, bool> m_visible;
    QHash<QByteArray, bool> m_olive;
    int m_tab = 0;
};

} // namespace porv
