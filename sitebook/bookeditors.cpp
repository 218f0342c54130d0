#include "bookeditors.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "booklocation.h"
#include "bookshown.h"
#include "bookwidgets.h"
#include "sitebookhost.h"

namespace porv {

namespace {

QPlainTextEdit *notesBox(QWidget *parent, const char *name, const QString &text)
{
    auto *notes = Named(new QPlainTextEdit(text, parent), name, QStringLiteral("Notes"));
    notes->setTabChangesFocus(true);
    notes->setFixedHeight(72);
    return notes;
}

// Ok and Cancel, named after the dialog; Ok is the default.
QDialogButtonBox *okCancel(QDialog *dialog, const char *ok, const char *cancel)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->setObjectName(QStringLiteral("%1Buttons").arg(dialog->objectName()));
    Named(buttons->button(QDialogButtonBox::Ok), ok, QStringLiteral("OK"))->setDefault(true);
    Named(buttons->button(QDialogButtonBox::Cancel), cancel, QStringLiteral("Cancel"));
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLabel *buddyLabel(const QString &text, QWidget *field)
{
    auto *label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    return label;
}

} // namespace

// --- a site ---------------------------------------------------------------------------------

SiteEditor::SiteEditor(const BookSite &site, Commit commit, SiteBookHost &host, QWidget *parent)
    : QDialog(parent), m_site(site), m_commit(std::move(commit)), m_host(host)
{
    setObjectName(QStringLiteral("SiteEditor"));
    setWindowTitle(site.id == 0 ? QStringLiteral("Add site") : QStringLiteral("Edit site"));
    m_name = Named(new QLineEdit(site.name, this), "SiteName", QStringLiteral("Site name"));
    m_address = Named(new QLineEdit(site.address, this), "SiteAddress", QStringLiteral("Site address"));
    m_notes = notesBox(this, "SiteNotes", site.notes);
    auto *form = new QFormLayout;
    form->addRow(buddyLabel(QStringLiteral("&Name:"), m_name), m_name);
    form->addRow(buddyLabel(QStringLiteral("&Address:"), m_address), m_address);
    form->addRow(buddyLabel(QStringLiteral("N&otes:"), m_notes), m_notes);
    QDialogButtonBox *buttons = okCancel(this, "SiteOk", "SiteCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &SiteEditor::okClicked);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(380);
    m_name->setFocus();
}

void SiteEditor::okClicked()
{
    BookSite site = m_site;
    site.name = m_name->text().trimmed();
    site.address = m_address->text().trimmed();
    site.notes = m_notes->toPlainText();
    const BookError e = m_commit(site);
    if (!e.ok()) {
        m_host.ShowMessage(e.message);
        return;
    }
    accept();
}

// --- a unit ---------------------------------------------------------------------------------

UnitEditor::UnitEditor(const BookUnit &unit, const QList<BookSite> &sites, Commit commit, SiteBookHost &host,
                       QWidget *parent)
    : QDialog(parent), m_unit(unit), m_commit(std::move(commit)), m_host(host)
{
    setObjectName(QStringLiteral("UnitEditor"));
    setWindowTitle(unit.id == 0 ? QStringLiteral("Add unit") : QStringLiteral("Edit unit"));
    m_label = Named(new QLineEdit(unit.label, this), "UnitLabel", QStringLiteral("Unit label"));
    m_site = Named(new QComboBox(this), "UnitSite", QStringLiteral("Site"));
    for (const BookSite &s : sites) {
        m_site->addItem(s.name, s.id);
        if (s.id == unit.siteId)
            m_site->setCurrentIndex(m_site->count() - 1);
    }
    m_reach = Named(new QComboBox(this), "UnitReach", QStringLiteral("Reached by"));
    m_reach->addItem(QStringLiteral("UDP address"), int(UnitTransport::Udp));
    m_reach->addItem(QStringLiteral("Serial device"), int(UnitTransport::Serial));
    m_reach->addItem(QStringLiteral("Modem"), int(UnitTransport::Modem));
    m_reach->setCurrentIndex(m_reach->findData(int(unit.transport)));
    m_address = Named(new QLineEdit(unit.address, this), "UnitAddress", QStringLiteral("Address"));
    m_number = Named(new QLineEdit(unit.number, this), "UnitNumber", QStringLiteral("Number the modem dials"));
    m_number->setMaxLength(20); // as the log-on dialog's number
    // What a modem dials: digits, the pause and wait letters and the usual
    // layout; nothing that would end the dial command or start another.
    m_number->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9 ()+*#,.pPwWtT-]*")), m_number));
    m_notes = notesBox(this, "UnitNotes", unit.notes);
    m_addressLabel = buddyLabel(QString(), m_address);
    m_numberLabel = buddyLabel(QStringLiteral("N&umber:"), m_number);

    // What the last log-on found: shown, never typed.
    auto *model = Named(new QLabel(ShownModelLine(unit), this), "UnitModelLine", QStringLiteral("Model line"));
    auto *limit = Named(new QLabel(ShownMemoryLimit(unit), this), "UnitMemoryLimit", QStringLiteral("MemoryLimit"));
    auto *reached = Named(new QLabel(ShownTime(unit.lastReached), this), "UnitLastReached", QStringLiteral("Last reached"));
    for (QLabel *l : {model, limit, reached})
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *form = new QFormLayout;
    form->addRow(buddyLabel(QStringLiteral("&Label:"), m_label), m_label);
    form->addRow(buddyLabel(QStringLiteral("&Site:"), m_site), m_site);
    form->addRow(buddyLabel(QStringLiteral("&Reached by:"), m_reach), m_reach);
    form->addRow(m_addressLabel, m_address);
    form->addRow(m_numberLabel, m_number);
    form->addRow(buddyLabel(QStringLiteral("N&otes:"), m_notes), m_notes);
    form->addRow(QStringLiteral("Model line:"), model);
    form->addRow(QStringLiteral("MemoryLimit:"), limit);
    form->addRow(QStringLiteral("Last reached:"), reached);
    QDialogButtonBox *buttons = okCancel(this, "UnitOk", "UnitCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &UnitEditor::okClicked);
    connect(m_reach, &QComboBox::currentIndexChanged, this, &UnitEditor::reachChanged);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
    reachChanged();
    m_label->setFocus();
}

void UnitEditor::reachChanged()
{
    const auto transport = UnitTransport(m_reach->currentData().toInt());
    const bool udp = transport == UnitTransport::Udp;
    m_addressLabel->setText(udp ? QStringLiteral("&Address:") : QStringLiteral("&Device:"));
    m_address->setAccessibleName(udp ? QStringLiteral("UDP address") : QStringLiteral("Device"));
    m_address->setPlaceholderText(udp ? QStringLiteral("host name or address") : QStringLiteral("/dev/ttyUSB0"));
    const bool modem = transport == UnitTransport::Modem;
    m_number->setEnabled(modem);
    m_numberLabel->setEnabled(modem);
}

void UnitEditor::okClicked()
{
    BookUnit unit = m_unit;
    unit.label = m_label->text().trimmed();
    unit.siteId = m_site->currentData().toLongLong();
    unit.siteName = m_site->currentText();
    unit.transport = UnitTransport(m_reach->currentData().toInt());
    unit.address = m_address->text().trimmed();
    unit.number = unit.transport == UnitTransport::Modem ? m_number->text().trimmed() : QString();
    unit.notes = m_notes->toPlainText();
    if (unit.transport == UnitTransport::Modem && !m_number->hasAcceptableInput()) {
        m_host.ShowMessage(QStringLiteral("The number \"%1\" holds characters a modem does not dial.").arg(unit.number));
        return;
    }
    const BookError e = m_commit(unit);
    if (!e.ok()) {
        m_host.ShowMessage(e.message);
        return;
    }
    accept();
}

// --- where the book lives ---------------------------------------------------------------------------

BookLocationEditor::BookLocationEditor(const QString &current, Commit commit, SiteBookHost &host, QWidget *parent)
    : QDialog(parent), m_commit(std::move(commit)), m_host(host)
{
    setObjectName(QStringLiteral("BookLocationEditor"));
    setWindowTitle(QStringLiteral("Site book location"));
    auto *intro = new QLabel(QStringLiteral("Leave it empty for the book in your own data folder (%1).\n"
                                            "A team's shared book on a PostgreSQL server: postgresql://user@host/dbname.\n"
                                            "The server's password comes from PGPASSWORD or ~/.pgpass, never from here.")
                                 .arg(DefaultBookFile()),
                             this);
    intro->setObjectName(QStringLiteral("BookLocationIntro"));
    intro->setWordWrap(true);
    m_url = Named(new QLineEdit(current, this), "BookUrl", QStringLiteral("Book location"));
    m_url->setPlaceholderText(QStringLiteral("postgresql://user@host/dbname"));
    SetClearable(m_url);
    QDialogButtonBox *buttons = okCancel(this, "BookLocationOk", "BookLocationCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &BookLocationEditor::okClicked);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    auto *form = new QFormLayout;
    form->addRow(buddyLabel(QStringLiteral("&Location:"), m_url), m_url);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(520);
    m_url->setFocus();
}

void BookLocationEditor::okClicked()
{
    const BookError e = m_commit(m_url->text());
    if (!e.ok()) {
        m_host.ShowMessage(e.message);
        return;
    }
    accept();
}

} // namespace porv
