#include "transferform.h"

#include <QGuiApplication>
#include <QScreen>

#include "images.h"

namespace porv {

TransferForm::TransferForm(std::function<void(const QString &)> status, QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_status(std::move(status))
{
    setObjectName(QStringLiteral("TransferF"));
    setFixedSize(271, 79);
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
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(300);
    connect(m_timer, &QTimer::timeout, this, &TransferForm::Timer1Timer);
    m_timer->start();
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
    if (m_status)
        m_status(QStringLiteral("DownLoading."));
}

void TransferForm::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_status)
        m_status(QStringLiteral("Done"));
}

} // namespace porv
