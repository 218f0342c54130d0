#pragma once
// Every message box, question, file dialog and modal dialog of the program
// goes through one DialogSeam. In normal runs it shows the real boxes. In
// scripted mode (tests) nothing modal waits for a person: answers and file
// names come from queues filled in advance, modal dialogs run a queued script,
// and every text shown is recorded to be read back.
#include <QDialog>
#include <QList>
#include <QObject>
#include <QQueue>
#include <QStringList>
#include <functional>

#include "shellservices.h"

namespace porv {

class DialogSeam : public QObject {
    Q_OBJECT
public:
    using DialogScript = std::function<void(QDialog &)>;

    explicit DialogSeam(QObject *parent = nullptr);

    // --- for tests -----------------------------------------------------------
    void setScripted(bool scripted) { m_scripted = scripted; }
    // Seams created from now on start scripted (tests set it before the
    // window exists: its start-up may already show a message).
    static void SetScriptedByDefault(bool scripted);
    bool scripted() const { return m_scripted; }
    // The next question's answer (true for Yes). Unanswered questions get No.
    void queueAnswer(bool yes) { m_answers.enqueue(yes); }
    // The next file dialog's choice; an empty name cancels. Unanswered file
    // dialogs are cancelled.
    void queueFileName(const QString &name) { m_fileNames.enqueue(name); }
    // Runs with the next modal dialog while it is shown, from its own event
    // loop: it fills fields and clicks a button. A dialog still open after the
    // script is cancelled, as is one shown with no script queued.
    void queueDialog(DialogScript script) { m_dialogs.enqueue(std::move(script)); }
    QString lastText() const { return m_texts.isEmpty() ? QString() : m_texts.last(); }
    const QStringList &texts() const { return m_texts; }
    void clearTexts() { m_texts.clear(); }
    const QList<FileDialogRequest> &fileRequests() const { return m_fileRequests; }
    // The folder each file dialog opened in, in the order of fileRequests.
    const QStringList &startFolders() const { return m_startFolders; }
    int pendingAnswers() const { return int(m_answers.size()); }
    int pendingDialogs() const { return int(m_dialogs.size()); }

    // --- the seam --------------------------------------------------------------
    void showMessage(QWidget *parent, const QString &text);
    bool askQuestion(QWidget *parent, const QString &text);
    QString askOpenFileName(QWidget *parent, const FileDialogRequest &request);
    QString askSaveFileName(QWidget *parent, const FileDialogRequest &request);
    // Shows a dialog modally; returns QDialog::Accepted or Rejected.
    int execDialog(QDialog &dialog);

    // The folder a file dialog opens in: the folder of the file last chosen
    // in a file dialog of this run, else as the request says (see
    // FileDialogRequest::Start).
    QString startFolder(const FileDialogRequest &request) const;
    // The program's own data folder (where a start from the desktop menu
    // works), and whether a folder is it or lies within it.
    static QString DataFolder();
    static bool InDataFolder(const QString &folder);

    // "Portavel (*.csv)|*.csv|All Files (*.*)|*.*" in Qt's form:
    // "Portavel (*.csv);;All Files (*)".
    static QString QtFilter(const QString &filter);

signals:
    // A text was shown (message or question).
    void textShown(const QString &text);

private:
    QString askFileName(QWidget *parent, const FileDialogRequest &request, bool save);

    bool m_scripted = false;
    QQueue<bool> m_answers;
    QQueue<QString> m_fileNames;
    QQueue<DialogScript> m_dialogs;
    QStringList m_texts;
    QList<FileDialogRequest> m_fileRequests;
    QStringList m_startFolders;
    QString m_lastFolder;
};

} // namespace porv
