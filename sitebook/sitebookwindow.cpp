#include "sitebookwindow.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "bookeditors.h"
#include "bookhistory.h"
#include "booksetting.h"
#include "bookshown.h"
#include "bookwidgets.h"
#include "sitebook.h"
#include "sitebookhost.h"

namespace porv {

namespace {

constexpr int kKindRole = Qt::UserRole, kIdRole = Qt::UserRole + 1;
constexpr int kFindLimit = 1000;
constexpr int kFindPauseMs = 300; // typing pauses this long before the book is asked

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QString &accessible)
{
    return Named(new QPushButton(text, parent), name, accessible);
}

QString latin1(const QByteArray &bytes) { return QString::fromLatin1(bytes); }

// The hourglass over a call that may wait for a server (or a busy file).
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

SiteBookWindow::SiteBookWindow(SiteBookHost &host, QWidget *parent) : QDialog(parent), m_host(host)
{
    setObjectName(QStringLiteral("SiteBook"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setSizeGripEnabled(true);

    m_bookName = Named(new QLabel(this), "BookName", QStringLiteral("Book open"));
    m_bookName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_location = button(this, "BookLocationButton", QStringLiteral("Book &location…"), QStringLiteral("Book location"));
    m_location->setToolTip(QStringLiteral("Which book to open: your own file, or a team's book on a PostgreSQL server"));

    m_find = Named(new QLineEdit(this), "BookFind", QStringLiteral("Find across the book"));
    m_find->setPlaceholderText(QStringLiteral("Find a name, room, phone number or tag in every unit"));
    SetClearable(m_find);
    auto *findLabel = new QLabel(QStringLiteral("&Find:"), this);
    findLabel->setBuddy(m_find);
    m_findTimer = new QTimer(this);
    m_findTimer->setObjectName(QStringLiteral("BookFindTimer"));
    m_findTimer->setSingleShot(true);
    m_findTimer->setInterval(kFindPauseMs);

    m_tree = Named(new QTreeWidget(this), "BookTree", QStringLiteral("Sites and units"));
    m_tree->setHeaderLabels({QStringLiteral("Site / unit"), QStringLiteral("Reached by")});
    m_tree->setColumnWidth(0, 160);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_addSite = button(this, "AddSite", QStringLiteral("Add &site…"), QStringLiteral("Add site"));
    m_addUnit = button(this, "AddUnit", QStringLiteral("Add &unit…"), QStringLiteral("Add unit"));
    m_edit = button(this, "EditBookItem", QStringLiteral("&Edit…"), QStringLiteral("Edit site or unit"));
    m_remove = button(this, "RemoveBookItem", QStringLiteral("Re&move…"), QStringLiteral("Remove site or unit"));
    m_logOn = button(this, "LogOnUnit", QStringLiteral("Log &on"), QStringLiteral("Log on to the unit"));
    m_logOn->setToolTip(QStringLiteral("Log on to this unit as the book reaches it (a double-click does the same)"));
    m_unitDetails = Named(new QLabel(this), "UnitDetails", QStringLiteral("Unit details"));
    m_unitDetails->setWordWrap(true);
    m_unitDetails->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_unitDetails->setMinimumHeight(48);
    m_unitDetails->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_history = new BookHistoryView(m_host, this);
    auto *findPage = new QWidget(this);
    findPage->setObjectName(QStringLiteral("BookFindPage"));
    m_findCount = Named(new QLabel(findPage), "BookFindCount", QStringLiteral("Matches"));
    m_results = Named(new QTreeWidget(findPage), "FindResults", QStringLiteral("Units that hold it"));
    m_results->setHeaderLabels({QStringLiteral("Site"), QStringLiteral("Unit"), QStringLiteral("Name"),
                                QStringLiteral("Room"), QStringLiteral("Phone"), QStringLiteral("Tag")});
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setColumnWidth(0, 90);
    m_results->setColumnWidth(1, 80);
    m_results->setColumnWidth(2, 120);
    m_results->setColumnWidth(3, 60);
    m_results->setColumnWidth(4, 110);
    auto *findLayout = new QVBoxLayout(findPage);
    findLayout->addWidget(m_findCount);
    findLayout->addWidget(m_results, 1);
    m_views = Named(new QTabWidget(this), "BookViews", QStringLiteral("History and find"));
    m_views->addTab(m_history, QStringLiteral("&History"));
    m_views->addTab(findPage, QStringLiteral("Fi&nd results"));

    m_status = Named(new QLabel(this), "BookStatus", QStringLiteral("Status"));
    m_status->setWordWrap(true);
    auto *closeBox = new QDialogButtonBox(QDialogButtonBox::Close, this);
    Named(closeBox->button(QDialogButtonBox::Close), "BookClose", QStringLiteral("Close"));
    connect(closeBox, &QDialogButtonBox::rejected, this, &QDialog::close);

    // Top: the book and its location, then find; left the tree, right the views.
    auto *top = new QHBoxLayout;
    top->addWidget(m_bookName, 1);
    top->addWidget(m_location);
    auto *findRow = new QHBoxLayout;
    findRow->addWidget(findLabel);
    findRow->addWidget(m_find, 1);
    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(m_tree, 1);
    auto *edits = new QHBoxLayout;
    for (QPushButton *b : {m_addSite, m_addUnit})
        edits->addWidget(b);
    auto *edits2 = new QHBoxLayout;
    for (QPushButton *b : {m_edit, m_remove, m_logOn})
        edits2->addWidget(b);
    leftLayout->addLayout(edits);
    leftLayout->addLayout(edits2);
    leftLayout->addWidget(m_unitDetails);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->setObjectName(QStringLiteral("BookSplit"));
    split->addWidget(left);
    split->addWidget(m_views);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setSizes({350, 590});
    split->setChildrenCollapsible(false);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(closeBox);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(findRow);
    layout->addWidget(split, 1);
    layout->addLayout(bottom);
    resize(940, 600);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, &SiteBookWindow::currentChanged);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item) {
        if (item && Kind(item->data(0, kKindRole).toInt()) == Kind::Unit)
            logOnClicked();
    });
    connect(m_addSite, &QPushButton::clicked, this, &SiteBookWindow::addSiteClicked);
    connect(m_addUnit, &QPushButton::clicked, this, &SiteBookWindow::addUnitClicked);
    connect(m_edit, &QPushButton::clicked, this, &SiteBookWindow::editClicked);
    connect(m_remove, &QPushButton::clicked, this, &SiteBookWindow::removeClicked);
    connect(m_logOn, &QPushButton::clicked, this, &SiteBookWindow::logOnClicked);
    connect(m_location, &QPushButton::clicked, this, &SiteBookWindow::locationClicked);
    connect(m_find, &QLineEdit::returnPressed, this, &SiteBookWindow::findNow);
    connect(m_find, &QLineEdit::textEdited, m_findTimer, qOverload<>(&QTimer::start));
    connect(m_findTimer, &QTimer::timeout, this, &SiteBookWindow::findNow);
    connect(m_results, &QTreeWidget::currentItemChanged, this, &SiteBookWindow::findChosen);
    connect(m_history, &BookHistoryView::restoreRequested, this, &SiteBookWindow::restoreRequested);
    connect(m_history, &BookHistoryView::statusChanged, this, &SiteBookWindow::setStatus);
    closeBook(QString());
}

