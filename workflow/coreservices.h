#pragma once
// The services the subsystem cores see while a whole-unit workflow runs
// them: their status texts, messages and page-side effects go nowhere (the
// workflow's report says what happened, and the front end shows one display
// for the whole operation; the cores' transfers and their counts are
// operations of the unit connection inside the workflow's), and a question
// is answered No.
#include "backupprogress.h"
#include "shellservices.h"

namespace porv {

class UnitInteraction;

class CoreServices : public ShellServices {
public:
    explicit CoreServices(UnitInteraction &interaction);

    // The hooks the backup library reports through: its steps reach the
    // interaction, and its cancel requests come from it.
    OperationHooks Hooks();

    void ShowStatus(int, const QString &) override {}
    void ShowMessage(const QString &) override {}
    bool AskQuestion(const QString &) override { return false; }
    QString AskOpenFileName(const FileDialogRequest &) override { return QString(); }
    QString AskSaveFileName(const FileDialogRequest &) override { return QString(); }
    void AllowDirectorySave() override {}
    void SetSaveAsEnabled(bool) override {}
    void Beep() override {}
    // The workflow takes its own automatic backup where it needs one.
    bool BeforeOverwrite(const QString &) override { return true; }

private:
    UnitInteraction &m_interaction;
};

} // namespace porv
