#include "bookunittarget.h"

#include "sitebook.h"
#include "booktext.h"

namespace porv {

BookResult<BookLocation> NamedBookLocation(const QString &given)
{
    return ParseBookLocation(given.isEmpty() ? qEnvironmentVariable("PORV_BOOK") : given);
}

BookResult<std::unique_ptr<SiteBook>> OpenNamedBook(const QString &given)
{
    const BookResult<BookLocation> location = NamedBookLocation(given);
    if (!location.ok())
        return location.error;
    return SiteBook::Open(location.value);
}

BookResult<BookUnitTarget> ResolveBookUnit(SiteBook &book, const QString &label, bool lookUpPin)
{
    BookResult<BookUnit> unit = book.UnitByLabel(label);
    if (!unit.ok()) {
        if (unit.error.kind == BookFailure::NotFound)
            unit.error.message = QStringLiteral("No unit labelled \"%1\" is in the site book %2.")
                                     .arg(book::Printable(label), book.Location().Name());
        return unit.error;
    }
    BookUnitTarget target;
    target.unit = unit.value;
    // What goes to the unit, or to the modem, is a command line of its own:
    // none of it may end or start one.
    if (book::HasControl(target.unit.address) || book::HasControl(target.unit.number) || target.unit.address.isEmpty())
        return BookError::Fail(BookFailure::Invalid,
                               QStringLiteral("The site book %1 gives the unit \"%2\" an address or number that cannot "
                                              "be used.")
                                   .arg(book.Location().Name(), book::Printable(label)));
    if (lookUpPin)
        target.pin = LookUpPin(label);
    return target;
}

} // namespace porv
