#include "portlist.h"

#include <QSerialPortInfo>

namespace porv {

namespace {
std::function<QStringList()> &source()
{
    static std::function<QStringList()> s;
    return s;
}
} // namespace

void SetPortListSource(std::function<QStringList()> s) { source() = std::move(s); }

QStringList SystemPortNames()
{
    if (source())
        return source()();
    QStringList names;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        names.append(info.portName());
    return names;
}

QStringList PortTable(const QStringList &portNames)
{
    QStringList entries = portNames.mid(0, MaxSerialEntries);
    entries.append(NetworkEntryName());
    return entries;
}

QString DevicePath(const QString &typed)
{
    const QString name = typed.trimmed();
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return name;
    return QStringLiteral("/dev/") + name;
}

int FindRememberedEntry(const QStringList &entries, const QString &remembered)
{
    if (remembered.isEmpty())
        return -1;
    const int exact = int(entries.indexOf(remembered));
    if (exact >= 0)
        return exact;
    int found = -1;
    for (int i = 0; i < entries.size(); ++i) {
        if (!entries.at(i).startsWith(remembered))
            continue;
        if (found >= 0)
            return -1; // "ttyUSB" could be ttyUSB1 or ttyUSB10: choose neither
        found = i;
    }
    return found;
}

} // namespace porv
