#pragma once
// The site book window (File -> "Site book…"): every site and its units in a
// tree, with add, edit and remove; the history of the unit chosen; find
// across the book; and which book is open (the setting of its location). It
// does not block the main window: a non-modal dialog that reads and writes
// the book one call per user action.
//
// What needs the unit is the program's: a double-click on a unit (or Log on)
// emits logOnRequested, "Restore this snapshot…" emits restoreRequested.
#include <QDialog>
#include <QList>

#include <memory>
#include <optional>

#include "bookerror.h"
#include "bookrecords.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace porv {

class BookHistoryView;
class SiteBook;
class SiteBookHost;

class SiteBookWindow : public QDialog {
    Q_OBJECT
public:
    explicit SiteBookWindow(SiteBookHost &host, QWidget *parent = nullptr);
    ~SiteBookWindow() override;

    // Opens the book the setting names (closing the one open); when it cannot
    // be opened its message is shown and the window stays without a book.
    bool OpenBook();
    SiteBook *Book() const { return m_book.get(); }

    // A unit as the tree holds it.
    std::optional<BookUnit> UnitOf(qint64 unitId) const;
    std::optional<BookUnit> CurrentUnit() const;
    void SelectUnit(qint64 unitId);
    // Saves a snapshot as a .qx4b file (owner-only).
    BookError ExportSnapshotTo(qint64 snapshotId, const QString &path);
    // What a log-on to the unit found: its model line and MemoryLimit, now.
    void MarkReached(qint64 unitId, const QByteArray &modelLine, int memoryLimit);

signals:
    void logOnRequested(const porv::BookUnit &unit);
    void restoreRequested(const porv::SnapshotInfo &snapshot);

private:
    enum class Kind { Site = 1, Unit = 2 };

    void closeBook(const QString &why);
    void reloadTree(Kind kind = Kind::Site, qint64 id = 0);
    void currentChanged();
    void enableControls();
    std::optional<BookSite> currentSite() const;
    const BookSite *siteOf(qint64 id) const;
    QTreeWidgetItem *itemOf(Kind kind, qint64 id) const;
    void addSiteClicked();
    void addUnitClicked();
    void editClicked();
    void removeClicked();
    void logOnClicked();
    void locationClicked();
    void findNow();
    void findChosen();
    void setStatus(const QString &text);

    SiteBookHost &m_host;
    std::unique_ptr<SiteBook> m_book;
    QList<BookSite> m_sites;
    QList<BookUnit> m_units;
    bool m_filling = false;

    QLabel *m_bookName;
    QPushButton *m_location;
    QLineEdit *m_find;
    QTimer *m_findTimer;
    QTreeWidget *m_tree;
    QPushButton *m_addSite, *m_addUnit, *m_edit, *m_remove, *m_logOn;
    QLabel *m_unitDetails;
    QTabWidget *m_views;
    BookHistoryView *m_history;
    QLabel *m_findCount;
    QTreeWidget *m_results;
    QLabel *m_status;
};

} // namespace porv
