#pragma once
// The help of porv-cli, written from the declarations of its options and of
// the registered commands: the program's (`--help`: every command with its
// summary, the program's options, the exit statuses, the environment and an
// example), one command's (`help COMMAND`, `COMMAND --help`: its usage,
// summary, description, arguments and options), and the usage line that
// follows a usage error. The manual page and the bash completion read the
// program's help (packaging/), so its layout is theirs too: a heading ends
// with ":" at the start of a line, an entry is "  SYNOPSIS" then two blanks
// or more and its description, a longer description goes on in lines of its
// own, indented.
#include <QByteArray>
#include <QString>

namespace porv::cli {

class CliCommand;
class CommandRegistry;

QByteArray HelpText(const CommandRegistry &commands);
QByteArray CommandHelpText(const CliCommand &command);
// The commands whose first word is `first` ("directory").
QByteArray GroupHelpText(const CommandRegistry &commands, const QString &first);
// The usage of the command (nothing: of the program), and where its help is.
QByteArray UsageText(const CliCommand *command);

// The command's words, options and arguments as its usage writes them:
// "directory get -o FILE.csv [--yes]".
QString CommandSynopsis(const CliCommand &command);

} // namespace porv::cli
