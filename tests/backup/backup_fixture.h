#pragma once
// The unit the whole-unit tests work on: the simulated unit over UDP on
// loopback, logged on by the core log-on, and a shell that keeps messages.
// The memory limit is the connection's, which the log-on set.
#include <QStringList>

#include "headless_fixture.h"
#include "null_shell.h"
#include "unit_seed.h"
#include "unit_state.h"
#include "unitread.h"

namespace backuptest {

class Shell : public porv::test::NullShell {
public:
    void ShowMessage(const QString &text) override { messages.append(text); }
    QStringList messages;
};

class BackupUnit : public headlesstest::HeadlessUnit {
protected:
    // Seeds the unit, logs on and says who it is.
    porv::UnitIdentity seedAndLogOn(const qx4::SeedOptions &seed)
    {
        qx4::seedUnit(unit, seed);
        const porv::LogOnResult result = logOn("1234");
        EXPECT_EQ(result.outcome, porv::LogOnOutcome::Connected) << result.message().toStdString();
        return {result.modelLine, result.memoryLimit, porv::ConnectionDescription(session)};
    }

    QList<QByteArray> memory() const { return porv::test::UnitBlocks(unit); }
    int writes() const { return porv::test::UnitWrites(unit); }

    Shell shell;
};

} // namespace backuptest
