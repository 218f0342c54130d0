#pragma once
// A read-only grid over a table: it follows the table's current record, and
// only the user's own moves in it (mouse, keyboard) move the table's current
// record, through userMovedTo. Used by DBGrid1 and DBGrid3.
#include <QTableView>
#include <functional>

namespace porv {

class TableGridView : public QTableView {
public:
    explicit TableGridView(QWidget *parent = nullptr) : QTableView(parent) {}
    std::function<void(int row)> userMovedTo;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        const int before = currentIndex().row();
        QTableView::mousePressEvent(event);
        report(before);
    }
    void keyPressEvent(QKeyEvent *event) override
    {
        const int before = currentIndex().row();
        QTableView::keyPressEvent(event);
        report(before);
    }

private:
    void report(int before)
    {
        const int now = currentIndex().row();
        if (now >= 0 && now != before && userMovedTo)
            userMovedTo(now);
    }
};

} // namespace porv
