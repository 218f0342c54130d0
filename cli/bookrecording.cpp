#include "bookrecording.h"

#include "bookrecorder.h"
#include "clishell.h"
#include "terminal.h"
#include "unitconnection.h"

namespace porv::cli {

namespace {

QString &problem()
{
    static QString text;
    return text;
}

std::optional<UnitReach> reachOf(const CliRequest &r)
{
    switch (r.connection) {
    case Connection::Network:
        return UnitReach{UnitTransport::Udp, r.host, {}};
    case Connection::Serial:
        return UnitReach{UnitTransport::Serial, r.device, {}};
    case Connection::Modem:
        return UnitReach{UnitTransport::Modem, r.device, QString::fromLatin1(r.number)};
    case Connection::None:
        break;
    }
    return std::nullopt;
}

} // namespace

// --book, else PORV_BOOK; empty: the default file.
QString RecordingBookText(const CliRequest &request)
{
    return request.book.isEmpty() ? qEnvironmentVariable("PORV_BOOK") : request.book;
}

std::shared_ptr<BookRecorder> RecordWritesInBook(const CliRequest &request, UnitConnection &unit,
                                                 std::optional<qint64> bookUnit)
{
    BookRecorder::Hooks hooks;
    hooks.locationText = [&request] { return RecordingBookText(request); };
    hooks.reach = [&request] { return reachOf(request); };
    hooks.writeAnyway = [&request](const QString &question) {
        if (request.yes) {
            WriteError(QStringLiteral("porv-cli: ") + TerminalLines(question) + QStringLiteral(" Yes (--yes)\n"));
            return true;
        }
        problem() = QStringLiteral("%1: %2 Not without --yes: nothing was written.")
                        .arg(request.commandName(), question.left(question.lastIndexOf(QLatin1String(" Write anyway?"))) + QLatin1Char('.'));
        return false;
    };
    hooks.notRecorded = [](const QString &message, bool allowed) {
        if (problem().isEmpty() && !allowed)
            problem() = message;
        else
            WriteError(QStringLiteral("porv-cli: ") + TerminalLines(message) + QLatin1Char('\n'));
    };
    auto recorder = std::make_shared<BookRecorder>(hooks);
    if (bookUnit)
        recorder->ChooseUnit(*bookUnit);
    recorder->Install(unit.link());
    return recorder;
}

QString BookRecordingProblem() { return problem(); }

} // namespace porv::cli
