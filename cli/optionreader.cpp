#include "optionreader.h"

namespace porv::cli {

namespace {

int FindEntry(const QList<OptionEntry> &table, const QByteArray &name)
{
    for (int i = 0; i < table.size(); ++i)
        if (table[i].names.contains(name))
            return i;
    return -1;
}

// An argument that is an option of its own, not a value: "-x", "--name".
bool LooksLikeOption(const QByteArray &arg) { return arg.size() > 1 && arg.startsWith('-'); }

// The name an unknown option is called by. One that begins with a secret
// option's name ("--pin4711") may hold the secret run together with it.
QString UnknownName(const QList<OptionEntry> &table, const QByteArray &name)
{
    for (const OptionEntry &entry : table) {
        if (!entry.secret)
            continue;
        for (const QByteArray &secretName : entry.names)
            if (name.startsWith(secretName))
                return QStringLiteral("beginning with %1").arg(QString::fromLatin1(secretName));
    }
    return ShownArgument(name);
}

} // namespace

QString EscapedArgument(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\r': out += QStringLiteral("\\r"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        default:
            if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString ShownArgument(const QByteArray &word)
{
    return QLatin1Char('\'') + EscapedArgument(QString::fromLocal8Bit(word)) + QLatin1Char('\'');
}

ReadArguments ReadOptions(const QList<QByteArray> &arguments, const QList<OptionEntry> &table)
{
    ReadArguments read;
    bool optionsEnd = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QByteArray &arg = arguments[i];
        if (optionsEnd || !LooksLikeOption(arg)) {
            read.words.append(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        // The name, and a value joined with "=" (only a long option has one).
        const int eq = arg.startsWith("--") ? int(arg.indexOf('=')) : -1;
        const QByteArray name = eq >= 0 ? arg.left(eq) : arg;
        const int entry = FindEntry(table, name);
        if (entry < 0) {
            read.error = QStringLiteral("unknown option %1").arg(UnknownName(table, name));
            return read;
        }
        const QString shownName = QString::fromLatin1(name);
        GivenOption given{entry, name, {}, i, 0};
        if (!table[entry].takesValue) {
            if (eq >= 0) {
                read.error = QStringLiteral("%1 takes no value").arg(shownName);
                return read;
            }
        } else if (eq >= 0) {
            given.value = arg.mid(eq + 1);
            given.valueOffset = eq + 1;
        } else if (i + 1 < arguments.size() && !LooksLikeOption(arguments[i + 1])) {
            given.value = arguments[++i];
            given.argument = i;
        } else {
            read.error = QStringLiteral("%1 needs a value").arg(shownName);
            return read;
        }
        if (table[entry].takesValue && given.value.isEmpty()) {
            read.error = QStringLiteral("%1 needs a value").arg(shownName);
            return read;
        }
        read.options.append(given);
    }
    return read;
}

} // namespace porv::cli
