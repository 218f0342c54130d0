#pragma once
// The find row above a grid of DirectoryTable (DBGrid1, DBGrid3): a box that
// filters the grid as the user types (ClientFilterModel between the grid and
// its model), the count of records shown while it filters, and History, which
// asks for the current record's events.
//
// Only the grid is filtered: the table, its current record, its count and
// everything that reads or writes it see every record. Escape in the box
// clears it; Enter or Down takes the user into the grid, on the first record
// shown when the current one is not.
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
    // its room's tags set (RF-ID).
    enum class History { Room, Tag };

    // Puts the filter between the grid and the model it shows now. Names its
    // controls after `name` (for example "FindClient": the box, "FindClientCount",
    // "FindClientHistory").
    ClientFinder(MemTable &table, TableGridView *grid, History history, const QString &name,
                 QWidget *parent = nullptr);

    ClientFilterModel *Filter() const { return m_filter; }
    QLineEdit *FindBox() const { return m_box; }
    QPushButton *HistoryButton() const { return m_history; }

signals:
    // History for a room: its events (tagEvents false) or those set by its
    // tags (tagEvents true).
    void historyRequested(const QByteArray &room, bool tagEvents);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
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
};

} // namespace porv