SiteBookWindow::~SiteBookWindow() = default;

// --- the book -----------------------------------------------------------------------------------

bool SiteBookWindow::OpenBook()
{
    closeBook(QString());
    BookResult<BookLocation> location = ParseBookLocation(BookLocationSetting());
    if (!location.ok()) {
        closeBook(location.error.message);
        return false;
    }
    BookResult<std::unique_ptr<SiteBook>> opened;
    {
        const WaitCursor wait;
        opened = SiteBook::Open(location.value);
    }
    if (!opened.ok()) {
        closeBook(opened.error.message);
        return false;
    }
    m_book = std::move(opened.value);
    const QString name = m_book->Location().Name();
    m_bookName->setText(QStringLiteral("Book: %1").arg(name));
    setWindowTitle(QStringLiteral("Site book - %1").arg(name));
    m_history->SetBook(m_book.get());
    setStatus(QString());
    reloadTree();
    return true;
}

// Without a book: nothing to show, the location still to be set. `why` is
// the book's message, shown once.
void SiteBookWindow::closeBook(const QString &why)
{
    m_history->SetBook(nullptr);
    m_book.reset();
    m_sites.clear();
    m_units.clear();
    m_filling = true;
    m_tree->clear();
    m_results->clear();
    m_filling = false;
    m_findCount->clear();
    m_unitDetails->clear();
    m_bookName->setText(QStringLiteral("No book open"));
    setWindowTitle(QStringLiteral("Site book - no book open"));
    setStatus(why);
    enableControls();
    if (!why.isEmpty())
        m_host.ShowMessage(why);
}

