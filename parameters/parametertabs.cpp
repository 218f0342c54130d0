// The SystemControls page's layout: the tabs of PhParam (Setting, Options,
// RelayCodes, SpeedDial #, Divert #, Access PIN) with their Read and Write
// buttons, the group "Messages", and Write All, Read All and the hidden Up
// Date button beside them.
#include "parameterspage.h"
#include "parameternames.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace porv {

namespace {

QLabel *heading(const QString &text, QWidget *parent = nullptr)
{
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

} // namespace

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

} // namespace porv
