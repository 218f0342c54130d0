#pragma once
// TEnterPin: the log-on dialog. It asks for the unit's PIN and, for a modem
// link, the telephone number; with the network link selected it shows the
// unit's address instead, which it will not do without. Ok writes the
// remembered-details record.
#include <QByteArray>
#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace porv {

class EnterPin : public QDialog {
    Q_OBJECT
public:
    // `tell` shows a message over the dialog (the window's message box).
    explicit EnterPin(std::function<void(const QString &)> tell = {}, QWidget *parent = nullptr);

    // What the dialog needs of the window before it is shown: whether the
    // network link is selected, the serial port's current name, and the
    // details file.
    void setConnection(bool networkSelected, const QString &serialPortName, const QString &detailsFileName);
    // A unit chosen in the site book: its address, or Remote and its number,
    // in place of the remembered record's, for the next showing only (the
    // PIN and Remember Details still come from the record). nullopt forgets it.
    struct Proposal {
        QByteArray address;
        bool remote = false;
        QByteArray number;
    };
    void proposeConnection(const std::optional<Proposal> &proposal) { m_proposal = proposal; }

    QByteArray pin() const;
    QByteArray number() const;
    bool remote() const;
    QByteArray address() const;

    // Handlers.
    void RChkBoxClick();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void prepare();
    void setNumberEnabled(bool enabled);
    // With the network link selected, a confirmation needs the unit's
    // address: without one it is refused with a message, the dialog staying
    // open on the address field.
    bool addressGiven();
    void confirmWithoutWriting();

    std::function<void(const QString &)> m_tell;

    QLabel *m_pinLabel;
    QLineEdit *m_pin;
    QCheckBox *m_remote;
    QLabel *m_numberLabel;
    QLineEdit *m_number;
    QLabel *m_addressLabel;
    QLineEdit *m_address;
    QCheckBox *m_store;
    QPushButton *m_ok;
    QPushButton *m_cancel;

    bool m_networkSelected = false;
    QString m_serialPortName;
    QString m_detailsFileName;
    std::optional<Proposal> m_proposal;
};

} // namespace porv