void SiteBookWindow::setStatus(const QString &text) { m_status->setText(text); }

// --- the tree -----------------------------------------------------------------------------------

void SiteBookWindow::reloadTree(Kind kind, qint64 id)
{
    if (!m_book)
        return;
    if (id == 0) {
        if (QTreeWidgetItem *current = m_tree->currentItem()) {
            kind = Kind(current->data(0, kKindRole).toInt());
            id = current->data(0, kIdRole).toLongLong();
        }
    }
    BookResult<QList<BookSite>> sites = m_book->Sites();
    BookResult<QList<BookUnit>> units = sites.ok() ? m_book->Units() : BookResult<QList<BookUnit>>(sites.error);
    if (!units.ok()) {
        setStatus(units.error.message);
        return;
    }
    m_sites = sites.value;
    m_units = units.value;
    m_filling = true;
    m_tree->clear();
    for (const BookSite &s : std::as_const(m_sites)) {
        auto *site = new QTreeWidgetItem(m_tree, {s.name, s.address});
        site->setData(0, kKindRole, int(Kind::Site));
        site->setData(0, kIdRole, s.id);
        site->setToolTip(0, s.notes);
        for (const BookUnit &u : std::as_const(m_units)) {
            if (u.siteId != s.id)
                continue;
            auto *unit = new QTreeWidgetItem(site, {u.label, ReachedBy(u)});
            unit->setData(0, kKindRole, int(Kind::Unit));
            unit->setData(0, kIdRole, u.id);
            unit->setToolTip(0, u.notes);
        }
    }
    m_tree->expandAll();
    QTreeWidgetItem *current = itemOf(kind, id);
    m_tree->setCurrentItem(current);
    m_filling = false;
    currentChanged();
}

QTreeWidgetItem *SiteBookWindow::itemOf(Kind kind, qint64 id) const
{
    for (int s = 0; s < m_tree->topLevelItemCount(); ++s) {
        QTreeWidgetItem *site = m_tree->topLevelItem(s);
        if (kind == Kind::Site && site->data(0, kIdRole).toLongLong() == id)
            return site;
        for (int u = 0; u < site->childCount(); ++u)
            if (kind == Kind::Unit && site->child(u)->data(0, kIdRole).toLongLong() == id)
                return site->child(u);
    }
    return nullptr;
}

std::optional<BookUnit> SiteBookWindow::UnitOf(qint64 unitId) const
{
    for (const BookUnit &u : m_units)
        if (u.id == unitId)
            return u;
    return std::nullopt;
}

const BookSite *SiteBookWindow::siteOf(qint64 id) const
{
    for (const BookSite &s : m_sites)
        if (s.id == id)
            return &s;
    return nullptr;
}

std::optional<BookUnit> SiteBookWindow::CurrentUnit() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    if (!item || Kind(item->data(0, kKindRole).toInt()) != Kind::Unit)
        return std::nullopt;
    return UnitOf(item->data(0, kIdRole).toLongLong());
}

std::optional<BookSite> SiteBookWindow::currentSite() const
{
    const QTreeWidgetItem *item = m_tree->currentItem();
    if (!item)
        return std::nullopt;
    if (Kind(item->data(0, kKindRole).toInt()) == Kind::Unit)
        item = item->parent();
    if (const BookSite *s = item ? siteOf(item->data(0, kIdRole).toLongLong()) : nullptr)
        return *s;
    return std::nullopt;
}

