// The window at its default size against the simulated unit: grids that
// show their titles, row numbers and values whole; a change list that wraps;
// a log-on that wants the unit's address; status panel 0 after the link ends;
// every control a person can reach named, and named once, for the
// accessibility interface; file dialogs that open where the user keeps files.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "aboutbox.h"
#include "delay.h"
#include "enterpin.h"
#include "link.h"
#include "link_test_access.h"
#include "shell_fixture.h"
#include "unit_seed.h"
#include "unitchanges.h"

using namespace shelltest;

namespace {

// The width the header's style leaves for a title in a section of `width`.
int TitleRoom(const QHeaderView *header, int width)
{
    QStyleOptionHeader option;
    option.initFrom(header);
    option.rect = QRect(0, 0, width, header->height());
    option.orientation = header->orientation();
    return header->style()->subElementRect(QStyle::SE_HeaderLabel, &option, header).width();
}

// Everything the grid's shown columns and rows' header hold fits them, and
// the columns lie within the grid's visible width.
void ExpectWhole(const QTableView *grid)
{
    SCOPED_TRACE(grid->objectName().toStdString());
    const QAbstractItemModel *model = grid->model();
    const QFontMetrics titles(grid->horizontalHeader()->font());
    int last = -1;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (grid->isColumnHidden(c))
            continue;
        last = c;
        const QString title = model->headerData(c, Qt::Horizontal).toString();
        EXPECT_LE(titles.horizontalAdvance(title), TitleRoom(grid->horizontalHeader(), grid->columnWidth(c)))
            << title.toStdString();
        for (int r = 0; r < model->rowCount(); ++r) {
            const QModelIndex at = model->index(r, c);
            ASSERT_LE(grid->sizeHintForIndex(at).width() + 1, grid->columnWidth(c))
                << title.toStdString() << " row " << r << " " << at.data().toString().toStdString();
        }
    }
    ASSERT_GE(last, 0);
    EXPECT_LE(grid->columnViewportPosition(last) + grid->columnWidth(last), grid->viewport()->width());
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
    const QHeaderView *rows = grid->verticalHeader();
    if (rows->isHidden())
        return;
    const QFontMetrics numbers(rows->font());
    for (int r = 0; r < model->rowCount(); ++r) {
        const QString number = model->headerData(r, Qt::Vertical).toString();
        ASSERT_LE(numbers.horizontalAdvance(number), TitleRoom(rows, rows->width())) << number.toStdString();
    }
}

} // namespace

class WindowEdges : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        // A serial port exists, so the start-up says nothing.
        ports = QStringList{QStringLiteral("ttyS9")};
    }
    template <typename T = QWidget> T *control(const char *name) const
    {
        T *c = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
};

TEST_F(WindowEdges, EveryGridShowsItsTitlesRowNumbersAndValuesWhole)
{
    qx4::SeedOptions seed;
    seed.records = 14;
    seed.events = 0;
    seed.tags = 0;
    qx4::seedUnit(unit, seed);
    // Wide names, long numbers, six-digit rooms, tags and events of them.
    QList<qx4::SimulatedUnit::TagEntry> tags;
    for (int i = 0; i < 12; ++i) {
        qx4::DirectoryRecord r;
        r.block = 128 + i;
        r.name = i % 2 ? QByteArray("WASHINGTON-SMYTH") : QByteArray("MMMMMMMMMMMMMMMM").left(10 + i / 2);
        r.room = QByteArray::number(999990 + i);
        r.code1 = "8888";
        r.code2 = "9999";
        r.phone = "0000000000000000";
        ASSERT_TRUE(unit.setDirectoryRecord(r));
        tags.append({r.room, QByteArray("3D0D0D0D0D")});
        qx4::UnitEvent e;
        e.room = r.room;
        e.when = QDateTime(QDate(2026, 12, 28), QTime(23, 58, 59)).addDays(i);
        e.relay = '2';
        e.setBy = '1';
        e.client = r.name;
        unit.addEvent(e);
    }
    ASSERT_TRUE(unit.setTagEntries(tags));
    logOnOverUdp();

    Click(control<QPushButton>("GetData"));
    ASSERT_TRUE(WaitFor([this] { return control<QTableView>("DBGrid1")->model()->rowCount() == 14; }));
    ExpectWhole(control<QTableView>("DBGrid1"));

    window->RFbuttClick();
    window->seam().queueAnswer(true);
    Click(control<QPushButton>("download_id"));
    ExpectWhole(control<QTableView>("DBGrid3"));

    window->EbuttClick();
    Click(control<QPushButton>("dnLoad"));
    ASSERT_TRUE(WaitFor([this] { return control<QTableView>("DBGrid2")->model()->rowCount() == 12; }));
    ExpectWhole(control<QTableView>("DBGrid2"));

    // Each page still fits the window's fixed size with its grid that wide.
    for (const char *page : {"phdir", "Events", "RFid_SU"}) {
        QWidget *p = control(page);
        EXPECT_LE(p->layout()->minimumSize().width(), p->width()) << page;
    }
}

