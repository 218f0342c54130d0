// Writes pictures of the windows to a folder: shell_shots [DIR]
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTabWidget>

#include "aboutbox.h"
#include "application.h"
#include "dialogseam.h"
#include "enterpin.h"
#include "images.h"
#include "mainwindow.h"
#include "portlist.h"
#include "transferform.h"
#include "unitchanges.h"

int main(int argc, char **argv)
{
    porv::Application app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots");
    QDir().mkpath(dir);
    porv::DialogSeam::SetScriptedByDefault(true);
    porv::SetPortListSource([] { return QStringList{QStringLiteral("ttyS0"), QStringLiteral("ttyUSB0")}; });
    porv::TporvForm window;
    window.show();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("Page"));
    const char *names[4] = {"phdir", "system", "Events", "RFid_SU"};
    for (int i = 0; i < 4; ++i) {
        tabs->setCurrentIndex(i);
        QCoreApplication::processEvents();
        window.grab().save(dir + QStringLiteral("/main_%1.png").arg(QLatin1String(names[i])));
    }
    window.enterPin().setConnection(false, QStringLiteral("ttyS0"), QStringLiteral("/nonexistent/Porvdata.ini"));
    window.enterPin().show();
    QCoreApplication::processEvents();
    window.enterPin().grab().save(dir + QStringLiteral("/enterpin.png"));
    window.enterPin().hide();
    window.enterPin().setConnection(true, QString(), QStringLiteral("/nonexistent/Porvdata.ini"));
    window.enterPin().show();
    QCoreApplication::processEvents();
    window.enterPin().grab().save(dir + QStringLiteral("/enterpin_wifi.png"));
    window.enterPin().hide();
    // The Ports menu (its last entry "Other…") and the question "Other…" asks.
    auto *ports = window.findChild<QMenu *>(QStringLiteral("ports"));
    ports->popup(window.mapToGlobal(QPoint(300, 20)));
    QCoreApplication::processEvents();
    ports->grab().save(dir + QStringLiteral("/ports_menu.png"));
    ports->hide();
    window.seam().queueDialog([&dir](QDialog &d) {
        QCoreApplication::processEvents();
        d.grab().save(dir + QStringLiteral("/other_port.png"));
        d.findChild<QLineEdit *>()->setText(QStringLiteral("/dev/null"));
        d.accept();
    });
    window.findChild<QAction *>(QStringLiteral("OtherPort"))->trigger();
    ports->popup(window.mapToGlobal(QPoint(300, 20)));
    QCoreApplication::processEvents();
    ports->grab().save(dir + QStringLiteral("/ports_menu_other.png"));
    ports->hide();
    window.transferForm().show();
    for (int i = 0; i < 3; ++i) {
        window.transferForm().Timer1Timer();
        QCoreApplication::processEvents();
        window.transferForm().grab().save(dir + QStringLiteral("/transfer_%1.png").arg(i));
    }
    window.transferForm().setProgress(37, 250);
    QCoreApplication::processEvents();
    window.transferForm().grab().save(dir + QStringLiteral("/transfer_progress.png"));
    window.transferForm().setProgress(120, 0);
    QCoreApplication::processEvents();
    window.transferForm().grab().save(dir + QStringLiteral("/transfer_received.png"));
    // A whole-unit operation: its step beneath the pictures, and Cancel.
    window.transferForm().offerCancel(true);
    window.transferForm().setStep(QStringLiteral("Writing the phone list"));
    window.transferForm().setProgress(3, 12);
    QCoreApplication::processEvents();
    window.transferForm().grab().save(dir + QStringLiteral("/transfer_step.png"));
    window.transferForm().offerCancel(false);
    window.transferForm().hide();
    // The File menu with the whole-unit commands, and their dialogs.
    auto *file = window.findChild<QMenu *>(QStringLiteral("File1"));
    file->popup(window.mapToGlobal(QPoint(10, 20)));
    QCoreApplication::processEvents();
    file->grab().save(dir + QStringLiteral("/file_menu.png"));
    file->hide();
    porv::CompareWithDialog compareWith(true, true, &window);
    compareWith.show();
    QCoreApplication::processEvents();
    compareWith.grab().save(dir + QStringLiteral("/compare_with.png"));
    compareWith.hide();
    const QStringList lines{
        QStringLiteral("Phone list: 1 added, 1 removed, 2 changed, 1 moved"),
        QStringLiteral("  changed 1040  ADAMS J  room 12: Phone  unit: 0123456  file: 0123999"),
        QStringLiteral("  changed 10A0  BAKER, M  room 31: Name  unit: BAKER  file: BAKER, M; Code 1  unit: 1234  file: 4321"),
        QStringLiteral("  added   1120  COLE A  room 40a: Room  file: 40a (stored as 40)"),
        QStringLiteral("  removed 1160  DAVIS P  room 44"),
        QStringLiteral("  moved   5780 -> 1180  EVANS R  room 45"),
        QStringLiteral("Parameters: 2 differ"),
        QStringLiteral("  Auto-Answer Ring count  unit: 9  file: 2"),
        QStringLiteral("  other bytes of block 0001 differ (3 bytes)"),
        QStringLiteral("PINs and emergency codes: PIN 2 differ"),
        // Lines longer than the list: wrapped at their blanks, a path cut in its middle.
        QStringLiteral("  changed 1180  KOWALCZYK-MEYERS  room 999999: Name KOWALCZYK-MEYERS -> KOWALCZYK MEYER; "
                       "Phone 00441234567890p12 -> 00441234567890p13; Code 1 1234 -> 4321; Code 2 5678 -> 8765"),
        QStringLiteral("  from /home/installer/Documents/Sites/Riverside Court/backups/riverside_court_main_gate_"
                       "entrance_panel_2026-12-28/Portavel_1000_Qx4_192.168.10.20_20261228-095930Z.qx4b"),
    };
    porv::UnitChangesDialog restore(QStringLiteral("Restore unit"),
                                    QStringLiteral("Restoring site.qx4b makes these changes to the unit. Restore it?"),
                                    lines, porv::UnitChangesDialog::Offer::Restore, &window);
    restore.show();
    QCoreApplication::processEvents();
    restore.grab().save(dir + QStringLiteral("/restore_changes.png"));
    restore.hide();
    porv::UnitChangesDialog compare(QStringLiteral("Compare with unit"),
                                    QStringLiteral("What writing the phone list on the PC would change in the unit:"),
                                    lines.mid(0, 5), porv::UnitChangesDialog::Offer::WriteChanges, &window);
    compare.show();
    QCoreApplication::processEvents();
    compare.grab().save(dir + QStringLiteral("/compare_changes.png"));
    compare.hide();
    window.aboutBox().show();
    QCoreApplication::processEvents();
    window.aboutBox().grab().save(dir + QStringLiteral("/about.png"));
    window.aboutBox().hide();

    // The image list and animation frames, enlarged 4 times.
    QImage sheet(29 * 72, 80, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter g(&sheet);
    g.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int i = 0; i < porv::ImageList::Count; ++i) {
        g.drawPixmap(QRect(i * 72 + 4, 4, 64, 64), window.imageList().image(i));
        g.drawText(QRect(i * 72, 66, 72, 14), Qt::AlignCenter, QString::number(i));
    }
    g.end();
    sheet.save(dir + QStringLiteral("/imagelist.png"));
    const QList<QPixmap> frames = porv::AnimationFrames();
    QImage strip(int(frames.size()) * 140, 132, QImage::Format_ARGB32);
    strip.fill(Qt::white);
    QPainter s(&strip);
    for (int i = 0; i < frames.size(); ++i)
        s.drawPixmap(QRect(i * 140 + 4, 2, 132, 128), frames.at(i));
    s.end();
    strip.save(dir + QStringLiteral("/animation.png"));
    window.seam().setScripted(true);
    return 0;
}
