#pragma once
// Reads a command line's options by a table of what each option is: its
// names, whether it takes a value and whether that value is a secret. The
// rest of the arguments are the command's words. A value is never taken from
// an argument that is itself an option, so that `--udp --pin 1234` is "--udp
// needs a value" and not a host called "--pin" followed by a stray word; and no
// message repeats a value, only option names and (escaped) words.
#include <QByteArray>
#include <QList>
#include <QString>

namespace porv::cli {

struct OptionEntry {
    QList<QByteArray> names; // "--output" and "-o": every name it answers to
    bool takesValue = false;
    bool secret = false;     // its value never shows (the PIN): main blanks it
};

// One option as it stood on the line.
struct GivenOption {
    int entry = -1;          // index into the table
    QByteArray name;         // the name as written ("-o")
    QByteArray value;        // empty for a flag
    int argument = -1;       // the argument that holds the value (or the flag)
    int valueOffset = 0;     // where in that argument the value starts ("--pin=" is 6)
};

struct ReadArguments {
    QList<GivenOption> options; // in the order given
    QList<QByteArray> words;    // every argument that is no option, in order
    QString error;              // empty when every option was read
};

// "--" ends the options; "-" alone is a word (standard input or output). A
// long option's value may be joined with "=". An option that takes a value
// and is last, or followed by another option, is an error naming the option.
ReadArguments ReadOptions(const QList<QByteArray> &arguments, const QList<OptionEntry> &table);

// A word of the command line as a message shows it: in quotes, with control
// characters written as \r, \n, \t or \xNN, so that nothing it holds can move
// the terminal's cursor or hide the rest of the message.
QString ShownArgument(const QByteArray &word);
// The same without the quotes (a host name or a path inside a sentence).
QString EscapedArgument(const QString &text);

} // namespace porv::cli
