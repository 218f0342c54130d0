#pragma once
// The person's side of the services with nobody behind it: every status text
// and message goes nowhere, questions are answered No and file dialogs
// cancelled. Test doubles derive from it and record only what they check.
#include "shellservices.h"

namespace porv::test {

class NullShell : public ShellServices {
public:
    void ShowStatus(int, const QString &) override {}
    void ShowMessage(const QString &) override {}
    bool AskQuestion(const QString &) override { return false; }
    QString AskOpenFileName(const FileDialogRequest &) override { return QString(); }
    QString AskSaveFileName(const FileDialogRequest &) override { return QString(); }
    void AllowDirectorySave() override {}
    void SetSaveAsEnabled(bool) override {}
    void Beep() override {}
};

} // namespace porv::test
