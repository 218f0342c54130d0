// The commands on the unit backup library: backup -o FILE.qx4b, restore
// FILE.qx4b, diff FILE.qx4b|FILE.csv and directory put FILE.csv
// --changes-only. Each is parsed and checked like the others (commandline.cpp);
// this is the one place where they reach the library, logging on through
// context.unit() as the other commands do. This build does not hold the
// library: they end here, before the unit is asked for anything.
#include "commands.h"

namespace porv::cli {

ExitStatus RunBackupCommand(CommandContext &context)
{
    const CliRequest &r = context.request();
    const QString name = r.command == Command::DirectoryPut ? QStringLiteral("directory put --changes-only")
                                                            : r.commandName();
    throw Stop{ExitUsage, QStringLiteral("%1 is not available in this build").arg(name)};
}

} // namespace porv::cli
