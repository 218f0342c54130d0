// fleet backup: every unit of the site book (or of one site) backed up in
// turn into its snapshots, as a scheduled job runs it: one line a unit on
// standard output, then a summary; done only when every unit was.
#include "commands.h"

#include "clishell.h"
#include "failures.h"
#include "optionreader.h"
#include "session.h"
#include "sitebook.h"
#include "terminal.h"
#include "unitconnection.h"
#include "unitread.h"

namespace porv::cli {

namespace {

const CommandOption kFleetSite{{QStringLiteral("site")}, QStringLiteral("NAME"),
                               QStringLiteral("only the units of the site of that name")};

void PrintLine(const QString &line) { PrintOutput((TerminalLines(line) + QLatin1Char('\n')).toLocal8Bit()); }

// The unit the context reaches by its label, read whole and kept as a
// scheduled snapshot. Throws Stop.
QString BackUpIntoBook(CommandContext &c)
{
    const QString step = c.request().commandName();
    const BookUnitTarget *target = c.bookUnit();
    UnitConnection &unit = c.unit();
    const UnitIdentity identity = unit.Unit();
    UnitReadResult read = ReadWholeUnit(unit.link(), c.shell(), identity, {true});
    c.checkLink(step);
    if (!read.ok())
        throw Stop{ExitUnit, read.message()};
    const BookResult<SnapshotInfo> kept = c.book().AddSnapshot(target->unit.id, *read.backup, SnapshotOrigin::Scheduled);
    if (!kept.ok())
        throw BookStop(step, kept.error);
    return QStringLiteral("%1 records, %2 tags, %3 events")
        .arg(read.backup->directory->size())
        .arg(read.backup->tags->size())
        .arg(read.backup->events->size());
}

ExitStatus FleetBackup(CommandContext &c, const QString &siteName)
{
    const QString step = c.request().commandName();
    SiteBook &book = c.book();
    qint64 siteId = 0;
    if (!siteName.isEmpty()) {
        const BookResult<BookSite> site = book.SiteByName(siteName);
        if (!site.ok())
            throw BookStop(step, site.error);
        siteId = site.value.id;
    }
    const BookResult<QList<BookUnit>> units = book.Units(siteId);
    if (!units.ok())
        throw BookStop(step, units.error);
    if (units.value.isEmpty()) {
        PrintLine(QStringLiteral("no units to back up in the site book %1").arg(book.Location().Name()));
        return ExitDone;
    }
    QStringList missed;
    bool unitFailed = false, bookFailed = false, interrupted = false;
    for (const BookUnit &unit : units.value) {
        interrupted = interrupted || (c.interruption() && c.interruption()->happened());
        QString line = unit.label + QStringLiteral(": ");
        QString why;
        if (interrupted) {
            why = QStringLiteral("interrupted");
        } else {
            // Each unit its own request, connection and shell; the book is shared.
            CliRequest request;
            request.command = step;
            request.unitLabel = unit.label;
            request.book = c.request().book;
            CliShell shell(false, c.interruption());
            CommandContext each(request, c.given(), shell, c.interruption());
            each.shareBook(book);
            try {
                line += QStringLiteral("backed up, ") + BackUpIntoBook(each);
            } catch (const Stop &stop) {
                why = stop.message;
                (stop.status == ExitBook ? bookFailed : unitFailed) = true;
            } catch (const Failure &failure) {
                why = failure.message();
                unitFailed = true;
            }
        }
        if (!why.isEmpty()) {
            line += QStringLiteral("not backed up: ") + why;
            missed.append(unit.label);
        }
        PrintLine(line);
    }
    const int total = int(units.value.size());
    QString summary = QStringLiteral("%1 of %2 units backed up into the site book %3")
                          .arg(total - missed.size())
                          .arg(total)
                          .arg(book.Location().Name());
    if (!missed.isEmpty())
        summary += QStringLiteral("; not backed up: ") + missed.join(QStringLiteral(", "));
    PrintLine(summary);
    if (interrupted)
        return ExitInterrupted;
    if (unitFailed)
        return ExitUnit;
    return bookFailed ? ExitBook : ExitDone;
}

class FleetBackupCommand final : public CliCommand {
public:
    QStringList words() const override { return {QStringLiteral("fleet"), QStringLiteral("backup")}; }
    QString summary() const override
    {
        return QStringLiteral("every unit of the site book (or of one site) backed up in turn into its snapshots");
    }
    QString description() const override
    {
        return QStringLiteral(
            "Each unit is reached as the book says and read whole, with its event log, into a snapshot of origin "
            "\"scheduled\" (the book keeps each unit's newest 30). Its PIN comes from PORV_PIN when that is set, else "
            "from the pins file ($XDG_CONFIG_HOME/porv-pro/pins, one line a unit: its label, a blank, its PIN; used "
            "only while it is its owner's alone) or the keyring, else it is asked for on the terminal. Nothing is "
            "written to the units.\n\n"
            "One line a unit on standard output, \"LABEL: backed up, ...\" or \"LABEL: not backed up: why\", then a "
            "summary naming each unit that was not. Status 0 only when every unit was backed up; otherwise 3 (5 when "
            "only the book failed).\n\n"
            "The package installs a systemd user service and timer that run it every night: porv-fleet-backup.timer "
            "(not enabled; \"systemctl --user enable --now porv-fleet-backup.timer\" starts it, and \"loginctl "
            "enable-linger\" lets it run while the user is not logged in). The service takes the book from "
            "PORV_BOOK in ~/.config/porv-pro/fleet-backup.env, when that file is there; its lines go to the "
            "journal (journalctl --user -u porv-fleet-backup).");
    }
    QList<CommandOption> options() const override { return {kFleetSite}; }
    Needs needs() const override { return Needs::Nothing; }
    bool usesBook() const override { return true; }
    ExitStatus run(CommandContext &c) const override { return FleetBackup(c, c.given().text(kFleetSite)); }
};

} // namespace

void RegisterFleetCommands(CommandRegistry &commands) { commands.add<FleetBackupCommand>(); }

} // namespace porv::cli
