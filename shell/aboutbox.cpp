#include "aboutbox.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "images.h"

namespace porv {

AboutBox::AboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(298, 185);
    setModal(true);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setGeometry(8, 8, 281, 129);

    auto label = [panel](const char *name, const QString &text, int x, int y, int w, int h) {
        auto *l = new QLabel(text, panel);
        if (name)
            l->setObjectName(QLatin1String(name));
        l->setGeometry(x, y, w, h);
        return l;
    };

    auto *icon = label("ProgramIcon", QString(), 8, 8, 32, 32);
    icon->setPixmap(ProgramIcon());
    QLabel *product = label("ProductName", QStringLiteral("Product Name"), 52, 8, 100, 16);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto *picture = label("Image1", QString(), 160, 8, 70, 16);
    picture->setPixmap(ProductPicture());
    QLabel *title = label("Label1", QStringLiteral("QX4 PORTAVEL PROGRAMMER"), 52, 28, 220, 16);
    title->setFont(bold);
    label("Version", QStringLiteral("Version:"), 52, 48, 50, 16);
    label("Label2", QStringLiteral("8.3  Dec 2015"), 104, 48, 120, 16);
    label("Copyright", QStringLiteral("Portavel Access Systems"), 8, 68, 265, 16);
    label("Comments", QStringLiteral("Programmed by the Porv-Pro team"), 8, 86, 265, 16);
    label("Label3", QStringLiteral("For Portavels with S/W version 6.2+"), 8, 106, 265, 16);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(111, 148, 75, 26);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace porv
