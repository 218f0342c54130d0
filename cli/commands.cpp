#include "commands.h"

#include <QFileInfo>

#include <cstdio>

#include "backupstore.h"
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
    output.takers = QStringLiteral("the get commands and backup");
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
    const auto typed = [] {
        const std::optional<QByteArray> line = ReadHiddenLine(QStringLiteral("porv-cli: the unit's PIN: "));
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
    } else if (StandardInputIsTerminal()) {
        pin = typed();
        where = QStringLiteral("the PIN");
    } else {
        throw Stop{ExitUsage, QStringLiteral("no PIN: give PORV_PIN, --pin-file FILE or --pin - (one line on "
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
        // Every write that replaces what the unit holds saves it first.
        m_shell.beforeOverwrite = [this](const QString &) { return BackupBeforeWrite(*this, m_request.commandName()); };
    }
    return *m_unit;
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

void RefuseWriteWithoutBackup(const CliRequest &r, const QString &step, const QString &why, bool storeProblem)
{
    if (why.isEmpty() || !r.yes || r.noBackup)
        return;
    const QString folder = BackupStoreFolder();
    const QString where = folder.isEmpty() ? QString() : QStringLiteral(" in %1").arg(folder);
    const QString advice = QStringLiteral("nothing was written (give --no-backup as well to write without one)");
    if (storeProblem)
        throw Stop{ExitFile, QStringLiteral("%1: no automatic backup of the unit can be saved%2: %3; %4")
                                 .arg(step, where, why, advice)};
    throw Stop{ExitUnit, QStringLiteral("%1: the unit could not be backed up%2 first: %3; %4").arg(step, where, why, advice)};
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
