#include "delay.h"
#include "shell_fixture.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "portlist.h"
#include "remembered.h"

namespace shelltest {

void Click(QWidget *button)
{
    const QPointF at(button->width() / 2.0, button->height() / 2.0);
    const QPointF global = button->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &press);
    QCoreApplication::sendEvent(button, &release);
}

porv::DialogSeam::DialogScript FillLogOn(const LogOnEntry &entry)
{
    return [entry](QDialog &d) {
        if (!entry.ok) {
            Click(d.findChild<QPushButton *>(QStringLiteral("Button2")));
            return;
        }
        d.findChild<QLineEdit *>(QStringLiteral("PorvPin"))->setText(QString::fromLatin1(entry.pin));
        auto *remote = d.findChild<QCheckBox *>(QStringLiteral("RChkBox"));
        if (remote->isVisible() && remote->isChecked() != entry.remote)
            Click(remote);
        if (entry.remote)
            d.findChild<QLineEdit *>(QStringLiteral("R_ph_num"))->setText(QString::fromLatin1(entry.number));
        if (!entry.address.isEmpty())
            d.findChild<QLineEdit *>(QStringLiteral("IP_addr"))->setText(QString::fromLatin1(entry.address));
        auto *store = d.findChild<QCheckBox *>(QStringLiteral("StrDetail"));
        if (store->isChecked() != entry.remember)
            Click(store);
        Click(d.findChild<QPushButton *>(QStringLiteral("Button1")));
    };
}

void ShellTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    // The user's data folder (the automatic backups) is the test's own.
    previousDataHome = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
    porv::SetPortListSource([this] { return ports; });
    unit.setTimeScale(porv::TickScale());
}

void ShellTest::TearDown()
{
    window.reset();
    udp.reset();
    pty.reset();
    porv::SetPortListSource({});
    QDir::setCurrent(previousDir);
    if (previousDataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", previousDataHome);
}

porv::TporvForm &ShellTest::makeWindow()
{
    window = std::make_unique<porv::TporvForm>();
    window->show();
    QCoreApplication::processEvents();
    return *window;
}

void ShellTest::writeRecord(bool network, const QByteArray &address, const QByteArray &port, const QByteArray &pin)
{
    porv::RememberedDetails record;
    record.setNetwork(network);
    record.setAddress(address);
    record.setPortName(port);
    record.setPin(pin);
    record.setRemember(!pin.isEmpty());
    record.save(detailsPath());
}

QString ShellTest::detailsPath() const { return dir.filePath(QStringLiteral("Porvdata.ini")); }

bool ShellTest::startUdpUnit(const QString &address)
{
    udp = std::make_unique<qx4::UdpUnitServer>(&unit);
    return udp->listen(QHostAddress(address), 8000);
}

void ShellTest::logOnOverUdp()
{
    ASSERT_TRUE(startUdpUnit()) << udp->errorString().toStdString();
    writeRecord(true, porv::test::UnitAddress, QByteArray());
    makeWindow();
    clickLogOn({});
    ASSERT_TRUE(window->link().LoggedOn()) << lastMessage().toStdString();
}

bool ShellTest::startPtyUnit()
{
    pty = std::make_unique<qx4::PtyUnitServer>(&unit);
    if (!pty->open())
        return false;
    ports = QStringList{pty->slavePath()};
    return true;
}

void ShellTest::clickLogOn(const LogOnEntry &entry)
{
    window->seam().queueDialog(FillLogOn(entry));
    clickLed();
}

void ShellTest::clickLed() { Click(button("led")); }

QToolButton *ShellTest::button(const char *name) const
{
    return window->findChild<QToolButton *>(QLatin1String(name));
}

QAction *ShellTest::action(const char *name) const
{
    return window->findChild<QAction *>(QLatin1String(name));
}

QMenu *ShellTest::menu(const char *name) const
{
    return window->findChild<QMenu *>(QLatin1String(name));
}

} // namespace shelltest
