// The site book from the command line: its sites and units, a unit's
// history, find across the book, a snapshot out as a .qx4b file and a .qx4b
// file in as a snapshot. None of them reaches a unit. Text for people, or
// with --json one document of the shape scripts rely on.
#include "commands.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>

#include <algorithm>

#include "clishell.h"
#include "optionreader.h"
#include "sitebook.h"
#include "terminal.h"

namespace porv::cli {

namespace {

const CommandOption kJson{{QStringLiteral("json")}, {}, QStringLiteral("the same as one JSON document on standard output")};
const CommandOption kAddress{{QStringLiteral("address")}, QStringLiteral("TEXT"), QStringLiteral("the site's address")};
const CommandOption kSite{{QStringLiteral("site")}, QStringLiteral("NAME"), QStringLiteral("the site of that name")};
const CommandOption kAt{{QStringLiteral("at")}, QStringLiteral("TIME"),
                        QStringLiteral("the newest snapshot taken at or before TIME (ISO 8601: 2024-06-03T08:30, in "
                                       "the PC's time unless it names its zone; a date alone is the end of that day); "
                                       "without it, the newest")};
const CommandOption kSnapshotFile =
    OutputOption(QStringLiteral("FILE.qx4b"), QStringLiteral("the unit backup file to write (without PINs)"));

// The ways add-unit is told how the unit is reached: the program's
// connection options, declared here with what they mean to the book.
CommandOption Way(const char *name, const char *value, const char *description, OptionChoice choice)
{
    CommandOption option{{QString::fromLatin1(name)}, QString::fromLatin1(value), QString::fromLatin1(description)};
    option.choice = choice;
    return option;
}
const CommandOption kUdpWay = Way("udp", "HOST", "reached over the network at HOST", OptionChoice::Alternative);
const CommandOption kSerialWay = Way("serial", "DEVICE", "reached by a serial cable on DEVICE", OptionChoice::Alternative);
const CommandOption kModemWay = Way("modem", "DEVICE", "reached by a modem on DEVICE", OptionChoice::Alternative);
const CommandOption kNumberWay = Way("number", "DIGITS", "what the modem dials (at most 20 dial characters)",
                                     OptionChoice::WithPrevious);

const CommandArgument kLabel{QStringLiteral("LABEL"), {}, QStringLiteral("the unit's label in the book")};

// A command of the book: it needs the book, never a unit.
class BookCommand : public CliCommand {
public:
    Needs needs() const override { return Needs::Nothing; }
    bool usesBook() const override { return true; }
};

void PrintJson(const QJsonArray &array) { PrintOutput(QJsonDocument(array).toJson(QJsonDocument::Indented)); }

void PrintLines(const QStringList &lines)
{
    if (!lines.isEmpty())
        PrintOutput(TerminalLines(lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toLocal8Bit());
}

// Rows in columns two blanks apart (the last as it is).
QStringList Columns(const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QStringList &row : rows)
        for (int i = 0; i < row.size(); ++i) {
            if (widths.size() <= i)
                widths.append(0);
            widths[i] = std::max(widths[i], int(row[i].size()));
        }
    QStringList lines;
    for (const QStringList &row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        lines.append(line);
    }
    return lines;
}

template <typename T>
T Answer(const QString &step, BookResult<T> result)
{
    if (!result.ok())
        throw BookStop(step, result.error);
    return std::move(result.value);
}

void Check(const QString &step, const BookError &error)
{
    if (!error.ok())
        throw BookStop(step, error);
}

QString Iso(const QDateTime &when) { return when.isValid() ? when.toUTC().toString(Qt::ISODate) : QString(); }
QString Local(const QDateTime &when)
{
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("never");
}

QString TransportName(UnitTransport transport)
{
    switch (transport) {
    case UnitTransport::Udp:
        return QStringLiteral("udp");
    case UnitTransport::Serial:
        return QStringLiteral("serial");
    case UnitTransport::Modem:
        return QStringLiteral("modem");
    }
    return QString();
}

// "udp 10.0.0.7", "modem /dev/ttyS0, number 0123".
QString Reached(const BookUnit &unit)
{
    QString text = TransportName(unit.transport) + QLatin1Char(' ') + unit.address;
    if (unit.transport == UnitTransport::Modem)
        text += QStringLiteral(", number ") + unit.number;
    return text;
}

// --- book sites, add-site ------------------------------------------------------------------

class SitesCommand final : public BookCommand {
public:
    QStringList words() const override { return {QStringLiteral("book"), QStringLiteral("sites")}; }
    QString summary() const override { return QStringLiteral("the sites of the site book, with their units' count"); }
    QString description() const override
    {
        return QStringLiteral("One line a site, by name: its name, its address and how many units it holds. The JSON "
                              "is a list of {\"name\", \"address\", \"notes\", \"units\"}.");
    }
    QList<CommandOption> options() const override { return {kJson}; }
    ExitStatus run(CommandContext &c) const override
    {
        const QString step = c.request().commandName();
        const QList<BookSite> sites = Answer(step, c.book().Sites());
        QMap<qint64, int> counts;
        for (const BookUnit &unit : Answer(step, c.book().Units()))
            ++counts[unit.siteId];
        if (c.given().isSet(kJson)) {
            QJsonArray out;
            for (const BookSite &site : sites)
                out.append(QJsonObject{{QStringLiteral("name"), site.name},
                                       {QStringLiteral("address"), site.address},
                                       {QStringLiteral("notes"), site.notes},
                                       {QStringLiteral("units"), counts.value(site.id)}});
            PrintJson(out);
            return ExitDone;
        }
        QList<QStringList> rows;
        for (const BookSite &site : sites) {
            const int n = counts.value(site.id);
            rows.append({site.name, site.address.isEmpty() ? QStringLiteral("-") : site.address,
                         n == 1 ? QStringLiteral("1 unit") : QStringLiteral("%1 units").arg(n)});
        }
        PrintLines(Columns(rows));
        return ExitDone;
    }
};

class AddSiteCommand final : public BookCommand {
public:
    QStringList words() const override { return {QStringLiteral("book"), QStringLiteral("add-site")}; }
    QString summary() const override { return QStringLiteral("add a site to the site book"); }
    QList<CommandArgument> arguments() const override
    {
        return {{QStringLiteral("NAME"), {}, QStringLiteral("the site's name, which no other site has")}};
    }
    QList<CommandOption> options() const override { return {kAddress}; }
    ExitStatus run(CommandContext &c) const override
    {
        BookSite site;
        site.name = QString::fromLocal8Bit(c.given().arguments().value(0));
        site.address = c.given().text(kAddress);
        Answer(c.request().commandName(), c.book().AddSite(site));
        return ExitDone;
    }
};

// --- book add-unit, units -------------------------------------------------------------------

bool DialCharacters(const QString &number)
{
    return std::all_of(number.begin(), number.end(), [](QChar ch) {
        return ch.isDigit() || QStringLiteral("*#,pPwW+").contains(ch);
    });
}

class AddUnitCommand final : public BookCommand {
public:
    QStringList words() const override { return {QStringLiteral("book"), QStringLiteral("add-unit")}; }
    QString summary() const override { return QStringLiteral("add a unit to a site of the site book, with how it is reached"); }
    QString description() const override
    {
        return QStringLiteral("The label names the unit for --unit, the pins file and the other book commands: no "
                              "other unit has it. The PIN is never kept in the book.");
    }
    QList<CommandArgument> arguments() const override { return {kLabel}; }
    QList<CommandOption> options() const override
    {
        CommandOption site = kSite;
        site.description = QStringLiteral("the site it is on");
        site.required = true;
        return {site, kUdpWay, kSerialWay, kModemWay, kNumberWay};
    }
    ExitStatus run(CommandContext &c) const override
    {
        const QString step = c.request().commandName();
        const GivenArguments &g = c.given();
        BookUnit unit;
        unit.label = QString::fromLocal8Bit(g.arguments().value(0));
        int ways = 0;
        for (const auto &[option, transport] : {std::pair{kUdpWay, UnitTransport::Udp},
                                                std::pair{kSerialWay, UnitTransport::Serial},
                                                std::pair{kModemWay, UnitTransport::Modem}})
            if (g.isSet(option)) {
                unit.transport = transport;
                unit.address = transport == UnitTransport::Udp ? g.text(option) : g.path(option);
                ++ways;
            }
        if (ways != 1)
            throw Stop{ExitUsage, step + QStringLiteral(" needs one of --udp HOST, --serial DEVICE or --modem DEVICE "
                                                        "--number DIGITS")};
        unit.number = g.text(kNumberWay);
        if (unit.transport == UnitTransport::Modem && unit.number.isEmpty())
            throw Stop{ExitUsage, QStringLiteral("--modem needs --number DIGITS")};
        if (unit.transport != UnitTransport::Modem && g.isSet(kNumberWay))
            throw Stop{ExitUsage, QStringLiteral("--number is for --modem")};
        if (unit.number.size() > 20 || !DialCharacters(unit.number))
            throw Stop{ExitUsage, QStringLiteral("--number takes at most 20 dial characters (digits, *, #, p, w, and +)")};
        const BookSite site = Answer(step, c.book().SiteByName(g.text(kSite)));
        unit.siteId = site.id;
        Answer(step, c.book().AddUnit(unit));
        return ExitDone;
    }
};

class UnitsCommand final : public BookCommand {
public:
    QStringList words() const override { return {QStringLiteral("book"), QStringLiteral("units")}; }
    QString summary() const override { return QStringLiteral("the units of the site book, or of one site, and how each is reached"); }
    QString description() const override
    {
        return QStringLiteral("One line a unit, by site and label: its site, label, how it is reached, its model line "
                              "and when it was last reached. The JSON is a list of {\"site\", \"unit\", "
                              "\"connection\" (udp, serial or modem), \"address\", \"number\", \"model\", "
                              "\"memoryLimit\", \"lastReached\", \"notes\"}.");
    }
    QList<CommandOption> options() const override
    {
        CommandOption site = kSite;
        site.description = QStringLiteral("only the units of the site of that name");
        return {site, kJson};
    }
    ExitStatus run(CommandContext &c) const override
    {
        const QString step = c.request().commandName();
        qint64 siteId = 0;
        if (c.given().isSet(kSite))
            siteId = Answer(step, c.book().SiteByName(c.given().text(kSite))).id;
        const QList<BookUnit> units = Answer(step, c.book().Units(siteId));
        if (c.given().isSet(kJson)) {
            QJsonArray out;
            for (const BookUnit &u : units)
                out.append(QJsonObject{
                    {QStringLiteral("site"), u.siteName},
                    {QStringLiteral("unit"), u.label},
                    {QStringLiteral("connection"), TransportName(u.transport)},
                    {QStringLiteral("address"), u.address},
                    {QStringLiteral("number"), u.number},
                    {QStringLiteral("model"), u.modelLine.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(u.modelLine))},
                    {QStringLiteral("memoryLimit"), u.memoryLimit < 0 ? QJsonValue() : QJsonValue(u.memoryLimit)},
                    {QStringLiteral("lastReached"), u.lastReached.isValid() ? QJsonValue(Iso(u.lastReached)) : QJsonValue()},
                    {QStringLiteral("notes"), u.notes}});
            PrintJson(out);
            return ExitDone;
        }
        QList<QStringList> rows;
        for (const BookUnit &u : units)
            rows.append({u.siteName, u.label, Reached(u),
                         u.modelLine.isEmpty() ? QStringLiteral("-") : QString::fromLatin1(u.modelLine).trimmed(),
                         QStringLiteral("last reached ") + Local(u.lastReached)});
        PrintLines(Columns(rows));
        return ExitDone;
    }
};

// --- book history ---------------------------------------------------------------------------

// What a line of the history is: "snapshot (manual)", "record committed (3
// changes)", "PINs written, not confirmed by the unit".
QString What(const HistoryItem &item)
{
    if (item.isSnapshot)
        return QStringLiteral("snapshot (%1)").arg(SnapshotOriginName(item.snapshot.origin));
    const JournalRecord &e = item.entry;
    QString text = e.kindName;
    if (!e.confirmed)
        text += QStringLiteral(", not confirmed by the unit");
    if (e.changeCount > 0)
        text += e.changeCount == 1 ? QStringLiteral(" (1 change)") : QStringLiteral(" (%1 changes)").arg(e.changeCount);
    return text;
}

BookUnit UnitOf(CommandContext &c, const QString &step)
{
    return Answer(step, ResolveBookUnit(c.book(), QString::fromLocal8Bit(c.given().arguments().value(0)), false)).unit;
}

class HistoryCommand final : public BookCommand {
public:
    QStringList words() const override { return {QStringLiteral("book"), QStringLiteral("history")}; }
    QString summary() const override
    {
        return QStringLiteral("a unit's snapshots and journal entries, newest first: when, who, PC, what");
    }
    QString description() const override
    {
        return QStringLiteral("When is the PC's time. The JSON is a list, newest first, of {\"when\" (ISO 8601, UTC), "
                              "\"who\", \"pc\", \"what\", \"kind\" (\"snapshot\" or \"journal\"), \"version\"}, a "
                              "snapshot's with its \"origin\", a journal entry's with \"confirmed\" and \"changes\" "
                              "(how many fields changed). PINs and emergency codes are never in the book.");
    }
    QList<CommandArgument> arguments() const override { return {kLabel}; }
    QList<CommandOption> options() const override { return {kJson}; }
    ExitStatus run(CommandContext &c) const override
    {
        const QString step = c.request().commandName();
        const BookUnit unit = UnitOf(c, step);
        const QList<HistoryItem> items = Answer(step, c.book().History(unit.id));
        if (c.given().isSet(kJson)) {
            QJsonArray out;
            for (const HistoryItem &item : items) {
                const bool s = item.isSnapshot;
                QJsonObject o{{QStringLiteral("when"), Iso(item.at)},
                              {QStringLiteral("who"), s ? item.snapshot.who : item.entry.who},
                              {QStringLiteral("pc"), s ? item.snapshot.pc : item.entry.pc},
                              {QStringLiteral("what"), What(item)},
                              {QStringLiteral("kind"), s ? QStringLiteral("snapshot") : QStringLiteral("journal")},
                              {QStringLiteral("version"), s ? item.snapshot.version : item.entry.version}};
                if (s) {
                    o.insert(QStringLiteral("origin"), SnapshotOriginName(item.snapshot.origin));
                } else {
                    o.insert(QStringLiteral("confirmed"), item.entry.confirmed);
                    o.insert(QStringLiteral("changes"), item.entry.changeCount);
                }
                out.append(o);
            }
            PrintJson(out);
            return ExitDone;
        }
        QList<QStringList> rows;
        for (const HistoryItem &item : items)
            rows.append({Local(item.at), item.isSnapshot ? item.snapshot.who : item.entry.who,
                         item.isSnapshot ? item.snapshot.pc : item.entry.pc, What(item)});
        PrintLines(Columns(rows));
        return ExitDone;
    }
};

// --- book find ------------------------------------------------------------------------------

class FindCommand final : public BookCommand {
public:
    QStringList words() const override { return {QStringLiteral("book"), QStringLiteral("find")}; }
    QString summary() const override
    {
        return QStringLiteral("every record of each unit's latest snapshot that holds TEXT in its name, room, phone "
                              "number or tag");
    }
    QString description() const override
    {
        return QStringLiteral("Letters match in any case; a phone number matches by its dial characters, its layout "
                              "ignored on both sides. By site, unit and record. The JSON is a list of {\"site\", "
                              "\"unit\", \"name\", \"room\", \"phone\", \"tag\"}.");
    }
    QList<CommandArgument> arguments() const override
    {
        return {{QStringLiteral("TEXT"), {}, QStringLiteral("a name, room, phone number or tag code, or part of one")}};
    }
    QList<CommandOption> options() const override { return {kJson}; }
    ExitStatus run(CommandContext &c) const override
    {
        const QString step = c.request().commandName();
        const QString text = QString::fromLocal8Bit(c.given().arguments().value(0));
        const QList<FoundRecord> found = Answer(step, c.book().Find(text, 100000));
        const auto field = [](const QByteArray &bytes) { return QString::fromLatin1(bytes).trimmed(); };
        if (c.given().isSet(kJson)) {
            QJsonArray out;
            for (const FoundRecord &r : found)
                out.append(QJsonObject{{QStringLiteral("site"), r.site},
                                       {QStringLiteral("unit"), r.unit},
                                       {QStringLiteral("name"), field(r.name)},
                                       {QStringLiteral("room"), field(r.room)},
                                       {QStringLiteral("phone"), field(r.phone)},
                                       {QStringLiteral("tag"), field(r.tag)}});
            PrintJson(out);
            return ExitDone;
        }
        QList<QStringList> rows;
        for (const FoundRecord &r : found)
            rows.append({r.site, r.unit, field(r.name), field(r.room), field(r.phone), field(r.tag)});
        PrintLines(Columns(rows));
        return ExitDone;
    }
};

// --- book export, import --------------------------------------------------------------------

// TIME as --at takes it.
QDateTime AtTime(const QString &text)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid())
        return QDateTime(day, QTime(23, 59, 59, 999));
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

