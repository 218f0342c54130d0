#include "transferform.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "images.h"

#include <algorithm>

namespace porv {

TransferForm::TransferForm(std::function<void(const QString &)> status, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_status(std::move(status))
{
    setObjectName(QStringLiteral("TransferF"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(245, 246, 250));
    setPalette(pal);
    static const char *names[3] = {"Image1", "Image2", "Image3"};
    for (int i = 0; i < 3; ++i) {
        m_images[i] = new QLabel(this);
        m_images[i]->setObjectName(QLatin1String(names[i]));
        m_images[i]->setGeometry(8, 8, 265, 73);
        m_images[i]->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_images[i]->setPixmap(TransferPicture(i));
        m_images[i]->setVisible(i == 0);
    }
    // The count sits in the pictures' empty band between the unit and the PC,
    // the bar in the strip beneath them: the window keeps its size.
    m_countText = new QLabel(this);
    m_countText->setObjectName(QStringLiteral("ProgressText"));
    m_countText->setGeometry(64, 56, 143, 14);
    m_countText->setAlignment(Qt::AlignCenter);
    QFont small = m_countText->font();
    small.setPixelSize(11);
    m_countText->setFont(small);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setGeometry(8, 73, 255, 4);
    m_bar->setTextVisible(false);
    m_bar->setAccessibleName(QStringLiteral("Transfer progress"));
    // A whole-unit operation's step and Cancel, in a band beneath the bar.
    m_stepText = new QLabel(this);
    m_stepText->setObjectName(QStringLiteral("StepText"));
    m_stepText->setGeometry(8, 86, 176, 18);
    m_stepText->setFont(small);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("CancelTransfer"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel the operation"));
    m_cancel->setGeometry(190, 83, 73, 24);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelRequested = true;
        m_cancel->setEnabled(false);
        m_stepText->setText(QStringLiteral("Stopping after this block"));
    });
    m_stepText->hide();
    m_cancel->hide();
    fitSize();
    setProgress(0, 0);
    // The pictures move only while the window shows.
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(300);
    connect(m_timer, &QTimer::timeout, this, &TransferForm::Timer1Timer);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

int TransferForm::visibleImage() const
{
    for (int i = 0; i < 3; ++i)
        if (!m_images[i]->isHidden())
            return i + 1;
    return 0;
}

void TransferForm::setProgress(int done, int total)
{
    const bool known = total > 0;
    m_bar->setVisible(known);
    m_countText->setVisible(known || done > 0);
    if (!known) {
        // How many have come so far, while their number is not known (a dump).
        if (done > 0)
            m_countText->setText(QStringLiteral("%1 received").arg(done));
        else
            m_countText->clear();
        return;
    }
    done = std::clamp(done, 0, total);
    m_bar->setRange(0, total);
    m_bar->setValue(done);
    m_countText->setText(QStringLiteral("%1 of %2").arg(done).arg(total));
    m_bar->setAccessibleDescription(m_countText->text());
}

QString TransferForm::progressText() const { return m_countText->text(); }

void TransferForm::setStep(const QString &step)
{
    if (!m_cancelRequested)
        m_stepText->setText(m_stepText->fontMetrics().elidedText(step, Qt::ElideRight, m_stepText->width()));
    m_stepText->setToolTip(step);
    m_stepText->setAccessibleName(step);
    m_stepText->setVisible(!step.isEmpty());
    fitSize();
}

QString TransferForm::stepText() const { return m_stepText->toolTip(); }

void TransferForm::offerCancel(bool offered)
{
    if (offered) {
        m_cancelRequested = false;
        m_cancel->setEnabled(true);
    }
    m_cancel->setVisible(offered);
    if (!offered)
        setStep(QString());
    fitSize();
}

void TransferForm::fitSize()
{
    const bool band = !m_stepText->isHidden() || !m_cancel->isHidden();
    setFixedSize(271, band ? 112 : 79);
}

void TransferForm::Timer1Timer()
{
    ++m_count;
    for (QLabel *image : m_images)
        image->hide();
    switch (m_count) {
    case 1:
    case 3:
        m_images[1]->show();
        break;
    case 2:
        m_images[2]->show();
        break;
    default:
        m_images[0]->show();
        m_count = 0;
        break;
    }
}

void TransferForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_count = 0;
    m_timer->start();
    if (m_status)
        m_status(QStringLiteral("DownLoading."));
}

void TransferForm::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer->stop();
    setProgress(0, 0);
    if (m_status)
        m_status(QStringLiteral("Done"));
}

} // namespace porv
