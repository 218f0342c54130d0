#include "directorypage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

#include "clientfinder.h"
#include "directorytransfer.h"
#include "link.h"
#include "shellservices.h"
#include "tablegridview.h"

namespace porv {

// What the directory core's operations see of the page: its table and flags,
// and the controls that follow them.
class DirectoryPage::Hooks : public DirectoryAccess {
public:
    explicit Hooks(DirectoryPage &page) : m_page(page) {}
    MemTable &Table() override { return m_page.m_table; }
    DirectoryState &State() override { return m_page.m_state; }
    void LayoutDirectoryGrid() override { m_page.LayoutDirectoryGrid(); }
    void SetDirectorySynced(bool synced) override { m_page.SetDirectorySynced(synced); }
    void HoldTransfers(bool hold) override
    {
        if (hold)
            m_page.holdTransferButtons();
        else
            m_page.releaseTransferButtons();
    }
    void HoldGrid(bool hold) override { m_page.m_grid->setEnabled(!hold); }

private:
    DirectoryPage &m_page;
};

// --- construction -------------------------------------------------------------------

DirectoryPage::DirectoryPage(Link &link, ShellServices &shell, QPlainTextEdit *rxMemo, QWidget *parent)
    : QWidget(parent), m_link(link), m_shell(shell), m_model(&m_table), m_hooks(std::make_unique<Hooks>(*this))
{
    setObjectName(QStringLiteral("DirectoryPage"));
    m_gridModel.setSourceModel(&m_model);
    build(rxMemo);
    wireTable();
    FileNew();
}

DirectoryPage::~DirectoryPage()
{
    // The boxes must not run their change handling while the page goes.
    m_table.SetBeforeDelete({});
    disconnect(&m_table, nullptr, this, nullptr);
}

void DirectoryPage::build(QPlainTextEdit *rxMemo)
{
    auto *grid = new TableGridView(this);
    m_grid = grid;
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setAccessibleName(QStringLiteral("Phone list"));
    m_grid->setModel(&m_gridModel);
    // The find row above the grid filters what the grid shows, never the table.
    auto *finder = new ClientFinder(m_table, grid, ClientFinder::History::Room, QStringLiteral("FindClient"), this);
    m_finder = finder;
    connect(finder, &ClientFinder::historyRequested, this,
            [this](const QByteArray &room, bool tagEvents) { m_shell.ShowHistory(room, tagEvents); });
    connect(finder, &ClientFinder::nothingShownChanged, this, &DirectoryPage::showNoRecord);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSortingEnabled(false);
    m_grid->setWordWrap(false);
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_grid->verticalHeader()->setFixedWidth(12); // the row indicator
    m_grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_grid->setFixedWidth(kDBGrid1Width);
    // The layout's widths, wider where a name or a title needs it, and the
    // grid as wide as its columns then are.
    new ColumnFit(m_grid, [this] { sizeGrid(); });
    grid->userMovedTo = [this](int row) { gridRowChosen(row); };
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionClicked, this, &DirectoryPage::DBGrid1TitleClick);
    connect(&m_gridModel, &QAbstractItemModel::modelReset, this, [this] {
        // The grid builds its columns afresh from the fields.
        if (m_gridModel.columnCount() != m_laidOutColumns)
            LayoutDirectoryGrid();
        syncGrid();
    });

