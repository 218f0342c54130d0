#pragma once
// A way to carry command text to the unit and received text back: the serial
// port, the network link, or (in tests) a unit in the same process.
#include <QObject>
#include <QByteArray>

namespace porv {

class Transport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Transport() override = default;

    virtual bool isOpen() const = 0;
    // Sends the text unchanged; returns when it has gone out. A serial write
    // that fails throws SerialError, which the link catches.
    virtual void write(const QByteArray &text) = 0;
    virtual void close() = 0;

signals:
    // Received text, in arrival order, delivered on the window's thread.
    void received(const QByteArray &chunk);
    // The transport failed while receiving ("ReadFile function failed
    // (Error: n)") and has closed itself.
    void failed(const QString &message);
};

} // namespace porv
