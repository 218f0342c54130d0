#pragma once
// The PINs of scheduled work, which never go into the site book: a file of
// the user's, one line per unit, "LABEL PIN" (the label, a blank, the PIN;
// the PIN is what follows the last blank, so a label may hold blanks; empty
// lines and lines starting with "#" are passed over), used only while no one
// but its owner may read or write it, as the PostgreSQL client refuses a
// password file others can read. Where porv-pro was built with QtKeychain
// and a keyring runs, the system keyring (service "porv-pro", the unit's
// label as key) is asked when the file has no PIN for the unit. Otherwise the
// caller asks for the PIN as it always did.
//
// No message here ever holds a PIN or a line of the file.
#include <QByteArray>
#include <QString>

#include <optional>

namespace porv {

struct PinLookup {
    std::optional<QByteArray> pin; // set when a PIN was found
    QString error;                 // why a source could not be used; empty when it simply has none
    bool found() const { return pin.has_value(); }
};

// QStandardPaths::GenericConfigLocation + "/porv-pro/pins" ($XDG_CONFIG_HOME honoured).
QString PinsFilePath();

// The PIN of the unit labelled `label` in the file (a missing file has none).
PinLookup PinFromFile(const QString &label, const QString &path = PinsFilePath());

// Whether this porv-pro can ask a keyring (built with QtKeychain).
bool KeyringBuiltIn();
// The PIN the system keyring holds for the unit; waits on the event queue
// for the keyring's answer.
PinLookup PinFromKeyring(const QString &label);

// Whether a keyring can be asked here: built in and a session bus to reach it.
bool KeyringReachable();

// The file first, then the keyring where one can be reached.
PinLookup LookUpPin(const QString &label);

} // namespace porv
