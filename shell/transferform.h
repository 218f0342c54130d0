#pragma once
// TTransferF: the small frameless window shown on top during every long
// exchange with the unit. Three stacked pictures show digits travelling
// between the unit and the PC; its Timer1 (300 ms, running from creation)
// cycles them. Showing it writes "DownLoading." to status panel 0, hiding it
// "Done".
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace porv {

class TransferForm : public QWidget {
    Q_OBJECT
public:
    explicit TransferForm(std::function<void(const QString &)> status, QWidget *parent = nullptr);

    int tickCount() const { return m_count; }
    // Which picture shows: 1, 2 or 3 (0 when none).
    int visibleImage() const;

public slots:
    void Timer1Timer();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    std::function<void(const QString &)> m_status;
    QLabel *m_images[3];
    QTimer *m_timer;
    int m_count = 0;
};

} // namespace porv
