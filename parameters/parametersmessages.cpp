#include "parametersmessages.h"

namespace porv {

namespace {

const QString CRLF = QStringLiteral("\r\n");

// What a block's write is named by when the unit did not confirm it.
QString blockWrite(const QByteArray &block)
{
    static const struct {
        const char *block;
        const char *what;
    } kWrites[] = {
        {"0000", "in writing the System Parameters"}, {"0001", "in writing the Codes"},
        {"0012", "in writing fixed message 1 & 2"},   {"0013", "in writing Scroll message 1"},
        {"0014", "in writing Scroll message 2"},      {"0015", "in writing message 1 & 2"},
        {"0008", "in writing speed Dial 1 & 2"},      {"0009", "in writing speed Dial 3 & 4"},
        {"0005", "in writing the new numbers"},       {"0002", "in writing the new Times"},
    };
    for (const auto &w : kWrites)
        if (block == w.block)
            return QLatin1String(w.what);
    return QStringLiteral("in writing block %1").arg(QString::fromLatin1(block));
}

QString thereWasAnError(const QString &what) { return QStringLiteral("There was an error") + CRLF + what; }

} // namespace

ParametersWords WordParametersOutcome(const ParametersOutcome &outcome)
{
    ParametersWords words;
    if (!outcome.unanswered.isEmpty()) {
        words.status = QStringLiteral("No answer reading ") + outcome.unanswered;
        words.messages.append(QStringLiteral("No answer from the unit."));
    }
    for (const QByteArray &block : outcome.unconfirmed)
        words.messages.append(thereWasAnError(blockWrite(block)));
    if (outcome.pins == ParametersOutcome::Pins::Programmed)
        words.messages.append(QStringLiteral("NEW CODES Programmed"));
    else if (outcome.pins == ParametersOutcome::Pins::Failed)
        words.messages.append(thereWasAnError(QStringLiteral("in writing the CODES")));
    if (!outcome.unloadedFile.isEmpty())
        words.messages.append(QStringLiteral("Could not Load from file") + CRLF + outcome.unloadedFile);
    return words;
}

} // namespace porv
