// porv-cli: the Portavel QX4 door-entry unit from a terminal or a script, on
// the same core operations as the window, without widgets.
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <exception>

#include "bookrecording.h"
#include "clishell.h"
#include "commandline.h"
#include "commands.h"
#include "delay.h"
#include "failures.h"
#include "helptext.h"
#include "terminal.h"

#if defined(QT_WIDGETS_LIB) || defined(QT_GUI_LIB)
#error "porv-cli runs without a display"
#endif

namespace porv::cli {
namespace {

// The application object of a program without a window. A failure of the
// link (a serial port that fails while the unit's reply comes in) ends the
// link and travels through the connection's loggedOff; what might still end
// an event's handler is told on standard error and remembered, as a last
// resort, and the command that waits goes on and ends by what it then finds.
class CliApplication : public QCoreApplication {
public:
    using QCoreApplication::QCoreApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QCoreApplication::notify(receiver, event);
        } catch (const Failure &failure) {
            remember(failure.message());
        } catch (const std::exception &e) {
            remember(QString::fromLocal8Bit(e.what()));
        }
        return true;
    }

    const QString &failure() const { return m_failure; }

private:
    void remember(const QString &message)
    {
        WriteError(QStringLiteral("porv-cli: ") + TerminalLines(message) + QLatin1Char('\n'));
        if (m_failure.isEmpty())
            m_failure = message;
    }

    QString m_failure;
};

void Print(FILE *stream, const QByteArray &text) { std::fwrite(text.constData(), 1, size_t(text.size()), stream); }

void Tell(const QString &message) { WriteError(QStringLiteral("porv-cli: ") + TerminalLines(message) + QLatin1Char('\n')); }

int Run(const ParsedCommandLine &line, const CliApplication &app)
{
    const CliRequest &request = line.request;
    const CliCommand &command = *line.command;
    Interruption interruption;
    CliShell shell(request.yes, &interruption);
    const QString step = request.commandName();
    int status = ExitDone;
    try {
        // Nobody could answer the question later: say so before anything happens.
        if (command.writesUnit() && !request.yes && !StandardInputIsTerminal())
            throw Stop{ExitUsage, QStringLiteral("%1 asks before it overwrites the unit: without a terminal to "
                                                 "answer on, give --yes")
                                      .arg(step)};
        CommandContext context(request, line.given, shell, &interruption);
        status = command.run(context);
        if (status == ExitDone && !context.linkFailure().isEmpty()) {
            Tell(step + QStringLiteral(": the link failed"));
            status = ExitUnit;
        }
        // The context closes the link as it goes.
    } catch (const Stop &stop) {
        Tell(stop.message);
        status = stop.status;
    } catch (const FileError &failure) {
        Tell(step + QStringLiteral(": ") + failure.message());
        status = ExitFile;
    } catch (const ConversionError &failure) {
        Tell(step + QStringLiteral(": ") + failure.message());
        status = ExitFile;
    } catch (const Failure &failure) {
        Tell(step + QStringLiteral(": ") + failure.message());
        status = ExitUnit;
    }
    // A write refused for want of the site book, or one it did not record.
    if (const QString book = BookRecordingProblem(); !book.isEmpty()) {
        Tell(book);
        status = ExitFile;
    }
    if (status == ExitDone && shell.QuestionRefused())
        status = ExitUsage;
    if (status == ExitDone && !app.failure().isEmpty()) {
        Tell(step + QStringLiteral(": the link failed"));
        status = ExitUnit;
    }
    if (status != ExitDone && interruption.happened())
        status = ExitInterrupted;
    return status;
}

} // namespace
} // namespace porv::cli

int main(int argc, char **argv)
{
    using namespace porv::cli;
    // Read before the application exists: --help and --version need nothing.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    const ParsedCommandLine parsed = ParseCommandLine(arguments, BuiltInCommands());
    // A PIN given as an argument is in every user's process list: from now
    // on the list shows it overwritten.
    for (const SecretArgument &secret : parsed.secrets) {
        char *argument = argv[secret.argument + 1];
        for (char *c = argument + secret.offset; *c; ++c)
            *c = 'x';
    }
    if (!parsed.error.isEmpty()) {
        Print(stderr, "porv-cli: " + parsed.error.toLocal8Bit() + '\n' + UsageText(parsed.command));
        return ExitUsage;
    }
    switch (parsed.asked) {
    case ParsedCommandLine::Asked::Help:
        if (parsed.command)
            Print(stdout, CommandHelpText(*parsed.command));
        else if (!parsed.helpGroup.isEmpty())
            Print(stdout, GroupHelpText(BuiltInCommands(), parsed.helpGroup));
        else
            Print(stdout, HelpText(BuiltInCommands()));
        return ExitDone;
    case ParsedCommandLine::Asked::Version:
        std::puts("porv-cli " PORV_VERSION);
        return ExitDone;
    case ParsedCommandLine::Asked::Command:
        break;
    }
    // The test suite runs the program with shorter ticks, as it runs the
    // window's code against a faster simulated unit, and on a busy machine:
    // the time the program waits for a processor does not spend them.
    bool scaled = false;
    const double tickScale = qEnvironmentVariable("PORV_TEST_TICK_SCALE").toDouble(&scaled);
    if (scaled && tickScale > 0) {
        porv::SetTickScale(tickScale);
        porv::SetWaitsSkipRunQueue(true);
    }
    // A reader that goes away (-o - into a pipe that closes) is a failed
    // write, which ends the command and closes the link, not a signal that
    // ends the program with the unit still logged on.
    std::signal(SIGPIPE, SIG_IGN);
    CliApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("porv-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PORV_VERSION));
    return Run(parsed, app);
}
