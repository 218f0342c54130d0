#include "parameterspage.h"
#include "parameternames.h"

#include <QCheckBox>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "link.h"
#include "shellservices.h"

namespace porv {

namespace {

const QColor kOlive(128, 128, 0);

QString latin1(const QByteArray &bytes) { return QString::fromLatin1(bytes); }

// A time box's text as the model keeps it: blanks as spaces.
QByteArray timeBoxText(const QLineEdit *edit)
{
    return edit->displayText().toLatin1().replace('_', ' ');
}

bool isTimeBox(const QByteArray &name)
{
    const FieldDescription *s = ParameterFields::Describe(name);
    return s && s->kind == FieldKind::Time;
}

QLabel *heading(const QString &text, QWidget *parent = nullptr)
{
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

ParametersPage::ParametersPage(Link &link, ShellServices &shell, QWidget *parent)
    : QWidget(parent), m_core(link, shell)
{
    setObjectName(QStringLiteral("SystemControlsPage"));
    build();

    ParameterFields &f = m_core.fields();
    connect(&f, &ParameterFields::textChanged, this, &ParametersPage::syncText);
    connect(&f, &ParameterFields::checkedChanged, this, &ParametersPage::syncChecked);
    connect(&f, &ParameterFields::stateChanged, this, &ParametersPage::syncState);
    connect(&f, &ParameterFields::reset, this, &ParametersPage::syncAll);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { fields().SetCurrentTab(index); });
    syncAll();
    SetLoggedOn(link.LoggedOn());
}

// --- building ---------------------------------------------------------------------------

QWidget *ParametersPage::fieldWidget(const QByteArray &name)
{
    if (QWidget *w = m_widgets.value(name))
        return w;
    const FieldDescription *desc = ParameterFields::Describe(name);
    Q_ASSERT(desc);
    QWidget *w = nullptr;
    switch (desc->kind) {
    case FieldKind::Text: {
        auto *edit = new QLineEdit(this);
        const int length = desc->length;
        // The length limits typing only: a longer value from the unit or a file
        // is shown whole, as the field holds it.
        connect(edit, &QLineEdit::textEdited, this, [this, edit, name, length](const QString &text) {
            const QByteArray value = text.toLatin1();
            const QByteArray old = fields().text(name);
            if (length > 0 && value.size() > length && value.size() > old.size()) {
                const int pos = edit->cursorPosition();
                const QSignalBlocker block(edit);
                edit->setText(latin1(old));
                edit->setCursorPosition(qMax(0, pos - 1));
                return;
            }
            fields().setText(name, value);
            m_core.UserEdited(name);
            // A character outside Latin-1 is held as '?': the box shows what
            // the field holds, which is what goes to the unit.
            syncText(name);
        });
        if (length > 0 && length <= 8) {
            // Codes and settings: room for their digits.
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(length, QLatin1Char('0'))) + 14);
            edit->setMaximumWidth(edit->minimumWidth() + 10);
        } else if (length > 0) {
            // Numbers and messages: wide enough to read, narrower than the
            // widest text so that the page fits.
            edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * std::min(length, 24) + 14);
        }
        w = edit;
        break;
    }
    case FieldKind::Time: {
        auto *edit = new QLineEdit(this);
        edit->setInputMask(QStringLiteral("99:99;_"));
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00:000")) + 14);
        connect(edit, &QLineEdit::textEdited, this, [this, edit, name] {
            fields().setText(name, timeBoxText(edit));
            m_core.UserEdited(name);
        });
        w = edit;
        break;
    }
    case FieldKind::Check: {
        auto *box = new QCheckBox(desc->caption, this);
        const bool pressRule = name == "rly2off" || name == "rly2key" || name == "rly2line" || name == "rly2ring";
        connect(box, &QCheckBox::clicked, this, [this, box, name, pressRule](bool on) {
            if (pressRule) {
                fields().PressRelay2(name);
                if (name == "rly2off")
                    QCursor::setPos(QCursor::pos() + QPoint(0, 10));
            } else {
                fields().setChecked(name, on);
            }
            (void)box;
            m_core.UserEdited(name);
            syncChecked(name);
        });
        w = box;
        break;
    }
    case FieldKind::Radio: {
        auto *radio = new QRadioButton(desc->caption, this);
        connect(radio, &QRadioButton::clicked, this, [this, name] {
            fields().setChecked(name, true);
            m_core.UserEdited(name);
            syncChecked(name);
        });
        w = radio;
        break;
    }
    case FieldKind::Display:
        if (name == "Bevel2") {
            auto *frame = new QFrame(this);
            frame->setFrameShape(QFrame::Box);
            frame->setFrameShadow(QFrame::Sunken);
            w = frame;
        } else {
            auto *label = new QLabel(desc->caption, this);
            w = label;
        }
        break;
    }
    w->setObjectName(QString::fromLatin1(name));
    if (!desc->hint.isEmpty())
        w->setToolTip(desc->hint);
    if (!desc->shown)
        w->setVisible(false);
    m_widgets.insert(name, w);
    return w;
}

