#pragma once
// The command exchange with the unit: one set of link state for the whole
// program, the receive view's text model, and the block operations that the
// pages build on. Everything here runs on the window's thread.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>

#include "linktrace.h"
#include "transport.h"

namespace porv {

class Link : public QObject {
    Q_OBJECT
public:
    explicit Link(QObject *parent = nullptr);

    // --- link state -------------------------------------------------------
    QByteArray RxBuffer;        // everything received since last emptied, NULs removed
    QByteArray LineBuffer;      // the reply line being assembled
    bool ReplyReceived = false; // the line being assembled held "OK" when data last arrived
    bool DataSeen = false;      // some text arrived since last cleared
    bool ModemConnected = false;
    bool CountMode = false;     // bulk transfer: the view shows only a line count
    int LineCount = 0;
    QByteArray LastReply;       // ReplyLines line 1 when the last WaitReply ended
    int KeepAliveCount = 0;     // seconds since the last command

    // Connection flags shared with the log-on.
    bool LoggedOn = false;
    bool RemoteMode = false;

    // Upper bound on what RxBuffer and the receive view keep: a unit that never
    // stops talking cannot grow memory without limit. The newest text is kept.
    static constexpr int MaxReceived = 8 * 1024 * 1024;

    // --- receive view (RxMemo's text model) --------------------------------
    const QByteArray &ReceiveView() const { return m_view; }
    void ClearReceiveView();
    void SetReceiveView(const QByteArray &text);
    // The view's text split at each CR LF; a trailing CR LF ends the last line.
    const QList<QByteArray> &ReplyLines() const;
    // Line n of ReplyLines, or an empty text when there is none.
    QByteArray ReplyLine(int n) const;

    // --- transports -------------------------------------------------------
    void setSerialTransport(Transport *t);
    void setNetworkTransport(Transport *t);
    Transport *serialTransport() const { return m_serial; }
    Transport *networkTransport() const { return m_network; }

    // --- operations -------------------------------------------------------
    void ReceiveText(const QByteArray &chunk);
    // Sends the text as it is, without showing it: only the commands that
    // carry the PIN go this way, and the trace hides all but their letter.
    void Transmit(const QByteArray &text);
    void SendCommand(const QByteArray &text);
    // Waits for ReplyReceived, at most polls x 100 ticks; also stops after the
    // poll in which *stop became set (a log-on the user aborted).
    bool WaitReply(int polls, const bool *stop = nullptr);
    void ReadBlock(const QByteArray &block);
    bool VerifyBlock(const QByteArray &block, const QByteArray &expected);
    bool WriteBlockVerified(const QByteArray &block, const QByteArray &data);
    bool WriteDirectoryBlock(const QByteArray &addressHex, const QByteArray &data);
    void CloseLink();

    // Block number of a directory address: hexadecimal address / 32, four
    // decimal digits. Throws ConversionError for text that is not hexadecimal.
    static QByteArray DirectoryBlockNumber(const QByteArray &addressHex);

    // What went out and came in during this session (the PIN hidden).
    const LinkTrace &Trace() const { return m_trace; }

signals:
    // SendCommand shows its text (status bar panel 1).
    void commandShown(const QByteArray &text);
    // The receive view gained text at its end / was replaced as a whole.
    void receiveViewAppended(const QByteArray &text);
    void receiveViewReset(const QByteArray &text);
    // The link was closed (LoggedOn cleared).
    void linkClosed();

private:
    void transmit(const QByteArray &text, bool shown);
    void appendToView(const QByteArray &text);
    void capBuffers();

    QByteArray m_view;
    mutable QList<QByteArray> m_lines;
    mutable bool m_linesValid = false;
    QPointer<Transport> m_serial;
    QPointer<Transport> m_network;
    LinkTrace m_trace;
};

} // namespace porv
