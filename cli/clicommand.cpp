#include "clicommand.h"

#include <QtGlobal>

#include <algorithm>

#include "commandline.h"

namespace porv::cli {

QStringList CommandOption::dashedNames() const
{
    QStringList dashed;
    for (const QString &name : names)
        dashed.append((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name);
    return dashed;
}

QString CommandOption::synopsis() const
{
    const QString first = dashedNames().value(0);
    return takesValue() ? first + QLatin1Char(' ') + valueName : first;
}

namespace {

// Two declarations of one option must agree on everything the line is read by.
bool SameShape(const CommandOption &a, const CommandOption &b)
{
    return a.names == b.names && a.takesValue() == b.takesValue() && a.secret == b.secret;
}

bool SharesAName(const CommandOption &a, const CommandOption &b)
{
    for (const QString &name : a.names)
        if (b.names.contains(name))
            return true;
    return false;
}

[[noreturn]] void Refuse(const CliCommand &command, const QString &why)
{
    qFatal("porv-cli: the command %s %s", qPrintable(command.name()), qPrintable(why));
}

} // namespace

void CommandRegistry::add(std::unique_ptr<CliCommand> command)
{
    const QStringList words = command->words();
    if (words.isEmpty() || words.first() == QLatin1String("help"))
        Refuse(*command, QStringLiteral("has no words of its own"));
    for (const auto &other : m_commands) {
        const QStringList theirs = other->words();
        // Neither may begin the other: "directory" beside "directory get"
        // could not be told apart.
        const int common = int(std::min(words.size(), theirs.size()));
        if (words.mid(0, common) == theirs.mid(0, common))
            Refuse(*command, QStringLiteral("has the words of %1").arg(other->name()));
    }
    QList<CommandOption> known = {HelpOption(), VersionOption()};
    for (const ProgramOption &option : ProgramOptions())
        known.append(option.option);
    known += commandOptions();
    for (const CommandOption &option : command->options()) {
        if (option.names.isEmpty())
            Refuse(*command, QStringLiteral("declares an option without a name"));
        for (const CommandOption &other : known)
            if (SharesAName(option, other) && !SameShape(option, other))
                Refuse(*command, QStringLiteral("declares %1 otherwise than it is declared").arg(option.synopsis()));
    }
    m_commands.push_back(std::move(command));
}

const CliCommand *CommandRegistry::find(const QStringList &words, int *used) const
{
    for (const auto &command : m_commands) {
        const QStringList own = command->words();
        if (words.mid(0, own.size()) == own) {
            if (used)
                *used = int(own.size());
            return command.get();
        }
    }
    return nullptr;
}

QList<const CliCommand *> CommandRegistry::group(const QString &first) const
{
    QList<const CliCommand *> commands;
    for (const auto &command : m_commands) {
        const QStringList own = command->words();
        if (own.size() > 1 && own.first() == first)
            commands.append(command.get());
    }
    return commands;
}

QList<CommandOption> CommandRegistry::commandOptions() const
{
    QList<CommandOption> options;
    for (const auto &command : m_commands)
        for (const CommandOption &option : command->options()) {
            bool known = false;
            for (const CommandOption &other : options)
                known = known || other.names == option.names;
            if (!known)
                options.append(option);
        }
    return options;
}

} // namespace porv::cli