QLabel *ParametersPage::captionOf(const QByteArray &name)
{
    const FieldDescription *desc = ParameterFields::Describe(name);
    auto *label = new QLabel(desc ? desc->caption : QString(), this);
    if (desc && !desc->hint.isEmpty())
        label->setToolTip(desc->hint);
    return label;
}

QPushButton *ParametersPage::button(const char *name, const QString &caption, void (ParametersCore::*handler)(),
                                    const QString &hint)
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    if (!hint.isEmpty())
        b->setToolTip(hint);
    connect(b, &QPushButton::clicked, this, [this, handler] { (m_core.*handler)(); });
    m_loggedOnButtons << b;
    const QByteArray key(name);
    if (ParameterFields::Describe(key))
        m_widgets.insert(key, b);
    return b;
}

QWidget *ParametersPage::readWrite(QPushButton *read, QPushButton *write)
{
    auto *row = new QWidget(this);
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addStretch(1);
    h->addWidget(read);
    h->addWidget(write);
    return row;
}

QWidget *ParametersPage::buildSettingTab()
{
    auto *tab = new QWidget;
    auto *v = new QVBoxLayout(tab);
    auto *grid = new QGridLayout;
    grid->setVerticalSpacing(3);
    int row = 0;
    for (const char *name : {"Phs_run", "Phs_but", "Phs_rt", "Phs_sl", "Phs_ml", "Phs_lt", "Phs_ls", "Phs_rc",
                             "Phs_na", "Phs_rv"}) {
        grid->addWidget(captionOf(name), row, 0);
        grid->addWidget(fieldWidget(name), row, 1);
        ++row;
    }
    grid->setColumnStretch(2, 1);
    v->addLayout(grid);
    v->addStretch(1);
    v->addWidget(readWrite(button("ReadPara0", QStringLiteral("Read"), &ParametersCore::ReadPara1Click),
                           button("WritePara0", QStringLiteral("Write"), &ParametersCore::WritePara1Click)));
    return tab;
}

QWidget *ParametersPage::buildOptionsTab()
{
    auto *tab = new QWidget;
    auto *v = new QVBoxLayout(tab);
    auto *columns = new QHBoxLayout;

    auto *left = new QVBoxLayout;
    auto *grid = new QGridLayout;
    for (int i = 0; i < 2; ++i) {
        const char *name = i == 0 ? "Cont_time" : "Sil_time";
        grid->addWidget(captionOf(name), i, 0);
        grid->addWidget(fieldWidget(name), i, 1);
    }
    grid->setColumnStretch(2, 1);
    left->addLayout(grid);
    for (const char *name : {"PS2_srl1", "PS2_grls", "PS2_mden", "PS1_gacc", "PS2_gcod", "PS2_qx1c"})
        left->addWidget(fieldWidget(name));
    left->addStretch(1);
    columns->addLayout(left, 1);

    auto *right = new QVBoxLayout;
    auto *lcd = new QGroupBox(QStringLiteral("LCD Line2 Options"));
    auto *lcdLayout = new QVBoxLayout(lcd);
    lcdLayout->setSpacing(2);
    for (const char *name : {"RadioButton1", "PS2_srl2", "PS1_pmsg", "PS1_sclk"})
        lcdLayout->addWidget(fieldWidget(name));
    right->addWidget(lcd);
    auto *relay = new QGroupBox(QStringLiteral("Relay2 Override"));
    auto *relayLayout = new QVBoxLayout(relay);
    relayLayout->setSpacing(2);
    for (const char *name : {"rly2off", "rly2key", "rly2line", "rly2ring", "rly2tim"})
        relayLayout->addWidget(fieldWidget(name));
    right->addWidget(relay);
    right->addStretch(1);
    columns->addLayout(right);

    v->addLayout(columns);
    v->addWidget(fieldWidget("PS2_klmsg"));
    v->addWidget(readWrite(button("ReadPara1", QStringLiteral("Read"), &ParametersCore::ReadPara1Click),
                           button("WritePara1", QStringLiteral("Write"), &ParametersCore::WritePara1Click)));
    return tab;
}

