#include "bookhistory.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "bookshown.h"
#include "bookwidgets.h"
#include "sitebook.h"
#include "sitebookhost.h"
#include "unitbackup.h"
#include "unitcompare.h"

namespace porv {

namespace {

// What the kind filter offers: everything, snapshots alone, journal entries
// alone, then each kind of write.
constexpr int kEverything = -1, kSnapshots = -2, kJournal = -3;
constexpr JournalKind kKinds[] = {
    JournalKind::RecordCommitted, JournalKind::RecordInserted, JournalKind::RecordDeleted,
    JournalKind::FullUpload,      JournalKind::ParametersWrite, JournalKind::ParametersWriteAll,
    JournalKind::PinsWritten,     JournalKind::TagsWritten,    JournalKind::TagsErased,
    JournalKind::ClockSet,        JournalKind::WriteChanges,   JournalKind::Restore,
};

// A release code's value, whatever it is (its length is not told either).
const QByteArray kMasked = QByteArrayLiteral("****");

// The two snapshots' differences as the unit compare lists them, the release
// codes masked as in the journal's changes.
QString letters(const QString &text)
{
    QString out;
    for (QChar c : text)
        if (c.isLetterOrNumber())
            out.append(c.toLower());
    return out;
}

// A field's bytes as Latin-1, control bytes as a middle dot.
QString shownBytes(const QByteArray &bytes)
{
    QString out = QString::fromLatin1(bytes);
    for (QChar &c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar(0x00B7);
    return out;
}

QString whatOf(const HistoryItem &item)
{
    if (item.isSnapshot)
        return QStringLiteral("Snapshot (%1)").arg(SnapshotOriginName(item.snapshot.origin));
    const JournalRecord &e = item.entry;
    QString what = e.kindName;
    if (!e.confirmed)
        what += QStringLiteral(", not confirmed by the unit");
    if (e.changeCount > 0)
        what += e.changeCount == 1 ? QStringLiteral(" (1 change)") : QStringLiteral(" (%1 changes)").arg(e.changeCount);
    return what;
}

QString who(const HistoryItem &item) { return item.isSnapshot ? item.snapshot.who : item.entry.who; }
QString pc(const HistoryItem &item) { return item.isSnapshot ? item.snapshot.pc : item.entry.pc; }

} // namespace

bool IsReleaseCodeChange(const QString &item, const QString &field)
{
    const QString f = letters(field), i = letters(item);
    // A record's Code 1 and Code 2; the six gate codes (code_g1 .. code_sd2 on
    // the parameters page, block 0001 on the unit).
    static const QStringList gate{QStringLiteral("codeg"), QStringLiteral("codeic"), QStringLiteral("codesd")};
    if (f == QLatin1String("code1") || f == QLatin1String("code2"))
        return true;
    for (const QString &g : gate)
        if (f.startsWith(g))
            return true;
    for (const QString &t : {f, i})
        if (t.contains(QLatin1String("gatecode")) || t.contains(QLatin1String("releasecode"))
            || t.contains(QLatin1String("block0001")))
            return true;
    return false;
}

QString ShownChangeValue(const RecordedChange &change, bool after)
{
    if (change.secret)
        return after ? QStringLiteral("changed") : QString();
    const QByteArray &value = after ? change.after : change.before;
    if (IsReleaseCodeChange(change.item, change.field))
        return value.isEmpty() ? QStringLiteral("(empty)") : QString::fromLatin1(kMasked);
    return shownBytes(value);
}

BookHistoryView::BookHistoryView(SiteBookHost &host, QWidget *parent) : QWidget(parent), m_host(host)
{
    setObjectName(QStringLiteral("BookHistory"));
    m_title = Named(new QLabel(this), "HistoryTitle", QStringLiteral("History of"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);

    m_kind = Named(new QComboBox(this), "HistoryKind", QStringLiteral("Show"));
    m_kind->addItem(QStringLiteral("Everything"), kEverything);
    m_kind->addItem(QStringLiteral("Snapshots"), kSnapshots);
    m_kind->addItem(QStringLiteral("Journal entries"), kJournal);
    for (JournalKind k : kKinds)
        m_kind->addItem(JournalKindName(k), int(k));
    m_text = Named(new QLineEdit(this), "HistoryText", QStringLiteral("Filter the history"));
    m_text->setPlaceholderText(QStringLiteral("Filter: who, PC, what"));
    SetClearable(m_text);
    m_count = Named(new QLabel(this), "HistoryCount", QStringLiteral("Items shown"));
    auto *kindLabel = new QLabel(QStringLiteral("S&how:"), this);
    kindLabel->setBuddy(m_kind);

    m_list = Named(new QTreeWidget(this), "HistoryList", QStringLiteral("History"));
    m_list->setHeaderLabels({QStringLiteral("When"), QStringLiteral("Who"), QStringLiteral("PC"), QStringLiteral("What")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, 140);
    m_list->setColumnWidth(1, 80);
    m_list->setColumnWidth(2, 90);

    m_details = Named(new QLabel(this), "HistoryDetails", QStringLiteral("Details"));
    m_details->setWordWrap(true);
    m_changes = Named(new QTreeWidget(this), "HistoryChanges", QStringLiteral("Changes of the entry"));
    m_changes->setHeaderLabels(
        {QStringLiteral("Item"), QStringLiteral("Field"), QStringLiteral("Before"), QStringLiteral("After")});
    m_changes->setRootIsDecorated(false);
    m_changes->setUniformRowHeights(true);
    m_changes->setColumnWidth(0, 110);
    m_changes->setColumnWidth(1, 90);
    m_changes->setColumnWidth(2, 130);

    m_compare = Named(new QPushButton(QStringLiteral("Co&mpare snapshots…"), this), "CompareSnapshots",
                      QStringLiteral("Compare snapshots"));
    m_compare->setToolTip(QStringLiteral("Choose two snapshots to see what changed from one to the other"));
    m_restore = Named(new QPushButton(QStringLiteral("&Restore this snapshot…"), this), "RestoreSnapshot",
                      QStringLiteral("Restore this snapshot"));
    m_export = Named(new QPushButton(QStringLiteral("&Export snapshot…"), this), "ExportSnapshot",
                     QStringLiteral("Export snapshot"));
    m_import = Named(new QPushButton(QStringLiteral("&Import backup…"), this), "ImportBackup",
                     QStringLiteral("Import backup"));

    auto *filters = new QHBoxLayout;
    filters->addWidget(kindLabel);
    filters->addWidget(m_kind);
    filters->addWidget(m_text, 1);
    filters->addWidget(m_count);
    auto *lower = new QWidget(this);
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->addWidget(m_details);
    lowerLayout->addWidget(m_changes, 1);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("HistorySplit"));
    split->addWidget(m_list);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {m_compare, m_restore, m_export, m_import})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addLayout(filters);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    connect(m_kind, &QComboBox::currentIndexChanged, this, &BookHistoryView::applyFilter);
    connect(m_text, &QLineEdit::textChanged, this, &BookHistoryView::applyFilter);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &BookHistoryView::selectionChanged);
    connect(m_compare, &QPushButton::clicked, this, &BookHistoryView::compareClicked);
    connect(m_export, &QPushButton::clicked, this, &BookHistoryView::exportClicked);
    connect(m_import, &QPushButton::clicked, this, &BookHistoryView::importClicked);
    connect(m_restore, &QPushButton::clicked, this, &BookHistoryView::restoreClicked);
    ShowUnit(std::nullopt);
}

void BookHistoryView::SetBook(SiteBook *book)
{
    m_book = book;
    ShowUnit(std::nullopt);
}

void BookHistoryView::ShowUnit(const std::optional<BookUnit> &unit)
{
    m_unit = m_book ? unit : std::nullopt;
    Reload();
}

void BookHistoryView::Reload()
{
    {
        // The rows go before the items they stand for.
        const QSignalBlocker quiet(m_list);
        m_list->clear();
    }
    m_items.clear();
    m_changes->clear();
    m_details->clear();
    if (!m_unit) {
        m_title->setText(QStringLiteral("Choose a unit to see its history."));
    } else {
        m_title->setText(QStringLiteral("History of %1 (%2)").arg(m_unit->label, m_unit->siteName));
        BookResult<QList<HistoryItem>> history = m_book->History(m_unit->id);
        if (!history.ok())
            m_details->setText(history.error.message);
        m_items = history.value;
    }
    for (int i = 0; i < m_items.size(); ++i) {
        const HistoryItem &h = m_items.at(i);
        auto *row = new QTreeWidgetItem(m_list, {ShownTime(h.at, QString()), who(h), pc(h), whatOf(h)});
        row->setData(0, Qt::UserRole, i);
        if (!h.isSnapshot && !h.entry.confirmed)
            row->setForeground(3, QColor(160, 0, 0));
    }
    applyFilter();
}

void BookHistoryView::applyFilter()
{
    const int kind = m_kind->currentData().toInt();
    const QString text = m_text->text().trimmed();
    int shown = 0;
    for (int r = 0; r < m_list->topLevelItemCount(); ++r) {
        QTreeWidgetItem *row = m_list->topLevelItem(r);
        const HistoryItem &h = m_items.at(row->data(0, Qt::UserRole).toInt());
        bool pass = kind == kEverything || (kind == kSnapshots && h.isSnapshot) || (kind == kJournal && !h.isSnapshot)
            || (kind >= 0 && !h.isSnapshot && h.entry.kind && int(*h.entry.kind) == kind);
        if (pass && !text.isEmpty()) {
            pass = false;
            for (int c = 0; c < m_list->columnCount() && !pass; ++c)
                pass = row->text(c).contains(text, Qt::CaseInsensitive);
        }
        row->setHidden(!pass);
        if (!pass)
            row->setSelected(false);
        shown += pass ? 1 : 0;
    }
    m_count->setText(QStringLiteral("%1 of %2").arg(shown).arg(m_items.size()));
    enableButtons();
}

QList<const HistoryItem *> BookHistoryView::chosen() const
{
    QList<const HistoryItem *> out;
    for (QTreeWidgetItem *row : m_list->selectedItems())
        if (!row->isHidden())
            out.append(&m_items.at(row->data(0, Qt::UserRole).toInt()));
    return out;
}

QList<SnapshotInfo> BookHistoryView::chosenSnapshots() const
{
    QList<SnapshotInfo> out;
    for (const HistoryItem *h : chosen())
        if (h->isSnapshot)
            out.append(h->snapshot);
    return out;
}

void BookHistoryView::selectionChanged()
{
    m_changes->clear();
    m_details->clear();
    const QList<const HistoryItem *> items = chosen();
    if (items.size() == 1) {
        const HistoryItem &h = *items.first();
        if (h.isSnapshot) {
            m_details->setText(QStringLiteral("Snapshot taken %1, recorded %2 by %3 on %4 with porv-pro %5.")
                                   .arg(ShownTime(h.snapshot.taken), ShownTime(h.snapshot.recorded), h.snapshot.who,
                                        h.snapshot.pc, h.snapshot.version));
        } else {
            showChanges(h.entry);
        }
    } else if (items.size() > 1) {
        m_details->setText(QStringLiteral("%1 chosen.").arg(items.size()));
    }
    enableButtons();
}

void BookHistoryView::showChanges(const JournalRecord &entry)
{
    m_details->setText(QStringLiteral("%1 at %2 by %3 on %4 with porv-pro %5%6.")
                           .arg(entry.kindName, ShownTime(entry.at), entry.who, entry.pc, entry.version,
                                entry.confirmed ? QString() : QStringLiteral(": the unit did not confirm it")));
    if (!m_book || entry.changeCount == 0)
        return;
    BookResult<QList<RecordedChange>> changes = m_book->JournalChanges(entry.id);
    if (!changes.ok()) {
        m_details->setText(changes.error.message);
        return;
    }
    for (const RecordedChange &c : changes.value)
        new QTreeWidgetItem(m_changes, {c.item, c.field, ShownChangeValue(c, false), ShownChangeValue(c, true)});
}

void BookHistoryView::enableButtons()
{
    const QList<const HistoryItem *> items = chosen();
    const QList<SnapshotInfo> snapshots = chosenSnapshots();
    const bool one = items.size() == 1 && snapshots.size() == 1;
    m_compare->setEnabled(items.size() == 2 && snapshots.size() == 2);
    m_restore->setEnabled(one);
    m_export->setEnabled(one);
    m_import->setEnabled(m_book && m_unit);
    m_kind->setEnabled(m_unit.has_value());
    m_text->setEnabled(m_unit.has_value());
}

// The older snapshot stands for the unit: the list says what changed from it
// to the newer one.
void BookHistoryView::compareClicked()
{
    QList<SnapshotInfo> pair = chosenSnapshots();
    if (!m_book || !m_unit || pair.size() != 2)
        return;
    std::sort(pair.begin(), pair.end(), [](const SnapshotInfo &a, const SnapshotInfo &b) {
        return a.taken != b.taken ? a.taken < b.taken : a.id < b.id;
    });
    BookResult<UnitBackup> older = m_book->SnapshotBackup(pair[0].id);
    if (!older.ok()) {
        m_host.ShowMessage(older.error.message);
        return;
    }
    BookResult<UnitBackup> newer = m_book->SnapshotBackup(pair[1].id);
    if (!newer.ok()) {
        m_host.ShowMessage(newer.error.message);
        return;
    }
    UnitDiff diff = CompareUnit(older.value, newer.value);
    diff.unitSide = QStringLiteral("older");
    diff.pcSide = QStringLiteral("newer");
    m_host.ShowChanges(QStringLiteral("Compare snapshots"),
                       QStringLiteral("What changed in %1 from the snapshot of %2 to that of %3:")
                           .arg(m_unit->label, ShownTime(pair[0].taken), ShownTime(pair[1].taken)),
                       DiffLines(diff));
}

void BookHistoryView::exportClicked()
{
    const QList<SnapshotInfo> one = chosenSnapshots();
    if (!m_book || !m_unit || one.size() != 1)
        return;
    const QString path = m_host.AskSaveFileName(
        {BackupFileExtension(), BackupFileFilter(), SnapshotFileName(m_unit->label, one.first().taken)});
    if (path.isEmpty())
        return;
    const BookError e = m_book->ExportSnapshot(one.first().id, path);
    if (!e.ok()) {
        m_host.ShowMessage(e.message);
        return;
    }
    emit statusChanged(QStringLiteral("Snapshot saved as %1").arg(QDir::toNativeSeparators(path)));
}

void BookHistoryView::importClicked()
{
    if (!m_book || !m_unit)
        return;
    const QString path = m_host.AskOpenFileName({BackupFileExtension(), BackupFileFilter(), QString()});
    if (path.isEmpty())
        return;
    BookResult<SnapshotInfo> imported = m_book->ImportSnapshot(m_unit->id, path);
    if (!imported.ok()) {
        m_host.ShowMessage(imported.error.message);
        return;
    }
    emit statusChanged(QStringLiteral("%1 is now a snapshot of %2").arg(QFileInfo(path).fileName(), m_unit->label));
    Reload();
}

void BookHistoryView::restoreClicked()
{
    const QList<SnapshotInfo> one = chosenSnapshots();
    if (one.size() == 1)
        emit restoreRequested(one.first());
}

} // namespace porv
