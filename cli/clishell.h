#pragma once
// What the core operations ask of the person, when the program is porv-cli:
// messages on standard error, questions on the terminal (or Yes by --yes, or
// refused without a terminal), the status texts as progress lines when
// standard error is a terminal. What it shows of the connection (a
// transfer's count) follows the connection's signals (clilogon.h).
#include <QString>

#include <functional>

#include "shellservices.h"

namespace porv::cli {

class Interruption;

class CliShell : public ShellServices {
public:
    // assumeYes: --yes. interruption: ends a question that waits for its answer.
    CliShell(bool assumeYes, Interruption *interruption = nullptr);

    // Progress on standard error (status texts, the transfer's count): only
    // when it is a terminal.
    bool ShowsProgress() const { return m_progress; }
    void Progress(const QString &text);

    // --- ShellServices ---
    void ShowStatus(int panel, const QString &text) override;
    void ShowMessage(const QString &text) override;
    bool AskQuestion(const QString &text) override;
    QString AskOpenFileName(const FileDialogRequest &) override { return QString(); }
    QString AskSaveFileName(const FileDialogRequest &) override { return QString(); }
    void AllowDirectorySave() override {}
    void SetSaveAsEnabled(bool) override {}
    void Beep() override {}
    bool BeforeOverwrite(const QString &what) override { return !beforeOverwrite || beforeOverwrite(what); }

    // A transfer's count, "n of N" on one line (a terminal only), until
    // endCountLine.
    void ShowTransferProgress(int done, int total);

    // What runs before a write replaces what the unit holds (the automatic
    // backup); false ends the write as a No would.
    std::function<bool(const QString &what)> beforeOverwrite;

    // A question came without a terminal to answer it and without --yes.
    bool QuestionRefused() const { return m_refused; }

    // Ends the transfer's count line on the terminal, before other output.
    void endCountLine();

private:

    bool m_yes;
    Interruption *m_interruption;
    bool m_progress;
    bool m_countShown = false;
    bool m_refused = false;
};

// A text of the unit tool (lines joined by CR LF) as lines for the terminal,
// every other control character written as \\xNN.
QString TerminalLines(const QString &text);

} // namespace porv::cli