class ExportCommand final : public BookCommand {
public:
    QStringList words() const override { return {QStringLiteral("book"), QStringLiteral("export")}; }
    QString summary() const override { return QStringLiteral("a snapshot of a unit as a unit backup file"); }
    QString description() const override
    {
        return QStringLiteral("The file is the one backup writes, but without PINs and emergency codes, which the "
                              "book never keeps: restored, it leaves the unit's codes as they are.");
    }
    QList<CommandArgument> arguments() const override { return {kLabel}; }
    QList<CommandOption> options() const override { return {kAt, kSnapshotFile}; }
    ExitStatus run(CommandContext &c) const override
    {
        const QString step = c.request().commandName();
        const QString file = c.given().path(kSnapshotFile);
        QDateTime at;
        if (c.given().isSet(kAt)) {
            at = AtTime(c.given().text(kAt));
            if (!at.isValid())
                throw Stop{ExitUsage, QStringLiteral("--at takes a time in ISO 8601 (2024-06-03T08:30 or 2024-06-03)")};
        }
        CheckOutput(step, file);
        const BookUnit unit = UnitOf(c, step);
        const SnapshotInfo snapshot = Answer(step, c.book().SnapshotAt(unit.id, at));
        if (ToStandardOutput(file))
            PrintOutput(Answer(step, c.book().SnapshotDocument(snapshot.id)));
        else
            Check(step, c.book().ExportSnapshot(snapshot.id, file));
        c.shell().Progress(QStringLiteral("snapshot of %1 taken %2 written to %3")
                               .arg(unit.label, Local(snapshot.taken), OutputName(file)));
        return ExitDone;
    }
};

