#pragma once
// Finding clients in DirectoryTable: the rule that decides whether a record
// holds a typed text, and a filter model that shows only such records to a
// grid. The filter is a view: the table, its order, its current record and
// its count stay as they are.
#include <QByteArray>
#include <QSortFilterProxyModel>
#include <QString>

namespace porv {

class MemTable;

// Letters folded to lower case in Latin-1: A-Z and the accented capitals
// 0xC0-0xDE (except 0xD7, the multiplication sign). Other bytes stay.
QByteArray FoldLatin1(const QByteArray &text);

// A typed text and the records that hold it: the name, the room or the tag
// holds it (letters in any case), or the telephone number holds its dial
// characters, the layout of a number (DialNumber: blanks, dashes, dots,
// brackets) ignored on both sides, so that "0123 456" finds 0123456 and "456"
// finds "0123 456". An empty text is held by every record.
class ClientMatcher {
public:
    explicit ClientMatcher(const QString &text = QString());
    bool Empty() const { return m_empty; }
    bool Matches(const QByteArray &name, const QByteArray &room, const QByteArray &phone,
                 const QByteArray &tag) const;

private:
    bool m_empty = true;
    bool m_typable = true;  // every typed character has a Latin-1 byte
    QByteArray m_folded;    // the text, folded
    QByteArray m_dialed;    // its dial characters without separators; empty when it holds other characters
};

// The records of a directory table's grid model (one row per table row, in
// the table's order) that hold the find text. The columns, their titles and
// colours pass through unchanged; the order is the table's.
class ClientFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit ClientFilterModel(const MemTable &table, QObject *parent = nullptr);

    void SetFindText(const QString &text);
    QString FindText() const { return m_text; }
    // Whether the telephone numbers are searched (they are unless a grid
    // that does not show them says so).
    void SetPhonesSearched(bool searched);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    const MemTable &m_table;
    QString m_text;
    ClientMatcher m_matcher;
    bool m_phones = true;
};

} // namespace porv
