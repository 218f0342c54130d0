#pragma once
// What the site book window asks of the program that shows it: messages,
// questions, file dialogs and modal dialogs (through the program's dialog
// seam, so that tests answer them as they answer the main window's), and the
// list of what differs between two snapshots (the program's change list).
#include <QString>
#include <QStringList>

#include "shellservices.h"

class QDialog;

namespace porv {

class SiteBookHost {
public:
    virtual ~SiteBookHost() = default;
    virtual void ShowMessage(const QString &text) = 0;
    virtual bool AskQuestion(const QString &text) = 0; // true for Yes
    virtual QString AskOpenFileName(const FileDialogRequest &request) = 0;
    virtual QString AskSaveFileName(const FileDialogRequest &request) = 0;
    // Shows the dialog modally; QDialog::Accepted or Rejected.
    virtual int ExecDialog(QDialog &dialog) = 0;
    // `lines` as DiffLines gives them, beneath `intro`, with Close alone.
    virtual void ShowChanges(const QString &title, const QString &intro, const QStringList &lines) = 0;
};

} // namespace porv
