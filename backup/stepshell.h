#pragma once
// The caller's ShellServices as the subsystem cores see them inside a
// whole-unit operation: status texts and File command holds go through (the
// transfers' progress is the unit connection's), and messages are kept for the operation's result
// instead of each showing a box. Nothing is asked: a question is answered No.
// The page-side effects of a core (a table offered for Save, events loaded)
// do not reach the window: the tables behind the operation are its own.
#include <QStringList>

#include <utility>

#include "backupprogress.h"
#include "shellservices.h"

namespace porv {

class StepShell : public ShellServices {
public:
    StepShell(ShellServices &outer, ProgressCallback progress) : m_outer(outer), m_progress(std::move(progress)) {}

    // A new step: reported at once, with its count unknown.
    void BeginStep(const QString &step)
    {
        m_step = step;
        report(0, 0);
    }
    const QString &Step() const { return m_step; }
    void report(int done, int total)
    {
        if (m_progress)
            m_progress({m_step, done, total});
    }
    // The messages the cores showed since the last call.
    QStringList TakeMessages() { return std::exchange(m_messages, {}); }

    void ShowStatus(int panel, const QString &text) override { m_outer.ShowStatus(panel, text); }
    void ShowMessage(const QString &text) override { m_messages.append(text); }
    bool AskQuestion(const QString &text) override
    {
        m_messages.append(text);
        return false;
    }
    QString AskOpenFileName(const FileDialogRequest &) override { return QString(); }
    QString AskSaveFileName(const FileDialogRequest &) override { return QString(); }
    void AllowDirectorySave() override {}
    void SetSaveAsEnabled(bool) override {}
    void Beep() override { m_outer.Beep(); }
    void HoldFileCommands(bool hold) override { m_outer.HoldFileCommands(hold); }
    // The operation takes its own backup where it needs one.
    bool BeforeOverwrite(const QString &) override { return true; }

private:
    ShellServices &m_outer;
    ProgressCallback m_progress;
    QString m_step;
    QStringList m_messages;
};

} // namespace porv