class ImportCommand final : public BookCommand {
public:
    QStringList words() const override { return {QStringLiteral("book"), QStringLiteral("import")}; }
    QString summary() const override { return QStringLiteral("a unit backup file into the book, as a snapshot of the unit"); }
    QString description() const override
    {
        return QStringLiteral("The file is read whole first: one cut short, of another format or of a newer version "
                              "is refused with status 4. Its PINs and emergency codes are left out.");
    }
    QList<CommandArgument> arguments() const override
    {
        return {kLabel, {QStringLiteral("FILE"), QStringLiteral("FILE.qx4b"), QStringLiteral("the unit backup to import")}};
    }
    ExitStatus run(CommandContext &c) const override
    {
        const QString step = c.request().commandName();
        const BookUnit unit = UnitOf(c, step);
        Answer(step, c.book().ImportSnapshot(unit.id, c.given().argumentPath(1)));
        return ExitDone;
    }
};

} // namespace

void RegisterBookCommands(CommandRegistry &commands)
{
    commands.add<SitesCommand>();
    commands.add<AddSiteCommand>();
    commands.add<AddUnitCommand>();
    commands.add<UnitsCommand>();
    commands.add<HistoryCommand>();
    commands.add<FindCommand>();
    commands.add<ExportCommand>();
    commands.add<ImportCommand>();
}

} // namespace porv::cli
