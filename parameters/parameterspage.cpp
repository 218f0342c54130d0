#include "parameterspage.h"
#include "parameternames.h"

#include <QCheckBox>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include "failures.h"
#include "link.h"
#include "parametersmessages.h"
#include "shellservices.h"

namespace porv {

namespace {

const QColor kOlive(128, 128, 0);

QString latin1(const QByteArray &bytes) { return QString::fromLatin1(bytes); }

// A time box's text as the model keeps it: blanks as spaces.
QByteArray timeBoxText(const QLineEdit *edit)
{
    return edit->displayText().toLatin1().replace('_', ' ');
}

bool isTimeBox(const QByteArray &name)
{
    const FieldDescription *s = ParameterFields::Describe(name);
    return s && s->kind == FieldKind::Time;
}

} // namespace

ParametersPage::ParametersPage(Link &link, ShellServices &shell, QWidget *parent)
    : QWidget(parent), m_shell(shell), m_core(link, shell)
{
    setObjectName(QStringLiteral("SystemControlsPage"));
    build();

    ParameterFields &f = m_core.fields();
    connect(&f, &ParameterFields::textChanged, this, &ParametersPage::syncText);
    connect(&f, &ParameterFields::checkedChanged, this, &ParametersPage::syncChecked);
    connect(&f, &ParameterFields::stateChanged, this, &ParametersPage::syncState);
    connect(&f, &ParameterFields::reset, this, &ParametersPage::syncAll);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { fields().SetCurrentTab(index); });
    syncAll();
    SetLoggedOn(link.LoggedOn());
}

// --- building ---------------------------------------------------------------------------

QWidget *ParametersPage::fieldWidget(const QByteArray &name)
{
    if (QWidget *w = m_widgets.value(name))
        return w;
    const FieldDescription *desc = ParameterFields::Describe(name);
    Q_ASSERT(desc);
    QWidget *w = nullptr;
    switch (desc->kind) {
    case FieldKind::Text: {
        auto *edit = new QLineEdit(this);
        const int length = desc->length;
        // The length limits typing only: a longer value from the unit or a file
        // is shown whole, as the field holds it.
        connect(edit, &QLineEdit::textEdited, this, [this, edit, name, length](const QString &text) {
            const QByteArray value = text.toLatin1();
            const QByteArray old = fields().text(name);
            if (length > 0 && value.size() > length && value.size() > old.size()) {
                const int pos = edit->cursorPosition();
                const QSignalBlocker block(edit);
                edit->setText(latin1(old));
                edit->setCursorPosition(qMax(0, pos - 1));
                return;
            }
            fields().setText(name, value);
            m_core.UserEdited(name);
            // A character outside Latin-1 is held as '?': the box shows what
            // the field holds, which is what goes to the unit.
            syncText(name);
        });
        if (length > 0 && length <= 8) {
            // Codes and settings: room for their digits.
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString(length, QLatin1Char('0'))) + 14);
            edit->setMaximumWidth(edit->minimumWidth() + 10);
        } else if (length > 0) {
            // Numbers and messages: wide enough to read, narrower than the
            // widest text so that the page fits.
            edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * std::min(length, 24) + 14);
        }
        w = edit;
        break;
    }
    case FieldKind::Time: {
        auto *edit = new QLineEdit(this);
        edit->setInputMask(QStringLiteral("99:99;_"));
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00:000")) + 14);
        connect(edit, &QLineEdit::textEdited, this, [this, edit, name] {
            fields().setText(name, timeBoxText(edit));
            m_core.UserEdited(name);
        });
        w = edit;
        break;
    }
    case FieldKind::Check: {
        auto *box = new QCheckBox(desc->caption, this);
        const bool pressRule = name == "rly2off" || name == "rly2key" || name == "rly2line" || name == "rly2ring";
        connect(box, &QCheckBox::clicked, this, [this, box, name, pressRule](bool on) {
            if (pressRule) {
                fields().PressRelay2(name);
                if (name == "rly2off")
                    QCursor::setPos(QCursor::pos() + QPoint(0, 10));
            } else {
                fields().setChecked(name, on);
            }
            (void)box;
            m_core.UserEdited(name);
            syncChecked(name);
        });
        w = box;
        break;
    }
    case FieldKind::Radio: {
        auto *radio = new QRadioButton(desc->caption, this);
        connect(radio, &QRadioButton::clicked, this, [this, name] {
            fields().setChecked(name, true);
            m_core.UserEdited(name);
            syncChecked(name);
        });
        w = radio;
        break;
    }
    case FieldKind::Display:
        if (name == "Bevel2") {
            auto *frame = new QFrame(this);
            frame->setFrameShape(QFrame::Box);
            frame->setFrameShadow(QFrame::Sunken);
            w = frame;
        } else {
            auto *label = new QLabel(desc->caption, this);
            w = label;
        }
        break;
    }
    w->setObjectName(QString::fromLatin1(name));
    if (!desc->hint.isEmpty())
        w->setToolTip(desc->hint);
    if (!desc->shown)
        w->setVisible(false);
    m_widgets.insert(name, w);
    return w;
}

