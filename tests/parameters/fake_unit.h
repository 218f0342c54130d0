#pragma once
// A unit's parameter memory behind a ScriptedTransport: "r" and "d" answer
// from the memory in the forms the tool reads (five characters, then the
// block's data; a dump starts with a line that is no block), "p" stores and
// acknowledges. It can be silent, or acknowledge and store the wrong data.
// Also a recording ShellServices, beside which a ConnectionRecorder records
// the transfer and the busy state in the same events, and the page's words
// for what a core reports.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include "scripted_transport.h"
#include "null_shell.h"
#include "parametersmessages.h"
#include "procedures.h"

namespace porv::test {

class FakeParameterUnit {
public:
    enum class Mode { Normal, Silent, StoresWrongly };

    FakeParameterUnit();

    // Installs the unit's answers on the transport.
    void attach(ScriptedTransport &transport);

    Mode mode = Mode::Normal;
    // Block number ("0000".."0015") to its memory: 64 characters for nibble
    // blocks, 32 for message blocks.
    QHash<QByteArray, QByteArray> blocks;

    QList<QByteArray> answer(const QByteArray &written);
};

class RecordingShell : public NullShell {
public:
    void ShowStatus(int panel, const QString &text) override { status << QStringLiteral("%1:%2").arg(panel).arg(text); }
    void ShowMessage(const QString &text) override { messages << text; }
    bool AskQuestion(const QString &text) override
    {
        questions << text;
        return answerYes;
    }
    QString AskOpenFileName(const FileDialogRequest &r) override
    {
        lastRequest = r;
        return openName;
    }
    QString AskSaveFileName(const FileDialogRequest &r) override
    {
        lastRequest = r;
        return saveName;
    }
    void SetSaveAsEnabled(bool enabled) override { events << (enabled ? QStringLiteral("SaveAsOn") : QStringLiteral("SaveAsOff")); }

    QStringList status, messages, questions, events;
    bool answerYes = true;
    QString openName, saveName;
    FileDialogRequest lastRequest;
};

// The boxes the page shows of what the core reported since the last look.
inline QStringList ShownBy(ParametersCore &core) { return WordParametersOutcome(core.TakeOutcome()).messages; }

} // namespace porv::test
