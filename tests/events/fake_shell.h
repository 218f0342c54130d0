#pragma once
// The person's services as a record of what a page asked for.
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
    void SetSaveAsEnabled(bool enabled) override { saveAs = enabled; }
    void SetEventsLoaded(bool loaded) override { eventsLoaded = loaded; }

    QString status[2];
    QStringList messages;
    QList<porv::FileDialogRequest> saveRequests;
    QString saveName;
    bool saveAs = false;
    bool eventsLoaded = false;
};

} // namespace eventstest
