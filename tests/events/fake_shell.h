#pragma once
// The window's services as a record of what a page asked for.
#include <QStringList>

#include "null_shell.h"

namespace eventstest {

class FakeShell : public porv::test::NullShell {
public:
    void ShowStatus(int panel, const QString &text) override { status[panel & 1] = text; }
    void ShowMessage(const QString &text) override { messages.append(text); }
    bool AskQuestion(const QString &text) override
    {
        messages.append(text);
        return false;
    }
    QString AskSaveFileName(const porv::FileDialogRequest &request) override
    {
        saveRequests.append(request);
        return saveName;
    }
    void ShowTransfer() override { ++transferShown; transferVisible = true; }
    void HideTransfer() override { transferVisible = false; }
    void StartLampBlink() override { blinking = true; }
    void StopLampBlink() override { blinking = false; }
    void SetLedImage(int image) override { led = image; }
    void SetSaveAsEnabled(bool enabled) override { saveAs = enabled; }
    void SetEventsLoaded(bool loaded) override { eventsLoaded = loaded; }

    QString status[2];
    QStringList messages;
    QList<porv::FileDialogRequest> saveRequests;
    QString saveName;
    int transferShown = 0;
    bool transferVisible = false;
    bool blinking = false;
    int led = 22;
    bool saveAs = false;
    bool eventsLoaded = false;
};

} // namespace eventstest
