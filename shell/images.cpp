#include "images.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace porv {

namespace {

QPixmap blank(int w, int h)
{
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

void page(QPainter &g, QRectF r, QColor fill = Qt::white)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - 3, r.top());
    path.lineTo(r.right(), r.top() + 3);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    g.setPen(QPen(QColor(70, 70, 80), 1));
    g.setBrush(fill);
    g.drawPath(path);
    g.drawLine(QPointF(r.right() - 3, r.top()), QPointF(r.right() - 3, r.top() + 3));
    g.drawLine(QPointF(r.right() - 3, r.top() + 3), QPointF(r.right(), r.top() + 3));
}

void textLines(QPainter &g, QRectF r, int n, QColor c = QColor(120, 120, 140))
{
    g.setPen(QPen(c, 1));
    for (int i = 0; i < n; ++i) {
        const qreal y = r.top() + 0.5 + i * 2;
        g.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
    }
}

void lamp(QPainter &g, QColor core, QColor rim, bool lit)
{
    const QRectF r(1.5, 1.5, 13, 13);
    QRadialGradient grad(QPointF(6, 5.5), 8);
    grad.setColorAt(0, lit ? core.lighter(170) : core.lighter(115));
    grad.setColorAt(0.55, core);
    grad.setColorAt(1, rim);
    g.setPen(QPen(QColor(40, 40, 40), 1));
    g.setBrush(grad);
    g.drawEllipse(r);
    if (lit) {
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(255, 255, 255, 190));
        g.drawEllipse(QRectF(4.5, 3.5, 4, 3));
    }
}

