#pragma once
// The SystemControls page: group "Operating Parameters" with the tab control
// PhParam (Setting, Options, RelayCodes, SpeedDial #, Divert #, Access PIN),
// group "Messages", Write All, Read All and the hidden Up Date button. Every
// control is generated from the field model and shows its value; the reads,
// writes, file commands and option rules are those of ParametersCore, and the
// page words what each command reports (parametersmessages.h). The tabs'
// layout is in parametertabs.cpp.
#include <QHash>
#include <QWidget>

#include <functional>

#include "procedures.h"
#include "shellpage.h"

class QAbstractButton;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace porv {

class Link;
class ShellServices;

class ParametersPage : public QWidget, public ShellPage {
    Q_OBJECT
public:
    ParametersPage(Link &link, ShellServices &shell, QWidget *parent = nullptr);

    ParametersCore &core() { return m_core; }
    ParameterFields &fields() { return m_core.fields(); }
    QTabWidget *tabs() const { return m_tabs; }

    // ShellPage
    void FileOpen() override { Open(); }
    void FileSaveAs() override { SaveAs(); }
    void SetLoggedOn(bool loggedOn) override;

public slots:
    // File Open and Save As of the parameters file, with their dialogs.
    void Open();
    void SaveAs();

private:
    void build();
    QWidget *buildSettingTab();
    QWidget *buildOptionsTab();
    QWidget *buildRelayCodesTab();
    QWidget *buildSpeedDialTab();
    QWidget *buildDivertTab();
    QWidget *buildAccessPinTab();
    QWidget *buildMessages();

    QWidget *fieldWidget(const QByteArray &name);
    QLabel *captionOf(const QByteArray &name);
    QPushButton *button(const char *name, const QString &caption, void (ParametersCore::*handler)(),
                        const QString &hint = QString());
    QWidget *readWrite(QPushButton *read, QPushButton *write);
    // Runs a command of the core, then shows what it reports, also when the
    // command ends by a failure that travels on.
    void command(const std::function<void()> &run);
    void showOutcome();

    void syncText(const QByteArray &name);
    void syncChecked(const QByteArray &name);
    void syncState(const QByteArray &name);
    void syncAll();

    ShellServices &m_shell;
    ParametersCore m_core;
    QTabWidget *m_tabs = nullptr;
    QHash<QByteArray, QWidget *> m_widgets;      // by field name
    QList<QPushButton *> m_loggedOnButtons;
    QWidget *m_accessPinTab = nullptr;
};

} // namespace porv
