#pragma once
// A bulk transfer is running: the unit's reply comes in bulk (CountMode), and
// the transfer runs as an operation of the unit connection (unitconnection.h):
// the directory and tag transfers hold the person and the keep-alive
// (kHeldTransfer), the event download only shows its transfer.
//
// A transfer makes one BulkTransfer before it changes any of these and calls
// BeginReply and Show where its own order puts them. However it ends (done,
// stopped early, or the link lost), the end of the BulkTransfer's scope ends
// its operation (the keep-alive running again only while still logged on)
// and turns CountMode off. After a Log Off inside the transfer the
// connection stays as the log-off left it: off line, no keep-alive.
#include <QString>

#include <optional>

#include "unitconnection.h"

namespace porv {

class Link;

class BulkTransfer {
public:
    // `name` names its operation ("directory download").
    BulkTransfer(Link &link, QString name);
    ~BulkTransfer();
    BulkTransfer(const BulkTransfer &) = delete;
    BulkTransfer &operator=(const BulkTransfer &) = delete;

    // From here the reply comes in bulk: CountMode on, the keep-alive count 0.
    void BeginReply();
    // From here the transfer runs as an operation with those traits.
    void Show(OperationTraits traits = kHeldTransfer);

private:
    Link &m_link;
    QString m_name;
    std::optional<UnitOperation> m_operation;
};

} // namespace porv