QPixmap toolImage(int index)
{
    QPixmap pm = blank(16, 16);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing, true);
    const QColor ink(50, 50, 60);
    switch (index) {
    case 0: { // cut: scissors
        g.setPen(QPen(ink, 1.4));
        g.drawLine(QPointF(5, 1), QPointF(10.5, 10));
        g.drawLine(QPointF(11, 1), QPointF(5.5, 10));
        g.setBrush(Qt::NoBrush);
        g.setPen(QPen(QColor(200, 30, 30), 1.6));
        g.drawEllipse(QRectF(2, 10, 4.5, 4.5));
        g.drawEllipse(QRectF(9.5, 10, 4.5, 4.5));
        break;
    }
    case 1: // copy: two pages
        page(g, QRectF(1.5, 1.5, 8, 10));
        textLines(g, QRectF(3, 4, 4, 6), 3);
        page(g, QRectF(6.5, 4.5, 8, 10));
        textLines(g, QRectF(8, 7.5, 4, 6), 3);
        break;
    case 2: // paste: clipboard with a page
        g.setPen(QPen(QColor(110, 70, 30), 1));
        g.setBrush(QColor(190, 140, 80));
        g.drawRoundedRect(QRectF(1.5, 2.5, 10, 12.5), 1.5, 1.5);
        g.setBrush(QColor(150, 150, 160));
        g.drawRect(QRectF(4, 1, 5, 3));
        page(g, QRectF(7.5, 6.5, 7, 8.5));
        textLines(g, QRectF(9, 9, 3.5, 5), 3);
        break;
    case 3: { // undo arrow
        g.setPen(QPen(QColor(30, 90, 170), 2));
        g.setBrush(Qt::NoBrush);
        g.drawArc(QRectF(3, 4, 10, 9), 90 * 16, -200 * 16);
        g.setBrush(QColor(30, 90, 170));
        g.setPen(Qt::NoPen);
        g.drawPolygon(QPolygonF({QPointF(1, 5), QPointF(7, 1.5), QPointF(7, 8.5)}));
        break;
    }
    case 4: // delete: red cross
        g.setPen(QPen(QColor(200, 30, 30), 2.4, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        g.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        break;
    case 5: // find: magnifier
        g.setPen(QPen(ink, 1.6));
        g.setBrush(QColor(200, 230, 255));
        g.drawEllipse(QRectF(2, 2, 8, 8));
        g.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
        break;
    case 6: // new: blank page
        page(g, QRectF(3.5, 1.5, 9, 13));
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(255, 200, 0));
        g.drawEllipse(QRectF(9.5, 9.5, 5, 5));
        break;
    case 7: { // open: folder
        g.setPen(QPen(QColor(130, 95, 20), 1));
        g.setBrush(QColor(240, 200, 90));
        g.drawRect(QRectF(1.5, 4.5, 12, 9));
        g.drawRect(QRectF(1.5, 3, 5, 2));
        g.setBrush(QColor(255, 225, 130));
        g.drawPolygon(QPolygonF({QPointF(3.5, 7.5), QPointF(15, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
        break;
    }
    case 8: // save: floppy disk
        g.setPen(QPen(QColor(20, 40, 90), 1));
        g.setBrush(QColor(50, 90, 170));
        g.drawRect(QRectF(1.5, 1.5, 13, 13));
        g.setBrush(Qt::white);
        g.drawRect(QRectF(4, 1.5, 8, 5));
        g.setBrush(QColor(200, 200, 210));
        g.drawRect(QRectF(4, 9.5, 8, 5));
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(20, 40, 90));
        g.drawRect(QRectF(9.5, 2.5, 1.5, 3));
        break;
    case 9: // print
        g.setPen(QPen(ink, 1));
        g.setBrush(Qt::white);
        g.drawRect(QRectF(4.5, 1.5, 7, 5));
        g.setBrush(QColor(170, 170, 180));
        g.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
        g.setBrush(Qt::white);
        g.drawRect(QRectF(4.5, 10.5, 7, 4));
        break;
    case 10: // help
        g.setPen(QPen(QColor(20, 60, 140), 1));
        g.setBrush(QColor(60, 120, 210));
        g.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        g.setPen(Qt::white);
        g.setFont(QFont(QStringLiteral("Sans"), 8, QFont::Bold));
        g.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
        break;
    case 11: // up arrow (write to unit)
    case 12: { // down arrow (read from unit)
        const bool up = index == 11;
        g.setPen(Qt::NoPen);
        g.setBrush(up ? QColor(200, 90, 20) : QColor(30, 140, 60));
        QPolygonF arrow = up ? QPolygonF({QPointF(8, 1), QPointF(14, 8), QPointF(10, 8), QPointF(10, 15),
                                          QPointF(6, 15), QPointF(6, 8), QPointF(2, 8)})
                             : QPolygonF({QPointF(8, 15), QPointF(14, 8), QPointF(10, 8), QPointF(10, 1),
                                          QPointF(6, 1), QPointF(6, 8), QPointF(2, 8)});
        g.drawPolygon(arrow);
        break;
    }
    case 13: // clock
        g.setPen(QPen(ink, 1));
        g.setBrush(Qt::white);
        g.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        g.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(QPointF(8, 8), QPointF(8, 4));
        g.drawLine(QPointF(8, 8), QPointF(11, 9.5));
        break;
    case 14: // key
        g.setPen(QPen(QColor(150, 110, 0), 1.2));
        g.setBrush(QColor(240, 200, 40));
        g.drawEllipse(QRectF(1.5, 4.5, 6, 6));
        g.drawRect(QRectF(7, 6.8, 7.5, 1.6));
        g.drawRect(QRectF(11.5, 8, 1.5, 3));
        break;
    case 15: { // parameters: sliders
        g.setPen(QPen(QColor(90, 90, 100), 1.2));
        for (int i = 0; i < 3; ++i)
            g.drawLine(QPointF(3.5 + i * 4.5, 1.5), QPointF(3.5 + i * 4.5, 14.5));
        g.setPen(QPen(QColor(30, 60, 120), 1));
        g.setBrush(QColor(80, 140, 220));
        const qreal knobs[3] = {9, 4, 11};
        for (int i = 0; i < 3; ++i)
            g.drawRect(QRectF(1.5 + i * 4.5, knobs[i] - 1.5, 4, 3));
        break;
    }
    case 16: { // phone list: book with a handset
        g.setPen(QPen(QColor(20, 70, 40), 1));
        g.setBrush(QColor(50, 150, 90));
        g.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1, 1);
        g.setBrush(QColor(235, 235, 220));
        g.drawRect(QRectF(2.5, 12, 11, 2.5));
        g.setPen(Qt::NoPen);
        g.setBrush(Qt::white);
        QPainterPath handset;
        handset.addRoundedRect(QRectF(4.5, 3.5, 7, 2.2), 1, 1);
        handset.addRoundedRect(QRectF(4.5, 3.5, 2.2, 6), 1, 1);
        handset.addRoundedRect(QRectF(9.3, 3.5, 2.2, 6), 1, 1);
        g.drawPath(handset.simplified());
        break;
    }
    case 17: // unit: keypad box
        g.setPen(QPen(QColor(60, 60, 70), 1));
        g.setBrush(QColor(190, 195, 205));
        g.drawRoundedRect(QRectF(2.5, 0.5, 11, 15), 1.5, 1.5);
        g.setBrush(QColor(120, 200, 120));
        g.drawRect(QRectF(4, 2, 8, 3));
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(60, 60, 70));
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                g.drawRect(QRectF(4.5 + c * 2.8, 6.5 + r * 2.8, 1.8, 1.8));
        break;
    case 18: { // events: list with a clock
        page(g, QRectF(1.5, 1.5, 10, 13));
        textLines(g, QRectF(3, 4, 6, 9), 5);
        g.setPen(QPen(QColor(140, 30, 30), 1));
        g.setBrush(Qt::white);
        g.drawEllipse(QRectF(7.5, 7.5, 8, 8));
        g.drawLine(QPointF(11.5, 11.5), QPointF(11.5, 9));
        g.drawLine(QPointF(11.5, 11.5), QPointF(13.5, 12));
        break;
    }
    case 19: // network: antenna
        g.setPen(QPen(ink, 1.4));
        g.drawLine(QPointF(8, 7), QPointF(8, 15));
        g.setBrush(Qt::NoBrush);
        g.setPen(QPen(QColor(30, 100, 190), 1.3));
        g.drawArc(QRectF(4.5, 3.5, 7, 7), 30 * 16, 120 * 16);
        g.drawArc(QRectF(1.5, 0.5, 13, 13), 30 * 16, 120 * 16);
        break;
    case ImageList::LampLoggingOff:
        lamp(g, QColor(245, 165, 0), QColor(150, 80, 0), true);
        break;
    case ImageList::LampOnLine:
        lamp(g, QColor(40, 200, 40), QColor(0, 100, 0), true);
        break;
    case ImageList::LampOffLine:
        lamp(g, QColor(110, 35, 35), QColor(50, 15, 15), false);
        break;
    case 23: // lock
        g.setPen(QPen(QColor(90, 90, 100), 1.6));
        g.setBrush(Qt::NoBrush);
        g.drawArc(QRectF(4.5, 1.5, 7, 8), 0, 180 * 16);
        g.drawLine(QPointF(4.5, 5.5), QPointF(4.5, 7.5));
        g.drawLine(QPointF(11.5, 5.5), QPointF(11.5, 7.5));
        g.setPen(QPen(QColor(130, 95, 20), 1));
        g.setBrush(QColor(240, 190, 60));
        g.drawRect(QRectF(2.5, 7.5, 11, 7));
        break;
    case 24: // person
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(70, 110, 170));
        g.drawEllipse(QRectF(5, 1.5, 6, 6));
        g.drawRoundedRect(QRectF(2.5, 8.5, 11, 7), 3, 3);
        break;
    case 25: // refresh
        g.setPen(QPen(QColor(30, 140, 60), 1.8));
        g.setBrush(Qt::NoBrush);
        g.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 270 * 16);
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(30, 140, 60));
        g.drawPolygon(QPolygonF({QPointF(9, 0.5), QPointF(13.5, 3), QPointF(9, 6)}));
        break;
    case 26: // serial plug
        g.setPen(QPen(ink, 1));
        g.setBrush(QColor(170, 175, 190));
        g.drawPolygon(QPolygonF({QPointF(1.5, 5.5), QPointF(14.5, 5.5), QPointF(12.5, 11.5), QPointF(3.5, 11.5)}));
        g.setPen(Qt::NoPen);
        g.setBrush(ink);
        for (int i = 0; i < 5; ++i)
            g.drawEllipse(QRectF(3.2 + i * 2.2, 7, 1.4, 1.4));
        for (int i = 0; i < 4; ++i)
            g.drawEllipse(QRectF(4.3 + i * 2.2, 9.3, 1.4, 1.4));
        break;
    case 27: { // RFID: tag with waves
        g.setPen(QPen(QColor(30, 60, 120), 1));
        g.setBrush(QColor(90, 150, 230));
        g.drawRoundedRect(QRectF(1.5, 5.5, 8, 9), 1.5, 1.5);
        g.setBrush(Qt::white);
        g.drawEllipse(QRectF(3, 7, 2, 2));
        g.setBrush(Qt::NoBrush);
        g.setPen(QPen(QColor(200, 60, 30), 1.3));
        g.drawArc(QRectF(6.5, 2.5, 6, 6), -10 * 16, 110 * 16);
        g.drawArc(QRectF(5, 0.5, 10.5, 10), -10 * 16, 110 * 16);
        break;
    }
    default: // 28: information
        g.setPen(QPen(QColor(20, 60, 140), 1));
        g.setBrush(Qt::white);
        g.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        g.setPen(Qt::NoPen);
        g.setBrush(QColor(20, 60, 140));
        g.drawEllipse(QRectF(7, 3.5, 2, 2));
        g.drawRect(QRectF(7, 6.5, 2, 6));
        break;
    }
    return pm;
}

