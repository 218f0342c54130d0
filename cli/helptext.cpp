#include "helptext.h"

#include <QStringList>

#include "clicommand.h"
#include "commandline.h"

namespace porv::cli {

namespace {

constexpr int kWidth = 79;  // the longest line
constexpr int kColumn = 32; // where an entry's description begins

const QString kProgram = QStringLiteral("porv-cli");
const QString kUnitWords = QStringLiteral("CONNECTION [PIN]");

// The text in lines of at most `width` characters, broken at blanks.
QStringList Wrapped(const QString &text, int width)
{
    QStringList lines;
    QString line;
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            lines.append(line);
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

// Paragraphs parted by "\n\n", each in lines of the full width.
void AddParagraphs(QString &out, const QString &text)
{
    for (const QString &paragraph : text.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts))
        out += Wrapped(paragraph.simplified(), kWidth).join(QLatin1Char('\n')) + QStringLiteral("\n\n");
}

// "  SYNOPSIS      description": a synopsis too long for its column stands
// on a line of its own.
void AddEntry(QString &out, const HelpEntry &entry, int column = kColumn)
{
    QString head = QStringLiteral("  ") + entry.synopsis;
    const QStringList lines = Wrapped(entry.description, kWidth - column);
    if (head.size() + 2 > column || lines.isEmpty()) {
        out += head + QLatin1Char('\n');
        head.clear();
    }
    for (const QString &line : lines) {
        out += head.leftJustified(column, QLatin1Char(' ')) + line + QLatin1Char('\n');
        head.clear();
    }
}

// The column for entries as short as these: two blanks after the longest.
int FittingColumn(const QList<HelpEntry> &entries)
{
    int longest = 0;
    for (const HelpEntry &entry : entries)
        longest = std::max(longest, int(entry.synopsis.size()));
    return std::min(kColumn, 2 + longest + 2);
}

// How the help lists one of the program's options.
QList<HelpEntry> Entries(const ProgramOption &option)
{
    if (!option.listed)
        return {};
    if (!option.shown.isEmpty())
        return option.shown;
    return {{option.option.synopsis(), option.option.description}};
}

QList<HelpEntry> GroupEntries(HelpGroup group, const CliCommand *command = nullptr)
{
    QList<HelpEntry> entries;
    for (const ProgramOption &option : ProgramOptions())
        if (option.group == group && (!command || TakesOption(*command, option.option)))
            entries += Entries(option);
    return entries;
}

// "A." from "a": a summary as a sentence of its own.
QString Sentence(const QString &summary)
{
    QString sentence = summary;
    if (!sentence.isEmpty())
        sentence[0] = sentence[0].toUpper();
    if (!sentence.endsWith(QLatin1Char('.')))
        sentence += QLatin1Char('.');
    return sentence;
}

QString Optional(const CommandOption &option) { return QStringLiteral("[%1]").arg(option.synopsis()); }

// The program's options that a command takes and that its help lists with
// its own options (--yes, --no-backup).
QList<CommandOption> AnswerOptions(const CliCommand &command)
{
    QList<CommandOption> options;
    for (const ProgramOption &option : ProgramOptions()) {
        if (option.group == HelpGroup::Options && TakesOption(command, option.option))
            options.append(option.option);
    }
    return options;
}

QString Usage(const CliCommand &command)
{
    const QString prefix = command.needs() == Needs::Unit ? kProgram + QLatin1Char(' ') + kUnitWords : kProgram;
    return prefix + QLatin1Char(' ') + CommandSynopsis(command);
}

const char *const kExitStatus =
    "Exit status:\n"
    "  0    done\n"
    "  1    differences found (diff only)\n"
    "  2    usage error, or a question not answered Yes (nothing was written)\n"
    "  3    the unit did not answer or refused, or its address does not resolve;\n"
    "       the message names the step\n"
    "  4    a file could not be read or written (a backup cut short, of another\n"
    "       format or of a newer version, no folder for the automatic backup), or\n"
    "       what it holds does not fit the unit (a bigger model's backup); nothing\n"
    "       was written\n"
    "  5    the site book cannot be used: written by a newer porv-pro, a damaged\n"
    "       file, a server that cannot be reached (the message names the book);\n"
    "       nothing was written to it\n"
    "  130  interrupted; the link was closed\n"
    "\n";

const char *const kEnvironment =
    "Environment:\n"
    "  PORV_PIN         the unit's programming PIN, where --pin is not given\n"
    "  PORV_BOOK        the site book, where --book is not given\n"
    "  XDG_DATA_HOME    the data folder (default ~/.local/share): the automatic\n"
    "                   backups go to its porv-pro/backups, shared with\n"
    "                   porv-pro; the site book is its porv-pro/sitebook.sqlite\n"
    "  XDG_CONFIG_HOME  the configuration folder (default ~/.config): its\n"
    "                   porv-pro/pins holds the PINs of the book's units, a line\n"
    "                   each: the unit's label, a blank, its PIN (used only\n"
    "                   while the file is its owner's alone: chmod 600)\n"
    "  TMPDIR           the folder of the lock that keeps two programs off one\n"
    "                   UDP port (default /tmp)\n"
    "\n";

const char *const kExample =
    "Example, against the simulated unit (build/unit/qx4-unit --udp 127.0.0.2):\n"
    "  export PORV_PIN=1234\n"
    "  porv-cli --udp 127.0.0.2 info\n"
    "  porv-cli --udp 127.0.0.2 backup -o site.qx4b\n"
    "  porv-cli --udp 127.0.0.2 diff site.qx4b\n"
    "  porv-cli book add-site Harbour\n"
    "  porv-cli book add-unit Gate --site Harbour --udp 127.0.0.2\n"
    "  porv-cli --unit Gate info\n"
    "  porv-cli fleet backup\n"
    "  porv-cli help diff\n";

} // namespace

QString CommandSynopsis(const CliCommand &command)
{
    QStringList parts = command.words();
    const QList<CommandOption> options = command.options();
    for (const CommandArgument &argument : command.arguments())
        parts.append(argument.shown());
    QStringList ways;
    for (const CommandOption &option : options) {
        if (option.required && option.choice == OptionChoice::None)
            parts.append(option.synopsis());
        else if (option.choice == OptionChoice::Alternative)
            ways.append(option.synopsis());
        else if (option.choice == OptionChoice::WithPrevious && !ways.isEmpty())
            ways.last() += QLatin1Char(' ') + option.synopsis();
    }
    if (!ways.isEmpty())
        parts.append(QStringLiteral("(%1)").arg(ways.join(QStringLiteral(" | "))));
    for (const CommandOption &option : options)
        if (!option.required && option.choice == OptionChoice::None)
            parts.append(Optional(option));
    for (const CommandOption &option : AnswerOptions(command))
        parts.append(Optional(option));
    return parts.join(QLatin1Char(' '));
}

QByteArray UsageText(const CliCommand *command)
{
    if (!command)
        return QStringLiteral("Usage: %1 %2 COMMAND [ARGUMENTS]   (%1 --help)\n").arg(kProgram, kUnitWords).toLocal8Bit();
    return QStringLiteral("Usage: %1   (%2 help %3)\n").arg(Usage(*command), kProgram, command->name()).toLocal8Bit();
}

QByteArray HelpText(const CommandRegistry &commands)
{
    QString out = QStringLiteral("Usage: %1 %2 COMMAND [ARGUMENTS]\n"
                                 "  or:  %1 help [COMMAND]\n\n")
                      .arg(kProgram, kUnitWords);
    AddParagraphs(out, QStringLiteral("The Portavel QX4 door-entry unit from a terminal or a script: log on to one "
                                      "unit, carry out one command, close the link."));
    out += QStringLiteral("Connection (one of):\n");
    for (const HelpEntry &entry : GroupEntries(HelpGroup::Connection))
        AddEntry(out, entry);
    out += QStringLiteral("\nPIN (the unit's programming PIN; without any of these it is asked for on the\n"
                          "terminal and not shown as it is typed):\n");
    AddEntry(out, {QStringLiteral("PORV_PIN=PIN"), QStringLiteral("in the environment")});
    for (const HelpEntry &entry : GroupEntries(HelpGroup::Pin))
        AddEntry(out, entry);

    out += QStringLiteral("\nSite book (where --unit and the book and fleet commands find their units;\n"
                          "without --book or PORV_BOOK, the SQLite file of the data folder):\n");
    for (const HelpEntry &entry : GroupEntries(HelpGroup::Book))
        AddEntry(out, entry);
    out += QStringLiteral("\nCommands:\n");
    QStringList writers;
    for (const auto &command : commands.commands()) {
        AddEntry(out, {CommandSynopsis(*command), command->summary()});
        if (command->writesUnit())
            writers.append(command->name());
    }
    out += QLatin1Char('\n');
    AddParagraphs(out, QStringLiteral("A command that writes a file takes it as -o FILE; -o - writes it to standard "
                                      "output. \"%1 help COMMAND\" (or \"%1 COMMAND --help\") shows what one command "
                                      "does, with its arguments and options.")
                           .arg(kProgram));
    if (!writers.isEmpty()) {
        QStringList names = writers;
        const QString last = names.takeLast();
        const QString listed = names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
        AddParagraphs(out, QStringLiteral("Before %1 write, the unit as it is goes into the store of automatic backups "
                                          "($XDG_DATA_HOME/porv-pro/backups, the newest 30 of each unit kept).")
                               .arg(listed));
    }

    out += QStringLiteral("Options:\n");
    QList<HelpEntry> options = GroupEntries(HelpGroup::Options);
    options.append({HelpOption().dashedNames().join(QStringLiteral(", ")), HelpOption().description});
    options.append({VersionOption().synopsis(), VersionOption().description});
    const int column = FittingColumn(options);
    for (const HelpEntry &entry : options)
        AddEntry(out, entry, column);
    out += QLatin1Char('\n');
    AddParagraphs(out, QStringLiteral("Progress goes to standard error when it is a terminal; messages always go "
                                      "there. Ctrl+C closes the link to the unit and ends the program."));
    out += QLatin1String(kExitStatus) + QLatin1String(kEnvironment) + QLatin1String(kExample);
    return out.toLocal8Bit();
}

QByteArray CommandHelpText(const CliCommand &command)
{
    QString out = QStringLiteral("Usage: %1\n\n").arg(Usage(command));
    AddParagraphs(out, Sentence(command.summary()));
    AddParagraphs(out, command.description());
    const QList<CommandArgument> arguments = command.arguments();
    if (!arguments.isEmpty()) {
        out += QStringLiteral("Arguments:\n");
        for (const CommandArgument &argument : arguments)
            AddEntry(out, {argument.shown(), argument.description});
        out += QLatin1Char('\n');
    }
    QList<CommandOption> options = command.options();
    options += AnswerOptions(command);
    for (const ProgramOption &option : ProgramOptions())
        if (option.group == HelpGroup::Book && command.usesBook())
            options.append(option.option);
    if (!options.isEmpty()) {
        out += QStringLiteral("Options:\n");
        for (const CommandOption &option : options)
            AddEntry(out, {option.synopsis(), option.description});
        out += QLatin1Char('\n');
    }
    if (command.usesBook())
        AddParagraphs(out, QStringLiteral("The site book is the one --book URL or PORV_BOOK names, else the SQLite "
                                          "file $XDG_DATA_HOME/porv-pro/sitebook.sqlite (made on first use). A book "
                                          "that cannot be used ends the command with status 5, naming it."));
    if (command.needs() == Needs::Unit) {
        QStringList connection, pin = {QStringLiteral("PORV_PIN")};
        for (const HelpEntry &entry : GroupEntries(HelpGroup::Connection, &command))
            connection.append(entry.synopsis);
        for (const HelpEntry &entry : GroupEntries(HelpGroup::Pin, &command))
            pin.append(entry.synopsis);
        const auto either = [](QStringList items) {
            const QString last = items.takeLast();
            return items.isEmpty() ? last : items.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
        };
        AddParagraphs(out, QStringLiteral("CONNECTION is %1; the PIN comes from %2 (with --unit, then from the "
                                          "pins file or the keyring), or is asked for on the terminal (see \"%3 "
                                          "--help\").")
                               .arg(either(connection), either(pin), kProgram));
    }
    out.chop(1); // one blank line between paragraphs, none at the end
    return out.toLocal8Bit();
}

QByteArray GroupHelpText(const CommandRegistry &commands, const QString &first)
{
    QString out = QStringLiteral("Commands:\n");
    for (const CliCommand *command : commands.group(first))
        AddEntry(out, {CommandSynopsis(*command), command->summary()});
    out += QLatin1Char('\n');
    AddParagraphs(out, QStringLiteral("\"%1 help %2 COMMAND\" shows what one of them does, with its arguments and "
                                      "options.")
                           .arg(kProgram, first));
    out.chop(1);
    return out.toLocal8Bit();
}

} // namespace porv::cli
