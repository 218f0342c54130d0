#include "clishell.h"

#include "terminal.h"

namespace porv::cli {

QString TerminalLines(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // Any other control character (an escape sequence in a name or a path)
    // is shown, not obeyed by the terminal.
    QString out;
    out.reserve(lines.size());
    for (const QChar c : lines) {
        if (c != QLatin1Char('\n') && (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format))
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

CliShell::CliShell(bool assumeYes, Interruption *interruption)
    : m_yes(assumeYes), m_interruption(interruption), m_progress(StandardErrorIsTerminal())
{
}

void CliShell::endCountLine()
{
    if (!m_countShown)
        return;
    m_countShown = false;
    WriteError(QStringLiteral("\n"));
}

void CliShell::Progress(const QString &text)
{
    if (!m_progress)
        return;
    endCountLine();
    WriteError(QStringLiteral("porv-cli: ") + TerminalLines(text) + QLatin1Char('\n'));
}

void CliShell::ShowStatus(int panel, const QString &text)
{
    // Panel 1 holds the last command sent: not progress.
    if (panel == 0 && !text.isEmpty())
        Progress(text);
}

void CliShell::ShowMessage(const QString &text)
{
    endCountLine();
    WriteError(QStringLiteral("porv-cli: ") + TerminalLines(text) + QLatin1Char('\n'));
}

bool CliShell::AskQuestion(const QString &text)
{
    endCountLine();
    const QString question = TerminalLines(text);
    if (m_yes) {
        if (m_progress)
            WriteError(QStringLiteral("porv-cli: %1 yes (--yes)\n").arg(question));
        return true;
    }
    if (!StandardInputIsTerminal()) {
        m_refused = true;
        WriteError(QStringLiteral("porv-cli: %1\nporv-cli: no terminal to answer on: not done (give --yes to go on)\n")
                       .arg(question));
        return false;
    }
    WriteError(QStringLiteral("porv-cli: %1 [y/N] ").arg(question));
    const std::optional<QByteArray> answer = ReadLineProcessingEvents(m_interruption);
    if (!answer) {
        WriteError(QStringLiteral("\n"));
        return false;
    }
    const QByteArray word = answer->trimmed().toLower();
    return word == "y" || word == "yes";
}

void CliShell::ShowTransferProgress(int done, int total)
{
    if (!m_progress || total <= 0)
        return;
    m_countShown = true;
    WriteError(QStringLiteral("\rporv-cli: %1 of %2").arg(done).arg(total));
}

} // namespace porv::cli