TEST_F(WindowEdges, TheChangeListWrapsOrShortensLongLinesWithinItsWidth)
{
    const QString words = QStringLiteral("name: unit \"%1\" pc \"%2\"")
                              .arg(QString(60, QLatin1Char('A')), QStringLiteral("MORE WORDS THAN A LINE HOLDS ").repeated(6));
    const QString path = QStringLiteral("/home/installer/Documents/") + QString(160, QLatin1Char('x')) + QStringLiteral(".qx4b");
    porv::UnitChangesDialog dialog(QStringLiteral("Restore unit"), QStringLiteral("These change:"),
                                   {QStringLiteral("short line"), words, path}, porv::UnitChangesDialog::Offer::Restore);
    dialog.show();
    QCoreApplication::processEvents();
    auto *list = dialog.findChild<QListWidget *>(QStringLiteral("ChangesList"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    const int line = list->fontMetrics().lineSpacing();
    for (int i = 0; i < list->count(); ++i) {
        const QRect at = list->visualItemRect(list->item(i));
        EXPECT_LE(at.right(), list->viewport()->width()) << i;
        EXPECT_EQ(list->item(i)->toolTip(), list->item(i)->text()) << i;
    }
    // The words wrap; the path, one word, is cut short in its middle.
    EXPECT_GE(list->visualItemRect(list->item(1)).height(), 2 * line);
    EXPECT_LT(list->visualItemRect(list->item(0)).height(), 2 * line);
}

TEST_F(WindowEdges, LogOnWantsANetworkAddressAndPanelZeroTellsWhenTheLinkIsOff)
{
    ASSERT_TRUE(startUdpUnit());
    makeWindow();
    action("WiFi")->trigger();
    const QString wanted = QStringLiteral("Enter the unit's network address");
    QStringList openAfter;
    window->seam().queueDialog([&](QDialog &d) {
        d.findChild<QLineEdit *>(QStringLiteral("PorvPin"))->setText(QStringLiteral("1234"));
        auto *address = d.findChild<QLineEdit *>(QStringLiteral("IP_addr"));
        address->setText(QStringLiteral("  "));
        // Ok, Enter in the address and Enter in the PIN: each refused, the
        // dialog still open and the address field in focus.
        Click(d.findChild<QPushButton *>(QStringLiteral("Button1")));
        if (d.isVisible() && d.focusWidget() == address)
            openAfter << QStringLiteral("Ok");
        QTest::keyClick(address, Qt::Key_Return);
        if (d.isVisible())
            openAfter << QStringLiteral("Enter in the address");
        QTest::keyClick(d.findChild<QLineEdit *>(QStringLiteral("PorvPin")), Qt::Key_Return);
        if (d.isVisible())
            openAfter << QStringLiteral("Enter in the PIN");
        address->setText(QLatin1String(porv::test::UnitAddress));
        Click(d.findChild<QPushButton *>(QStringLiteral("Button1")));
    });
    clickLed();
    EXPECT_EQ(openAfter, (QStringList{QStringLiteral("Ok"), QStringLiteral("Enter in the address"),
                                      QStringLiteral("Enter in the PIN")}));
    EXPECT_EQ(window->seam().texts().count(wanted), 3) << window->seam().texts().join(QLatin1Char('/')).toStdString();
    EXPECT_FALSE(window->seam().texts().contains(QStringLiteral("No Reponse from Portavel")));
    ASSERT_TRUE(window->link().LoggedOn());
    EXPECT_EQ(window->statusText(0), QStringLiteral("Connected"));

    // Log Off: panel 0 no longer says Connected.
    clickLed();
    ASSERT_FALSE(window->link().LoggedOn());
    EXPECT_EQ(window->statusText(0), QStringLiteral("Off line"));

    // A unit that stops answering the keep-alive: panel 0 says so.
    LogOnEntry entry;
    entry.address = porv::test::UnitAddress;
    clickLogOn(entry);
    ASSERT_TRUE(window->link().LoggedOn()) << window->seam().texts().join(QLatin1Char('/')).toStdString();
    unit.faults().silent = true;
    porv::test::LinkTestAccess::SetKeepAliveCount(window->link(), 14);
    ASSERT_TRUE(WaitFor([this] { return !window->link().LoggedOn(); }, int(30000 * porv::TickScale()) + 5000));
    EXPECT_EQ(window->statusText(0), QStringLiteral("Off line: the unit stopped answering"));
}

namespace {

// The focusable controls a person can reach in a window as it shows now,
// through the accessibility interface: name and object, depth first.
void FocusableControls(QAccessibleInterface *a, QList<std::pair<QString, QObject *>> &out)
{
    if (!a || a->state().invisible)
        return;
    if (a->state().focusable && a->object() && a->object()->isWidgetType())
        out.append({a->text(QAccessible::Name), a->object()});
    for (int i = 0; i < a->childCount(); ++i)
        FocusableControls(a->child(i), out);
}

QString Describe(QObject *o)
{
    QString d = QStringLiteral("%1 %2").arg(QLatin1String(o->metaObject()->className()), o->objectName());
    if (o->objectName().isEmpty())
        for (QObject *p = o->parent(); p; p = p->parent())
            d += QStringLiteral(" in %1 %2").arg(QLatin1String(p->metaObject()->className()), p->objectName());
    return d;
}

// Every focusable control of `top`, in each state `states` steps it through
// (one at least), has a name, and no two controls of one page share a name.
// `pageOf` names the page a control belongs to. Returns whether all hold.
bool ExpectNamedOnce(QWidget *top, const std::function<bool(int)> &states,
                     const std::function<QString(QObject *)> &pageOf)
{
    QMap<QObject *, QString> names;
    for (int state = 0; states(state); ++state) {
        QCoreApplication::processEvents();
        QList<std::pair<QString, QObject *>> found;
        FocusableControls(QAccessible::queryAccessibleInterface(top), found);
        for (const auto &[name, object] : found)
            names.insert(object, name);
    }
    bool ok = !names.isEmpty();
    EXPECT_TRUE(ok) << "no focusable control in " << Describe(top).toStdString();
    QMap<QString, QList<QObject *>> byPage;
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        if (it.value().trimmed().isEmpty()) {
            ADD_FAILURE() << "unnamed: " << Describe(it.key()).toStdString();
            ok = false;
            continue;
        }
        byPage[pageOf(it.key()) + QLatin1Char('|') + it.value()].append(it.key());
    }
    for (auto it = byPage.cbegin(); it != byPage.cend(); ++it) {
        if (it.value().size() > 1) {
            QStringList who;
            for (QObject *o : it.value())
                who << Describe(o);
            ADD_FAILURE() << "named alike \"" << it.key().toStdString() << "\": " << who.join(QStringLiteral(", ")).toStdString();
            ok = false;
        }
    }
    return ok;
}

} // namespace

TEST_F(WindowEdges, EveryFocusableControlOfEveryPageAndDialogHasANameOfItsOwn)
{
    makeWindow();
    window->SetLoggedOnControls();
    // Each page and each tab within it, in turn.
    auto *pages = control<QTabWidget>("Page");
    QList<std::pair<QTabWidget *, int>> tabs;
    for (int p = 0; p < pages->count(); ++p) {
        tabs.append({pages, p});
        for (QTabWidget *inner : pages->widget(p)->findChildren<QTabWidget *>())
            for (int t = 0; t < inner->count(); ++t)
                tabs.append({inner, t});
    }
    const auto pageOf = [pages](QObject *o) -> QWidget * {
        for (int p = 0; p < pages->count(); ++p)
            if (pages->widget(p) == o || pages->widget(p)->isAncestorOf(static_cast<QWidget *>(o)))
                return pages->widget(p);
        return nullptr;
    };
    ExpectNamedOnce(
        window.get(),
        [&](int state) {
            if (state >= tabs.size())
                return false;
            const auto [tabWidget, index] = tabs[state];
            pages->setCurrentWidget(tabWidget == pages ? pages->widget(index) : pageOf(tabWidget));
            tabWidget->setCurrentIndex(index);
            return true;
        },
        [&](QObject *o) { return pageOf(o) ? pageOf(o)->objectName() : QStringLiteral("window"); });
    // The two buttons without a hint say what they do.
    for (const char *name : {"Button2", "Button3"})
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(control(name))->text(QAccessible::Description).isEmpty())
            << name;

    // The dialogs, as each shows.
    const auto whole = [](QObject *) { return QStringLiteral("dialog"); };
    porv::EnterPin &logOn = window->enterPin();
    ExpectNamedOnce(&logOn,
                    [&](int state) {
                        if (state > 1)
                            return false;
                        logOn.hide();
                        logOn.setConnection(state == 1, QStringLiteral("ttyS9"), detailsPath());
                        logOn.show();
                        return true;
                    },
                    whole);
    // Remote enables the number field however it is ticked.
    logOn.setConnection(false, QStringLiteral("ttyS9"), detailsPath());
    logOn.show();
    auto *number = logOn.findChild<QLineEdit *>(QStringLiteral("R_ph_num"));
    QAccessibleInterface *remote = QAccessible::queryAccessibleInterface(logOn.findChild<QWidget *>(QStringLiteral("RChkBox")));
    ASSERT_FALSE(number->isEnabled());
    remote->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(number->isEnabled());
    remote->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(number->isEnabled());
    logOn.hide();
    for (QDialog *d : std::initializer_list<QDialog *>{
             &window->aboutBox(),
             new porv::UnitChangesDialog(QStringLiteral("Restore unit"), QStringLiteral("These change:"),
                                         {QStringLiteral("a change")}, porv::UnitChangesDialog::Offer::Restore,
                                         window.get()),
             new porv::UnitChangesDialog(QStringLiteral("Compare with unit"), QStringLiteral("These differ:"),
                                         {QStringLiteral("a change")}, porv::UnitChangesDialog::Offer::WriteChanges,
                                         window.get()),
             new porv::CompareWithDialog(true, true, window.get())}) {
        SCOPED_TRACE(d->objectName().toStdString());
        ExpectNamedOnce(d, [d](int state) { return state == 0 && (d->show(), true); }, whole);
        d->hide();
    }
    bool otherPortNamed = false;
    window->seam().queueDialog([&](QDialog &d) {
        otherPortNamed = ExpectNamedOnce(&d, [](int state) { return state == 0; }, whole);
    });
    action("OtherPort")->trigger();
    EXPECT_TRUE(otherPortNamed);
}

