// The site book window's editing: add a site or a unit, edit or remove the
// one chosen in the tree, and the book's location.
#include "sitebookwindow.h"

#include <QTreeWidget>

#include "bookeditors.h"
#include "booksetting.h"
#include "sitebook.h"
#include "sitebookhost.h"

namespace porv {

void SiteBookWindow::addSiteClicked()
{
    if (!m_book)
        return;
    qint64 added = 0;
    SiteEditor editor(BookSite{}, [&](const BookSite &site) {
        BookResult<qint64> id = m_book->AddSite(site);
        added = id.value;
        return id.error;
    }, m_host, this);
    if (m_host.ExecDialog(editor) == QDialog::Accepted && added)
        reloadTree(Kind::Site, added);
}

void SiteBookWindow::addUnitClicked()
{
    if (!m_book || m_sites.isEmpty())
        return;
    BookUnit unit;
    const std::optional<BookSite> site = currentSite();
    unit.siteId = site ? site->id : m_sites.first().id;
    qint64 added = 0;
    UnitEditor editor(unit, m_sites, [&](const BookUnit &u) {
        BookResult<qint64> id = m_book->AddUnit(u);
        added = id.value;
        return id.error;
    }, m_host, this);
    if (m_host.ExecDialog(editor) == QDialog::Accepted && added)
        reloadTree(Kind::Unit, added);
}

void SiteBookWindow::editClicked()
{
    if (!m_book)
        return;
    if (const std::optional<BookUnit> unit = CurrentUnit()) {
        UnitEditor editor(*unit, m_sites, [&](const BookUnit &u) { return m_book->UpdateUnit(u); }, m_host, this);
        if (m_host.ExecDialog(editor) == QDialog::Accepted)
            reloadTree(Kind::Unit, unit->id);
    } else if (const std::optional<BookSite> site = currentSite()) {
        SiteEditor editor(*site, [&](const BookSite &s) { return m_book->UpdateSite(s); }, m_host, this);
        if (m_host.ExecDialog(editor) == QDialog::Accepted)
            reloadTree(Kind::Site, site->id);
    }
}

void SiteBookWindow::removeClicked()
{
    if (!m_book)
        return;
    BookError e;
    if (const std::optional<BookUnit> unit = CurrentUnit()) {
        if (!m_host.AskQuestion(QStringLiteral("Remove the unit \"%1\" from the book, with its snapshots and its "
                                               "journal?\r\nThis cannot be undone.")
                                    .arg(unit->label)))
            return;
        e = m_book->RemoveUnit(unit->id);
        if (e.ok())
            setStatus(QStringLiteral("The unit \"%1\" was removed from the book.").arg(unit->label));
    } else if (const std::optional<BookSite> site = currentSite()) {
        if (!m_host.AskQuestion(QStringLiteral("Remove the site \"%1\" from the book?").arg(site->name)))
            return;
        e = m_book->RemoveSite(site->id);
        if (e.ok())
            setStatus(QStringLiteral("The site \"%1\" was removed from the book.").arg(site->name));
    } else {
        return;
    }
    if (!e.ok()) {
        m_host.ShowMessage(e.message);
        return;
    }
    m_filling = true;
    m_tree->setCurrentItem(nullptr);
    m_filling = false;
    reloadTree();
}

void SiteBookWindow::locationClicked()
{
    BookLocationEditor editor(BookLocationSetting(), [](const QString &text) { return KeepBookLocationSetting(text).error; },
                              m_host, this);
    if (m_host.ExecDialog(editor) == QDialog::Accepted)
        OpenBook();
}

} // namespace porv
