#include "enterpin.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "remembered.h"

namespace porv {

EnterPin::EnterPin(std::function<void(const QString &)> tell, QWidget *parent)
    : QDialog(parent), m_tell(std::move(tell))
{
    setObjectName(QStringLiteral("EnterPin"));
    setWindowTitle(QStringLiteral("EnterPin"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(268, 172);
    setModal(true);

    m_pinLabel = new QLabel(QStringLiteral("PIN"), this);
    m_pinLabel->setObjectName(QStringLiteral("Label1"));
    m_pinLabel->setGeometry(16, 18, 70, 20);
    m_pin = new QLineEdit(this);
    m_pin->setObjectName(QStringLiteral("PorvPin"));
    m_pin->setGeometry(96, 16, 156, 24);
    m_pin->setMaxLength(16);
    m_pin->setEchoMode(QLineEdit::Password);
    m_pin->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    m_pin->setStatusTip(QStringLiteral("Enter the PIN to access Portavel Programme Mode"));
    m_pinLabel->setBuddy(m_pin);

    m_remote = new QCheckBox(QStringLiteral("Remote"), this);
    m_remote->setObjectName(QStringLiteral("RChkBox"));
    m_remote->setGeometry(16, 50, 70, 20);
    m_numberLabel = new QLabel(QStringLiteral("Phone #"), this);
    m_numberLabel->setObjectName(QStringLiteral("Label2"));
    m_numberLabel->setGeometry(96, 50, 60, 20);
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("R_ph_num"));
    m_number->setGeometry(96, 72, 156, 24);
    m_number->setMaxLength(20);
    m_number->setAccessibleName(QStringLiteral("Phone number to dial"));

    // The network address takes the place of the modem fields.
    m_addressLabel = new QLabel(QStringLiteral("IP_Address"), this);
    m_addressLabel->setObjectName(QStringLiteral("ipaddrLab"));
    m_addressLabel->setGeometry(16, 56, 76, 20);
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("IP_addr"));
    m_address->setGeometry(96, 54, 156, 24);
    m_address->setMaxLength(31);
    m_address->setAccessibleName(QStringLiteral("Unit's network address"));

    m_store = new QCheckBox(QStringLiteral("Remember Details"), this);
    m_store->setObjectName(QStringLiteral("StrDetail"));
    m_store->setGeometry(16, 106, 200, 20);

    m_ok = new QPushButton(QStringLiteral("Ok"), this);
    m_ok->setObjectName(QStringLiteral("Button1"));
    m_ok->setGeometry(96, 136, 75, 26);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("Button2"));
    m_cancel->setGeometry(177, 136, 75, 26);
    // Enter is handled by each field itself: no default button.
    m_ok->setAutoDefault(false);
    m_cancel->setAutoDefault(false);

    // However the box is ticked: a click, a key, the accessibility interface.
    connect(m_remote, &QCheckBox::toggled, this, &EnterPin::RChkBoxClick);
    connect(m_ok, &QPushButton::clicked, this, &EnterPin::Button1Click);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Enter in the PIN or address field confirms without writing the record;
    // Enter in the number field acts as Ok.
    connect(m_pin, &QLineEdit::returnPressed, this, &EnterPin::confirmWithoutWriting);
    connect(m_address, &QLineEdit::returnPressed, this, &EnterPin::confirmWithoutWriting);
    connect(m_number, &QLineEdit::returnPressed, this, &EnterPin::Button1Click);

    setNumberEnabled(false);
    m_addressLabel->hide();
    m_address->hide();
    setTabOrder(m_pin, m_remote);
    setTabOrder(m_remote, m_number);
    setTabOrder(m_number, m_address);
    setTabOrder(m_address, m_store);
    setTabOrder(m_store, m_ok);
    setTabOrder(m_ok, m_cancel);
}

void EnterPin::setConnection(bool networkSelected, const QString &serialPortName, const QString &detailsFileName)
{
    m_networkSelected = networkSelected;
    m_serialPortName = serialPortName;
    m_detailsFileName = detailsFileName;
}

QByteArray EnterPin::pin() const { return m_pin->text().toLatin1(); }
QByteArray EnterPin::number() const { return m_number->text().toLatin1(); }
bool EnterPin::remote() const { return m_remote->isChecked(); }
QByteArray EnterPin::address() const { return m_address->text().toLatin1(); }

void EnterPin::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        prepare();
}

void EnterPin::prepare()
{
    m_addressLabel->hide();
    m_address->hide();
    m_remote->show();
    m_numberLabel->show();
    m_number->show();

    RememberedDetails record;
    const bool loaded = record.load(m_detailsFileName);
    if (loaded) {
        m_pin->setText(QString::fromLatin1(record.pin()));
        m_number->setText(QString::fromLatin1(record.number()));
        m_store->setChecked(record.remember());
        m_remote->setChecked(record.remote());
        setNumberEnabled(record.remote());
    }
    if (m_proposal) {
        m_remote->setChecked(m_proposal->remote);
        m_number->setText(QString::fromLatin1(m_proposal->number));
        setNumberEnabled(m_proposal->remote);
    }
    // With the network link selected the address takes the modem fields'
    // place, also before any details were remembered: otherwise a first
    // network log-on could never be given the unit's address.
    if (m_networkSelected) {
        m_addressLabel->show();
        m_address->show();
        m_remote->hide();
        m_numberLabel->hide();
        m_number->hide();
        if (m_proposal)
            m_address->setText(QString::fromLatin1(m_proposal->address));
        else if (loaded)
            m_address->setText(QString::fromLatin1(record.address()));
    }
    m_proposal.reset();
    m_pin->setFocus();
}

void EnterPin::setNumberEnabled(bool enabled)
{
    m_number->setEnabled(enabled);
    m_numberLabel->setEnabled(enabled);
    QPalette pal = m_number->palette();
    const QPalette base = palette();
    const QColor colour = enabled ? base.color(QPalette::Active, QPalette::Base)
                                  : base.color(QPalette::Active, QPalette::Button);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        pal.setColor(group, QPalette::Base, colour);
    m_number->setPalette(pal);
}

void EnterPin::RChkBoxClick()
{
    setNumberEnabled(m_remote->isChecked());
    if (m_remote->isChecked())
        m_number->setFocus();
}

bool EnterPin::addressGiven()
{
    if (!m_networkSelected || !m_address->text().trimmed().isEmpty())
        return true;
    if (m_tell)
        m_tell(QStringLiteral("Enter the unit's network address"));
    m_address->setFocus();
    return false;
}

void EnterPin::confirmWithoutWriting()
{
    if (addressGiven())
        accept();
}

void EnterPin::Button1Click()
{
    if (!addressGiven())
        return;
    RememberedDetails record;
    if (m_store->isChecked()) {
        record.setPin(pin());
        record.setNumber(number());
        record.setAddress(address());
        record.setRemember(true);
        record.setRemote(m_remote->isChecked());
    }
    record.setPortName(m_serialPortName.toLatin1());
    record.setNetwork(m_networkSelected);
    // A file that cannot be created ends here with its message; the dialog
    // stays open.
    record.save(m_detailsFileName);
    accept();
}

} // namespace porv