void drawUnit(QPainter &g, QRectF r)
{
    g.setPen(QPen(QColor(60, 60, 70), 1.2));
    QLinearGradient body(r.topLeft(), r.bottomRight());
    body.setColorAt(0, QColor(215, 220, 228));
    body.setColorAt(1, QColor(160, 165, 178));
    g.setBrush(body);
    g.drawRoundedRect(r, 4, 4);
    const QRectF lcd(r.left() + 5, r.top() + 5, r.width() - 10, 11);
    g.setBrush(QColor(150, 210, 140));
    g.drawRect(lcd);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(50, 50, 60));
    // The keypad (4 rows of 3) fills the body below the display; its sizes
    // are those of a 40 x 56 body, scaled to this one.
    const qreal sx = r.width() / 40;
    const qreal pitchY = (r.height() - 20.5) / (3 + 7 / 9.5);
    const qreal kw = (r.width() - 14 * sx) / 3;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 3; ++col)
            g.drawRoundedRect(QRectF(r.left() + 6 * sx + col * (kw + sx), r.top() + 20 + row * pitchY,
                                     kw - 1.5 * sx, pitchY * 7 / 9.5),
                              1.5 * sx, 1.5 * sx);
}

void drawPc(QPainter &g, QRectF r)
{
    g.setPen(QPen(QColor(50, 50, 60), 1.2));
    g.setBrush(QColor(200, 200, 205));
    const QRectF monitor(r.left(), r.top(), r.width(), r.height() * 0.68);
    g.drawRoundedRect(monitor, 3, 3);
    QLinearGradient screen(monitor.topLeft(), monitor.bottomLeft());
    screen.setColorAt(0, QColor(70, 130, 210));
    screen.setColorAt(1, QColor(20, 60, 140));
    g.setBrush(screen);
    g.drawRect(monitor.adjusted(4, 4, -4, -4));
    g.setBrush(QColor(170, 170, 178));
    g.drawRect(QRectF(r.center().x() - 5, monitor.bottom(), 10, 5));
    g.drawRoundedRect(QRectF(r.left() + 4, monitor.bottom() + 6, r.width() - 8, r.bottom() - monitor.bottom() - 6), 2, 2);
}

} // namespace

