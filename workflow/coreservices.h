#pragma once
// The services the subsystem cores see while a whole-unit workflow runs
// them: their transfer counts become the workflow's progress (with the step
// it began last), their status texts, messages, looks and page-side effects
// go nowhere (the workflow's report says what happened, and the front end
// shows one display for the whole operation), a question is answered No,
// and MemoryLimit is the connected unit's.
#include "backupprogress.h"
#include "shellservices.h"

namespace porv {

class UnitInteraction;

class CoreServices : public ShellServices {
public:
    CoreServices(UnitInteraction &interaction, int memoryLimit);

    // The hooks the backup library reports through: its steps reach the
    // interaction, and its cancel requests come from it.
    OperationHooks Hooks();

    void ShowStatus(int, const QString &) override {}
    void ShowMessage(const QString &) override {}
    bool AskQuestion(const QString &) override { return false; }
    QString AskOpenFileName(const FileDialogRequest &) override { return QString(); }
    QString AskSaveFileName(const FileDialogRequest &) override { return QString(); }
    void ShowTransfer() override {}
    void HideTransfer() override {}
    void SetBusyCursor(bool) override {}
    void StartLampBlink() override {}
    void StopLampBlink() override {}
    void SetLedImage(int) override {}
    void StartKeepAlive() override {}
    void StopKeepAlive() override {}
    void AllowDirectorySave() override {}
    void SetSaveAsEnabled(bool) override {}
    void Beep() override {}
    int MemoryLimit() const override { return m_memoryLimit; }
    void ShowTransferProgress(int done, int total) override;
    // The workflow takes its own automatic backup where it needs one.
    bool BeforeOverwrite(const QString &) override { return true; }

private:
    UnitInteraction &m_interaction;
    int m_memoryLimit;
    QString m_step;
};

} // namespace porv