QWidget *ParametersPage::buildRelayCodesTab()
{
    auto *tab = new QWidget;
    auto *v = new QVBoxLayout(tab);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->addWidget(new QLabel(QStringLiteral("Relay1")), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("Relay2")), 0, 2, Qt::AlignHCenter);
    // The frame around the Relay2 column sits behind its fields.
    grid->addWidget(fieldWidget("Bevel2"), 0, 2, 5, 1);
    grid->setRowMinimumHeight(4, 6); // the frame's bottom margin
    const char *rows[3][2] = {{"code_g1", "code_g2"}, {"code_ic1", "code_ic2"}, {"code_sd1", "code_sd2"}};
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(captionOf(rows[r][0]), r + 1, 0);
        grid->addWidget(fieldWidget(rows[r][0]), r + 1, 1);
        QWidget *second = fieldWidget(rows[r][1]);
        grid->addWidget(second, r + 1, 2, Qt::AlignHCenter);
        // Room inside the frame on both sides of the Relay2 fields.
        grid->setColumnMinimumWidth(2, second->maximumWidth() + 12);
    }
    grid->setColumnStretch(3, 1);
    v->addLayout(grid);
    v->addWidget(fieldWidget("Label31"));
    v->addWidget(fieldWidget("Label47"));
    v->addStretch(1);
    v->addWidget(readWrite(button("ReadCode", QStringLiteral("Read"), &ParametersCore::ReadPara1Click),
                           button("WriteCode", QStringLiteral("Write"), &ParametersCore::WriteCodeClick)));
    return tab;
}

QWidget *ParametersPage::buildSpeedDialTab()
{
    auto *tab = new QWidget;
    auto *v = new QVBoxLayout(tab);
    auto *grid = new QGridLayout;
    for (int i = 0; i < 8; ++i) {
        const QByteArray name = "spd" + QByteArray::number(i + 1);
        grid->addWidget(captionOf(name), i % 4, (i / 4) * 2);
        grid->addWidget(fieldWidget(name), i % 4, (i / 4) * 2 + 1);
    }
    v->addLayout(grid);
    v->addStretch(1);
    v->addWidget(readWrite(button("ReadSpd", QStringLiteral("Read"), &ParametersCore::ReadPara1Click),
                           button("WriteSpd", QStringLiteral("Write"), &ParametersCore::WriteSpdClick)));
    return tab;
}

QWidget *ParametersPage::buildDivertTab()
{
    auto *tab = new QWidget;
    auto *v = new QVBoxLayout(tab);

    auto *after = new QGroupBox(QStringLiteral("After hours Divert numbers"));
    auto *ag = new QGridLayout(after);
    ag->setVerticalSpacing(3);
    auto *modes = new QHBoxLayout;
    modes->addWidget(fieldWidget("Divert4Butts"));
    modes->addWidget(fieldWidget("Divert4All"));
    modes->addStretch(1);
    ag->addLayout(modes, 0, 0, 1, 4);
    ag->addWidget(new QLabel(QStringLiteral("Start Time")), 1, 2);
    ag->addWidget(new QLabel(QStringLiteral("End Time")), 1, 3);
    ag->addWidget(captionOf("AftHrs1"), 2, 0);
    ag->addWidget(fieldWidget("AftHrs1"), 2, 1);
    ag->addWidget(fieldWidget("MaskEdit1"), 2, 2);
    ag->addWidget(fieldWidget("MaskEdit2"), 2, 3);
    ag->addWidget(captionOf("AftHrs2"), 3, 0);
    ag->addWidget(fieldWidget("AftHrs2"), 3, 1);
    ag->addWidget(fieldWidget("MaskEdit3"), 3, 2);
    ag->addWidget(fieldWidget("MaskEdit4"), 3, 3);
    ag->setColumnStretch(4, 1);
    v->addWidget(after);

    auto *noAnswer = new QGroupBox(QStringLiteral("No Answer Divert numbers"));
    auto *ng = new QGridLayout(noAnswer);
    ng->setVerticalSpacing(3);
    auto *naModes = new QHBoxLayout;
    naModes->addWidget(fieldWidget("Divert4ButtsNA"));
    naModes->addWidget(fieldWidget("Divert4AllNA"));
    naModes->addStretch(1);
    ng->addLayout(naModes, 0, 0, 1, 3);
    ng->addWidget(captionOf("divert1"), 1, 0);
    ng->addWidget(fieldWidget("divert1"), 1, 1);
    ng->addWidget(captionOf("divert2"), 2, 0);
    ng->addWidget(fieldWidget("divert2"), 2, 1);
    ng->setColumnStretch(2, 1);
    v->addWidget(noAnswer);

    // The four-digit copies of the time boxes and the raw times: never shown.
    for (const char *name : {"time1s", "time1e", "time2s", "time2e", "Edit4"})
        fieldWidget(name)->setParent(tab);

    v->addStretch(1);
    v->addWidget(readWrite(button("divertRead", QStringLiteral("Read"), &ParametersCore::ReadPara1Click),
                           button("divertWrite", QStringLiteral("Write"), &ParametersCore::divertWriteClick)));
    return tab;
}