ImageList::ImageList(QObject *parent) : QObject(parent)
{
    for (int i = 0; i < Count; ++i)
        m_images.append(toolImage(i));
}

QPixmap ImageList::image(int index) const
{
    return index >= 0 && index < m_images.size() ? m_images.at(index) : QPixmap();
}

QList<QPixmap> AnimationFrames()
{
    QList<QPixmap> frames;
    for (int f = 0; f < 7; ++f) {
        QPixmap pm = blank(33, 32);
        QPainter g(&pm);
        g.setRenderHint(QPainter::Antialiasing, true);
        drawUnit(g, QRectF(2.5, 4.5, 14, 24));
        g.setBrush(Qt::NoBrush);
        // Waves leave the unit one after the other.
        for (int w = 0; w < 3; ++w) {
            const int lit = f - w * 2;
            if (lit < 0)
                continue;
            const qreal radius = 5 + w * 5;
            const int alpha = std::max(70, 255 - (f % 7) * 20);
            g.setPen(QPen(QColor(20, 150, 40, alpha), 2, Qt::SolidLine, Qt::RoundCap));
            g.drawArc(QRectF(16 - radius, 14 - radius, 2 * radius, 2 * radius), -45 * 16, 90 * 16);
        }
        g.end();
        frames.append(pm);
    }
    return frames;
}

