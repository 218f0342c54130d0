#pragma once
// A unit of the site book as a program reaches it by its label: which book
// (the one the user named, else PORV_BOOK, else the SQLite file of the data
// folder), the unit's site and how it is reached, and its PIN from the pins
// file or the keyring when those hold one. porv-cli's --unit and fleet
// backup resolve their units here; whoever else logs on to a unit of the book
// by its label can do the same.
#include <QString>

#include <memory>

#include "bookerror.h"
#include "booklocation.h"
#include "bookrecords.h"
#include "pinsfile.h"

namespace porv {

class SiteBook;

// The book a user named: `given` (porv-cli's --book), else PORV_BOOK, else
// the default SQLite file. Refused as ParseBookLocation refuses.
BookResult<BookLocation> NamedBookLocation(const QString &given);
// That book, opened (made on first use when it is the SQLite file).
BookResult<std::unique_ptr<SiteBook>> OpenNamedBook(const QString &given);

struct BookUnitTarget {
    BookUnit unit; // its site, label, transport, address or device, and the number a modem dials
    // From the pins file, then the keyring (only when asked for): a PIN, a
    // reason that source could not be used (never the PIN), or neither (the
    // caller asks as ever).
    PinLookup pin;
};

// The unit labelled `label` (NotFound, naming the label and the book, when
// the book has none). The book's data is checked before it goes to a unit: a
// number or an address with a control character is refused (Invalid).
BookResult<BookUnitTarget> ResolveBookUnit(SiteBook &book, const QString &label, bool lookUpPin);

} // namespace porv