QWidget *ParametersPage::buildAccessPinTab()
{
    auto *tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet3"));
    auto *v = new QVBoxLayout(tab);
    auto *columns = new QHBoxLayout;

    auto *pins = new QGridLayout;
    pins->addWidget(heading(QStringLiteral("PIN to access Local & Remote")), 0, 0, 1, 2);
    pins->addWidget(captionOf("NewPin"), 1, 0);
    int row = 1;
    for (const char *name : {"NewPin", "NewPin2", "NewPin3", "NewPin4"})
        pins->addWidget(fieldWidget(name), row++, 1);
    pins->setRowStretch(row, 1);
    columns->addLayout(pins);
    columns->addSpacing(24);

    auto *emgy = new QGridLayout;
    QLabel *emgyHeading = heading(QStringLiteral("Emergency Service Access Codes"));
    emgyHeading->setToolTip(QStringLiteral("First digit MUST be 1 or 2"));
    emgy->addWidget(emgyHeading, 0, 0, 1, 2);
    emgy->addWidget(fieldWidget("EmgyCode1"), 1, 0);
    emgy->addWidget(fieldWidget("EmgyCode2"), 1, 1);
    emgy->addWidget(fieldWidget("EmgyCode3"), 2, 0);
    emgy->addWidget(fieldWidget("EmgyCode4"), 2, 1);
    auto *advice = new QLabel(QStringLiteral("NB. First digit must be 1 or 2 to \nmatch which relay will be opened \n"
                                             "Code length MUST be 6 to 8 digits"));
    emgy->addWidget(advice, 3, 0, 1, 3);
    emgy->setColumnStretch(2, 1);
    emgy->setRowStretch(4, 1);
    columns->addLayout(emgy, 1);

    v->addLayout(columns);
    v->addWidget(readWrite(button("ReadPins", QStringLiteral("Read"), &ParametersCore::ReadPinsClick),
                           button("UpDatePIN", QStringLiteral("Write"), &ParametersCore::UpDatePINClick)));
    return tab;
}

QWidget *ParametersPage::buildMessages()
{
    auto *group = new QGroupBox(QStringLiteral("Messages"));
    auto *v = new QVBoxLayout(group);
    v->setSpacing(2);
    for (const char *name : {"msg0", "msg1", "msg2", "msg3", "msg4", "msg5"}) {
        if (QByteArray(name) == "msg4") {
            auto *keyless = new QLabel(QStringLiteral("Or Keyless access messages when # is pressed"));
            keyless->setWordWrap(true);
            v->addWidget(keyless);
        }
        v->addWidget(captionOf(name));
        v->addWidget(fieldWidget(name));
    }
    v->addStretch(1);
    v->addWidget(readWrite(button("ReadMsgs", QStringLiteral("Read"), &ParametersCore::ReadMsgsClick),
                           button("SaveParam", QStringLiteral("Write"), &ParametersCore::SaveParamClick)));
    return group;
}