TEST_F(WindowEdges, FileDialogsOpenInTheDocumentsOrTheFolderLastUsedAndPanelZeroShortensAPath)
{
    // The user's home and documents are the test's own.
    const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", home);
        config.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", config);
    });
    for (const char *folder : {"home/Documents", "config", "data/porv-pro", "site", "work"})
        ASSERT_TRUE(QDir().mkpath(dir.filePath(QLatin1String(folder))));
    qputenv("HOME", dir.filePath(QStringLiteral("home")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString documents = dir.filePath(QStringLiteral("home/Documents"));
    const auto startedIn = [this] { return window->seam().startFolders().last(); };

    // Started from the desktop menu: in the hidden data folder. Every dialog
    // opens in the documents until a folder has been used.
    QDir::setCurrent(dir.filePath(QStringLiteral("data/porv-pro")));
    makeWindow();
    action("FileOpen1")->trigger();
    EXPECT_EQ(startedIn(), documents);
    const QString saved = dir.filePath(QStringLiteral("site/list.csv"));
    window->seam().queueFileName(saved);
    action("SaveAs")->trigger();
    EXPECT_EQ(startedIn(), documents);
    ASSERT_TRUE(QFileInfo::exists(saved));
    action("SaveLinkTrace1")->trigger();
    EXPECT_EQ(startedIn(), dir.filePath(QStringLiteral("site")));

    // Panel 0 shows a long path short in its middle, the whole as its hint.
    const QString text = QStringLiteral("Unit backed up to ") + dir.filePath(QStringLiteral("home/Documents/"))
                       + QString(60, QLatin1Char('s')) + QStringLiteral("/Portavel_1000_Qx4_20261228-095930Z.qx4b");
    window->ShowStatus(0, text);
    auto *panel = control<QLabel>("Panel0");
    EXPECT_EQ(window->statusText(0), text);
    EXPECT_EQ(panel->toolTip(), text);
    EXPECT_TRUE(panel->text().startsWith(QStringLiteral("Unit backed up to "))) << panel->text().toStdString();
    EXPECT_TRUE(panel->text().endsWith(QStringLiteral("Z.qx4b"))) << panel->text().toStdString();
    EXPECT_LE(panel->fontMetrics().horizontalAdvance(panel->text()), panel->contentsRect().width());
    window->ShowStatus(0, QStringLiteral("Done"));
    EXPECT_EQ(panel->text(), QStringLiteral("Done"));
    EXPECT_TRUE(panel->toolTip().isEmpty());

    // Started in a folder of the user's: the phone list's dialogs open there,
    // the link trace's in the documents.
    closeWindow();
    QDir::setCurrent(dir.filePath(QStringLiteral("work")));
    makeWindow();
    action("FileOpen1")->trigger();
    EXPECT_EQ(startedIn(), dir.filePath(QStringLiteral("work")));
    action("SaveLinkTrace1")->trigger();
    EXPECT_EQ(startedIn(), documents);
}