    // The edit boxes.
    auto box = [this](const char *name, int maxLength, const QString &hint) {
        auto *b = new DirectoryEditBox(this);
        b->setObjectName(QLatin1String(name));
        b->setMaxLength(maxLength);
        const int bar = hint.indexOf(QLatin1Char('|'));
        b->setToolTip(hint.left(bar));
        b->setStatusTip(hint.mid(bar + 1));
        return b;
    };
    m_name = box("Namef", 16, QStringLiteral("Client's Name|Client's Name (16 character max)"));
    m_room = box("RoomNumber", 6, QStringLiteral("Client's Room No.|Client's Room Number (6 Digits max)"));
    m_phone = box("PHnumber", 16, QStringLiteral("Client's Phone No.|Telephone Number (16 character max)"));
    m_code1 = box("Code1", 4, QStringLiteral("Relay 1 code|Relay 1 release Code (4 Digits Max)"));
    m_code2 = box("Code2", 4, QStringLiteral("Relay 2 code|Relay 2 release Code (4 Digits Max)"));
    // What each box holds, for the accessibility interface (the labels beside
    // them are shorter).
    m_name->setAccessibleName(QStringLiteral("Client's name"));
    m_room->setAccessibleName(QStringLiteral("Client's room number"));
    m_phone->setAccessibleName(QStringLiteral("Client's phone number"));
    m_code1->setAccessibleName(QStringLiteral("Relay 1 release code"));
    m_code2->setAccessibleName(QStringLiteral("Relay 2 release code"));
    m_spare = new QLineEdit(this);
    m_spare->setObjectName(QStringLiteral("Spare"));
    m_spare->setMaxLength(2);
    m_spare->hide();

    m_name->setKeyRule([this](QKeyEvent *e) { return NamefKeyPress(e->key()); });
    m_room->setKeyRule([this](QKeyEvent *e) { return RoomNumberKeyPress(e->key()); });
    m_phone->setKeyRule([this](QKeyEvent *e) { return PHnumberKeyPress(e->key(), e->text()); });
    m_code1->setKeyRule([this](QKeyEvent *e) { return CodeKeyPress(m_code1, e->key()); });
    m_code2->setKeyRule([this](QKeyEvent *e) { return CodeKeyPress(m_code2, e->key()); });
    // NamefChange, RoomNumberChange, PHnumberChange, Code1Change, Code2Change.
    for (QLineEdit *b : {static_cast<QLineEdit *>(m_name), static_cast<QLineEdit *>(m_room),
                         static_cast<QLineEdit *>(m_phone), static_cast<QLineEdit *>(m_code1),
                         static_cast<QLineEdit *>(m_code2)})
        connect(b, &QLineEdit::textChanged, this, &DirectoryPage::EnableEntryButtons);
    // Pasted text goes through the same filter as typed keys.
    connect(m_phone, &QLineEdit::textEdited, this, &DirectoryPage::PHnumberEdited);

    auto label = [this](const QString &text, const char *name = nullptr) {
        auto *l = new QLabel(text, this);
        if (name)
            l->setObjectName(QLatin1String(name));
        return l;
    };
    m_recordNo = label(QStringLiteral("-1"), "recordno");
    m_totRec = label(QStringLiteral("0"), "totrec");

    auto button = [this](const char *name, const QString &caption, const QString &hint = QString()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        if (!hint.isEmpty()) {
            const int bar = hint.indexOf(QLatin1Char('|'));
            if (bar > 0)
                b->setToolTip(hint.left(bar));
            b->setStatusTip(hint.mid(bar + 1));
        }
        b->setAutoDefault(false);
        return b;
    };
    m_navInst = button("NavInst", QStringLiteral("Insert"));
    m_navOk = button("NavOk", QStringLiteral("OK"));
    m_undo = button("Undo", QStringLiteral("Undo"));
    m_navInst->setEnabled(false);
    m_navOk->setEnabled(false);
    m_undo->setEnabled(false);
    connect(m_navInst, &QPushButton::clicked, this, &DirectoryPage::NavInstClick);
    connect(m_navOk, &QPushButton::clicked, this, &DirectoryPage::NavOkClick);
    connect(m_undo, &QPushButton::clicked, this, &DirectoryPage::UndoClick);

    m_wrtChg = new QCheckBox(QStringLiteral("Write Each Change"), this);
    m_wrtChg->setObjectName(QStringLiteral("WrtChg"));
    m_wrtChg->setChecked(true);
    m_wrtChg->setEnabled(false);

    m_getData = button("GetData", QStringLiteral("GetData"), QStringLiteral("|Retrive All Portavel data"));
    m_writeData = button("WriteData", QStringLiteral("WriteAllData"));
    m_getData->setEnabled(false);
    m_writeData->setEnabled(false);
    connect(m_getData, &QPushButton::clicked, this, &DirectoryPage::GetDataClick);
    connect(m_writeData, &QPushButton::clicked, this, &DirectoryPage::WriteDataClick);