void ParametersPage::build()
{
    auto *top = new QHBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);

    auto *operating = new QGroupBox(QStringLiteral("Operating Parameters"));
    auto *ov = new QVBoxLayout(operating);
    ov->setContentsMargins(4, 4, 4, 4);
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("PhParam"));
    m_tabs->setUsesScrollButtons(false); // all six tabs always in view
    m_tabs->addTab(buildSettingTab(), QStringLiteral("Setting"));
    m_tabs->addTab(buildOptionsTab(), QStringLiteral("Options"));
    m_tabs->addTab(buildRelayCodesTab(), QStringLiteral("RelayCodes"));
    m_tabs->addTab(buildSpeedDialTab(), QStringLiteral("SpeedDial #"));
    m_tabs->addTab(buildDivertTab(), QStringLiteral("Divert #"));
    m_accessPinTab = buildAccessPinTab();
    m_tabs->addTab(m_accessPinTab, QStringLiteral("Access PIN"));
    ov->addWidget(m_tabs);
    top->addWidget(operating, 1);

    auto *right = new QVBoxLayout;
    right->addWidget(buildMessages(), 1);
    auto *all = new QHBoxLayout;
    QPushButton *writeAll = button("WriteAll", QStringLiteral("Write All"), &ParametersCore::WriteAllClick,
                                   QStringLiteral("Write all the above parameters to the Portaval"));
    QPushButton *readAll = button("ReadAll", QStringLiteral("Read All"), &ParametersCore::ReadAllClick,
                                  QStringLiteral("Read from the Portaval and show current values"));
    all->addWidget(writeAll);
    all->addWidget(readAll);
    right->addLayout(all);
    QPushButton *upLoad = button("UpLoad", QStringLiteral("Up Date"), &ParametersCore::UpLoadClick,
                                 QStringLiteral("Click to update the Portavel to use this new data"));
    upLoad->setVisible(false);
    top->addLayout(right);
    NameParameterControls(this);
}

// --- model to widgets ---------------------------------------------------------------------------

void ParametersPage::syncText(const QByteArray &name)
{
    auto *edit = qobject_cast<QLineEdit *>(m_widgets.value(name));
    if (!edit)
        return;
    const QByteArray value = fields().text(name);
    const bool time = isTimeBox(name);
    if (time ? timeBoxText(edit) == value : edit->text() == latin1(value))
        return;
    const QSignalBlocker block(edit);
    const int pos = edit->cursorPosition();
    edit->setText(latin1(time ? QByteArray(value).replace(' ', '_') : value));
    edit->setCursorPosition(pos);
}

void ParametersPage::syncChecked(const QByteArray &name)
{
    auto *b = qobject_cast<QAbstractButton *>(m_widgets.value(name));
    if (!b)
        return;
    const bool on = fields().checked(name);
    if (b->isChecked() == on)
        return;
    const QSignalBlocker block(b);
    if (!on && b->autoExclusive()) {
        // A radio button cleared by a value leaves its group with none selected.
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    } else {
        b->setChecked(on);
    }
}

void ParametersPage::syncState(const QByteArray &name)
{
    QWidget *w = m_widgets.value(name);
    if (!w)
        return;
    const ParameterFields &f = fields();
    w->setEnabled(f.enabled(name));
    const FieldDescription *desc = ParameterFields::Describe(name);
    if (desc && desc->kind == FieldKind::Display && name != "SaveParam" && name != "UpLoad")
        w->setVisible(f.visible(name));
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Text, f.olive(name) ? kOlive : palette().color(QPalette::WindowText));
        edit->setPalette(pal);
    }
}

void ParametersPage::syncAll()
{
    for (auto it = m_widgets.constBegin(); it != m_widgets.constEnd(); ++it) {
        const FieldDescription *desc = ParameterFields::Describe(it.key());
        if (!desc)
            continue;
        if (desc->kind == FieldKind::Text || desc->kind == FieldKind::Time)
            syncText(it.key());
        if (desc->kind == FieldKind::Check || desc->kind == FieldKind::Radio)
            syncChecked(it.key());
        syncState(it.key());
    }
}

// --- shell commands --------------------------------------------------------------------------------

void ParametersPage::SetLoggedOn(bool loggedOn)
{
    // The Access PIN tab's own buttons follow their tab.
    for (QPushButton *b : m_loggedOnButtons)
        if (b->objectName() != QLatin1String("ReadPins"))
            b->setEnabled(loggedOn);
    m_tabs->setTabEnabled(m_tabs->indexOf(m_accessPinTab), loggedOn);
    fields().SetLoggedOn(loggedOn); // UpLoad and SaveParam
    m_core.ForgetUnitCodes();
}

void ParametersPage::Open() { m_core.Open(); }

void ParametersPage::SaveAs() { m_core.SaveAs(); }

} // namespace porv
