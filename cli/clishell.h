#pragma once
// What the core operations ask of the program, when the program is porv-cli:
// messages on standard error, questions on the terminal (or Yes by --yes, or
// refused without a terminal), the status texts and the transfer's count as
// progress lines when standard error is a terminal. The transfer window, the
// lamp and the cursor have nothing to show.
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
    void ShowTransfer() override {}
    void HideTransfer() override { endCountLine(); }
    void SetBusyCursor(bool) override {}
    void StartLampBlink() override {}
    void StopLampBlink() override {}
    void SetLedImage(int) override {}
    void StartKeepAlive() override;
    void StopKeepAlive() override;
    void AllowDirectorySave() override {}
    void SetSaveAsEnabled(bool) override {}
    void Beep() override {}
    int MemoryLimit() const override;
    void ShowTransferProgress(int done, int total) override;
    bool BeforeOverwrite(const QString &what) override { return !beforeOverwrite || beforeOverwrite(what); }

    // Where the connection plugs in: the memory limit of the unit logged on
    // to, and the keep-alive it runs.
    std::function<int()> memoryLimit;
    std::function<void(bool run)> keepAlive;
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
