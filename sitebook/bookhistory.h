#pragma once
// A unit's history in the site book window: its snapshots and journal
// entries, newest first, each with when, who, which PC and what, filtered by
// kind and by text; the field changes of the entry chosen; two snapshots
// compared with the unit compare; a snapshot exported as a .qx4b file, a
// .qx4b imported as a snapshot, and a snapshot handed on for a restore.
//
// Of a journal entry's changes, and in the comparison of two snapshots, the
// release codes (a record's Code 1 and Code 2, the gate codes) are shown
// masked; of the PINs and emergency codes the journal says only that they
// changed: the book keeps the release codes, the window does not show them
// in clear.
#include <QList>
#include <QWidget>

#include <optional>

#include "bookrecords.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace porv {

class SiteBook;
class SiteBookHost;

// Whether a journal entry's change is of a release code, shown masked.
bool IsReleaseCodeChange(const QString &item, const QString &field);
// How a change's value is shown: masked for a release code, "changed" for a
// PIN or emergency code (after; before is empty), otherwise the bytes.
QString ShownChangeValue(const RecordedChange &change, bool after);

class BookHistoryView : public QWidget {
    Q_OBJECT
public:
    explicit BookHistoryView(SiteBookHost &host, QWidget *parent = nullptr);

    // The book open now, or none.
    void SetBook(SiteBook *book);
    // The unit whose history is shown (one read of the book), or none.
    void ShowUnit(const std::optional<BookUnit> &unit);
    void Reload();

signals:
    void restoreRequested(const porv::SnapshotInfo &snapshot);
    void statusChanged(const QString &text);

private:
    void applyFilter();
    void selectionChanged();
    QList<const HistoryItem *> chosen() const;
    QList<SnapshotInfo> chosenSnapshots() const;
    void showChanges(const JournalRecord &entry);
    void compareClicked();
    void exportClicked();
    void importClicked();
    void restoreClicked();
    void enableButtons();

    SiteBookHost &m_host;
    SiteBook *m_book = nullptr;
    std::optional<BookUnit> m_unit;
    QList<HistoryItem> m_items;

    QLabel *m_title;
    QComboBox *m_kind;
    QLineEdit *m_text;
    QLabel *m_count;
    QTreeWidget *m_list;
    QLabel *m_details;
    QTreeWidget *m_changes;
    QPushButton *m_compare;
    QPushButton *m_restore;
    QPushButton *m_export;
    QPushButton *m_import;
};

} // namespace porv
