#pragma once
// The real main window against the simulated unit, in a fresh working
// directory per test (the remembered details live there).
#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QStringList>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "dialogseam.h"
#include "mainwindow.h"
#include "private_environment.h"
#include "simulated_unit.h"
#include "unit_servers.h"
#include "waiting.h"

namespace shelltest {

using porv::test::Pump;
using porv::test::WaitFor;
// A click as a user makes it: mouse press and release through the event
// dispatch, so a failure in its handler reaches the failure handler.
void Click(QWidget *button);

struct LogOnEntry {
    QByteArray pin = "1234";
    bool remote = false;
    QByteArray number;
    bool remember = true;
    QByteArray address; // typed into IP_addr when given
    bool ok = true;     // Ok, or Cancel when false
};
// The log-on dialog as a user fills it.
porv::DialogSeam::DialogScript FillLogOn(const LogOnEntry &entry);

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    porv::TporvForm &makeWindow();
    void closeWindow() { window.reset(); }
    // A remembered-details file in the working directory.
    void writeRecord(bool network, const QByteArray &address, const QByteArray &port,
                     const QByteArray &pin = QByteArray());
    bool startUdpUnit(const QString &address = QLatin1String(porv::test::UnitAddress));
    bool startPtyUnit();
    // The unit as it stands, served over UDP on UnitAddress, and a window aimed
    // at it over the network link, logged on.
    void logOnOverUdp();
    // Clicks Log On (or Log Off) with the dialog answered by `entry`.
    void clickLogOn(const LogOnEntry &entry);
    void clickLed();

    QToolButton *button(const char *name) const;
    QAction *action(const char *name) const;
    QMenu *menu(const char *name) const;
    QString lastMessage() const { return window->seam().lastText(); }
    QString detailsPath() const;

    QTemporaryDir dir;
    QString previousDir;
    QByteArray previousDataHome;
    QStringList ports;
    qx4::SimulatedUnit unit;
    std::unique_ptr<qx4::UdpUnitServer> udp;
    std::unique_ptr<qx4::PtyUnitServer> pty;
    std::unique_ptr<porv::TporvForm> window;
};

} // namespace shelltest