QLabel *ParametersPage::captionOf(const QByteArray &name)
{
    const FieldDescription *desc = ParameterFields::Describe(name);
    auto *label = new QLabel(desc ? desc->caption : QString(), this);
    if (desc && !desc->hint.isEmpty())
        label->setToolTip(desc->hint);
    return label;
}

QPushButton *ParametersPage::button(const char *name, const QString &caption, void (ParametersCore::*handler)(),
                                    const QString &hint)
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    if (!hint.isEmpty())
        b->setToolTip(hint);
    connect(b, &QPushButton::clicked, this, [this, handler] { command([this, handler] { (m_core.*handler)(); }); });
    m_loggedOnButtons << b;
    const QByteArray key(name);
    if (ParameterFields::Describe(key))
        m_widgets.insert(key, b);
    return b;
}

void ParametersPage::command(const std::function<void()> &run)
{
    // A value that is no number, or a file that cannot be read or written,
    // ends the command here, at the page: what it did so far is said, then
    // why it stopped, and the page goes on answering.
    try {
        run();
    } catch (const Failure &failure) {
        showOutcome();
        m_shell.ShowMessage(failure.message());
        return;
    }
    showOutcome();
}

void ParametersPage::showOutcome()
{
    const ParametersWords words = WordParametersOutcome(m_core.TakeOutcome());
    if (!words.status.isEmpty())
        m_shell.ShowStatus(0, words.status);
    for (const QString &message : words.messages)
        m_shell.ShowMessage(message);
}

QWidget *ParametersPage::readWrite(QPushButton *read, QPushButton *write)
{
    auto *row = new QWidget(this);
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    h->addStretch(1);
    h->addWidget(read);
    h->addWidget(write);
    return row;
}

// --- model to widgets ---------------------------------------------------------------------------

void ParametersPage::syncText(const QByteArray &name)
{
    auto *edit = qobject_cast<QLineEdit *>(m_widgets.value(name));
    if (!edit)
        return;
    const QByteArray value = fields().text(name);
    const bool time = isTimeBox(name);
    if (time ? timeBoxText(edit) == value : edit->text() == latin1(value))
        return;
    const QSignalBlocker block(edit);
    const int pos = edit->cursorPosition();
    edit->setText(latin1(time ? QByteArray(value).replace(' ', '_') : value));
    edit->setCursorPosition(pos);
}

void ParametersPage::syncChecked(const QByteArray &name)
{
    auto *b = qobject_cast<QAbstractButton *>(m_widgets.value(name));
    if (!b)
        return;
    const bool on = fields().checked(name);
    if (b->isChecked() == on)
        return;
    const QSignalBlocker block(b);
    if (!on && b->autoExclusive()) {
        // A radio button cleared by a value leaves its group with none selected.
        b->setAutoExclusive(false);
        b->setChecked(false);
        b->setAutoExclusive(true);
    } else {
        b->setChecked(on);
    }
}

void ParametersPage::syncState(const QByteArray &name)
{
    QWidget *w = m_widgets.value(name);
    if (!w)
        return;
    const ParameterFields &f = fields();
    w->setEnabled(f.enabled(name));
    const FieldDescription *desc = ParameterFields::Describe(name);
    if (desc && desc->kind == FieldKind::Display && name != "SaveParam" && name != "UpLoad")
        w->setVisible(f.visible(name));
    if (auto *edit = qobject_cast<QLineEdit *>(w)) {
        QPalette pal = edit->palette();
        pal.setColor(QPalette::Text, f.olive(name) ? kOlive : palette().color(QPalette::WindowText));
        edit->setPalette(pal);
    }
}

void ParametersPage::syncAll()
{
    for (auto it = m_widgets.constBegin(); it != m_widgets.constEnd(); ++it) {
        const FieldDescription *desc = ParameterFields::Describe(it.key());
        if (!desc)
            continue;
        if (desc->kind == FieldKind::Text || desc->kind == FieldKind::Time)
            syncText(it.key());
        if (desc->kind == FieldKind::Check || desc->kind == FieldKind::Radio)
            syncChecked(it.key());
        syncState(it.key());
    }
}

// --- shell commands --------------------------------------------------------------------------------

void ParametersPage::SetLoggedOn(bool loggedOn)
{
    // The Access PIN tab's own buttons follow their tab.
    for (QPushButton *b : m_loggedOnButtons)
        if (b->objectName() != QLatin1String("ReadPins"))
            b->setEnabled(loggedOn);
    m_tabs->setTabEnabled(m_tabs->indexOf(m_accessPinTab), loggedOn);
    fields().SetLoggedOn(loggedOn); // UpLoad and SaveParam
    m_core.ForgetUnitCodes();
}

void ParametersPage::Open()
{
    command([this] { m_core.Open(); });
}

void ParametersPage::SaveAs() { m_core.SaveAs(); }

} // namespace porv