QPixmap TransferPicture(int stage)
{
    QPixmap pm(256, 64);
    pm.fill(QColor(245, 246, 250));
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing, true);
    drawUnit(g, QRectF(8, 4, 40, 56));
    drawPc(g, QRectF(196, 6, 52, 52));
    QFont f(QStringLiteral("Monospace"), 10, QFont::Bold);
    f.setStyleHint(QFont::TypeWriter);
    g.setFont(f);
    static const char *bits = "1011001";
    const qreal x = 52 + stage * 37;
    g.setPen(QColor(20, 110, 40));
    g.drawText(QRectF(x, 22, 70, 20), Qt::AlignCenter, QString::fromLatin1(bits));
    g.setPen(QPen(QColor(180, 185, 200), 1, Qt::DotLine));
    g.drawLine(QPointF(52, 45), QPointF(192, 45));
    return pm;
}

void PaintProgramIcon(QPainter &g)
{
    g.setRenderHint(QPainter::Antialiasing, true);
    drawUnit(g, QRectF(4, 1.5, 18, 29));
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(40, 200, 40));
    g.drawEllipse(QRectF(21, 2, 9, 9));
}

QPixmap ProgramIcon()
{
    QPixmap pm = blank(32, 32);
    QPainter g(&pm);
    PaintProgramIcon(g);
    return pm;
}

QPixmap ProductPicture()
{
    QPixmap pm(70, 16);
    pm.fill(Qt::transparent);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient grad(0, 0, 70, 0);
    grad.setColorAt(0, QColor(30, 70, 150));
    grad.setColorAt(1, QColor(80, 150, 220));
    g.setPen(Qt::NoPen);
    g.setBrush(grad);
    g.drawRoundedRect(QRectF(0, 0, 70, 16), 3, 3);
    g.setPen(Qt::white);
    QFont f(QStringLiteral("Sans"), 7, QFont::Bold);
    g.setFont(f);
    g.drawText(QRectF(0, 0, 70, 16), Qt::AlignCenter, QStringLiteral("PORTAVEL"));
    return pm;
}

} // namespace porv