    // The navigator bar.
    m_navigator = new QWidget(this);
    m_navigator->setObjectName(QStringLiteral("DBNavigator1"));
    auto *navLayout = new QHBoxLayout(m_navigator);
    navLayout->setContentsMargins(0, 0, 0, 0);
    navLayout->setSpacing(0);
    struct NavButtonInfo { NavButton which; const char *name; QStyle::StandardPixmap icon; const char *text; const char *hint; };
    const NavButtonInfo navs[] = {
        {NavButton::First, "nbFirst", QStyle::SP_MediaSkipBackward, "", "First record"},
        {NavButton::Prior, "nbPrior", QStyle::SP_MediaSeekBackward, "", "Prior record"},
        {NavButton::Next, "nbNext", QStyle::SP_MediaSeekForward, "", "Next record"},
        {NavButton::Last, "nbLast", QStyle::SP_MediaSkipForward, "", "Last record"},
        {NavButton::Insert, "nbInsert", QStyle::SP_CustomBase, "+", "Insert record"},
        {NavButton::Delete, "nbDelete", QStyle::SP_CustomBase, "-", "Delete record"},
        {NavButton::Refresh, "nbRefresh", QStyle::SP_BrowserReload, "", "Refresh data"},
    };
    for (const NavButtonInfo &n : navs) {
        auto *b = new QToolButton(m_navigator);
        b->setObjectName(QLatin1String(n.name));
        if (n.icon != QStyle::SP_CustomBase)
            b->setIcon(style()->standardIcon(n.icon));
        else
            b->setText(QLatin1String(n.text));
        b->setToolTip(QLatin1String(n.hint));
        b->setAccessibleName(QLatin1String(n.hint));
        b->setFixedSize(26, 22);
        b->setFocusPolicy(Qt::NoFocus);
        const NavButton which = n.which;
        connect(b, &QToolButton::clicked, this, [this, which] { NavigatorClick(which); });
        navLayout->addWidget(b);
    }

    m_files = new QLineEdit(this);
    m_files->setObjectName(QStringLiteral("DBFiles"));
    m_files->setAccessibleName(QStringLiteral("Phone list file"));

    // Layout: the grid on the left; on the right the record position, the
    // boxes, the commit buttons, the transfer buttons and the receive view;
    // below the navigator bar and the file name.
    auto *boxes = new QGridLayout;
    boxes->setHorizontalSpacing(4);
    boxes->setVerticalSpacing(3);
    auto *position = new QHBoxLayout;
    position->addWidget(label(QStringLiteral("Record # ")));
    position->addWidget(m_recordNo);
    position->addWidget(label(QStringLiteral("of")));
    position->addWidget(m_totRec);
    position->setSpacing(4);
    position->addStretch(1);
    boxes->addLayout(position, 0, 0, 1, 3);
    boxes->setColumnStretch(1, 1);
    boxes->setColumnStretch(2, 1);
    boxes->addWidget(label(QStringLiteral("Name")), 1, 0);
    boxes->addWidget(m_name, 1, 1, 1, 2);
    boxes->addWidget(label(QStringLiteral("Room")), 2, 0);
    boxes->addWidget(m_room, 2, 1);
    boxes->addWidget(label(QStringLiteral("Phone")), 3, 0);
    boxes->addWidget(m_phone, 3, 1, 1, 2);
    boxes->addWidget(label(QStringLiteral("codes")), 4, 0);
    boxes->addWidget(m_code1, 4, 1);
    boxes->addWidget(m_code2, 4, 2);
    m_room->setMaximumWidth(80);
    m_code1->setMaximumWidth(80);
    m_code2->setMaximumWidth(80);

    auto *commit = new QHBoxLayout;
    commit->addWidget(m_navInst);
    commit->addWidget(m_navOk);
    commit->addWidget(m_undo);

    auto *transfer = new QHBoxLayout;
    transfer->addWidget(m_getData);
    transfer->addWidget(m_writeData);

