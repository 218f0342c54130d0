// The main window's Ports menu: the system's serial ports, WiFi and "Other…",
// and which of them the log-on uses.
#include "mainwindow.h"

#include <QAction>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "dialogseam.h"
#include "portlist.h"
#include "session.h"

namespace porv {

int TporvForm::BuildPortsMenu()
{
    const QStringList names = SystemPortNames();
    for (QAction *a : m_portsMenu->actions()) {
        m_portsMenu->removeAction(a);
        a->deleteLater();
    }
    if (names.isEmpty())
        ShowMessage(QStringLiteral("No Serial Port Found"));
    m_portTable = PortTable(names);
    for (const QString &entry : std::as_const(m_portTable)) {
        auto *a = new QAction(entry, m_portsMenu);
        a->setObjectName(entry);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a] { ChangeComClick(a); });
        m_portsMenu->addAction(a);
    }
    // A port the system does not list (an adapter under an unusual name, a
    // /dev/serial/by-id link, a pseudo-terminal) is given by its path.
    auto *other = new QAction(OtherEntryCaption(), m_portsMenu);
    other->setObjectName(QStringLiteral("OtherPort"));
    other->setCheckable(true);
    connect(other, &QAction::triggered, this, [this, other] { OtherPortClick(other); });
    m_portsMenu->addAction(other);
    return int(std::min<qsizetype>(names.size(), MaxSerialEntries));
}

void TporvForm::labelPorts(const QString &remembered)
{
    const int index = FindRememberedEntry(m_portTable, remembered);
    const QList<QAction *> entries = m_portsMenu->actions();
    for (int i = 0; i < entries.size(); ++i)
        entries.at(i)->setChecked(i == index);
    if (index < 0 || index >= entries.size())
        return;
    const QString entry = m_portTable.at(index);
    if (entry != NetworkEntryName())
        m_session->SetSerialPortName(entry);
    setLogOnEnabled(true, QStringLiteral("Log On"));
    setConnectEnabled(true);
}

void TporvForm::ChangeComClick(QAction *entry)
{
    const QString name = entry->objectName();
    selectPort(entry, name != NetworkEntryName() ? name : QString());
}

void TporvForm::OtherPortClick(QAction *entry)
{
    // The click toggled the tick; it is set again only when a device is chosen.
    entry->setChecked(!entry->isChecked());
    const QString current = m_session->SerialPortName();
    QInputDialog dialog(this);
    dialog.setObjectName(QStringLiteral("OtherPortDialog"));
    dialog.setWindowTitle(QStringLiteral("Other port"));
    dialog.setLabelText(QStringLiteral("Device path:"));
    dialog.setTextValue(current.startsWith(QLatin1Char('/')) ? current : QStringLiteral("/dev/"));
    if (auto *field = dialog.findChild<QLineEdit *>())
        field->setMinimumWidth(340); // room for a /dev/serial/by-id/... name
    if (m_seam->execDialog(dialog) != QDialog::Accepted)
        return;
    const QString path = DevicePath(dialog.textValue());
    if (path.isEmpty())
        return;
    if (!QFileInfo(path).exists() || QFileInfo(path).isDir()) {
        ShowMessage(QStringLiteral("Device not found: ") + path);
        return;
    }
    selectPort(entry, path);
    entry->setText(OtherEntryCaption() + QStringLiteral(" (") + path + QLatin1Char(')'));
}

// Ticks the entry and makes its transport the chosen one: the serial port of
// that name, or the network link when the name is empty. "Other…" shows its
// device only while it is the chosen entry.
void TporvForm::selectPort(QAction *entry, const QString &serialPortName)
{
    for (QAction *a : m_portsMenu->actions()) {
        a->setChecked(false);
        if (a->objectName() == QLatin1String("OtherPort"))
            a->setText(OtherEntryCaption());
    }
    entry->setChecked(true);
    if (!serialPortName.isEmpty()) {
        m_session->SetSerialPortName(serialPortName);
        m_session->NetworkSelected = false;
    } else {
        m_session->NetworkSelected = true;
    }
    setLogOnEnabled(true, QStringLiteral("Log On"));
    setConnectEnabled(true);
}

void TporvForm::UpdatePorts1Click()
{
    BuildPortsMenu();
    m_led->setEnabled(false);
    m_led->setToolTip(QStringLiteral("Set port First"));
    setConnectEnabled(false);
}

void TporvForm::setLogOnEnabled(bool enabled, const QString &hint)
{
    m_led->setEnabled(enabled);
    m_led->setToolTip(hint);
    m_onLine->setEnabled(enabled);
    m_onLine->setToolTip(hint);
    m_onLine->setStatusTip(hint);
}

void TporvForm::setConnectEnabled(bool enabled)
{
    m_connectMenu->setEnabled(enabled);
    m_connectMenu->menuAction()->setEnabled(enabled);
}

void TporvForm::setPortSelectionEnabled(bool enabled)
{
    m_portsMenu->setEnabled(enabled);
    m_portsMenu->menuAction()->setEnabled(enabled);
    m_updatePorts->setEnabled(enabled);
}

} // namespace porv
