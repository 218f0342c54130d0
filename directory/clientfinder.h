#pragma once
// The find row above a grid of DirectoryTable (DBGrid1, DBGrid3): a box that
// filters the grid as the user types (ClientFilterModel between the grid and
// its model), the count of records shown while it filters, and History, which
// asks for the current record's events.
//
// Only the grid is filtered: the table, its order, its count and everything
// that reads or writes it see every record. But the record the page's boxes
// and commands act on is always one the grid shows: while the find row is on
// the page shown, a filter that hides the current record makes the first
// record shown current (a delete or a commit that hides it, the next record
// shown), and with nothing shown the page shows no record (NothingShown).
// Escape in the box clears it; Enter or Down takes the user into the grid.
#include <QByteArray>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace porv {

class ClientFilterModel;
class MemTable;
class TableGridView;

class ClientFinder : public QWidget {
    Q_OBJECT
public:
    // Whose events History asks for: the current record's room, or the events
    // its room's tags set (RF-ID). The tags' finder searches what its grid
    // shows (name, room, tag), not the telephone numbers.
    enum class History { Room, Tag };

    // Puts the filter between the grid and the model it shows now. Names its
    // controls after `name` (for example "FindClient": the box, "FindClientCount",
    // "FindClientHistory").
    ClientFinder(MemTable &table, TableGridView *grid, History history, const QString &name,
                 QWidget *parent = nullptr);

    ClientFilterModel *Filter() const { return m_filter; }
    QLineEdit *FindBox() const { return m_box; }
    QPushButton *HistoryButton() const { return m_history; }

    // The find text leaves no record shown: the page's boxes show none and
    // its commands on the current record are disabled.
    bool NothingShown() const { return m_nothingShown; }
    // Moves among the records the grid shows; false while it shows them all
    // (the table's own moves serve then).
    enum class Step { First, Prior, Next, Last };
    bool Move(Step step);

signals:
    // NothingShown changed.
    void nothingShownChanged(bool nothingShown);
    // History for a room: its events (tagEvents false) or those set by its
    // tags (tagEvents true).
    void historyRequested(const QByteArray &room, bool tagEvents);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Which shown record becomes current when the current one is hidden.
    enum class Instead { FirstShown, NextShown };
    void keepCurrentShown(Instead instead);
    void moveToGridRow(int gridRow);
    // keepCurrentShown once the filter has settled (after a removal or a
    // posted record), from the event queue.
    void queueCurrentCheck();
    void updateNothingShown();
    void findTextChanged(const QString &text);
    void markCurrentRecord();
    void showCount();
    void enterGrid();
    void followCurrentRecord();

    MemTable &m_table;
    TableGridView *m_grid;
    History m_kind;
    ClientFilterModel *m_filter = nullptr;
    QLineEdit *m_box = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_history = nullptr;
    bool m_nothingShown = false;
    bool m_refiltering = false;
    bool m_checkQueued = false;
};

} // namespace porv