void SiteBookWindow::SelectUnit(qint64 unitId)
{
    if (QTreeWidgetItem *item = itemOf(Kind::Unit, unitId)) {
        m_tree->setCurrentItem(item);
        m_tree->scrollToItem(item);
    }
}

void SiteBookWindow::currentChanged()
{
    if (m_filling)
        return;
    const std::optional<BookUnit> unit = CurrentUnit();
    if (unit) {
        m_unitDetails->setText(QStringLiteral("%1: %2\nModel: %3   MemoryLimit: %4\nLast reached: %5")
                                   .arg(unit->label, ReachedBy(*unit), ShownModelLine(*unit),
                                        ShownMemoryLimit(*unit), ShownTime(unit->lastReached)));
    } else if (const std::optional<BookSite> site = currentSite()) {
        m_unitDetails->setText(site->address.isEmpty() ? site->name : site->name + QStringLiteral(", ") + site->address);
    } else {
        m_unitDetails->clear();
    }
    m_history->ShowUnit(unit);
    enableControls();
}

void SiteBookWindow::enableControls()
{
    const bool open = m_book != nullptr;
    const QTreeWidgetItem *item = m_tree->currentItem();
    m_tree->setEnabled(open);
    m_find->setEnabled(open);
    m_addSite->setEnabled(open);
    m_addUnit->setEnabled(open && !m_sites.isEmpty());
    m_edit->setEnabled(open && item);
    m_remove->setEnabled(open && item);
    m_logOn->setEnabled(open && CurrentUnit().has_value());
}

// --- what needs the unit ----------------------------------------------------------------------

void SiteBookWindow::logOnClicked()
{
    if (const std::optional<BookUnit> unit = CurrentUnit())
        emit logOnRequested(*unit);
}

BookError SiteBookWindow::ExportSnapshotTo(qint64 snapshotId, const QString &path)
{
    if (!m_book)
        return BookError::Fail(BookFailure::Unreachable, QStringLiteral("No site book is open."));
    return m_book->ExportSnapshot(snapshotId, path);
}

void SiteBookWindow::MarkReached(qint64 unitId, const QByteArray &modelLine, int memoryLimit)
{
    if (!m_book)
        return;
    const BookError e = m_book->MarkReached(unitId, modelLine, memoryLimit);
    if (!e.ok()) {
        setStatus(e.message);
        return;
    }
    reloadTree(Kind::Unit, unitId);
}

// --- find across the book ---------------------------------------------------------------------

void SiteBookWindow::findNow()
{
    m_findTimer->stop();
    m_filling = true;
    m_results->clear();
    m_filling = false;
    const QString text = m_find->text().trimmed();
    if (!m_book || text.isEmpty()) {
        m_findCount->clear();
        return;
    }
    BookResult<QList<FoundRecord>> found = m_book->Find(text, kFindLimit);
    m_views->setCurrentIndex(1);
    if (!found.ok()) {
        m_findCount->setText(found.error.message);
        return;
    }
    m_filling = true;
    for (const FoundRecord &f : std::as_const(found.value)) {
        auto *row = new QTreeWidgetItem(m_results, {f.site, f.unit, latin1(f.name), latin1(f.room), latin1(f.phone),
                                                    latin1(f.tag)});
        row->setData(0, kIdRole, f.unitId);
    }
    m_filling = false;
    const int n = int(found.value.size());
    m_findCount->setText(n == 0 ? QStringLiteral("No unit's latest snapshot holds \"%1\".").arg(text)
                         : n >= kFindLimit ? QStringLiteral("The first %1 records that hold \"%2\":").arg(n).arg(text)
                         : n == 1          ? QStringLiteral("1 record holds \"%1\":").arg(text)
                                           : QStringLiteral("%1 records hold \"%2\":").arg(n).arg(text));
}

// Choosing a match chooses its unit in the tree (and so its history).
void SiteBookWindow::findChosen()
{
    if (m_filling)
        return;
    if (const QTreeWidgetItem *row = m_results->currentItem())
        SelectUnit(row->data(0, kIdRole).toLongLong());
}

} // namespace porv
