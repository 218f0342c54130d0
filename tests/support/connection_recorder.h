#pragma once
// What a unit connection's operations asked to show, as a record a test reads:
// the transfer shown and hidden, the person held and let go (in `events`, in
// the order they came, beside whatever else a test double records there), the
// transfer's counts, and whether anything still shows.
#include <QStringList>

#include "unitconnection.h"

namespace porv::test {

class ConnectionRecorder {
public:
    explicit ConnectionRecorder(UnitConnection &connection, QStringList *events = nullptr)
        : m_connection(connection), m_events(events ? events : &m_own)
    {
        const auto follow = [this] {
            const OperationTraits traits = m_connection.Traits();
            if (bool shown = traits & TransferShown; shown != transferVisible) {
                transferVisible = shown;
                transferShown += shown;
                m_events->append(shown ? QStringLiteral("ShowTransfer") : QStringLiteral("HideTransfer"));
            }
            if (bool waits = traits & PersonWaits; waits != busy) {
                busy = waits;
                m_events->append(waits ? QStringLiteral("Busy") : QStringLiteral("Normal"));
            }
        };
        QObject::connect(&connection, &UnitConnection::operationStarted, &connection, follow);
        QObject::connect(&connection, &UnitConnection::operationFinished, &connection, follow);
        QObject::connect(&connection, &UnitConnection::progress, &connection,
                         [this](int done, int total) { progress << QStringLiteral("%1 of %2").arg(done).arg(total); });
    }

    // No operation runs and nothing of one shows.
    bool idle() const { return !m_connection.OperationRunning() && !transferVisible && !busy; }
    bool keepAlive() const { return m_connection.KeepAliveTimer().isActive(); }
    bool blinking() const { return m_connection.Traits() & BulkReply; }

    QStringList progress;
    int transferShown = 0;
    bool transferVisible = false;
    bool busy = false;

private:
    UnitConnection &m_connection;
    QStringList m_own;
    QStringList *m_events;
};

} // namespace porv::test
