// The PhoneDataBase page's editing: the key rules of the edit boxes, the
// boxes following the current record, Undo, the title click, the navigator
// bar, and the commit (OK) and Insert, which the directory core carries out.
#include "directorypage.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>

#include "clientfinder.h"
#include "delay.h"
#include "directorycommit.h"
#include "directorymessages.h"
#include "directorytransfer.h"
#include "link.h"
#include "shellservices.h"

namespace porv {

namespace {

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

bool isWholeNumber(const QByteArray &text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i >= text.size())
        return false;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// The text without its leading blanks (spaces only).
QByteArray StripLeadingSpaces(QByteArray text)
{
    qsizetype lead = 0;
    while (lead < text.size() && text[lead] == ' ')
        ++lead;
    return text.remove(0, lead);
}

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The characters the unit can dial: digits, "p" and "P" and ":" (pause), "*", "#".
bool isDialCharacter(QChar c) { return c.unicode() < 0x80 && IsDialCharacter(char(c.unicode())); }

const QByteArray kName = QByteArrayLiteral("Name");
const QByteArray kRoom = QByteArrayLiteral("RoomNumber");
const QByteArray kPhone = QByteArrayLiteral("PHnumber");
const QByteArray kCode1 = QByteArrayLiteral("Code1");
const QByteArray kCode2 = QByteArrayLiteral("Code2");
const QByteArray kSpare = QByteArrayLiteral("spare");

} // namespace

void DirectoryPage::moveFocusOn(QWidget *from)
{
    QWidget *top = window();
    for (QWidget *w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(top)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

bool DirectoryPage::NamefKeyPress(int key)
{
    if (!isEnter(key))
        return false;
    const QByteArray text = StripLeadingSpaces(boxText(m_name));
    ShowBoxText(m_name, text);
    if (text.isEmpty() || !isNameStart(text[0])) {
        m_shell.ShowMessage(NameRuleMessage());
        m_name->selectAll();
        return true;
    }
    moveFocusOn(m_name);
    EnableEntryButtons();
    return true;
}

bool DirectoryPage::RoomNumberKeyPress(int key)
{
    if (!isEnter(key))
        return false;
    if (m_room->text().isEmpty()) {
        m_shell.ShowMessage(QStringLiteral("Must enter a number"));
        return true;
    }
    moveFocusOn(m_room);
    EnableEntryButtons();
    const QByteArray text = StripLeadingSpaces(boxText(m_room));
    ShowBoxText(m_room, text);
    if (!isWholeNumber(text)) {
        m_shell.ShowMessage(QStringLiteral("Must enter a number"));
        m_room->selectAll();
    }
    return true;
}

bool DirectoryPage::PHnumberKeyPress(int key, const QString &text)
{
    if (isEnter(key)) {
        moveFocusOn(m_phone);
        return true;
    }
    if (key == Qt::Key_Backspace)
        return false;
    // Keys that type nothing (moves, Delete, shortcuts) are not characters.
    if (text.size() != 1 || text.at(0).unicode() < 0x20)
        return false;
    return !isDialCharacter(text.at(0));
}

bool DirectoryPage::CodeKeyPress(QLineEdit *box, int key)
{
    if (!isEnter(key))
        return false;
    moveFocusOn(box);
    return true;
}

void DirectoryPage::PHnumberEdited(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    int cursor = m_phone->cursorPosition();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isDialCharacter(text.at(i)))
            kept.append(text.at(i));
        else if (i < cursor)
            --cursor;
    }
    if (kept == text)
        return;
    m_phone->setText(kept);
    m_phone->setCursorPosition(std::max(0, cursor));
}

void DirectoryPage::EnableEntryButtons()
{
    if (m_table.IsOpen() && !m_finder->NothingShown() && !m_name->text().isEmpty() && !m_room->text().isEmpty()) {
        m_undo->setEnabled(true);
        m_navOk->setEnabled(true);
        m_navInst->setEnabled(true);
    }
}

void DirectoryPage::DirectoryTableAfterScroll()
{
    if (!m_state.ShowRecordEnabled)
        return;
    // With nothing shown by the find text the boxes show no record.
    const bool shown = !m_finder->NothingShown();
    const auto field = [this, shown](const QByteArray &name) { return shown ? m_table.FieldText(name) : QByteArray(); };
    ShowBoxText(m_room, field(kRoom));
    ShowBoxText(m_name, field(kName));
    ShowBoxText(m_phone, field(kPhone));
    ShowBoxText(m_code1, field(kCode1));
    ShowBoxText(m_code2, field(kCode2));
    ShowBoxText(m_spare, field(kSpare));
    m_navInst->setEnabled(false);
    m_navOk->setEnabled(false);
    m_undo->setEnabled(false);
    m_recordNo->setText(QString::number(m_table.Position()));
    m_totRec->setText(QString::number(m_table.RecordCount()));
    emit recordShown();
}

void DirectoryPage::showNoRecord(bool none)
{
    for (const char *name : {"nbInsert", "nbDelete"})
        if (auto *b = m_navigator->findChild<QToolButton *>(QLatin1String(name)))
            b->setEnabled(!none);
    DirectoryTableAfterScroll();
}

void DirectoryPage::UndoClick()
{
    DirectoryTableAfterScroll();
    m_undo->setEnabled(false);
}

void DirectoryPage::DBGrid1TitleClick(int column)
{
    if (!m_table.IsOpen())
        return;
    m_table.Refresh();
    if (column < 0 || column >= m_table.FieldCount() || !m_table.Sort(m_table.Field(column).name,
                                                                      MemTable::SortCase::Insensitive)) {
        m_table.First();
        return;
    }
    m_table.First();
}

// --- navigator bar ----------------------------------------------------------------------

void DirectoryPage::NavigatorClick(NavButton button)
{
    // Nothing shown by the find text: no record to insert before or delete.
    if ((button == NavButton::Insert || button == NavButton::Delete) && m_finder->NothingShown())
        return;
    DBNavigator1BeforeAction(button);
    if (!m_table.IsOpen())
        return;
    // While the find text filters the grid, the moves go from one record it
    // shows to the next.
    const ClientFinder::Step steps[] = {ClientFinder::Step::First, ClientFinder::Step::Prior,
                                        ClientFinder::Step::Next, ClientFinder::Step::Last};
    if (button <= NavButton::Last && m_finder->Move(steps[int(button)]))
        return;
    switch (button) {
    case NavButton::First:
        m_table.First();
        break;
    case NavButton::Prior:
        if (m_table.Position() > 1)
            m_table.SetPosition(m_table.Position() - 1);
        else if (m_table.Position() < 0)
            m_table.Refresh();
        break;
    case NavButton::Next:
        m_table.Next();
        break;
    case NavButton::Last:
        m_table.Refresh();
        m_table.SetPosition(m_table.RecordCount());
        break;
    case NavButton::Insert:
        m_table.Insert();
        break;
    case NavButton::Delete:
        m_table.Delete();
        // The confirmation lives only until the delete itself.
        m_state.DeleteConfirmed = false;
        break;
    case NavButton::Refresh:
        m_table.Refresh();
        syncGrid();
        break;
    }
}

void DirectoryPage::DBNavigator1BeforeAction(NavButton button)
{
    if (button == NavButton::Insert) {
        m_name->setFocus();
        return;
    }
    if (button == NavButton::Delete)
        ConfirmRecordDelete(m_link, m_shell, Access(), WriteEachChange());
}

// --- commit and insert ----------------------------------------------------------------------

DirectoryRecordText DirectoryPage::boxesRecord() const
{
    return {boxText(m_name), boxText(m_room), boxText(m_phone), boxText(m_code1), boxText(m_code2), boxText(m_spare)};
}

void DirectoryPage::NavOkClick()
{
    if (!m_state.DirectoryBusy && m_navOk->isEnabled()) {
        const DirectoryRecordText boxes = boxesRecord();
        const CommitReport report = CommitDirectoryRecord(m_link, m_shell, Access(), boxes, WriteEachChange());
        for (const QString &message : CommitMessages(report, boxes.Name))
            m_shell.ShowMessage(message);
        switch (report.outcome) {
        case CommitOutcome::NotStorable:
            // The boxes stay for mending, the one concerned in focus.
            if (report.problem.kind == RecordProblem::NoName) {
                m_name->setFocus();
            } else if (report.problem.kind == RecordProblem::NoRoom) {
                m_room->setFocus();
                m_room->selectAll();
            } else {
                m_phone->setFocus();
            }
            return;
        case CommitOutcome::Declined:
        case CommitOutcome::LimitReached:
        case CommitOutcome::NoAddress:
            syncGrid();
            return;
        case CommitOutcome::Committed:
            break;
        }
        // Committed: the buttons wait for the next change and the boxes
        // follow the table again.
        m_undo->setEnabled(false);
        m_navOk->setEnabled(false);
        m_navInst->setEnabled(false);
        Delay(10);
        syncGrid();
        DirectoryTableAfterScroll();
        Delay(10);
    }
    // After the last record a blank one waits for the next entry.
    const int position = m_table.Position();
    if (position < kPhoneListLimit && position == m_table.RecordCount())
        m_table.Append();
    m_name->setFocus();
}

void DirectoryPage::NavInstClick()
{
    const QByteArray kept[6] = {boxText(m_name).left(16),  boxText(m_room).left(16),  boxText(m_phone).left(16),
                                boxText(m_code1).left(16), boxText(m_code2).left(16), boxText(m_spare).left(16)};
    m_table.Insert();
    ShowBoxText(m_name, kept[0]);
    ShowBoxText(m_room, kept[1]);
    ShowBoxText(m_phone, kept[2]);
    ShowBoxText(m_code1, kept[3]);
    ShowBoxText(m_code2, kept[4]);
    ShowBoxText(m_spare, kept[5]);
    NavOkClick();
}

} // namespace porv
