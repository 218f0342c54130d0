#pragma once
// The site book window's small dialogs: a site (name, address, notes), a unit
// (label, site, how to reach it; what its last log-on found is shown, not
// edited) and where the book lives. Ok hands what was typed to the caller's
// commit; the dialog closes only when the book took it, and otherwise shows
// the book's message and stays open for a correction.
#include <QDialog>
#include <QList>

#include <functional>

#include "bookerror.h"
#include "bookrecords.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace porv {

class SiteBookHost;

class SiteEditor : public QDialog {
    Q_OBJECT
public:
    using Commit = std::function<BookError(const BookSite &)>;
    SiteEditor(const BookSite &site, Commit commit, SiteBookHost &host, QWidget *parent = nullptr);

private:
    void okClicked();

    BookSite m_site;
    Commit m_commit;
    SiteBookHost &m_host;
    QLineEdit *m_name;
    QLineEdit *m_address;
    QPlainTextEdit *m_notes;
};

class UnitEditor : public QDialog {
    Q_OBJECT
public:
    using Commit = std::function<BookError(const BookUnit &)>;
    // `sites` in the order the site box lists them; the unit's site is chosen.
    UnitEditor(const BookUnit &unit, const QList<BookSite> &sites, Commit commit, SiteBookHost &host,
               QWidget *parent = nullptr);

private:
    void reachChanged();
    void okClicked();

    BookUnit m_unit;
    Commit m_commit;
    SiteBookHost &m_host;
    QLineEdit *m_label;
    QComboBox *m_site;
    QComboBox *m_reach;
    QLabel *m_addressLabel;
    QLineEdit *m_address;
    QLabel *m_numberLabel;
    QLineEdit *m_number;
    QPlainTextEdit *m_notes;
};

class BookLocationEditor : public QDialog {
    Q_OBJECT
public:
    using Commit = std::function<BookError(const QString &)>;
    BookLocationEditor(const QString &current, Commit commit, SiteBookHost &host, QWidget *parent = nullptr);

private:
    void okClicked();

    Commit m_commit;
    SiteBookHost &m_host;
    QLineEdit *m_url;
};

} // namespace porv
