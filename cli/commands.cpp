#include "commands.h"

#include <QFileInfo>

#include <cstdio>

#include "backupstore.h"
#include "sitebook.h"
#include "bookrecorder.h"
#include "bookrecording.h"
#include "clishell.h"
#include "optionreader.h"
#include "terminal.h"
#include "clilogon.h"

namespace porv::cli {

// --- the commands ---------------------------------------------------------------------

void RegisterBuiltInCommands(CommandRegistry &commands)
{
    RegisterUnitCommands(commands);
    RegisterDirectoryCommands(commands);
    RegisterParametersCommands(commands);
    RegisterBackupCommands(commands);
    RegisterBookCommands(commands);
    RegisterFleetCommands(commands);
}

const CommandRegistry &BuiltInCommands()
{
    static const CommandRegistry commands = [] {
        CommandRegistry made;
        RegisterBuiltInCommands(made);
        return made;
    }();
    return commands;
}

CommandOption OutputOption(const QString &file, const QString &what)
{
    CommandOption output{{QStringLiteral("o"), QStringLiteral("output")}, file,
                         what + QStringLiteral("; -o - writes it to standard output"), true};
    output.takers = QStringLiteral("the get commands, backup and book export");
    return output;
}

// --- the context ------------------------------------------------------------------------

CommandContext::CommandContext(const CliRequest &request, const GivenArguments &given, CliShell &shell,
                               Interruption *interruption)
    : m_request(request), m_given(given), m_shell(shell), m_interruption(interruption)
{
}

CommandContext::~CommandContext() = default;

QByteArray CommandContext::pin() const
{
    // Asked for on the terminal without showing it.
    const QString prompt = m_request.unitLabel.isEmpty()
                               ? QStringLiteral("porv-cli: the unit's PIN: ")
                               : QStringLiteral("porv-cli: the PIN of %1: ").arg(EscapedArgument(m_request.unitLabel));
    const auto typed = [&prompt] {
        const std::optional<QByteArray> line = ReadHiddenLine(prompt);
        if (!line || line->isEmpty())
            throw Stop{ExitUsage, QStringLiteral("no PIN given")};
        return *line;
    };
    QByteArray pin;
    QString where = QStringLiteral("--pin");
    if (m_request.pinGiven) {
        pin = m_request.pin;
    } else if (m_request.pinFromInput) {
        where = QStringLiteral("--pin -");
        if (StandardInputIsTerminal()) {
            pin = typed();
        } else {
            const std::optional<QByteArray> line = ReadInputLine();
            if (!line || line->isEmpty())
                throw Stop{ExitUsage, QStringLiteral("--pin -: no PIN on standard input")};
            pin = *line;
        }
    } else if (!m_request.pinFile.isEmpty()) {
        where = QStringLiteral("--pin-file");
        const QString file = EscapedArgument(m_request.pinFile);
        const OwnerOnlyLine read = ReadOwnerOnlyLine(m_request.pinFile);
        if (read.othersCanRead)
            throw Stop{ExitUsage, QStringLiteral("--pin-file: other users can read %1: make it readable by its owner "
                                                 "alone (chmod 600 %1)")
                                      .arg(file)};
        if (!read.problem.isEmpty())
            throw Stop{ExitFile, QStringLiteral("--pin-file: cannot read %1: %2").arg(file, read.problem)};
        if (read.line.isEmpty())
            throw Stop{ExitUsage, QStringLiteral("--pin-file: %1 holds no PIN on its first line").arg(file)};
        pin = read.line;
    } else if (!qgetenv("PORV_PIN").isEmpty()) {
        pin = qgetenv("PORV_PIN");
        where = QStringLiteral("PORV_PIN");
    } else if (m_bookUnit && m_bookUnit->pin.found()) {
        pin = *m_bookUnit->pin.pin;
        where = QStringLiteral("the PIN of %1").arg(EscapedArgument(m_request.unitLabel));
    } else if (m_bookUnit && !m_bookUnit->pin.error.isEmpty() && !StandardInputIsTerminal()) {
        // A pins file others can read is not used, as the PostgreSQL client
        // passes over such a password file.
        throw Stop{ExitUsage, m_bookUnit->pin.error};
    } else if (StandardInputIsTerminal()) {
        if (m_bookUnit && !m_bookUnit->pin.error.isEmpty())
            m_shell.ShowMessage(m_bookUnit->pin.error);
        pin = typed();
        where = QStringLiteral("the PIN");
    } else {
        throw Stop{ExitUsage, m_bookUnit ? QStringLiteral("no PIN for %1 in the pins file %2 or the keyring: add a line "
                                                          "\"LABEL PIN\" there, give PORV_PIN, --pin-file FILE or "
                                                          "--pin -, or run on a terminal to type it")
                                               .arg(EscapedArgument(m_request.unitLabel), PinsFilePath())
                                         : QStringLiteral("no PIN: give PORV_PIN, --pin-file FILE or --pin - (one line on "
                                                          "standard input), or run on a terminal to type it")};
    }
    const QString problem = PinProblem(pin);
    if (!problem.isEmpty())
        throw Stop{ExitUsage, where + QStringLiteral(": ") + problem};
    return pin;
}

UnitConnection &CommandContext::unit()
{
    if (!m_unit) {
        const BookUnitTarget *inBook = bookUnit();
        const QByteArray key = pin();
        m_unit = std::make_unique<UnitConnection>();
        FollowOnTerminal(*m_unit, m_shell);
        // The link ended before the command did: the unit stopped answering
        // the keep-alive, the port failed or an interruption closed it.
        QObject::connect(m_unit.get(), &UnitConnection::loggedOff, m_unit.get(),
                         [this](LogOffReason reason, const QString &text) {
                             m_lost = m_lost || reason != LogOffReason::User;
                             if (reason == LogOffReason::LinkLost && m_linkFailure.isEmpty())
                                 m_linkFailure = text;
                         });
        if (m_interruption)
            QObject::connect(m_interruption, &Interruption::interrupted, m_unit.get(),
                             [this] { m_unit->Close(LogOffReason::Interrupted); });
        LogOnUnit(*m_unit, m_shell, m_request, key, m_interruption);
        if (inBook) {
            const BookError marked = book().MarkReached(inBook->unit.id, m_unit->Unit().modelLine, m_unit->MemoryLimit());
            if (!marked.ok())
                m_shell.ShowMessage(marked.message);
        }
        m_recorder = RecordWritesInBook(m_request, *m_unit,
                                        inBook ? std::optional<qint64>(inBook->unit.id) : std::nullopt);
        // Every write that replaces what the unit holds saves it first.
        m_shell.beforeOverwrite = [this](const QString &) { return BackupBeforeWrite(*this, m_request.commandName()); };
    }
    return *m_unit;
}

SiteBook &CommandContext::book()
{
    if (m_sharedBook)
        return *m_sharedBook;
    if (!m_book) {
        BookResult<std::unique_ptr<SiteBook>> opened = OpenNamedBook(m_request.book);
        if (!opened.ok())
            throw BookStop(m_request.commandName(), opened.error);
        m_book = std::move(opened.value);
    }
    return *m_book;
}

const BookUnitTarget *CommandContext::bookUnit()
{
    if (m_request.unitLabel.isEmpty())
        return nullptr;
    if (!m_bookUnit) {
        const bool pinGiven = m_request.pinGiven || m_request.pinFromInput || !m_request.pinFile.isEmpty() ||
                              !qgetenv("PORV_PIN").isEmpty();
        BookResult<BookUnitTarget> found = ResolveBookUnit(book(), m_request.unitLabel, !pinGiven);
        if (!found.ok())
            throw BookStop(m_request.commandName(), found.error);
        m_bookUnit = std::make_unique<BookUnitTarget>(std::move(found.value));
        ReachAsBookSays(m_bookUnit->unit, m_request);
    }
    return m_bookUnit.get();
}

Stop BookStop(const QString &step, const BookError &error)
{
    ExitStatus status = ExitBook;
    switch (error.kind) {
    case BookFailure::Invalid:
    case BookFailure::Duplicate:
    case BookFailure::NotFound:
        status = ExitUsage;
        break;
    case BookFailure::File:
        status = ExitFile;
        break;
    default:
        break;
    }
    return Stop{status, step + QStringLiteral(": ") + error.message};
}

void ReachAsBookSays(const BookUnit &unit, CliRequest &r)
{
    r.host.clear();
    r.device.clear();
    r.number.clear();
    switch (unit.transport) {
    case UnitTransport::Udp:
        r.connection = Connection::Network;
        r.host = unit.address;
        break;
    case UnitTransport::Serial:
        r.connection = Connection::Serial;
        r.device = unit.address;
        break;
    case UnitTransport::Modem:
        r.connection = Connection::Modem;
        r.device = unit.address;
        r.number = unit.number.toLatin1();
        break;
    }
}

void CommandContext::checkLink(const QString &step, const QString &left)
{
    const QString after = left.isEmpty() ? QString() : QStringLiteral("; ") + left;
    if (m_interruption && m_interruption->happened())
        throw Stop{ExitInterrupted, step + QStringLiteral(": interrupted; the link was closed") + after};
    if (m_lost)
        throw Stop{ExitUnit, step + QStringLiteral(": the link to the unit was lost") + after};
}

// --- files --------------------------------------------------------------------------------

void CheckOutput(const QString &step, const QString &file)
{
    if (ToStandardOutput(file))
        return;
    const QFileInfo info(file);
    if (info.isDir())
        throw Stop{ExitFile, QStringLiteral("%1: %2 is a folder").arg(step, EscapedArgument(file))};
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        throw Stop{ExitFile, QStringLiteral("%1: cannot write %2: no folder to write it in").arg(step, EscapedArgument(file))};
}

void PrintOutput(const QByteArray &bytes)
{
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    if (std::fflush(stdout) != 0 || written != size_t(bytes.size()))
        throw Stop{ExitFile, QStringLiteral("cannot write standard output")};
}

QString OutputName(const QString &file)
{
    return ToStandardOutput(file) ? QStringLiteral("standard output") : EscapedArgument(file);
}

} // namespace porv::cli
