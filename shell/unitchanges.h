#pragma once
// The dialogs of the whole-unit commands: the list of what differs between
// the unit and the PC ("UnitChanges"), which asks before a restore or offers
// to write the phone list's changes, and the choice of what to compare the
// unit with ("CompareWith").
#include <QDialog>
#include <QStringList>

class QLabel;
class QListWidget;

namespace porv {

class UnitChangesDialog : public QDialog {
    Q_OBJECT
public:
    enum class Offer {
        Restore,      // Yes (`RestoreYes`) and No (`RestoreNo`): Accepted on Yes
        WriteChanges, // Write changes (`WriteChanges`, Accepted) and Close (`CloseChanges`)
        Close,        // Close alone
    };
    // `lines` as DiffLines gives them, shown in `ChangesList` beneath the
    // text `intro` (`ChangesIntro`).
    UnitChangesDialog(const QString &title, const QString &intro, const QStringList &lines, Offer offer,
                      QWidget *parent = nullptr);

    QStringList lines() const;

private:
    QListWidget *m_list;
};

class CompareWithDialog : public QDialog {
    Q_OBJECT
public:
    // What exec() returns for each button; Cancel (`CompareCancel`) rejects.
    enum Choice { PhoneList = 2, BackupFile = 3, Parameters = 4 };
    CompareWithDialog(bool phoneListThere, bool parametersThere, QWidget *parent = nullptr);
};

} // namespace porv
