#include "unitchanges.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

namespace porv {

namespace {

// The list's items no wider than the list: a line wraps at its blanks, and
// what still does not fit (a path without blanks) is cut short in the middle.
class FitWidthDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (option.rect.width() > 0)
            size.setWidth(std::min(size.width(), option.rect.width()));
        return size;
    }
};

QPushButton *addButton(QDialogButtonBox *box, const char *name, const QString &text, QDialogButtonBox::ButtonRole role)
{
    QPushButton *b = box->addButton(text, role);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

UnitChangesDialog::UnitChangesDialog(const QString &title, const QString &intro, const QStringList &lines,
                                     Offer offer, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("UnitChanges"));
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(intro, this);
    label->setObjectName(QStringLiteral("ChangesIntro"));
    label->setWordWrap(true);
    layout->addWidget(label);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ChangesList"));
    m_list->setAccessibleName(QStringLiteral("Changes"));
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // A long line wraps within the list's width, and a word longer than the
    // width (a file's path) is cut short in its middle; its hint holds it whole.
    m_list->setWordWrap(true);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setItemDelegate(new FitWidthDelegate(m_list));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(false);
    m_list->addItems(lines);
    for (int i = 0; i < m_list->count(); ++i)
        m_list->item(i)->setToolTip(m_list->item(i)->text());
    m_list->setMinimumSize(560, 280);
    layout->addWidget(m_list, 1);
    label->setBuddy(m_list);

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("ChangesButtons"));
    QPushButton *focus = nullptr;
    switch (offer) {
    case Offer::Restore:
        addButton(buttons, "RestoreYes", tr("&Yes"), QDialogButtonBox::AcceptRole);
        // No is the default: a restore overwrites the unit.
        focus = addButton(buttons, "RestoreNo", tr("&No"), QDialogButtonBox::RejectRole);
        break;
    case Offer::WriteChanges:
        addButton(buttons, "WriteChanges", tr("&Write changes"), QDialogButtonBox::AcceptRole);
        focus = addButton(buttons, "CloseChanges", tr("Close"), QDialogButtonBox::RejectRole);
        break;
    case Offer::Close:
        focus = addButton(buttons, "CloseChanges", tr("Close"), QDialogButtonBox::RejectRole);
        break;
    }
    focus->setDefault(true);
    focus->setFocus();
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QStringList UnitChangesDialog::lines() const
{
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i)
        out.append(m_list->item(i)->text());
    return out;
}

CompareWithDialog::CompareWithDialog(bool phoneListThere, bool parametersThere, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CompareWith"));
    setWindowTitle(tr("Compare with unit"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(tr("Compare what the unit holds now with:"), this);
    layout->addWidget(label);
    auto *phoneList = new QPushButton(tr("The &phone list on the PC"), this);
    phoneList->setObjectName(QStringLiteral("ComparePhoneList"));
    phoneList->setEnabled(phoneListThere);
    auto *parameters = new QPushButton(tr("The p&arameters on the PC"), this);
    parameters->setObjectName(QStringLiteral("CompareParameters"));
    parameters->setEnabled(parametersThere);
    auto *file = new QPushButton(tr("A &backup file…"), this);
    file->setObjectName(QStringLiteral("CompareBackupFile"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CompareCancel"));
    layout->addWidget(phoneList);
    layout->addWidget(parameters);
    layout->addWidget(file);
    layout->addSpacing(8);
    connect(phoneList, &QPushButton::clicked, this, [this] { done(PhoneList); });
    connect(parameters, &QPushButton::clicked, this, [this] { done(Parameters); });
    connect(file, &QPushButton::clicked, this, [this] { done(BackupFile); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setMinimumWidth(340);
    layout->addWidget(buttons);
}

} // namespace porv
