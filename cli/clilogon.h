#pragma once
// porv-cli on the unit connection (link/unitconnection.h), the one the window
// stands on too: the transport the command line chose, the log-on with the
// PIN, and what the terminal shows of the connection's signals.
#include <QByteArray>

#include "commandline.h"
#include "unitconnection.h"

namespace porv::cli {

class CliShell;
class Interruption;

// Opens the transport the command line chose and logs on with the PIN, as
// the window's Log On does, its status texts on the shell. Throws Stop naming the log-on when the unit does
// not take it (the link then closed).
void LogOnUnit(UnitConnection &connection, CliShell &shell, const CliRequest &request, const QByteArray &pin,
               const Interruption *interruption);

// The terminal follows the connection: its messages, a transfer's count
// ("n of N", on a terminal only) ended with the transfer, and why the link
// ended when the unit stopped answering or the port failed.
void FollowOnTerminal(UnitConnection &connection, CliShell &shell);

} // namespace porv::cli