    auto *right = new QVBoxLayout;
    right->setSpacing(4);
    right->addLayout(boxes);
    right->addLayout(commit);
    right->addWidget(m_wrtChg);
    right->addLayout(transfer);
    if (rxMemo) {
        if (QWidget *holder = rxMemo->parentWidget()) {
            if (QLayout *l = holder->layout())
                l->removeWidget(rxMemo);
        }
        rxMemo->setParent(this);
        rxMemo->setMinimumHeight(60);
        rxMemo->setMaximumHeight(QWIDGETSIZE_MAX);
        right->addWidget(rxMemo, 1);
    } else {
        right->addStretch(1);
    }

    auto *top = new QHBoxLayout;
    top->setSpacing(6);
    auto *gridColumn = new QVBoxLayout;
    gridColumn->setSpacing(3);
    gridColumn->addWidget(finder);
    gridColumn->addWidget(m_grid, 1);
    top->addLayout(gridColumn);
    top->addLayout(right, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_navigator);
    bottom->addSpacing(8);
    bottom->addWidget(m_files, 1);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);
    outer->addLayout(top, 1);
    outer->addLayout(bottom);

    setTabOrder(m_name, m_room);
    setTabOrder(m_room, m_phone);
    setTabOrder(m_phone, m_code1);
    setTabOrder(m_code1, m_code2);
    setTabOrder(m_code2, m_navOk);
}

void DirectoryPage::wireTable()
{
    m_table.SetBeforeDelete([this] { return DirectoryTableBeforeDelete(); });
    connect(&m_table, &MemTable::afterMove, this, [this] {
        // While display updates are suspended (a fill, a renumbering, the
        // RFID page's binding) neither the grid nor the boxes follow.
        if (m_table.DisplaySuspended())
            return;
        syncGrid();
        DirectoryTableAfterScroll();
    });
}

void DirectoryPage::AttachGrid(QTableView *grid, DirectoryGrid which)
{
    if (!grid)
        return;
    m_otherGrids.append({QPointer<QTableView>(grid), which});
    ApplyDirectoryGridLayout(grid, which);
}

void DirectoryPage::LayoutDirectoryGrid()
{
    ApplyDirectoryGridLayout(m_grid, DirectoryGrid::DBGrid1);
    for (const auto &g : std::as_const(m_otherGrids))
        ApplyDirectoryGridLayout(g.first, g.second);
    m_laidOutColumns = m_gridModel.columnCount();
    sizeGrid();
    m_grid->viewport()->update();
}

void DirectoryPage::sizeGrid()
{
    // kDBGrid1Width at the layout's widths; wider when a column had to grow.
    m_grid->setFixedWidth(std::max(kDBGrid1Width, GridWidthFor(m_grid, ShownColumnsWidth(m_grid))));
}

void DirectoryPage::ShowCodeColumns(bool globalCodesInUse)
{
    if (!m_table.IsOpen())
        return;
    m_gridModel.setGlobalCodes(globalCodesInUse);
}

void DirectoryPage::syncGrid()
{
    if (m_table.DisplaySuspended())
        return;
    m_syncing = true;
    MarkTableRow(m_grid, m_table.Position() - 1);
    m_syncing = false;
}

void DirectoryPage::gridRowChosen(int row)
{
    if (m_syncing || !m_table.IsOpen())
        return;
    m_table.SetPosition(row + 1);
    // Settling a pending record may have shifted the rows: show where the
    // table really is.
    syncGrid();
}

// --- state ----------------------------------------------------------------------------

void DirectoryPage::SetDirectorySynced(bool synced)
{
    m_state.DirectorySynced = synced;
    m_wrtChg->setEnabled(synced);
}

bool DirectoryPage::WriteEachChange() const { return m_wrtChg->isChecked(); }

DirectoryAccess &DirectoryPage::Access() { return *m_hooks; }

bool DirectoryPage::DirectoryTableBeforeDelete()
{
    if (!m_state.DeleteConfirmed)
        return false;
    m_state.DeleteConfirmed = false;
    return true;
}

QByteArray DirectoryPage::boxText(const QLineEdit *box) const { return box->text().toLatin1(); }

void ShowBoxText(QLineEdit *box, const QByteArray &value)
{
    const QString text = QString::fromLatin1(value);
    if (box->text() != text)
        box->setText(text);
}

} // namespace porv
