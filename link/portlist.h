#pragma once
// The Ports menu's list: the system's serial ports in the order it reports
// them, at most 9, then "WiFi".
#include <QString>
#include <QStringList>
#include <functional>

namespace porv {

inline const QString NetworkEntryName() { return QStringLiteral("WiFi"); }
// The last entry of the Ports menu, after "WiFi": a device given by its path.
inline const QString OtherEntryCaption() { return QStringLiteral("Other\u2026"); }
constexpr int MaxSerialEntries = 9;

// The serial port names the system reports (QSerialPortInfo), or those of the
// source set with SetPortListSource.
QStringList SystemPortNames();
// Test hook: where the port names come from (pseudo-terminals are not listed
// by the system). An empty function restores the system's list.
void SetPortListSource(std::function<QStringList()> source);

// The entries of the Ports menu for these port names: the first 9 in order,
// each under its full name, then "WiFi".
QStringList PortTable(const QStringList &portNames);

// The device a port typed by the user names: a path as given, a bare name
// under /dev (as the system's list names its ports); empty for blank text.
QString DevicePath(const QString &typed);

// The entry that a remembered port name (cut to 6 characters when it was
// stored) selects: the entry equal to it, otherwise the only entry that
// begins with it; -1 when none or several do, or the name is empty.
int FindRememberedEntry(const QStringList &entries, const QString &remembered);

} // namespace porv
