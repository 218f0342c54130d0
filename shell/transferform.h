#pragma once
// TTransferF: the small frameless window shown on top during every long
// exchange with the unit. Three stacked pictures show digits travelling
// between the unit and the PC; its Timer1 (300 ms) cycles them while the
// window shows. Showing it writes "DownLoading." to status panel 0, hiding it
// "Done". Where a transfer knows how much it has to move, a thin progress bar
// beneath the pictures and "n of N" between the unit and the PC say how far it
// has come. A whole-unit operation also names its step beneath them and
// offers Cancel (`CancelTransfer`), which stops it between two blocks.
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <functional>

class QProgressBar;
class QPushButton;

namespace porv {

class TransferForm : public QWidget {
    Q_OBJECT
public:
    explicit TransferForm(std::function<void(const QString &)> status, QWidget *parent = nullptr);

    int tickCount() const { return m_count; }
    // Which picture shows: 1, 2 or 3 (0 when none).
    int visibleImage() const;
    // done of total records or blocks; a total of 0 or less hides the count.
    // Hiding the window forgets it.
    void setProgress(int done, int total);
    // The count as shown ("12 of 250"), empty while none shows.
    QString progressText() const;
    // The step of a whole-unit operation ("Writing the phone list"), shown
    // in `StepText` beneath the pictures; empty hides it.
    void setStep(const QString &step);
    QString stepText() const;
    // Cancel offered (a whole-unit operation runs) or not; offering it again
    // forgets an earlier request.
    void offerCancel(bool offered);
    // Cancel was clicked since it was offered.
    bool cancelRequested() const { return m_cancelRequested; }

public slots:
    void Timer1Timer();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    std::function<void(const QString &)> m_status;
    QLabel *m_images[3];
    QTimer *m_timer;
    QProgressBar *m_bar;
    QLabel *m_countText;
    QLabel *m_stepText;
    QPushButton *m_cancel;
    bool m_cancelRequested = false;
    int m_count = 0;

    // The pictures alone, or with the step and Cancel beneath them.
    void fitSize();
};

} // namespace porv
