#pragma once
// What every test program sets up before anything else: folders of its own
// and loopback addresses of its own, so that the suite neither touches nor
// meets what a user of this machine has (a copy of the tool logged on, its
// lock in the temporary folder, the automatic backups, a simulated unit on
// 127.0.0.2), nor another run of the suite.
#include <QByteArray>
#include <QString>

namespace porv::test {

// The suite's simulated units listen on this loopback address, port 8000,
// never on 127.0.0.2 where a unit of the user's may answer.
inline constexpr char UnitAddress[] = "127.0.80.2";
// The tool's side of the network link in every test program and in the
// programs they start (porv-cli): bound to this address instead of all
// interfaces (PORV_TEST_UDP_ADDRESS), so that the unit's replies to it reach
// the test and nothing else, while a copy of the tool bound to 0.0.0.0:8000
// keeps its own unit's replies (sent to 127.0.0.1).
inline constexpr char ToolAddress[] = "127.0.80.1";

// For as long as it lives, the process (and whatever it starts) has a fresh
// folder of its own below the temporary folder it was given, and in it its
// temporary folder (TMPDIR), home (HOME) and data, configuration, cache,
// state and runtime folders (XDG_*); the tool's network link binds
// ToolAddress. The folder and all in it go when the object does.
class PrivateEnvironment {
public:
    // `name` begins the folder's name (the test program's).
    explicit PrivateEnvironment(const char *name);
    ~PrivateEnvironment();
    PrivateEnvironment(const PrivateEnvironment &) = delete;
    PrivateEnvironment &operator=(const PrivateEnvironment &) = delete;

    QString root() const { return m_root; }

private:
    QString m_root;
};

} // namespace porv::test
